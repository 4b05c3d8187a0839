#include <gtest/gtest.h>

#include "graphics/dibx.h"
#include "graphics_test_kit.h"

using namespace orva;
using namespace orva::test;

using Row = std::vector<uint32_t>;

namespace {

Row RowOf(TDIBX& s, int y = 0) { return SurfacePixels(s)[size_t(y)]; }

// A one-row index surface of the given indices.
void Indices(TDIBX& s, int bits, const std::vector<uint32_t>& indices) {
  s.SetSize(int(indices.size()), 1, bits);
  for (size_t i = 0; i < indices.size(); ++i) s.SetPixel(int(i), 0, indices[i]);
}

// Table entry i: i × 0x10 in every byte (and 0 for 0).
std::array<uint32_t, 16> Table16() {
  std::array<uint32_t, 16> t{};
  for (uint32_t i = 0; i < 16; ++i) t[i] = i * 0x10101010u;
  return t;
}

}  // namespace

TEST(DrawIndexed, CopyBlendAndAddByTheExtendedAlpha) {
  const std::array<uint32_t, 16> table = Table16();
  struct Case {
    const char* what;
    int bits, alpha;
    uint32_t index, dest, expect;
  } cases[] = {
      {"255 copies the entry", 32, 255, 4, 0x01020304, 0x40404040},
      {"128 blends every byte", 32, 128, 8, 0x00000000, 0x40404040},
      {"a blend over the same pixel leaves it", 32, 100, 8, 0x80808080, 0x80808080},
      {"384 adds with strength 128, all four bytes", 32, 384, 8, 0x00102030, 0x40506070},
      {"an add of entry 0 is skipped", 32, 511, 0, 0x00102030, 0x00102030},
      {"white is not added to", 32, 511, 8, 0x00FFFFFF, 0x00FFFFFF},
      {"nor anything at or above it: the fourth byte counts", 32, 511, 8, 0x01000000, 0x01000000},
      {"16 bits copy the low half", 16, 255, 4, 0, 0x4040},
      {"16 bits blend field by field", 16, 128, 15, 0x0000, 0x7868},
      {"16 bits add, saturating each field", 16, 511, 15, 0xF81F, 0xF8DF},
      {"all bits set is white at 16 bits", 16, 511, 8, 0xFFFF, 0xFFFF},
  };
  for (const Case& c : cases)
    for (bool packed : {true, false}) {
      if (c.bits == 32 && !packed) continue;
      PathScope path(packed);
      TDIBX src, dst;
      Indices(src, 4, {c.index});
      dst.SetSize(1, 1, c.bits);
      dst.SetPixel(0, 0, c.dest);
      dst.DrawIndexed(0, 0, src, src.GetBoundsRect(), 0, false, false, c.alpha, table);
      EXPECT_EQ(dst.GetPixel(0, 0), c.expect) << c.what << (packed ? " packed" : " plain");
    }
}

TEST(DrawIndexed, KeysFlipsClippingAndWhereItDrawsNothing) {
  const std::array<uint32_t, 16> table = Table16();
  TDIBX src, dst;
  Indices(src, 4, {1, 2, 3, 5, 5});
  dst.SetSize(5, 1, 16);
  for (bool packed : {true, false}) {
    PathScope path(packed);
    src.TransparentColor = 5;
    dst.Fill(0);
    dst.DrawIndexed(0, 0, src, src.GetBoundsRect(), 0, false, false, 255, table);
    EXPECT_EQ(RowOf(dst), (Row{0x1010, 0x2020, 0x3030, 0, 0})) << "exactly the key is skipped";
    src.TransparentColor = -1;
    dst.DrawIndexed(0, 0, src, src.GetBoundsRect(), 0, true, false, 255, table);
    EXPECT_EQ(RowOf(dst), (Row{0x5050, 0x5050, 0x3030, 0x2020, 0x1010})) << "-1 skips nothing; flipped";
    // Clipped like Draw: the far source edge goes under a flip; sources are cut to the source.
    dst.Fill(0);
    dst.DrawIndexed(-1, 0, src, {0, 0, 3, 1}, 0, true, false, 255, table);
    EXPECT_EQ(RowOf(dst), (Row{0x2020, 0x1010, 0, 0, 0}));
    dst.Fill(0);
    dst.DrawIndexed(0, 0, src, {3, 0, 9, 1}, 0, false, false, 255, table);
    EXPECT_EQ(RowOf(dst), (Row{0x5050, 0x5050, 0, 0, 0}));
    dst.Fill(0);
    dst.DrawIndexed(0, 0, src, src.GetBoundsRect(), 0, false, false, 0, table);
    EXPECT_EQ(RowOf(dst), (Row{0, 0, 0, 0, 0})) << "alpha 0";
  }
  // 32-bit destinations have only the packed path; 24 bits and 8-bit sources none.
  struct Nothing {
    int bits, sourceBits;
    bool packed;
  } nothing[] = {{32, 4, false}, {24, 4, true}, {32, 8, true}};
  for (const Nothing& c : nothing) {
    PathScope path(c.packed);
    Indices(src, c.sourceBits, {1});
    dst.SetSize(1, 1, c.bits);
    dst.Fill(0);
    dst.DrawIndexed(0, 0, src, src.GetBoundsRect(), 0, false, false, 255, table);
    EXPECT_EQ(dst.GetPixel(0, 0), 0u) << c.bits << " " << c.sourceBits << " " << c.packed;
  }
}

