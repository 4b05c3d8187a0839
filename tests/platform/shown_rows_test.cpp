// The shown picture's row conversions, vector body and scalar tail alike, against the
// field formulas: every 16-bit word widened, and packing undoing the widening.
#include <gtest/gtest.h>

#include <vector>

#include "platform/shown_rows.h"

namespace orva {
namespace {

uint32_t Widened(uint32_t word, bool is565) {
  const uint32_t r = is565 ? word >> 11 : (word >> 10) & 31, b = word & 31;
  const uint32_t g = is565 ? (word >> 5) & 63 : (word >> 5) & 31;
  const uint32_t g8 = is565 ? (g << 2 | g >> 4) : (g << 3 | g >> 2);
  return (r << 3 | r >> 2) << 16 | g8 << 8 | (b << 3 | b >> 2);
}

TEST(ShownRows, EveryWordWidensAndPacksBack) {
  // From an odd byte, so that the words are unaligned, and a count that leaves a tail.
  std::vector<uint8_t> bytes(1 + 2 * 65536 + 2);
  for (uint32_t w = 0; w < 65536; ++w) {
    bytes[1 + 2 * w] = static_cast<uint8_t>(w);
    bytes[2 + 2 * w] = static_cast<uint8_t>(w >> 8);
  }
  for (TShownLayout layout : {TShownLayout::RGB565, TShownLayout::RGB555}) {
    const bool is565 = layout == TShownLayout::RGB565;
    for (int count : {65536, 65533, 5}) {
      std::vector<uint32_t> colours(static_cast<size_t>(count));
      ShownRowToXRGB(layout, bytes.data() + 1, count, colours.data());
      for (int w = 0; w < count; ++w) ASSERT_EQ(colours[w], Widened(w, is565)) << is565 << " word " << w;
      std::vector<uint8_t> packed(2 * static_cast<size_t>(count) + 1);
      XRGBToShownRow(layout, colours.data(), count, packed.data() + 1);
      for (int w = 0; w < count; ++w) {
        const int expected = is565 ? w : w & 0x7FFF;  // 5-5-5 has no top bit
        ASSERT_EQ(packed[1 + 2 * w] | packed[2 + 2 * w] << 8, expected) << is565 << " word " << w;
      }
    }
  }
}

TEST(ShownRows, PackingKeepsEachFieldsHighBitsAndXrgbDropsTheTopByte) {
  std::vector<uint32_t> colours;
  uint32_t state = 99;
  for (int i = 0; i < 1003; ++i) colours.push_back(state = state * 1103515245u + 12345u);
  std::vector<uint8_t> words(2 * colours.size());
  std::vector<uint32_t> xrgb(colours.size());
  for (TShownLayout layout : {TShownLayout::RGB565, TShownLayout::RGB555}) {
    XRGBToShownRow(layout, colours.data(), static_cast<int>(colours.size()), words.data());
    for (size_t i = 0; i < colours.size(); ++i) {
      const uint32_t c = colours[i], r = (c >> 19) & 31, b = (c >> 3) & 31;
      const uint32_t expected = layout == TShownLayout::RGB565 ? r << 11 | ((c >> 10) & 63) << 5 | b
                                                               : r << 10 | ((c >> 11) & 31) << 5 | b;
      ASSERT_EQ(words[2 * i] | words[2 * i + 1] << 8, static_cast<int>(expected)) << i;
    }
  }
  XRGBToShownRow(TShownLayout::XRGB8888, colours.data(), static_cast<int>(colours.size()),
                 reinterpret_cast<uint8_t*>(xrgb.data()));
  for (size_t i = 0; i < colours.size(); ++i) ASSERT_EQ(xrgb[i], colours[i] & 0xFFFFFF) << i;
}

}  // namespace
}  // namespace orva
