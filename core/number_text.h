#pragma once
// The text forms of numbers and flags that every conversion shares (script values, data
// tables, the expression compiler): one place, so all of them agree on what a text means.

#include <cstdint>
#include <string>
#include <string_view>

namespace orva {

// Integer text: leading blanks, an optional "-" or "+", then decimal digits, or hexadecimal
// digits after "$", "x", "X", "0x" or "0X"; nothing may follow. False for any other text and
// for a value outside the int32 range.
bool TryTextToInt(std::string_view text, int32_t& value);
// The integer text rule with 0 for an invalid text.
int32_t TextToInt(std::string_view text);

// Float text: blanks around an optional sign, digits with "." as the decimal point and an
// optional exponent "E"/"e" with optional sign. False for any other text and for a value
// beyond the extended range; a value too small for it reads as the nearest extended value
// (a denormal, or 0).
bool TryTextToFloat(std::string_view text, long double& value);
// The float text rule with 0.0 for an invalid text.
long double TextToFloat(std::string_view text);

// Decimal text, "-" for negatives.
std::string IntToText(int32_t value);
// At most 15 significant digits without trailing zeros: "3", "0.5", "-12.25"; the
// exponent form when the first digit's decimal exponent is 15 or more or below -4
// ("1E20", "1.5E-7"). Not-a-number and infinities give "NAN", "INF" and "-INF".
std::string FloatToText(long double value);

// A flag is true only from the exact text "TRUE".
inline bool TextToBool(std::string_view text) { return text == "TRUE"; }
inline const char* BoolToText(bool value) { return value ? "TRUE" : "FALSE"; }

// Round to nearest, halves to even (2.5 -> 2, 3.5 -> 4). Inside the int64 range the low
// 32 bits are kept, as an int64 assigned to an int32 would; NaN or beyond gives false.
// (Script values truncate instead: FloatToInt in script/conversions.h.)
bool RoundToInt32(long double value, int32_t& result);

}  // namespace orva
