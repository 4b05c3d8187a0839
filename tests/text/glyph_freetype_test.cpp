// Real glyphs of the IPA faces (fonts-ipafont 00303) through FreeType (2.12 of Debian 12).
// Pixels differ between FreeType versions, so these check structure and compare the one
// golden with a tolerance.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/encoding.h"
#include "text/font_pixel_manager.h"

namespace orva {
namespace {

constexpr uint16_t kHiraganaA = 0x82A0;  // あ
const char* const kGothicFile = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

class RealGlyphs : public testing::Test {
 protected:
  void SetUp() override {
    std::unique_ptr<TGlyphRasteriser> rasteriser = CreateFreeTypeRasteriser();
    if (rasteriser->FindFace("IPAGothic") < 0) GTEST_SKIP() << "the IPA faces are not installed";
    manager = std::make_unique<TFontPixelManager>(std::move(rasteriser));
  }
  TFontPixel* Get(uint16_t code, const std::string& face, int32_t height = 24, int quality = 3) {
    manager->Quality = quality;
    return manager->GetGlyph(code, face, height, 0);
  }
  static std::vector<uint8_t> Pixels(const TFontPixel& g) {
    std::vector<uint8_t> out;
    for (int y = 0; y < g.Height(); ++y) out.insert(out.end(), g.Row(y), g.Row(y) + g.Width());
    return out;
  }

