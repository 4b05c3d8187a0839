#pragma once
// The number <-> text rules of script values. Every conversion between integer, float, flag
// and string goes through these, so the value classes, the compiler and the built-in
// functions agree on what a text means.

#include <cstdint>
#include <string>
#include <string_view>

namespace orva {

static_assert(sizeof(long double) >= 10, "script floats are 80-bit extended values");

// Integer text: leading blanks, an optional sign, then decimal digits or hexadecimal digits
// after "$", "x", "X", "0x" or "0X"; nothing may follow. False for anything else and for a
// number outside the signed 32-bit range.
bool TryTextToInt(std::string_view text, int32_t& value);
// The integer text rule with 0 for an invalid text.
int32_t TextToInt(std::string_view text);

// Float text: blanks around an optional sign, digits with "." as decimal point and an
// optional exponent. False for anything else (also for a value beyond the extended range).
bool TryTextToFloat(std::string_view text, long double& value);
long double TextToFloat(std::string_view text);

// Decimal text, "-" for negatives.
std::string IntToText(int32_t value);
// At most 15 significant digits without trailing zeros; the E form when the first digit's
// decimal exponent is 15 or more or below -4 (1E20, 1.5E-7). "INF", "-INF", "NAN" otherwise.
std::string FloatToText(long double value);

// Truncation toward zero keeping the low 32 bits; raises EConvertError beyond the signed
// 64-bit range (and for infinities and NaN).
int32_t FloatToInt(long double value);

// A flag is true only from the exact text "TRUE".
inline bool TextToBool(std::string_view text) { return text == "TRUE"; }
inline const char* BoolToText(bool value) { return value ? "TRUE" : "FALSE"; }

// The 10 bytes of an extended value in its stored form, and back. An encoding the FPU
// does not accept as a number (unnormal, pseudo-infinity, pseudo-NaN) reads as a NaN.
void FloatToBytes(long double value, uint8_t bytes[10]);
long double FloatFromBytes(const uint8_t bytes[10]);

// Wrapping 32-bit arithmetic of the script (two's complement, no undefined overflow).
inline int32_t WrapAdd(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
inline int32_t WrapSub(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
inline int32_t WrapMul(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }

}  // namespace orva
