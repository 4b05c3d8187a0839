#pragma once
// The named areas of a selection image and the region file that describes them. An area is a
// rectangle, the ellipse inscribed in a rectangle, or a polygon filled by the non-zero
// winding rule, in picture coordinates. A pixel belongs to an area when its centre lies
// inside the shape (rectangles and ellipses span (left, top) to (right + 1, bottom + 1)).
// Point tests, masks and bounding boxes all come from one routine, the covered runs of a
// row, worked out in 64 bits (128 where products need it).
//
// Region file (little-endian, no signature): int32 area count n; then per area: int32 name
// length and the Shift-JIS name, a shape byte (0 rectangle, 1 ellipse, other polygon); a
// rectangle or ellipse has left, top, right, bottom (int32, inclusive); a polygon an int32
// point count k and k (x, y) pairs of int32.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/rect.h"

namespace orva {

class TDIBX;

class TMapRegion {
 public:
  enum TShape : uint8_t { Rectangle = 0, Ellipse = 1, Polygon = 2 };

  // Empty (covers nothing).
  TMapRegion() = default;
  static TMapRegion MakeRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);
  static TMapRegion MakeEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom);
  // Fewer than three points cover nothing.
  static TMapRegion MakePolygon(std::vector<TPoint> points);

  // The covered runs [from, to) of row y, cut to [minX, maxX), left to right; f(from, to).
  template <class F>
  void EachRun(int64_t y, int64_t minX, int64_t maxX, F f) const {
    runs_.clear();
    RowRuns(y, runs_);
    for (const auto& [from, to] : runs_) {
      const int64_t a = from < minX ? minX : from, b = to > maxX ? maxX : to;
      if (a < b) f(a, b);
    }
  }
  bool Contains(int64_t x, int64_t y) const;
  // The bounding box of the covered pixels inside the window; empty when none.
  TRect BoundsWithin(const TRect& window) const;
  // mask := value on every covered pixel of an 8-bit surface.
  void Paint(TDIBX& mask, uint8_t value) const;
  TShape Shape() const { return shape_; }

 private:
  struct TEdge {
    int64_t X1, Y1, X2, Y2;
  };
  // Appends the covered runs of row y, sorted and disjoint.
  void RowRuns(int64_t y, std::vector<std::pair<int64_t, int64_t>>& runs) const;
  void EllipseRun(int64_t y, std::vector<std::pair<int64_t, int64_t>>& runs) const;
  void PolygonRuns(int64_t y, std::vector<std::pair<int64_t, int64_t>>& runs) const;

  TShape shape_ = Rectangle;
  // The rows [Top, Bottom) and columns [Left, Right) no pixel of the area lies outside.
  int64_t left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
  std::vector<TEdge> edges_;
  mutable std::vector<std::pair<int64_t, int64_t>> runs_;
  mutable std::vector<std::pair<int64_t, int>> crossings_;
};

struct TMapArea {
  std::string Name;
  TMapRegion Region;
};

// The areas of a region file in file order. Counts and lengths are checked against the bytes
// left: the areas read whole are kept, and reading stops at the first one the data cuts.
std::vector<TMapArea> ReadMapAreas(std::string_view bytes);

}  // namespace orva
