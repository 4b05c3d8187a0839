#include "graphics/dibx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "graphics/screen.h"
#include "graphics_test_kit.h"

using namespace orva;
using namespace orva::test;

using Rows = std::vector<std::vector<uint32_t>>;

namespace {

Rows PixelsOf(TCustomDIBX& s) { return SurfacePixels(s); }

void FillX(TDIBX& s, int depth, const Rows& rows) { Fill(s, depth, rows); }

// A memory surface that counts its locks.
class CountingDIBX : public TDIBX {
 public:
  uint8_t* Lock(int x, int y) override {
    ++locks;
    return TDIBX::Lock(x, y);
  }
  int locks = 0;
};

}  // namespace

TEST(DIBX, PackedPathsAreOnWhereTheProcessorHasThem) {
  EXPECT_EQ(PackedRows, ProcessorPackedRows());
#if defined(__x86_64__)
  EXPECT_TRUE(UseMMX);
  EXPECT_GE(PackedRows, TPackedRows::SSE2);
#endif
}

TEST(DIBX, GeometryOfTheDepths) {
  TDIBX s;
  EXPECT_EQ(s.GetBitCount(), 15);
  EXPECT_EQ((std::array{s.GetRedMask(), s.GetGreenMask(), s.GetBlueMask()}), (std::array{0x7C00u, 0x3E0u, 0x1Fu}));
  struct Case {
    int bits, reported, storage, red, green;
  } cases[] = {{15, 15, 16, 10, 5}, {16, 16, 16, 11, 5}, {32, 32, 32, 16, 8}, {8, 8, 8, 16, 8}};
  for (const Case& c : cases) {
    s.SetSize(640, 480, c.bits);
    EXPECT_EQ(s.GetBitCount(), c.reported);
    EXPECT_EQ(s.GetStorageBitCount(), c.storage);
    EXPECT_EQ(s.GetRedShift(), c.red);
    EXPECT_EQ(s.GetGreenShift(), c.green);
    EXPECT_EQ(s.GetBlueShift(), 0);
    EXPECT_EQ(s.BytesPerPixel(), c.storage / 8);
    EXPECT_LT(s.GetRowStep(), 0) << "rows bottom-up";
  }
  s.Clear();
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(s.Surface().GetWidth(), 8);
  s.SetSize(2, 2, 16);
  EXPECT_EQ(s.GetWidth(), 2);
  s.SetBitCount(15);
  EXPECT_EQ(s.GetBitCount(), 15);
}

TEST(DIBX, ColorToPixel) {
  struct Case {
    int bits;
    int32_t color;
    uint32_t pixel;
  } cases[] = {{15, 0x0000FF, 0x7C00}, {16, 0x0000FF, 0xF800}, {32, 0x0000FF, 0xFF0000}, {32, 0x563412, 0x123456},
               {15, 0x070707, 0}, {16, 0xFFFFFF, 0xFFFF}, {8, 0x123456, 0x123456}, {24, 0x0000FF, 0xFF},
               {32, -1, 0xFFFFFFFF}, {15, -5, 0xFFFFFFFF}};
  for (const Case& c : cases) {
    TDIBX s;
    s.SetSize(1, 1, c.bits);
    EXPECT_EQ(s.ColorToPixel(c.color), c.pixel) << c.bits << " " << c.color;
  }
}

TEST(DIBX, ClipRectangle) {
  TDIBX s;
  s.SetSize(10, 10, 32);
  EXPECT_EQ(s.GetClipRect(), (TRect{0, 0, 10, 10}));
  s.AddClipRect({20, 20, 30, 30});
  EXPECT_EQ(s.ClipRect.Right, 0) << "wholly outside: unchanged";
  s.AddClipRect({-5, 1, 2, 3});
  s.AddClipRect({6, 7, 8, 9});
  EXPECT_EQ(s.GetClipRect(), (TRect{0, 1, 8, 9}));
  s.ClearClipRect();
  EXPECT_EQ(s.GetClipRect(), (TRect{0, 0, 10, 10}));
  s.SetClipRect({5, 5, 50, 50});
  EXPECT_EQ(s.GetClipRect(), (TRect{5, 5, 10, 10})) << "the stored clip is cut to the surface";
}

