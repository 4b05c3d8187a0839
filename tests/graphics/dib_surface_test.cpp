#include "graphics/dib_surface.h"

#include <gtest/gtest.h>

#include "graphics/screen.h"
#include "graphics_test_kit.h"

using namespace orva;
using namespace orva::test;

using Rows = std::vector<std::vector<uint32_t>>;

TEST(DIBSurface, DepthLayoutsAndReportedDepth) {
  TDIBSurface s;
  s.SetSize(4, 2, 15);
  EXPECT_EQ(s.GetBitCount(), 15);
  EXPECT_EQ(s.BitCount(), 16);
  EXPECT_EQ(s.Layout(), Layout555());
  s.SetSize(4, 2, 16);
  EXPECT_EQ(s.GetBitCount(), 16);
  EXPECT_EQ(s.Layout().RedMask, 0xF800u);
  // The bit-count setter reaches SetSize through the virtual slot: 16 always means 5-6-5.
  s.SetSize(4, 2, 15);
  s.SetBitCount(16);
  EXPECT_EQ(s.GetBitCount(), 16);
  s.SetBitCount(15);
  EXPECT_EQ(s.GetBitCount(), 15);
}

TEST(DIBSurface, AlphaPlaneFollowsTheSize) {
  TDIBSurface s;
  s.SetSize(3, 3, 32);
  s.EnsureAlpha();
  ASSERT_NE(s.Alpha(), nullptr);
  EXPECT_EQ(s.Alpha()->BitCount(), 8);
  s.Alpha()->SetPixel(1, 1, 77);
  s.SetSize(3, 3, 32);
  EXPECT_EQ(s.Alpha()->GetPixel(1, 1), 77u) << "the same size keeps the plane's contents";
  s.SetSize(5, 2, 32);
  EXPECT_EQ(s.Alpha()->GetWidth(), 5);
  EXPECT_EQ(s.Alpha()->GetHeight(), 2);
  s.FillAlphaOpaque();
  EXPECT_EQ(s.Alpha()->GetPixel(4, 1), 255u);
  s.Clear();
  EXPECT_EQ(s.Alpha(), nullptr);
}

TEST(DIBSurface, OpaqueBoundsTrimAndCrop) {
  TDIBSurface s;
  Fill(s, 8, Rows{{0, 0, 0, 0}, {0, 5, 0, 0}, {0, 0, 6, 0}});
  EXPECT_EQ(s.GetOpaqueBounds(-1), (TRect{0, 0, 4, 3}));
  EXPECT_EQ(s.GetOpaqueBounds(0), (TRect{1, 1, 3, 3}));
  s.EnsureAlpha();
  s.Alpha()->SetPixel(2, 2, 200);
  EXPECT_EQ(s.TrimToColor(0), (TRect{1, 1, 3, 3}));
  EXPECT_EQ(Pixels(s), (Rows{{5, 0}, {0, 6}}));
  EXPECT_EQ(s.Alpha()->GetPixel(1, 1), 200u) << "the crop takes the alpha plane along";
  TDIBSurface key;
  Fill(key, 32, Rows{{9, 9}, {9, 9}});
  EXPECT_EQ(key.GetOpaqueBounds(9), TRect{});
  key.TrimToColor(9);
  EXPECT_EQ(Pixels(key), (Rows{{9}}));
}

TEST(DIBSurface, PixelAndColourConversions) {
  TDIBSurface s;
  s.SetSize(1, 1, 16);
  uint8_t r, g, b;
  s.PixelToRGB8(0x0821, r, g, b, true);
  EXPECT_EQ((std::array{r, g, b}), (std::array<uint8_t, 3>{15, 7, 15}));
  s.PixelToRGB8(0x0821, r, g, b, false);
  EXPECT_EQ((std::array{r, g, b}), (std::array<uint8_t, 3>{8, 4, 8}));
  EXPECT_EQ(s.RGB8ToPixel(255, 255, 255), 0xFFFFu);
  EXPECT_EQ(s.RGBToPixel(31, 63, 31), 0xFFFFu);
  s.SetSize(1, 1, 15);
  s.PixelToRGB8(0x7C00, r, g, b, true);
  EXPECT_EQ((std::array{r, g, b}), (std::array<uint8_t, 3>{255, 0, 0}));
  EXPECT_EQ(s.RGB8ToPixel(255, 0, 255), 0x7C1Fu);
  EXPECT_EQ(s.RGBToPixel(1, 2, 3), 0x0443u);
  s.SetSize(1, 1, 8);
  s.ColorTable[7] = MakeRGBQuad(250, 10, 10);
  s.ApplyColorTable();
  EXPECT_EQ(s.RGB8ToPixel(255, 0, 0), 7u) << "nearest colour of the table";
}

