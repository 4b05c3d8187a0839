#pragma once
// The sampling of a stretch: which source column and row each destination pixel of the
// clipped destination rectangle reads, shared by the scaled draws of every kind.

#include <cstdint>
#include <vector>

#include "core/rect.h"
#include "graphics/custom_dibx.h"

namespace orva {

struct TStretchSamples {
  TRect Dest;
  // Per destination column and row: the source column or row, -1 where the position lies
  // outside what may be read (or, for rows, outside sr as given).
  std::vector<int32_t> Columns, Rows;
};

// Clips dr and sr on dst (ClipStretch) and samples the clipped rectangle in 16.16 steps,
// flipped sampling the exact mirror; readable is what the source (and mask) hold. False when
// nothing is left to draw.
bool StretchSamples(TCustomDIBX& dst, const TRect& dr, const TRect& sr, bool flipH, bool flipV, const TRect& readable,
                    TStretchSamples& out);

}  // namespace orva
