// The glyph outline service on FreeType. Faces are found by their fontconfig family names,
// opened once and kept open; each font is a size object of its face. Heights follow the
// platform's font heights: a positive height is the cell height (ascent plus descent of the
// OS/2 table), a negative one the em height. Bold is emboldening, italic a shear.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <map>
#include <memory>

#include "platform/fonts.h"
#include "platform/glyph_rasteriser.h"

namespace orva {
namespace {

// The height the platform gives a font asked for with height 0.
constexpr int32_t kDefaultCellHeight = 16;

int32_t RoundPixels(FT_Pos value26) { return static_cast<int32_t>((value26 + 32) >> 6); }

class TFreeTypeLibrary {
 public:
  TFreeTypeLibrary() {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
  }
  ~TFreeTypeLibrary() {
    if (library_) FT_Done_FreeType(library_);
  }
  TFreeTypeLibrary(const TFreeTypeLibrary&) = delete;
  TFreeTypeLibrary& operator=(const TFreeTypeLibrary&) = delete;
  FT_Library Get() const { return library_; }

 private:
  FT_Library library_ = nullptr;
};

// An open face; the fonts made from it share it and keep the library alive.
class TOpenFace {
 public:
  TOpenFace(std::shared_ptr<TFreeTypeLibrary> library, FT_Face face) : library_(std::move(library)), face_(face) {}
  ~TOpenFace() { FT_Done_Face(face_); }
  TOpenFace(const TOpenFace&) = delete;
  TOpenFace& operator=(const TOpenFace&) = delete;
  FT_Face Get() const { return face_; }

 private:
  std::shared_ptr<TFreeTypeLibrary> library_;
  FT_Face face_;
};

class TFreeTypeFont : public TRasterFont {
 public:
  TFreeTypeFont(std::shared_ptr<TOpenFace> face, FT_Size size, const TRasterFontSpec& spec)
      : face_(std::move(face)), size_(size), bold_(spec.Bold), italic_(spec.Italic) {}
  ~TFreeTypeFont() override { FT_Done_Size(size_); }

  bool ReadMetrics() {
    FT_Face face = face_->Get();
    const FT_Fixed scale = size_->metrics.y_scale;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
    const FT_Long ascent = os2 && os2->usWinAscent + os2->usWinDescent > 0 ? os2->usWinAscent : face->ascender;
    metrics_.Ascent = RoundPixels(FT_MulFix(ascent, scale));
    const FT_Long extent = os2 && os2->usWinAscent + os2->usWinDescent > 0 ? FT_Long{os2->usWinAscent} + os2->usWinDescent
                                                                          : face->ascender - face->descender;
    metrics_.Height = RoundPixels(FT_MulFix(extent, scale));
    const FT_Long underline = post ? post->underlineThickness : face->underline_thickness;
    metrics_.UnderscoreSize = std::max(1, RoundPixels(FT_MulFix(underline, scale)));
    if (os2) {
      metrics_.StrikeoutSize = std::max(1, RoundPixels(FT_MulFix(os2->yStrikeoutSize, scale)));
      metrics_.StrikeoutPosition = RoundPixels(FT_MulFix(os2->yStrikeoutPosition, scale));
    } else {
      metrics_.StrikeoutSize = metrics_.UnderscoreSize;
      metrics_.StrikeoutPosition = metrics_.Ascent / 3;
    }
    return true;
  }

  const TRasterFontMetrics& Metrics() override { return metrics_; }

  TOutcome RenderGlyph(char32_t code, int levels, TRasterGlyph& glyph) override {
    const bool mono = levels <= 2;
    FT_GlyphSlot slot = Load(code, mono);
    if (!slot) return TOutcome::Failed;
    glyph.CellIncX = RoundPixels(slot->advance.x);
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE && slot->outline.n_points == 0) return TOutcome::Blank;
    if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return TOutcome::Failed;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.width == 0 || bitmap.rows == 0) return TOutcome::Blank;
    glyph.Width = static_cast<int32_t>(bitmap.width);
    glyph.Height = static_cast<int32_t>(bitmap.rows);
    glyph.OriginX = slot->bitmap_left;
    glyph.OriginY = slot->bitmap_top;
    glyph.Levels.assign(size_t(glyph.Width) * glyph.Height, 0);
    const int top = levels - 1;
    for (int y = 0; y < glyph.Height; ++y) {
      const uint8_t* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
      uint8_t* out = glyph.Levels.data() + size_t(y) * glyph.Width;
      if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        for (int x = 0; x < glyph.Width; ++x) out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1 ? top : 0;
      } else {
        for (int x = 0; x < glyph.Width; ++x) out[x] = static_cast<uint8_t>((row[x] * top + 127) / 255);
      }
    }
    return TOutcome::Ok;
  }

  TAbcWidths AbcWidths(char32_t code) override {
    FT_GlyphSlot slot = Load(code, false);
    if (!slot) return {};
    const int32_t advance = RoundPixels(slot->advance.x);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0 || slot->bitmap.width == 0) return {0, 0, advance};
    const int32_t a = slot->bitmap_left, b = static_cast<int32_t>(slot->bitmap.width);
    return {a, b, advance - a - b};
  }

  int32_t TextWidth(std::u32string_view text) override {
    int32_t width = 0;
    for (char32_t c : text)
      if (FT_GlyphSlot slot = Load(c, false)) width += RoundPixels(slot->advance.x);
    return width;
  }

 private:
  FT_GlyphSlot Load(char32_t code, bool mono) {
    FT_Face face = face_->Get();
    if (FT_Activate_Size(size_) != 0) return nullptr;
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (FT_Load_Glyph(face, index, mono ? FT_LOAD_TARGET_MONO : FT_LOAD_DEFAULT) != 0) return nullptr;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      if (bold_) FT_GlyphSlot_Embolden(slot);
      if (italic_) FT_GlyphSlot_Oblique(slot);
    }
    return slot;
  }

  std::shared_ptr<TOpenFace> face_;
  FT_Size size_;
  bool bold_, italic_;
  TRasterFontMetrics metrics_;
};

