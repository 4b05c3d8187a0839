#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "graphics/dibx.h"
#include "graphics_test_kit.h"

using namespace orva;
using namespace orva::test;

using Rows = std::vector<std::vector<uint32_t>>;
using Row = std::vector<uint32_t>;

namespace {

// A one-row source whose pixel i is i + 1 (so 0 is never a source pixel).
void Ramp(TDIBX& s, int width, int bits) {
  s.SetSize(width, 1, bits);
  for (int x = 0; x < width; ++x) s.SetPixel(x, 0, uint32_t(x + 1));
}

Row FirstRow(TDIBX& s) { return SurfacePixels(s)[0]; }

// The source column each destination column shows (pixel i + 1 is column i; 0 untouched).
std::vector<int> Columns(TDIBX& s) {
  std::vector<int> out;
  for (uint32_t v : FirstRow(s)) out.push_back(int(v) - 1);
  return out;
}

}  // namespace

TEST(StretchDraw, SamplesColumnsAndTheirExactMirror) {
  std::vector<int> doubled, mirrored;
  for (int i = 0; i < 20; ++i) doubled.push_back(i / 2), mirrored.push_back(9 - i / 2);
  for (int bits : {8, 15, 16, 24, 32})
    for (bool packed : {true, false}) {
      PathScope path(packed);
      TDIBX src, dst;
      Ramp(src, 10, bits);
      dst.SetSize(20, 1, bits);
      dst.StretchDrawAlpha({0, 0, 20, 1}, src, {0, 0, 10, 1}, false, false, false, 255);
      EXPECT_EQ(Columns(dst), doubled) << bits << packed;
      dst.StretchDrawAlpha({0, 0, 20, 1}, src, {0, 0, 10, 1}, false, true, false, 300);
      EXPECT_EQ(Columns(dst), mirrored) << bits << packed << ": 256..511 copy as well";
      // Shrinking mirrors exactly too: 10 columns onto 3.
      dst.Fill(0);
      dst.StretchDrawAlpha({0, 0, 3, 1}, src, {0, 0, 10, 1}, false, false, false, 255);
      const std::vector<int> down = Columns(dst);
      dst.StretchDrawAlpha({0, 0, 3, 1}, src, {0, 0, 10, 1}, false, true, false, 255);
      const std::vector<int> up = Columns(dst);
      for (int i = 0; i < 3; ++i) EXPECT_EQ(up[i], 9 - down[i]) << bits;
    }
}

TEST(StretchDraw, ClippingKeepsTheColumnsOfTheUnclippedDraw) {
  for (bool flip : {false, true}) {
    TDIBX src, whole, clipped;
    Ramp(src, 10, 32);
    whole.SetSize(30, 3, 32);
    clipped.SetSize(30, 3, 32);
    // Scale 0.5: 10 source columns over 20 destination columns starting at x = 2.
    whole.StretchDrawAlpha({2, 0, 22, 3}, src, {0, 0, 10, 1}, false, flip, false, 255);
    clipped.SetClipRect({5, 0, 17, 3});
    clipped.StretchDrawAlpha({2, 0, 22, 3}, src, {0, 0, 10, 1}, false, flip, false, 255);
    Row expect = FirstRow(whole);
    for (int x = 0; x < 30; ++x)
      if (x < 5 || x >= 17) expect[x] = 0;
    EXPECT_EQ(FirstRow(clipped), expect) << flip;
    EXPECT_EQ(clipped.GetPixel(5, 0), flip ? 9u : 2u) << "the clip starts 3 pixels in: source column 1 and a half";
  }
  // 3 pixels left of the clip at scale 0.5 start at source column 1 with a half-pixel fraction.
  TDIBX src, dst;
  Ramp(src, 10, 16);
  dst.SetSize(10, 1, 16);
  dst.SetClipRect({3, 0, 10, 1});
  dst.StretchDrawAlpha({0, 0, 20, 1}, src, {0, 0, 10, 1}, false, false, false, 255);
  EXPECT_EQ(Columns(dst), (std::vector<int>{-1, -1, -1, 1, 2, 2, 3, 3, 4, 4}));
}