TEST(DrawIndexedAdd, ThresholdAndStrengthOnEveryPath) {
  std::array<uint32_t, 256> table32{};
  std::array<uint16_t, 256> table16{};
  for (int i = 0; i < 256; ++i) table32[size_t(i)] = 0x40404040u, table16[size_t(i)] = 0x1082;  // 2 in red and blue, 4 in green
  struct Case {
    const char* what;
    int bits;
    bool packed;
    int alpha;
    uint32_t dest;
    Row expect;  // under source bytes 0, 16, 17, 255
  } cases[] = {
      {"32 bits packed, all four bytes", 32, true, 255, 0x10101010, {0x10101010, 0x10101010, 0x4F4F4F4F, 0x4F4F4F4F}},
      {"32 bits plain", 32, false, 255, 0x10101010, {0x10101010, 0x10101010, 0x4F4F4F4F, 0x4F4F4F4F}},
      {"strength 128", 32, true, 128, 0x10101010, {0x10101010, 0x10101010, 0x30303030, 0x30303030}},
      {"saturating", 32, true, 255, 0xF0F0F0F0, {0xF0F0F0F0, 0xF0F0F0F0, 0xFFFFFFFF, 0xFFFFFFFF}},
      {"16 bits packed", 16, true, 255, 0xF800, {0xF800, 0xF800, 0xF861, 0xF861}},
      {"16 bits plain", 16, false, 255, 0xF800, {0xF800, 0xF800, 0xF861, 0xF861}},
      {"24 bits, plain only", 24, true, 255, 0x101010, {0x101010, 0x101010, 0x4F4F4F, 0x4F4F4F}},
  };
  for (const Case& c : cases) {
    PathScope path(c.packed);
    TDIBX src, dst;
    Indices(src, 8, {0, 16, 17, 255});
    dst.SetSize(4, 1, c.bits);
    dst.Fill(c.dest);
    if (c.bits == 16)
      dst.DrawIndexedAdd(0, 0, src, src.GetBoundsRect(), 17, false, false, c.alpha, table16);
    else
      dst.DrawIndexedAdd(0, 0, src, src.GetBoundsRect(), 17, false, false, c.alpha, table32);
    EXPECT_EQ(RowOf(dst), c.expect) << c.what;
  }
  // Entries by index, flips, alpha 0.
  for (int i = 0; i < 256; ++i) table32[size_t(i)] = uint32_t(i);
  TDIBX src, dst;
  Indices(src, 8, {1, 2, 3});
  dst.SetSize(3, 1, 32);
  for (bool packed : {true, false}) {
    PathScope path(packed);
    dst.Fill(0);
    dst.DrawIndexedAdd(0, 0, src, src.GetBoundsRect(), 0, true, false, 255, table32);
    EXPECT_EQ(RowOf(dst), (Row{2, 1, 0}));
    dst.DrawIndexedAdd(0, 0, src, src.GetBoundsRect(), 0, false, false, 0, table32);
    EXPECT_EQ(RowOf(dst), (Row{2, 1, 0})) << "alpha 0";
  }
}

TEST(StretchDrawIndexed, SamplesLikeTheStretchesOnThePackedPathOnly) {
  std::array<uint32_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[size_t(i)] = uint32_t(i);
  TDIBX src, dst;
  src.SetSize(2, 2, 8);
  src.SetPixel(0, 0, 1), src.SetPixel(1, 0, 2), src.SetPixel(0, 1, 3), src.SetPixel(1, 1, 40);
  dst.SetSize(4, 4, 32);
  {
    PathScope path(true);
    dst.StretchDrawIndexed({0, 0, 4, 4}, src, {0, 0, 2, 2}, 3, false, false, 255, table);
    EXPECT_EQ(SurfacePixels(dst), (std::vector<Row>{{0, 0, 0, 0}, {0, 0, 0, 0}, {2, 2, 39, 39}, {2, 2, 39, 39}}))
        << "below the threshold 3 nothing; v × 255 shr 8 added";
    dst.Fill(0);
    dst.StretchDrawIndexed({0, 0, 4, 4}, src, {0, 0, 2, 2}, 0, true, true, 128, table);
    EXPECT_EQ(SurfacePixels(dst), (std::vector<Row>{{20, 20, 1, 1}, {20, 20, 1, 1}, {1, 1, 0, 0}, {1, 1, 0, 0}}))
        << "mirrored, strength 128";
    // Clipped like a stretch: the right half keeps the right source column.
    dst.Fill(0);
    dst.SetClipRect({2, 0, 4, 1});
    dst.StretchDrawIndexed({0, 0, 4, 4}, src, {0, 0, 2, 2}, 0, false, false, 255, table);
    dst.ClearClipRect();
    EXPECT_EQ(RowOf(dst), (Row{0, 0, 1, 1}));
    dst.SetSize(4, 4, 16);
    dst.Fill(0);
    dst.StretchDrawIndexed({0, 0, 4, 4}, src, {0, 0, 2, 2}, 0, false, false, 255, table);
    EXPECT_EQ(RowOf(dst, 2), (Row{2, 2, 7, 7})) << "16 bits: 40 is blue 8 and green 1";
  }
  PathScope path(false);
  dst.Fill(0);
  dst.StretchDrawIndexed({0, 0, 4, 4}, src, {0, 0, 2, 2}, 0, false, false, 255, table);
  EXPECT_EQ(RowOf(dst), (Row{0, 0, 0, 0})) << "no plain path";
}
