#pragma once
// Strict reads of the stored text records: a short read raises the stream error instead of
// reading zeros, and counts are checked against the bytes left.

#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "core/stream.h"

namespace orva {

// The smallest decoration record (before version 100) and glyph record (a type byte).
inline constexpr int64_t kMinDecorationBytes = 27;
inline constexpr int64_t kMinGlyphBytes = 1;

inline int32_t ReadInt(TStream& stream) {
  uint8_t b[4];
  stream.ReadBuffer(b, 4);
  return static_cast<int32_t>(uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24);
}

inline uint16_t ReadWord(TStream& stream) {
  uint8_t b[2];
  stream.ReadBuffer(b, 2);
  return static_cast<uint16_t>(b[0] | b[1] << 8);
}

inline uint8_t ReadByte(TStream& stream) {
  uint8_t b;
  stream.ReadBuffer(&b, 1);
  return b;
}

// The count itself must be there whole.
inline void NeedCountBytes(TStream& stream) {
  if (stream.Remaining() < 4) throw EReadError("Stream read error");
}

inline std::string ReadString(TStream& stream) {
  NeedCountBytes(stream);
  return ReadStreamString(stream);
}

inline int32_t ReadCount(TStream& stream, int64_t minElementBytes) {
  NeedCountBytes(stream);
  return ReadStreamCount(stream, minElementBytes);
}

}  // namespace orva
