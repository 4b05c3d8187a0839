#pragma once
// Day counts as the date functions and the clock variables see them: days since 1899-12-30
// (day 0), the time of day as the fraction; before day 0 the fraction counts away from zero.
// Dates are Gregorian, years 1 to 9999. (Encoding: EncodeDayCount in core/frame_clock.h.)

#include <cstdint>

namespace orva {

struct TDateTimeParts {
  int Year = 0, Month = 0, Day = 0;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
  int DayOfWeek = 0;  // 1 Sunday .. 7 Saturday
};

bool IsLeapYear(int year);
// 0 for a month outside 1..12.
int DaysInMonth(int year, int month);
bool IsValidDate(int year, int month, int day);

// The parts of a day count; the time is rounded to whole milliseconds (ties to even) and
// never passes 23:59:59.999. False for a value that is not finite or lies outside the years
// 1 to 9999.
bool DecodeDayCount(long double value, TDateTimeParts& parts);

}  // namespace orva
