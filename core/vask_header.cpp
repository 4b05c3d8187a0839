#include "core/vask_header.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/stream.h"

namespace orva {

bool IsRawVaskStream(TStream& stream) {
  char tag[7];
  if (stream.Read(tag, 7) != 7 || std::memcmp(tag, "Vask", 4) != 0) return false;
  int version = 0;
  for (int i = 4; i < 7; ++i) {
    if (tag[i] < '0' || tag[i] > '9') return false;
    version = version * 10 + (tag[i] - '0');
  }
  if (version < 103) return false;
  constexpr int32_t kHeaderSize = 40;
  constexpr int kDataModeOffset = 22;
  constexpr uint8_t kDataModeRaw = 1;
  uint8_t header[kHeaderSize] = {};
  int32_t size = std::clamp(ReadStreamInt(stream), 0, kHeaderSize);
  stream.Read(header, size);
  return header[kDataModeOffset] == kDataModeRaw;
}

}  // namespace orva