TEST(DIBX, ClipBlitMovesTheMatchingSourceEdge) {
  TDIBX s;
  s.SetSize(40, 10, 32);
  struct Case {
    int x;
    TRect sr;
    bool flipH;
    TRect dr, clipped;
  } cases[] = {
      {-3, {10, 0, 20, 5}, false, {0, 0, 7, 5}, {13, 0, 20, 5}},
      {-3, {10, 0, 20, 5}, true, {0, 0, 7, 5}, {10, 0, 17, 5}},
      {35, {10, 0, 20, 5}, false, {35, 0, 40, 5}, {10, 0, 15, 5}},
      {35, {10, 0, 20, 5}, true, {35, 0, 40, 5}, {15, 0, 20, 5}},
  };
  for (const Case& c : cases) {
    TRect sr = c.sr, dr = Bounds(c.x, 0, sr.Width(), sr.Height());
    ASSERT_TRUE(s.ClipBlit(dr, sr, c.flipH, false));
    EXPECT_EQ(dr, c.dr);
    EXPECT_EQ(sr, c.clipped);
  }
  // Cut to the source: a rectangle reaching past the source's left edge moves the
  // destination right, or under a flip shortens it at the right.
  TDIBX src;
  src.SetSize(8, 8, 32);
  TRect sr{-2, 0, 4, 1}, dr = Bounds(10, 0, 6, 1);
  ASSERT_TRUE(s.ClipBlit(dr, sr, false, false, &src));
  EXPECT_EQ(dr, (TRect{12, 0, 16, 1}));
  EXPECT_EQ(sr, (TRect{0, 0, 4, 1}));
  sr = {-2, 0, 4, 1}, dr = Bounds(10, 0, 6, 1);
  ASSERT_TRUE(s.ClipBlit(dr, sr, true, false, &src));
  EXPECT_EQ(dr, (TRect{10, 0, 14, 1}));
  sr = {50, 0, 60, 1}, dr = Bounds(0, 0, 10, 1);
  EXPECT_FALSE(s.ClipBlit(dr, sr, false, false, &src));
}

TEST(DIBX, FillsAndTheWholeSurfaceFill) {
  TDIBX s;
  s.SetSize(3, 2, 16);
  s.SetClipRect({1, 0, 2, 1});
  s.Fill(0x1234);
  EXPECT_EQ(PixelsOf(s), (Rows{{0x1234, 0x1234, 0x1234}, {0x1234, 0x1234, 0x1234}})) << "16 bits ignore the clip";
  s.FillRect({0, 0, 3, 2}, 0xFFFF);
  EXPECT_EQ(PixelsOf(s), (Rows{{0x1234, 0xFFFF, 0x1234}, {0x1234, 0x1234, 0x1234}}));
  s.ClearClipRect();
  s.SetSize(3, 2, 32);
  s.Fill(0);
  s.SetClipRect({1, 0, 2, 1});
  s.Fill(7);
  EXPECT_EQ(PixelsOf(s), (Rows{{0, 7, 0}, {0, 0, 0}})) << "32 bits honour the clip";
  s.ClearClipRect();
  TDIBX eight;
  eight.SetSize(2, 1, 8);
  eight.FillRect({0, 0, 9, 9}, 0x1FF);
  EXPECT_EQ(PixelsOf(eight), (Rows{{0xFF, 0xFF}}));
  TDIBX rgb;
  rgb.SetSize(2, 1, 24);
  rgb.FillRect({1, 0, 2, 1}, 0xAB123456);
  EXPECT_EQ(PixelsOf(rgb), (Rows{{0, 0x123456}}));
}

