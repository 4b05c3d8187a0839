#pragma once
// Texts of the player's own window parts (the toolbar, the settings window), 12 pixels high
// in the proportional IPA Gothic, drawn straight into the window's client picture. Without
// a usable font nothing is drawn.

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/window_system.h"

namespace orva {

class TChromeText {
 public:
  static constexpr int PixelHeight = 12;

  static TChromeText& Instance();
  ~TChromeText();

  bool Available() const { return face_ != nullptr; }
  // Advance width of UTF-8 text in pixels.
  int Width(std::string_view utf8);
  // Draws UTF-8 text with the top of its 12-pixel line at y, blending coverage over what is
  // there; nothing outside clip.
  void Draw(uint32_t* pixels, int pitch, const TWinRect& clip, int x, int y, std::string_view utf8, uint32_t color);

 private:
  TChromeText();
  struct TFreeType;
  std::unique_ptr<TFreeType> ft_;
  void* face_ = nullptr;
};

}  // namespace orva
