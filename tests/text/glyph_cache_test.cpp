// The glyph cache over a fake rasteriser: keys, recency and eviction, the font it makes, the
// coverage tables, the fallback face and the failures.
#include <gtest/gtest.h>

#include <memory>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "graphics/dibx.h"
#include "kit/fake_rasteriser.h"
#include "text/font_pixel_manager.h"

namespace orva {
namespace {

class GlyphCache : public testing::Test {
 protected:
  GlyphCache() : fake(std::make_shared<kit::FakeRasteriserState>()) {
    gothic = fake->AddFace("IPAGothic");
    mincho = fake->AddFace("IPAMincho");
    manager = std::make_unique<TFontPixelManager>(kit::MakeFakeRasteriser(fake));
  }
  TFontPixel* Get(uint16_t code, const std::string& name = "IPAGothic", int32_t height = 16, uint8_t style = 0) {
    return manager->GetGlyph(code, name, height, style);
  }

  std::shared_ptr<kit::FakeRasteriserState> fake;
  int gothic = 0, mincho = 0;
  std::unique_ptr<TFontPixelManager> manager;
};

TEST_F(GlyphCache, TheGlyphAfterTheLastOfTwoHundredFiftySixEvictsTheLeastRecentlyUsed) {
  for (int code = 0; code < 256; ++code) Get(static_cast<uint16_t>(code));
  EXPECT_EQ(manager->Count(), 256);
  Get(0);    // touched: now the most recent
  Get(256);  // same bucket as 0, new
  EXPECT_EQ(manager->Count(), 256);
  EXPECT_NE(manager->FindGlyph(0, "IPAGothic", 16, 0, 3), nullptr);
  EXPECT_EQ(manager->FindGlyph(1, "IPAGothic", 16, 0, 3), nullptr);
  EXPECT_NE(manager->FindGlyph(256, "IPAGothic", 16, 0, 3), nullptr);
  Get(300);
  EXPECT_EQ(manager->FindGlyph(2, "IPAGothic", 16, 0, 3), nullptr);  // one eviction per miss
  EXPECT_NE(manager->FindGlyph(3, "IPAGothic", 16, 0, 3), nullptr);
}

TEST_F(GlyphCache, EachKeyPartSeparatesAndAHitDoesNoFontWork) {
  TFontPixel* first = Get('A');
  EXPECT_NE(Get('A', "IPAMincho"), first);
  EXPECT_NE(Get('A', "IPAGothic", 17), first);
  EXPECT_NE(Get('A', "IPAGothic", 16, kStyleBold), first);
  manager->Quality = 2;
  EXPECT_NE(Get('A'), first);
  EXPECT_NE(Get('B'), first);
  EXPECT_EQ(manager->Count(), 6);
  const kit::FakeRasteriserState::Counters before = fake->counts;
  const size_t fonts = fake->fontsMade.size();
  manager->Quality = 3;
  EXPECT_EQ(Get('A'), first);
  EXPECT_EQ(fake->counts.render, before.render);
  EXPECT_EQ(fake->counts.findFace, before.findFace);
  EXPECT_EQ(fake->fontsMade.size(), fonts);
  // A face name is exact: another letter case is another key.
  EXPECT_NE(Get('A', "ipagothic"), first);
}

TEST_F(GlyphCache, FontIsMadeOnlyWhenFaceHeightOrStyleChange) {
  Get('A');
  Get('B');
  Get('C', "IPAGothic", 16, kStyleUnderline);
  Get('D', "IPAGothic", 16, kStyleUnderline);
  Get('E', "IPAMincho", -20, kStyleBold | kStyleItalic);
  ASSERT_EQ(fake->fontsMade.size(), 3u);
  EXPECT_EQ(fake->fontsMade[0].Face, gothic);
  EXPECT_EQ(fake->fontsMade[0].Height, 16);
  EXPECT_FALSE(fake->fontsMade[0].Bold);
  EXPECT_EQ(fake->fontsMade[2].Face, mincho);
  EXPECT_EQ(fake->fontsMade[2].Height, -20);
  EXPECT_TRUE(fake->fontsMade[2].Bold);
  EXPECT_TRUE(fake->fontsMade[2].Italic);
}

// Unknown names, other letter cases and the names the games use fall back through the alias
// table to the gothic face; without it the platform's default face is asked for.
TEST_F(GlyphCache, FaceNamesFallBackToTheGothicFace) {
  struct Case {
    std::string name;
    int face;
  };
  const Case cases[] = {
      {"IPAMincho", mincho},
      {"ipamincho", gothic},
      {"no such face", gothic},
      {Sjis("ＭＳ ゴシック"), gothic},
      {Sjis("ＭＳ 明朝"), mincho},
      {Sjis("ＭＳ Ｐ明朝"), gothic},  // IPAPMincho is not installed here
  };
  for (const Case& t : cases) {
    Get('A', t.name);
    EXPECT_EQ(fake->fontsMade.back().Face, t.face) << t.name;
  }
  fake->faces = {"Other"};
  TFontPixelManager bare(kit::MakeFakeRasteriser(fake));
  bare.GetGlyph('A', "IPAGothic", 16, 0);
  EXPECT_EQ(fake->fontsMade.back().Face, -1);
}

TEST_F(GlyphCache, CoverageLevelsBecomeTheQualityTables) {
  fake->glyphs[U'A'] = kit::FakeGlyph::Picture({"#.1", "5.9"});  // 255, 0, 28, 140, 0, 252
  const std::vector<std::vector<int>> expected = {
      {255, 0, 0, 255, 0, 255},      // one bit: level (v + 127) div 255
      {255, 0, 0, 127, 0, 255},      // 5 levels
      {255, 0, 55, 171, 0, 255},     // 17 levels
      {255, 0, 36, 152, 0, 252},     // 65 levels: 252 is level 63
  };
  for (int q = 0; q < 4; ++q) {
    manager->Quality = q;
    TFontPixel* g = Get('A');
    ASSERT_EQ(g->Width(), 3);
    std::vector<int> got;
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) got.push_back(g->Row(y)[x]);
    EXPECT_EQ(got, expected[size_t(q)]) << "quality " << q;
    EXPECT_EQ(fake->levelsAsked.back(), std::vector<int>({2, 5, 17, 65})[size_t(q)]);
  }
}

TEST_F(GlyphCache, MetricsOfTheGlyph) {
  fake->metrics = {13, 2, 3, 5};
  fake->glyphs[U'A'] = kit::FakeGlyph::Box(4, 6, 1, 10, 8);
  fake->glyphs[U'B'] = kit::FakeGlyph::Box(4, 6, -2, 20, 1);
  TFontPixel* a = Get('A', "IPAGothic", 16, kStyleUnderline | kStyleStrikeOut);
  EXPECT_EQ(a->OriginX, 1);
  EXPECT_EQ(a->OriginY, 3);  // ascent 13 − 10
  EXPECT_EQ(a->RightGap, 3);
  EXPECT_EQ(a->Advance(), 8);
  EXPECT_EQ(a->UnderlineSize, 2);
  EXPECT_EQ(a->StrikeoutTop, 8);
  EXPECT_EQ(a->StrikeoutSize, 3);
  TFontPixel* b = Get('B');
  EXPECT_EQ(b->OriginX, 0);  // negative origins count as 0
  EXPECT_EQ(b->OriginY, 0);
  EXPECT_EQ(b->RightGap, 0);
  EXPECT_EQ(b->UnderlineSize, 0);
  EXPECT_EQ(b->StrikeoutSize, 0);
}

TEST_F(GlyphCache, BlankGlyphHasTheTextWidthAsRightGap) {
  fake->glyphs[U' '] = kit::FakeGlyph::Blank(7);
  fake->glyphs[U'\u3000'] = kit::FakeGlyph::Blank(16);
  TFontPixel* space = Get(0x20);
  EXPECT_TRUE(space->IsEmpty());
  EXPECT_EQ(space->RightGap, 7);
  EXPECT_EQ(Get(0x8140)->RightGap, 16);  // the full-width space in Shift-JIS
}

// A grey failure drops the manager to quality 0 and renders one bit; the glyph keeps the
// requested quality as its key, and later requests use quality 0.
TEST_F(GlyphCache, GreyFailureRetriesInOneBit) {
  fake->glyphs[U'A'] = kit::FakeGlyph::Picture({"#5"});
  fake->failGrey = true;
  TFontPixel* g = Get('A');
  EXPECT_EQ(manager->Quality, 0);
  EXPECT_EQ(g->Quality, 3);
  EXPECT_EQ(g->Row(0)[0], 255);
  EXPECT_EQ(g->Row(0)[1], 255);
  EXPECT_EQ(fake->levelsAsked, (std::vector<int>{65, 2}));
  EXPECT_EQ(manager->FindGlyph('A', "IPAGothic", 16, 0, 3), g);
  Get('B');
  EXPECT_EQ(fake->levelsAsked.back(), 2);
  fake->failAll = true;
  manager->Quality = 3;
  TFontPixel* empty = Get('C');
  EXPECT_TRUE(empty->IsEmpty());
  EXPECT_EQ(empty->Advance(), 0);
}

// Unreadable metrics raise and leave nothing cached; the next miss tries the font again.
TEST_F(GlyphCache, FailedFontLeavesNoGlyph) {
  fake->failingFaces = {"IPAMincho"};
  Get('A');
  try {
    Get('A', "IPAMincho");
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Error:GetOutlineTextMetrics");
  }
  EXPECT_EQ(manager->FindGlyph('A', "IPAMincho", 16, 0, 3), nullptr);
  EXPECT_EQ(manager->Count(), 1);
  EXPECT_THROW(Get('A', "IPAMincho"), Exception);
  EXPECT_EQ(fake->fontsMade.size(), 3u);
  fake->failingFaces.clear();
  EXPECT_FALSE(Get('A', "IPAMincho")->IsEmpty());
}

TEST_F(GlyphCache, HostileHeightsGiveEmptyGlyphsWithoutFontWork) {
  for (int32_t height : {100000, -100000, INT32_MIN, INT32_MAX}) {
    TFontPixel* g = Get('A', "IPAGothic", height);
    EXPECT_TRUE(g->IsEmpty());
    EXPECT_EQ(g->Advance(), 0);
  }
  EXPECT_TRUE(fake->fontsMade.empty());
  EXPECT_EQ(fake->counts.render, 0);
  EXPECT_FALSE(Get('A', "IPAGothic", 1024)->IsEmpty());
}

TEST_F(GlyphCache, LineOfTextDrawnThroughItsCoverage) {
  fake->glyphs[U'A'] = kit::FakeGlyph::Box(2, 2, 1, 12, 4);
  fake->glyphs[0x3042] = kit::FakeGlyph::Box(3, 1, 0, 11, 5);  // あ
  const std::string text = "A" + Sjis("あ");
  EXPECT_EQ(manager->MeasureTextLine(text, "IPAGothic", 16, 0), 9);
  TDIBX target;
  target.SetSize(16, 16, 32);
  target.FillRect(target.GetBoundsRect(), 0);
  EXPECT_EQ(manager->DrawTextLine(target, 2, 3, text, "IPAGothic", 16, 0, 0xFFFFFF), 9);
  std::string row0, row1;
  for (int x = 0; x < 12; ++x) {
    row0 += target.GetPixel(x, 3) ? '#' : '.';
    row1 += target.GetPixel(x, 4) ? '#' : '.';
  }
  EXPECT_EQ(row0, "...##.......");
  EXPECT_EQ(row1, "...##.###...");
}

}  // namespace
}  // namespace orva
