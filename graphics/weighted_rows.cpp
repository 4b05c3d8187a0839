#include "graphics/weighted_rows.h"

#include "graphics/custom_dibx.h"

namespace orva::weighted {

namespace {

// The pixels the vector loop left, one by one.
template <class Pixel, class Blend, class Add>
void MixTail(Pixel* d, const Pixel* s, const uint16_t* w, int i, int n, bool add, bool skipSame, Blend blend,
             Add sum) {
  for (; i < n; ++i) {
    const uint16_t wi = w[i];
    if (wi == kSkip) continue;
    if (wi == kCopy)
      d[i] = s[i];
    else if (add)
      d[i] = static_cast<Pixel>(sum(d[i], s[i], wi));
    else if (!skipSame || s[i] != d[i])
      d[i] = static_cast<Pixel>(blend(d[i], s[i], wi));
  }
}

}  // namespace

void MixRow32(uint32_t* d, const uint32_t* s, const uint16_t* w, int n, bool add, bool skipSame) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i copy = _mm_set1_epi16(static_cast<short>(kCopy)), skip = _mm_set1_epi16(static_cast<short>(kSkip));
  const __m128i low = _mm_set1_epi16(0xFF);
  for (; i + 4 <= n; i += 4) {
    const __m128i w16 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(w + i));
    const __m128i skipped = _mm_cmpeq_epi16(w16, skip);
    if ((_mm_movemask_epi8(skipped) & 0xFF) == 0xFF) continue;
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const packed::Weights32 weights(_mm_and_si128(w16, low));
    __m128i keep = packed::Widen32(skipped), v;
    if (add) {
      v = packed::Add32x4(dv, sv, weights);
    } else {
      const __m128i copied = packed::Widen32(_mm_cmpeq_epi16(w16, copy));
      v = packed::Select(copied, sv, packed::Blend32x4(dv, sv, weights));
      if (skipSame) keep = _mm_or_si128(keep, _mm_andnot_si128(copied, _mm_cmpeq_epi32(sv, dv)));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), packed::Select(keep, dv, v));
  }
#endif
  MixTail(d, s, w, i, n, add, skipSame, packed::Blend32, packed::Add32);
}

void MixRow16(const packed::Fields16& f, uint16_t* d, const uint16_t* s, const uint16_t* w, int n, bool add,
              bool skipSame) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i copy = _mm_set1_epi16(static_cast<short>(kCopy)), skip = _mm_set1_epi16(static_cast<short>(kSkip));
  const __m128i low = _mm_set1_epi16(0xFF);
  for (; i + 8 <= n; i += 8) {
    const __m128i w16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + i));
    const __m128i skipped = _mm_cmpeq_epi16(w16, skip);
    if (_mm_movemask_epi8(skipped) == 0xFFFF) continue;
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i weights = _mm_and_si128(w16, low);
    __m128i keep = skipped, v;
    if (add) {
      v = packed::Add16x8(f, dv, sv, weights);
    } else {
      const __m128i copied = _mm_cmpeq_epi16(w16, copy);
      v = packed::Select(copied, sv, packed::Blend16x8(f, dv, sv, weights));
      if (skipSame) keep = _mm_or_si128(keep, _mm_andnot_si128(copied, _mm_cmpeq_epi16(sv, dv)));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), packed::Select(keep, dv, v));
  }
#endif
  MixTail(
      d, s, w, i, n, add, skipSame, [&](uint32_t dv, uint32_t sv, uint32_t wv) { return packed::Blend16(f, dv, sv, wv); },
      [&](uint32_t dv, uint32_t sv, uint32_t wv) { return packed::Add16(f, dv, sv, wv); });
}

ChannelMasks ChannelMasks::Of(TCustomDIBX& surface) {
  ChannelMasks m;
  if (surface.GetBitCount() <= 8) {
    m.Mask[0] = 0xFF;
    m.Count = 1;
  } else {
    m.Mask[0] = surface.GetRedMask(), m.Mask[1] = surface.GetGreenMask(), m.Mask[2] = surface.GetBlueMask();
    m.Count = 3;
  }
  return m;
}

ChannelMasks ChannelMasks::Bytes32() { return {{0xFF, 0xFF00, 0xFF0000, 0xFF000000}, 4}; }

uint32_t PlainMix(const ChannelMasks& masks, uint32_t d, uint32_t s, uint16_t w, bool add) {
  if (w == kCopy) return s;
  if (w == kSkip) return d;
  uint64_t out = 0;
  for (int c = 0; c < masks.Count; ++c) {
    const uint64_t m = masks.Mask[c], sc = s & m, dc = d & m;
    if (add) {
      const uint64_t t = ((sc * w >> 8) & m) + dc;
      out |= t > m ? m : t;
    } else {
      out |= ((sc * w + dc * (255 - w)) >> 8) & m;
    }
  }
  return static_cast<uint32_t>(out);
}

}  // namespace orva::weighted
