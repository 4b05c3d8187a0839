#pragma once
// Frame timing kept by the shell's frame loop and read by the subsystems. Only what the
// archive needs so far; the interpreter adds the game clock and the frame count.

#include <cstdint>

namespace orva {

// Milliseconds of the last accepted frame.
extern int32_t FrameDelta;

}  // namespace orva
