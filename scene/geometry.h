#pragma once
// Rectangle arithmetic of the scene in the wrapping 32-bit integers of its stored values.

#include <cstdint>

#include "core/rect.h"
#include "script/conversions.h"

namespace orva {

inline TRect WrapBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  return {left, top, WrapAdd(left, width), WrapAdd(top, height)};
}

}  // namespace orva
