#include "script/conversions.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "core/exceptions.h"
#include "core/stream.h"

namespace orva {

int32_t FloatToInt(long double value) {
  // The range of a signed 64-bit integer, both ends exact in extended precision.
  constexpr long double kLimit = 9223372036854775808.0L;
  long double truncated = std::trunc(value);
  if (!(truncated >= -kLimit && truncated < kLimit)) throw EConvertError("Invalid floating point operation");
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(truncated))));
}

void FloatToBytes(long double value, uint8_t bytes[10]) { std::memcpy(bytes, &value, 10); }

long double FloatFromBytes(const uint8_t bytes[10]) {
  long double value = 0;
  std::memcpy(&value, bytes, 10);
  const bool integerBit = (bytes[7] & 0x80) != 0;
  const unsigned exponent = (static_cast<unsigned>(bytes[9] & 0x7F) << 8) | bytes[8];
  if (exponent != 0 && !integerBit) return std::numeric_limits<long double>::quiet_NaN();
  return value;
}

void WriteStreamExtended(TStream& stream, long double value) {
  uint8_t bytes[10];
  FloatToBytes(value, bytes);
  stream.WriteBuffer(bytes, sizeof bytes);
}

long double ReadStreamExtended(TStream& stream) {
  uint8_t bytes[10];
  stream.ReadBuffer(bytes, sizeof bytes);
  return FloatFromBytes(bytes);
}

}  // namespace orva