class TFreeTypeRasteriser : public TGlyphRasteriser {
 public:
  TFreeTypeRasteriser() : library_(std::make_shared<TFreeTypeLibrary>()) {}

  int FindFace(std::string_view name) override {
    if (!listed_) ListFaces();
    auto it = byName_.find(name);
    return it == byName_.end() ? -1 : it->second;
  }

  std::unique_ptr<TRasterFont> CreateFont(const TRasterFontSpec& spec) override {
    if (!listed_) ListFaces();
    std::shared_ptr<TOpenFace> face = Open(spec.Face >= 0 && spec.Face < int(faces_.size()) ? spec.Face : DefaultFace());
    if (!face) return nullptr;
    FT_Face f = face->Get();
    FT_Size size = nullptr;
    if (FT_New_Size(f, &size) != 0) return nullptr;
    auto font = std::make_unique<TFreeTypeFont>(face, size, spec);
    if (FT_Activate_Size(size) != 0 || FT_Set_Char_Size(f, 0, EmHeight26(f, spec.Height), 72, 72) != 0 ||
        !font->ReadMetrics())
      return nullptr;
    return font;
  }

 private:
  struct TFaceEntry {
    std::string file;
    int index = 0;
    std::shared_ptr<TOpenFace> open;
    bool failed = false;
  };

  // The em height in 26.6 pixels (72 dpi makes points pixels).
  static FT_F26Dot6 EmHeight26(FT_Face face, int32_t height) {
    if (height < 0) return static_cast<FT_F26Dot6>(-int64_t{height}) * 64;
    const int64_t cell = height == 0 ? kDefaultCellHeight : height;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const int64_t extent = os2 ? int64_t{os2->usWinAscent} + os2->usWinDescent : face->ascender - face->descender;
    if (extent <= 0 || face->units_per_EM == 0) return cell * 64;
    return std::max<int64_t>(1, cell * 64 * face->units_per_EM / extent);
  }

  void ListFaces() {
    listed_ = true;
    // A family name goes to its first upright face of normal weight, else to its first face.
    std::map<std::string, bool, std::less<>> regular;
    for (TSystemFace& face : ListScalableFaces()) {
      const int id = static_cast<int>(faces_.size());
      faces_.push_back({face.file, face.index, nullptr, false});
      for (const std::string& name : face.names) {
        auto [it, added] = byName_.emplace(name, id);
        if (added) {
          regular[name] = face.regular;
        } else if (face.regular && !regular[name]) {
          it->second = id;
          regular[name] = true;
        }
      }
    }
  }

  int DefaultFace() {
    if (defaultFace_ == -2) {
      defaultFace_ = -1;
      std::string file;
      int index = 0;
      if (MatchFontFile("sans-serif:lang=ja", file, index)) {
        defaultFace_ = static_cast<int>(faces_.size());
        faces_.push_back({file, index, nullptr, false});
      }
    }
    return defaultFace_;
  }

  std::shared_ptr<TOpenFace> Open(int id) {
    if (id < 0 || !library_->Get()) return nullptr;
    TFaceEntry& entry = faces_[size_t(id)];
    if (!entry.open && !entry.failed) {
      FT_Face face = nullptr;
      if (FT_New_Face(library_->Get(), entry.file.c_str(), entry.index, &face) == 0 && FT_IS_SCALABLE(face))
        entry.open = std::make_shared<TOpenFace>(library_, face);
      else if (face)
        FT_Done_Face(face);
      entry.failed = !entry.open;
    }
    return entry.open;
  }

  std::shared_ptr<TFreeTypeLibrary> library_;
  bool listed_ = false;
  std::vector<TFaceEntry> faces_;
  std::map<std::string, int, std::less<>> byName_;
  int defaultFace_ = -2;  // not looked up yet
};

}  // namespace

std::unique_ptr<TGlyphRasteriser> CreateFreeTypeRasteriser() { return std::make_unique<TFreeTypeRasteriser>(); }

}  // namespace orva
