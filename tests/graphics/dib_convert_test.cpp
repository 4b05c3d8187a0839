#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>

#include "graphics/dib.h"
#include "graphics/fast_dib.h"
#include "graphics_test_kit.h"

using namespace orva;
using namespace orva::test;

TEST(DIBGreyscale, WeightsAndOutputDepths) {
  TDIB dib;
  Fill(dib, 24, {{0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF}});
  TDIB grey8;
  grey8.Assign(&dib);
  grey8.Greyscale(8);
  EXPECT_EQ(Pixels(grey8)[0], (std::vector<uint32_t>{253, 91, 102, 60}));  // 91 + 102 + 60
  EXPECT_EQ(grey8.ColorTable[253], MakeRGBQuad(253, 253, 253));
  TDIB grey4;
  grey4.Assign(&dib);
  grey4.Greyscale(4);
  EXPECT_EQ(Pixels(grey4)[0], (std::vector<uint32_t>{15, 5, 6, 3}));
  EXPECT_EQ(grey4.ColorTable[1], MakeRGBQuad(0x11, 0x11, 0x11));
  EXPECT_EQ(grey4.ColorTable[16], MakeRGBQuad(0, 0, 0));
  TDIB grey1;
  grey1.Assign(&dib);
  grey1.Greyscale(1);
  EXPECT_EQ(Pixels(grey1)[0], (std::vector<uint32_t>{1, 0, 0, 0}));
  grey1.Assign(&dib);
  grey1.Greyscale(24);
  EXPECT_EQ(Pixels(grey1)[0][1], 0x5B5B5Bu);
  EXPECT_EQ(Pixels(dib)[0][1], 0xFF0000u) << "the source store is untouched";
}

TEST(DIBBlur, FlatPictureStaysAndWindowsAreCutToThePicture) {
  TDIB flat;
  Fill(flat, 24, std::vector<std::vector<uint32_t>>(5, std::vector<uint32_t>(6, 0x336699)));
  flat.Blur(24, 1);
  for (auto& row : Pixels(flat))
    for (uint32_t p : row) EXPECT_EQ(p, 0x336699u);
  // One white pixel in a corner of black: the corner window holds 4 pixels, an edge one 6,
  // an inner one 9.
  TDIB dot;
  Fill(dot, 24, std::vector<std::vector<uint32_t>>(3, std::vector<uint32_t>(3, 0)));
  dot.SetPixel(0, 0, 0xFFFFFF);
  TDIB edge;
  edge.Assign(&dot);
  dot.Blur(24, 1);
  EXPECT_EQ(dot.GetPixel(0, 0), 0x3F3F3Fu);  // 255 div 4
  EXPECT_EQ(dot.GetPixel(1, 0), 0x2A2A2Au);  // 255 div 6
  EXPECT_EQ(dot.GetPixel(1, 1), 0x1C1C1Cu);  // 255 div 9
  EXPECT_EQ(dot.GetPixel(2, 2), 0u);
  // A negative radius counts as its absolute value; 8 bits give the grey index.
  edge.Blur(8, -1);
  EXPECT_EQ(edge.GetPixel(0, 0), 63u);
}

// The blur by its definition: each pixel the mean (truncated) of the colours of the pixels x ± r,
// y ± r within the picture, written at the output depth (grey up to 8 bits).
uint32_t BoxMean(TDIB& source, int x, int y, int r, int bits, const PixelLayout& out) {
  uint32_t sr = 0, sg = 0, sb = 0, n = 0;
  for (int v = std::max(0, y - r); v <= std::min(source.GetHeight() - 1, y + r); ++v)
    for (int u = std::max(0, x - r); u <= std::min(source.GetWidth() - 1, x + r); ++u) {
      const uint32_t c = DIBPixelColor(source.Image(), source.ScanLineReadOnly(v), u);
      sr += c >> 16 & 0xFF, sg += c >> 8 & 0xFF, sb += c & 0xFF, ++n;
    }
  const uint32_t grey = (sr + sg + sb) / n / 3;
  switch (bits) {
    case 1: return grey >= 128;
    case 4: return grey >> 4;
    case 8: return grey;
    case 24: return (sr / n) << 16 | (sg / n) << 8 | sb / n;
    default: return DIBPixelFromRGB(out, sr / n, sg / n, sb / n);
  }
}

