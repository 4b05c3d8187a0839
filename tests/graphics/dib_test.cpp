#include "graphics/dib.h"

#include <gtest/gtest.h>

#include "core/encoding.h"
#include "graphics/graphic_exceptions.h"
#include "graphics/pixel_layout.h"
#include "graphics_test_kit.h"

using namespace orva;

TEST(PixelLayout, MasksAndShiftsOfTheThreeLayouts) {
  struct Case {
    PixelLayout layout;
    uint32_t r, g, b;
    int rs, gs, bs;
  } cases[] = {
      {MakePixelLayout(8, 8, 8), 0xFF0000, 0xFF00, 0xFF, 16, 8, 0},
      {MakePixelLayout(5, 5, 5), 0x7C00, 0x3E0, 0x1F, 7, 2, 3},
      {MakePixelLayout(5, 6, 5), 0xF800, 0x7E0, 0x1F, 8, 3, 3},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.layout.RedMask, c.r);
    EXPECT_EQ(c.layout.GreenMask, c.g);
    EXPECT_EQ(c.layout.BlueMask, c.b);
    EXPECT_EQ(c.layout.RedShift, c.rs);
    EXPECT_EQ(c.layout.GreenShift, c.gs);
    EXPECT_EQ(c.layout.BlueShift, c.bs);
  }
  // Only the widths of the masks count, never their positions.
  EXPECT_EQ(MakePixelLayoutFromMasks(0x7C00, 0x3E0, 0x1F), MakePixelLayout(5, 5, 5));
  EXPECT_EQ(MakePixelLayoutFromMasks(0xFF, 0xFF00, 0xFF0000), MakePixelLayout(8, 8, 8));
  EXPECT_EQ(MakePixelLayoutFromMasks(0, 0x7E0, 0x1F), MakePixelLayout(0, 6, 5));
}

TEST(PixelLayout, PackAndUnpack) {
  uint32_t r, g, b;
  DIBPixelToRGB(Layout565(), 0xFFFF, r, g, b);
  EXPECT_EQ((std::array{r, g, b}), (std::array{255u, 255u, 255u}));
  DIBPixelToRGB(Layout555(), 0x4210, r, g, b);  // each field 16: (16 shl 3) or (16 shr 2)
  EXPECT_EQ((std::array{r, g, b}), (std::array{132u, 132u, 132u}));
  DIBPixelToRGB(Layout888(), 0xAB123456, r, g, b);  // the top byte takes no part
  EXPECT_EQ((std::array{r, g, b}), (std::array{0x12u, 0x34u, 0x56u}));
  EXPECT_EQ(DIBPixelFromRGB(Layout555(), 255, 255, 255), 0x7FFFu);
  EXPECT_EQ(DIBPixelFromRGB(Layout565(), 255, 0, 8), 0xF801u);
  EXPECT_EQ(DIBPixelFromRGB(Layout888(), 1, 2, 3), 0x010203u);
}

TEST(DIB, RowLengthsArePaddedToFourBytes) {
  struct Case {
    int width, bits;
    int64_t rowLength;
  } cases[] = {{1, 1, 4}, {33, 1, 8}, {3, 4, 4}, {9, 4, 8}, {5, 8, 8}, {3, 16, 8}, {3, 24, 12}, {1, 24, 4}, {3, 32, 12}};
  for (const Case& c : cases) {
    TDIB dib;
    if (c.bits == 16) dib.PixelFormat = Layout555();
    dib.SetSize(c.width, 2, c.bits);
    EXPECT_EQ(dib.WidthBytes(), c.rowLength) << c.width << "x" << c.bits;
    EXPECT_EQ(dib.Size(), 2 * c.rowLength);
    EXPECT_EQ(dib.RowStep(), -c.rowLength);
  }
}

TEST(DIB, PixelAccessAtEveryDepth) {
  struct Case {
    int bits;
    uint32_t value, stored;
  } cases[] = {{1, 3, 1}, {4, 0x1F, 0xF}, {8, 0x1FF, 0xFF}, {16, 0x12345, 0x2345}, {24, 0xAB123456, 0x123456},
               {32, 0xAB123456, 0xAB123456}};
  for (const Case& c : cases) {
    TDIB dib;
    if (c.bits == 16) dib.PixelFormat = Layout565();
    dib.SetSize(5, 3, c.bits);
    dib.SetPixel(3, 1, c.value);
    EXPECT_EQ(dib.GetPixel(3, 1), c.stored) << c.bits;
    EXPECT_EQ(dib.GetPixel(2, 1), dib.GetPixel(4, 1)) << "neighbours untouched at " << c.bits;
    // Outside: reads 0, writes ignored.
    dib.SetPixel(5, 0, c.value);
    dib.SetPixel(-1, 0, c.value);
    EXPECT_EQ(dib.GetPixel(5, 1), 0u);
    EXPECT_EQ(dib.GetPixel(0, -1), 0u);
  }
  // Row addressing: y counts from the top, the top row is the last one in memory.
  TDIB dib;
  dib.SetSize(2, 2, 8);
  dib.SetPixel(1, 0, 7);
  EXPECT_EQ(dib.BitsReadOnly()[dib.WidthBytes() + 1], 7);
  // 1 bit: bit 7 - (x mod 8); 4 bits: even x in the high nibble.
  TDIB mono;
  mono.SetSize(9, 1, 1);
  mono.SetPixel(1, 0, 1);
  EXPECT_EQ(mono.ScanLine(0)[0], 0x40);
  TDIB nibbles;
  nibbles.SetSize(3, 1, 4);
  nibbles.SetPixel(0, 0, 0xA);
  nibbles.SetPixel(1, 0, 0x5);
  EXPECT_EQ(nibbles.ScanLine(0)[0], 0xA5);
}

