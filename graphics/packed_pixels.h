#pragma once
// The arithmetic of the packed (UseMMX) paths at 15, 16 and 32 bits, on rows. 32-bit pixels
// are four byte lanes (the fourth byte is mixed like the colours); 16-bit pixels three
// fields. SSE2 handles 4 (32-bit) or 8 (16-bit) pixels at a time; the scalar forms give
// the same results and take the tails. AVX2 doubles the width where the processor has it;
// those functions carry their own target, so the rest of the program stays SSE2.
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
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ORVA_PACKED_AVX2 1
#define ORVA_AVX2 __attribute__((target("avx2")))
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

#if defined(ORVA_PACKED_AVX2)
// Without unpacking: the even bytes of a 32-bit pixel are taken in place and multiplied low,
// the odd ones taken in the high byte and multiplied high against a weight shifted up by 8,
// which gives the whole product; a 16-bit pixel's fields of source and destination sit as
// byte pairs that one multiply-add weighs.

// The weights of eight 32-bit pixels, w and 255 − w, in both 16-bit lanes of each pixel,
// plain and shifted up by 8.
struct Weights32x8 {
  __m256i w, u, w8, u8;
  ORVA_AVX2 static Weights32x8 Constant(uint32_t w) {
    return {_mm256_set1_epi16(static_cast<short>(w)), _mm256_set1_epi16(static_cast<short>(255 - w)),
            _mm256_set1_epi16(static_cast<short>(w << 8)), _mm256_set1_epi16(static_cast<short>((255 - w) << 8))};
  }
  // One weight (0..255) per pixel, in its 32-bit lane.
  ORVA_AVX2 static Weights32x8 PerPixel(__m256i w32) {
    const __m256i w8 = _mm256_mullo_epi32(w32, _mm256_set1_epi32(0x01000100));
    const __m256i u8 = _mm256_xor_si256(w8, _mm256_set1_epi32(static_cast<int>(0xFF00FF00u)));
    return {_mm256_srli_epi16(w8, 8), _mm256_srli_epi16(u8, 8), w8, u8};
  }
};

// Eight 32-bit pixels blended, every byte: (s × w + d × (255 − w)) shr 8.
ORVA_AVX2 inline __m256i Blend32x8(__m256i d, __m256i s, const Weights32x8& w) {
  const __m256i even = _mm256_set1_epi16(0x00FF), odd = _mm256_set1_epi16(static_cast<short>(0xFF00));
  const __m256i e = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(s, even), w.w),
                                     _mm256_mullo_epi16(_mm256_and_si256(d, even), w.u));
  const __m256i o = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(s, odd), w.w8),
                                     _mm256_mulhi_epu16(_mm256_and_si256(d, odd), w.u8));
  return _mm256_blendv_epi8(_mm256_srli_epi16(e, 8), o, odd);
}

// Eight 32-bit pixels: d + (s × a) shr 8 per byte, saturating.
ORVA_AVX2 inline __m256i Add32x8(__m256i d, __m256i s, const Weights32x8& a) {
  const __m256i even = _mm256_set1_epi16(0x00FF), odd = _mm256_set1_epi16(static_cast<short>(0xFF00));
  const __m256i e = _mm256_mulhi_epu16(_mm256_and_si256(s, even), a.w8);
  const __m256i o = _mm256_mulhi_epu16(_mm256_and_si256(s, odd), a.w8);
  return _mm256_adds_epu8(d, _mm256_blendv_epi8(e, o, odd));
}

// Weights of sixteen 16-bit pixels as byte pairs: w for the source, 255 − w for the
// destination. w is 0..255 in 16-bit lanes.
ORVA_AVX2 inline __m256i WeightPairs16(__m256i w) {
  return _mm256_xor_si256(_mm256_mullo_epi16(w, _mm256_set1_epi16(0x0101)), _mm256_set1_epi16(static_cast<short>(0xFF00)));
}

// Sixteen 16-bit pixels blended with the weight pairs wu.
template <bool is565>
ORVA_AVX2 inline __m256i Blend16x16(__m256i d, __m256i s, __m256i wu) {
  const __m256i high = _mm256_set1_epi16(static_cast<short>(0xFF00)), five = _mm256_set1_epi16(0x1F1F);
  const __m256i b = _mm256_maddubs_epi16(wu, _mm256_and_si256(_mm256_blendv_epi8(s, _mm256_slli_epi16(d, 8), high), five));
  const __m256i g = _mm256_maddubs_epi16(
      wu, _mm256_and_si256(_mm256_blendv_epi8(_mm256_srli_epi16(s, 5), _mm256_slli_epi16(d, 3), high),
                           _mm256_set1_epi16(is565 ? 0x3F3F : 0x1F1F)));
  __m256i r;
  if constexpr (is565)
    r = _mm256_maddubs_epi16(wu, _mm256_blendv_epi8(_mm256_srli_epi16(s, 11), _mm256_srli_epi16(d, 3), high));
  else
    r = _mm256_maddubs_epi16(
        wu, _mm256_and_si256(_mm256_blendv_epi8(_mm256_srli_epi16(s, 10), _mm256_srli_epi16(d, 2), high), five));
  return _mm256_or_si256(_mm256_or_si256(_mm256_srli_epi16(b, 8), _mm256_slli_epi16(_mm256_srli_epi16(g, 8), 5)),
                         _mm256_slli_epi16(_mm256_srli_epi16(r, 8), is565 ? 11 : 10));
}

// Sixteen 16-bit pixels: per field min(d + (s × a) shr 8, max), a is 0..255 in 16-bit lanes.
template <bool is565>
ORVA_AVX2 inline __m256i Add16x16(__m256i d, __m256i s, __m256i a) {
  const __m256i five = _mm256_set1_epi16(31), gmax = _mm256_set1_epi16(is565 ? 63 : 31);
  const __m256i a8 = _mm256_slli_epi16(a, 8);
  const __m256i tb = _mm256_mulhi_epu16(_mm256_and_si256(s, five), a8);
  const __m256i tg = _mm256_mulhi_epu16(_mm256_and_si256(s, _mm256_set1_epi16(is565 ? 0x7E0 : 0x3E0)), _mm256_slli_epi16(a, 3));
  const __m256i sr = is565 ? _mm256_srli_epi16(s, 11) : _mm256_and_si256(_mm256_srli_epi16(s, 10), five);
  const __m256i dr = is565 ? _mm256_srli_epi16(d, 11) : _mm256_and_si256(_mm256_srli_epi16(d, 10), five);
  const __m256i b = _mm256_min_epi16(_mm256_add_epi16(_mm256_and_si256(d, five), tb), five);
  const __m256i g = _mm256_min_epi16(_mm256_add_epi16(_mm256_and_si256(_mm256_srli_epi16(d, 5), gmax), tg), gmax);
  const __m256i r = _mm256_min_epi16(_mm256_add_epi16(dr, _mm256_mulhi_epu16(sr, a8)), five);
  return _mm256_or_si256(_mm256_or_si256(b, _mm256_slli_epi16(g, 5)), _mm256_slli_epi16(r, is565 ? 11 : 10));
}

// Keeps d where keep is all ones, else takes v.
ORVA_AVX2 inline __m256i Select(__m256i keep, __m256i d, __m256i v) { return _mm256_blendv_epi8(v, d, keep); }

#endif

}  // namespace orva::packed
