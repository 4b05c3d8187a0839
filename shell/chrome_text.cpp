#include "shell/chrome_text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <string>

#include "platform/fonts.h"

namespace orva {

namespace {

// The next code point of UTF-8 text; a broken sequence gives U+FFFD and one byte.
char32_t NextCodePoint(std::string_view s, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint8_t b = byte(i);
  int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
  if (extra < 0 || i + static_cast<size_t>(extra) >= s.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t c = extra == 0 ? b : b & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    c = c << 6 | (byte(i + k) & 0x3F);
  }
  i += static_cast<size_t>(extra) + 1;
  return c;
}

std::string ChooseFontFile() {
  const std::vector<TSystemFont> fonts = ListJapaneseFonts();
  for (const char* wanted : {"IPAPGothic", "IPA Pゴシック", "IPAGothic", "IPAゴシック", "Gothic", "ゴシック"})
    for (const TSystemFont& f : fonts)
      if (f.family.find(wanted) != std::string::npos) return f.file;
  return fonts.empty() ? std::string() : fonts.front().file;
}

}  // namespace

struct TChromeText::TFreeType {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~TFreeType() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

TChromeText& TChromeText::Instance() {
  static TChromeText text;
  return text;
}

TChromeText::TChromeText() : ft_(std::make_unique<TFreeType>()) {
  const std::string file = ChooseFontFile();
  if (file.empty() || FT_Init_FreeType(&ft_->library) != 0) return;
  if (FT_New_Face(ft_->library, file.c_str(), 0, &ft_->face) != 0) {
    ft_->face = nullptr;
    return;
  }
  if (FT_Set_Pixel_Sizes(ft_->face, 0, PixelHeight) != 0) return;
  face_ = ft_->face;
}

TChromeText::~TChromeText() = default;

int TChromeText::Width(std::string_view utf8) {
  if (!face_) return 0;
  FT_Face face = ft_->face;
  int width = 0;
  for (size_t i = 0; i < utf8.size();) {
    const char32_t c = NextCodePoint(utf8, i);
    if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) == 0) width += static_cast<int>(face->glyph->advance.x >> 6);
  }
  return width;
}

void TChromeText::Draw(uint32_t* pixels, int pitch, const TWinRect& clip, int x, int y, std::string_view utf8,
                       uint32_t color) {
  if (!face_) return;
  FT_Face face = ft_->face;
  const int ascent = static_cast<int>(face->size->metrics.ascender >> 6);
  const int baseline = y + std::min(ascent, PixelHeight - 1);
  int penX = x;
  for (size_t i = 0; i < utf8.size();) {
    const char32_t c = NextCodePoint(utf8, i);
    if (FT_Load_Char(face, c, FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot g = face->glyph;
    const FT_Bitmap& bm = g->bitmap;
    if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
      const int left = penX + g->bitmap_left, top = baseline - g->bitmap_top;
      for (int row = 0; row < static_cast<int>(bm.rows); ++row) {
        const int py = top + row;
        if (py < clip.Top || py >= clip.Bottom) continue;
        const uint8_t* cover = bm.buffer + static_cast<ptrdiff_t>(row) * bm.pitch;
        for (int col = 0; col < static_cast<int>(bm.width); ++col) {
          const int px = left + col;
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
    }
    penX += static_cast<int>(g->advance.x >> 6);
  }
}

}  // namespace orva
