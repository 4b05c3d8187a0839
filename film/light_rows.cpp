#include "film/light_rows.h"

#include <algorithm>

#include "graphics/packed_pixels.h"
#include "scene/color_tables.h"

namespace orva {

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

}  // namespace orva
