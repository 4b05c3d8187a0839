#include "film/wipe_spot.h"

#include <algorithm>
#include <cmath>

#include "film/light_rows.h"
#include "film/wipe_step.h"
#include "graphics/custom_dibx.h"
#include "graphics/packed_pixels.h"
#include "graphics/pixel_rows.h"
#include "scene/color_tables.h"

namespace orva {

void TWipeSpot::SetReverse(bool value) {
  TCustomWipe::SetReverse(value);
  BuildDistances();
}

void TWipeSpot::BuildDistances() {
  const int w = std::max(Dest->GetWidth(), 0), h = std::max(Dest->GetHeight(), 0);
  const int cx = w / 2, cy = h / 2;
  const int32_t corner = RoundSaturated(std::sqrt(double(cx) * cx + double(cy) * cy));
  SpotLength = corner + 512;
  DistancesWidth = w, DistancesHeight = h;
  Distances.resize(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y) {
    const double dy2 = double(y - cy) * (y - cy);
    int32_t* row = &Distances[size_t(y) * size_t(w)];
    for (int x = 0; x < w; ++x) {
      const int32_t d = RoundSaturated(std::sqrt(double(x - cx) * (x - cx) + dy2));
      row[x] = Reverse ? corner - d : d;
    }
  }
}

namespace {

// The light of one pixel: q is how far the ring's front has passed it. Below 0 the old
// picture, from 512 the new one; between, the old picture lit by q (0 .. 255), then the new
// one lit by 511 − q.
struct TRing {
  int32_t Progress;
  // One row's light (0 outside the ring) and picture.
  void Row(const int32_t* distances, int n, uint16_t* light, uint16_t* fromNew) const {
    for (int x = 0; x < n; ++x) {
      const int32_t q = Progress - distances[x];
      light[x] = static_cast<uint16_t>(q < 0 || q >= 512 ? 0 : q < 256 ? q : 511 - q);
      fromNew[x] = q >= 256 ? 0xFFFF : 0;
    }
  }
};

// Other depths: the grey added to every colour field of the pixel, saturating.
template <int Bits>
void SpotRowFields(const uint32_t (&masks)[3], uint8_t* d, const uint8_t* a, const uint8_t* b, const uint16_t* light,
                   const uint16_t* fromNew, int n) {
  for (int x = 0; x < n; ++x) {
    const uint32_t base = LoadRowPixel(fromNew[x] ? b : a, x, Bits), grey = GreyTable32[light[x]];
    uint32_t out = base;
    for (uint32_t mk : masks) out = (out & ~mk) | std::min<uint32_t>((base & mk) + (grey & mk), mk);
    StoreRowPixel(d, x, Bits, out);
  }
}

}  // namespace

bool TWipeSpot::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = WipeExtent(*this);
  if (extent.IsEmpty()) return false;
  if (DistancesWidth != Dest->GetWidth() || DistancesHeight != Dest->GetHeight()) BuildDistances();
  // Every progress beyond the range shows the same, so it is cut to 32 bits.
  const TRing ring{static_cast<int32_t>(
      std::clamp<int64_t>(ScaledProgress(Position, SpotLength, Duration), -1, int64_t{SpotLength} + 512))};
  TLockedRows d(*Dest), a(*SrcA), b(*SrcB);
  if (!d.Ok() || !a.Ok() || !b.Ok()) return false;
  const int bits = Dest->GetStorageBitCount();
  if (bits < 8) return false;
  const int w = extent.Width;
  std::vector<uint16_t> light(static_cast<size_t>(w)), fromNew(static_cast<size_t>(w));
  const packed::Fields16 fields(Dest->GetBitCount() == 16);
  uint32_t masks[3] = {Dest->GetRedMask(), Dest->GetGreenMask(), Dest->GetBlueMask()};
  if (bits == 8) masks[0] = masks[1] = 0, masks[2] = 0xFF;
  for (int y = 0; y < extent.Height; ++y) {
    ring.Row(&Distances[size_t(y) * size_t(DistancesWidth)], w, light.data(), fromNew.data());
    uint8_t* out = d.Row(y);
    const uint8_t *old = a.Row(y), *fresh = b.Row(y);
    switch (bits) {
      case 32:
        LightRow32(reinterpret_cast<uint32_t*>(out), reinterpret_cast<const uint32_t*>(old),
                   reinterpret_cast<const uint32_t*>(fresh), light.data(), fromNew.data(), w, false);
        break;
      case 16:
        LightRow16(fields, reinterpret_cast<uint16_t*>(out), reinterpret_cast<const uint16_t*>(old),
                   reinterpret_cast<const uint16_t*>(fresh), light.data(), fromNew.data(), w, false);
        break;
      case 24: SpotRowFields<24>(masks, out, old, fresh, light.data(), fromNew.data(), w); break;
      default: SpotRowFields<8>(masks, out, old, fresh, light.data(), fromNew.data(), w); break;
    }
  }
  return false;
}

}  // namespace orva
