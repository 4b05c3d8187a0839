#pragma once
// The glyph outline service behind the glyph cache: installed faces by exact name, fonts of a
// face at a height and weight, and per character the coverage bitmap at a number of levels,
// the black box, the origin, the advance, the ABC widths and the text width. The Linux
// backend is FreeType with fontconfig; tests script a fake one.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

struct TRasterFontSpec {
  int Face = -1;       // an id from FindFace; -1: the platform's default face
  int32_t Height = 0;  // pixels: above 0 the cell height, below 0 the em height
  bool Bold = false;
  bool Italic = false;
};

// Font-wide metrics in pixels.
struct TRasterFontMetrics {
  int32_t Ascent = 0;
  int32_t UnderscoreSize = 0;
  int32_t StrikeoutSize = 0;
  int32_t StrikeoutPosition = 0;  // above the base line
  int32_t Height = 0;             // the cell: ascent and descent; 0 when not known
};

// One rasterised character.
struct TRasterGlyph {
  int32_t Width = 0, Height = 0;     // the black box
  int32_t OriginX = 0;               // pen position to the box's left edge
  int32_t OriginY = 0;               // base line up to the box's top edge
  int32_t CellIncX = 0;              // the advance
  std::vector<uint8_t> Levels;       // Width × Height, top row first, each 0 .. levels − 1
};

struct TAbcWidths {
  int32_t A = 0, B = 0, C = 0;
};

class TRasterFont {
 public:
  enum class TOutcome { Ok, Blank, Failed };

  virtual ~TRasterFont() = default;
  virtual const TRasterFontMetrics& Metrics() = 0;
  // levels: 2 (one bit), 5, 17 or 65. Blank: the character has no pixels (a space).
  virtual TOutcome RenderGlyph(char32_t code, int levels, TRasterGlyph& glyph) = 0;
  virtual TAbcWidths AbcWidths(char32_t code) = 0;
  virtual int32_t TextWidth(std::u32string_view text) = 0;
};

class TGlyphRasteriser {
 public:
  virtual ~TGlyphRasteriser() = default;
  // The installed scalable face whose name (UTF-8) is exactly this; -1 when there is none.
  virtual int FindFace(std::string_view name) = 0;
  // A font of the face; nullptr when its metrics cannot be read.
  virtual std::unique_ptr<TRasterFont> CreateFont(const TRasterFontSpec& spec) = 0;
};

// FreeType over the faces fontconfig lists.
std::unique_ptr<TGlyphRasteriser> CreateFreeTypeRasteriser();

}  // namespace orva