TEST(DIBBlur, EveryDepthAndRadiusGivesTheMeanOfItsWindow) {
  struct Source {
    int bits;
    PixelLayout layout;
  };
  const Source sources[] = {{1, Layout888()},      {4, Layout888()},  {8, Layout888()}, {16, Layout565()},
                            {16, Layout555()},     {24, Layout888()}, {32, Layout888()}};
  std::mt19937 random(5);
  for (const Source& from : sources)
    for (int bits : {0, 1, 8, 16, 24, 32})  // 0: the source's own depth, blurred in place
      for (auto [w, h] : {std::pair{1, 1}, std::pair{3, 7}, std::pair{13, 9}, std::pair{40, 2}})
        for (int radius : {1, 2, 4, -3, 50}) {
          TDIB source;
          source.PixelFormat = from.layout;
          for (TRGBQuad& q : source.ColorTable) q = MakeRGBQuad(uint8_t(random()), uint8_t(random()), uint8_t(random()));
          source.SetSize(w, h, from.bits);
          for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) source.SetPixel(x, y, random() & (from.bits == 32 ? 0xFFFFFFFF : (1u << from.bits) - 1));
          TDIB blurred;
          blurred.Assign(&source);
          const int out = bits ? bits : from.bits;
          blurred.PixelFormat = out != 16 ? Layout888() : from.bits == 16 ? from.layout : Layout565();
          blurred.Blur(out, radius);
          const std::string where = std::to_string(from.bits) + " to " + std::to_string(out) + " bits, " + std::to_string(w) +
                                    "x" + std::to_string(h) + ", radius " + std::to_string(radius);
          ASSERT_EQ(blurred.BitCount(), out) << where;
          for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
              ASSERT_EQ(blurred.GetPixel(x, y), BoxMean(source, x, y, std::abs(radius), out, blurred.Layout()))
                  << where << " at " << x << "," << y;
        }
}

TEST(DIBInvert, TwiceIsIdentityAndIndexedPicturesInvertThePalette) {
  TDIB dib;
  Fill(dib, 24, {{0x123456, 0xFFFFFF}, {0, 0x808080}});
  auto before = Pixels(dib);
  dib.Invert();
  EXPECT_EQ(dib.GetPixel(0, 0), 0xEDCBA9u);
  dib.Invert();
  EXPECT_EQ(Pixels(dib), before);
  TDIB indexed;
  Fill(indexed, 8, {{3, 7}});
  indexed.Invert();
  EXPECT_EQ(Pixels(indexed)[0], (std::vector<uint32_t>{3, 7}));
  EXPECT_EQ(indexed.ColorTable[3], MakeRGBQuad(252, 252, 252));
}

TEST(DIBSetBitCount, ConversionsBetweenDepths) {
  TDIB dib;
  Fill(dib, 24, {{0xFFFFFF, 0x804020, 0x000000}});
  dib.PixelFormat = Layout565();
  dib.SetBitCount(16);
  EXPECT_EQ(dib.Layout(), Layout565());
  EXPECT_EQ(Pixels(dib)[0], (std::vector<uint32_t>{0xFFFF, 0x8204, 0}));
  dib.PixelFormat = Layout888();
  dib.SetBitCount(24);
  // High bits replicated: 255 stays 255; 0x80 → 0x84, 0x40 → 0x41, 0x20 → 0x21.
  EXPECT_EQ(Pixels(dib)[0], (std::vector<uint32_t>{0xFFFFFF, 0x844121, 0}));
  // Down to 8 bits through the fixed 3-3-2 cube, nearest colour.
  dib.SetBitCount(8);
  EXPECT_EQ(Pixels(dib)[0], (std::vector<uint32_t>{255, 0x80 | 0x08 | 0x00, 0}));
  EXPECT_EQ(dib.ColorTable[0x88], MakeRGBQuad(145, 72, 0));
  // Up from an indexed depth: indices copied, table kept.
  TDIB mono;
  mono.ColorTable[1] = MakeRGBQuad(255, 0, 0);
  Fill(mono, 1, {{1, 0, 1}});
  mono.ColorTable[1] = MakeRGBQuad(255, 0, 0);
  mono.ApplyColorTable();
  mono.SetBitCount(4);
  EXPECT_EQ(Pixels(mono)[0], (std::vector<uint32_t>{1, 0, 1}));
  EXPECT_EQ(mono.ColorTable[1], MakeRGBQuad(255, 0, 0));
  mono.SetBitCount(32);
  EXPECT_EQ(Pixels(mono)[0], (std::vector<uint32_t>{0xFF0000, 0, 0xFF0000}));
  mono.SetBitCount(0);
  EXPECT_TRUE(mono.GetEmpty());
}

