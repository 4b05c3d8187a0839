#include "film/mask_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "graphics/custom_dibx.h"

namespace orva {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// A closed range of pixel columns as reals.
struct TSpan {
  double Lo = kInf, Hi = -kInf;
  bool IsEmpty() const { return Lo > Hi; }
};

TSpan Intersect(TSpan a, TSpan b) { return {std::max(a.Lo, b.Lo), std::min(a.Hi, b.Hi)}; }

// The columns x of row y whose pixel centres q lie on the left of the direction (ux, uy) as
// seen on the screen, or on it: cross(u, q) >= 0, the half turn clockwise from u.
TSpan HalfPlane(double ux, double uy, double cx, double qy) {
  // cross = ux·qy − uy·(x + 0.5 − cx)
  if (uy == 0) return ux * qy >= 0 ? TSpan{-kInf, kInf} : TSpan{};
  const double t = cx - 0.5 + ux * qy / uy;
  return uy > 0 ? TSpan{-kInf, t} : TSpan{t, kInf};
}

}  // namespace

TMaskRows::TMaskRows(TCustomDIBX& mask) : rows_(mask) {
  if (mask.GetStorageBitCount() != 8 || !rows_.Ok()) return;
  width_ = mask.GetWidth();
  height_ = mask.GetHeight();
}

void TMaskRows::Fill(uint8_t value) {
  for (int y = 0; y < height_; ++y) std::memset(Row(y), value, size_t(width_));
}

void TMaskRows::FillRect(const TRect& rect, uint8_t value) {
  const int top = std::max(rect.Top, 0), bottom = std::min(rect.Bottom, height_);
  for (int y = top; y < bottom; ++y) FillSpan(y, rect.Left, rect.Right, value);
}

void TMaskRows::FillSpan(int y, int64_t left, int64_t right, uint8_t value) {
  left = std::max<int64_t>(left, 0);
  right = std::min<int64_t>(right, width_);
  if (y >= 0 && y < height_ && left < right) std::memset(Row(y) + left, value, size_t(right - left));
}

// Pixel x is inside a real column range [lo, hi] when lo <= x <= hi.
static void FillRange(TMaskRows& rows, int y, TSpan span, uint8_t value) {
  if (span.IsEmpty()) return;
  const double lo = std::ceil(std::max(span.Lo, -1.0)), hi = std::floor(std::min(span.Hi, double(rows.Width())));
  if (lo <= hi) rows.FillSpan(y, static_cast<int64_t>(lo), static_cast<int64_t>(hi) + 1, value);
}

static TSpan DiscRow(double cx, double cy, double r, int y) {
  const double qy = y + 0.5 - cy, w2 = r * r - qy * qy;
  if (w2 <= 0) return {};
  const double w = std::sqrt(w2);
  return {cx - 0.5 - w, cx - 0.5 + w};
}

void TMaskRows::FillDisc(double cx, double cy, double r, uint8_t value) {
  if (IsEmpty() || !(r > 0)) return;
  for (int y = 0; y < height_; ++y) FillRange(*this, y, DiscRow(cx, cy, r, y), value);
}

void TMaskRows::FillSector(double cx, double cy, double r, double start, double span, uint8_t value) {
  if (IsEmpty() || !(r > 0) || !(span > 0)) return;
  if (span >= 2 * std::numbers::pi) {
    FillDisc(cx, cy, r, value);
    return;
  }
  // Inside: clockwise from the start direction by at most a half turn, and anticlockwise
  // from the end direction by at most a half turn; both for a span up to a half turn, either
  // for a larger one.
  const double ux = std::cos(start), uy = std::sin(start);
  const double end = start + span, vx = -std::cos(end), vy = -std::sin(end);
  const bool narrow = span <= std::numbers::pi;
  for (int y = 0; y < height_; ++y) {
    const TSpan disc = DiscRow(cx, cy, r, y);
    if (disc.IsEmpty()) continue;
    const double qy = y + 0.5 - cy;
    const TSpan first = Intersect(disc, HalfPlane(ux, uy, cx, qy));
    const TSpan second = Intersect(disc, HalfPlane(vx, vy, cx, qy));
    if (narrow) {
      FillRange(*this, y, Intersect(first, second), value);
    } else {
      FillRange(*this, y, first, value);
      FillRange(*this, y, second, value);
    }
  }
}

}  // namespace orva