  std::unique_ptr<TFontPixelManager> manager;
};

TEST_F(RealGlyphs, CoverageComesOnlyFromTheQualityTable) {
  for (int q = 0; q < 4; ++q) {
    const std::span<const uint8_t> table = CoverageTable(q);
    const std::set<uint8_t> allowed(table.begin(), table.end());
    TFontPixel* g = Get(kHiraganaA, Sjis("ＭＳ ゴシック"), 24, q);
    ASSERT_FALSE(g->IsEmpty());
    std::set<uint8_t> seen;
    for (uint8_t v : Pixels(*g)) {
      EXPECT_TRUE(allowed.count(v)) << "quality " << q << " value " << int(v);
      seen.insert(v);
    }
    EXPECT_TRUE(seen.count(255)) << q;
    if (q > 0) {
      EXPECT_GT(seen.size(), 2u) << "anti-aliased at quality " << q;
    }
  }
}

// The box and advance agree with FreeType's own rendering at the em size the cell height
// gives (cell 24 of ascent 1802 + descent 401 at 2048 units per em).
TEST_F(RealGlyphs, BoxAndAdvanceMatchFreeTypesOwn) {
  FT_Library library;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  FT_Face face;
  ASSERT_EQ(FT_New_Face(library, kGothicFile, 0, &face), 0);
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const int ppem = (24 * face->units_per_EM + (os2->usWinAscent + os2->usWinDescent) / 2) /
                   (os2->usWinAscent + os2->usWinDescent);
  FT_Set_Pixel_Sizes(face, 0, ppem);
  for (uint16_t code : {kHiraganaA, uint16_t('A'), uint16_t(0x8AbF) /* 漢 */}) {
    SCOPED_TRACE(code);
    std::string bytes;
    if (code > 255) bytes.push_back(char(code >> 8));
    bytes.push_back(char(code & 0xFF));
    const char32_t unicode = CharCodeToUnicode(code);
    ASSERT_EQ(FT_Load_Char(face, unicode, FT_LOAD_RENDER), 0);
    TFontPixel* g = Get(code, "IPAGothic");
    EXPECT_NEAR(g->Width(), int(face->glyph->bitmap.width), 1);
    EXPECT_NEAR(g->Height(), int(face->glyph->bitmap.rows), 1);
    EXPECT_NEAR(g->Advance(), int(face->glyph->advance.x >> 6), 1);
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
}

TEST_F(RealGlyphs, FullWidthIsAboutAnEmAndHalfWidthAboutHalf) {
  const int em = 22;  // the em of cell height 24
  EXPECT_NEAR(Get(kHiraganaA, "IPAGothic")->Advance(), em, 1);
  EXPECT_NEAR(Get(0x8341 /* ア */, "IPAGothic")->Advance(), em, 1);
  EXPECT_NEAR(Get('A', "IPAGothic")->Advance(), em / 2, 1);
  EXPECT_NEAR(Get(0xB1 /* half-width ｱ */, "IPAGothic")->Advance(), em / 2, 1);
  for (uint16_t code : {uint16_t(0x20), uint16_t(0x8140)}) {
    TFontPixel* blank = Get(code, "IPAGothic");
    EXPECT_TRUE(blank->IsEmpty()) << code;
    EXPECT_EQ(blank->RightGap, blank->Advance());
    EXPECT_NEAR(blank->RightGap, code == 0x20 ? em / 2 : em, 1);
  }
  TFontPixel* under = manager->GetGlyph(kHiraganaA, "IPAGothic", 24, kStyleUnderline | kStyleStrikeOut);
  EXPECT_GE(under->UnderlineSize, 1);
  EXPECT_GT(under->StrikeoutTop, 0);
  EXPECT_LT(under->StrikeoutTop, 24);
}

TEST_F(RealGlyphs, WrongCaseNameFallsBackToTheGothicFace) {
  const std::vector<uint8_t> gothic = Pixels(*Get(kHiraganaA, Sjis("IPAゴシック")));
  EXPECT_EQ(Pixels(*Get(kHiraganaA, Sjis("ipa明朝"))), gothic);
  EXPECT_EQ(Pixels(*Get(kHiraganaA, Sjis("ＭＳ ゴシック"))), gothic);
  EXPECT_NE(Pixels(*Get(kHiraganaA, Sjis("IPA明朝"))), gothic);
  EXPECT_NE(Pixels(*Get(kHiraganaA, Sjis("ＭＳ 明朝"))), gothic);
}

// The golden is a plain PGM: "P2", width, height, 255, then the values. Set
// ORVA_WRITE_GOLDENS=1 to write them afresh.
TEST_F(RealGlyphs, GoldenHiraganaAtEachQuality) {
  for (int q = 0; q < 4; ++q) {
    SCOPED_TRACE(q);
    TFontPixel* g = Get(kHiraganaA, Sjis("ＭＳ ゴシック"), 24, q);
    const std::string path = std::string(ORVA_TEST_DATA_DIR) + "/text/hiragana_a_24_q" + std::to_string(q) + ".pgm";
    if (std::getenv("ORVA_WRITE_GOLDENS")) {
      std::ofstream out(path);
      out << "P2\n" << g->Width() << ' ' << g->Height() << "\n255\n";
      for (int y = 0; y < g->Height(); ++y) {
        for (int x = 0; x < g->Width(); ++x) out << int(g->Row(y)[x]) << (x + 1 < g->Width() ? " " : "\n");
      }
      continue;
    }
    std::ifstream in(path);
    ASSERT_TRUE(in) << path;
    std::string magic;
    int w = 0, h = 0, maxValue = 0;
    in >> magic >> w >> h >> maxValue;
    ASSERT_EQ(magic, "P2");
    std::vector<int> golden(size_t(w) * h);
    for (int& v : golden) in >> v;
    EXPECT_NEAR(g->Width(), w, 1);
    EXPECT_NEAR(g->Height(), h, 1);
    // Over the common area, the mean difference stays small.
    const int cw = std::min(w, g->Width()), ch = std::min(h, g->Height());
    int64_t diff = 0;
    for (int y = 0; y < ch; ++y)
      for (int x = 0; x < cw; ++x) diff += std::abs(int(g->Row(y)[x]) - golden[size_t(y) * w + x]);
    EXPECT_LT(diff / std::max(1, cw * ch), 24);
  }
}

}  // namespace
}  // namespace orva
