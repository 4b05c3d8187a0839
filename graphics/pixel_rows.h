#pragma once
// Pixel access inside one row of any depth (1 to 32 bits), for the row loops of the
// conversions and drawing operations.

#include <cstdint>
#include <cstring>

namespace orva {

inline uint32_t LoadRowPixel(const uint8_t* row, int x, int bits) {
  switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4;
    case 8: return row[x];
    case 15:
    case 16: return row[2 * x] | row[2 * x + 1] << 8;
    case 24: return row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
    case 32: {
      uint32_t v;
      std::memcpy(&v, row + 4 * x, 4);
      return v;
    }
  }
  return 0;
}

inline void StoreRowPixel(uint8_t* row, int x, int bits, uint32_t value) {
  switch (bits) {
    case 1: {
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = static_cast<uint8_t>((value & 1) ? row[x >> 3] | bit : row[x >> 3] & ~bit);
      break;
    }
    case 4:
      row[x >> 1] = (x & 1) ? static_cast<uint8_t>((row[x >> 1] & 0xF0) | (value & 15))
                            : static_cast<uint8_t>((row[x >> 1] & 0x0F) | ((value & 15) << 4));
      break;
    case 8: row[x] = static_cast<uint8_t>(value); break;
    case 15:
    case 16:
      row[2 * x] = static_cast<uint8_t>(value);
      row[2 * x + 1] = static_cast<uint8_t>(value >> 8);
      break;
    case 24:
      row[3 * x] = static_cast<uint8_t>(value);
      row[3 * x + 1] = static_cast<uint8_t>(value >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(value >> 16);
      break;
    case 32: std::memcpy(row + 4 * x, &value, 4); break;
  }
}

}  // namespace orva
