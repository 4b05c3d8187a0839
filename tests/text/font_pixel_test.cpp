// The glyph record's pixel rules and DrawText, on 16 × 16 surfaces at 15, 16 and 32 bits.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/dibx.h"
#include "kit/fake_rasteriser.h"
#include "text/font_pixel.h"
#include "text/font_pixel_manager.h"

namespace orva {
namespace {

std::unique_ptr<TDIBX> Surface(int bits, uint32_t fill, int size = 16) {
  auto s = std::make_unique<TDIBX>();
  s->SetSize(size, size, bits);
  s->FillRect(s->GetBoundsRect(), fill);
  return s;
}

// A glyph made by hand: rows of coverage values.
TFontPixel Glyph(const std::vector<std::vector<uint8_t>>& rows, int32_t fontHeight = 0) {
  TFontPixel g(0x41, "face", fontHeight, 0, 3);
  g.SetSize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) g.Row(int(y))[x] = rows[y][x];
  return g;
}

// Mask values of a w × h area.
std::vector<std::vector<int>> MaskArea(TDIBX& mask, int left, int top, int w, int h) {
  std::vector<std::vector<int>> out(size_t(h), std::vector<int>(size_t(w), 0));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out[size_t(y)][size_t(x)] = int(mask.GetPixel(left + x, top + y));
  return out;
}

struct RuleCase {
  int bits, c;
  uint32_t solid, onColor, over;
  int overMask, maxMask, solidMask;
};

// Colour K, background D and second colour B2 per depth; the mask starts at 64. The channels
// are computed on their bits in place, so a 16-bit channel keeps only what survives the
// shift, never a rounded 5- or 6-bit value.
TEST(FontPixelRules, EachRuleAtEachDepthAndCoverage) {
  struct Colours {
    uint32_t k, d, b2;
  };
  auto colours = [](int bits) {
    return bits == 32 ? Colours{0x00F08040, 0x00102030, 0x00204060}
           : bits == 16 ? Colours{0xFC10, 0x1084, 0x4208}
                        : Colours{0x7E10, 0x0842, 0x2108};
  };
  const RuleCase cases[] = {
      {15, 0, 0x842, 0x842, 0x842, 64, 64, 64},        {15, 1, 0x7E10, 0x2108, 0x842, 64, 64, 255},
      {15, 128, 0x7E10, 0x4D6B, 0x65AD, 159, 128, 255}, {15, 254, 0x7E10, 0x79EF, 0x79EF, 254, 254, 255},
      {15, 255, 0x7E10, 0x7E10, 0x7E10, 255, 255, 255}, {16, 0, 0x1084, 0x1084, 0x1084, 64, 64, 64},
      {16, 1, 0xFC10, 0x4208, 0x1084, 64, 64, 255},     {16, 128, 0xFC10, 0x9AEB, 0xCB4D, 159, 128, 255},
      {16, 254, 0xFC10, 0xF3EF, 0xF3EF, 254, 254, 255}, {16, 255, 0xFC10, 0xFC10, 0xFC10, 255, 255, 255},
      {32, 0, 0x102030, 0x102030, 0x102030, 64, 64, 64}, {32, 1, 0xF08040, 0x20405F, 0x122130, 64, 64, 255},
      {32, 128, 0xF08040, 0x875F4F, 0xC36C3C, 159, 128, 255},
      {32, 254, 0xF08040, 0xEE7F3F, 0xEF7F3F, 254, 254, 255},
      {32, 255, 0xF08040, 0xF08040, 0xF08040, 255, 255, 255},
  };
  for (const RuleCase& t : cases) {
    SCOPED_TRACE(testing::Message() << t.bits << " bits, coverage " << t.c);
    const Colours k = colours(t.bits);
    TFontPixel g = Glyph({{uint8_t(t.c)}});
    auto colour = Surface(t.bits, k.d);
    auto mask = Surface(8, 64);
    g.DrawSolid(*colour, 5, 5, k.k);
    EXPECT_EQ(colour->GetPixel(5, 5), t.solid);
    colour = Surface(t.bits, k.d);
    g.DrawOnColor(*colour, 5, 5, k.k, k.b2);
    EXPECT_EQ(colour->GetPixel(5, 5), t.onColor);
    colour = Surface(t.bits, k.d);
    g.DrawOver(*colour, *mask, 5, 5, k.k);
    EXPECT_EQ(colour->GetPixel(5, 5), t.over);
    EXPECT_EQ(int(mask->GetPixel(5, 5)), t.overMask);
    mask = Surface(8, 64);
    g.MaskMax(*mask, 5, 5);
    EXPECT_EQ(int(mask->GetPixel(5, 5)), t.maxMask);
    mask = Surface(8, 64);
    g.MaskSolid(*mask, 5, 5);
    EXPECT_EQ(int(mask->GetPixel(5, 5)), t.solidMask);
    EXPECT_EQ(colour->GetPixel(4, 5), k.d);  // the neighbours stay
  }
}

TEST(FontPixelRules, OtherDepthsReceiveNoGlyphPixels) {
  TFontPixel g = Glyph({{255}});
  auto colour = Surface(24, 0x123456);
  auto mask = Surface(8, 0);
  g.DrawSolid(*colour, 1, 1, 0xFFFFFF);
  g.DrawOver(*colour, *mask, 1, 1, 0xFFFFFF);
  EXPECT_EQ(colour->GetPixel(1, 1), 0x123456u);
  EXPECT_EQ(mask->GetPixel(1, 1), 0u);
}

// A plus of coverage 128 with border 1: each ring pixel is composited once per covered
// neighbour, so where three glyph pixels are near the ring is more opaque than where one is;
// the body is 255 in the mask and blended against the border colour.
TEST(FontPixelDrawText, BorderRingBuildsUpAroundAPlus) {
  TFontPixel g = Glyph({{0, 128, 0}, {128, 128, 128}, {0, 128, 0}}, 3);
  auto colour = Surface(32, 0);
  auto mask = Surface(8, 0);
  const TRect r = g.DrawText(*colour, *mask, Bounds(4, 4, 5, 5), 1, 0, true, true, 0xFFFFFF, 0x808080, 0);
  EXPECT_EQ(r, (TRect{4, 4, 9, 9}));
  const std::vector<std::vector<int>> expected = {{0, 128, 128, 128, 0},
                                                  {128, 223, 255, 223, 128},
                                                  {128, 255, 255, 255, 128},
                                                  {128, 223, 255, 223, 128},
                                                  {0, 128, 128, 128, 0}};
  EXPECT_EQ(MaskArea(*mask, 4, 4, 5, 5), expected);
  EXPECT_EQ(colour->GetPixel(6, 6), 0x00BFBFBFu);  // white over the grey border at 128
  EXPECT_EQ(colour->GetPixel(5, 4), 0x007F7F7Fu);  // one neighbour: the border colour at w 255
  EXPECT_EQ(colour->GetPixel(4, 4), 0u);
}

// Three equal underlined glyphs with shadow 2: the first one's shadow line starts 2 right of
// its cell, the last one's main line stops 2 short of its right edge, so the run shows one
// line with one shadow.
TEST(FontPixelDrawText, UnderlineWithShadowJoinsAcrossARun) {
  TFontPixel g = Glyph({{255, 255}, {255, 255}}, 2);
  g.UnderlineSize = 1;
  auto colour = Surface(32, 0);
  auto mask = Surface(8, 0);
  const uint32_t white = 0xFFFFFF, blue = 0x0000FF;
  for (int i = 0; i < 3; ++i)
    g.DrawText(*colour, *mask, Bounds(5 * i, 0, 5, 8), 0, 2, i == 0, i == 2, white, 0, blue);
  std::string mainLine, shadowLine;
  for (int x = 0; x < 16; ++x) {
    mainLine += colour->GetPixel(x, 5) == white ? 'K' : colour->GetPixel(x, 5) == blue ? 'S' : '.';
    shadowLine += colour->GetPixel(x, 7) == white ? 'K' : colour->GetPixel(x, 7) == blue ? 'S' : '.';
  }
  EXPECT_EQ(mainLine, "KKKKKKKKKKKKK...");
  EXPECT_EQ(shadowLine, "..SSSSSSSSSSSSS.");
  EXPECT_EQ(mask->GetPixel(14, 7), 255u);
  EXPECT_EQ(mask->GetPixel(13, 5), 0u);
  // The shadow glyph copies the coverage into the mask and paints the shadow colour.
  EXPECT_EQ(colour->GetPixel(2, 2), blue);
  EXPECT_EQ(colour->GetPixel(0, 0), white);
}

// With border and shadow, each line has border lines above and below it and a shadow block
// S lower; at the end of a run the main lines stop S short, the shadow's do not.
TEST(FontPixelDrawText, DecorationLinesWithBorderAndShadow) {
  TFontPixel g = Glyph({{255}}, 1);
  g.UnderlineSize = 1;
  g.StrikeoutTop = 4;
  g.StrikeoutSize = 1;
  const uint32_t white = 0xFFFFFF, red = 0xFF0000, blue = 0x0000FF;
  struct Case {
    bool nextDiffers;
    int column;
    const char* rows;  // rows 0..11 of the column: K text, R border, S shadow
  };
  for (Case t : {Case{false, 6, "....RKRSRKRS"}, Case{true, 7, ".....SSS.SSS"}, Case{true, 6, "....RKRSRKRS"}}) {
    auto colour = Surface(32, 0);
    auto mask = Surface(8, 0);
    const TRect r = g.DrawText(*colour, *mask, Bounds(0, 0, 8, 12), 1, 1, false, t.nextDiffers, white, red, blue);
    EXPECT_EQ(r, (TRect{0, 0, 8, 12}));
    std::string rows;
    for (int y = 0; y < 12; ++y) {
      const uint32_t p = colour->GetPixel(t.column, y);
      rows += p == white ? 'K' : p == red ? 'R' : p == blue ? 'S' : '.';
    }
    EXPECT_EQ(rows, t.rows) << "column " << t.column << (t.nextDiffers ? " at the run's end" : "");
  }
}

TEST(FontPixelDrawText, PlainGlyphWithLinesInTextColour) {
  TFontPixel g = Glyph({{255}}, 1);
  g.UnderlineSize = 1;
  g.StrikeoutTop = 3;
  g.StrikeoutSize = 1;
  auto colour = Surface(16, 0);
  auto mask = Surface(8, 0);
  const TRect r = g.DrawText(*colour, *mask, Bounds(2, 2, 4, 6), 0, 0, true, true, 0xFFFF, 0, 0);
  EXPECT_EQ(r, (TRect{2, 2, 6, 8}));
  for (int x = 2; x < 6; ++x) {
    EXPECT_EQ(colour->GetPixel(x, 7), 0xFFFFu);
    EXPECT_EQ(colour->GetPixel(x, 5), 0xFFFFu);
    EXPECT_EQ(mask->GetPixel(x, 7), 255u);
  }
  EXPECT_EQ(colour->GetPixel(2, 2), 0xFFFFu);
  EXPECT_EQ(colour->GetPixel(3, 3), 0u);
}

TEST(FontPixelDrawText, BlankGlyphPaintsNothingEvenUnderlined) {
  TFontPixel g(0x20, "face", 12, kStyleUnderline, 3);
  g.UnderlineSize = 1;
  g.RightGap = 6;
  auto colour = Surface(32, 0);
  auto mask = Surface(8, 0);
  EXPECT_EQ(g.DrawText(*colour, *mask, Bounds(0, 0, 12, 12), 1, 1, true, true, 0xFFFFFF, 0xFF, 0xFF00), TRect{});
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(mask->GetPixel(x, y), 0u);
}

// Clipping cuts the box at the clip rectangle; the border's neighbours outside it are not
// written either.
TEST(FontPixelDrawText, ClippedToTheColourSurfaceClip) {
  TFontPixel g = Glyph({{255, 255, 255}, {255, 255, 255}, {255, 255, 255}}, 3);
  auto colour = Surface(32, 0);
  auto mask = Surface(8, 0);
  colour->SetClipRect({4, 4, 8, 8});
  g.DrawText(*colour, *mask, Bounds(2, 2, 5, 5), 1, 0, true, true, 0xFFFFFF, 0x0000FF, 0);
  int painted = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      if (colour->GetPixel(x, y) != 0) {
        ++painted;
        EXPECT_TRUE(x >= 4 && x < 8 && y >= 4 && y < 8) << x << "," << y;
      }
  EXPECT_EQ(painted, 3 * 3);  // the glyph at 3..5 and its ring up to 6, inside 4..7
  EXPECT_EQ(colour->GetPixel(4, 4), 0xFFFFFFu);
  EXPECT_EQ(colour->GetPixel(6, 6), 0x0000FFu);  // ring of full coverage: the border colour
  g.MaskSolid(*mask, -2, -2);                    // the mask clips at its own bounds
  EXPECT_EQ(mask->GetPixel(0, 0), 255u);
}

// The horizontal centring of a narrow glyph in its cell, through the cache's ABC widths.
TEST(FontPixelDrawText, CentringOfNarrowGlyphs) {
  struct Case {
    const char* what;
    int32_t cell, fontHeight, w, originX, advance;
    TAbcWidths abc;
    int expectedX;  // column of the box's left edge
  };
  const Case cases[] = {
      {"advance fills the free space", 16, 16, 10, 2, 16, {2, 10, 4}, 2},
      {"half-width kept at its relative place", 16, 16, 4, 2, 8, {2, 4, 2}, 6},
      {"A + C = 0 centres in the free space", 16, 16, 4, 0, 4, {0, 4, 0}, 6},
      {"A + B + C = 0 centres too", 16, 16, 4, 0, 4, {-2, 4, -2}, 6},
      {"tie rounds to even, down", 9, 9, 4, 0, 4, {1, 2, 1}, 2},
      {"tie rounds to even, up", 9, 9, 2, 0, 2, {1, 2, 1}, 4},
      {"offset below the origin keeps 0", 16, 16, 2, 5, 7, {0, 2, 10}, 5},
      {"narrow cell limits the space", 8, 16, 4, 0, 4, {0, 4, 0}, 2},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    auto fake = std::make_shared<kit::FakeRasteriserState>();
    kit::FakeGlyph glyph = kit::FakeGlyph::Box(t.w, 1, t.originX, 12, t.advance);
    glyph.abc = t.abc;
    fake->glyphs[U'A'] = glyph;
    TFontPixelManager manager(kit::MakeFakeRasteriser(fake));
    TFontPixel* g = manager.GetGlyph('A', "face", t.fontHeight, 0);
    auto colour = Surface(32, 0, 32);
    auto mask = Surface(8, 0, 32);
    g->DrawText(*colour, *mask, Bounds(0, 0, t.cell, 16), 0, 0, true, true, 0xFFFFFF, 0, 0);
    int left = -1;
    for (int x = 0; x < 32 && left < 0; ++x)
      if (colour->GetPixel(x, 0) != 0) left = x;
    EXPECT_EQ(left, t.expectedX);
  }
}

}  // namespace
}  // namespace orva