TEST(DIBSurface, ChangeBitCount) {
  TDIBSurface s;
  Fill(s, 24, Rows{{0xFFFFFF, 0x123456}});
  s.ChangeBitCount(32, 0, true);
  EXPECT_EQ(s.GetBitCount(), 32);
  EXPECT_EQ(Pixels(s), (Rows{{0xFFFFFFFF, 0xFF123456}})) << "32-bit results are opaque in the top byte";
  s.ChangeBitCount(16, 0, false);
  EXPECT_EQ(Pixels(s), (Rows{{0xFFFF, 0x11AA}}));
  s.ChangeBitCount(15, 0, false);
  EXPECT_EQ(Pixels(s), (Rows{{0x7FFF, 0x08CA}}));
  s.ChangeBitCount(24, 0, false);
  EXPECT_EQ(Pixels(s), (Rows{{0xF8F8F8, 0x103050}}));
  s.EnsureAlpha();
  s.Alpha()->SetPixel(1, 0, 9);
  s.ChangeBitCount(8, 0, false);
  EXPECT_EQ(s.GetBitCount(), 8);
  EXPECT_EQ(s.Alpha()->GetPixel(1, 0), 9u) << "the alpha plane is untouched";
  s.ChangeBitCount(1, 0, false);
  EXPECT_EQ(Pixels(s), (Rows{{1, 0}}));
}

TEST(DIBSurface, ResizeBoxAverageBilinearAndNearest) {
  TDIBSurface keyed;
  Fill(keyed, 24, Rows{{7, 7}, {7, 7}});
  keyed.Resize(1, 1, true, 7);
  EXPECT_EQ(Pixels(keyed), (Rows{{7}})) << "nothing counted gives the key";
  TDIBSurface avg;
  Fill(avg, 24, Rows{{0x000000, 0x0A0A0A}, {0x141414, 0x1E1E1E}});
  avg.Resize(1, 1, true, -1);
  EXPECT_EQ(avg.GetPixel(0, 0), 0x0F0F0Fu);
  TDIBSurface half;  // 1, 2 averages to 1.5: halves round to even
  Fill(half, 24, Rows{{0x010101, 0x020202}, {0x010101, 0x020202}});
  half.Resize(1, 1, true, 0x010101);
  EXPECT_EQ(half.GetPixel(0, 0), 0x020202u) << "the key skips the 1s";
  TDIBSurface wide;
  Fill(wide, 32, Rows{{0x000000, 0x646464}});
  wide.Resize(4, 1, true, -1);
  EXPECT_EQ(wide.GetBitCount(), 24) << "smooth enlarging leaves 32 bits at 24";
  // u = x / 2: 0, 0.5, 1 (edge), 1.5 reads the edge pixel beyond the right side.
  EXPECT_EQ(Pixels(wide), (Rows{{0x000000, 0x323232, 0x646464, 0x646464}}));
  TDIBSurface nearest;
  Fill(nearest, 16, Rows{{1, 2, 3}});
  nearest.EnsureAlpha();
  nearest.Resize(6, 2, false, -1);
  EXPECT_EQ(nearest.GetBitCount(), 16);
  EXPECT_EQ(Pixels(nearest), (Rows{{1, 1, 2, 2, 3, 3}, {1, 1, 2, 2, 3, 3}}));
  EXPECT_EQ(nearest.Alpha()->GetWidth(), 6);
  TDIBSurface indexed;
  Fill(indexed, 8, Rows{{10, 20}});
  indexed.Resize(1, 1, true, -1);
  EXPECT_EQ(indexed.GetBitCount(), 8);
  EXPECT_EQ(indexed.GetPixel(0, 0), 15u) << "grey ramp table: the nearest index of the average";
  TDIBSurface sixteen;
  Fill(sixteen, 16, Rows{{0xFFFF, 0xFFFF}});
  sixteen.Resize(1, 1, true, -1);
  EXPECT_EQ(sixteen.GetBitCount(), 16);
  EXPECT_EQ(sixteen.GetPixel(0, 0), 0xFFFFu);
}

