#pragma once
// TFontPixel: one cached glyph, an 8-bit coverage bitmap of one character in one face, cell
// height, style and anti-aliasing quality, and its painting into a colour surface and the
// 8-bit mask surface that goes with it: the body, a square border, a drop shadow, and
// underline and strike-out lines that join across neighbouring glyphs of the same look.

#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/rect.h"
#include "platform/glyph_rasteriser.h"

namespace orva {

class TCustomDIBX;
class TFontPixelManager;

// Style bits of a glyph.
inline constexpr uint8_t kStyleBold = 1;
inline constexpr uint8_t kStyleItalic = 2;
inline constexpr uint8_t kStyleUnderline = 4;
inline constexpr uint8_t kStyleStrikeOut = 8;

// The coverage each outline level becomes, by quality 0..3 (2, 5, 17 and 65 levels).
std::span<const uint8_t> CoverageTable(int quality);

class TFontPixel {
 public:
  TFontPixel(uint16_t charCode, std::string fontName, int32_t fontHeight, uint8_t style, int32_t quality,
             TFontPixelManager* manager = nullptr);

  // The cache key.
  uint16_t CharCode;
  std::string FontName;
  int32_t FontHeight;
  uint8_t Style;
  int32_t Quality;

  int32_t OriginX = 0;
  int32_t OriginY = 0;
  int32_t UnderlineSize = 0;
  int32_t StrikeoutTop = 0;
  int32_t StrikeoutSize = 0;
  int32_t RightGap = 0;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool IsEmpty() const { return width_ == 0 || height_ == 0; }
  int32_t Advance() const { return OriginX + width_ + RightGap; }
  // A zeroed coverage bitmap of the size; 0 × 0 empties it.
  void SetSize(int width, int height);
  uint8_t* Row(int y) { return coverage_.data() + size_t(y) * width_; }
  const uint8_t* Row(int y) const { return coverage_.data() + size_t(y) * width_; }

  // Paints the glyph for the character cell (surface coordinates) and returns the bounding
  // rectangle of what it painted, (0, 0, 0, 0) for a blank glyph. Colours are raw pixel
  // values of the colour surface. prevDiffers / nextDiffers: the glyph starts / ends a run
  // of glyphs with the same border and shadow.
  TRect DrawText(TCustomDIBX& colour, TCustomDIBX& mask, const TRect& cell, int32_t border, int32_t shadow,
                 bool prevDiffers, bool nextDiffers, uint32_t color, uint32_t borderColor, uint32_t shadowColor);

  // The pixel rules, each with the bitmap's top-left at (x, y), clipped to the target.
  void DrawSolid(TCustomDIBX& colour, int64_t x, int64_t y, uint32_t color) const;
  void DrawOnColor(TCustomDIBX& colour, int64_t x, int64_t y, uint32_t color, uint32_t under) const;
  void DrawOver(TCustomDIBX& colour, TCustomDIBX& mask, int64_t x, int64_t y, uint32_t color) const;
  void MaskSolid(TCustomDIBX& mask, int64_t x, int64_t y) const;
  void MaskMax(TCustomDIBX& mask, int64_t x, int64_t y) const;
  // DrawOver of every covered pixel at every offset within width (≥ 1), so the ring's
  // opacity builds up where many glyph pixels are near.
  void DrawBorder(TCustomDIBX& colour, TCustomDIBX& mask, int64_t x, int64_t y, uint32_t color, int32_t width) const;
  // A plain copy of the coverage into the mask.
  void CopyToMask(TCustomDIBX& mask, int64_t x, int64_t y) const;

 private:
  friend class TFontPixelManager;
  int64_t CentringOffset(int64_t cellWidth);

  int width_ = 0, height_ = 0;
  std::vector<uint8_t> coverage_;
  TFontPixelManager* manager_;
  std::optional<TAbcWidths> abc_;  // measured on the first centring
  std::list<std::unique_ptr<TFontPixel>>::iterator recent_;
};

}  // namespace orva
