// Colour-reduced drawing of TCustomDIBX: a source rendered at an integer oversampling factor
// is drawn one factor × factor block per destination pixel, the block's content turned into
// blend weights (anti-aliased shapes from a monochrome or four-level rendering).
//
// Both paths count the blocks the same way and mix with the same rules; the packed one walks
// locked rows of 15, 16 and 32-bit destinations, the plain one goes pixel by pixel.
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "graphics/custom_dibx.h"
#include "graphics/pixel_rows.h"
#include "graphics/weighted_rows.h"

namespace orva {

using weighted::ChannelMasks;

namespace {

// log2 of a factor that is a power of two up to MaxReduceFactor; -1 for any other.
int FactorShift(int factor) {
  if (factor < 1 || factor > MaxReduceFactor || !std::has_single_bit(static_cast<unsigned>(factor))) return -1;
  return std::countr_zero(static_cast<unsigned>(factor));
}

// The destination rectangle and the source rectangle left after the factor clipping.
struct ReduceArea {
  TRect Dest;
  int64_t SourceLeft, SourceTop, SourceRight, SourceBottom;
};

// sr is cut to the source first. The destination covers sr's size div factor; its clipped
// edges move the source edge by the ratio of the sizes (the far edge under a flip).
bool ClipReduce(TCustomDIBX& dst, TCustomDIBX& src, int x, int y, const TRect& rect, int factor, bool flipH,
                bool flipV, ReduceArea& out) {
  const TRect sr = IntersectRectOf(rect, src.GetBoundsRect());
  if (sr.IsEmpty()) return false;
  int64_t sl = sr.Left, st = sr.Top, srt = sr.Right, sb = sr.Bottom;
  int64_t dl = x, dt = y, drt = dl + (srt - sl) / factor, db = dt + (sb - st) / factor;
  if (drt - dl < 1 || db - dt < 1) return false;
  const int64_t kx = (srt - sl) / (drt - dl), ky = (sb - st) / (db - dt);
  const TRect c = dst.GetClipRect();
  if (dl < c.Left) {
    const int64_t d = (c.Left - dl) * kx;
    flipH ? srt -= d : sl += d;
    dl = c.Left;
  }
  if (dt < c.Top) {
    const int64_t d = (c.Top - dt) * ky;
    flipV ? sb -= d : st += d;
    dt = c.Top;
  }
  if (drt > c.Right) {
    const int64_t d = (c.Right - dl) * kx;
    flipH ? sl = srt - d : srt = sl + d;
    drt = c.Right;
  }
  if (db > c.Bottom) {
    const int64_t d = (c.Bottom - dt) * ky;
    flipV ? st = sb - d : sb = st + d;
    db = c.Bottom;
  }
  if (dl >= drt || dt >= db) return false;
  out = {{int32_t(dl), int32_t(dt), int32_t(drt), int32_t(db)}, sl, st, srt, sb};
  return true;
}

// The first source column (row) of block i: blocks run from the near edge, or from the far
// edge under a flip. Every block is factor wide and lies inside the clipped source.
int64_t BlockStart(int64_t nearEdge, int64_t farEdge, int64_t i, int factor, bool flip) {
  return flip ? farEdge - (i + 1) * factor : nearEdge + i * factor;
}

// Set bits of a 1-bit row among the n columns from x.
uint32_t SetBits(const uint8_t* row, int64_t x, int64_t n) {
  uint32_t count = 0;
  while (n > 0) {
    const int64_t bit = x & 7, take = std::min<int64_t>(8 - bit, n);
    const unsigned mask = ((1u << take) - 1) << (8 - bit - take);
    count += static_cast<uint32_t>(std::popcount(static_cast<unsigned>(row[x >> 3] & mask)));
    x += take;
    n -= take;
  }
  return count;
}

// Walks the destination pixels of the area row by row, through the packed rows or pixel by
// pixel: blocks(j) takes in the blocks of destination row j, then mix(i, d, out) may set the
// new value of the row's pixel i from the old one d.
template <class Blocks, class Mix>
void EachReduced(TCustomDIBX& dst, const ReduceArea& a, Blocks blocks, Mix mix) {
  const TRect& d = a.Dest;
  const int bits = dst.GetBitCount();
  const int n = d.Width();
  if (UseMMX && (bits == 15 || bits == 16 || bits == 32)) {
    uint8_t* row = dst.Lock(d.Left, d.Top);
    if (!row) return;
    const int64_t step = dst.GetRowStep();
    for (int j = 0; j < d.Height(); ++j, row += step) {
      blocks(j);
      if (bits == 32) {
        uint32_t* px = reinterpret_cast<uint32_t*>(row);
        for (int i = 0; i < n; ++i) mix(i, px[i], px[i]);
      } else {
        uint16_t* px = reinterpret_cast<uint16_t*>(row);
        for (int i = 0; i < n; ++i) {
          uint32_t v = px[i];
          mix(i, v, v);
          px[i] = static_cast<uint16_t>(v);
        }
      }
    }
    dst.Unlock();
    return;
  }
  for (int j = 0; j < d.Height(); ++j) {
    blocks(j);
    for (int i = 0; i < n; ++i) {
      const uint32_t old = dst.GetPixel(d.Left + i, d.Top + j);
      uint32_t v = old;
      mix(i, old, v);
      if (v != old) dst.SetPixel(d.Left + i, d.Top + j, v);
    }
  }
}

// Locked source rows by source row number, unlocked at the end.
class SourceRows {
 public:
  explicit SourceRows(TCustomDIBX& src) : src_(src), base_(src.Lock(0, 0)), step_(src.GetRowStep()) {}
  ~SourceRows() {
    if (base_) src_.Unlock();
  }
  SourceRows(const SourceRows&) = delete;
  SourceRows& operator=(const SourceRows&) = delete;
  bool Ok() const { return base_ != nullptr; }
  const uint8_t* Row(int64_t y) const { return base_ + y * step_; }

