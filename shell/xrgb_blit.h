#pragma once
// The presentation copy: a bitmap rectangle onto rows of the window's shown picture, row by
// row. Onto 0x00RRGGBB it gives the same pixels as StretchDIBitsToXRGB (graphics/screen.h),
// which stays the reference; onto 16-bit rows, those colours packed, and a bitmap of the
// rows' own layout is copied. Each source row is converted once.

#include <cstdint>

#include "core/rect.h"
#include "platform/shown_rows.h"

namespace orva {

class TDIB;

// Copies the source rectangle (sy counts rows from the bottom row of the bitmap, as a DIB
// does) onto the destination rectangle of a top-down picture, stretching by nearest
// neighbour; rows.Pixels is the picture's pixel at area's top-left corner, only pixels
// inside area are written, and source pixels outside the bitmap are left out. Returns the
// source rows of the rectangle, 0 when nothing could be drawn.
int StretchDIBToShown(const TShownRows& rows, const TRect& area, int dx, int dy, int dw, int dh, int sx, int sy,
                      int sw, int sh, TDIB& source);

// The same onto a 0x00RRGGBB picture with `pitch` pixels per row, writing only inside clip.
int StretchDIBToXRGB(uint32_t* pixels, int64_t pitch, const TRect& clip, int dx, int dy, int dw, int dh, int sx,
                     int sy, int sw, int sh, TDIB& source);

}  // namespace orva
