#include "film/wipe_light.h"

#include <algorithm>

#include "graphics/custom_dibx.h"

namespace orva {

void FillGrey(TCustomWipe& wipe, const TWipeExtent& extent, int64_t grey, bool darkens) {
  if (grey <= 0) return;
  const int32_t v = static_cast<int32_t>(std::min<int64_t>(grey, 255));
  const uint32_t pixel = wipe.Dest->ColorToPixel(v << 16 | v << 8 | v);
  const TRect all{0, 0, extent.Width, extent.Height};
  if (darkens)
    wipe.Dest->FillRectSub(all, pixel);
  else
    wipe.Dest->FillRectAdd(all, pixel);
}

bool TWipeWhite::Step() {
  const int64_t v = ScaledProgress(Position, 511, Duration);
  if (WipeFinished(*this) || v >= 511) return true;
  const TWipeExtent extent = DrawingExtent(*this);
  if (extent.IsEmpty()) return false;
  // Up to full light on the old picture, then back down on the new one.
  const bool fresh = v >= 256;
  AssignExtent(*this, fresh ? *SrcB : *SrcA, extent);
  FillGrey(*this, extent, fresh ? 511 - v : v, Darkens());
  return false;
}

bool TWipeFlash::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = DrawingExtent(*this);
  if (extent.IsEmpty()) return false;
  AssignExtent(*this, *SrcB, extent);
  FillGrey(*this, extent, 255 - ScaledProgress(Position, 255, Duration), false);
  return false;
}

}  // namespace orva