TEST(DIBX, BlendingFillsOnBothPaths) {
  struct Case {
    int bits;
    bool packed;
    uint32_t dst, pixel;
    int alpha;
    uint32_t alphaResult, addResult, subResult;
  } cases[] = {
      // White over black at 255: (P × 255) div 256 per channel.
      {32, true, 0x00000000, 0x00FFFFFF, 255, 0x00FEFEFE, 0x00FFFFFF, 0},
      {32, false, 0xFF000000, 0x00FFFFFF, 255, 0x00FEFEFE, 0x00FFFFFF, 0},
      {32, true, 0xFF000000, 0x00FFFFFF, 255, 0x00FEFEFE, 0xFFFFFFFF, 0xFF000000},  // fourth byte as a lane
      {15, true, 0x7FFF, 0x0421, 128, 0x3DEF, 0x7FFF, 0x7BDE},
      {15, false, 0x7FFF, 0x0421, 128, 0x3DEF, 0x7FFF, 0x7BDE},
      {16, true, 0x0000, 0xFFFF, 255, 0xF7DE, 0xFFFF, 0},
      {16, false, 0x0000, 0xFFFF, 255, 0xF7DE, 0xFFFF, 0},
      {24, true, 0x000000, 0xFFFFFF, 255, 0xFEFEFE, 0xFFFFFF, 0},
      {8, true, 10, 200, 128, 104, 210, 0},
  };
  for (const Case& c : cases) {
    PathScope path(c.packed);
    TDIBX s;
    s.SetSize(9, 1, c.bits);
    s.Fill(c.dst);
    s.FillRect({0, 0, 9, 1}, c.dst);
    s.FillRectAlpha({0, 0, 9, 1}, c.pixel, c.alpha);
    EXPECT_EQ(s.GetPixel(8, 0), c.alphaResult) << c.bits << (c.packed ? " packed" : " plain");
    s.FillRect({0, 0, 9, 1}, c.dst);
    s.FillRectAdd({0, 0, 9, 1}, c.pixel);
    EXPECT_EQ(s.GetPixel(8, 0), c.addResult) << c.bits << (c.packed ? " packed" : " plain");
    s.FillRectSub({0, 0, 9, 1}, c.pixel);
    s.FillRect({0, 0, 9, 1}, c.dst);
    s.FillRectSub({0, 0, 9, 1}, c.pixel);
    EXPECT_EQ(s.GetPixel(8, 0), c.subResult) << c.bits << (c.packed ? " packed" : " plain");
    // Alpha 0 changes nothing; pixels equal to P stay exactly P.
    s.FillRect({0, 0, 9, 1}, c.pixel);
    s.FillRectAlpha({0, 0, 9, 1}, 0, 0);
    s.FillRectAlpha({0, 0, 9, 1}, c.pixel, 255);
    EXPECT_EQ(s.GetPixel(4, 0), c.bits == 15 ? c.pixel & 0x7FFF : c.pixel);
  }
  PathScope plain(false);
  TDIBX s;
  s.SetSize(1, 1, 15);
  s.Fill(0);
  s.FillRectSub({0, 0, 1, 1}, 0x0421);
  EXPECT_EQ(s.GetPixel(0, 0), 0u);
}

TEST(DIBX, Frames) {
  TDIBX s;
  s.SetSize(12, 10, 32);
  s.Fill(0);
  s.FrameRect({0, 0, 12, 10}, 5, 1);  // 10 high, W = 5: only top and bottom (H = 0)
  EXPECT_EQ(s.GetPixel(0, 4), 1u);
  EXPECT_EQ(s.GetPixel(0, 5), 1u);
  s.Fill(0);
  s.FrameRect({1, 1, 11, 9}, 2, 1);
  EXPECT_EQ(s.GetPixel(1, 4), 1u);
  EXPECT_EQ(s.GetPixel(3, 4), 0u);
  EXPECT_EQ(s.GetPixel(10, 4), 1u);
  EXPECT_EQ(s.GetPixel(0, 0), 0u);
  // W = 6 on 10 rows: the bands overlap on rows 4 and 5 and blend twice there.
  s.Fill(0);
  s.FrameRectAlpha({0, 0, 12, 10}, 6, 0xFFFFFF, 128);
  EXPECT_EQ(s.GetPixel(0, 0) & 0xFF, 127u);
  EXPECT_EQ(s.GetPixel(0, 4) & 0xFF, 190u);  // 127, then (255 × 128 + 127 × 127) shr 8
  s.Fill(0);
  s.FrameRectAdd({0, 0, 12, 10}, 6, 0x10);
  EXPECT_EQ(s.GetPixel(0, 4), 0x20u);
}

// Border widths from stored data reach the ends of the range: the band sides wrap as 32-bit
// sums and clipping takes what they come to.
TEST(DIBX, FrameWidthsAtTheEndsOfTheRange) {
  struct Case {
    int32_t width;
    uint32_t everywhere;  // what every pixel ends as
  } cases[] = {{INT32_MAX, 1}, {1158799019, 1}, {INT32_MIN, 1}, {-5, 0}};
  for (const Case& c : cases) {
    TDIBX s;
    s.SetSize(12, 10, 32);
    s.Fill(0);
    s.FrameRect({0, 0, 12, 10}, c.width, 1);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 12; ++x) ASSERT_EQ(s.GetPixel(x, y), c.everywhere) << c.width << " at " << x << "," << y;
  }
}

TEST(DIBX, AssignCopiesWordsOrDraws) {
  TDIBX a, b;
  FillX(a, 15, Rows{{0x7FFF, 0x1234}, {1, 2}});
  b.SetSize(2, 2, 16);
  b.SetClipRect({0, 0, 1, 1});
  b.Assign(a);
  EXPECT_EQ(PixelsOf(b), PixelsOf(a)) << "the block, no 5-5-5 to 5-6-5 conversion, no clip";
  EXPECT_EQ(b.GetBitCount(), 16);
  TDIBX c;
  c.SetSize(3, 3, 15);
  c.Fill(9);
  c.Assign(a);
  EXPECT_EQ(c.GetPixel(1, 0), 0x1234u);
  EXPECT_EQ(c.GetPixel(2, 2), 9u);
}

