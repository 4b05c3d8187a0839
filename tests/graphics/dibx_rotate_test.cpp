#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "graphics/dibx.h"
#include "graphics_test_kit.h"

using namespace orva;
using namespace orva::test;

using Rows = std::vector<std::vector<uint32_t>>;

namespace {

// A w × h picture whose pixel (x, y) is 1 + x + 16 y.
void Numbered(TDIBX& s, int w, int h, int bits) {
  s.SetSize(w, h, bits);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, uint32_t(1 + x + 16 * y));
}

}  // namespace

TEST(RotatedBounds, TheCornersOfTheTurnedPicture) {
  struct Case {
    int pivotX, angle, zoom;
    bool flipH;
    TRect bounds;
  } cases[] = {
      {0, 0, 256, false, {10, 20, 110, 70}},
      {0, 0, 256, true, {-89, 20, 11, 70}},  // the pivot mirrored to (99, 0)
      {0, 0, 512, false, {10, 20, 210, 120}},
      {0, 64, 256, false, {-39, 20, 11, 120}},  // a quarter turn: the first row runs down
  };
  for (const Case& c : cases)
    EXPECT_EQ(CalcRotatedBounds(10, 20, c.pivotX, 0, c.angle, {0, 0, 100, 50}, c.zoom, c.zoom, 100, 50, c.flipH, false),
              c.bounds)
        << c.angle << " " << c.zoom << " " << c.flipH;
}

TEST(DrawRotate, AngleZeroIsACopyAndAQuarterTurnRunsTheFirstRowDown) {
  for (int bits : {15, 16, 32, 24, 8})
    for (bool packed : {true, false}) {
      PathScope path(packed);
      TDIBX src, dst;
      Numbered(src, 3, 2, bits);
      dst.SetSize(8, 8, bits);
      dst.DrawRotate(2, 3, 256, 256, src, {0, 0, 3, 2}, 0, 0, 0, false, false, false, 255);
      Rows expect(8, std::vector<uint32_t>(8, 0));
      expect[3][2] = 1, expect[3][3] = 2, expect[3][4] = 3, expect[4][2] = 17, expect[4][3] = 18, expect[4][4] = 19;
      EXPECT_EQ(SurfacePixels(dst), expect) << bits << packed;
      dst.Fill(0);
      dst.DrawRotate(4, 1, 256, 256, src, {0, 0, 3, 2}, 0, 0, 64, false, false, false, 255);
      expect = Rows(8, std::vector<uint32_t>(8, 0));
      expect[1][4] = 1, expect[2][4] = 2, expect[3][4] = 3, expect[1][3] = 17, expect[2][3] = 18, expect[3][3] = 19;
      EXPECT_EQ(SurfacePixels(dst), expect) << bits << packed;
      // Mirrored with the mirrored pivot, as the scene draws a flipped picture.
      dst.Fill(0);
      dst.DrawRotate(2, 3, 256, 256, src, {0, 0, 3, 2}, 2, 0, 0, false, true, false, 255);
      EXPECT_EQ(SurfacePixels(dst)[3], (std::vector<uint32_t>{3, 2, 1, 0, 0, 0, 0, 0})) << bits << packed;
    }
}

TEST(DrawRotate, AlphaKeysAndMasks) {
  struct Case {
    const char* what;
    int bits;
    bool packed, masked;
    uint32_t s, d;
    uint8_t m;
    uint32_t alpha;
    uint32_t expect;
  } cases[] = {
      {"256 leaves the destination", 32, true, false, 0xFFFFFF, 0x102030, 0, 256, 0x102030},
      {"300 adds with strength 44", 32, false, false, 0xFFFFFF, 0, 0, 300, 0x2B2B2B},
      {"adding works on four bytes", 32, false, false, 0xFF000000, 0, 0, 511, 0xFE000000},
      {"blend on four bytes, packed", 32, true, false, 0xFF000000, 0, 0, 128, 0x7F000000},
      {"blend on four bytes, per pixel", 32, false, false, 0xFF000000, 0, 0, 128, 0x7F000000},
      {"blend 5-bit fields", 15, false, false, 0x7FFF, 0, 0, 128, 0x3DEF},
      {"mask 255 at alpha 128 weighs 127", 16, false, true, 0xFFFF, 0, 255, 128, 0x7BEF},
      {"packed 16: mask copy at 255", 16, true, true, 0xFFFF, 0, 255, 255, 0xF7DE},
      {"packed 32 weighs mask 255 with the alpha", 32, true, true, 0xFFFFFF, 0, 255, 128, 0x7F7F7F},
      {"per pixel 32 weighs mask 255 scaled", 32, false, true, 0xFFFFFF, 0, 255, 128, 0x7E7E7E},
      {"mask 0 skips", 32, true, true, 0xFFFFFF, 5, 0, 255, 5},
      {"mask add", 32, false, true, 0xFFFFFF, 0, 128, 511, 0x7F7F7F},
  };
  for (const Case& c : cases) {
    PathScope path(c.packed);
    OneRowMix<TDIBX> f(c.bits, c.s, c.d, c.m);
    const TRect r{0, 0, 11, 1};
    if (c.masked)
      f.dst.DrawRotateMask(0, 0, 256, 256, f.src, r, 0, 0, 0, false, false, f.mask, c.alpha);
    else
      f.dst.DrawRotate(0, 0, 256, 256, f.src, r, 0, 0, 0, false, false, false, c.alpha);
    EXPECT_EQ(f.dst.GetPixel(0, 0), c.expect) << c.what;
    EXPECT_EQ(f.dst.GetPixel(10, 0), c.expect) << c.what << " (tail)";
  }
  for (bool packed : {true, false}) {
    PathScope path(packed);
    TDIBX src, dst;
    Fill(src, 16, Rows{{1, 2, 3}});
    src.TransparentColor = 2;
    dst.SetSize(3, 1, 16);
    dst.Fill(9);
    dst.DrawRotate(0, 0, 256, 256, src, {0, 0, 3, 1}, 0, 0, 0, true, false, false, 255);
    EXPECT_EQ(SurfacePixels(dst)[0], (std::vector<uint32_t>{1, 9, 3}));
  }
}

