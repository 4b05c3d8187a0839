#pragma once
// Drawing of the player's own window parts (toolbar, settings window) in the client picture.

#include <cstdint>

#include "platform/window_system.h"

namespace orva {

inline constexpr uint32_t ChromeFace = 0xF0F0F0, ChromeShadow = 0xA0A0A0, ChromeDarkShadow = 0x696969,
                          ChromeHighlight = 0xFFFFFF, ChromeText = 0x000000, ChromeGrayText = 0x8D8D8D;

// The part of r inside clip, filled.
void ChromeFill(uint32_t* pixels, int pitch, const TWinRect& clip, TWinRect r, uint32_t color);
// A one-pixel edge: raised (light top-left, dark bottom-right) or sunken.
void ChromeEdge(uint32_t* pixels, int pitch, const TWinRect& clip, const TWinRect& r, bool raised);

}  // namespace orva
