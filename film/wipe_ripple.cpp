#include "film/wipe_ripple.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

#include "film/wipe_step.h"
#include "film/wipe_tables.h"
#include "graphics/custom_dibx.h"

namespace orva {

TRippleTables::TRippleTables(int halfWidth, int halfHeight)
    : HalfWidth(halfWidth), HalfHeight(halfHeight), ReadyFrom(size_t(halfHeight), halfWidth) {
  const size_t count = size_t(HalfWidth) * size_t(HalfHeight);
  Distances.resize(count);
  Cos = std::make_unique_for_overwrite<int32_t[]>(count);
  Sin = std::make_unique_for_overwrite<int32_t[]>(count);
  for (int y = 0; y < HalfHeight; ++y)
    for (int x = 0; x < HalfWidth; ++x) {
      const double dx = x - HalfWidth, dy = y - HalfHeight;
      Distances[size_t(y) * size_t(HalfWidth) + size_t(x)] =
          static_cast<uint16_t>(std::min(RoundSaturated(std::sqrt(dx * dx + dy * dy)), 65535));
    }
}

void TRippleTables::ReachFront(int64_t front) {
  if (HalfWidth == 0) return;
  // Within a row the distances fall towards its last pixel, and from row to row towards the
  // last row: the pixels the front has reached end each row, in the rows that end the quarter.
  for (int y = HalfHeight; y-- > 0;) {
    const size_t row = size_t(y) * size_t(HalfWidth);
    if (Distances[row + size_t(HalfWidth) - 1] > front) break;
    for (int& x = ReadyFrom[size_t(y)]; x > 0 && Distances[row + size_t(x) - 1] <= front;) {
      --x;
      const double a = std::atan2(double(y - HalfHeight), double(x - HalfWidth));
      Cos[row + size_t(x)] = RoundSaturated(std::cos(a) * 65536);
      Sin[row + size_t(x)] = RoundSaturated(std::sin(a) * 65536);
    }
  }
}

namespace {

TWipeTableCache<std::pair<int, int>, TRippleTables>& Cache() {
  static TWipeTableCache<std::pair<int, int>, TRippleTables> cache;
  return cache;
}

}  // namespace

TWipeRipple::TWipeRipple(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB) : TCustomWipe(dest, srcA, srcB) {
  HalfWidth = std::max(dest->GetWidth(), 0) / 2;
  HalfHeight = std::max(dest->GetHeight(), 0) / 2;
  Tables = Cache().Get(std::pair{HalfWidth, HalfHeight}, [&] { return std::make_shared<TRippleTables>(HalfWidth, HalfHeight); });
  BuildWave(5);
}

void TWipeRipple::BuildWave(int64_t amplitude) {
  const int n = std::min(HalfWidth, HalfHeight) * 2 / 3, q = n / 4;
  Wave.assign(size_t(n), 0);
  // Under four entries (a picture under 12 pixels) the wave is flat.
  if (q == 0) return;
  for (int i = 0; i < n; ++i) Wave[size_t(i)] = static_cast<int32_t>((i % q) * amplitude / q);
}

void TWipeRipple::SetParam(int index, int32_t value) {
  TCustomWipe::SetParam(index, value);
  if ((index & 1) == 0) BuildWave(value);
}

namespace {

// The four mirrored pixels of quarter pixel (x, y) within the extent; a write or a read outside
// it is dropped (only pictures of different sizes have any).
template <int Bytes>
struct TMirror {
  TLockedRows &d, &a, &b;
  int w, h;          // Dest
  int width, height; // the extent
  bool Inside(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  static void Copy(uint8_t* to, const uint8_t* from) { std::memcpy(to, from, Bytes); }
  uint8_t* At(TLockedRows& s, int64_t x, int64_t y) const { return s.Row(int(y)) + x * Bytes; }
  // Every mirror from the same picture in place.
  void InPlace(TLockedRows& s, int x, int y) const {
    const int64_t xs[2] = {x, w - 1 - x}, ys[2] = {y, h - 1 - y};
    for (int64_t py : ys)
      for (int64_t px : xs)
        if (Inside(px, py)) Copy(At(d, px, py), At(s, px, py));
  }
  // Every mirror from the mirror of (sx, sy) of the new picture.
  void Displaced(int x, int y, int64_t sx, int64_t sy) const {
    const int64_t xs[2] = {x, w - 1 - x}, ys[2] = {y, h - 1 - y}, sxs[2] = {sx, w - 1 - sx}, sys[2] = {sy, h - 1 - sy};
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 2; ++i) {
        if (!Inside(xs[i], ys[j])) continue;
        const bool readable = Inside(sxs[i], sys[j]);
        Copy(At(d, xs[i], ys[j]), readable ? At(b, sxs[i], sys[j]) : At(b, xs[i], ys[j]));
      }
  }
};

}  // namespace

bool TWipeRipple::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = WipeExtent(*this);
  if (extent.IsEmpty()) return false;
  const int w = Dest->GetWidth(), h = Dest->GetHeight();
  if (HalfWidth != w / 2 || HalfHeight != h / 2) return false;  // the tables are not this picture's
  const int64_t n = int64_t(Wave.size());
  const int64_t span = RoundSaturated(std::sqrt(double(HalfWidth) * HalfWidth + double(HalfHeight) * HalfHeight)) + n;
  const int64_t front = ScaledProgress(Position, span, Duration);
  TLockedRows d(*Dest), a(*SrcA), b(*SrcB);
  if (!d.Ok() || !a.Ok() || !b.Ok()) return false;
  // Directions are read only inside the band, at distances up to the front.
  Tables->ReachFront(front);
  const std::vector<uint16_t>& distances = Tables->Distances;
  const int32_t *cosines = Tables->Cos.get(), *sines = Tables->Sin.get();
  auto walk = [&](auto mirror) {
    for (int y = 0; y < HalfHeight; ++y)
      for (int x = 0; x < HalfWidth; ++x) {
        const size_t i = size_t(y) * size_t(HalfWidth) + size_t(x);
        const int64_t k = (n - 1) + distances[i] - front;
        if (k > n - 1) {
          mirror.InPlace(a, x, y);  // the front has not reached it
        } else if (k < 0) {
          mirror.InPlace(b, x, y);  // the wave has passed
        } else {
          const int64_t r = distances[i] + int64_t{Wave[size_t(k)]};
          const int64_t sx = HalfWidth + cosines[i] * r / 65536, sy = HalfHeight + sines[i] * r / 65536;
          if (sx < 0 || sy < 0 || sx >= w || sy >= h)
            mirror.InPlace(b, x, y);
          else
            mirror.Displaced(x, y, sx, sy);
        }
      }
  };
  switch (Dest->GetStorageBitCount()) {
    case 8: walk(TMirror<1>{d, a, b, w, h, extent.Width, extent.Height}); break;
    case 16: walk(TMirror<2>{d, a, b, w, h, extent.Width, extent.Height}); break;
    case 24: walk(TMirror<3>{d, a, b, w, h, extent.Width, extent.Height}); break;
    case 32: walk(TMirror<4>{d, a, b, w, h, extent.Width, extent.Height}); break;
    default: break;  // below 8 bits nothing is drawn
  }
  return false;
}

}  // namespace orva
