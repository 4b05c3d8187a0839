#pragma once
// Rectangle arithmetic of the scene in the wrapping 32-bit integers of its stored values.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/rect.h"
#include "script/conversions.h"

namespace orva {

inline TRect WrapBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  return {left, top, WrapAdd(left, width), WrapAdd(top, height)};
}

// Placement and sizing relative to a parent's picture work in 16.16 steps of the parent's
// scale: its picture size over its control size (not 0) times 65536, truncated, at least 1
// and at most the int32 maximum.
inline int64_t PictureStep(int32_t pictureSize, int32_t controlSize) {
  const double ratio = double(pictureSize) / double(controlSize) * 65536.0;
  if (ratio >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  return std::max<int64_t>(1, static_cast<int64_t>(std::trunc(ratio)));
}

// (v × 65536) div step, truncating toward zero, one more when the remainder is above the
// threshold.
inline int64_t StepDivide(int64_t v, int64_t step, int64_t threshold) {
  const int64_t scaled = v * 65536;
  return scaled / step + (scaled % step > threshold ? 1 : 0);
}

// Float to int32 with the ends of the range for values beyond it and 0 for NaN: rounded to
// the nearest, halves to even, or truncated toward zero.
inline int32_t SaturatingRound(long double v) {
  constexpr long double kLow = std::numeric_limits<int32_t>::min(), kHigh = std::numeric_limits<int32_t>::max();
  if (std::isnan(v)) return 0;
  if (v <= kLow) return std::numeric_limits<int32_t>::min();
  if (v >= kHigh) return std::numeric_limits<int32_t>::max();
  // Adding 2^63 leaves no fraction in the 64-bit mantissa, so the sum rounds to the nearest
  // integer, halves to even, as nearbyint would, but without its cost.
  static_assert(std::numeric_limits<long double>::digits == 64, "the 80-bit extended format");
  constexpr long double kShift = 9223372036854775808.0L;
  const long double r = v >= 0 ? (v + kShift) - kShift : (v - kShift) + kShift;
  return static_cast<int32_t>(std::clamp(r, kLow, kHigh));
}
inline int32_t SaturatingTrunc(long double v) {
  if (std::isnan(v)) return 0;
  return static_cast<int32_t>(std::clamp<long double>(std::trunc(v), std::numeric_limits<int32_t>::min(),
                                                      std::numeric_limits<int32_t>::max()));
}

}  // namespace orva
