#include "film/wipe_mosaic.h"

#include <algorithm>
#include <tuple>

#include "film/wipe_step.h"
#include "film/wipe_tables.h"

namespace orva {

TWipeMosaic::TWipeMosaic(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB) : TCustomWipe(dest, srcA, srcB) {
  static TWipeTableCache<std::tuple<int, int, int>, TDIBX> kept;
  const int w = dest->GetWidth(), h = dest->GetHeight(), bits = dest->GetBitCount();
  Work = kept.GetUnshared(std::tuple{w, h, bits}, [&] {
    auto work = std::make_shared<TDIBX>();
    if (!dest->IsEmpty()) work->SetSize(w, h, bits);
    return work;
  });
}

bool TWipeMosaic::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = DrawingExtent(*this);
  TDIBX& work = *Work;
  if (extent.IsEmpty() || work.GetWidth() < extent.Width || work.GetHeight() < extent.Height ||
      work.GetStorageBitCount() != Dest->GetStorageBitCount())
    return false;
  // A position before the start shows the start.
  const int64_t v = std::max<int64_t>(ScaledProgress(Position, 1023, Duration), 0);
  // The block factor: 263 (blocks of about 4 pixels) at both ends, 24 in the middle.
  const int64_t f = v < 512 ? 263 - (v / 2) * 15 / 16 : ((v - 512) / 2) * 15 / 16 + 24;
  const int32_t bw = int32_t(std::max<int64_t>(1, ((extent.Width >> 2) * f) >> 8));
  const int32_t bh = int32_t(std::max<int64_t>(1, ((extent.Height >> 2) * f) >> 8));
  const TRect reduced{0, 0, bw, bh}, whole{0, 0, extent.Width, extent.Height};
  if (v < 768) work.StretchDrawAlpha(reduced, *SrcA, whole, false, false, false, 255);
  if (v >= 256) {
    // The new picture over the old one from the second stage on; the alpha jumps from 63 to
    // 128 at the coarsest point.
    const int64_t alpha = v >= 768 ? 255 : v < 512 ? (v - 256) / 4 : (v - 256) / 2;
    work.StretchDrawAlpha(reduced, *SrcB, whole, false, false, false, uint32_t(alpha));
  }
  Dest->StretchDrawAlpha(whole, work, reduced, false, false, false, 255);
  return false;
}

}  // namespace orva