TEST(DIBX, StretchToDCPresentsFromTheTopRow) {
  TDIBX s;
  FillX(s, 32, Rows{{0x111111, 0x222222}, {0x333333, 0x444444}});
  TMemoryScreen screen(4, 4);
  s.StretchToDC(screen, 0, 0, 2, 2, 0, 0, 2, 2);
  EXPECT_EQ(screen.Calls()[0].sy, 0);
  EXPECT_EQ(screen.Pixel(0, 0), 0x111111u) << "source row 0 of the call is the picture's top";
  EXPECT_EQ(screen.Pixel(1, 1), 0x444444u);
  s.StretchToDC(screen, 0, 0, 4, 4, 1, 1, 1, 1);
  EXPECT_EQ(screen.Pixel(3, 3), 0x444444u);
  EXPECT_EQ(screen.Pixel(0, 0), 0x444444u);
}

TEST(DIBX, DrawColorMask) {
  struct Case {
    int bits;
    bool packed;
    uint32_t dst, pixel;
    uint8_t m;
    int alpha;
    uint32_t expect;
  } cases[] = {
      {32, true, 0, 0xFFFFFF, 255, 255, 0xFEFEFE},
      {32, true, 0, 0xFFFFFF, 128, 128, 0x3F3F3F},        // a = (128 × 128) shr 8 = 64
      {32, true, 0xFFFFFF, 0xFFFFFF, 128, 255, 0xFFFFFF},  // d = P is left on the packed path
      {32, false, 0xFFFFFF, 0xFFFFFF, 255, 255, 0xFEFEFE}, // a = 254 and d = P blended
      {16, true, 0, 0xFFFF, 255, 255, 0xF7DE},
      {16, false, 0, 0xFFFF, 255, 255, 0xF7DE},            // a = 254: 31 × 254 shr 8 = 30
      {16, true, 0x1234, 0xFFFF, 0, 255, 0x1234},
      {8, true, 0, 200, 255, 255, 198},
  };
  for (const Case& c : cases) {
    PathScope path(c.packed);
    TDIBX s, mask;
    s.SetSize(2, 1, c.bits);
    s.Fill(c.dst);
    s.FillRect({0, 0, 2, 1}, c.dst);
    mask.SetSize(2, 1, 8);
    mask.Fill(c.m);
    s.DrawColorMask(1, 0, mask, {0, 0, 2, 1}, false, false, c.pixel, c.alpha);
    EXPECT_EQ(s.GetPixel(1, 0), c.expect) << c.bits << (c.packed ? " packed" : " plain") << " m=" << int(c.m);
    EXPECT_EQ(s.GetPixel(0, 0), c.dst);
  }
  // The mask walks backwards under a flip.
  TDIBX s, mask;
  FillX(mask, 8, Rows{{0, 255}});
  s.SetSize(2, 1, 32);
  s.Fill(0);
  s.DrawColorMask(0, 0, mask, {0, 0, 2, 1}, true, false, 0xFFFFFF, 255);
  EXPECT_EQ(PixelsOf(s), (Rows{{0xFEFEFE, 0}}));
}

// ---- Blits ----

TEST(DIBXBlits, DrawCopiesFlipsAndKeys) {
  for (int bits : {8, 15, 24, 32}) {
    TDIBX src, dst;
    FillX(src, bits, Rows{{1, 2, 3, 4}, {5, 6, 7, 8}});
    dst.SetSize(4, 2, bits);
    dst.Fill(0);
    dst.FillRect({0, 0, 4, 2}, 0);
    dst.Draw(0, 0, src, {0, 0, 4, 1}, false, true, false);
    EXPECT_EQ(PixelsOf(dst)[0], (std::vector<uint32_t>{4, 3, 2, 1})) << bits;
    dst.Draw(0, 0, src, {0, 0, 4, 2}, false, false, true);
    EXPECT_EQ(PixelsOf(dst), (Rows{{5, 6, 7, 8}, {1, 2, 3, 4}})) << bits;
    src.TransparentColor = 2;
    dst.FillRect({0, 0, 4, 2}, 9);
    dst.Draw(0, 0, src, {0, 0, 4, 1}, true, false, false);
    EXPECT_EQ(PixelsOf(dst)[0], (std::vector<uint32_t>{1, 9, 3, 4})) << "the keyed pixel leaves d, at " << bits;
    dst.Draw(-2, 1, src, {0, 0, 4, 1}, false, false, false);
    EXPECT_EQ(PixelsOf(dst)[1], (std::vector<uint32_t>{3, 4, 9, 9}));
  }
  TDIBX src, dst;  // the key compares the whole 32-bit pixel, the fourth byte included
  FillX(src, 32, Rows{{0xFF000002, 0x00000002}});
  src.TransparentColor = 2;
  dst.SetSize(2, 1, 32);
  dst.Fill(9);
  dst.Draw(0, 0, src, {0, 0, 2, 1}, true, false, false);
  EXPECT_EQ(PixelsOf(dst)[0], (std::vector<uint32_t>{0xFF000002, 9}));
}

