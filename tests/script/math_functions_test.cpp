// The math, date and time functions, as a script calls them.
#include <gtest/gtest.h>

#include <limits>

#include "builtin_rows.h"
#include "core/day_count.h"
#include "script_test_support.h"

using namespace orva;
using namespace orva::script_test;

TEST(MathFunctions, Numbers) {
  const std::string invalid = "!Invalid floating point operation";
  CheckRows({
      {{}, "Int(2.9) ++ \" \" ++ Int(-2.9)", "S:2 -2", {}},
      {{}, "Int(3000000000.0)", "I:-1294967296", {}},  // through 64 bits, the low 32 kept
      {{}, "Int(1E19)", invalid, {}},
      {{}, "Float(\"1.5\") + Float(3)", "F:4.5", {}},
      {{}, "Sin(0) ++ \" \" ++ Cos(0)", "S:0 1", {}},
      // Beyond what the unit reduces (2^63 and above) the sine and cosine are 0.
      {{"x:F=-1E20"}, "Sin(1E20) ++ \" \" ++ Cos(x) ++ \" \" ++ Sin(9223372036854775808.0)", "S:0 0 0", {}},
      {{}, "Sin(1E18) <> 0", "B:TRUE", {}},
      {{}, "Tan(0)", "F:0", {}},
      {{}, "ArcSin(1) ++ \" \" ++ ArcCos(-1) ++ \" \" ++ ArcTan(1)", "S:1.5707963267949 3.14159265358979 0.785398163397448", {}},
      {{}, "ArcSin(2)", invalid, {}},
      {{"x:F=-1.5"}, "ArcCos(x)", invalid, {}},
      {{}, "ArcTan2(1, 0) ++ \" \" ++ ArcTan2(0, -1)", "S:1.5707963267949 3.14159265358979", {}},
      {{}, "Hypot(3, 4)", "F:5", {}},
      {{}, "Hypot(1E3000, 1)", invalid, {}},  // the square overflows
      {{"v:I=-2147483648"}, "Abs(-5) ++ \" \" ++ Abs(v)", "S:5 -2147483648", {}},
      // (A minus sign in front makes 0 - x, typed by the integer 0: a float needs a variable.)
      {{"x:F=-2.5"}, "Fabs(x) ++ \" \" ++ Fabs(-2.5)", "S:2.5 2", {}},
      {{}, "Min(3, -5) ++ \" \" ++ Max(3, -5)", "S:-5 3", {}},
      {{}, "Fmin(0.5, 0.25) ++ \" \" ++ Fmax(0.5, 0.25)", "S:0.25 0.5", {}},
      {{}, "Random(1) ++ Random(0) ++ Random(-5)", "S:000", {}},
  });
}

TEST(MathFunctions, RandomIsSeededAndBounded) {
  TParamCollection vars;
  TSysFuncMan functions(vars);
  vars.SetFunctions(&functions);
  functions.SeedRandom(42);
  const std::string first = RunExpression(vars, "Random(1000) ++ \" \" ++ Random(1000)");
  functions.SeedRandom(42);
  EXPECT_EQ(RunExpression(vars, "Random(1000) ++ \" \" ++ Random(1000)"), first);
  for (int i = 0; i < 200; ++i) {
    const int32_t r = functions.NextRandom(7);
    ASSERT_TRUE(r >= 0 && r < 7) << r;
  }
}

