#pragma once
// Animated images. TOrvaCustomImages shows the current frame of a frame list (its picture
// and mask are the frame's) and steps through the frames by their display times in the
// scene's update; at the last frame a pass ends: after the frame's own time plus the value
// of the DELAY expression, evaluated anew at every pass. TOrvaImages (LT_IMAGES) takes its
// frames from the layered image named by SOURCE, or plays a motion file there, and at the
// end of a pass repeats, asks to be freed (AUTOSCRAP) or rests, queuing ONPLAYEND at every
// update while it rests.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/custom_image.h"
#include "scene/image_list.h"
#include "script/orva_parser.h"

namespace orva {

class TOrvaCustomImages : public TOrvaCustomImage {
 public:
  explicit TOrvaCustomImages(TOrvaBaseList* owner);
  ~TOrvaCustomImages() override;

  // The frames shown; none in this class.
  virtual TOrvaImageList* GetFrameList() { return nullptr; }

  void SetVisible(bool value) override;
  bool GetPlaying() override;
  int32_t GetBrightness() override { return brightness_; }
  void SetBrightness(int32_t value) override;
  // With a motion: its tick; else the frame shown (−1: none).
  int32_t GetIndex() override;
  void SetIndex(int32_t value) override;
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override;
  int32_t GetCount() override;
  bool Idle() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;
  void ReleaseSurfaces() override;
  void RecreateSurfaces() override;
  // The creating command's PR_DELAY expression becomes the image's delay expression.
  void AssignExpression(uint8_t code, const TOrvaParser& expr) override;

  int32_t GetFrameCountdown() const { return countdown_; }
  const TOrvaParser& DelayExpression() const { return delay_; }

 protected:
  // The frame lists whose own surfaces go and come with a display change.
  virtual void ReleaseFrameSurfaces();
  virtual void RecreateFrameSurfaces();
  // The picture gone before the frames it borrows: called by the destructors.
  void DetachFrame();
  // Whether the index names a frame of the current list.
  bool IsFrame(int32_t index);
  // INDEX −1 without anything else (a new source comes).
  void ForgetIndex() { index_ = -1; }
  // For a class with a frame step of its own.
  void SetFrameCountdown(int32_t value) { countdown_ = value; }

 private:
  int32_t countdown_ = 0;
  int32_t index_ = -1;
  int32_t brightness_ = 0;
  bool paused_ = false;
  TOrvaParser delay_;
};

class TOrvaImages : public TOrvaCustomImages {
 public:
  explicit TOrvaImages(TOrvaBaseList* owner) : TOrvaImages(owner, 1) {}
  ~TOrvaImages() override;

  uint8_t GetCompoType() override { return LT_IMAGES; }
  TOrvaImageList* GetFrameList() override;

  bool GetAutoScrap() override { return autoScrap_; }
  void SetAutoScrap(bool value) override { autoScrap_ = value; }
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view value) override { onIdle_ = value; }
  std::string GetSource() override { return source_; }
  // ".vsk" (any case) loads the frames, ".omt" plays the motion file; anything else shows
  // nothing.
  void SetSource(std::string_view value) override;
  bool GetRepeat() override { return repeat_; }
  void SetRepeat(bool value) override;
  std::string GetOnPlayEnd() override { return onPlayEnd_; }
  void SetOnPlayEnd(std::string_view value) override { onPlayEnd_ = value; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  // The current look (0 here; a button has four).
  virtual int32_t GetState() { return 0; }
  virtual void SetState(int32_t state) {}
  virtual int32_t GetStateCount() { return 1; }

 protected:
  // Classes with more looks pass their number.
  TOrvaImages(TOrvaBaseList* owner, int stateCount);
  TOrvaImageList& Look(int index) { return *looks_[size_t(index)]; }
  void ReleaseFrameSurfaces() override;
  void RecreateFrameSurfaces() override;

 private:
  std::vector<std::unique_ptr<TOrvaImageList>> looks_;
  bool repeat_ = false;
  bool autoScrap_ = false;
  std::string source_;
  std::string onPlayEnd_;
  std::string onIdle_;
};

}  // namespace orva
