#pragma once
// Value controls drawn from three strip pictures (a bar of 2 cells, a thumb of 3, a pair of
// arrow buttons of 6): TOrvaSlider (LT_SLIDER) and TOrvaScrollbar (LT_SCROLLBAR). Both keep
// VALUE between MIN and MAX, step it by SMALLCHANGE with the buttons and the arrow keys, drag
// it with the thumb, size themselves from their pictures and queue ONNOTIFY with the new
// value whenever the user changes it. A click on a slider's bar jumps there and drags; a
// click on a scroll bar's track pages by LARGECHANGE towards the mouse while held. The
// slider's thumb centre travels the whole bar and its value grows rightwards or upwards; the
// scroll bar's thumb stays inside the bar and its value grows rightwards or downwards.

#include <array>
#include <cstdint>
#include <string>

#include "scene/orva_control.h"
#include "scene/strip_image.h"

namespace orva {

class TOrvaSlider : public TOrvaControl {
 public:
  // What a held left button does.
  enum TPressedMode : int32_t { NotPressed, Dragging, HoldingButton0, HoldingButton1, PagingDown, PagingUp };

  using TOrvaControl::TOrvaControl;
  ~TOrvaSlider() override;

  uint8_t GetCompoType() override { return LT_SLIDER; }

  std::string GetSource() override { return source_; }
  void SetSource(std::string_view value) override;
  std::string GetThumbSource() override { return thumbSource_; }
  void SetThumbSource(std::string_view value) override;
  std::string GetButtonSource() override { return buttonSource_; }
  void SetButtonSource(std::string_view value) override;
  int32_t GetMin() override { return min_; }
  void SetMin(int32_t value) override;
  int32_t GetMax() override { return max_; }
  void SetMax(int32_t value) override;
  // Clamped to MIN .. MAX (MIN wins when MAX is below it); the stored value may lie outside.
  int32_t GetValue() override;
  // Queues nothing.
  void SetValue(int32_t value) override;
  uint8_t GetOrientation() override { return orientation_; }
  void SetOrientation(uint8_t value) override;
  int32_t GetBarSize() override { return barSize_; }
  void SetBarSize(int32_t value) override;
  int32_t GetAlpha() override { return alpha_; }
  void SetAlpha(int32_t value) override;
  int32_t GetSmallChange() override { return smallChange_; }
  void SetSmallChange(int32_t value) override { smallChange_ = value; }
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override { paused_ = value; }
  bool GetCaptureMask() override { return captureMask_; }
  void SetCaptureMask(bool value) override { captureMask_ = value; }
  std::string GetOnNotify() override { return onNotify_; }
  void SetOnNotify(std::string_view value) override { onNotify_ = value; }
  std::string GetOnHold() override { return onHold_; }
  void SetOnHold(std::string_view value) override { onHold_ = value; }
  std::string GetOnRelease() override { return onRelease_; }
  void SetOnRelease(std::string_view value) override { onRelease_ = value; }
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view value) override { onIdle_ = value; }

  void Paint() override;
  void MouseMove() override;
  void MouseOut(TOrvaObject* next) override;
  void LButtonDown() override;
  void LButtonUp() override;
  void MouseHold() override;
  void KeyRepeat() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  // A change by the user: clamped to MIN .. MAX; a new value is set and queues ONNOTIFY with
  // it in decimal.
  void SetValueNotify(int64_t value);

  // The state the parts are drawn in.
  int32_t GetThumbPosition() const { return thumbPos_; }
  int32_t GetThumbState() const { return thumbState_; }
  int32_t GetButtonState(int b) const { return buttonStates_[size_t(b & 1)]; }
  int32_t GetPressedMode() const { return pressedMode_; }
  bool GetTrackHighlight() const { return trackHighlight_; }

  // Layer rectangles of the parts.
  virtual TRect BarRect();
  virtual TRect ThumbRect();
  TRect ButtonRect(int b);

