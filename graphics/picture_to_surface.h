#pragma once
// The copy of a decoded picture into a drawing surface at the surface's own depth: the
// conversion the surface loaders and the decoded-image cache share.

#include <cstdint>

namespace orva {

class TDIB;
class TCustomDIBX;

// The surface takes the picture's size at its own bit count; every pixel becomes the raw
// value of its colour in the surface's format (no dither; at 8 bits and below the nearest
// entry of the surface's palette, or the index itself between pictures of equal bits).
// Equal formats and 24 to 32 bits are copied directly.
void CopyPictureToSurface(TDIB& picture, TCustomDIBX& surface);

// Top-down 0x00RRGGBB rows (`pitch` bytes apart) into the top-left of a surface of 15, 16 or
// 32 bits, which keeps its size: what lies outside either is left out. Colours are packed
// as CopyPictureToSurface packs them.
void CopyXRGBToSurface(const uint32_t* pixels, int width, int height, int64_t pitch, TCustomDIBX& surface);

}  // namespace orva