TEST(DIBXBlits, AnEmptyClippedDrawLocksNothing) {
  CountingDIBX dst, src;
  dst.SetSize(10, 10, 32);
  src.SetSize(4, 4, 32);
  dst.SetClipRect({0, 0, 5, 5});
  dst.Draw(5, 0, src, {0, 0, 4, 4}, false, false, false);
  dst.DrawAlpha(0, 0, src, {2, 2, 2, 4}, false, false, false, 128);
  dst.DrawAdd(0, 0, src, {0, 0, 4, 4}, false, false, false, 0);
  dst.FillRect({7, 7, 9, 9}, 1);
  EXPECT_EQ(dst.locks + src.locks, 0);
}

TEST(DIBXBlits, BlitsAtTheEdgesOfTheCoordinatesDrawNothing) {
  // A chip of a transition may fall far below the picture before it is gone.
  TDIBX src, dst, mask;
  FillX(src, 32, Rows{{1, 2}, {3, 4}});
  mask.SetSize(2, 2, 8);
  mask.Fill(255);
  dst.SetSize(4, 4, 32);
  dst.Fill(9);
  for (auto [x, y] : {std::pair{INT32_MAX, 0}, std::pair{0, INT32_MAX}, std::pair{INT32_MIN, INT32_MIN}}) {
    dst.Draw(x, y, src, {0, 0, 2, 2}, false, false, false);
    dst.DrawAlpha(x, y, src, {0, 0, 2, 2}, false, false, false, 128);
    dst.DrawColorMask(x, y, mask, {0, 0, 2, 2}, false, false, 5, 255);
  }
  EXPECT_EQ(PixelsOf(dst), Rows(4, std::vector<uint32_t>(4, 9)));
  dst.Draw(3, 3, src, {0, 0, 2, 2}, false, false, false);
  EXPECT_EQ(PixelsOf(dst)[3][3], 1u);
}

namespace {

enum class Blit { Mask, Alpha, MaskAlpha, Add, MaskAdd };

void RunBlit(Blit op, TDIBX& dst, TDIBX& src, TDIBX& mask, int alpha, bool useKey = false) {
  const TRect sr = src.GetBoundsRect();
  switch (op) {
    case Blit::Mask: dst.DrawMask(0, 0, src, sr, false, false, mask); break;
    case Blit::Alpha: dst.DrawAlpha(0, 0, src, sr, useKey, false, false, alpha); break;
    case Blit::MaskAlpha: dst.DrawMaskAlpha(0, 0, src, sr, false, false, mask, alpha); break;
    case Blit::Add: dst.DrawAdd(0, 0, src, sr, useKey, false, false, alpha); break;
    case Blit::MaskAdd: dst.DrawMaskAdd(0, 0, src, sr, false, false, mask, alpha); break;
  }
}

}  // namespace

