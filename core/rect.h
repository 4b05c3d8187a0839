#pragma once
// Screen rectangles and points. Right and bottom are exclusive: a rectangle is empty when
// right <= left or bottom <= top.

#include <cstdint>

namespace orva {

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  constexpr int32_t Width() const { return Right - Left; }
  constexpr int32_t Height() const { return Bottom - Top; }
  constexpr bool IsEmpty() const { return Left >= Right || Top >= Bottom; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Bounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  return {left, top, left + width, top + height};
}

constexpr TPoint MakePoint(int32_t x, int32_t y) { return {x, y}; }
constexpr bool RectIsEmpty(const TRect& r) { return r.Left >= r.Right || r.Top >= r.Bottom; }
// Rectangles that only share an edge do not overlap.
constexpr bool RectsOverlap(const TRect& a, const TRect& b) {
  return a.Left < b.Right && a.Right > b.Left && a.Top < b.Bottom && a.Bottom > b.Top;
}
constexpr bool PointInRect(const TPoint& p, const TRect& r) {
  return r.Left <= p.X && p.X < r.Right && r.Top <= p.Y && p.Y < r.Bottom;
}
// The intersection when the rectangles overlap, else (0, 0, 0, 0).
TRect IntersectRectOf(const TRect& a, const TRect& b);
// The smallest rectangle holding both.
TRect UnionRectOf(const TRect& a, const TRect& b);

}  // namespace orva