TEST(DIB, AssignSharesTheStoreUntilTheFirstWrite) {
  TDIB a, b;
  a.SetSize(4, 4, 24);
  a.SetPixel(1, 1, 0x123456);
  b.Assign(&a);
  EXPECT_TRUE(b.SharesImageWith(a));
  b.SetPixel(1, 1, 0xFFFFFF);
  EXPECT_FALSE(b.SharesImageWith(a));
  EXPECT_EQ(a.GetPixel(1, 1), 0x123456u);
  EXPECT_EQ(b.GetPixel(1, 1), 0xFFFFFFu);
  // Reading never copies.
  TDIB c;
  c.Assign(&a);
  c.GetPixel(0, 0);
  c.BitsReadOnly();
  EXPECT_TRUE(c.SharesImageWith(a));
  c.Assign(nullptr);
  EXPECT_TRUE(c.GetEmpty());
}

TEST(DIB, SetSizeKeepsOrReplacesTheStore) {
  TDIB dib;
  dib.PixelFormat = Layout555();
  dib.SetSize(3, 3, 16);
  dib.SetPixel(0, 0, 0x1234);
  dib.SetSize(3, 3, 16);
  EXPECT_EQ(dib.GetPixel(0, 0), 0x1234u) << "unchanged size, bits and masks keep the pixels";
  dib.PixelFormat = Layout565();
  dib.SetSize(3, 3, 16);
  EXPECT_EQ(dib.Layout().GreenMask, 0x7E0u);
  EXPECT_EQ(dib.GetPixel(0, 0), 0u);
  dib.SetSize(0, 10, 8);
  EXPECT_TRUE(dib.GetEmpty());
  EXPECT_EQ(dib.GetWidth(), 0);
  // Width and height setters of an empty bitmap make an 8-bit picture.
  dib.SetWidth(4);
  EXPECT_EQ(dib.GetWidth(), 4);
  EXPECT_EQ(dib.GetHeight(), 1);
  EXPECT_EQ(dib.BitCount(), 8);
  dib.SetHeight(0);
  EXPECT_TRUE(dib.GetEmpty());
}

TEST(DIB, RefusedFormatsAndRowsRaiseTheirMessages) {
  TDIB dib;
  try {
    dib.SetSize(2, 2, 2);
    FAIL();
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_EQ(e.Message(), Sjis("不正なビット数です (2)"));
  }
  dib.PixelFormat = Layout565();
  try {
    dib.SetSize(2, 2, 24);
    FAIL();
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_EQ(e.Message(), Sjis("不正なピクセルフォーマットです"));
  }
  EXPECT_TRUE(dib.GetEmpty()) << "a failed allocation leaves the old store";
  dib.PixelFormat = Layout888();
  dib.SetSize(2, 3, 8);
  try {
    dib.ScanLine(3);
    FAIL();
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_EQ(e.Message(), Sjis("スキャンラインのインデックスが範囲を越えました (3)"));
  }
  EXPECT_THROW(dib.SetSize(100000, 100000, 32), EOutOfResources);
}

TEST(DIB, ColorTableEditsTakeEffectThroughApply) {
  TDIB a, b;
  a.SetSize(2, 2, 8);
  b.Assign(&a);
  EXPECT_EQ(a.ColorTable[200], MakeRGBQuad(200, 200, 200)) << "a new store has the grey ramp";
  b.ColorTable[1] = MakeRGBQuad(255, 0, 0);
  b.ApplyColorTable();
  EXPECT_FALSE(b.SharesImageWith(a));
  EXPECT_EQ(b.Image().ColorTable()[1], MakeRGBQuad(255, 0, 0));
  EXPECT_EQ(a.Image().ColorTable()[1], MakeRGBQuad(1, 1, 1));
  // The header block carries the table after the info header.
  EXPECT_EQ(b.BitmapInfo().size(), 40u + 1024u);
  EXPECT_EQ(b.BitmapInfo()[40 + 4 + 2], 255);
}
