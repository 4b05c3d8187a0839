// Indexed drawing of TCustomDIBX: the pixels of an index surface looked up in a table of raw
// pixel values and copied, blended or added. Each destination row is first gathered into a
// row of source pixels with a weight each, then mixed by the packed rows (15, 16 and 32
// bits) or pixel by pixel through the channel masks.
#include <algorithm>
#include <array>
#include <vector>

#include "graphics/custom_dibx.h"
#include "graphics/pixel_rows.h"
#include "graphics/stretch_samples.h"
#include "graphics/weighted_rows.h"

namespace orva {

using weighted::ChannelMasks;
using weighted::kCopy;
using weighted::kSkip;

namespace {

bool PackedDepth(int bits) { return bits == 15 || bits == 16 || bits == 32; }

// Gathers and mixes destination rows. pick(index, d, s, w) gives the source pixel s and the
// weight w (kSkip keeps d) of one destination pixel d from its source index. visit(j, put)
// calls put(i, index) for the destination pixels of row j that read an index.
template <class Visit, class Pick>
void MixIndexed(TCustomDIBX& dst, const TRect& dr, bool packed, bool add, Visit visit, Pick pick) {
  const int bits = dst.GetBitCount(), n = dr.Width();
  std::vector<uint32_t> source32;
  std::vector<uint16_t> source16;
  std::vector<uint16_t> weights(static_cast<size_t>(n));
  if (packed) {
    uint8_t* row = dst.Lock(dr.Left, dr.Top);
    if (!row) return;
    const int64_t step = dst.GetRowStep();
    const packed::Fields16 fields(bits == 16);
    if (bits == 32)
      source32.assign(size_t(n), 0);
    else
      source16.assign(size_t(n), 0);
    for (int j = 0; j < dr.Height(); ++j, row += step) {
      std::fill(weights.begin(), weights.end(), kSkip);
      if (bits == 32) {
        uint32_t* d = reinterpret_cast<uint32_t*>(row);
        visit(j, [&](int i, uint32_t index) { pick(index, d[i], source32[size_t(i)], weights[size_t(i)]); });
        weighted::MixRow32(d, source32.data(), weights.data(), n, add, false);
      } else {
        uint16_t* d = reinterpret_cast<uint16_t*>(row);
        visit(j, [&](int i, uint32_t index) {
          uint32_t s = 0;
          pick(index, d[i], s, weights[size_t(i)]);
          source16[size_t(i)] = static_cast<uint16_t>(s);
        });
        weighted::MixRow16(fields, d, source16.data(), weights.data(), n, add, false);
      }
    }
    dst.Unlock();
    return;
  }
  const ChannelMasks masks = bits == 32 ? ChannelMasks::Bytes32() : ChannelMasks::Of(dst);
  for (int j = 0; j < dr.Height(); ++j)
    visit(j, [&](int i, uint32_t index) {
      const int x = dr.Left + i, y = dr.Top + j;
      const uint32_t d = dst.GetPixel(x, y);
      uint32_t s = 0;
      uint16_t w = kSkip;
      pick(index, d, s, w);
      if (w != kSkip) dst.SetPixel(x, y, weighted::PlainMix(masks, d, s, w, add));
    });
}

// The packed path of the indexed adds: the table scaled by the strength once, with 0 below
// the threshold, so that every pixel is one saturating addition of its entry. visit as for
// MixIndexed.
template <class Visit>
void AddIndexed(TCustomDIBX& dst, const TRect& dr, TIndexTable table, int threshold, uint32_t strength, Visit visit) {
  const int bits = dst.GetBitCount(), n = dr.Width();
  const packed::Fields16 fields(bits == 16);
  std::array<uint32_t, 256> entries{};
  for (int v = std::max(threshold, 0); v < 256; ++v) {
    const uint32_t p = table[static_cast<uint8_t>(v)];
    entries[size_t(v)] = bits == 32 ? packed::Add32(0, p, strength) : packed::Add16(fields, 0, p & 0xFFFF, strength);
  }
  uint8_t* row = dst.Lock(dr.Left, dr.Top);
  if (!row) return;
  const int64_t step = dst.GetRowStep();
  auto rows = [&](auto pixel) {
    using Pixel = decltype(pixel);
    std::vector<Pixel> add(size_t(n), 0);
    for (int j = 0; j < dr.Height(); ++j, row += step) {
      Pixel* d = reinterpret_cast<Pixel*>(row);
      std::fill(add.begin(), add.end(), Pixel{0});
      visit(j, [&](int i, uint32_t index) { add[size_t(i)] = static_cast<Pixel>(entries[index]); });
      int i = 0;
      if constexpr (sizeof(Pixel) == 4) {
#if defined(__SSE2__)
        for (; i + 4 <= n; i += 4) {
          __m128i* at = reinterpret_cast<__m128i*>(d + i);
          _mm_storeu_si128(at, _mm_adds_epu8(_mm_loadu_si128(at),
                                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(add.data() + i))));
        }
#endif
        for (; i < n; ++i) d[i] = packed::AddSat32(d[i], add[size_t(i)]);
      } else {
#if defined(__SSE2__)
        const __m128i whole = _mm_set1_epi16(256);
        for (; i + 8 <= n; i += 8) {
          __m128i* at = reinterpret_cast<__m128i*>(d + i);
          _mm_storeu_si128(at, packed::Add16x8(fields, _mm_loadu_si128(at),
                                               _mm_loadu_si128(reinterpret_cast<const __m128i*>(add.data() + i)), whole));
        }
#endif
        for (; i < n; ++i) d[i] = static_cast<uint16_t>(packed::AddSat16(fields, d[i], add[size_t(i)]));
      }
    }
  };
  if (bits == 32)
    rows(uint32_t{});
  else
    rows(uint16_t{});
  dst.Unlock();
}

// The unscaled indexed draws: clipped like Draw (the source rectangle cut to the source
// first), rows and columns walked from the far edges under the flips. draw(dr, visit) with
// visit as for MixIndexed.
template <int SourceBits, class Draw>
void IndexRows(TCustomDIBX& dst, int x, int y, TCustomDIBX& src, const TRect& rect, bool flipH, bool flipV,
               Draw draw) {
  if (src.GetStorageBitCount() != SourceBits) return;
  // ClipBlit reads only the destination's left and top.
  TRect dr{x, y, x, y}, sr = rect;
  if (!dst.ClipBlit(dr, sr, flipH, flipV, &src)) return;
  const uint8_t* base = src.Lock(0, 0);
  if (!base) return;
  const int64_t step = src.GetRowStep();
  draw(dr, [&](int j, auto&& put) {
    const uint8_t* row = base + (flipV ? sr.Bottom - 1 - j : sr.Top + j) * step;
    if (flipH)
      for (int i = 0; i < dr.Width(); ++i) put(i, LoadRowPixel(row, sr.Right - 1 - i, SourceBits));
    else
      for (int i = 0; i < dr.Width(); ++i) put(i, LoadRowPixel(row, sr.Left + i, SourceBits));
  });
  src.Unlock();
}

}  // namespace

