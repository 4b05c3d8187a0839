#include "film/wipe_mask.h"

#include <algorithm>
#include <cstring>

#include "film/wipe_step.h"
#include "graphics/packed_pixels.h"
#include "graphics/pixel_rows.h"

namespace orva {

uint8_t MaskRamp(int64_t p, int64_t d, int64_t s) {
  if (d > p) return 0;
  return static_cast<uint8_t>(std::min<int64_t>(255, (p - d) * 255 / std::max<int64_t>(s, 1)));
}

namespace {

// The packed rule, one row: m = 0 the old pixel, 255 the new one, otherwise every byte
// (new × m + old × (255 − m)) shr 8; with a hard edge any m but 0 takes the new pixel.
void PackedRow32(uint32_t* d, const uint32_t* a, const uint32_t* b, const uint8_t* m, int n, bool hardEdge) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255);
  for (; i + 4 <= n; i += 4) {
    uint32_t bytes;
    std::memcpy(&bytes, m + i, 4);
    if (bytes == 0) {
      std::memcpy(d + i, a + i, 16);
      continue;
    }
    if (bytes == 0xFFFFFFFFu) {
      std::memcpy(d + i, b + i, 16);
      continue;
    }
    const __m128i av = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i bv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i m16 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(bytes)), zero);
    const __m128i old = packed::Widen32(_mm_cmpeq_epi16(m16, zero));
    __m128i v = bv;
    if (!hardEdge) {
      v = packed::Blend32x4(av, bv, packed::Weights32(m16));
      v = packed::Select(packed::Widen32(_mm_cmpeq_epi16(m16, full)), bv, v);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), packed::Select(old, av, v));
  }
#endif
  for (; i < n; ++i) d[i] = m[i] == 0 ? a[i] : m[i] == 255 || hardEdge ? b[i] : packed::Blend32(a[i], b[i], m[i]);
}

// At 16 bits the red field is blended one bit further down, so its lowest bit is lost: the
// blend runs with the red field taken as its top four bits, and only the colour fields count.
struct TLowRedFields {
  packed::Fields16 Fields;
  uint16_t Used;
  explicit TLowRedFields(bool is565) : Fields(is565), Used(is565 ? 0xFFFF : 0x7FFF) { ++Fields.redShift; }
};

void PackedRow16(const TLowRedFields& f, uint16_t* d, const uint16_t* a, const uint16_t* b, const uint8_t* m, int n) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255);
  const __m128i used = _mm_set1_epi16(static_cast<short>(f.Used));
  for (; i + 8 <= n; i += 8) {
    uint64_t bytes;
    std::memcpy(&bytes, m + i, 8);
    if (bytes == 0) {
      std::memcpy(d + i, a + i, 16);
      continue;
    }
    if (bytes == ~uint64_t{0}) {
      std::memcpy(d + i, b + i, 16);
      continue;
    }
    const __m128i av = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i bv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i m16 = _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(bytes)), zero);
    __m128i v = packed::Blend16x8(f.Fields, _mm_and_si128(av, used), _mm_and_si128(bv, used), m16);
    v = packed::Select(_mm_cmpeq_epi16(m16, full), bv, v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), packed::Select(_mm_cmpeq_epi16(m16, zero), av, v));
  }
#endif
  for (; i < n; ++i)
    d[i] = m[i] == 0     ? a[i]
           : m[i] == 255 ? b[i]
                         : static_cast<uint16_t>(packed::Blend16(f.Fields, a[i] & f.Used, b[i] & f.Used, m[i]));
}

}  // namespace

TWipeMask::TWipeMask(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB) : TCustomWipe(dest, srcA, srcB) {}

void TWipeMask::SetParam(int index, int32_t value) {
  TCustomWipe::SetParam(index, std::max(value, (index & 1) == 0 ? 2 : 1));
}

int TWipeMask::GetMaskHeight() { return Dest->GetHeight(); }

void TWipeMask::Prepare() {
  if (WipeExtent(*this).IsEmpty()) return;
  Mask.SetSize(Dest->GetWidth(), std::max(GetMaskHeight(), 1), 8);
  Mask.Fill(0);
}

