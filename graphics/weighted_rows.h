#pragma once
// Row mixing for the scaled and rotated drawing operations: the source pixels of a
// destination row are first gathered into a row of their own, each with a weight, and
// the row is then mixed in one pass (packed arithmetic for 15/16 and 32 bits; the plain
// rules through the channel masks for the per-pixel paths).
//
// A weight is 0..255 (blend weight, or strength when adding), kCopy (the source pixel as
// it is) or kSkip (the destination pixel stays). A blend weight of 0 still blends: the
// destination loses one step, as the formula says.

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/rect.h"
#include "graphics/custom_dibx.h"
#include "graphics/packed_pixels.h"
#include "graphics/pixel_rows.h"

namespace orva {

namespace weighted {

constexpr uint16_t kCopy = 256, kSkip = 512;

// Packed rows. skipSame: a blended pixel whose source equals the destination stays.
void MixRow32(uint32_t* d, const uint32_t* s, const uint16_t* w, int n, bool add, bool skipSame);
void MixRow16(const packed::Fields16& f, uint16_t* d, const uint16_t* s, const uint16_t* w, int n, bool add,
              bool skipSame);

// The per-pixel rules through channel masks: each channel
//   blend ((s and M) × w + (d and M) × (255 − w)) shr 8 and M
//   add   min(((s and M) × w shr 8 and M) + (d and M), M)
// and the OR of the channels; kCopy gives s.
struct ChannelMasks {
  uint32_t Mask[4] = {};
  int Count = 0;
  // The surface's red, green and blue masks (the index byte of an 8-bit surface).
  static ChannelMasks Of(TCustomDIBX& surface);
  // The four bytes of a 32-bit pixel.
  static ChannelMasks Bytes32();
};

uint32_t PlainMix(const ChannelMasks& masks, uint32_t d, uint32_t s, uint16_t w, bool add);

// How source pixels are weighted: one weight, or one per mask value; pixels equal to the
// key are skipped.
struct Weighting {
  bool Add = false;
  bool SkipSame = false;  // packed rows only
  bool Keyed = false;
  uint32_t Key = 0;
  uint16_t Constant = kSkip;
  uint16_t Table[256] = {};  // by mask value, with a mask
};

// Holds the locks of a draw and gives them back in reverse order, also on an exception.
class Locks {
 public:
  ~Locks() {
    for (int i = count_ - 1; i >= 0; --i) surfaces_[i]->Unlock();
  }
  uint8_t* Lock(TCustomDIBX& surface, int x, int y) {
    uint8_t* p = surface.Lock(x, y);
    if (p) surfaces_[count_++] = &surface;
    return p;
  }

 private:
  TCustomDIBX* surfaces_[3] = {};
  int count_ = 0;
};

// Draws the clipped destination rectangle dr from sampled source pixels. locate(j, columns,
// rows) gives, for destination row j, the source column and row of each destination column
// (a column of -1: the pixel stays) and returns true when every pixel of the row has the
// row rows[0]. packed: the packed rows with the fast weighting; otherwise pixel by pixel
// through GetPixel and SetPixel with the plain weighting and the plain channel masks. The
// locate step must give only coordinates inside the source and the mask.
template <class Locate>
void DrawSampled(TCustomDIBX& dst, const TRect& dr, TCustomDIBX& src, TCustomDIBX* mask, bool packed,
                 const Weighting& fast, const Weighting& plain, const ChannelMasks& plainMasks, Locate locate) {
  const int n = dr.Width();
  std::vector<int32_t> columns(static_cast<size_t>(n)), rows(static_cast<size_t>(n));
  if (!packed) {
    for (int j = 0; j < dr.Height(); ++j) {
      const bool oneRow = locate(j, columns.data(), rows.data());
      for (int i = 0; i < n; ++i) {
        const int32_t c = columns[size_t(i)], r = oneRow ? rows[0] : rows[size_t(i)];
        if (c < 0) continue;
        const uint32_t s = src.GetPixel(c, r);
        if (plain.Keyed && s == plain.Key) continue;
        const uint16_t w = mask ? plain.Table[mask->GetPixel(c, r) & 0xFF] : plain.Constant;
        if (w == kSkip) continue;
        const int x = dr.Left + i, y = dr.Top + j;
        dst.SetPixel(x, y, PlainMix(plainMasks, dst.GetPixel(x, y), s, w, plain.Add));
      }
    }
    return;
  }
  Locks locks;
  uint8_t* d0 = locks.Lock(dst, dr.Left, dr.Top);
  if (!d0) return;
  const uint8_t* s0 = locks.Lock(src, 0, 0);
  if (!s0) return;
  const uint8_t* m0 = mask ? locks.Lock(*mask, 0, 0) : nullptr;
  if (mask && !m0) return;
  const int64_t dstep = dst.GetRowStep(), sstep = src.GetRowStep(), mstep = mask ? mask->GetRowStep() : 0;
  const bool wide = dst.GetBitCount() == 32;
  const packed::Fields16 fields(dst.GetBitCount() == 16);
  const bool direct = !mask && !fast.Keyed && fast.Constant == kCopy;
  std::vector<uint32_t> source32(wide ? size_t(n) : 0);
  std::vector<uint16_t> source16(wide ? 0 : static_cast<size_t>(n)), weights(static_cast<size_t>(n));
  for (int j = 0; j < dr.Height(); ++j) {
    const bool oneRow = locate(j, columns.data(), rows.data());
    uint8_t* d = d0 + j * dstep;
    for (int i = 0; i < n; ++i) {
      const int32_t c = columns[size_t(i)];
      if (c < 0) {
        weights[size_t(i)] = kSkip;
        continue;
      }
      const int32_t r = oneRow ? rows[0] : rows[size_t(i)];
      const uint8_t* row = s0 + r * sstep;
      uint32_t s;
      if (wide) {
        std::memcpy(&s, row + 4 * size_t(c), 4);
        if (direct) {
          std::memcpy(d + 4 * size_t(i), &s, 4);
          continue;
        }
        source32[size_t(i)] = s;
      } else {
        uint16_t v;
        std::memcpy(&v, row + 2 * size_t(c), 2);
        if (direct) {
          std::memcpy(d + 2 * size_t(i), &v, 2);
          continue;
        }
        source16[size_t(i)] = v;
        s = v;
      }
      uint16_t w = mask ? fast.Table[m0[r * mstep + c]] : fast.Constant;
      if (fast.Keyed && s == fast.Key) w = kSkip;
      weights[size_t(i)] = w;
    }
    if (direct) continue;
    if (wide)
      MixRow32(reinterpret_cast<uint32_t*>(d), source32.data(), weights.data(), n, fast.Add, fast.SkipSame);
    else
      MixRow16(fields, reinterpret_cast<uint16_t*>(d), source16.data(), weights.data(), n, fast.Add, fast.SkipSame);
  }
}

}  // namespace weighted

}  // namespace orva
