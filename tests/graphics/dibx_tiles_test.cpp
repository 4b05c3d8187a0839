#include <gtest/gtest.h>

#include <climits>

#include "graphics/dibx.h"
#include "graphics_test_kit.h"

using namespace orva;
using namespace orva::test;

namespace {

// A surface that records the pieces drawn through its own interface, with the clip
// rectangle each piece was drawn under.
class PieceRecorder : public TDIBX {
 public:
  struct Piece {
    int x, y;
    TRect sr;
    TRect clip;
    bool operator==(const Piece&) const = default;
  };
  void Draw(int x, int y, TCustomDIBX& s, const TRect& sr, bool k, bool fh, bool fv) override {
    Pieces.push_back({x, y, sr, GetClipRect()});
    TDIBX::Draw(x, y, s, sr, k, fh, fv);
  }
  void DrawMaskAlpha(int x, int y, TCustomDIBX&, const TRect& sr, bool, bool, TCustomDIBX&, int a) override {
    Pieces.push_back({x, y, sr, GetClipRect()});
    Alphas.push_back(a);
  }
  void StretchDrawAlpha(const TRect& dr, TCustomDIBX&, const TRect&, bool, bool, bool, uint32_t a) override {
    Stretches.push_back(dr), Alphas.push_back(int(a)), Adds.push_back(false);
  }
  void StretchDrawAdd(const TRect& dr, TCustomDIBX&, const TRect&, bool, bool, bool, uint32_t a) override {
    Stretches.push_back(dr), Alphas.push_back(int(a)), Adds.push_back(true);
  }
  void StretchDrawMaskAlpha(const TRect& dr, TCustomDIBX&, const TRect&, bool, bool, TCustomDIBX&, uint32_t a) override {
    Stretches.push_back(dr), Alphas.push_back(int(a)), Adds.push_back(false);
  }
  std::vector<int> Lefts() const {
    std::vector<int> out;
    for (const Piece& p : Pieces) out.push_back(p.x);
    return out;
  }
  std::vector<Piece> Pieces;
  std::vector<TRect> Stretches;
  std::vector<int> Alphas;
  std::vector<bool> Adds;
};

}  // namespace

TEST(DrawTile, PiecesFromTheScrollOffsetWithSpacing) {
  TDIBX src;
  src.SetSize(10, 10, 32);
  struct Case {
    const char* what;
    int scrollX, spacingX;
    std::vector<PieceRecorder::Piece> pieces;
  } cases[] = {
      {"offset 0", 0, 0, {{0, 0, {0, 0, 10, 10}, {}}, {10, 0, {0, 0, 10, 10}, {}}, {20, 0, {0, 0, 5, 10}, {}}}},
      {"scroll 3", 3, 0, {{0, 0, {3, 0, 10, 10}, {}}, {7, 0, {0, 0, 10, 10}, {}}, {17, 0, {0, 0, 8, 10}, {}}}},
      {"scroll -3", -3, 0, {{0, 0, {7, 0, 10, 10}, {}}, {3, 0, {0, 0, 10, 10}, {}}, {13, 0, {0, 0, 10, 10}, {}}, {23, 0, {0, 0, 2, 10}, {}}}},
      {"scroll -10: an empty first piece", -10, 0, {{0, 0, {0, 0, 10, 10}, {}}, {10, 0, {0, 0, 10, 10}, {}}, {20, 0, {0, 0, 5, 10}, {}}}},
      {"spacing 2", 0, 2, {{0, 0, {0, 0, 10, 10}, {}}, {12, 0, {0, 0, 10, 10}, {}}, {24, 0, {0, 0, 1, 10}, {}}}},
  };
  for (const Case& c : cases) {
    PieceRecorder dst;
    dst.SetSize(40, 20, 32);
    dst.DrawTile({0, 0, 25, 10}, c.spacingX, 0, src, {0, 0, 10, 10}, false, c.scrollX, 0);
    std::vector<PieceRecorder::Piece> expect = c.pieces;
    for (auto& p : expect) p.clip = {0, 0, 25, 10};
    EXPECT_EQ(dst.Pieces, expect) << c.what;
    EXPECT_EQ(dst.ClipRect, (TRect{})) << c.what << ": the clip is given back";
  }
}