void TCustomDIBX::DrawIndexed(int x, int y, TCustomDIBX& source, const TRect& sr, int, bool flipH, bool flipV,
                              int alpha, const std::array<uint32_t, 16>& table) {
  const int bits = GetBitCount();
  if (alpha <= 0 || !PackedDepth(bits)) return;
  // 32-bit destinations have only the packed path.
  if (bits == 32 && !UseMMX) return;
  alpha = std::min(alpha, 511);
  const uint32_t width = bits == 32 ? 0xFFFFFFFFu : 0xFFFFu;
  const int32_t key = source.TransparentColor;
  const bool add = alpha > 255;
  const uint16_t weight = alpha == 255 ? kCopy : static_cast<uint16_t>(add ? alpha - 256 : alpha);
  IndexRows<4>(*this, x, y, source, sr, flipH, flipV, [&](const TRect& dr, auto visit) {
    MixIndexed(*this, dr, UseMMX, add, visit, [&](uint32_t index, uint32_t d, uint32_t& s, uint16_t& w) {
      if (int32_t(index) == key) return;
      s = table[index] & width;
      if (add) {
        // Nothing to add, or a destination that is white already.
        if (s == 0 || (bits == 32 ? d >= 0x00FFFFFFu : d == 0xFFFFu)) return;
      } else if (weight != kCopy && d == s) {
        return;
      }
      w = weight;
    });
  });
}

void TCustomDIBX::DrawIndexedAdd(int x, int y, TCustomDIBX& source, const TRect& sr, int threshold, bool flipH,
                                 bool flipV, int alpha, TIndexTable table) {
  const int bits = GetBitCount();
  if (alpha <= 0 || bits < 8) return;
  const uint16_t weight = static_cast<uint16_t>(std::min(alpha, 255));
  const uint32_t width = bits == 15 || bits == 16 ? 0xFFFFu : 0xFFFFFFFFu;
  IndexRows<8>(*this, x, y, source, sr, flipH, flipV, [&](const TRect& dr, auto visit) {
    if (UseMMX && PackedDepth(bits)) {
      AddIndexed(*this, dr, table, threshold, weight, visit);
      return;
    }
    MixIndexed(*this, dr, false, true, visit, [&](uint32_t index, uint32_t, uint32_t& s, uint16_t& w) {
      if (int64_t(index) < threshold) return;
      s = table[static_cast<uint8_t>(index)] & width;
      w = weight;
    });
  });
}

void TCustomDIBX::StretchDrawIndexed(const TRect& dr, TCustomDIBX& source, const TRect& sr, int threshold, bool flipH,
                                     bool flipV, int alpha, TIndexTable table) {
  const int bits = GetBitCount();
  // There is only the packed path.
  if (alpha <= 0 || !UseMMX || !PackedDepth(bits) || source.GetStorageBitCount() != 8) return;
  TStretchSamples samples;
  if (!StretchSamples(*this, dr, sr, flipH, flipV, source.GetBoundsRect(), samples)) return;
  const uint8_t* base = source.Lock(0, 0);
  if (!base) return;
  const int64_t step = source.GetRowStep();
  AddIndexed(*this, samples.Dest, table, threshold, static_cast<uint32_t>(std::min(alpha, 255)),
             [&](int j, auto&& put) {
               const int32_t r = samples.Rows[size_t(j)];
               if (r < 0) return;
               const uint8_t* row = base + r * step;
               for (size_t i = 0; i < samples.Columns.size(); ++i)
                 if (const int32_t c = samples.Columns[i]; c >= 0) put(int(i), row[c]);
             });
  source.Unlock();
}

}  // namespace orva