 private:
  TCustomDIBX& src_;
  const uint8_t* base_;
  int64_t step_;
};

}  // namespace

void TCustomDIBX::DrawColorReduce(int x, int y, TCustomDIBX& source, const TRect& sr, uint32_t pixel, bool flipH,
                                  bool flipV, int alpha, int factor) {
  const int shift = 2 * FactorShift(factor);
  const int bits = GetBitCount();
  if (shift < 0 || alpha < 0 || source.GetStorageBitCount() != 1 || (bits != 15 && bits != 16 && bits != 32)) return;
  ReduceArea a;
  if (!ClipReduce(*this, source, x, y, sr, factor, flipH, flipV, a)) return;
  SourceRows rows(source);
  if (!rows.Ok()) return;
  const uint64_t n = uint64_t{1} << shift;
  const ChannelMasks masks = bits == 32 ? ChannelMasks::Bytes32() : ChannelMasks::Of(*this);
  std::vector<uint32_t> coverage(size_t(a.Dest.Width()));
  auto blocks = [&](int j) {
    // Clear bits of each block of destination row j, F source rows at a time.
    std::fill(coverage.begin(), coverage.end(), 0);
    const int64_t top = BlockStart(a.SourceTop, a.SourceBottom, j, factor, flipV);
    for (int64_t r = top; r < top + factor; ++r) {
      const uint8_t* row = rows.Row(r);
      for (size_t i = 0; i < coverage.size(); ++i)
        coverage[i] += static_cast<uint32_t>(factor) -
                       SetBits(row, BlockStart(a.SourceLeft, a.SourceRight, int64_t(i), factor, flipH), factor);
    }
  };
  auto mix = [&](int i, uint32_t d, uint32_t& out) {
    uint64_t cov = coverage[size_t(i)];
    if (alpha < 255 && cov > 0) cov = (cov * uint64_t(alpha)) >> 8;
    if (cov == 0) return;
    uint64_t v = 0;
    for (int c = 0; c < masks.Count; ++c) {
      const uint64_t m = masks.Mask[c];
      v |= (((pixel & m) * cov + (d & m) * (n - cov)) >> shift) & m;
    }
    out = static_cast<uint32_t>(v);
  };
  EachReduced(*this, a, blocks, mix);
}

void TCustomDIBX::DrawColorReduceEx(int x, int y, TCustomDIBX& source, const TRect& sr,
                                    const std::array<uint32_t, 3>& colours, bool flipH, bool flipV, int alpha,
                                    int factor) {
  const int half = FactorShift(factor);
  const int bits = GetBitCount();
  if (half < 0 || alpha < 0 || source.GetStorageBitCount() != 4 || (bits != 15 && bits != 16 && bits != 32)) return;
  ReduceArea a;
  if (!ClipReduce(*this, source, x, y, sr, factor, flipH, flipV, a)) return;
  SourceRows rows(source);
  if (!rows.Ok()) return;
  alpha = std::min(alpha, 511);
  const int shift = 2 * half + 8;
  const uint64_t n = uint64_t{1} << (2 * half);
  // Blue, green and red: at 32 bits the fourth byte stays.
  const ChannelMasks masks = bits == 32 ? ChannelMasks{{0xFF, 0xFF00, 0xFF0000}, 3} : ChannelMasks::Of(*this);
  const uint32_t kept = bits == 32 ? 0xFF000000u : 0;
  const uint64_t weight = alpha == 255 ? 256 : uint64_t(alpha & 255);
  // counts[i * 4 + k]: pixels of value k in block i.
  std::vector<uint32_t> counts(size_t(a.Dest.Width()) * 4);
  auto blocks = [&](int j) {
    std::fill(counts.begin(), counts.end(), 0);
    const int64_t top = BlockStart(a.SourceTop, a.SourceBottom, j, factor, flipV);
    for (int64_t r = top; r < top + factor; ++r) {
      const uint8_t* row = rows.Row(r);
      for (size_t i = 0; i < counts.size() / 4; ++i) {
        const int64_t left = BlockStart(a.SourceLeft, a.SourceRight, int64_t(i), factor, flipH);
        for (int64_t c = left; c < left + factor; ++c) ++counts[i * 4 + (LoadRowPixel(row, int(c), 4) & 3)];
      }
    }
  };
  auto mix = [&](int i, uint32_t d, uint32_t& out) {
    const uint32_t* c = &counts[size_t(i) * 4];
    if (c[0] >= n) return;
    if (alpha == 255 && c[1] == n) {
      out = colours[0];
      return;
    }
    if (alpha == 255 && c[2] == n) {
      out = colours[1];
      return;
    }
    const uint64_t w1 = c[1] * weight, w2 = c[2] * weight, w3 = c[3] * weight;
    const bool add = alpha > 255;
    const uint64_t w0 = add ? n * 256 : n * 256 - w1 - w2 - w3;
    uint64_t v = d & kept;
    for (int k = 0; k < masks.Count; ++k) {
      const uint64_t m = masks.Mask[k];
      uint64_t sum = (colours[0] & m) * w1 + (colours[1] & m) * w2 + (colours[2] & m) * w3 + (d & m) * w0;
      if (add) sum = std::min(sum, m << shift);
      v |= (sum >> shift) & m;
    }
    out = static_cast<uint32_t>(v);
  };
  EachReduced(*this, a, blocks, mix);
}

}  // namespace orva