bool TWipeMask::MaskPrepared() { return Mask.GetStorageBitCount() == 8; }

bool TWipeMask::TakeProgress(int64_t progress) {
  if (progress == LastProgress) return false;
  LastProgress = progress;
  return true;
}

bool TWipeMask::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = WipeExtent(*this);
  if (extent.IsEmpty() || !MaskPrepared() || !BuildMask()) return false;
  const int width = std::min(extent.Width, Mask.GetWidth());
  const int bits = Dest->GetStorageBitCount();
  if (UseMMX && (bits == 16 || bits == 32))
    ComposePacked(width, extent.Height);
  else
    ComposePlain(width, extent.Height);
  return false;
}

void TWipeMask::ComposePacked(int width, int height) {
  TLockedRows d(*Dest), b(*SrcB), a(*SrcA), m(Mask);
  if (!d.Ok() || !b.Ok() || !a.Ok() || !m.Ok()) return;
  const int maskHeight = Mask.GetHeight();
  if (Dest->GetStorageBitCount() == 32) {
    for (int y = 0; y < height; ++y)
      PackedRow32(reinterpret_cast<uint32_t*>(d.Row(y)), reinterpret_cast<const uint32_t*>(a.Row(y)),
                  reinterpret_cast<const uint32_t*>(b.Row(y)), m.Row(y % maskHeight), width, HardEdge);
    return;
  }
  const TLowRedFields fields(Dest->GetBitCount() == 16);
  for (int y = 0; y < height; ++y)
    PackedRow16(fields, reinterpret_cast<uint16_t*>(d.Row(y)), reinterpret_cast<const uint16_t*>(a.Row(y)),
                reinterpret_cast<const uint16_t*>(b.Row(y)), m.Row(y % maskHeight), width);
}

namespace {

// The plain rule over rows of one stored depth.
template <int Bits>
void PlainRows(const uint32_t (&masks)[3], TLockedRows& d, TLockedRows& a, TLockedRows& b, TLockedRows& m,
               int maskHeight, int width, int height) {
  for (int y = 0; y < height; ++y) {
    uint8_t* dr = d.Row(y);
    const uint8_t *ar = a.Row(y), *br = b.Row(y), *mr = m.Row(y % maskHeight);
    for (int x = 0; x < width; ++x) {
      const uint32_t w = mr[x];
      uint32_t out = LoadRowPixel(w == 255 ? br : ar, x, Bits);
      if (w != 0 && w != 255) {
        const uint32_t av = out, bv = LoadRowPixel(br, x, Bits);
        out = 0;
        for (uint32_t mk : masks)
          out |= static_cast<uint32_t>(((uint64_t(bv & mk) * w + uint64_t(av & mk) * (255 - w)) >> 8) & mk);
      }
      StoreRowPixel(dr, x, Bits, out);
    }
  }
}

}  // namespace

void TWipeMask::ComposePlain(int width, int height) {
  // The rule of Assign (SrcA) followed by DrawMask (SrcB through the mask repeated downwards).
  const int bits = Dest->GetStorageBitCount();
  uint32_t masks[3] = {Dest->GetRedMask(), Dest->GetGreenMask(), Dest->GetBlueMask()};
  if (bits == 8) masks[0] = masks[1] = 0, masks[2] = 0xFF;
  Dest->AddClipRect(Dest->GetBoundsRect());
  TLockedRows d(*Dest), b(*SrcB), a(*SrcA), m(Mask);
  if (!d.Ok() || !b.Ok() || !a.Ok() || !m.Ok()) return;
  const int maskHeight = Mask.GetHeight();
  switch (bits) {
    case 8: PlainRows<8>(masks, d, a, b, m, maskHeight, width, height); break;
    case 16: PlainRows<16>(masks, d, a, b, m, maskHeight, width, height); break;
    case 24: PlainRows<24>(masks, d, a, b, m, maskHeight, width, height); break;
    case 32: PlainRows<32>(masks, d, a, b, m, maskHeight, width, height); break;
    default: break;  // below 8 bits nothing is drawn
  }
}

}  // namespace orva