TEST(StretchDraw, PerPixelRulesAndThePinnedDifferencesOfThePaths) {
  enum Op { Alpha, MaskAlpha, Add, MaskAdd, Ex, MaskEx };
  struct Case {
    const char* what;
    Op op;
    int bits;
    bool packed;
    uint32_t s, d;
    uint8_t m;
    uint32_t alpha;
    uint32_t expect;
  } cases[] = {
      {"blend", Alpha, 32, true, 0xFFFFFF, 0, 0, 128, 0x7F7F7F},
      {"blend, plain", Alpha, 32, false, 0xFFFFFF, 0, 0, 128, 0x7F7F7F},
      {"packed 32 blends the fourth byte", Alpha, 32, true, 0xFF000000, 0, 0, 128, 0x7F000000},
      {"plain leaves the fourth byte 0", Alpha, 32, false, 0xFFFFFFFF, 0xFF000000, 0, 128, 0x7F7F7F},
      {"packed 32 keeps d = s", Alpha, 32, true, 0x808080, 0x808080, 0, 128, 0x808080},
      {"packed 16 keeps d = s", Alpha, 16, true, 0x8410, 0x8410, 0, 128, 0x8410},
      {"plain blends d = s", Alpha, 16, false, 0x8410, 0x8410, 0, 128, 0x8410 - 0x0821},
      {"copy at 255", Alpha, 32, true, 0xAB123456, 0, 0, 255, 0xAB123456},
      {"copy at 511", Alpha, 15, false, 0x7FFF, 0, 0, 511, 0x7FFF},
      {"alpha 0 draws nothing", Alpha, 32, true, 0xFFFFFF, 7, 0, 0, 7},
      {"packed 32 mask alpha weighs 255 with A", MaskAlpha, 32, true, 0xFFFFFF, 0, 255, 128, 0x7F7F7F},
      {"plain mask alpha weighs 255 with (255 A) shr 8", MaskAlpha, 32, false, 0xFFFFFF, 0, 255, 128, 0x7E7E7E},
      {"packed 16 mask alpha weighs 255 with (255 A) shr 8", MaskAlpha, 16, true, 0xFFFF, 0, 255, 128, 0x7BEF},
      {"packed 16 mask alpha keeps d = s", MaskAlpha, 16, true, 0x8410, 0x8410, 200, 200, 0x8410},
      {"packed 32 mask alpha blends d = s", MaskAlpha, 32, true, 0x808080, 0x808080, 200, 200, 0x7F7F7F},
      {"mask 255 at alpha 255 copies", MaskAlpha, 32, true, 0xAB123456, 0, 255, 255, 0xAB123456},
      {"mask 255 at alpha 255 copies, plain", MaskAlpha, 32, false, 0xAB123456, 0, 255, 300, 0xAB123456},
      {"mask 128 at alpha 255 blends with m", MaskAlpha, 16, false, 0xFFFF, 0, 128, 255, 0x7BEF},
      {"mask 0 leaves d", MaskAlpha, 15, true, 0x7FFF, 0x1234, 0, 255, 0x1234},
      {"a small weight still blends", MaskAlpha, 32, false, 0xFF, 0x80, 1, 128, 0x7F},
      {"add", Add, 32, true, 0xFFFFFF, 0, 0, 128, 0x7F7F7F},
      {"add saturates per byte, fourth too", Add, 32, true, 0xFF808080, 0xFF808080, 0, 255, 0xFFFFFFFF},
      {"add, plain: three channels", Add, 32, false, 0xFF808080, 0xFF808080, 0, 255, 0xFFFFFF},
      {"add 5-bit fields", Add, 15, true, 0x7FFF, 0, 0, 128, 0x3DEF},
      {"packed 32 mask add weighs 255 with A", MaskAdd, 32, true, 0xFFFFFF, 0, 255, 128, 0x7F7F7F},
      {"plain mask add", MaskAdd, 32, false, 0xFFFFFF, 0, 255, 128, 0x7E7E7E},
      {"zoom 256 draws nothing", Ex, 32, true, 0xFFFFFF, 0, 0, 256, 0},
      {"zoom 300 adds with strength 44", Ex, 32, true, 0xFFFFFF, 0, 0, 300, 0x2B2B2B},
      {"zoom 600 adds with strength 255", Ex, 16, false, 0xFFFF, 0, 0, 600, 0xF7DE},
      {"zoom 255 copies", Ex, 16, true, 0x1234, 0, 0, 255, 0x1234},
      {"zoom 128 blends", Ex, 32, false, 0xFFFFFF, 0, 0, 128, 0x7F7F7F},
      {"zoom mask copy weighs m", MaskEx, 32, false, 0xFFFFFF, 0, 128, 255, 0x7F7F7F},
      {"zoom mask add", MaskEx, 32, true, 0xFFFFFF, 0, 255, 300, 0x2B2B2B},
  };
  for (const Case& c : cases) {
    PathScope path(c.packed);
    OneRowMix<TDIBX> f(c.bits, c.s, c.d, c.m);
    TDIBX &src = f.src, &dst = f.dst, &mask = f.mask;
    const TRect r{0, 0, 11, 1};
    switch (c.op) {
      case Alpha: dst.StretchDrawAlpha(r, src, r, false, false, false, c.alpha); break;
      case MaskAlpha: dst.StretchDrawMaskAlpha(r, src, r, false, false, mask, c.alpha); break;
      case Add: dst.StretchDrawAdd(r, src, r, false, false, false, c.alpha); break;
      case MaskAdd: dst.StretchDrawMaskAdd(r, src, r, false, false, mask, c.alpha); break;
      case Ex: dst.StretchDrawEx(r, 256, 256, src, 0, 0, false, false, false, c.alpha); break;
      case MaskEx: dst.StretchDrawMaskEx(r, 256, 256, src, 0, 0, false, false, mask, c.alpha); break;
    }
    EXPECT_EQ(dst.GetPixel(0, 0), c.expect) << c.what;
    EXPECT_EQ(dst.GetPixel(10, 0), c.expect) << c.what << " (tail)";
  }
}

