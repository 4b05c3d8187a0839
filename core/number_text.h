#pragma once
// The text forms of numbers that every script-facing conversion shares: the strict integer
// and float text rules, the general float text, and rounding of extended values.

#include <cstdint>
#include <string>
#include <string_view>

namespace orva {

// Leading blanks, an optional "-" or "+", then decimal digits, or hexadecimal digits after
// "$", "x", "X", "0x" or "0X"; nothing may follow. False for any other text and for a value
// outside the int32 range.
bool TryStrToInt(std::string_view text, int32_t& value);
// Blanks around an optional sign, digits with "." as the decimal point and an optional
// exponent "E"/"e" with optional sign. False for any other text and for a value beyond the
// extended range.
bool TryStrToFloat(std::string_view text, long double& value);

// At most 15 significant digits without trailing zeros: "3", "0.5", "-12.25"; the
// exponent form when the first digit's decimal exponent is 15 or more or below -4
// ("1E20", "1.5E-7"). Not-a-number and infinities give "NAN", "INF" and "-INF".
std::string FloatToStr(long double value);

// Round to nearest, halves to even (2.5 -> 2, 3.5 -> 4). Inside the int64 range the low
// 32 bits are kept, as an int64 assigned to an int32 would; NaN or beyond gives false.
bool RoundToInt32(long double value, int32_t& result);

}  // namespace orva
