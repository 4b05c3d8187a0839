#pragma once
// Texts of the player's own window parts (the toolbar, the settings window, drawn boxes),
// 12 pixels high in the proportional gothic face, from the glyph cache, drawn straight into
// the window's client picture.

#include <cstdint>
#include <string_view>

#include "platform/window_system.h"

namespace orva {

class TChromeText {
 public:
  static constexpr int PixelHeight = 12;

  static TChromeText& Instance();

  // Advance width of UTF-8 text in pixels.
  int Width(std::string_view utf8);
  // Draws UTF-8 text with the top of its 12-pixel line at y, blending coverage over what is
  // there; nothing outside clip.
  void Draw(uint32_t* pixels, int pitch, const TWinRect& clip, int x, int y, std::string_view utf8, uint32_t color);

 private:
  TChromeText() = default;
};

}  // namespace orva