TEST(StretchDraw, KeysAndMasksLeaveTheirPixels) {
  for (bool packed : {true, false}) {
    PathScope path(packed);
    TDIBX src, dst, mask;
    Fill(src, 16, Rows{{1, 2, 3, 4}});
    Fill(mask, 8, Rows{{255, 0, 255, 0}});
    src.TransparentColor = 2;
    dst.SetSize(8, 1, 16);
    dst.Fill(9);
    dst.StretchDrawAlpha({0, 0, 8, 1}, src, {0, 0, 4, 1}, true, false, false, 255);
    EXPECT_EQ(FirstRow(dst), (Row{1, 1, 9, 9, 3, 3, 4, 4}));
    dst.Fill(9);
    dst.StretchDrawMaskAlpha({0, 0, 8, 1}, src, {0, 0, 4, 1}, false, false, mask, 255);
    EXPECT_EQ(FirstRow(dst), (Row{1, 1, 9, 9, 3, 3, 9, 9}));
    // A 16-bit surface compares its pixels zero-extended: a key beyond 16 bits matches none.
    src.TransparentColor = 0x10002;
    dst.Fill(9);
    dst.StretchDrawAdd({0, 0, 4, 1}, src, {0, 0, 4, 1}, true, false, false, 255);
    EXPECT_EQ(FirstRow(dst)[1], 9u + 1u) << packed;
  }
}

TEST(StretchDraw, ZoomedDrawsRepeatAndWrap) {
  for (bool packed : {true, false}) {
    PathScope path(packed);
    TDIBX src, dst;
    Ramp(src, 100, 32);
    dst.SetSize(60, 1, 32);
    dst.StretchDrawEx({0, 0, 60, 1}, 128, 256, src, 0, 0, false, false, false, 255);
    std::vector<int> cols = Columns(dst);
    EXPECT_EQ(cols[0], 0);
    EXPECT_EQ(cols[1], 2) << "zoom 128 advances two source columns";
    EXPECT_EQ(cols[49], 98);
    EXPECT_EQ(cols[50], 0) << "and wraps at the source's right edge";
    dst.StretchDrawEx({0, 0, 60, 1}, 256, 256, src, -10, 0, false, false, false, 255);
    EXPECT_EQ(Columns(dst)[0], 90);
    EXPECT_EQ(Columns(dst)[10], 0);
    // A zoom so small that one destination pixel spans more than the source: one column.
    dst.StretchDrawEx({0, 0, 60, 1}, 1, 256, src, 37, 0, false, false, false, 255);
    cols = Columns(dst);
    EXPECT_EQ(std::count(cols.begin(), cols.end(), cols[0]), 60);
    // A clipped left edge scrolls the pattern on.
    TDIBX clipped;
    clipped.SetSize(60, 1, 32);
    clipped.SetClipRect({7, 0, 60, 1});
    clipped.StretchDrawEx({0, 0, 60, 1}, 256, 256, src, 0, 0, false, false, false, 255);
    EXPECT_EQ(Columns(clipped)[7], 7);
    // Flipped: the exact mirror of the start, then walking left.
    dst.StretchDrawEx({0, 0, 60, 1}, 256, 256, src, 0, 0, false, true, false, 255);
    EXPECT_EQ(Columns(dst)[0], 0);
    EXPECT_EQ(Columns(dst)[1], 99);
    // Nothing for a zoom below 1 or an empty destination.
    dst.Fill(0);
    dst.StretchDrawEx({0, 0, 60, 1}, 0, 256, src, 0, 0, false, false, false, 255);
    dst.StretchDrawEx({0, 0, 0, 1}, 256, 256, src, 0, 0, false, false, false, 255);
    EXPECT_EQ(Columns(dst)[0], -1);
  }
}

