// Scaled drawing of TCustomDIBX: the four stretches and the two zoomed, repeated draws.
// Sampling is nearest neighbour in 16.16 fixed point; positions are kept in 64 bits so that
// no size or scale overflows, and a position outside the source or the mask leaves its
// destination pixel as it was.
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "graphics/custom_dibx.h"
#include "graphics/stretch_samples.h"
#include "graphics/weighted_rows.h"

namespace orva {

using weighted::ChannelMasks;
using weighted::kCopy;
using weighted::kSkip;
using weighted::Weighting;

namespace {

constexpr int64_t kOne = 65536;
// Offsets beyond any surface: clamping to them keeps every product inside 64 bits.
constexpr double kFar = 1099511627776.0;  // 2^40

int64_t Trunc64(double v) { return static_cast<int64_t>(std::clamp(v, -kFar, kFar)); }

// Source columns (or rows) of n destination pixels from position p stepping by step: -1
// where the position lies outside 0 .. limit - 1.
void Positions(int64_t p, int64_t step, int n, int64_t limit, std::vector<int32_t>& out) {
  out.assign(size_t(n), -1);
  for (int i = 0; i < n; ++i, p += step) {
    if (p >= 0 && p < limit * kOne) out[size_t(i)] = static_cast<int32_t>(p / kOne);
    // Once past the source in the direction of the steps, every later position is too.
    else if ((step >= 0 && p >= limit * kOne) || (step < 0 && p < 0)) break;
  }
}

// The smallest width and height of the source and the mask: what may be read.
TRect Readable(TCustomDIBX& source, TCustomDIBX* mask) {
  TRect r = source.GetBoundsRect();
  if (mask) r = {0, 0, std::min(r.Right, mask->GetWidth()), std::min(r.Bottom, mask->GetHeight())};
  return r;
}

bool SameStorage(TCustomDIBX& dst, TCustomDIBX& src, TCustomDIBX* mask) {
  const int bits = dst.GetStorageBitCount();
  return bits >= 8 && src.GetStorageBitCount() == bits && (!mask || mask->GetStorageBitCount() == 8);
}

bool PackedAt(TCustomDIBX& dst) {
  const int bits = dst.GetBitCount();
  return UseMMX && (bits == 15 || bits == 16 || bits == 32);
}

// The weights of one operation on each path.
enum class Kind { Copy, Blend, Add, MaskCopy, MaskBlend, MaskAdd };

void Weigh(Kind kind, uint32_t a, bool keyed, uint32_t key, bool packed, int bits, Weighting& w) {
  w.Add = kind == Kind::Add || kind == Kind::MaskAdd;
  w.Keyed = keyed;
  w.Key = key;
  w.Constant = kind == Kind::Copy ? kCopy : static_cast<uint16_t>(a);
  // The packed 15/16-bit blends and the 32-bit constant blend leave d where s equals it.
  w.SkipSame = packed && (kind == Kind::Blend || (kind == Kind::MaskBlend && bits != 32));
  if (kind != Kind::MaskCopy && kind != Kind::MaskBlend && kind != Kind::MaskAdd) return;
  w.Table[0] = kSkip;
  for (uint32_t m = 1; m < 256; ++m) {
    switch (kind) {
      case Kind::MaskCopy: w.Table[m] = m == 255 ? kCopy : static_cast<uint16_t>(m); break;
      case Kind::MaskBlend:
      case Kind::MaskAdd:
        // The packed 32-bit loops weigh a full mask value with the alpha itself.
        w.Table[m] = static_cast<uint16_t>(packed && bits == 32 && m == 255 ? a : (m * a) >> 8);
        break;
      default: break;
    }
  }
}

// The weights of the path a draw takes. The last ones are kept: sprites drawn one after
// another alike (particles) weigh alike, and a table by mask value costs more than their
// pixels.
const Weighting& WeightsOf(Kind kind, uint32_t a, bool keyed, uint32_t key, bool packed, int bits) {
  struct TInputs {
    Kind kind;
    uint32_t a;
    bool keyed;
    uint32_t key;
    bool packed, wide;
    bool operator==(const TInputs&) const = default;
  };
  thread_local std::optional<TInputs> lastInputs;
  thread_local Weighting last;
  const TInputs inputs{kind, a, keyed, key, packed, bits == 32};
  if (lastInputs != inputs) {
    last = Weighting{};
    Weigh(kind, a, keyed, key, packed, bits, last);
    lastInputs = inputs;
  }
  return last;
}

// Draws the sampled pixels with the weights of both paths.
void Run(TCustomDIBX& dst, const TRect& dr, TCustomDIBX& src, TCustomDIBX* mask, Kind kind, uint32_t a, bool useKey,
         const std::vector<int32_t>& columns, const std::vector<int32_t>& rows) {
  const bool packed = PackedAt(dst);
  const bool keyed = useKey && src.TransparentColor != -1;
  const uint32_t key = static_cast<uint32_t>(src.TransparentColor);
  // One of the two is read: the packed path's or the plain one's, made for that path. A copy:
  // the draw reaches the surfaces, which may draw in turn.
  const Weighting fast = WeightsOf(kind, a, keyed, key, packed, dst.GetBitCount());
  const Weighting& plain = fast;
  const ChannelMasks masks = ChannelMasks::Of(dst);
  // The readable columns, once: every row reads the same ones. Usually they are one run.
  const int32_t n = int32_t(columns.size());
  int32_t first = 0, last = n;
  while (first < n && columns[size_t(first)] < 0) ++first;
  while (last > first && columns[size_t(last - 1)] < 0) --last;
  const bool run = std::all_of(columns.begin() + first, columns.begin() + last, [](int32_t c) { return c >= 0; });
  std::vector<int32_t> at, from;
  if (!run)
    for (int32_t i = 0; i < n; ++i)
      if (columns[size_t(i)] >= 0) at.push_back(i), from.push_back(columns[size_t(i)]);
  const int32_t* column = columns.data();
  weighted::DrawSampled(dst, dr, src, mask, packed, fast, plain, masks, [&](int j, auto&& put) {
    const int32_t r = rows[size_t(j)];
    if (r < 0) return;
    if (run) {
#pragma GCC unroll 4
      for (int32_t i = first; i < last; ++i) put(i, column[i], r);
    } else {
      for (size_t k = 0; k < at.size(); ++k) put(at[k], from[k], r);
    }
  });
}

}  // namespace

bool TCustomDIBX::ClipStretch(const TRect& destRect, const TRect& sourceRect, bool flipH, bool flipV,
                              TStretchClip& out) {
  const TRect c = GetClipRect();
  int64_t left = destRect.Left, top = destRect.Top, right = destRect.Right, bottom = destRect.Bottom;
  const int64_t dw = right - left, dh = bottom - top;
  if (dw <= 0 || dh <= 0) return false;
  int64_t sl = sourceRect.Left, st = sourceRect.Top, sr = sourceRect.Right, sb = sourceRect.Bottom;
  const double sx = static_cast<double>(sr - sl) / static_cast<double>(dw);
  const double sy = static_cast<double>(sb - st) / static_cast<double>(dh);
  double fx = 0, fy = 0;
  if (left < c.Left) {
    const double t = static_cast<double>(c.Left - left) * sx;
    const int64_t whole = Trunc64(t);
    fx = t - std::trunc(t);
    flipH ? sr -= whole : sl += whole;
    left = c.Left;
  }
  if (top < c.Top) {
    const double t = static_cast<double>(c.Top - top) * sy;
    const int64_t whole = Trunc64(t);
    fy = t - std::trunc(t);
    flipV ? sb -= whole : st += whole;
    top = c.Top;
  }
  if (right > c.Right) {
    const int64_t whole = Trunc64(static_cast<double>(c.Right - left) * sx);
    flipH ? sl = sr - whole : sr = sl + whole;
    right = c.Right;
  }
  if (bottom > c.Bottom) {
    const int64_t whole = Trunc64(static_cast<double>(c.Bottom - top) * sy);
    flipV ? st = sb - whole : sb = st + whole;
    bottom = c.Bottom;
  }
  if (!(left < right && top < bottom)) return false;
  out.Dest = {int32_t(left), int32_t(top), int32_t(right), int32_t(bottom)};
  out.SourceLeft = sl, out.SourceTop = st, out.SourceRight = sr, out.SourceBottom = sb;
  out.ScaleX = flipH ? -sx : sx;
  out.ScaleY = flipV ? -sy : sy;
  out.FracX = fx;
  out.FracY = fy;
  return true;
}

bool StretchSamples(TCustomDIBX& dst, const TRect& destRect, const TRect& sourceRect, bool flipH, bool flipV,
                    const TRect& readable, TStretchSamples& out) {
  TCustomDIBX::TStretchClip clip;
  if (!dst.ClipStretch(destRect, sourceRect, flipH, flipV, clip)) return false;
  const int64_t stepX = Trunc64(clip.ScaleX * kOne), stepY = Trunc64(clip.ScaleY * kOne);
  const int64_t fracX = Trunc64(clip.FracX * kOne), fracY = Trunc64(clip.FracY * kOne);
  // Flipped sampling is the exact mirror: a position on a pixel boundary belongs to the
  // pixel on the lower side.
  const int64_t x0 = flipH ? clip.SourceRight * kOne - 1 - fracX : clip.SourceLeft * kOne + fracX;
  const int64_t y0 = flipV ? clip.SourceBottom * kOne - 1 - fracY : clip.SourceTop * kOne + fracY;
  out.Dest = clip.Dest;
  Positions(x0, stepX, clip.Dest.Width(), readable.Right, out.Columns);
  Positions(y0, stepY, clip.Dest.Height(), readable.Bottom, out.Rows);
  // Rows outside the source rectangle as given are left out.
  for (int32_t& r : out.Rows)
    if (r < sourceRect.Top || r >= sourceRect.Bottom) r = -1;
  return true;
}

namespace {

void Stretch(TCustomDIBX& dst, const TRect& destRect, TCustomDIBX& src, const TRect& sourceRect, bool useKey,
             bool flipH, bool flipV, TCustomDIBX* mask, Kind kind, uint32_t alpha) {
  const uint32_t a = std::min<uint32_t>(alpha, 255);
  if (a == 0 || !SameStorage(dst, src, mask)) return;
  if (a == 255 && kind == Kind::Blend) kind = Kind::Copy;
  if (a == 255 && kind == Kind::MaskBlend) kind = Kind::MaskCopy;
  TStretchSamples samples;
  if (!StretchSamples(dst, destRect, sourceRect, flipH, flipV, Readable(src, mask), samples)) return;
  Run(dst, samples.Dest, src, mask, kind, a, useKey, samples.Columns, samples.Rows);
}

// Positions of the zoomed, repeated draw along one axis: wrapping inside the source.
void ZoomPositions(int64_t scroll, int zoom, int64_t size, bool flip, int n, std::vector<int32_t>& out) {
  int64_t step = std::min(Trunc64(256.0 / zoom * kOne), size * kOne);
  if (flip) step = -step;
  const double zoomed = static_cast<double>(size) * zoom / 256;
  const double q = static_cast<double>(scroll) / zoomed;
  double p = (q - std::trunc(q)) * static_cast<double>(size);
  if (scroll < 0) p += static_cast<double>(size);
  if (flip) p = static_cast<double>(size) - p;
  if (p >= static_cast<double>(size)) p -= static_cast<double>(size);
  const int64_t limit = size * kOne;
  int64_t x = std::clamp<int64_t>(Trunc64(p * kOne), 0, limit - 1);
  out.resize(size_t(n));
  for (int i = 0; i < n; ++i) {
    out[size_t(i)] = static_cast<int32_t>(x / kOne);
    x += step;
    if (!flip && x >= limit) x -= limit;
    if (flip && x < 0) x += limit;
  }
}

void Zoom(TCustomDIBX& dst, const TRect& destRect, int zoomX, int zoomY, TCustomDIBX& src, int scrollX, int scrollY,
          bool useKey, bool flipH, bool flipV, TCustomDIBX* mask, uint32_t alpha) {
  Kind kind;
  uint32_t a;
  if (alpha < 255) {
    kind = mask ? Kind::MaskBlend : Kind::Blend, a = alpha;
  } else if (alpha == 255) {
    kind = mask ? Kind::MaskCopy : Kind::Copy, a = 255;
  } else {
    kind = mask ? Kind::MaskAdd : Kind::Add, a = std::min<uint32_t>(alpha - 256, 255);
  }
  if (a == 0 || zoomX < 1 || zoomY < 1 || !SameStorage(dst, src, mask) || src.IsEmpty()) return;
  if (int64_t{destRect.Right} - destRect.Left < 1 || int64_t{destRect.Bottom} - destRect.Top < 1) return;
  int64_t sx = scrollX, sy = scrollY;
  TRect dr = destRect;
  if (!dst.ClipScrolled(dr, sx, sy)) return;
  std::vector<int32_t> columns, rows;
  ZoomPositions(sx, zoomX, src.GetWidth(), flipH, dr.Width(), columns);
  ZoomPositions(sy, zoomY, src.GetHeight(), flipV, dr.Height(), rows);
  if (mask) {
    // A mask smaller than the source is read only where it has pixels.
    for (int32_t& col : columns)
      if (col >= mask->GetWidth()) col = -1;
    for (int32_t& r : rows)
      if (r >= mask->GetHeight()) r = -1;
  }
  Run(dst, dr, src, mask, kind, a, useKey, columns, rows);
}

}  // namespace

void TCustomDIBX::StretchDrawAlpha(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH,
                                   bool flipV, uint32_t alpha) {
  Stretch(*this, dr, source, sr, useKey, flipH, flipV, nullptr, Kind::Blend, alpha);
}

void TCustomDIBX::StretchDrawMaskAlpha(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                                       TCustomDIBX& mask, uint32_t alpha) {
  Stretch(*this, dr, source, sr, false, flipH, flipV, &mask, Kind::MaskBlend, alpha);
}

void TCustomDIBX::StretchDrawAdd(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH,
                                 bool flipV, uint32_t alpha) {
  Stretch(*this, dr, source, sr, useKey, flipH, flipV, nullptr, Kind::Add, alpha);
}

void TCustomDIBX::StretchDrawMaskAdd(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                                     TCustomDIBX& mask, uint32_t alpha) {
  Stretch(*this, dr, source, sr, false, flipH, flipV, &mask, Kind::MaskAdd, alpha);
}

void TCustomDIBX::StretchDrawEx(const TRect& dr, int zoomX, int zoomY, TCustomDIBX& source, int scrollX, int scrollY,
                                bool useKey, bool flipH, bool flipV, uint32_t alpha) {
  Zoom(*this, dr, zoomX, zoomY, source, scrollX, scrollY, useKey, flipH, flipV, nullptr, alpha);
}

void TCustomDIBX::StretchDrawMaskEx(const TRect& dr, int zoomX, int zoomY, TCustomDIBX& source, int scrollX,
                                    int scrollY, bool flipH, bool flipV, TCustomDIBX& mask, uint32_t alpha) {
  Zoom(*this, dr, zoomX, zoomY, source, scrollX, scrollY, false, flipH, flipV, &mask, alpha);
}

}  // namespace orva
