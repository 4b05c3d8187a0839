#pragma once
// The wave format record as the system defines it (18 bytes when stored).

#include <cstdint>

namespace orva {

constexpr uint16_t WAVE_FORMAT_PCM = 1;

struct TWaveFormatEx {
  uint16_t wFormatTag = 0;
  uint16_t nChannels = 0;
  uint32_t nSamplesPerSec = 0;
  uint32_t nAvgBytesPerSec = 0;
  uint16_t nBlockAlign = 0;
  uint16_t wBitsPerSample = 0;
  uint16_t cbSize = 0;

  friend bool operator==(const TWaveFormatEx&, const TWaveFormatEx&) = default;
};

}  // namespace orva
