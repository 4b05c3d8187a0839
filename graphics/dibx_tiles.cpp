// Tiled drawing of TCustomDIBX: every copy is an ordinary draw of this surface, so a
// decorating surface sees each piece. Copies wholly outside the clip draw nothing and are
// stepped over; a row or column of copies that cannot advance ends.
#include <algorithm>
#include <climits>
#include <cmath>

#include "graphics/custom_dibx.h"

namespace orva {

namespace {

// Clips the surface to clip ∩ dr while a tiled draw runs; nothing to draw when empty.
class TileClip {
 public:
  TileClip(TCustomDIBX& surface, const TRect& dr) : surface_(surface), saved_(surface.ClipRect) {
    const TRect clip = surface.GetClipRect();
    if (RectsOverlap(clip, dr)) {
      visible_ = IntersectRectOf(clip, dr);
      surface.SetClipRect(visible_);
    }
  }
  ~TileClip() { surface_.ClipRect = saved_; }
  TileClip(const TileClip&) = delete;
  TileClip& operator=(const TileClip&) = delete;
  const TRect& Visible() const { return visible_; }
  bool Empty() const { return visible_.IsEmpty(); }

 private:
  TCustomDIBX& surface_;
  TRect saved_, visible_;
};

// The pieces along one axis of an unscaled tiling: the first starts `start` into the
// source range [from, to), every later one at from; piece(destination, source start,
// length). Only pieces that can meet [seenFrom, seenTo) are given.
template <class Piece>
void TileAxis(int64_t destFrom, int64_t destTo, int64_t from, int64_t to, int64_t start, int64_t spacing,
              int64_t seenFrom, int64_t seenTo, Piece piece) {
  const int64_t size = to - from, period = size + spacing;
  int64_t at = destFrom, length = to - start, source = start;
  bool first = true;
  while (at < destTo && at < seenTo) {
    length = std::min(length, destTo - at);
    if (length > 0 && at + length > seenFrom) piece(at, source, length);
    const int64_t next = at + length + spacing;
    if (next <= at && period <= 0) break;  // the copies cannot advance
    at = next;
    source = from;
    length = size;
    if (first && period > 0 && at + size <= seenFrom) at += (seenFrom - at - size) / period * period;
    first = false;
  }
}

template <class DrawPiece>
void Tile(TCustomDIBX& dst, const TRect& dr, int spacingX, int spacingY, const TRect& sr, int scrollX, int scrollY,
          DrawPiece draw) {
  const int64_t w = int64_t{sr.Right} - sr.Left, h = int64_t{sr.Bottom} - sr.Top;
  if (w <= 0 || h <= 0) return;
  TileClip clip(dst, dr);
  if (clip.Empty()) return;
  auto start = [](int64_t from, int64_t size, int64_t scroll) {
    return scroll >= 0 ? from + scroll % size : from + size - (-scroll) % size;
  };
  const TRect& seen = clip.Visible();
  TileAxis(dr.Top, dr.Bottom, sr.Top, sr.Bottom, start(sr.Top, h, scrollY), spacingY, seen.Top, seen.Bottom,
           [&](int64_t y, int64_t st, int64_t ph) {
             TileAxis(dr.Left, dr.Right, sr.Left, sr.Right, start(sr.Left, w, scrollX), spacingX, seen.Left, seen.Right,
                      [&](int64_t x, int64_t sl, int64_t pw) {
                        draw(int(x), int(y), Bounds(int32_t(sl), int32_t(st), int32_t(pw), int32_t(ph)));
                      });
           });
}

constexpr int64_t kOne = 65536;
constexpr double kFar = 4611686018427387904.0;  // 2^62: beyond every position

int64_t Round64(double v) { return static_cast<int64_t>(std::nearbyint(std::clamp(v, -kFar, kFar))); }

// Starts, in 16.16, of the scaled tiling along one axis.
struct ScaledAxis {
  int64_t start, step, size;
};

// The copies of a scaled tiling: piece(destination rectangle). Starts for each axis as the
// operation computes them.
template <class Piece>
void StretchTile(TCustomDIBX& dst, const TRect& dr, ScaledAxis ax, ScaledAxis ay, Piece piece) {
  TileClip clip(dst, dr);
  if (clip.Empty()) return;
  const TRect& seen = clip.Visible();
  // Copies that end before the visible part are stepped over (one copy early, to be safe).
  auto first = [](int64_t start, int64_t step, int64_t size, int64_t seenFrom) {
    const int64_t k = ((seenFrom - size) * kOne - start) / step - 1;
    return k > 0 ? start + k * step : start;
  };
  const int64_t bottom = int64_t{seen.Bottom} * kOne, right = int64_t{seen.Right} * kOne;
  for (int64_t y = first(ay.start, ay.step, ay.size, seen.Top); y < bottom; y += ay.step)
    for (int64_t x = first(ax.start, ax.step, ax.size, seen.Left); x < right; x += ax.step)
      piece(TRect{int32_t(x / kOne), int32_t(y / kOne), int32_t(std::min<int64_t>(x / kOne + ax.size, INT32_MAX)),
                  int32_t(std::min<int64_t>(y / kOne + ay.size, INT32_MAX))});
}

// dx, the distance between copies, and the copy's size along one axis; false when nothing
// can be drawn.
bool ScaledSizes(int period, int zoom, const TRect& sr, bool vertical, double& distance, int64_t& size) {
  if (zoom < 1) return false;
  const int64_t extent = vertical ? int64_t{sr.Bottom} - sr.Top : int64_t{sr.Right} - sr.Left;
  if (extent <= 0) return false;
  distance = static_cast<double>(period) * zoom / 256;
  if (!(distance > 0)) return false;
  size = std::max<int64_t>(1, static_cast<int64_t>(std::trunc(static_cast<double>(extent) * zoom / 256)));
  size = std::min<int64_t>(size, INT32_MAX);
  return true;
}

// The rounded start of StretchDrawTile.
ScaledAxis RoundedAxis(int destFrom, int scroll, double distance, int64_t size) {
  const double q = scroll / distance;
  double p = (q - std::trunc(q)) * distance;
  if (scroll < 0) p += distance;
  return {int64_t{destFrom} * kOne - Round64(p * kOne), std::max(kOne, Round64(distance * kOne)), size};
}

// The whole-pixel start of StretchDrawTileMask.
ScaledAxis WholeAxis(int destFrom, int scroll, double distance, int64_t size) {
  // Periods beyond any coordinate all start the same: off the surface.
  const int64_t period = static_cast<int64_t>(std::min(std::trunc(distance), 8589934592.0));
  const int64_t rest = int64_t{scroll} % period;  // the sign of scroll
  const int64_t left = scroll >= 0 ? destFrom - rest : int64_t{destFrom} - period - rest;
  return {left * kOne, std::max(kOne, Round64(distance * kOne)), size};
}

}  // namespace

void TCustomDIBX::DrawTile(const TRect& dr, int spacingX, int spacingY, TCustomDIBX& source, const TRect& sr,
                           bool useKey, int scrollX, int scrollY) {
  Tile(*this, dr, spacingX, spacingY, sr, scrollX, scrollY,
       [&](int x, int y, const TRect& piece) { Draw(x, y, source, piece, useKey, false, false); });
}

void TCustomDIBX::DrawTileAlpha(const TRect& dr, int spacingX, int spacingY, TCustomDIBX& source, const TRect& sr,
                                bool useKey, int alpha, int scrollX, int scrollY) {
  Tile(*this, dr, spacingX, spacingY, sr, scrollX, scrollY,
       [&](int x, int y, const TRect& piece) { DrawAlpha(x, y, source, piece, useKey, false, false, alpha); });
}

void TCustomDIBX::DrawTileAdd(const TRect& dr, int spacingX, int spacingY, TCustomDIBX& source, const TRect& sr,
                              bool useKey, int alpha, int scrollX, int scrollY) {
  Tile(*this, dr, spacingX, spacingY, sr, scrollX, scrollY,
       [&](int x, int y, const TRect& piece) { DrawAdd(x, y, source, piece, useKey, false, false, alpha); });
}

void TCustomDIBX::DrawTileMask(const TRect& dr, int spacingX, int spacingY, TCustomDIBX& source, const TRect& sr,
                               TCustomDIBX& mask, int scrollX, int scrollY) {
  Tile(*this, dr, spacingX, spacingY, sr, scrollX, scrollY,
       [&](int x, int y, const TRect& piece) { DrawMask(x, y, source, piece, false, false, mask); });
}

void TCustomDIBX::DrawTileMaskAlpha(const TRect& dr, int spacingX, int spacingY, TCustomDIBX& source, const TRect& sr,
                                    TCustomDIBX& mask, int alpha, int scrollX, int scrollY) {
  Tile(*this, dr, spacingX, spacingY, sr, scrollX, scrollY,
       [&](int x, int y, const TRect& piece) { DrawMaskAlpha(x, y, source, piece, false, false, mask, alpha); });
}

void TCustomDIBX::DrawTileMaskAdd(const TRect& dr, int spacingX, int spacingY, TCustomDIBX& source, const TRect& sr,
                                  TCustomDIBX& mask, int alpha, int scrollX, int scrollY) {
  Tile(*this, dr, spacingX, spacingY, sr, scrollX, scrollY,
       [&](int x, int y, const TRect& piece) { DrawMaskAdd(x, y, source, piece, false, false, mask, alpha); });
}

void TCustomDIBX::StretchDrawTile(const TRect& dr, int periodW, int periodH, int zoomX, int zoomY, TCustomDIBX& source,
                                  const TRect& sr, bool useKey, bool flipH, bool flipV, uint32_t alpha, int scrollX,
                                  int scrollY) {
  double dx, dy;
  int64_t tw, th;
  if (!ScaledSizes(periodW, zoomX, sr, false, dx, tw) || !ScaledSizes(periodH, zoomY, sr, true, dy, th)) return;
  StretchTile(*this, dr, RoundedAxis(dr.Left, scrollX, dx, tw), RoundedAxis(dr.Top, scrollY, dy, th),
              [&](const TRect& piece) {
                if (alpha < 256)
                  StretchDrawAlpha(piece, source, sr, useKey, flipH, flipV, alpha & 255);
                else
                  StretchDrawAdd(piece, source, sr, useKey, flipH, flipV, alpha & 255);
              });
}

void TCustomDIBX::StretchDrawTileMask(const TRect& dr, int periodW, int periodH, int zoomX, int zoomY,
                                      TCustomDIBX& source, const TRect& sr, TCustomDIBX& mask, bool flipH, bool flipV,
                                      uint32_t alpha, int scrollX, int scrollY) {
  double dx, dy;
  int64_t tw, th;
  if (!ScaledSizes(periodW, zoomX, sr, false, dx, tw) || !ScaledSizes(periodH, zoomY, sr, true, dy, th)) return;
  // The whole-pixel start needs a period of at least one destination pixel.
  if (dx < 1 || dy < 1) return;
  StretchTile(*this, dr, WholeAxis(dr.Left, scrollX, dx, tw), WholeAxis(dr.Top, scrollY, dy, th),
              [&](const TRect& piece) {
                if (alpha < 256)
                  StretchDrawMaskAlpha(piece, source, sr, flipH, flipV, mask, alpha & 255);
                else
                  StretchDrawMaskAdd(piece, source, sr, flipH, flipV, mask, alpha & 255);
              });
}

}  // namespace orva
