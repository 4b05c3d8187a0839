#include "scene/slider.h"

#include <algorithm>
#include <cmath>

#include "core/frame_clock.h"
#include "core/stream.h"
#include "core/string_lists.h"
#include "graphics/custom_dibx.h"
#include "scene/base_list.h"
#include "scene/geometry.h"

namespace orva {

namespace {

constexpr int VkLeft = 37, VkUp = 38, VkRight = 39, VkDown = 40;

int32_t Wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

TRect Rect64(int64_t left, int64_t top, int64_t width, int64_t height) {
  return {Wrap32(left), Wrap32(top), Wrap32(left + width), Wrap32(top + height)};
}

// Nearest, halves to even; far values are cut to the int64 range.
int64_t RoundHalfEven(double v) {
  if (!(v > -9.2e18)) return v > 0 ? INT64_MAX : INT64_MIN;
  if (v > 9.2e18) return INT64_MAX;
  return static_cast<int64_t>(std::nearbyint(v));
}

}  // namespace

TOrvaSlider::~TOrvaSlider() { Invalidate(); }

// ---- Sources and sizes ----

void TOrvaSlider::SetSource(std::string_view value) {
  if (value == source_) return;
  source_ = value;
  bar_.Load(value);
  RecomputeBarSize();
  RecomputeSize();
}

void TOrvaSlider::SetThumbSource(std::string_view value) {
  if (value == thumbSource_) return;
  thumbSource_ = value;
  thumb_.Load(value);
  thumbW_ = thumb_.CellWidth(3);
  thumbH_ = thumb_.Height();
  RecomputeSize();
}

void TOrvaSlider::SetButtonSource(std::string_view value) {
  if (value == buttonSource_) return;
  buttonSource_ = value;
  buttons_.Load(value);
  buttonW_ = buttons_.CellWidth(6);
  buttonH_ = buttons_.Height();
  RecomputeSize();
}

void TOrvaSlider::RecomputeBarSize() {
  barW_ = bar_.CellWidth(2);
  barH_ = bar_.Height();
  if (barSize_ > 0) (Vertical() ? barH_ : barW_) = barSize_;
}

void TOrvaSlider::SetOrientation(uint8_t value) {
  if (value == orientation_) return;
  orientation_ = value;
  RecomputeBarSize();
  RecomputeSize();
}

void TOrvaSlider::SetBarSize(int32_t value) {
  if (value == barSize_) return;
  barSize_ = value;
  RecomputeBarSize();
  RecomputeSize();
}

void TOrvaSlider::RecomputeSize() {
  int64_t w = 0, h = 0;
  if (barW_ >= 1 && barH_ >= 1) {
    if (Vertical()) {
      w = std::max({barW_, thumbW_, buttonW_});
      h = int64_t{barH_} + thumbH_ + 2 * int64_t{buttonH_};
    } else {
      w = int64_t{barW_} + thumbW_ + 2 * int64_t{buttonW_};
      h = std::max({barH_, thumbH_, buttonH_});
    }
  }
  SetWidth(Wrap32(w));
  SetHeight(Wrap32(h));
  UpdateThumbPosition();
}

void TOrvaScrollbar::RecomputeSize() {
  int64_t w = 0, h = 0;
  if (barW_ >= 1 && barH_ >= 1) {
    if (Vertical()) {
      w = std::max({barW_, thumbW_, buttonW_});
      h = int64_t{barH_} + 2 * int64_t{buttonH_};
    } else {
      w = int64_t{barW_} + 2 * int64_t{buttonW_};
      h = std::max({barH_, thumbH_, buttonH_});
    }
  }
  SetWidth(Wrap32(w));
  SetHeight(Wrap32(h));
  UpdateThumbPosition();
}

// ---- Values ----

void TOrvaSlider::SetMin(int32_t value) {
  if (value == min_) return;
  min_ = value;
  UpdateThumbPosition();
}

void TOrvaSlider::SetMax(int32_t value) {
  if (value == max_) return;
  max_ = value;
  UpdateThumbPosition();
}

int32_t TOrvaSlider::GetValue() {
  int32_t v = value_;
  if (v > max_) v = max_;
  if (v < min_) v = min_;
  return v;
}

void TOrvaSlider::SetValue(int32_t value) {
  if (value == value_) return;
  value_ = value;
  UpdateThumbPosition();
}

void TOrvaSlider::SetAlpha(int32_t value) { StoreAndInvalidate(alpha_, value); }

void TOrvaSlider::SetValueNotify(int64_t value) {
  value = std::max<int64_t>(std::min<int64_t>(value, max_), min_);
  if (value == GetValue()) return;
  SetValue(static_cast<int32_t>(value));
  if (onNotify_.empty()) return;
  TArrayString args;
  args.Add(std::to_string(GetValue()));
  QueueEvent(PR_ONNOTIFY, onNotify_, &args);
}

void TOrvaSlider::SetThumbPosition(int32_t p) { StoreAndInvalidate(thumbPos_, p); }

namespace {
// round((value − min) / range × length), 0 for an empty range.
int32_t ThumbAt(int64_t offset, int64_t range, int64_t length) {
  if (range <= 0) return 0;
  return Wrap32(RoundHalfEven(static_cast<double>(offset) / static_cast<double>(range) * static_cast<double>(length)));
}
}  // namespace

void TOrvaSlider::UpdateThumbPosition() {
  SetThumbPosition(ThumbAt(int64_t{GetValue()} - min_, Range(), Vertical() ? barH_ : barW_));
}

void TOrvaScrollbar::UpdateThumbPosition() {
  const int64_t room = Vertical() ? int64_t{barH_} - thumbH_ : int64_t{barW_} - thumbW_;
  SetThumbPosition(ThumbAt(int64_t{GetValue()} - min_, Range(), room));
}

bool TOrvaSlider::ValueAt(int32_t x, int32_t y, int64_t& value) {
  const int64_t length = Vertical() ? barH_ : barW_;
  if (length == 0) return false;
  const double along = Vertical() ? static_cast<double>(length - 1 - y) : x;
  value = min_ + RoundHalfEven(static_cast<double>(Range()) / static_cast<double>(length) * along);
  return true;
}

bool TOrvaScrollbar::ValueAt(int32_t x, int32_t y, int64_t& value) {
  const int64_t room = Vertical() ? int64_t{barH_} - thumbH_ : int64_t{barW_} - thumbW_;
  if (room == 0) return false;
  value = min_ + RoundHalfEven(static_cast<double>(Range()) / static_cast<double>(room) * (Vertical() ? y : x));
  return true;
}

int64_t TOrvaSlider::ButtonStep(int b) {
  const int direction = GrowsUpward() ? (b == 0 ? 1 : -1) : (b == 0 ? -1 : 1);
  return int64_t{smallChange_} * direction;
}

// ---- Rectangles and hit tests ----

TRect TOrvaSlider::BarRect() {
  const int64_t l = GetScreenLeft(), t = GetScreenTop(), w = GetWidth(), h = GetHeight();
  if (Vertical()) return Rect64(l + (w - barW_) / 2, t + buttonH_ + thumbH_ / 2, barW_, barH_);
  return Rect64(l + buttonW_ + thumbW_ / 2, t + (h - barH_) / 2, barW_, barH_);
}

TRect TOrvaScrollbar::BarRect() {
  const int64_t l = GetScreenLeft(), t = GetScreenTop(), w = GetWidth(), h = GetHeight();
  if (Vertical()) return Rect64(l + (w - barW_) / 2, t + buttonH_, barW_, barH_);
  return Rect64(l + buttonW_, t + (h - barH_) / 2, barW_, barH_);
}

TRect TOrvaSlider::ThumbRect() {
  const int64_t l = GetScreenLeft(), t = GetScreenTop(), w = GetWidth(), h = GetHeight();
  if (Vertical()) return Rect64(l + (w - thumbW_) / 2, t + buttonH_ + barH_ - thumbPos_, thumbW_, thumbH_);
  return Rect64(l + buttonW_ + thumbPos_, t + (h - thumbH_) / 2, thumbW_, thumbH_);
}

TRect TOrvaScrollbar::ThumbRect() {
  const int64_t l = GetScreenLeft(), t = GetScreenTop(), w = GetWidth(), h = GetHeight();
  if (Vertical()) return Rect64(l + (w - thumbW_) / 2, t + buttonH_ + thumbPos_, thumbW_, thumbH_);
  return Rect64(l + buttonW_ + thumbPos_, t + (h - thumbH_) / 2, thumbW_, thumbH_);
}

TRect TOrvaSlider::ButtonRect(int b) {
  const int64_t l = GetScreenLeft(), t = GetScreenTop(), w = GetWidth(), h = GetHeight();
  if (Vertical()) return Rect64(l + (w - buttonW_) / 2, b == 0 ? t : t + h - buttonH_, buttonW_, buttonH_);
  return Rect64(b == 0 ? l : l + w - buttonW_, t + (h - buttonH_) / 2, buttonW_, buttonH_);
}

TPoint TOrvaSlider::Mouse() {
  TOrvaBase* layer = GetBase();
  return layer ? layer->GetMousePos() : TPoint{};
}

bool TOrvaSlider::ThumbHit(TPoint p) {
  const TRect r = ThumbRect();
  if (!PointInRect(p, r)) return false;
  if (!captureMask_) return true;
  const int mask = thumb_.MaskAt(p.X - r.Left, p.Y - r.Top);
  return mask < 0 || mask >= 128;
}

bool TOrvaSlider::ButtonHit(int b, TPoint p) {
  const TRect r = ButtonRect(b);
  if (!PointInRect(p, r)) return false;
  const int mask = buttons_.MaskAt(p.X - r.Left + 3 * b * buttonW_, p.Y - r.Top);
  return mask < 0 || mask >= 128;
}

bool TOrvaSlider::BarHit(TPoint p) {
  const TRect r = BarRect();
  if (!PointInRect(p, r)) return false;
  const int mask = bar_.MaskAt(p.X - r.Left, p.Y - r.Top);
  return mask < 0 || mask >= 128;
}

// ---- Mouse and keys ----

void TOrvaSlider::SetThumbState(int32_t state) { StoreAndInvalidate(thumbState_, state); }

void TOrvaSlider::SetButtonState(int b, int32_t state) { StoreAndInvalidate(buttonStates_[size_t(b)], state); }

void TOrvaSlider::SetTrackHighlight(bool on) { StoreAndInvalidate(trackHighlight_, on); }

void TOrvaSlider::QueueHandler(uint8_t kind, const std::string& handler) {
  if (!handler.empty()) QueueEvent(kind, handler);
}

void TOrvaSlider::UpdateHover() {
  const bool blocked = Range() <= 0 || GetIgnoreMouse() == IM_ALL || paused_;
  const TPoint m = Mouse();
  SetThumbState(!blocked && ThumbHit(m) ? 1 : 0);
  for (int b = 0; b < 2; ++b) SetButtonState(b, !blocked && ButtonHit(b, m) ? 1 : 0);
}

void TOrvaSlider::MouseMove() {
  if (pressedMode_ == NotPressed) {
    UpdateHover();
  } else if (pressedMode_ == Dragging) {
    const TRect bar = BarRect();
    const TPoint m = Mouse();
    int32_t x = WrapSub(m.X, bar.Left), y = WrapSub(m.Y, bar.Top);
    (Vertical() ? y : x) = WrapSub(Vertical() ? y : x, dragOffset_);
    int64_t value = 0;
    if (ValueAt(x, y, value)) SetValueNotify(value);
  }
  TOrvaControl::MouseMove();
}

void TOrvaSlider::MouseOut(TOrvaObject* next) {
  if (pressedMode_ == NotPressed) {
    SetThumbState(0);
    SetButtonState(0, 0);
    SetButtonState(1, 0);
  }
  TOrvaControl::MouseOut(next);
}

int32_t TOrvaSlider::GrabOffset(int32_t along) {
  const TRect thumb = ThumbRect();
  return WrapSub(along, Vertical() ? WrapAdd(thumb.Top, thumbH_ / 2) : WrapAdd(thumb.Left, thumbW_ / 2));
}

int32_t TOrvaScrollbar::GrabOffset(int32_t along) {
  const TRect thumb = ThumbRect();
  return WrapSub(along, Vertical() ? thumb.Top : thumb.Left);
}

void TOrvaSlider::PressBar() {
  QueueHandler(PR_ONHOLD, onHold_);
  SetThumbState(2);
  pressedMode_ = Dragging;
  dragOffset_ = 0;
  const TRect bar = BarRect();
  const TPoint m = Mouse();
  int64_t value = 0;
  if (ValueAt(WrapSub(m.X, bar.Left), WrapSub(m.Y, bar.Top), value)) SetValueNotify(value);
}

void TOrvaScrollbar::PressBar() {
  SetTrackHighlight(true);
  repeatTimer_ = KeyRepeatDelay;
  const TRect thumb = ThumbRect();
  pressedMode_ = (Vertical() ? thumb.Top : thumb.Left) < Along(Mouse()) ? PagingUp : PagingDown;
  SetValueNotify(int64_t{GetValue()} + (pressedMode_ == PagingUp ? int64_t{largeChange_} : -int64_t{largeChange_}));
}

void TOrvaSlider::LButtonDown() {
  TOrvaControl::LButtonDown();
  const uint8_t ignore = GetIgnoreMouse();
  if (pressedMode_ != NotPressed || (ignore != IM_NONE && ignore != IM_RCLICK) || Range() <= 0) return;
  const TPoint m = Mouse();
  if (thumbState_ == 1) {
    QueueHandler(PR_ONHOLD, onHold_);
    dragOffset_ = GrabOffset(Along(m));
    SetThumbState(2);
    pressedMode_ = Dragging;
  } else if (buttonStates_[0] == 1 || buttonStates_[1] == 1) {
    const int b = buttonStates_[0] == 1 ? 0 : 1;
    SetValueNotify(int64_t{GetValue()} + ButtonStep(b));
    SetButtonState(b, 2);
    repeatTimer_ = KeyRepeatDelay;
    pressedMode_ = b == 0 ? HoldingButton0 : HoldingButton1;
  } else if (BarHit(m)) {
    PressBar();
  } else {
    return;
  }
  if (TOrvaBase* layer = GetBase()) {
    layer->Capture |= TOrvaBase::CaptureLeft;
    layer->LeftClick = false;
  }
}

void TOrvaSlider::MouseHold() {
  if (pressedMode_ == HoldingButton0 || pressedMode_ == HoldingButton1) {
    const int b = pressedMode_ - HoldingButton0;
    repeatTimer_ = WrapSub(repeatTimer_, FrameDelta);
    if (repeatTimer_ > 0) return;
    repeatTimer_ = WrapAdd(repeatTimer_, KeyRepeatInterval);
    SetButtonState(b, ButtonHit(b, Mouse()) ? 2 : 0);
    if (buttonStates_[size_t(b)] == 2) SetValueNotify(int64_t{GetValue()} + ButtonStep(b));
  } else if (pressedMode_ == PagingDown || pressedMode_ == PagingUp) {
    RepeatPaging();
  }
}

void TOrvaScrollbar::RepeatPaging() {
  repeatTimer_ = WrapSub(repeatTimer_, FrameDelta);
  if (repeatTimer_ > 0) return;
  repeatTimer_ = WrapAdd(repeatTimer_, KeyRepeatInterval);
  const TPoint m = Mouse();
  const TRect thumb = ThumbRect();
  const bool down = pressedMode_ == PagingDown;
  // Paging stops once the thumb has reached the mouse.
  const bool reached = down ? (Vertical() ? thumb.Top <= m.Y : thumb.Left <= m.X)
                            : (Vertical() ? thumb.Bottom > m.Y : thumb.Right > m.X);
  SetTrackHighlight(BarHit(m) && !reached);
  if (trackHighlight_) SetValueNotify(int64_t{GetValue()} + (down ? -int64_t{largeChange_} : int64_t{largeChange_}));
}

void TOrvaSlider::LButtonUp() {
  TOrvaControl::LButtonUp();
  if (pressedMode_ < Dragging || pressedMode_ > PagingUp) return;
  if (pressedMode_ == Dragging) QueueHandler(PR_ONRELEASE, onRelease_);
  UpdateHover();
  SetTrackHighlight(false);
  pressedMode_ = NotPressed;
}

void TOrvaSlider::KeyRepeat() {
  if (TOrvaBaseList* scene = GetOwner()) {
    int increase = VkRight, decrease = VkLeft;
    if (Vertical()) {
      increase = GrowsUpward() ? VkUp : VkDown;
      decrease = GrowsUpward() ? VkDown : VkUp;
    }
    const int32_t value = GetValue();
    if (scene->IsKeyRepeated(increase) && value < max_)
      SetValueNotify(std::min<int64_t>(max_, int64_t{value} + smallChange_));
    else if (scene->IsKeyRepeated(decrease) && value > min_)
      SetValueNotify(std::max<int64_t>(min_, int64_t{value} - smallChange_));
  }
  TOrvaControl::KeyRepeat();
}

// ---- Drawing ----

void TOrvaSlider::Paint() {
  TCustomDIBX* target = GetTargetSurface();
  if (!target || GetWidth() == 0 || GetHeight() == 0 || !RectsOverlap(GetScreenRect(), target->GetClipRect())) return;
  if (!bar_.IsEmpty()) DrawParts(*target);
  TOrvaControl::Paint();
}

void TOrvaSlider::TileBar(TCustomDIBX& target, int k, const TRect& r, int32_t offX, int32_t offY) {
  if (TVaskItemFrame* frame = bar_.Frame())
    frame->DrawTiled(target, r, bar_.Cell(k, bar_.CellWidth(2)), offX, offY, false, false, alpha_);
}

void TOrvaSlider::DrawThumbAndButtons(TCustomDIBX& target) {
  if (TVaskItemFrame* frame = thumb_.Frame(); frame && thumbW_ >= 1 && thumbH_ >= 1 && Range() >= 1) {
    const TRect r = ThumbRect();
    frame->Draw(target, r.Left, r.Top, thumb_.Cell(thumbState_, thumbW_), false, false, alpha_);
  }
  if (TVaskItemFrame* frame = buttons_.Frame(); frame && buttonW_ >= 1 && buttonH_ >= 1) {
    for (int b = 0; b < 2; ++b) {
      const TRect r = ButtonRect(b);
      frame->Draw(target, r.Left, r.Top, buttons_.Cell(buttonStates_[size_t(b)] + 3 * b, buttonW_), false, false,
                  alpha_);
    }
  }
}

void TOrvaSlider::DrawParts(TCustomDIBX& target) {
  const int64_t l = GetScreenLeft(), t = GetScreenTop(), w = GetWidth(), h = GetHeight();
  const int64_t p = thumbPos_, bw = barW_, bh = barH_;
  // The lit cell runs from the minimum end to the thumb; the tiling is anchored there.
  if (!Vertical()) {
    const int64_t x0 = l + buttonW_ + thumbW_ / 2, y = t + (h - bh) / 2;
    if (p > 0) TileBar(target, 1, Rect64(x0, y, p, bh), 0, 0);
    if (bw - p > 0) TileBar(target, 0, Rect64(x0 + p, y, bw - p, bh), Wrap32(p), 0);
  } else {
    const int64_t x = l + (w - bw) / 2, y0 = t + buttonH_ + thumbH_ / 2, c = bar_.Height();
    if (c > 0) {
      if (p > 0) TileBar(target, 1, Rect64(x, y0 + bh - p, bw, p), 0, Wrap32(c - p % c));
      if (bh - p > 0) TileBar(target, 0, Rect64(x, y0, bw, bh - p), 0, Wrap32(c - bh % c));
    }
  }
  DrawThumbAndButtons(target);
}

void TOrvaScrollbar::DrawParts(TCustomDIBX& target) {
  const int64_t l = GetScreenLeft(), t = GetScreenTop(), w = GetWidth(), h = GetHeight();
  const int64_t length = Vertical() ? barH_ : barW_;
  const bool paging = (pressedMode_ == PagingDown || pressedMode_ == PagingUp) && trackHighlight_;
  // While paging, the side being paged is lit up to the thumb's middle.
  const int64_t first = paging ? (Vertical() ? thumbH_ / 2 : thumbW_ / 2) + int64_t{thumbPos_} : length;
  const int firstCell = pressedMode_ == PagingDown && trackHighlight_ ? 1 : 0;
  const int64_t x = Vertical() ? l + (w - barW_) / 2 : l + buttonW_;
  const int64_t y = Vertical() ? t + buttonH_ : t + (h - barH_) / 2;
  if (first > 0)
    TileBar(target, firstCell, Vertical() ? Rect64(x, y, barW_, first) : Rect64(x, y, first, barH_), 0, 0);
  if (length - first > 0) {
    if (Vertical())
      TileBar(target, 1 - firstCell, Rect64(x, y + first, barW_, length - first), 0, Wrap32(first));
    else
      TileBar(target, 1 - firstCell, Rect64(x + first, y, length - first, barH_), Wrap32(first), 0);
  }
  DrawThumbAndButtons(target);
}

// ---- Stored form ----

void TOrvaSlider::SaveToStream(TStream& stream) {
  TOrvaControl::SaveToStream(stream);
  WriteStreamString(stream, source_);
  WriteStreamString(stream, thumbSource_);
  WriteStreamString(stream, buttonSource_);
  for (int32_t v : {min_, max_, value_, smallChange_, alpha_}) WriteStreamInt(stream, v);
  WriteStreamBool(stream, paused_);
  WriteStreamByte(stream, orientation_);
  for (const std::string* s : {&onNotify_, &onHold_, &onRelease_, &onIdle_}) WriteStreamString(stream, *s);
  WriteStreamBool(stream, captureMask_);
  WriteStreamInt(stream, barSize_);
}

void TOrvaSlider::LoadFromStream(TStream& stream, int version) {
  TOrvaControl::LoadFromStream(stream, version);
  SetSource(ReadStreamString(stream));
  SetThumbSource(ReadStreamString(stream));
  SetButtonSource(ReadStreamString(stream));
  for (int32_t* v : {&min_, &max_, &value_, &smallChange_, &alpha_}) *v = ReadStreamInt(stream);
  paused_ = ReadStreamBool(stream);
  orientation_ = ReadStreamByte(stream);
  for (std::string* s : {&onNotify_, &onHold_, &onRelease_, &onIdle_}) ReadStreamString(stream, *s);
  if (version >= 119) captureMask_ = ReadStreamBool(stream);
  if (version >= 128) SetBarSize(ReadStreamInt(stream));
  RecomputeBarSize();
  RecomputeSize();
}

void TOrvaScrollbar::SaveToStream(TStream& stream) {
  TOrvaSlider::SaveToStream(stream);
  WriteStreamInt(stream, largeChange_);
}

void TOrvaScrollbar::LoadFromStream(TStream& stream, int version) {
  // The slider's load recomputes the size, which does not need LARGECHANGE.
  TOrvaSlider::LoadFromStream(stream, version);
  largeChange_ = ReadStreamInt(stream);
}

}  // namespace orva
