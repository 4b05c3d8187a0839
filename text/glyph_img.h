#pragma once
// TWdImg: an inline picture of text, floating left or right or aligned in its row, painted
// straight onto the target with the word's alpha and advanced frame by frame while shown.

#include <cstdint>
#include <memory>
#include <string>

#include "text/glyph.h"
#include "text/inline_picture.h"

namespace orva {

// The frames of a picture with a current index and a countdown to the next frame, advanced
// by the frame lists' own step.
class TWdImageFrames {
 public:
  explicit TWdImageFrames(std::unique_ptr<TInlinePicture> picture);
  int Count() const { return count_; }
  int Index() const { return index_; }
  TInlineFrame Current() const;
  TInlineFrame Frame(int index) const;
  // Advances by the last frame's time; true when the frame changed.
  bool Tick();
  void ReleaseSurfaces() { picture_->ReleaseSurfaces(); }
  void RecreateSurfaces() { picture_->RecreateSurfaces(); }

 private:
  std::unique_ptr<TInlinePicture> picture_;
  int count_;
  int index_ = 0;
  int32_t countdown_ = 0;
};

class TWdImg : public TWdReal {
 public:
  using TWdReal::TWdReal;
  int GetGlyphType() const override { return kGlyphImg; }
  std::string GetName() const override { return source_; }
  void SetName(std::string_view name) override { source_ = name; }
  uint8_t GetAlign() const override { return align_; }
  void SetAlign(uint8_t align) override { align_ = align; }
  int GetStoredWeight() const override { return 1; }
  void Measure() override;
  void Paint() override;
  bool IsAnimated() const override { return frames_ != nullptr; }
  void Tick() override;
  void ReleaseSurfaces() override;
  void RecreateSurfaces() override;
  void LoadFromStream(TStream& stream, int version) override;
  void CopyFrom(const TWdGlyph& source) override;

  const TWdImageFrames* Frames() const { return frames_.get(); }

 private:
  std::string source_;
  std::unique_ptr<TWdImageFrames> frames_;  // nil while the file is missing
  uint8_t align_ = 0;
};

}  // namespace orva