TEST(DIBXBlits, PerPixelRulesOnBothPaths) {
  struct Case {
    const char* what;
    Blit op;
    int bits;
    bool packed;
    uint32_t src, dst;
    uint8_t m;
    int alpha;
    uint32_t expect;
  } cases[] = {
      {"alpha 255 darkens one step", Blit::Alpha, 32, true, 0x00FFFFFF, 0, 0, 255, 0x00FEFEFE},
      {"alpha 255, plain", Blit::Alpha, 32, false, 0x00FFFFFF, 0, 0, 255, 0x00FEFEFE},
      {"alpha over four bytes", Blit::Alpha, 32, true, 0xFFFFFFFF, 0, 0, 255, 0xFEFEFEFE},
      {"alpha, plain: fourth byte 0", Blit::Alpha, 32, false, 0xFFFFFFFF, 0xFF000000, 0, 255, 0x00FEFEFE},
      {"alpha skips d = s", Blit::Alpha, 32, true, 0x123456, 0x123456, 0, 128, 0x123456},
      {"alpha skips d = s, plain", Blit::Alpha, 16, false, 0x1234, 0x1234, 0, 128, 0x1234},
      {"alpha at 15", Blit::Alpha, 15, true, 0x7FFF, 0, 0, 128, 0x3DEF},
      {"alpha at 8", Blit::Alpha, 8, true, 200, 100, 0, 128, 149},
      {"alpha at 24", Blit::Alpha, 24, true, 0xFFFFFF, 0, 0, 128, 0x7F7F7F},
      {"mask 255 copies", Blit::Mask, 32, true, 0xAB123456, 0, 255, 0, 0xAB123456},
      {"mask 255 copies, plain", Blit::Mask, 16, false, 0x1234, 0, 255, 0, 0x1234},
      {"mask 0 keeps", Blit::Mask, 15, true, 0x1234, 0x4321, 0, 0, 0x4321},
      {"mask 128", Blit::Mask, 16, true, 0xFFFF, 0, 128, 0, 0x7BEF},
      {"mask s = d skipped", Blit::Mask, 32, true, 0x808080, 0x808080, 128, 0, 0x808080},
      {"mask s = d blended, plain", Blit::Mask, 32, false, 0x808080, 0x808080, 128, 0, 0x7F7F7F},
      {"mask at 8", Blit::Mask, 8, true, 200, 0, 128, 0, 100},
      {"mask alpha, 32 at 255 uses A", Blit::MaskAlpha, 32, true, 0xFFFFFF, 0, 255, 128, 0x7F7F7F},
      {"mask alpha, plain", Blit::MaskAlpha, 32, false, 0xFFFFFF, 0, 255, 128, 0x7E7E7E},
      {"mask alpha, 16 at 255", Blit::MaskAlpha, 16, true, 0xFFFF, 0, 255, 128, 0x7BEF},
      {"add white 128 on black", Blit::Add, 32, true, 0xFFFFFF, 0, 0, 128, 0x7F7F7F},
      {"add, plain", Blit::Add, 32, false, 0xFFFFFF, 0, 0, 128, 0x7F7F7F},
      {"add on white saturates", Blit::Add, 32, true, 0xFFFFFF, 0xFFFFFF, 0, 128, 0xFFFFFF},
      {"add 5-bit fields", Blit::Add, 15, true, 0x7FFF, 0, 0, 128, 0x3DEF},
      {"add 5-bit fields, plain", Blit::Add, 15, false, 0x7FFF, 0, 0, 128, 0x3DEF},
      {"add 5-6-5", Blit::Add, 16, true, 0xFFFF, 0xFFFF, 0, 200, 0xFFFF},
      {"add bytes at 8", Blit::Add, 8, true, 200, 100, 0, 1, 255},
      {"mask add, 32 at 255 uses A", Blit::MaskAdd, 32, true, 0xFFFFFF, 0, 255, 128, 0x7F7F7F},
      {"mask add, plain", Blit::MaskAdd, 32, false, 0xFFFFFF, 0, 255, 128, 0x7E7E7E},
      {"mask add 0 skips", Blit::MaskAdd, 16, true, 0xFFFF, 0x1234, 0, 255, 0x1234},
      {"alpha 0 draws nothing", Blit::Alpha, 32, true, 0xFFFFFF, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    PathScope path(c.packed);
    OneRowMix<TDIBX> f(c.bits, c.src, c.dst, c.m);
    TDIBX& dst = f.dst;
    RunBlit(c.op, dst, f.src, f.mask, c.alpha);
    EXPECT_EQ(dst.GetPixel(0, 0), c.expect) << c.what;
    EXPECT_EQ(dst.GetPixel(10, 0), c.expect) << c.what << " (tail)";
  }
}

TEST(DIBXBlits, KeysOfTheMixingBlits) {
  for (bool packed : {true, false}) {
    PathScope path(packed);
    TDIBX src, dst, mask;
    FillX(src, 32, Rows{{0xFFFFFF, 0x000010, 0xFFFFFFFF}});
    dst.SetSize(3, 1, 32);
    // DrawAdd skips keyed pixels whatever K says.
    src.TransparentColor = 0x000010;
    dst.Fill(0);
    RunBlit(Blit::Add, dst, src, mask, 255, false);
    EXPECT_EQ(dst.GetPixel(1, 0), 0u);
    // Without a key nothing is skipped, not even 0xFFFFFFFF.
    src.TransparentColor = -1;
    dst.Fill(0);
    RunBlit(Blit::Add, dst, src, mask, 255, false);
    EXPECT_EQ(dst.GetPixel(2, 0) & 0xFFFFFF, 0xFEFEFEu);
    // DrawAlpha blends keyed pixels when K is false.
    src.TransparentColor = 0x000010;
    dst.Fill(0);
    RunBlit(Blit::Alpha, dst, src, mask, 255, false);
    EXPECT_EQ(dst.GetPixel(1, 0), 0x00000Fu);
    dst.Fill(0);
    RunBlit(Blit::Alpha, dst, src, mask, 255, true);
    EXPECT_EQ(dst.GetPixel(1, 0), 0u);
  }
}

TEST(DIBXBlits, FlipsWalkTheSourceAndMaskBackwards) {
  for (bool packed : {true, false}) {
    PathScope path(packed);
    TDIBX src, dst, mask;
    FillX(src, 32, Rows{{0x10, 0x20, 0x30, 0x40, 0x50}, {0x60, 0x70, 0x80, 0x90, 0xA0}});
    FillX(mask, 8, Rows{{255, 0, 255, 0, 255}, {0, 0, 0, 0, 255}});
    dst.SetSize(5, 2, 32);
    dst.Fill(0);
    dst.DrawMask(0, 0, src, {0, 0, 5, 2}, true, true, mask);
    EXPECT_EQ(PixelsOf(dst), (Rows{{0xA0, 0, 0, 0, 0}, {0x50, 0, 0x30, 0, 0x10}}));
    dst.Fill(0);
    dst.DrawAdd(0, 0, src, {1, 0, 4, 1}, false, true, false, 255);
    EXPECT_EQ(PixelsOf(dst)[0], (std::vector<uint32_t>{0x3F, 0x2F, 0x1F, 0, 0}));
  }
}

TEST(DIBXBlits, PackedAndPlainAgreeOnTheColours) {
  std::mt19937 random(7);
  for (int bits : {15, 16, 32}) {
    for (Blit op : {Blit::Mask, Blit::Alpha, Blit::MaskAlpha, Blit::Add, Blit::MaskAdd}) {
      TDIBX src, mask, base;
      const int w = 37, h = 5;
      src.SetSize(w, h, bits);
      mask.SetSize(w, h, 8);
      base.SetSize(w, h, bits);
      const uint32_t valueMask = bits == 32 ? 0xFFFFFF : bits == 16 ? 0xFFFF : 0x7FFF;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const uint32_t d = random() & valueMask;
          base.SetPixel(x, y, d);
          src.SetPixel(x, y, (d + 1 + random() % 100) & valueMask);  // never equal to d
          // Mask 255 at 32 bits takes A itself on the packed path: kept out of the comparison.
          mask.SetPixel(x, y, random() % 4 == 0 ? 0 : random() % 255);
        }
      auto run = [&](bool packed) {
        PathScope scope(packed);
        TDIBX dst;
        dst.SetSize(w, h, bits);
        dst.Assign(base);
        RunBlit(op, dst, src, mask, 200);
        Rows result = PixelsOf(dst);
        for (auto& row : result)
          for (uint32_t& p : row) p &= valueMask;
        return result;
      };
      const Rows plain = run(false);
      for (TPackedRows width : RowWidths()) {
        RowsScope rows(width);
        EXPECT_EQ(run(true), plain) << bits << " op " << int(op) << " rows " << int(width);
      }
    }
  }
}