TEST(FastDIB, GeometryAndMasks) {
  TFastDIB f;
  f.SetSize(3, -2, 16, 565);
  EXPECT_EQ(f.RowLength(), 8);
  EXPECT_EQ(f.Gap(), 2);
  EXPECT_EQ(f.AbsHeight(), 2);
  EXPECT_EQ((std::array{f.RedMask(), f.GreenMask(), f.BlueMask()}), (std::array{0xF800u, 0x7E0u, 0x1Fu}));
  f.Row(1)[0] = 0x5A;
  f.SetSize(3, 2, 16, 565);
  EXPECT_EQ(f.Row(1)[0], 0x5A) << "the same arguments keep the pixels";
  f.SetSize(3, 2, 16, 555);
  EXPECT_EQ((std::array{f.RedMask(), f.GreenMask(), f.BlueMask()}), (std::array{0x7C00u, 0x3E0u, 0x1Fu}));
  f.SetSize(3, 2, 32, 888);
  EXPECT_EQ((std::array{f.RedMask(), f.GreenMask(), f.BlueMask()}), (std::array{0xFF0000u, 0xFF00u, 0xFFu}));
  f.SetSize(9, 1, 4, 0);
  EXPECT_EQ(f.Gap(), 8 - 9 / 2);
  f.SetPixel(0, 3, 0xC);
  EXPECT_EQ(f.Row(0)[1], 0x0C);
  EXPECT_EQ(f.GetPixel(0, 3), 0xCu);
}

namespace {

TFastDIB Picture24(int w, int h, uint8_t value) {
  TFastDIB f;
  f.SetSize(w, h, 24, 0);
  for (int y = 0; y < h; ++y) std::fill_n(f.Row(y), w * 3, value);
  return f;
}

std::vector<uint16_t> Row16(const TFastDIB& f, int y) {
  std::vector<uint16_t> out(f.Width());
  std::memcpy(out.data(), f.Row(y), out.size() * 2);
  return out;
}

}  // namespace

TEST(QuantizeDIB, ToSixteenBitsWithAndWithoutDither) {
  for (bool dither : {false, true}) {
    TFastDIB white = Picture24(5, 3, 255), target;
    target.SetSize(5, 3, 16, 565);
    QuantizeDIB(target, white, dither, 0);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(Row16(target, y), std::vector<uint16_t>(5, 0xFFFF));
  }
  // Value 3 in every channel: 0 without dither; with it the serpentine diffusion, worked by
  // hand: blue and red (5 bits, round up above 3 of 7) give 0 1 0 0 / 1 0 0 1, green
  // (6 bits, above 1 of 3) 1 1 1 1 / 0 1 0 1.
  TFastDIB dim = Picture24(4, 2, 3), target;
  target.SetSize(4, 2, 16, 565);
  QuantizeDIB(target, dim, false, 0);
  EXPECT_EQ(Row16(target, 0), std::vector<uint16_t>(4, 0));
  QuantizeDIB(target, dim, true, 0);
  EXPECT_EQ(Row16(target, 0), (std::vector<uint16_t>{0x0020, 0x0821, 0x0020, 0x0020}));
  EXPECT_EQ(Row16(target, 1), (std::vector<uint16_t>{0x0801, 0x0020, 0x0000, 0x0821}));
  // A larger dim picture keeps its average brightness.
  TFastDIB big = Picture24(64, 64, 3);
  target.SetSize(64, 64, 16, 565);
  QuantizeDIB(target, big, true, 0);
  double sum = 0;
  for (int y = 0; y < 64; ++y)
    for (uint16_t p : Row16(target, y)) sum += (p & 0x1F) << 3;
  EXPECT_NEAR(sum / (64 * 64), 3.0, 0.5);
}

TEST(QuantizeDIB, WideningAndTables) {
  TFastDIB source, target;
  source.SetSize(2, 1, 16, 565);
  const uint16_t px[2] = {0xFFFF, 0x0821};
  std::memcpy(source.Row(0), px, 4);
  target.SetSize(2, 1, 32, 888);
  QuantizeDIB(target, source, false, 0);
  uint32_t out[2];
  std::memcpy(out, target.Row(0), 8);
  EXPECT_EQ(out[0], 0xF8FCF8u) << "no high-bit replication";
  EXPECT_EQ(out[1], 0x080408u);
  // 16 to 16: widened, then narrowed to the target's widths.
  target.SetSize(2, 1, 16, 555);
  QuantizeDIB(target, source, true, 0);
  EXPECT_EQ(Row16(target, 0), (std::vector<uint16_t>{0x7FFF, 0x0401})) << "green 1 of 63 widens to 4, below one step of 31";
  // Indexed source: the colour-table entry of each index.
  TFastDIB indexed;
  indexed.SetSize(2, 1, 8, 0);
  indexed.Colors[5] = MakeRGBQuad(0x10, 0x20, 0x30);
  indexed.Row(0)[1] = 5;
  target.SetSize(2, 1, 24, 0);
  QuantizeDIB(target, indexed, false, 0);
  EXPECT_EQ(target.Row(0)[3], 0x30);
  EXPECT_EQ(target.Row(0)[5], 0x10);
}
