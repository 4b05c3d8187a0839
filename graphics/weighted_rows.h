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

// Draws the clipped destination rectangle dr from sampled source pixels. visit(j, put)
// calls put(i, c, r) for each destination column i of destination row j whose source
// position (c, r) lies inside the source and the mask; the other pixels stay. packed: the
// packed rows with the fast weighting; otherwise pixel by pixel through GetPixel and
// SetPixel with the plain weighting and the plain channel masks.
template <class Visit>
void DrawSampled(TCustomDIBX& dst, const TRect& dr, TCustomDIBX& src, TCustomDIBX* mask, bool packed,
                 const Weighting& fast, const Weighting& plain, const ChannelMasks& plainMasks, Visit visit) {
  const int n = dr.Width();
  if (!packed) {
    for (int j = 0; j < dr.Height(); ++j)
      visit(j, [&](int i, int32_t c, int32_t r) {
        const uint32_t s = src.GetPixel(c, r);
        if (plain.Keyed && s == plain.Key) return;
        const uint16_t w = mask ? plain.Table[mask->GetPixel(c, r) & 0xFF] : plain.Constant;
        if (w == kSkip) return;
        const int x = dr.Left + i, y = dr.Top + j;
        dst.SetPixel(x, y, PlainMix(plainMasks, dst.GetPixel(x, y), s, w, plain.Add));
      });
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
  const packed::Fields16 fields(dst.GetBitCount() == 16);
  // A plain copy goes straight into the destination row.
  const bool direct = !mask && !fast.Keyed && fast.Constant == kCopy;
  auto rows = [&](auto pixel) {
    using Pixel = decltype(pixel);
    std::vector<Pixel> source(direct ? 0 : static_cast<size_t>(n));
    std::vector<uint16_t> weights(direct ? 0 : static_cast<size_t>(n));
    for (int j = 0; j < dr.Height(); ++j) {
      Pixel* d = reinterpret_cast<Pixel*>(d0 + j * dstep);
      if (direct) {
        visit(j, [&](int i, int32_t c, int32_t r) {
          d[i] = reinterpret_cast<const Pixel*>(s0 + r * sstep)[c];
        });
        continue;
      }
      std::fill(weights.begin(), weights.end(), kSkip);
      visit(j, [&](int i, int32_t c, int32_t r) {
        const Pixel s = reinterpret_cast<const Pixel*>(s0 + r * sstep)[c];
        uint16_t w = mask ? fast.Table[m0[r * mstep + c]] : fast.Constant;
        if (fast.Keyed && s == fast.Key) w = kSkip;
        source[size_t(i)] = s;
        weights[size_t(i)] = w;
      });
      if constexpr (sizeof(Pixel) == 4)
        MixRow32(d, source.data(), weights.data(), n, fast.Add, fast.SkipSame);
      else
        MixRow16(fields, d, source.data(), weights.data(), n, fast.Add, fast.SkipSame);
    }
  };
  if (dst.GetBitCount() == 32)
    rows(uint32_t{});
  else
    rows(uint16_t{});
}

}  // namespace weighted

}  // namespace orva