TEST(DIBSurface, AssignCopiesPixelsTableAndAlpha) {
  TDIBSurface a, b;
  Fill(a, 15, Rows{{1, 2}, {3, 4}});
  a.EnsureAlpha();
  a.Alpha()->SetPixel(0, 1, 128);
  b.AssignDIB(a);
  EXPECT_EQ(b.GetBitCount(), 15);
  EXPECT_EQ(Pixels(b), Pixels(a));
  EXPECT_EQ(b.Alpha()->GetPixel(0, 1), 128u);
  TDIBSurface c;
  c.EnsureAlpha();
  c.AssignSurface(b);
  EXPECT_EQ(Pixels(c), Pixels(a));
  TDIB plain;
  Fill(plain, 24, Rows{{5}});
  c.AssignDIB(plain);
  EXPECT_EQ(c.Alpha(), nullptr);
  TDIBSurface part;
  part.AssignRect(a, {1, 0, 2, 2}, true);
  EXPECT_EQ(Pixels(part), (Rows{{2}, {4}}));
  EXPECT_EQ(part.Alpha()->GetPixel(0, 1), 0u);
}

TEST(DIBSurface, DrawToDCPresentsTopDownRectangles) {
  TDIBSurface s;
  Fill(s, 8, Rows{{1, 2}, {3, 4}});
  s.ColorTable[4] = MakeRGBQuad(0xFF, 0, 0);
  s.ApplyColorTable();
  TMemoryScreen screen(4, 4);
  s.DrawToDC(screen, 1, 1, 2, 2, 1, 1, 1, 1);  // the bottom-right pixel, doubled
  ASSERT_EQ(screen.Calls().size(), 1u);
  EXPECT_EQ(screen.Calls()[0].sy, 0) << "passed bottom-up";
  EXPECT_EQ(screen.Pixel(1, 1), 0xFF0000u);
  EXPECT_EQ(screen.Pixel(2, 2), 0xFF0000u);
  EXPECT_EQ(screen.Pixel(0, 0), 0u);
  s.Draw(screen, 0, 0, 4, 4);
  EXPECT_EQ(screen.Pixel(0, 0), 0x010101u);
  EXPECT_EQ(screen.Pixel(3, 0), 0x020202u);
}

// ---- Drawing ----

TEST(DIBSurfaceDraw, CopiesAreClippedToBothSurfaces) {
  TDIBSurface dst, src;
  Fill(src, 32, Rows{{1, 2, 3, 4, 5}});
  dst.SetSize(4, 1, 32);
  dst.DrawRect(-3, 0, src, src.GetBounds());
  EXPECT_EQ(Pixels(dst), (Rows{{4, 5, 0, 0}})) << "x = -3 starts at the fourth column";
  dst.DrawRect(1, 0, src, {3, 0, 9, 1});
  EXPECT_EQ(Pixels(dst), (Rows{{4, 4, 5, 0}})) << "the rectangle is cut to the source";
  dst.DrawRect(0, 0, src, {-2, 0, 2, 1});
  EXPECT_EQ(Pixels(dst), (Rows{{4, 4, 1, 2}})) << "a source left of 0 moves the destination";
  dst.DrawRect(4, 0, src, src.GetBounds());
  dst.DrawRect(0, 0, src, {2, 0, 2, 1});
  EXPECT_EQ(Pixels(dst), (Rows{{4, 4, 1, 2}}));
  TDIBSurface nibbles, nsrc;
  Fill(nibbles, 4, Rows{{0, 0, 0, 0, 0}});
  Fill(nsrc, 4, Rows{{1, 2, 3}});
  nibbles.DrawRect(2, 0, nsrc, {0, 0, 3, 1});
  EXPECT_EQ(Pixels(nibbles), (Rows{{0, 0, 1, 2, 3}})) << "differently aligned nibbles";
}

