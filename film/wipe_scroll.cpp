#include "film/wipe_scroll.h"

#include <algorithm>

#include "graphics/custom_dibx.h"

namespace orva {

bool TWipeScroll::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = DrawingExtent(*this);
  if (extent.IsEmpty()) return false;
  const int64_t length = axis_.Length(extent);
  // A position before the start shows the start.
  const int64_t s = ScaledProgress(std::max(Position, 0), length, Duration);
  const int64_t old = Reverse ? s : -s, fresh = Reverse ? s - length : length - s;
  const TRect whole{0, 0, extent.Width, extent.Height};
  Dest->Draw(axis_.X(old, 0), axis_.Y(old, 0), *SrcA, whole, false, false, false);
  Dest->Draw(axis_.X(fresh, 0), axis_.Y(fresh, 0), *SrcB, whole, false, false, false);
  return false;
}

}  // namespace orva
