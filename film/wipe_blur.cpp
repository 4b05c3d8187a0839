#include "film/wipe_blur.h"

#include <algorithm>
#include <utility>

#include "film/wipe_light.h"
#include "film/wipe_step.h"
#include "film/wipe_tables.h"

namespace orva {

namespace {

// A copy of the picture at its own size and depth.
void CopyPicture(TDIBX& copy, TCustomDIBX& picture) {
  copy.SetSize(picture.GetWidth(), picture.GetHeight(), picture.GetBitCount());
  copy.Assign(picture);
}

}  // namespace

void TWipeBlurWhite::Copy() {
  static TWipeTableCache<std::pair<int, int>, TCopies> kept;
  const int w = Dest->GetWidth(), h = Dest->GetHeight();
  radius_ = std::min(w, h) / 20;
  Copies = kept.GetUnshared(std::pair{w, h}, [] { return std::make_shared<TCopies>(); });
  CopyPicture(Copies->BlurA, *SrcA);
  CopyPicture(Copies->BlurB, *SrcB);
}

// Blurred in its own pixel layout.
void TWipeBlurWhite::BlurCopy(int which) {
  if (Blurred[size_t(which)]) return;
  TDIBX& copy = which == 0 ? Copies->BlurA : Copies->BlurB;
  copy.Surface().Blur(copy.GetBitCount(), radius_);
  Blurred[size_t(which)] = true;
}

bool TWipeBlurWhite::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = DrawingExtent(*this);
  if (extent.IsEmpty()) return false;
  if (!Copies) Copy();
  TDIBX &blurA = Copies->BlurA, &blurB = Copies->BlurB;
  const int64_t v = std::max<int64_t>(ScaledProgress(Position, 639, Duration), 0);
  const std::array<bool, 2> before = Blurred;
  if (v > 0 && v < 320) BlurCopy(0);
  if (v >= 320) BlurCopy(1);
  // A step that blurs nothing for itself blurs the next copy, ahead of its use.
  if (Blurred == before) BlurCopy(Blurred[0] ? 1 : 0);
  if (v < 256) {
    // The old picture blurs.
    AssignExtent(*this, *SrcA, extent);
    if (v > 0) Dest->DrawAlpha(0, 0, blurA, blurA.GetBoundsRect(), false, false, false, int(v));
  } else if (v < 384) {
    // The blurred old picture to full light, the blurred new one back from it.
    const bool fresh = v >= 320;
    AssignExtent(*this, fresh ? blurB : blurA, extent);
    FillGrey(*this, extent, (fresh ? 383 - v : v - 256) * 4, Darkens());
  } else {
    // The new picture sharpens.
    AssignExtent(*this, *SrcB, extent);
    Dest->DrawAlpha(0, 0, blurB, blurB.GetBoundsRect(), false, false, false, int(639 - v));
  }
  return false;
}

}  // namespace orva
