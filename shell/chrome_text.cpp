#include "shell/chrome_text.h"

#include <string>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/sjis.h"
#include "text/font_pixel_manager.h"

namespace orva {

namespace {

const std::string& ChromeFontName() {
  static const std::string name = Sjis("ＭＳ Ｐゴシック");
  return name;
}

// The glyph cache at its finest quality for one call, whatever the game's texts last asked for.
class TChromeGlyphs {
 public:
  TChromeGlyphs() : manager_(FontPixelManager()), quality_(manager_.Quality) { manager_.Quality = 3; }
  ~TChromeGlyphs() { manager_.Quality = quality_; }

  // Calls f with each character's glyph (none where the font fails).
  template <typename F>
  void ForEach(std::string_view utf8, F&& f) {
    const std::string text = Utf8ToSjis(utf8);
    for (size_t i = 0; i < text.size(); ++i) {
      uint16_t code = static_cast<uint8_t>(text[i]);
      if (IsLeadByte(text[i]) && i + 1 < text.size()) code = static_cast<uint16_t>(code << 8 | static_cast<uint8_t>(text[++i]));
      try {
        f(*manager_.GetGlyph(code, ChromeFontName(), TChromeText::PixelHeight, 0));
      } catch (const Exception&) {
      }
    }
  }

 private:
  TFontPixelManager& manager_;
  int32_t quality_;
};

}  // namespace

TChromeText& TChromeText::Instance() {
  static TChromeText text;
  return text;
}

int TChromeText::Width(std::string_view utf8) {
  int width = 0;
  TChromeGlyphs().ForEach(utf8, [&](const TFontPixel& g) { width += g.Advance(); });
  return width;
}

void TChromeText::Draw(uint32_t* pixels, int pitch, const TWinRect& clip, int x, int y, std::string_view utf8,
                       uint32_t color) {
  int pen = x;
  TChromeGlyphs().ForEach(utf8, [&](const TFontPixel& g) {
    for (int row = 0; row < g.Height(); ++row) {
      const int py = y + g.OriginY + row;
      if (py < clip.Top || py >= clip.Bottom) continue;
      const uint8_t* cover = g.Row(row);
      for (int col = 0; col < g.Width(); ++col) {
        const int px = pen + g.OriginX + col;
        const uint32_t a = cover[col];
        if (px < clip.Left || px >= clip.Right || a == 0) continue;
        uint32_t& out = pixels[static_cast<ptrdiff_t>(py) * pitch + px];
        uint32_t blended = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
          const uint32_t d = (out >> shift) & 0xFF, s = (color >> shift) & 0xFF;
          blended |= ((s * a + d * (255 - a) + 127) / 255) << shift;
        }
        out = blended;
      }
    }
    pen += g.Advance();
  });
}

}  // namespace orva
