#pragma once
// The presentation copy: a bitmap rectangle onto the window's 0x00RRGGBB picture, row by
// row. It gives the same pixels as StretchDIBitsToXRGB (graphics/screen.h), which stays the
// reference, but converts each source row once and copies 32-bit rows whole.

#include <cstdint>

#include "core/rect.h"

namespace orva {

class TDIB;

// Copies the source rectangle (sy counts rows from the bottom row of the bitmap, as a DIB
// does) onto the destination rectangle of a top-down picture with `pitch` pixels per row,
// stretching by nearest neighbour; only pixels inside `clip` are written, and source pixels
// outside the bitmap are left out. Returns the source rows of the rectangle, 0 when nothing
// could be drawn.
int StretchDIBToXRGB(uint32_t* pixels, int64_t pitch, const TRect& clip, int dx, int dy, int dw, int dh, int sx,
                     int sy, int sw, int sh, TDIB& source);

}  // namespace orva
