#include "film/wipe_sudare.h"

#include <algorithm>
#include <cmath>

#include "graphics/custom_dibx.h"

namespace orva {

bool TWipeSweep::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = DrawingExtent(*this);
  if (extent.IsEmpty()) return false;
  const int64_t length = axis_.Length(extent), breadth = axis_.Breadth(extent);
  // A position before the start shows the start.
  const int32_t position = std::max(Position, 0);
  // t runs 0 .. length − 1 over the old picture, then back down over the new one.
  int64_t t = ScaledProgress(position, 2 * length - 1, Duration);
  TCustomDIBX* picture = SrcA;
  if (t >= length) {
    t = 2 * length - 1 - t;
    picture = SrcB;
  }
  // The stretched strip along the axis: its first column and count.
  int64_t first = Reverse ? length - 1 - t : t, count = 1;
  if (rubber_) {
    const double half = std::max(Duration, 1) / 2.0;
    const double k = std::abs(position - half) / half;
    count = std::max<int64_t>(1, RoundSaturated(k * double(Reverse ? t + 1 : t) / 2));
    if (!Reverse) first = std::max<int64_t>(0, t - count);
  }
  const int64_t swept = Reverse ? length - t - 1 : 0;
  Dest->StretchDrawAlpha(axis_.Rect(swept, 0, t + 1, breadth), *picture, axis_.Rect(first, 0, count, breadth), false,
                         false, false, 255);
  if (t + 1 < length) {
    const int64_t rest = Reverse ? 0 : t + 1;
    Dest->Draw(axis_.X(rest, 0), axis_.Y(rest, 0), *picture, axis_.Rect(rest, 0, length - t - 1, breadth), false, false,
               false);
  }
  return false;
}

}  // namespace orva
