#include "scene/map_region.h"

#include <algorithm>
#include <cstring>

#include "graphics/dibx.h"

namespace orva {

namespace {

using TWide = __int128;

// ceil(n / d), d not 0.
TWide CeilDiv(TWide n, TWide d) {
  if (d < 0) n = -n, d = -d;
  const TWide q = n / d;
  return q * d < n ? q + 1 : q;
}

// An ellipse is kept within this range on both axes, far beyond any picture, so that its
// equation stays inside 128 bits.
constexpr int64_t EllipseLimit = int64_t{1} << 30;

int64_t ClampEllipse(int32_t v) { return std::clamp<int64_t>(v, -EllipseLimit, EllipseLimit); }

}  // namespace

TMapRegion TMapRegion::MakeRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  TMapRegion r;
  r.shape_ = Rectangle;
  r.left_ = left;
  r.top_ = top;
  r.right_ = std::max<int64_t>(int64_t{right} + 1, left);
  r.bottom_ = std::max<int64_t>(int64_t{bottom} + 1, top);
  return r;
}

TMapRegion TMapRegion::MakeEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  TMapRegion r;
  r.shape_ = Ellipse;
  r.left_ = ClampEllipse(left);
  r.top_ = ClampEllipse(top);
  r.right_ = std::max(ClampEllipse(right) + 1, r.left_);
  r.bottom_ = std::max(ClampEllipse(bottom) + 1, r.top_);
  return r;
}

TMapRegion TMapRegion::MakePolygon(std::vector<TPoint> points) {
  TMapRegion r;
  r.shape_ = Polygon;
  if (points.size() < 3) return r;
  r.left_ = r.right_ = points[0].X;
  r.top_ = r.bottom_ = points[0].Y;
  for (size_t i = 0; i < points.size(); ++i) {
    const TPoint a = points[i], b = points[(i + 1) % points.size()];
    r.left_ = std::min<int64_t>(r.left_, a.X);
    r.right_ = std::max<int64_t>(r.right_, a.X);
    r.top_ = std::min<int64_t>(r.top_, a.Y);
    r.bottom_ = std::max<int64_t>(r.bottom_, a.Y);
    // Level edges cross no row's centre line.
    if (a.Y != b.Y) r.edges_.push_back({a.X, a.Y, b.X, b.Y});
  }
  return r;
}

void TMapRegion::RowRuns(int64_t y, std::vector<std::pair<int64_t, int64_t>>& runs) const {
  if (y < top_ || y >= bottom_ || left_ >= right_) return;
  switch (shape_) {
    case Rectangle:
      runs.emplace_back(left_, right_);
      break;
    case Ellipse:
      EllipseRun(y, runs);
      break;
    case Polygon:
      PolygonRuns(y, runs);
      break;
  }
}

void TMapRegion::EllipseRun(int64_t y, std::vector<std::pair<int64_t, int64_t>>& runs) const {
  // In doubled coordinates about the centre: a pixel centre (X, Y) = (2x + 1 − S, 2y + 1 − T)
  // is inside when X²B² + Y²A² < A²B², A and B the doubled semi-axes.
  const TWide a = right_ - left_, b = bottom_ - top_;
  const TWide s = left_ + right_, t = top_ + bottom_;
  const TWide yy = 2 * TWide{y} + 1 - t;
  const TWide a2 = a * a, b2 = b * b, limit = a2 * b2 - yy * yy * a2;
  const auto inside = [&](int64_t x) {
    const TWide xx = 2 * TWide{x} + 1 - s;
    return xx * xx * b2 < limit;
  };
  // The pixel nearest the centre, then the last one inside to its right; the run is
  // symmetric about the centre.
  int64_t lo = static_cast<int64_t>((s - 1) >= 0 ? (s - 1) / 2 : -((1 - s + 1) / 2));
  if (!inside(lo)) return;
  int64_t hi = right_ - 1;
  while (lo < hi) {
    const int64_t mid = lo + (hi - lo + 1) / 2;
    if (inside(mid))
      lo = mid;
    else
      hi = mid - 1;
  }
  const int64_t first = static_cast<int64_t>(s - 1) - lo;
  runs.emplace_back(first, lo + 1);
}

