#include <gtest/gtest.h>

#include "graphics/dibx.h"
#include "graphics_test_kit.h"

using namespace orva;
using namespace orva::test;

using Row = std::vector<uint32_t>;

namespace {

// The source columns (rows) shown along the first row (column) of a pattern of a source
// whose pixel (x, y) is x + 16 × y + 1.
void Numbered(TDIBX& s, int w, int h, int bits) {
  s.SetSize(w, h, bits);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, uint32_t(x + 16 * y + 1));
}

std::vector<int> Columns(TDIBX& s, int y = 0) {
  std::vector<int> out;
  for (int x = 0; x < s.GetWidth(); ++x) out.push_back(int(s.GetPixel(x, y) % 16) - 1);
  return out;
}

std::vector<int> Rows(TDIBX& s, int x = 0) {
  std::vector<int> out;
  for (int y = 0; y < s.GetHeight(); ++y) out.push_back(int(s.GetPixel(x, y) / 16));
  return out;
}

// Records the rectangles of its own FillPattern calls.
class PatternRecorder : public TDIBX {
 public:
  void FillPattern(const TRect& dr, TCustomDIBX& s, int scrollX, int scrollY, bool flipH, bool flipV) override {
    Calls.push_back(dr);
    TDIBX::FillPattern(dr, s, scrollX, scrollY, flipH, flipV);
  }
  std::vector<TRect> Calls;
};

}  // namespace

TEST(FillPattern, ColumnsFromTheScrollOffsetOnEveryDepth) {
  struct Case {
    const char* what;
    int scrollX;
    bool flipH;
    std::vector<int> columns;
  } cases[] = {
      {"scroll 3", 3, false, {3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4}},
      {"scroll -3 starts at 7", -3, false, {7, 8, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8}},
      {"mirrored from 9", 0, true, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 9, 8}},
      {"mirrored, scroll 3", 3, true, {6, 5, 4, 3, 2, 1, 0, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 9, 8, 7, 6, 5}},
      {"a scroll of many widths", 1000000003, false, {3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4}},
  };
  for (int bits : {4, 8, 16, 24, 32})
    for (bool packed : {true, false}) {
      PathScope path(packed);
      TDIBX src;
      Numbered(src, 10, 1, bits);
      for (const Case& c : cases) {
        TDIBX dst;
        dst.SetSize(22, 1, bits);
        dst.FillPattern({0, 0, 22, 1}, src, c.scrollX, 0, c.flipH, false);
        EXPECT_EQ(Columns(dst), c.columns) << c.what << " at " << bits << (packed ? " packed" : " plain");
      }
    }
}

TEST(FillPattern, RowsTheClipAndWhatDrawsNothing) {
  for (bool packed : {true, false}) {
    PathScope path(packed);
    TDIBX src, dst;
    Numbered(src, 3, 4, 16);
    dst.SetSize(2, 6, 16);
    dst.FillPattern({0, 0, 2, 6}, src, 0, 1, false, false);
    EXPECT_EQ(Rows(dst), (std::vector<int>{1, 2, 3, 0, 1, 2}));
    dst.FillPattern({0, 0, 2, 6}, src, 0, 1, false, true);
    EXPECT_EQ(Rows(dst), (std::vector<int>{2, 1, 0, 3, 2, 1})) << "mirrored from row 4 - 1 - 1";
    // A clipped left or top edge moves the pattern on; the far edges just cut it.
    dst.Fill(0);
    dst.SetClipRect({1, 2, 2, 5});
    dst.FillPattern({-4, -1, 9, 9}, src, 0, 0, false, false);
    dst.ClearClipRect();
    EXPECT_EQ(SurfacePixels(dst), (std::vector<Row>{{0, 0}, {0, 0}, {0, 0x33}, {0, 0x03}, {0, 0x13}, {0, 0}}));
    // The flips do not enter the clipping: the same offset counts from the mirrored start.
    dst.Fill(0);
    dst.SetClipRect({1, 0, 2, 1});
    dst.FillPattern({0, 0, 2, 1}, src, 0, 0, true, false);
    dst.ClearClipRect();
    EXPECT_EQ(dst.GetPixel(1, 0), 2u) << "column 3 - 1 - 1";
    // Sources of another depth, empty sources and empty rectangles.
    dst.Fill(0);
    TDIBX other, empty;
    Numbered(other, 3, 4, 32);
    empty.SetSize(0, 0, 16);
    dst.FillPattern({0, 0, 2, 6}, other, 0, 0, false, false);
    dst.FillPattern({0, 0, 2, 6}, empty, 0, 0, false, false);
    dst.FillPattern({2, 0, 0, 6}, src, 0, 0, false, false);
    EXPECT_EQ(SurfacePixels(dst), std::vector<Row>(6, Row{0, 0}));
  }
}

TEST(FramePattern, FourSidesInOrderEachFromItsOwnCorner) {
  TDIBX src;
  Numbered(src, 4, 4, 32);
  PatternRecorder dst;
  dst.SetSize(10, 10, 32);
  dst.FramePattern({1, 2, 9, 8}, 2, src, {0, 0, 1, 1}, 0, 1, 0);
  EXPECT_EQ(dst.Calls, (std::vector<TRect>{{1, 2, 9, 4}, {1, 6, 9, 8}, {1, 2, 3, 8}, {7, 2, 9, 8}}));
  EXPECT_EQ(Columns(dst, 6), (std::vector<int>{-1, 1, 2, 3, 0, 1, 2, 1, 2, -1})) << "the right side drawn last";
  EXPECT_EQ(dst.GetPixel(7, 4), 34u) << "column 1, row 2: the right side counts from its own corner";
  // A border at least half the height covers every row.
  dst.Fill(0);
  dst.FramePattern({0, 0, 10, 5}, 3, src, {}, 0, 0, 0);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_NE(dst.GetPixel(x, y), 0u) << x << "," << y;
}
