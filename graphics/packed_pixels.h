#pragma once
// The arithmetic of the packed (UseMMX) paths at 15, 16 and 32 bits, on rows. 32-bit pixels
// are four byte lanes (the fourth byte is mixed like the colours); 16-bit pixels three
// fields. SSE2 handles 4 (32-bit) or 8 (16-bit) pixels at a time; the scalar forms give
// the same results and take the tails.
//
// Per lane, with weight w and strength a in 0..255:
//   blend: (s × w + d × (255 − w)) shr 8
//   add:   min(d + (s × a) shr 8, lane maximum)
// For a 16-bit field these equal the in-place field formulas of the plain path.

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orva::packed {

// ---- 32 bits ----

inline uint32_t Blend32(uint32_t d, uint32_t s, uint32_t w) {
  const uint64_t dd = (d & 0x00FF00FFu) | (uint64_t(d & 0xFF00FF00u) << 24);  // four bytes in 16-bit lanes
  const uint64_t ss = (s & 0x00FF00FFu) | (uint64_t(s & 0xFF00FF00u) << 24);
  const uint64_t r = ((ss * w + dd * (255 - w)) >> 8) & 0x00FF00FF00FF00FFull;
  return static_cast<uint32_t>((r & 0x00FF00FF) | ((r >> 24) & 0xFF00FF00));
}

inline uint32_t Add32(uint32_t d, uint32_t s, uint32_t a) {
  uint32_t out = 0;
  for (int k = 0; k < 32; k += 8) {
    const uint32_t t = ((d >> k) & 0xFF) + ((((s >> k) & 0xFF) * a) >> 8);
    out |= (t > 255 ? 255 : t) << k;
  }
  return out;
}

inline uint32_t AddSat32(uint32_t d, uint32_t p) {
  uint32_t out = 0;
  for (int k = 0; k < 32; k += 8) {
    const uint32_t t = ((d >> k) & 0xFF) + ((p >> k) & 0xFF);
    out |= (t > 255 ? 255 : t) << k;
  }
  return out;
}

inline uint32_t SubSat32(uint32_t d, uint32_t p) {
  uint32_t out = 0;
  for (int k = 0; k < 32; k += 8) {
    const int t = int((d >> k) & 0xFF) - int((p >> k) & 0xFF);
    out |= uint32_t(t < 0 ? 0 : t) << k;
  }
  return out;
}

// ---- 16 bits (5-5-5 or 5-6-5) ----

struct Fields16 {
  uint32_t greenShift = 5, greenMax, redShift, redMax;
  explicit Fields16(bool is565) : greenMax(is565 ? 63 : 31), redShift(is565 ? 11 : 10), redMax(31) {}
};

inline uint32_t Blend16(const Fields16& f, uint32_t d, uint32_t s, uint32_t w) {
  const uint32_t v = 255 - w;
  const uint32_t b = ((s & 31) * w + (d & 31) * v) >> 8;
  const uint32_t g = (((s >> 5) & f.greenMax) * w + ((d >> 5) & f.greenMax) * v) >> 8;
  const uint32_t r = (((s >> f.redShift) & 31) * w + ((d >> f.redShift) & 31) * v) >> 8;
  return b | g << 5 | r << f.redShift;
}

inline uint32_t Add16(const Fields16& f, uint32_t d, uint32_t s, uint32_t a) {
  auto lane = [a](uint32_t dv, uint32_t sv, uint32_t max) {
    const uint32_t t = dv + ((sv * a) >> 8);
    return t > max ? max : t;
  };
  return lane(d & 31, s & 31, 31) | lane((d >> 5) & f.greenMax, (s >> 5) & f.greenMax, f.greenMax) << 5 |
         lane((d >> f.redShift) & 31, (s >> f.redShift) & 31, 31) << f.redShift;
}

inline uint32_t AddSat16(const Fields16& f, uint32_t d, uint32_t p) { return Add16(f, d, p, 256); }

inline uint32_t SubSat16(const Fields16& f, uint32_t d, uint32_t p) {
  auto lane = [](uint32_t dv, uint32_t pv) { return dv > pv ? dv - pv : 0; };
  return lane(d & 31, p & 31) | lane((d >> 5) & f.greenMax, (p >> 5) & f.greenMax) << 5 |
         lane((d >> f.redShift) & 31, (p >> f.redShift) & 31) << f.redShift;
}

#if defined(__SSE2__)

// Weights of four 32-bit pixels, given in 16-bit lanes 0..3, spread over their byte lanes:
// lo for pixels 0 and 1, hi for pixels 2 and 3.
struct Weights32 {
  __m128i lo, hi, invLo, invHi;  // w and 255 - w
  explicit Weights32(__m128i w16) {
    const __m128i t = _mm_unpacklo_epi16(w16, w16), full = _mm_set1_epi16(255);
    lo = _mm_unpacklo_epi32(t, t);
    hi = _mm_unpackhi_epi32(t, t);
    invLo = _mm_sub_epi16(full, lo);
    invHi = _mm_sub_epi16(full, hi);
  }
};

// Four 32-bit pixels blended, every byte: (s × w + d × (255 − w)) shr 8.
inline __m128i Blend32x4(__m128i d, __m128i s, const Weights32& w) {
  const __m128i zero = _mm_setzero_si128();
  auto half = [&](__m128i dh, __m128i sh, __m128i wh, __m128i ih) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(sh, wh), _mm_mullo_epi16(dh, ih)), 8);
  };
  const __m128i lo = half(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(s, zero), w.lo, w.invLo);
  const __m128i hi = half(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(s, zero), w.hi, w.invHi);
  return _mm_packus_epi16(lo, hi);
}

