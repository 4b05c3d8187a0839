#include "platform/shown_rows.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orva {

namespace {

uint16_t LoadWord(const uint8_t* in) {
  uint16_t word;
  std::memcpy(&word, in, 2);  // rows are little-endian, as this machine is
  return word;
}

template <bool Is565>
void WidenWords(const uint8_t* in, int count, uint32_t* out) {
  constexpr int redShift = Is565 ? 11 : 10, greenBits = Is565 ? 6 : 5;
  constexpr uint32_t greenMask = (1u << greenBits) - 1;
  int i = 0;
#if defined(__SSE2__)
  // Each field, masked in place (blue moved to the top), times a constant has its widening
  // (f << 3 | f >> 2, or f << 2 | f >> 4 for six bits) as the high half of the product.
  const __m128i redField = _mm_set1_epi16(static_cast<short>(Is565 ? 0xF800 : 0x7C00));
  const __m128i greenField = _mm_set1_epi16(Is565 ? 0x07E0 : 0x03E0);
  const __m128i redScale = _mm_set1_epi16(Is565 ? 264 : 528), greenScale = _mm_set1_epi16(Is565 ? 8320 : 16896);
  const __m128i blueScale = _mm_set1_epi16(264);
  for (; i + 8 <= count; i += 8) {
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i));
    const __m128i r = _mm_mulhi_epu16(_mm_and_si128(w, redField), redScale);
    const __m128i g = _mm_mulhi_epu16(_mm_and_si128(w, greenField), greenScale);
    const __m128i b = _mm_mulhi_epu16(_mm_slli_epi16(w, 11), blueScale);
    const __m128i gb = _mm_or_si128(_mm_slli_epi16(g, 8), b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi16(gb, r));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 4), _mm_unpackhi_epi16(gb, r));
  }
#endif
  for (; i < count; ++i) {
    const uint32_t v = LoadWord(in + 2 * i);
    const uint32_t r = (v >> redShift) & 31, g = (v >> 5) & greenMask, b = v & 31;
    out[i] = (r << 3 | r >> 2) << 16 | (g << (8 - greenBits) | g >> (2 * greenBits - 8)) << 8 | (b << 3 | b >> 2);
  }
}

template <bool Is565>
uint32_t PackWord(uint32_t v) {
  if constexpr (Is565) return ((v >> 8) & 0xF800) | ((v >> 5) & 0x07E0) | ((v >> 3) & 0x001F);
  else return ((v >> 9) & 0x7C00) | ((v >> 6) & 0x03E0) | ((v >> 3) & 0x001F);
}

template <bool Is565>
void PackWords(const uint32_t* in, int count, uint8_t* out) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i red = _mm_set1_epi32(Is565 ? 0xF800 : 0x7C00), green = _mm_set1_epi32(Is565 ? 0x07E0 : 0x03E0),
                blue = _mm_set1_epi32(0x1F);
  const auto four = [&](int at) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at));
    const __m128i p = _mm_or_si128(
        _mm_or_si128(_mm_and_si128(_mm_srli_epi32(v, Is565 ? 8 : 9), red), _mm_and_si128(_mm_srli_epi32(v, Is565 ? 5 : 6), green)),
        _mm_and_si128(_mm_srli_epi32(v, 3), blue));
    // Sign-extended so that the saturating pack keeps all sixteen bits.
    return _mm_srai_epi32(_mm_slli_epi32(p, 16), 16);
  };
  for (; i + 8 <= count; i += 8)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_packs_epi32(four(i), four(i + 4)));
#endif
  for (; i < count; ++i) {
    const uint16_t word = static_cast<uint16_t>(PackWord<Is565>(in[i]));
    std::memcpy(out + 2 * i, &word, 2);
  }
}

}  // namespace

void WidenWordRow(bool is565, const uint8_t* in, int count, uint32_t* out) {
  if (is565) WidenWords<true>(in, count, out);
  else WidenWords<false>(in, count, out);
}

void PackWordRow(TShownLayout layout, const uint32_t* in, int count, uint8_t* out) {
  if (layout == TShownLayout::RGB565) PackWords<true>(in, count, out);
  else PackWords<false>(in, count, out);
}

void ClearTopByteRow(const uint8_t* in, int count, uint32_t* out) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i mask = _mm_set1_epi32(0x00FFFFFF);
  for (; i + 8 <= count; i += 8) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * i + 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_and_si128(a, mask));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 4), _mm_and_si128(b, mask));
  }
#endif
  for (; i < count; ++i) {
    uint32_t v;
    std::memcpy(&v, in + 4 * i, 4);
    out[i] = v & 0xFFFFFF;
  }
}

void ShownRowToXRGB(TShownLayout layout, const uint8_t* in, int count, uint32_t* out) {
  if (layout == TShownLayout::XRGB8888) ClearTopByteRow(in, count, out);
  else WidenWordRow(layout == TShownLayout::RGB565, in, count, out);
}

void XRGBToShownRow(TShownLayout layout, const uint32_t* in, int count, uint8_t* out) {
  if (layout == TShownLayout::XRGB8888) ClearTopByteRow(reinterpret_cast<const uint8_t*>(in), count, reinterpret_cast<uint32_t*>(out));
  else PackWordRow(layout, in, count, out);
}

}  // namespace orva
