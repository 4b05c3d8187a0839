#pragma once
// TWdClipList: the areas that floating pictures reserve while a range of glyphs is broken into
// rows; rows beside a float get the x range left over.

#include <cstdint>
#include <vector>

#include "core/rect.h"

namespace orva {

class TWdClipList {
 public:
  explicit TWdClipList(int32_t width) : width_(width) {}
  // The x range a row at y may use: 0 .. width, narrowed by the floats that span y.
  void GetLimits(int32_t y, int32_t& left, int32_t& right) const;
  // Reserves width × height at y from the left limit, or ending at the right limit.
  TRect AddFloat(int32_t y, int32_t width, int32_t height, bool right);

 private:
  int32_t width_;
  std::vector<uint8_t> rightFloat_;  // 0 left float, 1 right float
  std::vector<TRect> rects_;         // page coordinates
};

}  // namespace orva
