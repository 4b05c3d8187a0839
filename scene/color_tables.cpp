#include "scene/color_tables.h"

#include "core/vocabulary.h"

namespace orva {

std::array<uint16_t, 256> FireColorTable{};
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
