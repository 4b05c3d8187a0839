#pragma once
// Rows of the transitions that light one picture or the other per pixel: each pixel takes the
// old (a) or the new (b) picture as fromNew says (all ones: the new one) and adds (takes away)
// the grey of its light 0 .. 255 from the colour tables, saturating.

#include <cstdint>

#include "graphics/packed_pixels.h"

namespace orva {

// Every byte of the 32-bit pixel, the fourth too.
void LightRow32(uint32_t* d, const uint32_t* a, const uint32_t* b, const uint16_t* light, const uint16_t* fromNew,
                int n, bool darkens);
// Only the colour fields of the masks; the other bits become 0.
void LightRowFields32(const uint32_t (&masks)[3], uint32_t* d, const uint32_t* a, const uint32_t* b,
                      const uint16_t* light, const uint16_t* fromNew, int n, bool darkens);
// The three fields of a 16-bit pixel; the unused top bit of 5-5-5 becomes 0.
void LightRow16(const packed::Fields16& f, uint16_t* d, const uint16_t* a, const uint16_t* b, const uint16_t* light,
                const uint16_t* fromNew, int n, bool darkens);

}  // namespace orva
