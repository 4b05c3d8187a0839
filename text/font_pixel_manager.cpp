#include "text/font_pixel_manager.h"

#include <algorithm>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/sjis.h"
#include "graphics/dibx.h"

namespace orva {
namespace {

// Faces the games name that Linux does not have, answered by the IPA faces.
struct TFaceAlias {
  const char* name;  // UTF-8 of the Shift-JIS name
  const char* face;
};
constexpr TFaceAlias kFaceAliases[] = {
    {"ＭＳ ゴシック", "IPAGothic"},
    {"ＭＳ Ｐゴシック", "IPAPGothic"},
    {"ＭＳ 明朝", "IPAMincho"},
    {"ＭＳ Ｐ明朝", "IPAPMincho"},
};

// Resolved names are kept; a flood of distinct names starts the table afresh.
constexpr size_t kMaxResolvedFaces = 1024;

int LevelsOf(int32_t quality) {
  switch (quality) {
    case 1: return 5;
    case 2: return 17;
    case 3: return 65;
    default: return quality > 3 ? 65 : 2;
  }
}

// The first code point of UTF-8 text; U+FFFD when there is none.
char32_t FirstCodePoint(std::string_view s) {
  if (s.empty()) return U'\uFFFD';
  const auto b = [&](size_t i) { return i < s.size() ? static_cast<uint8_t>(s[i]) : 0u; };
  const uint32_t c = b(0);
  if (c < 0x80) return c;
  if ((c & 0xE0) == 0xC0) return (c & 0x1F) << 6 | (b(1) & 0x3F);
  if ((c & 0xF0) == 0xE0) return (c & 0x0F) << 12 | (b(1) & 0x3F) << 6 | (b(2) & 0x3F);
  return (c & 0x07) << 18 | (b(1) & 0x3F) << 12 | (b(2) & 0x3F) << 6 | (b(3) & 0x3F);
}

std::unique_ptr<TFontPixelManager>& GlobalManager() {
  static std::unique_ptr<TFontPixelManager> manager;
  return manager;
}

}  // namespace

const std::string& DefaultFontName() { return Sjis("ＭＳ ゴシック"); }

char32_t CharCodeToUnicode(uint16_t code) {
  constexpr char32_t kUnknown = 0xFFFFFFFF;
  static std::vector<char32_t> table(65536, kUnknown);
  char32_t& entry = table[code];
  if (entry == kUnknown) {
    std::string bytes;
    if (code > 255) bytes.push_back(static_cast<char>(code >> 8));
    bytes.push_back(static_cast<char>(code & 0xFF));
    entry = FirstCodePoint(SjisToUtf8(bytes));
  }
  return entry;
}

TFontPixelManager::TFontPixelManager(std::unique_ptr<TGlyphRasteriser> rasteriser)
    : rasteriser_(std::move(rasteriser)) {}

TFontPixelManager::~TFontPixelManager() = default;

TFontPixel* TFontPixelManager::FindGlyph(uint16_t charCode, std::string_view fontName, int32_t fontHeight,
                                         uint8_t style, int32_t quality) {
  for (TFontPixel* g : buckets_[charCode & 0xFF])
    if (g->CharCode == charCode && g->FontName == fontName && g->FontHeight == fontHeight && g->Style == style &&
        g->Quality == quality)
      return g;
  return nullptr;
}

void TFontPixelManager::Forget(TFontPixel* glyph) {
  auto& bucket = buckets_[glyph->CharCode & 0xFF];
  bucket.erase(std::find(bucket.begin(), bucket.end(), glyph));
  recent_.erase(glyph->recent_);
}

TFontPixel* TFontPixelManager::GetGlyph(uint16_t charCode, std::string_view fontName, int32_t fontHeight,
                                        uint8_t style) {
  if (TFontPixel* hit = FindGlyph(charCode, fontName, fontHeight, style, Quality)) {
    recent_.splice(recent_.begin(), recent_, hit->recent_);
    return hit;
  }
  auto owned = std::make_unique<TFontPixel>(charCode, std::string(fontName), fontHeight, style, Quality, this);
  TFontPixel* glyph = owned.get();
  buckets_[charCode & 0xFF].push_back(glyph);
  recent_.push_front(std::move(owned));
  glyph->recent_ = recent_.begin();
  if (recent_.size() > size_t(kMaxGlyphs)) Forget(recent_.back().get());

  if (fontHeight > kMaxFontHeight || fontHeight < -kMaxFontHeight) return glyph;
  TFontKey key{std::string(fontName), fontHeight, style};
  if (!font_ || !(key == current_)) {
    std::unique_ptr<TRasterFont> font = MakeFont(key);
    if (!font) {
      Forget(glyph);
      throw Exception("Error:GetOutlineTextMetrics");
    }
    font_ = std::move(font);
    current_ = std::move(key);
  }
  Rasterise(*glyph);
  return glyph;
}

void TFontPixelManager::Rasterise(TFontPixel& glyph) {
  const char32_t ch = CharCodeToUnicode(glyph.CharCode);
  TRasterGlyph out;
  TRasterFont::TOutcome outcome = font_->RenderGlyph(ch, LevelsOf(Quality), out);
  if (outcome == TRasterFont::TOutcome::Failed) {
    Quality = 0;
    out = {};
    outcome = font_->RenderGlyph(ch, 2, out);
    if (outcome == TRasterFont::TOutcome::Failed) return;
  }
  const bool sized = out.Width > 0 && out.Height > 0 && out.Width <= 4 * kMaxFontHeight &&
                     out.Height <= 4 * kMaxFontHeight && out.Levels.size() == size_t(out.Width) * out.Height;
  if (outcome == TRasterFont::TOutcome::Blank || !sized) {
    glyph.RightGap = font_->TextWidth(std::u32string(1, ch));
    return;
  }
  const TRasterFontMetrics& metrics = font_->Metrics();
  glyph.SetSize(out.Width, out.Height);
  glyph.OriginX = std::max(0, out.OriginX);
  glyph.OriginY = static_cast<int32_t>(std::max<int64_t>(0, int64_t{metrics.Ascent} - out.OriginY));
  const int64_t gap = int64_t{out.CellIncX} - (int64_t{out.Width} + glyph.OriginX);
  glyph.RightGap = gap > 0 ? static_cast<int32_t>(std::min<int64_t>(gap, INT32_MAX)) : 0;
  if (glyph.Style & kStyleUnderline) glyph.UnderlineSize = metrics.UnderscoreSize;
  if (glyph.Style & kStyleStrikeOut) {
    glyph.StrikeoutTop = metrics.Ascent - metrics.StrikeoutPosition;
    glyph.StrikeoutSize = metrics.StrikeoutSize;
  }
  const std::span<const uint8_t> table = CoverageTable(std::clamp(Quality, 0, 3));
  const uint8_t top = static_cast<uint8_t>(table.size() - 1);
  for (int y = 0; y < out.Height; ++y) {
    const uint8_t* src = out.Levels.data() + size_t(y) * out.Width;
    uint8_t* dst = glyph.Row(y);
    for (int x = 0; x < out.Width; ++x) dst[x] = table[std::min(src[x], top)];
  }
}

int TFontPixelManager::ResolveFace(const std::string& name) {
  if (auto it = faces_.find(name); it != faces_.end()) return it->second;
  int id = rasteriser_->FindFace(SjisToUtf8(name));
  for (const TFaceAlias& alias : kFaceAliases)
    if (id < 0 && name == Sjis(alias.name)) id = rasteriser_->FindFace(alias.face);
  if (id < 0 && name != DefaultFontName()) id = ResolveFace(DefaultFontName());
  if (faces_.size() >= kMaxResolvedFaces) faces_.clear();
  faces_.emplace(name, id);
  return id;
}

std::unique_ptr<TRasterFont> TFontPixelManager::MakeFont(const TFontKey& key) {
  TRasterFontSpec spec;
  spec.Face = ResolveFace(key.Name);
  spec.Height = key.Height;
  spec.Bold = (key.Style & kStyleBold) != 0;
  spec.Italic = (key.Style & kStyleItalic) != 0;
  return rasteriser_->CreateFont(spec);
}

TRasterFont* TFontPixelManager::MeasuringFont(std::string_view fontName, int32_t fontHeight, uint8_t style) {
  TFontKey key{std::string(fontName), fontHeight, style};
  if (!(key == abcKey_) || !abcFont_) {
    abcFont_ = MakeFont(key);
    abcKey_ = std::move(key);
  }
  return abcFont_.get();
}

TAbcWidths TFontPixelManager::AbcWidths(const TFontPixel& glyph) {
  return AbcWidths(glyph.CharCode, glyph.FontName, glyph.FontHeight, glyph.Style);
}

TAbcWidths TFontPixelManager::AbcWidths(uint16_t charCode, std::string_view fontName, int32_t fontHeight,
                                        uint8_t style) {
  TRasterFont* font = MeasuringFont(fontName, fontHeight, style);
  return font ? font->AbcWidths(CharCodeToUnicode(charCode)) : TAbcWidths{};
}

bool TFontPixelManager::FontMetrics(std::string_view fontName, int32_t fontHeight, uint8_t style,
                                    TRasterFontMetrics& metrics) {
  TRasterFont* font = MeasuringFont(fontName, fontHeight, style);
  if (!font) return false;
  metrics = font->Metrics();
  return true;
}

// ---- Lines of text ----

int32_t TFontPixelManager::MeasureTextLine(std::string_view text, std::string_view fontName, int32_t fontHeight,
                                           uint8_t style) {
  int64_t width = 0;
  ForEachCharCode(text, [&](uint16_t code, bool) {
    try {
      width += GetGlyph(code, fontName, fontHeight, style)->Advance();
    } catch (const Exception&) {
    }
  });
  return static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
}

int32_t TFontPixelManager::DrawTextLine(TCustomDIBX& target, int x, int y, std::string_view text,
                                        std::string_view fontName, int32_t fontHeight, uint8_t style,
                                        uint32_t pixel) {
  int64_t width = 0, height = std::abs(int64_t{fontHeight});
  ForEachCharCode(text, [&](uint16_t code, bool) {
    try {
      const TFontPixel* g = GetGlyph(code, fontName, fontHeight, style);
      width += g->Advance();
      height = std::max<int64_t>(height, int64_t{g->OriginY} + g->Height());
    } catch (const Exception&) {
    }
  });
  // Text wider or taller than any screen is not drawn.
  if (width <= 0 || height <= 0 || width > 16384 || height > 4 * kMaxFontHeight) return 0;
  TDIBX mask;
  mask.SetSize(static_cast<int>(width), static_cast<int>(height), 8);
  mask.FillRect(mask.GetBoundsRect(), 0);
  int64_t pen = 0;
  ForEachCharCode(text, [&](uint16_t code, bool) {
    try {
      const TFontPixel* g = GetGlyph(code, fontName, fontHeight, style);
      g->MaskMax(mask, pen + g->OriginX, g->OriginY);
      pen += g->Advance();
    } catch (const Exception&) {
    }
  });
  target.DrawColorMask(x, y, mask, mask.GetBoundsRect(), false, false, pixel, 255);
  return static_cast<int32_t>(width);
}

TFontPixelManager& FontPixelManager() {
  auto& manager = GlobalManager();
  if (!manager) manager = std::make_unique<TFontPixelManager>(CreateFreeTypeRasteriser());
  return *manager;
}

std::unique_ptr<TFontPixelManager> SetFontPixelManager(std::unique_ptr<TFontPixelManager> manager) {
  std::swap(GlobalManager(), manager);
  return manager;
}

}  // namespace orva