TEST(DrawTile, TheTemporaryClipAndWhatIsNeverVisited) {
  TDIBX src, mask;
  src.SetSize(4, 4, 32);
  mask.SetSize(4, 4, 8);
  PieceRecorder dst;
  dst.SetSize(40, 40, 32);
  dst.SetClipRect({5, 5, 30, 30});
  dst.DrawTileMaskAlpha({2, 2, 12, 7}, 0, 1, src, {0, 0, 4, 4}, mask, 99, 0, 0);
  ASSERT_FALSE(dst.Pieces.empty());
  EXPECT_EQ(dst.Pieces[0].clip, (TRect{5, 5, 12, 7}));
  EXPECT_EQ(dst.Pieces[0].x, 2) << "pieces start at the destination's corner, not the clip's";
  EXPECT_EQ(dst.Alphas[0], 99);
  EXPECT_EQ(dst.ClipRect, (TRect{5, 5, 30, 30}));
  // No overlap with the clip: nothing, the clip untouched.
  dst.Pieces.clear();
  dst.DrawTile({31, 0, 40, 40}, 0, 0, src, {0, 0, 4, 4}, false, 0, 0);
  EXPECT_TRUE(dst.Pieces.empty());
  // Empty sources draw nothing; copies that cannot advance end; a huge rectangle costs only
  // the visible pieces.
  dst.DrawTile({0, 0, 40, 40}, 0, 0, src, {2, 0, 2, 4}, false, 0, 0);
  dst.DrawTile({5, 5, 40, 40}, -4, 0, src, {0, 0, 4, 4}, false, 0, 0);
  EXPECT_EQ(dst.Pieces.size(), 7u) << "one column of rows";
  dst.Pieces.clear();
  dst.DrawTile({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 1, 1, src, {0, 0, 4, 4}, false, INT_MIN, INT_MAX);
  EXPECT_LE(dst.Pieces.size(), 36u);
  EXPECT_GE(dst.Pieces.size(), 25u);
}

TEST(DrawTile, PiecesReallyDraw) {
  TDIBX src, dst;
  Fill(src, 16, {{1, 2, 3}});
  dst.SetSize(8, 1, 16);
  dst.DrawTile({1, 0, 8, 1}, 0, 0, src, {0, 0, 3, 1}, false, 1, 0);
  EXPECT_EQ(SurfacePixels(dst)[0], (std::vector<uint32_t>{0, 2, 3, 1, 2, 3, 1, 2}));
  dst.Fill(0);
  src.TransparentColor = 2;
  dst.DrawTileAdd({0, 0, 8, 1}, 0, 0, src, {0, 0, 3, 1}, true, 255, 0, 0);
  EXPECT_EQ(SurfacePixels(dst)[0], (std::vector<uint32_t>{0, 0, 2, 0, 0, 2, 0, 0}));
}

TEST(StretchDrawTile, ZoomedCopiesAndTheirAlpha) {
  TDIBX src, mask;
  src.SetSize(10, 10, 32);
  mask.SetSize(10, 10, 8);
  PieceRecorder dst;
  dst.SetSize(60, 30, 32);
  dst.StretchDrawTile({0, 0, 50, 10}, 10, 10, 256, 256, src, {0, 0, 10, 10}, false, false, false, 255, 0, 0);
  EXPECT_EQ(dst.Stretches, (std::vector<TRect>{{0, 0, 10, 10}, {10, 0, 20, 10}, {20, 0, 30, 10}, {30, 0, 40, 10}, {40, 0, 50, 10}}));
  EXPECT_EQ(dst.Alphas[0], 255);
  struct Case {
    uint32_t alpha;
    int strength;
    bool add;
  } cases[] = {{255, 255, false}, {300, 44, true}, {256, 0, true}, {100, 100, false}};
  for (const Case& c : cases) {
    dst.Stretches.clear(), dst.Alphas.clear(), dst.Adds.clear();
    dst.StretchDrawTile({0, 0, 10, 10}, 10, 10, 256, 256, src, {0, 0, 10, 10}, false, false, false, c.alpha, 0, 0);
    ASSERT_EQ(dst.Alphas.size(), 1u);
    EXPECT_EQ(dst.Alphas[0], c.strength) << c.alpha;
    EXPECT_EQ(dst.Adds[0], c.add) << c.alpha;
  }
  // A period of 2.5 destination pixels: the rounded start of StretchDrawTile against the
  // whole-pixel start of StretchDrawTileMask.
  dst.Stretches.clear();
  auto lefts = [&] {
    std::vector<int> out;
    for (const TRect& r : dst.Stretches) out.push_back(r.Left);
    dst.Stretches.clear();
    return out;
  };
  dst.StretchDrawTile({0, 0, 8, 1}, 5, 5, 128, 128, src, {0, 0, 10, 10}, false, false, false, 255, 2, 0);
  EXPECT_EQ(lefts(), (std::vector<int>{-2, 0, 3, 5})) << "starts rounded to 16.16, lefts toward zero";
  dst.StretchDrawTileMask({0, 0, 8, 1}, 5, 5, 128, 128, src, {0, 0, 10, 10}, mask, false, false, 255, 2, 0);
  EXPECT_EQ(lefts(), (std::vector<int>{0, 2, 5, 7}));
  dst.StretchDrawTileMask({0, 0, 8, 1}, 5, 5, 128, 128, src, {0, 0, 10, 10}, mask, false, false, 255, -3, 0);
  EXPECT_EQ(lefts(), (std::vector<int>{-1, 1, 4, 6})) << "a negative scroll starts a period further left";
  // Nothing for zero periods, zooms or sources, and periods below one pixel for the mask.
  dst.StretchDrawTile({0, 0, 8, 8}, 0, 5, 256, 256, src, {0, 0, 10, 10}, false, false, false, 255, 0, 0);
  dst.StretchDrawTile({0, 0, 8, 8}, 5, 5, 0, 256, src, {0, 0, 10, 10}, false, false, false, 255, 0, 0);
  dst.StretchDrawTile({0, 0, 8, 8}, 5, 5, 256, 256, src, {0, 0, 0, 10}, false, false, false, 255, 0, 0);
  dst.StretchDrawTileMask({0, 0, 8, 8}, 1, 1, 128, 128, src, {0, 0, 10, 10}, mask, false, false, 255, 0, 0);
  EXPECT_TRUE(dst.Stretches.empty());
  // Extreme arguments stay within the visible copies.
  dst.StretchDrawTile({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, INT_MAX, 1, INT_MAX, 1, src, {0, 0, 10, 10}, false, true, true,
                      300, INT_MIN, INT_MAX);
  dst.StretchDrawTileMask({INT_MIN, 0, INT_MAX, 30}, 1, INT_MAX, 300, INT_MAX, src, {0, 0, 10, 10}, mask, false, false,
                          511, INT_MAX, INT_MIN);
  EXPECT_LE(dst.Stretches.size(), 1900u);
  EXPECT_EQ(dst.ClipRect, (TRect{}));
}
