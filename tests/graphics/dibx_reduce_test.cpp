#include <gtest/gtest.h>

#include <climits>

#include "graphics/dibx.h"
#include "graphics_test_kit.h"

using namespace orva;
using namespace orva::test;

using Row = std::vector<uint32_t>;

namespace {

// A 1-bit source of one block row: block i (factor × factor) holds clear[i] clear bits,
// filled row by row from the top-left.
void Blocks1(TDIBX& s, int factor, const std::vector<int>& clear) {
  s.SetSize(factor * int(clear.size()), factor, 1);
  for (size_t i = 0; i < clear.size(); ++i)
    for (int k = 0; k < factor * factor; ++k)
      s.SetPixel(int(i) * factor + k % factor, k / factor, k < clear[i] ? 0 : 1);
}

// A 4-bit source of one block row: block i holds counts[i][v] pixels of value v, in the
// order of v. High nibble bits that the draw ignores are set on every pixel.
void Blocks4(TDIBX& s, int factor, const std::vector<std::array<int, 4>>& counts) {
  s.SetSize(factor * int(counts.size()), factor, 4);
  for (size_t i = 0; i < counts.size(); ++i) {
    int k = 0;
    for (int v = 0; v < 4; ++v)
      for (int c = 0; c < counts[i][size_t(v)]; ++c, ++k)
        s.SetPixel(int(i) * factor + k % factor, k / factor, uint32_t(v) | 12);
  }
}

Row RowOf(TDIBX& s, int y = 0) { return SurfacePixels(s)[size_t(y)]; }

}  // namespace

TEST(DrawColorReduce, CoverageOfEachBlockOnBothPaths) {
  struct Case {
    const char* what;
    int bits;
    uint32_t pixel, dest;
    int alpha, clear;
    uint32_t expect;
  } cases[] = {
      {"16 of 16 writes the pixel", 32, 0x00FF8040, 0x00102030, 255, 16, 0x00FF8040},
      {"8 of 16 halfway", 32, 0x00FF8040, 0, 255, 8, 0x007F4020},
      {"none leaves the destination", 32, 0x00FF8040, 0x00102030, 255, 0, 0x00102030},
      {"alpha 128 over a full block weighs 8", 32, 0x00FF8040, 0, 128, 16, 0x007F4020},
      {"alpha 128 over 1 bit weighs 0", 32, 0x00FF8040, 0x00102030, 128, 1, 0x00102030},
      {"the fourth byte mixes too", 32, 0xFF000000, 0, 255, 4, 0x3F000000},
      {"5-6-5 full", 16, 0xF81F, 0x07E0, 255, 16, 0xF81F},
      {"5-6-5 halfway, field by field", 16, 0xF800, 0x001F, 255, 8, 0x780F},
      {"5-5-5 quarter", 15, 0x7C00, 0x03E0, 255, 4, 0x1EE0},
  };
  for (const Case& c : cases)
    for (bool packed : {true, false}) {
      PathScope path(packed);
      TDIBX src, dst;
      Blocks1(src, 4, {c.clear});
      dst.SetSize(1, 1, c.bits);
      dst.SetPixel(0, 0, c.dest);
      dst.DrawColorReduce(0, 0, src, src.GetBoundsRect(), c.pixel, false, false, c.alpha, 4);
      EXPECT_EQ(dst.GetPixel(0, 0), c.expect) << c.what << (packed ? " packed" : " plain");
    }
}