namespace {

// A surface of raw pixel values: a third from a small palette (so that source, destination
// and key meet often), the rest random over every stored bit.
void RandomPixels(TDIBX& s, int w, int h, int bits, std::mt19937& random, const uint32_t (&palette)[3]) {
  s.SetSize(w, h, bits);
  const uint32_t all = bits == 32 ? 0xFFFFFFFF : 0xFFFF;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, (random() % 3 == 0 ? palette[random() % 3] : random()) & all);
}

// A mask in runs of 0, of 255 and of random values, so that whole vectors of each occur.
void RunsMask(TDIBX& m, int w, int h, std::mt19937& random) {
  m.SetSize(w, h, 8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w;) {
      const int kind = random() % 3, run = 1 + random() % 20;
      for (int end = std::min(w, x + run); x < end; ++x) m.SetPixel(x, y, kind == 0 ? 0 : kind == 1 ? 255 : random() & 0xFF);
    }
}

}  // namespace

// The packed rows of every width the processor runs give the scalar rows' pixels, every bit
// of them: odd widths, unaligned starts, clipping at each edge, flips, keys, pixels equal to
// the destination, and masks with transparent and opaque runs.
TEST(DIBXBlits, EveryRowWidthGivesTheScalarPixels) {
  std::mt19937 random(38);
  enum Kind { kMask, kAlpha, kAlphaKeyed, kMaskAlpha, kAdd, kAddUnkeyed, kMaskAdd, kColorMask };
  for (int bits : {15, 16, 32}) {
    const uint32_t palette[3] = {bits == 32 ? 0x00FF8040u : 0x7C1Fu, 0, bits == 32 ? 0xFFFFFFFFu : 0xFFFFu};
    for (int w : {1, 7, 9, 16, 17, 35, 70}) {
      const int h = 3, dw = w + 9, dh = 5;
      TDIBX src, mask, base;
      RandomPixels(src, w, h, bits, random, palette);
      RandomPixels(base, dw, dh, bits, random, palette);
      RunsMask(mask, w, h, random);
      for (int kind = kMask; kind <= kColorMask; ++kind)
        for (int alpha : {255, 77})
          for (auto [x, y] : {std::pair{0, 0}, std::pair{3, 1}, std::pair{-2, -1}, std::pair{dw - w + 3, dh - 2}})
            for (bool flip : {false, true}) {
              src.TransparentColor = kind == kAddUnkeyed ? -1 : static_cast<int32_t>(palette[0]);
              const TRect sr{kind == kAlpha ? 1 : 0, 0, w, h};
              Rows expected;
              for (TPackedRows width : RowWidths()) {
                RowsScope rows(width);
                TDIBX dst;
                dst.SetSize(dw, dh, bits);
                dst.Assign(base);
                switch (kind) {
                  case kMask: dst.DrawMask(x, y, src, sr, flip, false, mask); break;
                  case kAlpha: dst.DrawAlpha(x, y, src, sr, false, flip, !flip, alpha); break;
                  case kAlphaKeyed: dst.DrawAlpha(x, y, src, sr, true, flip, false, alpha); break;
                  case kMaskAlpha: dst.DrawMaskAlpha(x, y, src, sr, flip, false, mask, alpha); break;
                  case kAdd:
                  case kAddUnkeyed: dst.DrawAdd(x, y, src, sr, false, flip, false, alpha); break;
                  case kMaskAdd: dst.DrawMaskAdd(x, y, src, sr, flip, false, mask, alpha); break;
                  case kColorMask: dst.DrawColorMask(x, y, mask, sr, flip, false, palette[2] ^ 0x1234, alpha); break;
                }
                if (width == TPackedRows::Scalar)
                  expected = PixelsOf(dst);
                else
                  EXPECT_EQ(PixelsOf(dst), expected) << bits << " bits, width " << w << ", kind " << kind << ", alpha "
                                                     << alpha << ", at " << x << "," << y << (flip ? " flipped" : "")
                                                     << ", rows " << int(width);
              }
            }
    }
  }
}