TEST(DrawRotate, PixelsMappedOutsideTheSourceRectangleAreNeverWritten) {
  for (bool packed : {true, false}) {
    PathScope path(packed);
    TDIBX src, dst, mask;
    Numbered(src, 8, 8, 32);
    mask.SetSize(8, 8, 8);
    mask.Fill(255);
    dst.SetSize(20, 20, 32);
    dst.Fill(0xABCDEF);
    // An eighth of a turn about the centre: the bounding box's corners lie outside the
    // picture; a source rectangle of the top-left quarter reads only from it.
    for (int quarter = 0; quarter < 2; ++quarter) {
      dst.Fill(0xABCDEF);
      const TRect sr{0, 0, quarter ? 4 : 8, quarter ? 4 : 8};
      dst.DrawRotate(10, 10, 256, 256, src, sr, 4, 4, 32, false, false, false, 255);
      const TRect b = CalcRotatedBounds(10, 10, 4, 4, 32, sr, 256, 256, 8, 8, false, false);
      EXPECT_EQ(dst.GetPixel(b.Left, b.Top), 0xABCDEFu);
      int drawn = 0;
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
          const uint32_t p = dst.GetPixel(x, y);
          if (p == 0xABCDEFu) continue;
          ++drawn;
          const int sx = int(p - 1) % 16, sy = int(p - 1) / 16;
          EXPECT_TRUE(sx < sr.Right && sy < sr.Bottom) << "only pixels of the source rectangle";
        }
      EXPECT_GT(drawn, quarter ? 8 : 40);
    }
    // A mask smaller than the picture, and extreme arguments: nothing outside is read.
    mask.SetSize(2, 2, 8);
    mask.Fill(255);
    dst.DrawRotateMask(10, 10, 256, 256, src, {0, 0, 8, 8}, 4, 4, 10, false, false, mask, 255);
    dst.DrawRotate(INT_MAX, INT_MIN, 1, INT_MAX, src, {0, 0, 8, 8}, INT_MIN, INT_MAX, 77, false, true, true, 300);
    dst.DrawRotate(0, 0, 1, 1, src, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 0, 0, 3, true, false, false, 100);
    dst.DrawRotateMask(5, 5, INT_MAX, INT_MAX, src, {0, 0, 8, 8}, 4, 4, -1000, true, true, mask, 128);
    dst.DrawRotate(0, 0, 0, 256, src, {0, 0, 8, 8}, 0, 0, 0, false, false, false, 255);
  }
}

TEST(DrawRotate, PackedAndPlainAgreeExceptWhereTheyAreSaidToDiffer) {
  std::mt19937 random(9);
  for (int bits : {15, 16, 32}) {
    const uint32_t valueMask = bits == 32 ? 0xFFFFFFFF : bits == 16 ? 0xFFFF : 0x7FFF;
    TDIBX src, mask, base;
    src.SetSize(19, 13, bits);
    mask.SetSize(19, 13, 8);
    base.SetSize(37, 31, bits);
    for (int y = 0; y < 31; ++y)
      for (int x = 0; x < 37; ++x) base.SetPixel(x, y, random() & valueMask);
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 19; ++x) {
        src.SetPixel(x, y, random() & valueMask);
        mask.SetPixel(x, y, random() % 4 == 0 ? 0 : random() % 255);  // no 255: its weight differs at 32
      }
    src.TransparentColor = static_cast<int32_t>(src.GetPixel(3, 3));
    for (uint32_t alpha : {255u, 100u, 400u})
      for (int angle : {0, 21, 64, 170})
        for (int masked = 0; masked < 2; ++masked) {
          Rows results[2];
          for (int path = 0; path < 2; ++path) {
            PathScope scope(path == 0);
            TDIBX dst;
            dst.SetSize(37, 31, bits);
            dst.Assign(base);
            dst.SetClipRect({2, 3, 35, 29});
            if (masked)
              dst.DrawRotateMask(18, 15, 300, 200, src, {0, 0, 19, 13}, 9, 6, angle, false, false, mask, alpha);
            else
              dst.DrawRotate(18, 15, 300, 200, src, {0, 0, 19, 13}, 9, 6, angle, true, false, false, alpha);
            results[path] = SurfacePixels(dst);
          }
          EXPECT_EQ(results[0], results[1]) << bits << " alpha " << alpha << " angle " << angle << " mask " << masked;
        }
  }
}

TEST(DrawRotate, AnyAngleIsAWholeNumberOfTurnsAwayFromOneBelow256) {
  // A transition passes its angle as the script's parameter makes it, up to the 32-bit limits.
  TDIBX src, turned, reference;
  Numbered(src, 5, 4, 32);
  for (int angle : {INT32_MAX, INT32_MIN, INT32_MIN + 64}) {
    for (TDIBX* dst : {&turned, &reference}) {
      dst->SetSize(12, 12, 32);
      dst->Fill(0);
    }
    turned.DrawRotate(6, 6, 256, 256, src, {0, 0, 5, 4}, 2, 2, angle, false, false, false, 255);
    reference.DrawRotate(6, 6, 256, 256, src, {0, 0, 5, 4}, 2, 2, ((angle % 256) + 256) % 256, false, false, false, 255);
    EXPECT_EQ(SurfacePixels(turned), SurfacePixels(reference)) << angle;
  }
}