TEST(MathFunctions, DatesAndTimes) {
  const std::string date = "!Invalid argument to date encode", time = "!Invalid argument to time encode";
  const std::string bad = "!Invalid date-time value";
  const auto infinite = [](TParamCollection& vars, TSysFuncMan&) {
    MakeVariable(vars, "inf:F=0").SetAsFloat(std::numeric_limits<long double>::infinity());
  };
  CheckRows(
      {
          {{}, "EncodeDate(1899, 12, 30) ++ \" \" ++ EncodeDate(2000, 1, 1) ++ \" \" ++ EncodeDate(2024, 2, 29)",
           "S:0 36526 45351", {}},
          {{}, "EncodeDate(1, 1, 1) ++ \" \" ++ EncodeDate(9999, 12, 31)", "S:-693593 2958465", {}},
          {{}, "EncodeDate(2023, 2, 29)", date, {}},
          {{}, "EncodeDate(0, 1, 1)", date, {}},
          {{}, "EncodeDate(10000, 1, 1)", date, {}},
          {{}, "EncodeDate(2000, 13, 1)", date, {}},
          {{}, "EncodeTime(12, 0, 0) ++ \" \" ++ EncodeTime(23, 59, 59)", "S:0.5 0.999988425925926", {}},
          {{}, "EncodeTime(24, 0, 0)", time, {}},
          {{}, "EncodeTime(0, -1, 0)", time, {}},
          {{}, "EncodeTime(0, 0, 60)", time, {}},
          {{"y:I=0", "m:I=0", "d:I=0"}, "DecodeDate(36526.75, y, m, d)", "I:0", {"y:I=2000", "m:I=1", "d:I=1"}},
          {{"h:I=0", "n:I=0", "s:I=0"}, "DecodeTime(0.75, h, n, s)", "I:0", {"h:I=18", "n:I=0", "s:I=0"}},
          {{}, "DecodeDate(0, 1, 2, 3) ++ DecodeTime(0, 1, 2, 3)", "S:00", {}},
          {{}, "GetYear(0) ++ \"-\" ++ GetMonth(0) ++ \"-\" ++ GetDay(0)", "S:1899-12-30", {}},
          {{}, "GetWeek(0) ++ GetWeekStr(0) ++ GetWeekJStr(0)", "S:7Saturday" + J("土"), {}},
          {{}, "GetWeek(1) ++ GetWeekStr(2) ++ GetWeekJStr(6)", "S:1Monday" + J("金"), {}},
          // The time rounds to milliseconds and never reaches 24:00 of the same day.
          {{}, "GetDay(0.9999999999) ++ \" \" ++ GetHour(0.9999999999) ++ \":\" ++ GetMin(0.9999999999) ++ \":\" ++ "
               "GetSec(0.9999999999)",
           "S:30 23:59:59", {}},
          {{}, "GetSec(0.5 - 0.000000005)", "I:0", {}},  // 11:59:59.99957 rounds to 12:00:00.000
          // Before day 0 the fraction counts away from zero.
          {{"a:F=-1.25", "b:F=-0.5"}, "GetDay(a) ++ \" \" ++ GetHour(a) ++ \" \" ++ GetDay(b) ++ \" \" ++ GetHour(b)",
           "S:29 6 30 12", {}},
          {{"a:F=-693593.5"}, "GetYear(2958465.5) ++ \" \" ++ GetYear(a)", "S:9999 1", {}},
          {{}, "GetYear(2958466)", bad, {}},
          {{}, "GetWeek(-693594)", bad, {}},
          {{}, "GetHour(1E4000)", bad, {}},
          {{"h:I=5"}, "DecodeTime(inf, h, h, h)", bad, {"h:I=5"}},
      },
      infinite);
}

TEST(DayCount, DecodesEveryPartAndRejectsWhatIsNoDate) {
  TDateTimeParts p;
  ASSERT_TRUE(DecodeDayCount(45351.0L + (((23 * 60 + 59) * 60 + 59) * 1000 + 999) / 86400000.0L, p));
  EXPECT_EQ((std::vector<int>{p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second, p.Millisecond, p.DayOfWeek}),
            (std::vector<int>{2024, 2, 29, 23, 59, 59, 999, 5}));
  EXPECT_FALSE(DecodeDayCount(std::numeric_limits<long double>::quiet_NaN(), p));
  EXPECT_FALSE(DecodeDayCount(-std::numeric_limits<long double>::infinity(), p));
  EXPECT_TRUE(IsValidDate(2000, 2, 29));
  EXPECT_FALSE(IsValidDate(1900, 2, 29));
}
