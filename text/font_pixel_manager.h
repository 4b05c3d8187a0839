#pragma once
// TFontPixelManager: the one glyph cache and rasteriser. Glyphs are found through 256
// buckets by the low byte of their code and kept in a most-recently-used list of at most 256;
// a miss rasterises through the platform's glyph outline service, re-creating the font only
// when the face, height or style changes. Callers set Quality before they ask for glyphs.

#include <array>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/glyph_rasteriser.h"
#include "text/font_pixel.h"

namespace orva {

class TCustomDIBX;

// The face every unknown face name falls back to.
const std::string& DefaultFontName();

class TFontPixelManager {
 public:
  static constexpr int kMaxGlyphs = 256;
  // Heights beyond this (either sign) give empty glyphs without asking the platform.
  static constexpr int32_t kMaxFontHeight = 1024;

  explicit TFontPixelManager(std::unique_ptr<TGlyphRasteriser> rasteriser);
  ~TFontPixelManager();
  TFontPixelManager(const TFontPixelManager&) = delete;
  TFontPixelManager& operator=(const TFontPixelManager&) = delete;

  // Anti-aliasing quality 0..3; drops to 0 after a rasterising failure.
  int32_t Quality = 3;

  // The cached glyph for the key with the current Quality, rasterised on a miss. Owned by
  // the cache: use it at once. Raises "Error:GetOutlineTextMetrics" when the font's metrics
  // cannot be read; the glyph is then not cached.
  TFontPixel* GetGlyph(uint16_t charCode, std::string_view fontName, int32_t fontHeight, uint8_t style);
  // Lookup only.
  TFontPixel* FindGlyph(uint16_t charCode, std::string_view fontName, int32_t fontHeight, uint8_t style,
                        int32_t quality);
  int Count() const { return static_cast<int>(recent_.size()); }

  // The A, B and C widths of the glyph's character in its face, style and height.
  TAbcWidths AbcWidths(const TFontPixel& glyph);
  TAbcWidths AbcWidths(uint16_t charCode, std::string_view fontName, int32_t fontHeight, uint8_t style);
  // The font's metrics; false when they cannot be read.
  bool FontMetrics(std::string_view fontName, int32_t fontHeight, uint8_t style, TRasterFontMetrics& metrics);

  // A line of Shift-JIS text: its width at the pen advances, and the line drawn with its
  // top-left at (x, y) in a raw pixel value of the target; returns the width drawn.
  int32_t MeasureTextLine(std::string_view text, std::string_view fontName, int32_t fontHeight, uint8_t style);
  int32_t DrawTextLine(TCustomDIBX& target, int x, int y, std::string_view text, std::string_view fontName,
                       int32_t fontHeight, uint8_t style, uint32_t pixel);

 private:
  struct TFontKey {
    std::string Name;
    int32_t Height = 0;
    uint8_t Style = 0;
    bool operator==(const TFontKey&) const = default;
  };

  int ResolveFace(const std::string& name);
  std::unique_ptr<TRasterFont> MakeFont(const TFontKey& key);
  void Rasterise(TFontPixel& glyph);
  void Forget(TFontPixel* glyph);
  // The font of the measuring operations, made again when the key changes; none when its
  // metrics cannot be read.
  TRasterFont* MeasuringFont(std::string_view fontName, int32_t fontHeight, uint8_t style);

  std::unique_ptr<TGlyphRasteriser> rasteriser_;
  std::array<std::vector<TFontPixel*>, 256> buckets_;
  std::list<std::unique_ptr<TFontPixel>> recent_;  // most recently used first; owns the glyphs
  std::map<std::string, int, std::less<>> faces_;  // resolved face names
  TFontKey current_;
  std::unique_ptr<TRasterFont> font_;
  TFontKey abcKey_;
  std::unique_ptr<TRasterFont> abcFont_;
};

// The global glyph cache, made with the FreeType rasteriser on first use.
TFontPixelManager& FontPixelManager();
// Installs a manager (tests install one over a fake rasteriser); returns the previous one.
std::unique_ptr<TFontPixelManager> SetFontPixelManager(std::unique_ptr<TFontPixelManager> manager);

// The character of a glyph code (single byte, or lead × 256 + trail) in Unicode, U+FFFD
// when it has none.
char32_t CharCodeToUnicode(uint16_t code);

}  // namespace orva
