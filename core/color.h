#pragma once
// Colours are 0x00BBGGRR values.

#include <cstdint>

namespace orva {

// Red, green and blue each multiplied by factor / 256, truncated and kept in its own byte;
// the top byte is 0. Factors 0..256 go from black to the colour itself.
int32_t ScaleColor(int32_t color, int32_t factor);

}  // namespace orva
