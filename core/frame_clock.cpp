#include "core/frame_clock.h"

namespace orva {

int32_t FrameDelta = 0;

}  // namespace orva
