#pragma once
// TOrvaCGLabel (LT_CGLABEL): text drawn with a picture font. SOURCE is a picture (possibly
// animated) cut into GLYPHWIDTH × GLYPHHEIGHT cells, MAPTEXT the characters those cells show
// in cell order; each character of TEXT is drawn as the cell of its first place in MAPTEXT.
// The object takes the size of its text.

#include <cstdint>
#include <string>
#include <vector>

#include "scene/image_list.h"
#include "scene/orva_control.h"

namespace orva {

class TOrvaCGLabel : public TOrvaControl {
 public:
  explicit TOrvaCGLabel(TOrvaBaseList* owner);
  ~TOrvaCGLabel() override;

  uint8_t GetCompoType() override { return LT_CGLABEL; }
  std::string GetSource() override { return source_; }
  void SetSource(std::string_view value) override;
  std::string GetText() override { return text_; }
  void SetText(std::string_view value) override;
  std::string GetMapText() override { return mapText_; }
  void SetMapText(std::string_view value) override;
  int32_t GetGlyphWidth() override { return glyphWidth_; }
  void SetGlyphWidth(int32_t value) override { ChangeLayout(glyphWidth_, std::max(value, 1)); }
  int32_t GetGlyphHeight() override { return glyphHeight_; }
  void SetGlyphHeight(int32_t value) override { ChangeLayout(glyphHeight_, std::max(value, 1)); }
  int32_t GetLineSpace() override { return lineSpace_; }
  void SetLineSpace(int32_t value) override { ChangeLayout(lineSpace_, value); }
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override { paused_ = value; }
  uint8_t GetHAlign() override { return hAlign_; }
  void SetHAlign(uint8_t value) override;
  int32_t GetAlpha() override { return alpha_; }
  void SetAlpha(int32_t value) override;
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view value) override { onIdle_ = value; }
  bool GetPlaying() override { return !paused_ && !GetAniPaused(); }
  int32_t GetOrigWidth() override;
  int32_t GetOrigHeight() override;

  bool Idle() override;
  void Paint() override;
  void ReleaseSurfaces() override { frames_.ReleaseSurfaces(); }
  void RecreateSurfaces() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  // The cell of every character, line by line; −1 for a character missing from MAPTEXT.
  const std::vector<std::vector<int32_t>>& GlyphLines() const { return lines_; }
  TOrvaImageList& Frames() { return frames_; }

 private:
  void ChangeLayout(int32_t& field, int32_t value);
  void Map();
  void LayOut();
  TCustomDIBX* CurrentSurface();

  TOrvaImageList frames_;
  std::string source_, text_, mapText_;
  int32_t glyphWidth_ = 1, glyphHeight_ = 1;
  int32_t lineSpace_ = 0;
  bool paused_ = false;
  uint8_t hAlign_ = HA_LEFT;
  // Nothing is drawn until a page sets ALPHA: a new object starts at 0.
  int32_t alpha_ = 0;
  std::vector<std::vector<int32_t>> lines_;
  std::string onIdle_;
};

}  // namespace orva