TEST(DrawColorReduce, FlipsFactorsAndWhatDrawsNothing) {
  TDIBX src, dst;
  Blocks1(src, 2, {4, 0, 2});
  dst.SetSize(4, 1, 32);
  for (bool packed : {true, false}) {
    PathScope path(packed);
    dst.Fill(0);
    dst.DrawColorReduce(0, 0, src, src.GetBoundsRect(), 0x00FFFFFF, false, false, 255, 2);
    EXPECT_EQ(RowOf(dst), (Row{0x00FFFFFF, 0, 0x007F7F7F, 0}));
    dst.Fill(0);
    dst.DrawColorReduce(1, 0, src, src.GetBoundsRect(), 0x00FFFFFF, true, false, 255, 2);
    EXPECT_EQ(RowOf(dst), (Row{0, 0x007F7F7F, 0, 0x00FFFFFF})) << "blocks from the right edge";
    // Factor 1: every bit is a pixel.
    dst.Fill(0);
    dst.DrawColorReduce(0, 0, src, {0, 0, 4, 1}, 0x00FFFFFF, false, false, 255, 1);
    EXPECT_EQ(RowOf(dst), (Row{0x00FFFFFF, 0x00FFFFFF, 0, 0}));
  }
  const TRect whole = src.GetBoundsRect();
  struct Nothing {
    const char* what;
    int factor, bits;
    TRect sr;
  } nothing[] = {
      {"factor 0", 0, 32, whole},         {"factor 3", 3, 32, whole},
      {"negative factor", -2, 32, whole}, {"factor beyond the limit", MaxReduceFactor * 2, 32, whole},
      {"24 bits", 2, 24, whole},          {"a source rectangle outside the source", 2, 32, {6, 0, 10, 2}},
      {"less than a block", 2, 32, {0, 0, 6, 1}},
  };
  for (const Nothing& c : nothing) {
    dst.SetSize(4, 1, c.bits);
    dst.Fill(0);
    dst.DrawColorReduce(0, 0, src, c.sr, 0x00FFFFFF, false, false, 255, c.factor);
    EXPECT_EQ(RowOf(dst), (Row{0, 0, 0, 0})) << c.what;
  }
  // A source rectangle reaching past the source is cut to it.
  dst.SetSize(4, 1, 32);
  dst.Fill(0);
  dst.DrawColorReduce(0, 0, src, {-100, -100, 100, 100}, 0x00FFFFFF, false, false, 255, 2);
  EXPECT_EQ(RowOf(dst), (Row{0x00FFFFFF, 0, 0x007F7F7F, 0}));
}

TEST(DrawColorReduce, ClippedEdgesMoveTheSourceByTheRatioOfTheSizes) {
  // 10 source columns at factor 4 give 2 destination pixels 5 columns apart, so a clipped
  // first pixel moves the source by 5, not by the factor; under a flip the right edge moves.
  struct Case {
    const char* what;
    int clearFrom;
    bool flip;
    Row whole, clipped;
  } cases[] = {
      {"columns 5..8 clear: blocks 4..7, clipped 5..8", 5, false, {0, 0xBF, 0, 0}, {0, 0xFF, 0, 0}},
      {"columns 1..4 clear, flipped: blocks 5..2, clipped 4..1", 1, true, {0, 0xBF, 0, 0}, {0, 0xFF, 0, 0}},
  };
  for (const Case& c : cases)
    for (bool packed : {true, false}) {
      PathScope path(packed);
      TDIBX src, dst;
      src.SetSize(10, 4, 1);
      src.Fill(1);
      for (int y = 0; y < 4; ++y)
        for (int x = c.clearFrom; x < c.clearFrom + 4; ++x) src.SetPixel(x, y, 0);
      dst.SetSize(4, 1, 32);
      dst.Fill(0);
      dst.DrawColorReduce(0, 0, src, src.GetBoundsRect(), 0xFF, c.flip, false, 255, 4);
      EXPECT_EQ(RowOf(dst), c.whole) << c.what;
      dst.Fill(0);
      dst.SetClipRect({1, 0, 4, 1});
      dst.DrawColorReduce(0, 0, src, src.GetBoundsRect(), 0xFF, c.flip, false, 255, 4);
      EXPECT_EQ(RowOf(dst), c.clipped) << c.what;
    }
  // The bottom edge cut by the clip: one row of blocks of two.
  TDIBX src, dst;
  src.SetSize(2, 4, 1);
  src.SetPixel(0, 3, 1);
  dst.SetSize(1, 2, 32);
  dst.SetClipRect({0, 0, 1, 1});
  dst.DrawColorReduce(0, 0, src, src.GetBoundsRect(), 0xFF, false, true, 255, 2);
  EXPECT_EQ(SurfacePixels(dst), (std::vector<Row>{{0xBF}, {0}})) << "flipped: the first row is source rows 3 and 2";
}

