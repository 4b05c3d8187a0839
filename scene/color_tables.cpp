#include "scene/color_tables.h"

#include "core/vocabulary.h"

namespace orva {

std::array<uint16_t, 256> FireColorTable{};

namespace {

// The telling rows of the fire ramp: index, red, green, blue.
struct TFireRow {
  int Index, Red, Green, Blue;
};
constexpr TFireRow kFireRows[] = {{0, 0, 0, 0},         {16, 51, 19, 1},      {32, 102, 39, 3},
                                  {64, 146, 62, 4},     {96, 190, 85, 6},     {128, 223, 117, 9},
                                  {160, 243, 157, 13},  {192, 255, 192, 55},  {224, 255, 211, 115},
                                  {255, 255, 230, 175}};

constexpr std::array<uint32_t, 256> MakeFireTable32() {
  std::array<uint32_t, 256> table{};
  for (size_t k = 1; k < std::size(kFireRows); ++k) {
    const TFireRow& a = kFireRows[k - 1];
    const TFireRow& b = kFireRows[k];
    const int span = b.Index - a.Index;
    for (int i = a.Index; i <= b.Index; ++i) {
      // The level on the straight line, rounded to the nearest (the ramp never falls).
      const int t = i - a.Index;
      auto mix = [&](int from, int to) { return uint32_t((2 * (from * span + (to - from) * t) + span) / (2 * span)); };
      table[size_t(i)] = mix(a.Red, b.Red) << 16 | mix(a.Green, b.Green) << 8 | mix(a.Blue, b.Blue);
    }
  }
  return table;
}

}  // namespace

const std::array<uint32_t, 256> FireColorTable32 = MakeFireTable32();
std::array<uint16_t, 256> GreyTable16{};
std::array<uint32_t, 256> GreyTable32{};

void SetupColorTables(int screenBitCount) {
  const bool is555 = screenBitCount == 15;
  for (int i = 0; i < 256; ++i) {
    const uint16_t p = ToneTable565[size_t(i)];
    // 5-6-5 to 5-5-5: blue stays, green loses its low bit, red moves down one bit.
    FireColorTable[size_t(i)] =
        is555 ? static_cast<uint16_t>((p & 0x1F) | ((p & 0x7C0) >> 1) | ((p & 0xF800) >> 1)) : p;
    const uint32_t g5 = uint32_t(i) >> 3, g6 = uint32_t(i) >> 2;
    GreyTable16[size_t(i)] = static_cast<uint16_t>(is555 ? (g5 << 10 | g5 << 5 | g5) : (g5 << 11 | g6 << 5 | g5));
    GreyTable32[size_t(i)] = uint32_t(i) << 16 | uint32_t(i) << 8 | uint32_t(i);
  }
}

}  // namespace orva
