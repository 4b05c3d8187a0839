// Rotated drawing of TCustomDIBX: inverse mapping of every destination pixel of the rotated
// picture's bounds into the source in 16.16 fixed point, two additions per pixel.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "graphics/custom_dibx.h"
#include "graphics/weighted_rows.h"

namespace orva {

using weighted::ChannelMasks;
using weighted::kCopy;
using weighted::kSkip;
using weighted::Weighting;

namespace {

int32_t SaturatedTrunc(double v) {
  return static_cast<int32_t>(std::clamp(std::trunc(v), double(INT32_MIN), double(INT32_MAX)));
}

// Bounds of the four corners of a w × h picture turned about (px, py) onto (x, y).
TRect Corners(int x, int y, double px, double py, int angle, int64_t w, int64_t h, double sx, double sy) {
  const double a = angle * 2.0 * std::numbers::pi / 256, cosA = std::cos(a), sinA = std::sin(a);
  const double width = static_cast<double>(w) * sx, height = static_cast<double>(h) * sy;
  const double pu = px * sx, pv = py * sy;
  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  for (double u : {-pu, width - pu - 1})
    for (double v : {-pv, height - pv - 1}) {
      const double cx = u * cosA - v * sinA + x, cy = u * sinA + v * cosA + y;
      minX = std::min(minX, cx), maxX = std::max(maxX, cx);
      minY = std::min(minY, cy), maxY = std::max(maxY, cy);
    }
  return {SaturatedTrunc(minX), SaturatedTrunc(minY), SaturatedTrunc(maxX + 1), SaturatedTrunc(maxY + 1)};
}

void Rotate(TCustomDIBX& dst, int x, int y, int zoomX, int zoomY, TCustomDIBX& src, const TRect& sr, int pivotX,
            int pivotY, int angle, bool useKey, bool flipH, bool flipV, TCustomDIBX* mask, uint32_t alpha) {
  if (alpha == 0 || zoomX < 1 || zoomY < 1) return;
  const int bits = dst.GetStorageBitCount();
  if (bits < 8 || src.GetStorageBitCount() != bits || (mask && mask->GetStorageBitCount() != 8)) return;
  const double sx = zoomX / 256.0, sy = zoomY / 256.0;
  const double a = angle * 2.0 * std::numbers::pi / 256;
  // Source change per destination column (i00, i01) and per destination row (i10, i11).
  const int32_t i00 = SaturatedTrunc(std::cos(a) / sx * 65536), i10 = SaturatedTrunc(std::sin(a) / sx * 65536);
  const int32_t i01 = SaturatedTrunc(-std::sin(a) / sy * 65536), i11 = SaturatedTrunc(std::cos(a) / sy * 65536);
  TRect b = Corners(x, y, pivotX, pivotY, angle, int64_t{sr.Right} - sr.Left, int64_t{sr.Bottom} - sr.Top, sx, sy);
  const TRect clip = dst.GetClipRect();
  if (!RectsOverlap(b, clip)) return;
  // 32-bit positions that wrap, from the bounds' top-left, then past the rows and columns
  // outside the clip.
  auto wrap = [](int64_t v) { return static_cast<uint32_t>(v); };
  uint32_t u = wrap(int64_t{pivotX} * 65536) + wrap((int64_t{b.Left} - x) * i00) + wrap((int64_t{b.Top} - y) * i10);
  uint32_t v = wrap(int64_t{pivotY} * 65536) + wrap((int64_t{b.Left} - x) * i01) + wrap((int64_t{b.Top} - y) * i11);
  if (b.Top < clip.Top) {
    const int64_t k = int64_t{clip.Top} - b.Top;
    u += wrap(k * i10), v += wrap(k * i11);
  }
  if (b.Left < clip.Left) {
    const int64_t k = int64_t{clip.Left} - b.Left;
    u += wrap(k * i00), v += wrap(k * i01);
  }
  b = IntersectRectOf(b, clip);

  // What may be read: the source rectangle inside the source and the mask.
  TRect readable = IntersectRectOf(sr, src.GetBoundsRect());
  if (mask) readable = IntersectRectOf(readable, mask->GetBoundsRect());
  const int32_t right = sr.Right - 1, bottom = sr.Bottom - 1;
  auto visit = [&](int j, auto&& put) {
    uint32_t pu = u + wrap(int64_t{j} * i10), pv = v + wrap(int64_t{j} * i11);
    for (int i = 0; i < b.Width(); ++i, pu += uint32_t(i00), pv += uint32_t(i01)) {
      if (static_cast<int32_t>(pu) < 0 || static_cast<int32_t>(pv) < 0) continue;
      int64_t c = pu >> 16, r = pv >> 16;
      if (flipH) c = int64_t{right} - c;
      if (flipV) r = int64_t{bottom} - r;
      if (c < readable.Left || c >= readable.Right || r < readable.Top || r >= readable.Bottom) continue;
      put(i, static_cast<int32_t>(c), static_cast<int32_t>(r));
    }
  };

  // Weights: the key, 255 a copy, below a blend, above an addition; through a mask the mask
  // value scaled by alpha and 255 (the packed 32-bit rows weigh 255 with it unscaled).
  const int depth = dst.GetBitCount();
  // Every path gives the same pictures but for that weight, so the packed rows serve all
  // of them and only the 32-bit rows without flips weigh a full mask value unscaled.
  const bool noFlips = !flipH && !flipV;
  const bool packed = UseMMX && (depth == 15 || depth == 16 || depth == 32);
  Weighting fast, plain;
  for (Weighting* w : {&fast, &plain}) {
    w->Keyed = useKey && src.TransparentColor != -1;
    w->Key = static_cast<uint32_t>(src.TransparentColor);
    w->Add = alpha > 255;
    if (!mask) {
      w->Constant = alpha == 255 ? kCopy : static_cast<uint16_t>(alpha < 255 ? alpha : std::min<uint32_t>(alpha - 256, 255));
      continue;
    }
    const uint32_t scale = alpha & 255;
    w->Table[0] = kSkip;
    for (uint32_t m = 1; m < 256; ++m)
      w->Table[m] = static_cast<uint16_t>(scale == 255 ? m : (m * scale) >> 8);
  }
  if (mask && depth == 32 && noFlips) fast.Table[255] = static_cast<uint16_t>(alpha & 255);
  const ChannelMasks masks = depth == 32 ? ChannelMasks::Bytes32() : ChannelMasks::Of(dst);
  weighted::DrawSampled(dst, b, src, mask, packed, fast, plain, masks, visit);
}

}  // namespace

TRect CalcRotatedBounds(int x, int y, int pivotX, int pivotY, int angle, const TRect& sr, int zoomX, int zoomY,
                        int width, int height, bool flipH, bool flipV) {
  const double px = flipH ? double(width) - 1 - pivotX : pivotX, py = flipV ? double(height) - 1 - pivotY : pivotY;
  return Corners(x, y, px, py, angle, int64_t{sr.Right} - sr.Left, int64_t{sr.Bottom} - sr.Top, zoomX / 256.0,
                 zoomY / 256.0);
}

void TCustomDIBX::DrawRotate(int x, int y, int zoomX, int zoomY, TCustomDIBX& source, const TRect& sr, int pivotX,
                             int pivotY, int angle, bool useKey, bool flipH, bool flipV, uint32_t alpha) {
  Rotate(*this, x, y, zoomX, zoomY, source, sr, pivotX, pivotY, angle, useKey, flipH, flipV, nullptr, alpha);
}

void TCustomDIBX::DrawRotateMask(int x, int y, int zoomX, int zoomY, TCustomDIBX& source, const TRect& sr,
                                 int pivotX, int pivotY, int angle, bool flipH, bool flipV, TCustomDIBX& mask,
                                 uint32_t alpha) {
  Rotate(*this, x, y, zoomX, zoomY, source, sr, pivotX, pivotY, angle, false, flipH, flipV, &mask, alpha);
}

}  // namespace orva