// Four 32-bit pixels: d + (s × a) shr 8 per byte, saturating.
inline __m128i Add32x4(__m128i d, __m128i s, const Weights32& a) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), a.lo), 8);
  const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), a.hi), 8);
  return _mm_adds_epu8(d, _mm_packus_epi16(lo, hi));
}

// 16-bit lane flags of pixels 0..3 widened to their 32-bit lanes.
inline __m128i Widen32(__m128i flags16) { return _mm_unpacklo_epi16(flags16, flags16); }

// Eight 16-bit pixels with per-pixel weights (16-bit lanes).
inline __m128i Blend16x8(const Fields16& f, __m128i d, __m128i s, __m128i w) {
  const __m128i v = _mm_sub_epi16(_mm_set1_epi16(255), w);
  const __m128i m5 = _mm_set1_epi16(31), mg = _mm_set1_epi16(static_cast<short>(f.greenMax));
  const __m128i rs = _mm_cvtsi32_si128(static_cast<int>(f.redShift));
  auto mix = [&](__m128i sf, __m128i df) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(sf, w), _mm_mullo_epi16(df, v)), 8);
  };
  const __m128i b = mix(_mm_and_si128(s, m5), _mm_and_si128(d, m5));
  const __m128i g = mix(_mm_and_si128(_mm_srli_epi16(s, 5), mg), _mm_and_si128(_mm_srli_epi16(d, 5), mg));
  const __m128i r = mix(_mm_and_si128(_mm_srl_epi16(s, rs), m5), _mm_and_si128(_mm_srl_epi16(d, rs), m5));
  return _mm_or_si128(_mm_or_si128(b, _mm_slli_epi16(g, 5)), _mm_sll_epi16(r, rs));
}

// Eight 16-bit pixels: per field min(d + (s × a) shr 8, max).
inline __m128i Add16x8(const Fields16& f, __m128i d, __m128i s, __m128i a) {
  const __m128i m5 = _mm_set1_epi16(31), mg = _mm_set1_epi16(static_cast<short>(f.greenMax));
  const __m128i rs = _mm_cvtsi32_si128(static_cast<int>(f.redShift));
  auto add = [&](__m128i sf, __m128i df, __m128i max) {
    return _mm_min_epi16(_mm_add_epi16(df, _mm_srli_epi16(_mm_mullo_epi16(sf, a), 8)), max);
  };
  const __m128i b = add(_mm_and_si128(s, m5), _mm_and_si128(d, m5), m5);
  const __m128i g = add(_mm_and_si128(_mm_srli_epi16(s, 5), mg), _mm_and_si128(_mm_srli_epi16(d, 5), mg), mg);
  const __m128i r = add(_mm_and_si128(_mm_srl_epi16(s, rs), m5), _mm_and_si128(_mm_srl_epi16(d, rs), m5), m5);
  return _mm_or_si128(_mm_or_si128(b, _mm_slli_epi16(g, 5)), _mm_sll_epi16(r, rs));
}

// Keeps d where keep is all ones, else takes v.
inline __m128i Select(__m128i keep, __m128i d, __m128i v) {
  return _mm_or_si128(_mm_and_si128(keep, d), _mm_andnot_si128(keep, v));
}

#endif

}  // namespace orva::packed