TEST(DrawColorReduceEx, ThreeColoursByTheirShareOfTheBlock) {
  const std::array<uint32_t, 3> colours{0x00FF0000, 0x0000FF00, 0x000000FF};
  struct Case {
    const char* what;
    std::array<int, 4> counts;
    int alpha;
    uint32_t dest, expect;
  } cases[] = {
      {"only 1 writes the first colour as it is", {0, 16, 0, 0}, 255, 0xAB123456, 0x00FF0000},
      {"only 2 writes the second", {0, 0, 16, 0}, 255, 0xAB123456, 0x0000FF00},
      {"only 3 mixes, keeping the fourth byte", {0, 0, 0, 16}, 255, 0xAB123456, 0xAB0000FF},
      {"only 0 is untouched", {16, 0, 0, 0}, 255, 0xAB123456, 0xAB123456},
      {"half 1, half 0", {8, 8, 0, 0}, 255, 0x00000080, 0x007F0040},
      {"a quarter of each", {4, 4, 4, 4}, 255, 0x00808080, 0x005F5F5F},
      {"alpha 128: 1 weighs 8 × 128 of 4096", {0, 16, 0, 0}, 128, 0x00000000, 0x007F0000},
      {"alpha 0 mixes nothing", {0, 16, 0, 0}, 0, 0x00102030, 0x00102030},
      {"add, strength 128", {0, 16, 0, 0}, 384, 0x00400000, 0x00BF0000},
      {"add saturates", {0, 16, 0, 0}, 511, 0x00C00000, 0x00FF0000},
      {"add half a block", {8, 8, 0, 0}, 511, 0x00100000, 0x008F0000},
      {"strength 0 adds nothing", {0, 16, 0, 0}, 256, 0x00100000, 0x00100000},
  };
  for (const Case& c : cases)
    for (bool packed : {true, false}) {
      PathScope path(packed);
      TDIBX src, dst;
      Blocks4(src, 4, {c.counts});
      dst.SetSize(1, 1, 32);
      dst.SetPixel(0, 0, c.dest);
      dst.DrawColorReduceEx(0, 0, src, src.GetBoundsRect(), colours, false, false, c.alpha, 4);
      EXPECT_EQ(dst.GetPixel(0, 0), c.expect) << c.what << (packed ? " packed" : " plain");
    }
}

TEST(DrawColorReduceEx, FieldsAtSixteenBitsAndTheFlips) {
  // 5-6-5: half the block is colour 1 (red), half 0 over blue.
  for (bool packed : {true, false}) {
    PathScope path(packed);
    TDIBX src, dst;
    Blocks4(src, 2, {{2, 2, 0, 0}, {0, 0, 0, 4}});
    dst.SetSize(2, 1, 16);
    dst.Fill(0x001F);
    dst.DrawColorReduceEx(0, 0, src, src.GetBoundsRect(), {0xF800, 0x07E0, 0x07FF}, false, false, 255, 2);
    EXPECT_EQ(RowOf(dst), (Row{0x780F, 0x07FF}));
    dst.Fill(0x001F);
    dst.DrawColorReduceEx(0, 0, src, src.GetBoundsRect(), {0xF800, 0x07E0, 0x07FF}, true, false, 255, 2);
    EXPECT_EQ(RowOf(dst), (Row{0x07FF, 0x780F}));
    // Other depths and sources draw nothing.
    dst.SetSize(2, 1, 24);
    dst.Fill(0);
    dst.DrawColorReduceEx(0, 0, src, src.GetBoundsRect(), {0xF800, 0x07E0, 0x07FF}, false, false, 255, 2);
    EXPECT_EQ(RowOf(dst), (Row{0, 0}));
  }
}
