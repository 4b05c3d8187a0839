#include "core/color.h"

namespace orva {

int32_t ScaleColor(int32_t color, int32_t factor) {
  // 64-bit products: a blue channel times a factor above 255 passes the int32 range.
  const int64_t c = static_cast<uint32_t>(color);
  const int64_t f = factor;
  int64_t red = (c & 0xFF) * f / 256 & 0xFF;
  int64_t green = (c & 0xFF00) * f / 256 & 0xFF00;
  int64_t blue = (c & 0xFF0000) * f / 256 & 0xFF0000;
  return static_cast<int32_t>(red | green | blue);
}

}  // namespace orva
