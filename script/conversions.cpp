#include "script/conversions.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <limits>

#include "core/exceptions.h"

namespace orva {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool TryTextToInt(std::string_view text, int32_t& value) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == n) return false;
  // The magnitude is kept below 2^32 while digits come in; anything larger is out of range.
  uint64_t magnitude = 0;
  for (; i < n; ++i) {
    int digit = base == 16 ? HexValue(text[i]) : (IsDigit(text[i]) ? text[i] - '0' : -1);
    if (digit < 0) return false;
    magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (magnitude > 0xFFFFFFFFull) magnitude = 0x100000000ull;
  }
  const uint64_t limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
  if (magnitude > limit) return false;
  value = negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(magnitude)) : static_cast<int32_t>(magnitude);
  return true;
}

int32_t TextToInt(std::string_view text) {
  int32_t value = 0;
  return TryTextToInt(text, value) ? value : 0;
}

bool TryTextToFloat(std::string_view text, long double& value) {
  size_t begin = 0, end = text.size();
  while (begin < end && text[begin] == ' ') ++begin;
  while (end > begin && text[end - 1] == ' ') --end;
  std::string_view s = text.substr(begin, end - begin);
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  // Check the shape first: from_chars also takes "inf", "nan" and hexadecimal forms. The
  // decimal exponent of the first significant digit tells overflow from underflow.
  size_t i = 0, digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  const size_t wholeDigits = digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  // Power of ten of the first significant digit (the mantissa's digits, point skipped).
  int64_t leadPower = 0;
  for (size_t k = 0, d = 0; k < s.size() && d < digits; ++k) {
    if (!IsDigit(s[k])) continue;
    if (s[k] != '0') {
      leadPower = static_cast<int64_t>(wholeDigits) - 1 - static_cast<int64_t>(d);
      break;
    }
    ++d;
  }
  int64_t exponent = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negativeExponent = s[i++] == '-';
    size_t exponentDigits = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i, ++exponentDigits) exponent = std::min<int64_t>(exponent * 10 + (s[i] - '0'), 1000000);
    if (exponentDigits == 0) return false;
    if (negativeExponent) exponent = -exponent;
  }
  if (i != s.size()) return false;
  long double parsed = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), parsed, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Underflow is a tiny number, not an error; overflow is not a number of the type.
    if (leadPower + exponent > 0) return false;
    parsed = 0;
  } else if (ec != std::errc() || ptr != s.data() + s.size() || !std::isfinite(parsed)) {
    return false;
  }
  value = negative ? -parsed : parsed;
  return true;
}

long double TextToFloat(std::string_view text) {
  long double value = 0;
  return TryTextToFloat(text, value) ? value : 0.0L;
}

std::string IntToText(int32_t value) {
  char buffer[16];
  auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, ptr);
}

std::string FloatToText(long double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  // 15 significant digits, correctly rounded: d.dddddddddddddde±x.
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14Le", value);
  std::string_view s(buffer);
  std::string out;
  if (s[0] == '-') {
    out = "-";
    s.remove_prefix(1);
  }
  size_t ePos = s.find('e');
  std::string digits;
  for (char c : s.substr(0, ePos))
    if (IsDigit(c)) digits += c;
  int exponent = std::atoi(std::string(s.substr(ePos + 1)).c_str());
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  if (exponent >= 15 || exponent < -4) {
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out.append(digits, 1);
    }
    out += 'E';
    out += std::to_string(exponent);
  } else if (exponent < 0) {
    out += "0.";
    out.append(static_cast<size_t>(-exponent - 1), '0');
    out += digits;
  } else {
    size_t whole = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= whole) {
      out += digits;
      out.append(whole - digits.size(), '0');
    } else {
      out.append(digits, 0, whole);
      out += '.';
      out.append(digits, whole);
    }
  }
  return out;
}

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

}  // namespace orva