TEST(DIBSurfaceDraw, KeyedCopies) {
  struct Case {
    int depth;
    int32_t key;
    Rows src, expect;
  } cases[] = {
      {1, 5, {{1, 0, 1}}, {{0, 0, 0}}},          // any key but 0 and -1 is 1
      {1, -1, {{1, 0, 1}}, {{1, 0, 1}}},
      {8, 3, {{3, 4, 3}}, {{9, 4, 9}}},
      {15, 0x1F, {{0x1F, 0x20, 0x1F}}, {{9, 0x20, 9}}},
      {24, 0x123456, {{0x123456, 0x1, 0x123456}}, {{9, 1, 9}}},
      {32, -1, {{0xFFFFFFFF, 1, 2}}, {{0xFFFFFFFF, 1, 2}}},
      {32, 2, {{0xFFFFFFFF, 1, 2}}, {{0xFFFFFFFF, 1, 9}}},
  };
  for (const Case& c : cases) {
    TDIBSurface dst, src;
    Fill(src, c.depth, c.src);
    Fill(dst, c.depth, Rows{{9, 9, 9}});
    if (c.depth == 1) Fill(dst, 1, Rows{{0, 0, 0}});
    dst.DrawTransparent(0, 0, src, src.GetBounds(), c.key);
    EXPECT_EQ(Pixels(dst), c.expect) << c.depth;
  }
}

TEST(DIBSurfaceDraw, ConstantOpacity) {
  struct Case {
    int depth, opacity;
    uint32_t dst, src, expect;
  } cases[] = {
      {24, 128, 0x000000, 0xFFFFFF, 0x808080},
      {32, 128, 0x000000, 0xFFFFFF, 0x7F7F7F},
      {32, 128, 0xFF000000, 0xFFFFFF, 0x7F7F7F},  // the top byte becomes 0
      {16, 128, 0x0000, 0xFFFF, 0x7BEF},          // per mask: (128 × field) div 255
      {15, 51, 0x7FFF, 0x0000, 0x6318},
      {24, 0, 0x000000, 0xFFFFFF, 0x000000},
      {32, 255, 0x000000, 0xFFFFFF, 0xFFFFFF},    // a keyed copy
  };
  for (const Case& c : cases) {
    TDIBSurface dst, src;
    Fill(dst, c.depth, Rows{{c.dst}});
    Fill(src, c.depth, Rows{{c.src}});
    dst.DrawAlpha(0, 0, src, src.GetBounds(), -1, c.opacity);
    EXPECT_EQ(dst.GetPixel(0, 0), c.expect) << c.depth << " at " << c.opacity;
  }
  // 8 bits, opacity 128 (level 8): 9 of the 16 positions of the ordered pattern.
  TDIBSurface dst, src;
  Fill(dst, 8, Rows(4, std::vector<uint32_t>(4, 0)));
  Fill(src, 8, Rows(4, std::vector<uint32_t>(4, 1)));
  dst.DrawAlpha(0, 0, src, src.GetBounds(), -1, 128);
  EXPECT_EQ(Pixels(dst), (Rows{{1, 1, 1, 0}, {0, 1, 0, 1}, {1, 0, 1, 0}, {0, 1, 0, 1}}));
  // A keyed source pixel is left out of the blend.
  TDIBSurface d24, s24;
  Fill(d24, 24, Rows{{0, 0}});
  Fill(s24, 24, Rows{{0xFFFFFF, 0x0000FF}});
  d24.DrawAlpha(0, 0, s24, s24.GetBounds(), 0xFFFFFF, 128);
  EXPECT_EQ(Pixels(d24), (Rows{{0, 0x80}}));
}