TEST(DIBX, PackedAndPlainFillsAndColourMaskAgreeOnTheColours) {
  std::mt19937 random(11);
  for (int bits : {15, 16, 32}) {
    const uint32_t valueMask = bits == 32 ? 0xFFFFFF : bits == 16 ? 0xFFFF : 0x7FFF;
    TDIBX base, coverage;
    base.SetSize(29, 3, bits);
    coverage.SetSize(29, 3, 8);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 29; ++x) {
        base.SetPixel(x, y, random() & valueMask & ~1u);  // never the odd value painted below
        coverage.SetPixel(x, y, random() % 3 == 0 ? 0 : random() & 0xFF);
      }
    const uint32_t value = 0x5A5A5B & valueMask;
    for (int op = 0; op < 4; ++op) {
      Rows results[2];
      for (int path = 0; path < 2; ++path) {
        PathScope scope(path == 0);
        TDIBX dst;
        dst.SetSize(29, 3, bits);
        dst.Assign(base);
        const TRect r{1, 0, 28, 3};
        switch (op) {
          case 0: dst.FillRectAlpha(r, value, 77); break;
          case 1: dst.FillRectAdd(r, value); break;
          case 2: dst.FillRectSub(r, value); break;
          case 3: dst.DrawColorMask(1, 0, coverage, {0, 0, 27, 3}, false, false, value, 200); break;
        }
        results[path] = PixelsOf(dst);
        for (auto& row : results[path])
          for (uint32_t& p : row) p &= valueMask;
      }
      EXPECT_EQ(results[0], results[1]) << bits << " op " << op;
    }
  }
}
