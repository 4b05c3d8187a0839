#include "core/number_text.h"

#include <locale.h>
#include <stdlib.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace orva {

static_assert(std::numeric_limits<long double>::digits == 64, "extended values need the 80-bit x87 format");

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decimal points and digits must not follow the user's locale.
locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  return c;
}

}  // namespace

bool TryTextToInt(std::string_view s, int32_t& value) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == s.size()) return false;
  // The magnitude may reach 2^31 for the most negative value; anything beyond is invalid.
  constexpr uint64_t kLimit = uint64_t{1} << 31;
  uint64_t magnitude = 0;
  for (; i < s.size(); ++i) {
    int d = base == 16 ? HexDigit(s[i]) : (IsDigit(s[i]) ? s[i] - '0' : -1);
    if (d < 0) return false;
    magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    if (magnitude > kLimit) return false;
  }
  if (!negative && magnitude == kLimit) return false;
  value = static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude));
  return true;
}

int32_t TextToInt(std::string_view text) {
  int32_t value = 0;
  return TryTextToInt(text, value) ? value : 0;
}

bool TryTextToFloat(std::string_view s, long double& value) {
  size_t begin = 0, end = s.size();
  while (begin < end && s[begin] == ' ') ++begin;
  while (end > begin && s[end - 1] == ' ') --end;
  // Check the grammar here: strtold would also take hexadecimal, "inf" and "nan".
  size_t i = begin;
  if (i < end && (s[i] == '-' || s[i] == '+')) ++i;
  size_t digits = 0;
  while (i < end && IsDigit(s[i])) ++i, ++digits;
  if (i < end && s[i] == '.') {
    ++i;
    while (i < end && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < end && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < end && (s[i] == '-' || s[i] == '+')) ++i;
    size_t expDigits = 0;
    while (i < end && IsDigit(s[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != end) return false;
  const std::string number(s.substr(begin, end - begin));
  // Underflow gives the nearest extended value (a denormal or 0), a valid tiny number;
  // overflow gives an infinity, which is no number of the type.
  long double v = strtold_l(number.c_str(), nullptr, CLocale());
  if (std::isinf(v)) return false;
  value = v;
  return true;
}

long double TextToFloat(std::string_view text) {
  long double value = 0;
  return TryTextToFloat(text, value) ? value : 0.0L;
}

std::string IntToText(int32_t value) {
  char buffer[16];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end);
}

std::string FloatToText(long double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  // "-d.ddddddddddddddde+XXXX": fifteen significant digits, correctly rounded.
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14Le", value);
  std::string text(buffer);
  const bool negative = text[0] == '-';
  const size_t e = text.find('e');
  const int exponent = std::atoi(text.c_str() + e + 1);
  std::string digits;
  for (size_t k = negative ? 1 : 0; k < e; ++k)
    if (IsDigit(text[k])) digits += text[k];
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = negative ? "-" : "";
  if (exponent >= 15 || exponent < -4) {
    out += digits[0];
    if (digits.size() > 1) out += '.' + digits.substr(1);
    out += 'E' + std::to_string(exponent);
  } else if (exponent >= 0) {
    const size_t whole = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= whole) {
      out += digits + std::string(whole - digits.size(), '0');
    } else {
      out += digits.substr(0, whole) + '.' + digits.substr(whole);
    }
  } else {
    out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  }
  return out;
}

bool RoundToInt32(long double value, int32_t& result) {
  // The default rounding mode rounds halves to even.
  const long double r = std::nearbyint(value);
  if (!(r >= -0x1p63L && r < 0x1p63L)) return false;
  result = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(r))));
  return true;
}

}  // namespace orva
