#include "film/wipe_shadow.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "film/mask_images.h"
#include "film/mask_shapes.h"
#include "film/wipe_step.h"
#include "graphics/dib.h"
#include "graphics/packed_pixels.h"
#include "scene/color_tables.h"

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

// The grey added to (taken from) the lit picture with unsigned saturation of every byte.
void LightRow32(uint32_t* d, const uint32_t* a, const uint32_t* b, const uint16_t* light, const uint16_t* fromNew,
                int n, bool darkens) {
  int i = 0;
#if defined(__SSE2__)
  for (; i + 4 <= n; i += 4) {
    auto g = [&](int k) { return static_cast<int>(GreyTable32[light[i + k]]); };
    const __m128i grey = _mm_set_epi32(g(3), g(2), g(1), g(0));
    const __m128i lit = packed::Widen32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(fromNew + i)));
    const __m128i base = packed::Select(lit, _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)),
                                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), darkens ? _mm_subs_epu8(base, grey) : _mm_adds_epu8(base, grey));
  }
#endif
  for (; i < n; ++i) {
    const uint32_t base = fromNew[i] ? b[i] : a[i], grey = GreyTable32[light[i]];
    d[i] = darkens ? packed::SubSat32(base, grey) : packed::AddSat32(base, grey);
  }
}

// The same per colour field of the surface's masks.
void LightRowFields32(const uint32_t (&masks)[3], uint32_t* d, const uint32_t* a, const uint32_t* b,
                      const uint16_t* light, const uint16_t* fromNew, int n, bool darkens) {
  for (int i = 0; i < n; ++i) {
    const uint32_t base = fromNew[i] ? b[i] : a[i], grey = GreyTable32[light[i]];
    uint32_t out = 0;
    for (uint32_t mk : masks) {
      const uint64_t bv = base & mk, gv = grey & mk;
      out |= static_cast<uint32_t>(darkens ? (bv > gv ? bv - gv : 0) : std::min<uint64_t>(bv + gv, mk));
    }
    d[i] = out;
  }
}

// Per field of a 16-bit pixel, saturating.
void LightRow16(const packed::Fields16& f, uint16_t* d, const uint16_t* a, const uint16_t* b, const uint16_t* light,
                const uint16_t* fromNew, int n, bool darkens) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i m5 = _mm_set1_epi16(31), mg = _mm_set1_epi16(static_cast<short>(f.greenMax));
  const __m128i rs = _mm_cvtsi32_si128(static_cast<int>(f.redShift));
  auto field = [&](__m128i base, __m128i grey, __m128i max) {
    return darkens ? _mm_subs_epu16(base, grey) : _mm_min_epi16(_mm_add_epi16(base, grey), max);
  };
  for (; i + 8 <= n; i += 8) {
    auto g = [&](int k) { return static_cast<short>(GreyTable16[light[i + k]]); };
    const __m128i grey = _mm_set_epi16(g(7), g(6), g(5), g(4), g(3), g(2), g(1), g(0));
    const __m128i lit = _mm_loadu_si128(reinterpret_cast<const __m128i*>(fromNew + i));
    const __m128i base = packed::Select(lit, _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)),
                                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)));
    const __m128i blue = field(_mm_and_si128(base, m5), _mm_and_si128(grey, m5), m5);
    const __m128i green = field(_mm_and_si128(_mm_srli_epi16(base, 5), mg), _mm_and_si128(_mm_srli_epi16(grey, 5), mg), mg);
    const __m128i red = field(_mm_and_si128(_mm_srl_epi16(base, rs), m5), _mm_and_si128(_mm_srl_epi16(grey, rs), m5), m5);
    const __m128i out = _mm_or_si128(_mm_or_si128(blue, _mm_slli_epi16(green, 5)), _mm_sll_epi16(red, rs));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), out);
  }
#endif
  for (; i < n; ++i) {
    const uint32_t base = fromNew[i] ? b[i] : a[i], grey = GreyTable16[light[i]];
    d[i] = static_cast<uint16_t>(darkens ? packed::SubSat16(f, base, grey) : packed::AddSat16(f, base, grey));
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