 protected:
  // Bar width and height, (0, 0) without a bar picture; BARSIZE replaces the length.
  void RecomputeBarSize();
  virtual void RecomputeSize();
  virtual void UpdateThumbPosition();
  virtual void DrawParts(TCustomDIBX& target);
  // Whether the value grows upwards along a vertical bar (the slider's; a scroll bar's
  // value grows downwards).
  virtual bool GrowsUpward() { return Vertical(); }
  // Where a bar point (relative to the bar) puts the value; false when the bar (or the
  // room the thumb leaves on it) is 0 long, which leaves the value.
  virtual bool ValueAt(int32_t x, int32_t y, int64_t& value);
  // The offset of the mouse from the thumb's grab point, along the bar.
  virtual int32_t GrabOffset(int32_t along);
  // A press on the bar that is neither on the thumb nor on a button.
  virtual void PressBar();
  // What a held press does at each repeat step beyond the buttons.
  virtual void RepeatPaging() {}

  bool Vertical() const { return orientation_ == OT_VERTICAL; }
  // MAX − MIN.
  int64_t Range() const { return int64_t{max_} - min_; }
  // The mouse on the layer.
  TPoint Mouse();
  int32_t Along(TPoint p) const { return Vertical() ? p.Y : p.X; }
  bool ThumbHit(TPoint p);
  bool ButtonHit(int b, TPoint p);
  bool BarHit(TPoint p);
  void SetThumbPosition(int32_t p);
  void SetThumbState(int32_t state);
  void SetButtonState(int b, int32_t state);
  void SetTrackHighlight(bool on);
  void QueueHandler(uint8_t kind, const std::string& handler);
  // The hover states from the mouse (step 1 of a move).
  void UpdateHover();
  // (SMALLCHANGE) times the direction of button b.
  int64_t ButtonStep(int b);
  void DrawThumbAndButtons(TCustomDIBX& target);
  // Tiles cell k of the bar over r from the pattern offset.
  void TileBar(TCustomDIBX& target, int k, const TRect& r, int32_t offX, int32_t offY);

  std::string source_, thumbSource_, buttonSource_;
  int32_t min_ = 0, max_ = 0, value_ = 0;
  int32_t alpha_ = 0;
  bool paused_ = false;
  uint8_t orientation_ = OT_HORIZONTAL;
  std::string onNotify_;
  int32_t barW_ = 0, barH_ = 0;
  int32_t thumbW_ = 0, thumbH_ = 0;
  int32_t buttonW_ = 0, buttonH_ = 0;
  TStripImage bar_, thumb_, buttons_;
  int32_t thumbPos_ = 0;
  int32_t thumbState_ = 0;
  std::array<int32_t, 2> buttonStates_{};
  int32_t dragOffset_ = 0;
  int32_t repeatTimer_ = 0;
  bool trackHighlight_ = false;
  std::string onHold_, onRelease_;
  int32_t smallChange_ = 0;
  std::string onIdle_;
  bool captureMask_ = false;
  int32_t barSize_ = 0;
  int32_t pressedMode_ = NotPressed;
};

class TOrvaScrollbar : public TOrvaSlider {
 public:
  using TOrvaSlider::TOrvaSlider;

  uint8_t GetCompoType() override { return LT_SCROLLBAR; }
  int32_t GetLargeChange() override { return largeChange_; }
  void SetLargeChange(int32_t value) override { largeChange_ = value; }

  TRect BarRect() override;
  TRect ThumbRect() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

 protected:
  void RecomputeSize() override;
  void UpdateThumbPosition() override;
  void DrawParts(TCustomDIBX& target) override;
  bool GrowsUpward() override { return false; }
  bool ValueAt(int32_t x, int32_t y, int64_t& value) override;
  int32_t GrabOffset(int32_t along) override;
  void PressBar() override;
  void RepeatPaging() override;

 private:
  int32_t largeChange_ = 0;
};

}  // namespace orva