void TMapRegion::PolygonRuns(int64_t y, std::vector<std::pair<int64_t, int64_t>>& runs) const {
  // Each edge the row's centre line crosses, as the first pixel whose centre lies at or past
  // the crossing, with its direction; the winding at a pixel is the sum of the directions
  // of the crossings at or before it.
  crossings_.clear();
  const TWide yc = 2 * TWide{y} + 1;
  for (const TEdge& e : edges_) {
    const int64_t lo = std::min(e.Y1, e.Y2), hi = std::max(e.Y1, e.Y2);
    if (!(2 * TWide{lo} < yc && yc < 2 * TWide{hi})) continue;
    const TWide dy = TWide{e.Y2} - e.Y1;
    const TWide num = (yc - 2 * TWide{e.Y1}) * (TWide{e.X2} - e.X1);
    const TWide first = TWide{e.X1} + CeilDiv(num - dy, 2 * dy);
    crossings_.emplace_back(static_cast<int64_t>(first), e.Y2 > e.Y1 ? 1 : -1);
  }
  std::sort(crossings_.begin(), crossings_.end());
  int winding = 0;
  int64_t start = 0;
  for (size_t i = 0; i < crossings_.size();) {
    const int64_t at = crossings_[i].first;
    const int before = winding;
    for (; i < crossings_.size() && crossings_[i].first == at; ++i) winding += crossings_[i].second;
    if (before == 0 && winding != 0) start = at;
    if (before != 0 && winding == 0 && start < at) runs.emplace_back(start, at);
  }
}

bool TMapRegion::Contains(int64_t x, int64_t y) const {
  // Outside the box no row needs working out.
  if (x < left_ || x >= right_ || y < top_ || y >= bottom_) return false;
  bool hit = false;
  EachRun(y, x, x + 1, [&](int64_t, int64_t) { hit = true; });
  return hit;
}

TRect TMapRegion::BoundsWithin(const TRect& window) const {
  int64_t minX = INT64_MAX, maxX = INT64_MIN, minY = INT64_MAX, maxY = INT64_MIN;
  const int64_t rowFrom = std::max<int64_t>(window.Top, top_), rowTo = std::min<int64_t>(window.Bottom, bottom_);
  for (int64_t y = rowFrom; y < rowTo; ++y)
    EachRun(y, window.Left, window.Right, [&](int64_t a, int64_t b) {
      minX = std::min(minX, a);
      maxX = std::max(maxX, b);
      minY = std::min(minY, y);
      maxY = std::max(maxY, y + 1);
    });
  if (minX >= maxX) return {};
  return {int32_t(minX), int32_t(minY), int32_t(maxX), int32_t(maxY)};
}

void TMapRegion::Paint(TDIBX& mask, uint8_t value) const {
  const int64_t w = mask.GetWidth(), h = mask.GetHeight();
  const int64_t rowFrom = std::max<int64_t>(0, top_), rowTo = std::min<int64_t>(h, bottom_);
  for (int64_t y = rowFrom; y < rowTo; ++y) {
    uint8_t* row = mask.Lock(0, int(y));
    EachRun(y, 0, w, [&](int64_t a, int64_t b) { std::memset(row + a, value, size_t(b - a)); });
  }
}

// ---- The region file ----

namespace {

class TRegionReader {
 public:
  explicit TRegionReader(std::string_view bytes) : bytes_(bytes) {}
  size_t Left() const { return bytes_.size() - pos_; }
  bool Int(int32_t& out) {
    if (Left() < 4) return false;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(bytes_[pos_ + size_t(i)])) << (8 * i);
    pos_ += 4;
    out = static_cast<int32_t>(v);
    return true;
  }
  bool Byte(uint8_t& out) {
    if (Left() < 1) return false;
    out = uint8_t(bytes_[pos_++]);
    return true;
  }
  bool Text(std::string& out) {
    int32_t n = 0;
    if (!Int(n) || n < 0 || size_t(n) > Left()) return false;
    out.assign(bytes_.substr(pos_, size_t(n)));
    pos_ += size_t(n);
    return true;
  }

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};

bool ReadArea(TRegionReader& in, TMapArea& area) {
  uint8_t shape = 0;
  if (!in.Text(area.Name) || !in.Byte(shape)) return false;
  if (shape == TMapRegion::Rectangle || shape == TMapRegion::Ellipse) {
    int32_t l, t, r, b;
    if (!in.Int(l) || !in.Int(t) || !in.Int(r) || !in.Int(b)) return false;
    area.Region = shape == TMapRegion::Rectangle ? TMapRegion::MakeRectangle(l, t, r, b)
                                                 : TMapRegion::MakeEllipse(l, t, r, b);
    return true;
  }
  int32_t k = 0;
  if (!in.Int(k) || k < 0 || size_t(k) > in.Left() / 8) return false;
  std::vector<TPoint> points(static_cast<size_t>(k));
  for (TPoint& p : points) in.Int(p.X), in.Int(p.Y);
  area.Region = TMapRegion::MakePolygon(std::move(points));
  return true;
}

}  // namespace

std::vector<TMapArea> ReadMapAreas(std::string_view bytes) {
  TRegionReader in(bytes);
  std::vector<TMapArea> areas;
  int32_t n = 0;
  if (!in.Int(n)) return areas;
  for (int32_t i = 0; i < n; ++i) {
    TMapArea area;
    if (!ReadArea(in, area)) break;
    areas.push_back(std::move(area));
  }
  return areas;
}

}  // namespace orva
