// The row-wise presentation copy against the per-pixel reference, at every depth, for copies
// in place, enlarged, stretched and shrunk, clipped and reaching outside the bitmap.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/dib.h"
#include "graphics/screen.h"
#include "shell/xrgb_blit.h"

namespace orva {
namespace {

// A bitmap whose bytes are a fixed pseudo-random pattern.
// Depth 15 is a 16-bit bitmap with the 5-5-5 masks.
void Scramble(TDIB& dib, int width, int height, int bits) {
  dib.PixelFormat = bits == 15 ? Layout555() : bits == 16 ? Layout565() : Layout888();
  dib.SetSize(width, height, bits == 15 ? 16 : bits);
  uint32_t state = 12345;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = dib.ScanLine(y);
    for (int64_t i = 0; i < dib.WidthBytes(); ++i) {
      state = state * 1103515245u + 12345u;
      row[i] = static_cast<uint8_t>(state >> 16);
    }
  }
}

struct Copy {
  const char* what;
  int dx, dy, dw, dh, sx, sy, sw, sh;
};

const Copy kCopies[] = {
    {"whole, in place", 0, 0, 37, 23, 0, 0, 37, 23},
    {"a part, in place", 5, 3, 10, 7, 5, 3, 10, 7},
    {"doubled", 4, 2, 20, 14, 2, 1, 10, 7},
    {"one and a half", 0, 0, 55, 34, 0, 0, 37, 23},
    {"shrunk", 1, 1, 12, 8, 0, 0, 37, 23},
    {"past the picture's edges", -6, -4, 60, 40, 0, 0, 37, 23},
    {"reaching outside the bitmap", 0, 0, 20, 20, -5, 10, 20, 20},
};

TEST(XrgbBlit, AgreesWithThePerPixelReference) {
  constexpr int kW = 50, kH = 30;
  for (int bits : {1, 4, 8, 15, 16, 24, 32}) {
    TDIB source;
    Scramble(source, 37, 23, bits);
    for (const Copy& c : kCopies) {
      std::vector<uint32_t> expected(kW * kH, 0xDEADBEEF), actual(kW * kH, 0xDEADBEEF);
      const int a = StretchDIBitsToXRGB(expected.data(), kW, kH, c.dx, c.dy, c.dw, c.dh, c.sx, c.sy, c.sw, c.sh, source);
      const int b = StretchDIBToXRGB(actual.data(), kW, {0, 0, kW, kH}, c.dx, c.dy, c.dw, c.dh, c.sx, c.sy, c.sw, c.sh,
                                     source);
      EXPECT_EQ(a, b) << bits << " " << c.what;
      EXPECT_EQ(actual, expected) << bits << " bits, " << c.what;
    }
  }
}

// Onto rows of every shown layout, opened at an odd place inside a picture with a wider
// pitch: inside the opened area the reference's colours as that layout shows them, nothing
// outside it.
TEST(XrgbBlit, OntoEveryShownLayoutGivesTheReferenceColours) {
  constexpr int kW = 50, kH = 30, kPitch = 53;
  const TRect area{3, 1, 46, 28};
  for (TShownLayout layout : {TShownLayout::XRGB8888, TShownLayout::RGB565, TShownLayout::RGB555}) {
    const int bytes = ShownPixelBytes(layout);
    const auto shownColour = [layout](uint32_t colour) {
      uint8_t pixel[4];
      XRGBToShownRow(layout, &colour, 1, pixel);
      ShownRowToXRGB(layout, pixel, 1, &colour);
      return colour;
    };
    const uint32_t untouched = shownColour(0x123456);
    for (int bits : {1, 4, 8, 15, 16, 24, 32}) {
      TDIB source;
      Scramble(source, 37, 23, bits);
      for (const Copy& c : kCopies) {
        std::vector<uint32_t> reference(kW * kH, untouched);
        StretchDIBitsToXRGB(reference.data(), kW, kH, c.dx, c.dy, c.dw, c.dh, c.sx, c.sy, c.sw, c.sh, source);
        std::vector<uint32_t> expected(size_t{kPitch} * kH, untouched), actual(expected.size());
        std::vector<uint8_t> rowsBytes(expected.size() * bytes);
        for (int y = 0; y < kH; ++y)
          XRGBToShownRow(layout, expected.data() + y * kPitch, kPitch, rowsBytes.data() + size_t(y) * kPitch * bytes);
        for (int y = area.Top; y < area.Bottom; ++y)
          for (int x = area.Left; x < area.Right; ++x) expected[y * kPitch + x] = shownColour(reference[y * kW + x]);

        const TShownRows rows{rowsBytes.data() + (size_t(area.Top) * kPitch + area.Left) * bytes,
                              ptrdiff_t{kPitch} * bytes, layout};
        StretchDIBToShown(rows, area, c.dx, c.dy, c.dw, c.dh, c.sx, c.sy, c.sw, c.sh, source);
        for (int y = 0; y < kH; ++y)
          ShownRowToXRGB(layout, rowsBytes.data() + size_t(y) * kPitch * bytes, kPitch, actual.data() + y * kPitch);
        EXPECT_EQ(actual, expected) << "layout " << static_cast<int>(layout) << ", " << bits << " bits, " << c.what;
      }
    }
  }
}

// A 16-bit scene onto rows of its own layout is its words, unchanged.
TEST(XrgbBlit, A16BitBitmapOntoItsOwnLayoutIsCopied) {
  for (int bits : {15, 16}) {
    TDIB source;
    Scramble(source, 37, 23, bits);
    const TShownLayout layout = bits == 15 ? TShownLayout::RGB555 : TShownLayout::RGB565;
    std::vector<uint16_t> shown(37 * 23);
    StretchDIBToShown({reinterpret_cast<uint8_t*>(shown.data()), 37 * 2, layout}, {0, 0, 37, 23}, 0, 0, 37, 23, 0,
                      0, 37, 23, source);
    for (int y = 0; y < 23; ++y)
      for (int x = 0; x < 37; ++x) {
        const uint8_t* word = source.ScanLineReadOnly(y) + 2 * x;
        ASSERT_EQ(shown[y * 37 + x], word[0] | word[1] << 8) << bits << " bits at " << x << "," << y;
      }
  }
}

TEST(XrgbBlit, WritesOnlyInsideTheClipAndTheRowPitch) {
  TDIB source;
  Scramble(source, 16, 16, 32);
  constexpr int kPitch = 40;
  std::vector<uint32_t> pixels(kPitch * 20, 7);
  StretchDIBToXRGB(pixels.data(), kPitch, {4, 5, 12, 9}, 0, 0, 32, 32, 0, 0, 16, 16, source);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < kPitch; ++x) {
      const bool inside = x >= 4 && x < 12 && y >= 5 && y < 9;
      EXPECT_EQ(pixels[y * kPitch + x] != 7, inside) << x << "," << y;
    }
}

TEST(XrgbBlit, EmptyRectanglesAndBitmapsDrawNothing) {
  TDIB empty;
  std::vector<uint32_t> pixels(16, 7);
  EXPECT_EQ(StretchDIBToXRGB(pixels.data(), 4, {0, 0, 4, 4}, 0, 0, 4, 4, 0, 0, 4, 4, empty), 0);
  TDIB source;
  Scramble(source, 4, 4, 16);
  EXPECT_EQ(StretchDIBToXRGB(pixels.data(), 4, {0, 0, 4, 4}, 0, 0, 0, 4, 0, 0, 4, 4, source), 0);
  EXPECT_EQ(StretchDIBToXRGB(pixels.data(), 4, {0, 0, 4, 4}, 0, 0, 4, 4, 0, 0, 4, -1, source), 0);
  EXPECT_EQ(pixels, std::vector<uint32_t>(16, 7));
}

}  // namespace
}  // namespace orva
