#pragma once
// The half-open rectangle of the drawing code: Left and Top inside, Right and Bottom outside.

#include <algorithm>
#include <cstdint>

namespace orva {

struct TRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;

  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Left >= Right || Top >= Bottom; }
  bool operator==(const TRect&) const = default;
};

inline TRect Bounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  return {left, top, left + width, top + height};
}

// The common part of two rectangles; empty (all zero) when they do not overlap.
inline TRect IntersectRectOf(const TRect& a, const TRect& b) {
  if (b.Left < a.Right && b.Right > a.Left && b.Top < a.Bottom && b.Bottom > a.Top)
    return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
  return {};
}

}  // namespace orva
