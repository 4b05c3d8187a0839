#pragma once
// The conversions of script values. The text rules (integer, float and flag text, the
// general float text) are shared with the rest of the system and live in
// core/number_text.h; what is the script's own is here.

#include <cstdint>

#include "core/number_text.h"

namespace orva {

class TStream;

static_assert(sizeof(long double) >= 10, "script floats are 80-bit extended values");

// Truncation toward zero keeping the low 32 bits; raises EConvertError beyond the signed
// 64-bit range (and for infinities and NaN).
int32_t FloatToInt(long double value);

// The 10 bytes of an extended value in its stored form, and back. An encoding the FPU
// does not accept as a number (unnormal, pseudo-infinity, pseudo-NaN) reads as a NaN.
void FloatToBytes(long double value, uint8_t bytes[10]);
long double FloatFromBytes(const uint8_t bytes[10]);
// An extended value as 10 bytes of a stream, and back.
void WriteStreamExtended(TStream& stream, long double value);
long double ReadStreamExtended(TStream& stream);

// Wrapping 32-bit arithmetic of the script (two's complement, no undefined overflow).
inline int32_t WrapAdd(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
inline int32_t WrapSub(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
inline int32_t WrapMul(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }

}  // namespace orva
