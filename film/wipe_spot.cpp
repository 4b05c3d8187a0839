#include "film/wipe_spot.h"

#include <algorithm>
#include <cmath>

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
  bool FromNew(int32_t d) const { return Progress - d >= 256; }
  // The light 0 .. 255, or -1 outside the ring.
  int32_t Light(int32_t d) const {
    const int32_t q = Progress - d;
    return q < 0 || q >= 512 ? -1 : q < 256 ? q : 511 - q;
  }
};

// The grey added to every colour field of the pixel, saturating; the other bits stay.
template <int Bits>
uint32_t Lit(uint32_t base, uint32_t light, const packed::Fields16& f, uint32_t used16, const uint32_t (&masks)[3]) {
  if constexpr (Bits == 32) {
    return packed::AddSat32(base, GreyTable32[light]);
  } else if constexpr (Bits == 16) {
    return packed::AddSat16(f, base, GreyTable16[light]) | (base & ~used16);
  } else {
    const uint32_t grey = GreyTable32[light];
    uint32_t out = base;
    for (uint32_t mk : masks) out = (out & ~mk) | std::min<uint32_t>((base & mk) + (grey & mk), mk);
    return out;
  }
}

template <int Bits>
void SpotRows(const TRing& ring, const std::vector<int32_t>& distances, int stride, TLockedRows& d, TLockedRows& a,
              TLockedRows& b, int width, int height, TCustomDIBX& dest) {
  const packed::Fields16 fields(dest.GetBitCount() == 16);
  const uint32_t used16 = dest.GetBitCount() == 16 ? 0xFFFF : 0x7FFF;
  uint32_t masks[3] = {dest.GetRedMask(), dest.GetGreenMask(), dest.GetBlueMask()};
  if (Bits == 8) masks[0] = masks[1] = 0, masks[2] = 0xFF;
  for (int y = 0; y < height; ++y) {
    const int32_t* dist = &distances[size_t(y) * size_t(stride)];
    uint8_t* out = d.Row(y);
    const uint8_t *old = a.Row(y), *fresh = b.Row(y);
    for (int x = 0; x < width; ++x) {
      const int32_t light = ring.Light(dist[x]);
      const uint32_t base = LoadRowPixel(ring.FromNew(dist[x]) ? fresh : old, x, Bits);
      StoreRowPixel(out, x, Bits, light < 0 ? base : Lit<Bits>(base, uint32_t(light), fields, used16, masks));
    }
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
  const int w = extent.Width, h = extent.Height;
  switch (Dest->GetStorageBitCount()) {
    case 8: SpotRows<8>(ring, Distances, DistancesWidth, d, a, b, w, h, *Dest); break;
    case 16: SpotRows<16>(ring, Distances, DistancesWidth, d, a, b, w, h, *Dest); break;
    case 24: SpotRows<24>(ring, Distances, DistancesWidth, d, a, b, w, h, *Dest); break;
    case 32: SpotRows<32>(ring, Distances, DistancesWidth, d, a, b, w, h, *Dest); break;
    default: break;  // below 8 bits nothing is drawn
  }
  return false;
}

}  // namespace orva