TEST(StretchDraw, NeverReadsOutsideTheSourceOrMask) {
  for (bool packed : {true, false}) {
    PathScope path(packed);
    TDIBX src, dst, mask;
    Ramp(src, 4, 32);
    Fill(mask, 8, Rows{{255, 255}});
    dst.SetSize(8, 2, 32);
    // A source rectangle twice the source: the columns beyond it stay.
    dst.StretchDrawAlpha({0, 0, 8, 1}, src, {0, 0, 8, 1}, false, false, false, 255);
    EXPECT_EQ(Columns(dst), (std::vector<int>{0, 1, 2, 3, -1, -1, -1, -1}));
    dst.Fill(0);
    dst.StretchDrawMaskAlpha({0, 0, 8, 1}, src, {0, 0, 4, 1}, false, false, mask, 255);
    EXPECT_EQ(Columns(dst), (std::vector<int>{0, 0, 1, 1, -1, -1, -1, -1})) << "the mask is 2 wide";
    dst.Fill(0);
    dst.StretchDrawMaskEx({0, 0, 8, 1}, 256, 256, src, 0, 0, false, false, mask, 255);
    EXPECT_EQ(Columns(dst), (std::vector<int>{0, 1, -1, -1, 0, 1, -1, -1}));
    // Rows outside the source rectangle, and extreme rectangles and zooms: nothing wrong.
    dst.Fill(0);
    dst.StretchDrawAlpha({0, 0, 8, 2}, src, {0, -1, 4, 1}, false, false, false, 255);
    EXPECT_EQ(SurfacePixels(dst)[0][0], 0u);
    EXPECT_EQ(SurfacePixels(dst)[1][0], 1u);
    dst.StretchDrawAlpha({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, src, {0, 0, 4, 1}, false, true, true, 128);
    dst.StretchDrawAlpha({0, 0, 8, 2}, src, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, false, false, false, 128);
    dst.StretchDrawEx({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 1, INT_MAX, src, INT_MAX, INT_MIN, false, true, false, 300);
    dst.StretchDrawMaskEx({0, 0, 8, 2}, INT_MAX, 1, src, INT_MIN, INT_MAX, true, true, mask, 100);
  }
}

TEST(StretchDraw, PackedAndPlainAgreeExceptWhereTheyAreSaidToDiffer) {
  std::mt19937 random(5);
  for (int bits : {15, 16, 32}) {
    const uint32_t valueMask = bits == 32 ? 0xFFFFFF : bits == 16 ? 0xFFFF : 0x7FFF;
    TDIBX src, mask, base;
    src.SetSize(23, 9, bits);
    mask.SetSize(23, 9, 8);
    base.SetSize(41, 13, bits);
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 41; ++x) base.SetPixel(x, y, random() & valueMask & ~1u);  // even
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 23; ++x) {
        src.SetPixel(x, y, (random() & valueMask) | 1u);  // odd: never equal to d
        mask.SetPixel(x, y, random() % 4 == 0 ? 0 : random() % 255);  // no 255: its weight differs
      }
    for (int op = 0; op < 6; ++op)
      for (int flips = 0; flips < 4; ++flips) {
        Rows results[2];
        for (int path = 0; path < 2; ++path) {
          PathScope scope(path == 0);
          TDIBX dst;
          dst.SetSize(41, 13, bits);
          dst.Assign(base);
          dst.SetClipRect({3, 2, 39, 12});
          const bool fh = flips & 1, fv = flips & 2;
          const TRect dr{-5, 1, 37, 14}, sr{1, 1, 22, 9};
          switch (op) {
            case 0: dst.StretchDrawAlpha(dr, src, sr, false, fh, fv, 77); break;
            case 1: dst.StretchDrawMaskAlpha(dr, src, sr, fh, fv, mask, 200); break;
            case 2: dst.StretchDrawAdd(dr, src, sr, false, fh, fv, 99); break;
            case 3: dst.StretchDrawMaskAdd(dr, src, sr, fh, fv, mask, 180); break;
            case 4: dst.StretchDrawEx(dr, 300, 170, src, -7, 11, false, fh, fv, 140); break;
            case 5: dst.StretchDrawMaskEx(dr, 90, 400, src, 5, -3, fh, fv, mask, 420); break;
          }
          results[path] = SurfacePixels(dst);
          for (auto& row : results[path])
            for (uint32_t& p : row) p &= valueMask;
        }
        EXPECT_EQ(results[0], results[1]) << bits << " op " << op << " flips " << flips;
      }
  }
}

TEST(StretchDraw, SpansWiderThan1280ColumnsDrawWhole) {
  for (bool packed : {true, false}) {
    PathScope path(packed);
    TDIBX src, dst;
    Ramp(src, 100, 16);
    dst.SetSize(2000, 1, 16);
    dst.StretchDrawAlpha({0, 0, 2000, 1}, src, {0, 0, 100, 1}, false, false, false, 255);
    EXPECT_EQ(Columns(dst)[1999], 99);
    dst.Fill(0);
    dst.StretchDrawEx({0, 0, 2000, 1}, 256, 256, src, 0, 0, false, false, false, 200);
    EXPECT_NE(dst.GetPixel(1999, 0), 0u);
  }
}
