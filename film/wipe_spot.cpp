#include "film/wipe_spot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <tuple>

#include "film/light_rows.h"
#include "film/wipe_step.h"
#include "film/wipe_tables.h"
#include "graphics/custom_dibx.h"
#include "graphics/packed_pixels.h"
#include "graphics/pixel_rows.h"
#include "scene/color_tables.h"

namespace orva {

int32_t TSpotDistances::At(int x, int y) const {
  return Quarter[size_t(std::abs(y - Height / 2)) * size_t(QuarterWidth) + size_t(std::abs(x - Width / 2))];
}

void TSpotDistances::Row(int y, int32_t* out) const {
  const int cx = Width / 2;
  const int32_t* quarter = &Quarter[size_t(std::abs(y - Height / 2)) * size_t(QuarterWidth)];
  std::reverse_copy(quarter + 1, quarter + cx + 1, out);
  std::copy_n(quarter, size_t(Width - cx), out + cx);
}

namespace {

std::shared_ptr<TSpotDistances> BuildDistances(int w, int h, bool reverse) {
  auto table = std::make_shared<TSpotDistances>();
  const int cx = w / 2, cy = h / 2;
  const int32_t corner = RoundSaturated(std::sqrt(double(cx) * cx + double(cy) * cy));
  table->Width = w, table->Height = h, table->Reverse = reverse;
  table->SpotLength = corner + 512;
  table->QuarterWidth = std::max(cx, w - 1 - cx) + 1;
  const int rows = std::max(cy, h - 1 - cy) + 1;
  table->Quarter.resize(size_t(table->QuarterWidth) * size_t(rows));
  for (int dy = 0; dy < rows; ++dy) {
    int32_t* row = &table->Quarter[size_t(dy) * size_t(table->QuarterWidth)];
    const double dy2 = double(dy) * dy;
    for (int dx = 0; dx < table->QuarterWidth; ++dx) {
      const int32_t d = RoundSaturated(std::sqrt(double(dx) * dx + dy2));
      row[dx] = reverse ? corner - d : d;
    }
  }
  return table;
}

TWipeTableCache<std::tuple<int, int, bool>, TSpotDistances>& Cache() {
  static TWipeTableCache<std::tuple<int, int, bool>, TSpotDistances> cache;
  return cache;
}

}  // namespace

void TWipeSpot::SetReverse(bool value) {
  TCustomWipe::SetReverse(value);
  TakeDistances();
}

void TWipeSpot::TakeDistances() {
  const int w = std::max(Dest->GetWidth(), 0), h = std::max(Dest->GetHeight(), 0);
  Table = Cache().Get(std::tuple{w, h, Reverse}, [&] { return BuildDistances(w, h, Reverse); });
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
  if (!Table || Table->Width != Dest->GetWidth() || Table->Height != Dest->GetHeight()) TakeDistances();
  const int32_t spotLength = Table->SpotLength;
  // Every progress beyond the range shows the same, so it is cut to 32 bits.
  const TRing ring{static_cast<int32_t>(
      std::clamp<int64_t>(ScaledProgress(Position, spotLength, Duration), -1, int64_t{spotLength} + 512))};
  TLockedRows d(*Dest), a(*SrcA), b(*SrcB);
  if (!d.Ok() || !a.Ok() || !b.Ok()) return false;
  const int bits = Dest->GetStorageBitCount();
  if (bits < 8) return false;
  const int w = extent.Width;
  std::vector<uint16_t> light(static_cast<size_t>(w)), fromNew(static_cast<size_t>(w));
  const packed::Fields16 fields(Dest->GetBitCount() == 16);
  uint32_t masks[3] = {Dest->GetRedMask(), Dest->GetGreenMask(), Dest->GetBlueMask()};
  if (bits == 8) masks[0] = masks[1] = 0, masks[2] = 0xFF;
  std::vector<int32_t> distances(size_t(Table->Width));
  for (int y = 0; y < extent.Height; ++y) {
    Table->Row(y, distances.data());
    ring.Row(distances.data(), w, light.data(), fromNew.data());
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
