#include "film/wipe_shadow.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "film/light_rows.h"
#include "film/mask_images.h"
#include "film/mask_shapes.h"
#include "film/wipe_step.h"
#include "graphics/dib.h"
#include "graphics/packed_pixels.h"

namespace orva {

namespace {

// The ramps of both families at t + level: the mask value 0 .. 255 of the fade, and the light
// 0 .. 511 of the flare (up to 255 on the old picture, back down from 256 on the new one).
// Levels lie in -255 .. 0, so t − 256 is cut to a range that changes no result.
int32_t RampShift(int64_t t) { return static_cast<int32_t>(std::clamp<int64_t>(t - 256, -1024, 1024)); }

// The light of one row: the grey level applied (0 .. 255) and whether it lights the new picture
// (all ones) or the old one (0).
void RowLight(const int32_t* level, int n, int32_t shift, uint16_t* light, uint16_t* fromNew) {
  for (int x = 0; x < n; ++x) {
    int32_t k = (level ? level[x] : 0) + shift;
    k = k < 0 ? 0 : k > 511 ? 511 : k;
    const bool lit = k > 255;
    light[x] = static_cast<uint16_t>(lit ? 511 - k : k);
    fromNew[x] = lit ? 0xFFFF : 0;
  }
}

// The levels of the named mask image over width × height; 0 until it is read.
void LoadLevels(std::vector<int32_t>& levels, int width, int height, TMaskImages* images, std::string_view name,
                bool inverted) {
  TileMaskLevels(levels, width, height, nullptr, false);
  std::unique_ptr<TDIB> picture = images ? images->FirstFrame(name) : nullptr;
  TileMaskLevels(levels, width, height, picture.get(), inverted);
}

}  // namespace

// ==== Mask fade ====

void TWipeShadow::Prepare() {
  TWipeMask::Prepare();
  Levels.clear();
  if (!MaskPrepared()) return;
  LoadLevels(Levels, Mask.GetWidth(), Mask.GetHeight(), images_, MaskName, Reverse);
}

bool TWipeShadow::BuildMask() {
  const int64_t t = ScaledProgress(Position, 512, Duration) + 255;
  if (!TakeProgress(t)) return false;
  HardEdge = false;
  TMaskRows rows(Mask);
  const bool levelled = Levels.size() == size_t(rows.Width()) * size_t(rows.Height());
  const int32_t shift = RampShift(t);
  for (int y = 0; y < rows.Height(); ++y) {
    uint8_t* row = rows.Row(y);
    if (!levelled) {
      std::memset(row, std::clamp(shift, 0, 255), size_t(rows.Width()));
      continue;
    }
    const int32_t* level = &Levels[size_t(y) * rows.Width()];
    int x = 0;
#if defined(__SSE2__)
    // Packing with saturation cuts to 0 .. 255.
    const __m128i by = _mm_set1_epi32(shift);
    auto four = [&](int at) {
      return _mm_add_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(level + at)), by);
    };
    for (; x + 16 <= rows.Width(); x += 16) {
      const __m128i lo = _mm_packs_epi32(four(x), four(x + 4)), hi = _mm_packs_epi32(four(x + 8), four(x + 12));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; x < rows.Width(); ++x) row[x] = static_cast<uint8_t>(std::clamp(level[x] + shift, 0, 255));
  }
  return true;
}

// ==== Through white and through black ====

void TWipeShadowWhite::Prepare() {
  Levels.clear();
  LevelsWidth = LevelsHeight = 0;
  if (WipeExtent(*this).IsEmpty()) return;
  LevelsWidth = Dest->GetWidth();
  LevelsHeight = Dest->GetHeight();
  LoadLevels(Levels, LevelsWidth, LevelsHeight, images_, MaskName, Reverse);
}

bool TWipeShadowWhite::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = WipeExtent(*this);
  const int bits = Dest->GetStorageBitCount();
  if (extent.IsEmpty() || (bits != 16 && bits != 32)) return false;
  Dest->AddClipRect(Dest->GetBoundsRect());
  TLockedRows d(*Dest), a(*SrcA), b(*SrcB);
  if (!d.Ok() || !a.Ok() || !b.Ok()) return false;
  const int32_t shift = RampShift(ScaledProgress(Position, 768, Duration) + 255);
  const bool darkens = Darkens();
  const bool levelled = Levels.size() == size_t(LevelsWidth) * size_t(LevelsHeight);
  const int width = std::min(extent.Width, levelled ? LevelsWidth : extent.Width);
  const int height = std::min(extent.Height, levelled ? LevelsHeight : extent.Height);
  std::vector<uint16_t> light(static_cast<size_t>(width)), fromNew(static_cast<size_t>(width));
  const uint32_t masks[3] = {Dest->GetRedMask(), Dest->GetGreenMask(), Dest->GetBlueMask()};
  const packed::Fields16 fields(Dest->GetBitCount() == 16);
  for (int y = 0; y < height; ++y) {
    if (levelled || y == 0) RowLight(levelled ? &Levels[size_t(y) * LevelsWidth] : nullptr, width, shift, light.data(), fromNew.data());
    if (bits == 32) {
      uint32_t* dr = reinterpret_cast<uint32_t*>(d.Row(y));
      const uint32_t* ar = reinterpret_cast<const uint32_t*>(a.Row(y));
      const uint32_t* br = reinterpret_cast<const uint32_t*>(b.Row(y));
      if (UseMMX)
        LightRow32(dr, ar, br, light.data(), fromNew.data(), width, darkens);
      else
        LightRowFields32(masks, dr, ar, br, light.data(), fromNew.data(), width, darkens);
    } else {
      LightRow16(fields, reinterpret_cast<uint16_t*>(d.Row(y)), reinterpret_cast<const uint16_t*>(a.Row(y)),
                 reinterpret_cast<const uint16_t*>(b.Row(y)), light.data(), fromNew.data(), width, darkens);
    }
  }
  return false;
}

}  // namespace orva
