#include "core/day_count.h"

#include <cmath>

namespace orva {
namespace {

// Days of 0001-01-01 and of 9999-12-31.
constexpr int64_t kFirstDay = -693593;
constexpr int64_t kLastDay = 2958465;
// 1970-01-01.
constexpr int64_t kUnixEpochDay = 25569;
constexpr int64_t kMillisecondsPerDay = 86400000;

// The proleptic Gregorian date of a day counted from 1970-01-01.
void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && day >= 1 && day <= DaysInMonth(year, month);
}

bool DecodeDayCount(long double value, TDateTimeParts& parts) {
  if (!std::isfinite(value)) return false;
  const long double whole = std::trunc(value);
  if (whole < kFirstDay || whole > kLastDay) return false;
  const int64_t day = static_cast<int64_t>(whole);
  // Rounded in the current (nearest, ties to even) mode; a fraction that rounds up to the
  // next midnight stays on its own day.
  int64_t ms = static_cast<int64_t>(std::nearbyint(std::fabs(value - whole) * kMillisecondsPerDay));
  if (ms > kMillisecondsPerDay - 1) ms = kMillisecondsPerDay - 1;
  CivilFromDays(day - kUnixEpochDay, parts.Year, parts.Month, parts.Day);
  parts.Hour = static_cast<int>(ms / 3600000);
  parts.Minute = static_cast<int>(ms / 60000 % 60);
  parts.Second = static_cast<int>(ms / 1000 % 60);
  parts.Millisecond = static_cast<int>(ms % 1000);
  // Day 0 was a Saturday.
  parts.DayOfWeek = static_cast<int>(((day - 1) % 7 + 7) % 7 + 1);
  return true;
}

}  // namespace orva
