#include "film/wipe_blur.h"

#include <algorithm>

#include "film/wipe_light.h"
#include "film/wipe_step.h"

namespace orva {

namespace {

// A copy of the picture at its own size and depth, blurred in its own pixel layout.
void Blur(TDIBX& blurred, TCustomDIBX& picture, int radius) {
  blurred.SetSize(picture.GetWidth(), picture.GetHeight(), picture.GetBitCount());
  blurred.Assign(picture);
  blurred.Surface().Blur(blurred.GetBitCount(), radius);
}

}  // namespace

void TWipeBlurWhite::MakeBlurs() {
  const int radius = std::min(Dest->GetWidth(), Dest->GetHeight()) / 20;
  Blur(BlurA, *SrcA, radius);
  Blur(BlurB, *SrcB, radius);
  Blurred = true;
}

bool TWipeBlurWhite::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = DrawingExtent(*this);
  if (extent.IsEmpty()) return false;
  if (!Blurred) MakeBlurs();
  const int64_t v = std::max<int64_t>(ScaledProgress(Position, 639, Duration), 0);
  if (v < 256) {
    // The old picture blurs.
    AssignExtent(*this, *SrcA, extent);
    if (v > 0) Dest->DrawAlpha(0, 0, BlurA, BlurA.GetBoundsRect(), false, false, false, int(v));
  } else if (v < 384) {
    // The blurred old picture to full light, the blurred new one back from it.
    const bool fresh = v >= 320;
    AssignExtent(*this, fresh ? BlurB : BlurA, extent);
    FillGrey(*this, extent, (fresh ? 383 - v : v - 256) * 4, Darkens());
  } else {
    // The new picture sharpens.
    AssignExtent(*this, *SrcB, extent);
    Dest->DrawAlpha(0, 0, BlurB, BlurB.GetBoundsRect(), false, false, false, int(639 - v));
  }
  return false;
}

}  // namespace orva
