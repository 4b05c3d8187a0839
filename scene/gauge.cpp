#include "scene/gauge.h"

#include <algorithm>
#include <cmath>

#include "core/frame_clock.h"
#include "core/stream.h"
#include "graphics/vask_collection.h"
#include "scene/base_list.h"
#include "scene/geometry.h"
#include "scene/image_cache.h"

namespace orva {

namespace {

// n / d (d > 0) rounded to the nearest integer, halves to the even neighbour.
int64_t DivideHalfEven(int64_t n, int64_t d) {
  int64_t q = n / d, r = n % d;
  if (r < 0) {
    --q;
    r += d;
  }
  if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
  return q;
}

// The position truncated toward zero, held inside 32 bits.
int32_t Truncated(double position) {
  return static_cast<int32_t>(std::clamp(std::trunc(position), -2147483648.0, 2147483647.0));
}

}  // namespace

TOrvaGauge::TOrvaGauge(TOrvaBaseList* owner) : TOrvaControl(owner) {}

TOrvaGauge::~TOrvaGauge() { ReleaseImage(); }

void TOrvaGauge::ReleaseImage() {
  if (!image_) return;
  TVaskItem* image = image_;
  image_ = nullptr;
  image->Release(this);
}

void TOrvaGauge::SetSource(std::string_view value) {
  if (value == source_) return;
  source_ = value;
  ReleaseImage();
  barWidth_ = barHeight_ = 0;
  if (!source_.empty())
    if (TOrvaImageCache* cache = GetImageCache()) image_ = &cache->Collection().Acquire(this, source_, false, false);
  Resize();
}

void TOrvaGauge::Resize() {
  barWidth_ = image_ ? image_->Width / 2 : 0;
  barHeight_ = image_ ? image_->Height : 0;
  if (barSize_ > 0) (orientation_ == OT_VERTICAL ? barHeight_ : barWidth_) = barSize_;
  SetWidth(barWidth_);
  SetHeight(barHeight_);
}

void TOrvaGauge::SetOrientation(uint8_t value) {
  if (value == orientation_) return;
  orientation_ = value;
  Resize();
}

void TOrvaGauge::SetBarSize(int32_t value) {
  if (value == barSize_) return;
  barSize_ = value;
  Resize();
}

void TOrvaGauge::SetReverse(bool value) {
  if (value == reverse_) return;
  reverse_ = value;
  Invalidate();
}

void TOrvaGauge::ChangeDrawn(int32_t& field, int32_t value) {
  if (value == field) return;
  field = value;
  Invalidate();
}

void TOrvaGauge::ChangeRange(int32_t& field, int32_t value) {
  if (value == field) return;
  field = value;
  lost_ = 0;
  shown_ = GetValue();
  Invalidate();
}

int32_t TOrvaGauge::GetValue() { return std::max(min_, std::min(max_, value_)); }

void TOrvaGauge::SetValue(int32_t value) {
  if (value == value_) return;
  const int32_t old = GetValue();
  value_ = value;
  const int32_t now = GetValue();
  if (now >= old) {
    lost_ = 0;
    position_ = shown_;
    state_ = Rising;
  } else {
    shown_ = now;
    lost_ = static_cast<int32_t>(std::clamp<int64_t>(int64_t{old} - now, 0, INT32_MAX));
    position_ = double(int64_t{old} - now);
    hold_ = duration_;
    state_ = Falling;
  }
  Invalidate();
}

void TOrvaGauge::EndAnimation() {
  shown_ = GetValue();
  lost_ = 0;
  state_ = Rest;
  Invalidate();
}

bool TOrvaGauge::Idle() {
  const bool result = TOrvaControl::Idle();
  const int64_t range = int64_t{max_} - min_;
  const bool moves = delay_ > 0 && range > 0;
  const double step = moves ? double(range) / delay_ * FrameDelta : 0;
  if (state_ == Falling) {
    if (hold_ > 0) {
      hold_ = WrapSub(hold_, FrameDelta);
      return result;
    }
    if (!moves) {
      EndAnimation();
      return result;
    }
    position_ -= step;
    const int32_t lost = Truncated(position_);
    if (lost != lost_) {
      lost_ = lost;
      Invalidate();
    }
    if (lost_ <= 0) EndAnimation();
  } else if (state_ == Rising) {
    if (!moves) {
      EndAnimation();
      return result;
    }
    position_ += step;
    const int32_t shown = Truncated(position_);
    if (shown != shown_) {
      shown_ = shown;
      Invalidate();
    }
    if (GetValue() <= shown_) EndAnimation();
  }
  return result;
}

void TOrvaGauge::Paint() {
  TCustomDIBX* target = GetTargetSurface();
  const TRect r = GetScreenRect();
  if (target && image_ && image_->GetFrameCount() > 0 && GetWidth() != 0 && GetHeight() != 0 &&
      !IntersectRectOf(r, target->GetClipRect()).IsEmpty()) {
    TVaskItemFrame& frame = image_->GetFrame(0);
    const int32_t cw = image_->Width / 2, ch = image_->Height;
    const int64_t range = int64_t{max_} - min_;
    const bool vertical = orientation_ == OT_VERTICAL;
    const int64_t length = std::max<int64_t>(vertical ? barHeight_ : barWidth_, 0);
    // Both parts stay inside the bar, whatever MIN and the range make of the value.
    int64_t f = range > 0 ? DivideHalfEven(length * shown_, range) : 0;
    int64_t l = range > 0 ? DivideHalfEven(length * lost_, range) : 0;
    f = std::clamp<int64_t>(f, 0, length);
    l = std::clamp<int64_t>(l, 0, length - f);
    const int64_t x = r.Left, y = r.Top;
    const TRect cell0 = WrapBounds(0, 0, cw, ch), cell1 = WrapBounds(cw, 0, cw, ch);
    const auto tile = [&](const TRect& cell, int64_t left, int64_t top, int64_t w, int64_t h, int64_t offX,
                          int64_t offY) {
      if (w <= 0 || h <= 0) return;
      const TRect dest{int32_t(left), int32_t(top), int32_t(left + w), int32_t(top + h)};
      frame.DrawTiled(*target, dest, cell, int(offX), int(offY), !vertical && reverse_, vertical && reverse_, alpha_);
    };
    if (cw >= 1 && ch >= 1 && alpha_ > 0) {
      if (vertical) {
        const int64_t h = length;
        const int64_t off0 = ch - f % ch, off1 = ch - (f + l) % ch;
        if (!reverse_) {
          tile(cell0, x, y + h - f, cw, f, 0, off0);
          tile(cell1, x, y + h - f - l, cw, l, 0, off1);
        } else {
          tile(cell0, x, y, cw, f, 0, off0);
          tile(cell1, x, y + f, cw, l, 0, off1);
        }
      } else {
        const int64_t w = length;
        if (!reverse_) {
          tile(cell0, x, y, f, ch, 0, 0);
          tile(cell1, x + f, y, l, ch, f, 0);
        } else {
          tile(cell0, x + w - f, y, f, ch, 0, 0);
          tile(cell1, x + w - f - l, y, l, ch, f, 0);
        }
      }
    }
  }
  TOrvaControl::Paint();
}

void TOrvaGauge::SaveToStream(TStream& stream) {
  TOrvaControl::SaveToStream(stream);
  WriteStreamString(stream, source_);
  WriteStreamInt(stream, min_);
  WriteStreamInt(stream, max_);
  WriteStreamInt(stream, value_);
  WriteStreamInt(stream, alpha_);
  WriteStreamBool(stream, paused_);
  WriteStreamByte(stream, orientation_);
  WriteStreamInt(stream, delay_);
  WriteStreamInt(stream, duration_);
  WriteStreamBool(stream, reverse_);
  WriteStreamString(stream, onIdle_);
  WriteStreamInt(stream, barSize_);
}

void TOrvaGauge::LoadFromStream(TStream& stream, int version) {
  TOrvaControl::LoadFromStream(stream, version);
  SetSource(ReadStreamString(stream));
  min_ = ReadStreamInt(stream);
  max_ = ReadStreamInt(stream);
  value_ = ReadStreamInt(stream);
  alpha_ = ReadStreamInt(stream);
  paused_ = ReadStreamBool(stream);
  orientation_ = ReadStreamByte(stream);
  delay_ = ReadStreamInt(stream);
  duration_ = ReadStreamInt(stream);
  reverse_ = ReadStreamBool(stream);
  if (version >= 125) ReadStreamString(stream, onIdle_);
  if (version >= 128) SetBarSize(ReadStreamInt(stream));
  shown_ = GetValue();
  lost_ = 0;
  state_ = Rest;
}

}  // namespace orva
