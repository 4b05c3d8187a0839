#pragma once
// The colour tables read by the fire object and the transitions, made for the screen depth.

#include <array>
#include <cstdint>

namespace orva {

// The fire ramp as raw pixels of the screen format (5-5-5 at depth 15, else 5-6-5).
extern std::array<uint16_t, 256> FireColorTable;
// The fire ramp as raw 32-bit pixels (0x00RRGGBB): the telling rows exactly, straight lines
// between them.
extern const std::array<uint32_t, 256> FireColorTable32;
// Grey i (red = green = blue = i) as a raw 16-bit pixel of the screen format (5-5-5 at depth
// 15, else 5-6-5), and as a raw 32-bit pixel.
extern std::array<uint16_t, 256> GreyTable16;
extern std::array<uint32_t, 256> GreyTable32;

// Builds the three tables for the depth (15 also when there is no screen).
void SetupColorTables(int screenBitCount);

}  // namespace orva