TEST(DIBSurfaceDraw, ThroughTheAlphaPlane) {
  struct Case {
    int depth, opacity;
    uint8_t mask;
    uint32_t dst, src, expect;
  } cases[] = {
      {16, 255, 255, 0x0000, 0x1234, 0x1234},
      {16, 255, 0, 0x4321, 0x1234, 0x4321},
      {16, 255, 128, 0x0000, 0xFFFF, 0x7BEF},               // (field × 128) shr 8, and mask
      {24, 255, 128, 0x000000, 0xFFFFFF, 0x7F7F7F},
      {24, 128, 255, 0x000000, 0xFFFFFF, 0x7E7E7E},          // m' = (255 × 128) shr 8 = 127
      {24, 1, 255, 0x000000, 0xFFFFFF, 0x000000},            // m' = 0 keeps d
      {32, 0, 255, 0x000000, 0xAAFFFFFF, 0xAAFFFFFF},        // opacity only counts at 24 bits
      {8, 255, 127, 1, 2, 1},
      {8, 255, 128, 1, 2, 2},
  };
  for (const Case& c : cases) {
    TDIBSurface dst, src;
    Fill(dst, c.depth, Rows{{c.dst}});
    Fill(src, c.depth, Rows{{c.src}});
    src.EnsureAlpha();
    src.Alpha()->SetPixel(0, 0, c.mask);
    dst.DrawMask(0, 0, src, src.GetBounds(), c.opacity);
    EXPECT_EQ(dst.GetPixel(0, 0), c.expect) << c.depth << " mask " << int(c.mask) << " opacity " << c.opacity;
  }
  TDIBSurface dst, src;  // without a plane: a constant-opacity draw
  Fill(dst, 24, Rows{{0}});
  Fill(src, 24, Rows{{0xFFFFFF}});
  dst.DrawMask(0, 0, src, src.GetBounds(), 128);
  EXPECT_EQ(dst.GetPixel(0, 0), 0x808080u);
}

TEST(DIBSurfaceDraw, FillRectClipsAndReduces) {
  struct Case {
    int depth;
    uint32_t value, stored;
  } cases[] = {{1, 3, 1}, {4, 0x1F, 0xF}, {8, 0x1FF, 0xFF}, {15, 0xFFFF, 0x7FFF}, {16, 0x1FFFF, 0xFFFF},
               {24, 0xAB123456, 0x123456}, {32, 0xAB123456, 0xAB123456}};
  for (const Case& c : cases) {
    TDIBSurface s;
    s.SetSize(3, 2, c.depth);
    s.FillRect({-5, 1, 2, 9}, c.value);
    EXPECT_EQ(Pixels(s), (Rows{{0, 0, 0}, {c.stored, c.stored, 0}})) << c.depth;
  }
  // Sub-byte rows: whole bytes between partly covered ones.
  for (int depth : {1, 4}) {
    TDIBSurface s;
    s.SetSize(24, 1, depth);
    s.FillRect({3, 0, 21, 1}, 1);
    std::vector<uint32_t> expect(24, 0);
    for (int x = 3; x < 21; ++x) expect[x] = 1;
    EXPECT_EQ(Pixels(s)[0], expect) << depth;
  }
}

TEST(DIBSurfaceDraw, PalettizedCopies) {
  TDIBSurface dst, src;
  dst.SetSize(3, 1, 8);
  dst.ColorTable[0] = MakeRGBQuad(0, 0, 0);
  dst.ColorTable[1] = MakeRGBQuad(255, 0, 0);
  dst.ApplyColorTable();
  src.SetSize(2, 1, 4);
  src.ColorTable[2] = MakeRGBQuad(250, 5, 0);
  src.ApplyColorTable();
  src.SetPixel(0, 0, 2);
  src.SetPixel(1, 0, 3);
  dst.DrawPalettized(1, 0, src, 3);
  EXPECT_EQ(Pixels(dst), (Rows{{0, 1, 0}})) << "mapped to the nearest entry, the key skipped";
  TDIBSurface same;  // equal tables: a keyed copy of the indices
  Fill(same, 8, Rows{{1, 7, 1}});
  same.ColorTable = dst.ColorTable;
  same.ApplyColorTable();
  dst.DrawPalettized(0, 0, same, 7);
  EXPECT_EQ(Pixels(dst), (Rows{{1, 1, 1}}));
  TDIBSurface colour;  // a 24-bit source onto 8 bits: nearest index, no key
  Fill(colour, 24, Rows{{0xEE0000, 0x000000}});
  dst.DrawPalettized(0, 0, colour, 0);
  EXPECT_EQ(Pixels(dst), (Rows{{1, 0, 1}}));
  TDIBSurface deep;  // onto 16 bits: a format conversion
  deep.SetSize(2, 1, 16);
  deep.DrawPalettized(0, 0, colour, -1);
  EXPECT_EQ(Pixels(deep), (Rows{{0xE800, 0}}));
}
