// The math, date and time functions. Floats are extended values computed with the long
// double routines of libm; an invalid operation, a division by zero or an overflow raises,
// as the floating-point unit reports them, while underflow and lost precision do not.

#include <cmath>
#include <string_view>

#include "core/day_count.h"
#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/frame_clock.h"
#include "script/builtin_call.h"
#include "script/conversions.h"
#include "script/param_collection.h"
#include "script/script_error.h"
#include "script/sys_func_man.h"

namespace orva {
namespace {

// A NaN made from numbers, or an infinity made from finite ones.
long double Checked(long double x, long double r) {
  if ((std::isnan(r) && !std::isnan(x)) || (std::isinf(r) && std::isfinite(x)))
    throw EMathError("Invalid floating point operation");
  return r;
}

long double Checked(long double x, long double y, long double r) {
  if ((std::isnan(r) && !std::isnan(x) && !std::isnan(y)) || (std::isinf(r) && std::isfinite(x) && std::isfinite(y)))
    throw EMathError("Invalid floating point operation");
  return r;
}

// The floating-point unit reduces arguments below 2^63 only; beyond, the sine and cosine
// are 0.
constexpr long double kReduceLimit = 9223372036854775808.0L;

void Random(TBuiltinCall& c) { c.Dest.SetAsInteger(c.Functions.NextRandom(c.Int(0))); }

void Int(TBuiltinCall& c) { c.Dest.SetAsInteger(FloatToInt(c.Float(0))); }

void Float(TBuiltinCall& c) { c.Dest.SetAsFloat(c.Float(0)); }

void Sin(TBuiltinCall& c) {
  const long double x = c.Float(0);
  c.Dest.SetAsFloat(std::isfinite(x) && std::fabs(x) >= kReduceLimit ? 0.0L : Checked(x, std::sin(x)));
}

void Cos(TBuiltinCall& c) {
  const long double x = c.Float(0);
  c.Dest.SetAsFloat(std::isfinite(x) && std::fabs(x) >= kReduceLimit ? 0.0L : Checked(x, std::cos(x)));
}

void Tan(TBuiltinCall& c) {
  const long double x = c.Float(0);
  c.Dest.SetAsFloat(Checked(x, std::tan(x)));
}

// The angle of the point (sqrt(1 - x*x), x): beyond 1 the square root is invalid.
void ArcSin(TBuiltinCall& c) {
  const long double x = c.Float(0);
  c.Dest.SetAsFloat(Checked(x, std::atan2(x, Checked(x, std::sqrt(1.0L - x * x)))));
}

void ArcCos(TBuiltinCall& c) {
  const long double x = c.Float(0);
  c.Dest.SetAsFloat(Checked(x, std::atan2(Checked(x, std::sqrt(1.0L - x * x)), x)));
}

void ArcTan(TBuiltinCall& c) {
  const long double x = c.Float(0);
  c.Dest.SetAsFloat(Checked(x, std::atan(x)));
}

void ArcTan2(TBuiltinCall& c) {
  const long double y = c.Float(0), x = c.Float(1);
  c.Dest.SetAsFloat(Checked(y, x, std::atan2(y, x)));
}

// As the unit computes it: the squares may overflow where the result would not.
void Hypot(TBuiltinCall& c) {
  const long double x = c.Float(0), y = c.Float(1);
  c.Dest.SetAsFloat(Checked(x, y, std::sqrt(x * x + y * y)));
}

void Abs(TBuiltinCall& c) {
  const int32_t v = c.Int(0);
  c.Dest.SetAsInteger(v < 0 ? WrapSub(0, v) : v);
}

void Fabs(TBuiltinCall& c) { c.Dest.SetAsFloat(std::fabs(c.Float(0))); }

void Min(TBuiltinCall& c) {
  const int32_t a = c.Int(0), b = c.Int(1);
  c.Dest.SetAsInteger(a < b ? a : b);
}

void Max(TBuiltinCall& c) {
  const int32_t a = c.Int(0), b = c.Int(1);
  c.Dest.SetAsInteger(a > b ? a : b);
}

void Fmin(TBuiltinCall& c) {
  const long double a = c.Float(0), b = c.Float(1);
  c.Dest.SetAsFloat(a < b ? a : b);
}

void Fmax(TBuiltinCall& c) {
  const long double a = c.Float(0), b = c.Float(1);
  c.Dest.SetAsFloat(a > b ? a : b);
}

// ---- Date and time ----

void EncodeDate(TBuiltinCall& c) {
  const int32_t y = c.Int(0), m = c.Int(1), d = c.Int(2);
  if (!IsValidDate(y, m, d)) throw EConvertError("Invalid argument to date encode");
  c.Dest.SetAsFloat(EncodeDayCount(y, m, d, 0, 0, 0, 0));
}

void EncodeTime(TBuiltinCall& c) {
  const int32_t h = c.Int(0), n = c.Int(1), s = c.Int(2);
  if (h < 0 || h > 23 || n < 0 || n > 59 || s < 0 || s > 59) throw EConvertError("Invalid argument to time encode");
  c.Dest.SetAsFloat(((h * 60.0 + n) * 60.0 + s) * 1000.0 / 86400000.0);
}

TDateTimeParts Decode(long double dt) {
  TDateTimeParts parts;
  if (!DecodeDayCount(dt, parts)) throw EConvertError("Invalid date-time value");
  return parts;
}

void DecodeDate(TBuiltinCall& c) {
  const TDateTimeParts p = Decode(c.Float(0));
  c.Arg(1).SetAsInteger(p.Year);
  c.Arg(2).SetAsInteger(p.Month);
  c.Arg(3).SetAsInteger(p.Day);
}

void DecodeTime(TBuiltinCall& c) {
  const TDateTimeParts p = Decode(c.Float(0));
  c.Arg(1).SetAsInteger(p.Hour);
  c.Arg(2).SetAsInteger(p.Minute);
  c.Arg(3).SetAsInteger(p.Second);
}

// GetYear .. GetSec: one routine, the part chosen by the function number.
void GetDatePart(TBuiltinCall& c) {
  const TDateTimeParts p = Decode(c.Float(0));
  switch (c.Index) {
    case bfGetYear: c.Dest.SetAsInteger(p.Year); break;
    case bfGetMonth: c.Dest.SetAsInteger(p.Month); break;
    case bfGetDay: c.Dest.SetAsInteger(p.Day); break;
    case bfGetHour: c.Dest.SetAsInteger(p.Hour); break;
    case bfGetMin: c.Dest.SetAsInteger(p.Minute); break;
    default: c.Dest.SetAsInteger(p.Second); break;
  }
}

void GetWeek(TBuiltinCall& c) { c.Dest.SetAsInteger(Decode(c.Float(0)).DayOfWeek); }

void GetWeekStr(TBuiltinCall& c) {
  static constexpr std::string_view kNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                                 "Thursday", "Friday", "Saturday"};
  c.Dest.SetAsString(kNames[Decode(c.Float(0)).DayOfWeek - 1]);
}

void GetWeekJStr(TBuiltinCall& c) {
  static const char* const kNames[7] = {"日", "月", "火", "水", "木", "金", "土"};
  c.Dest.SetAsString(Sjis(kNames[Decode(c.Float(0)).DayOfWeek - 1]));
}

}  // namespace

void AddMathFunctions(TBuiltinTable& t) {
  t[bfRandom] = Random;
  t[bfInt] = Int;
  t[bfFloat] = Float;
  t[bfSin] = Sin;
  t[bfCos] = Cos;
  t[bfTan] = Tan;
  t[bfArcSin] = ArcSin;
  t[bfArcCos] = ArcCos;
  t[bfArcTan] = ArcTan;
  t[bfArcTan2] = ArcTan2;
  t[bfHypot] = Hypot;
  t[bfAbs] = Abs;
  t[bfFabs] = Fabs;
  t[bfMin] = Min;
  t[bfMax] = Max;
  t[bfFmin] = Fmin;
  t[bfFmax] = Fmax;
  t[bfEncodeDate] = EncodeDate;
  t[bfEncodeTime] = EncodeTime;
  t[bfDecodeDate] = DecodeDate;
  t[bfDecodeTime] = DecodeTime;
  t[bfGetYear] = GetDatePart;
  t[bfGetMonth] = GetDatePart;
  t[bfGetDay] = GetDatePart;
  t[bfGetHour] = GetDatePart;
  t[bfGetMin] = GetDatePart;
  t[bfGetSec] = GetDatePart;
  t[bfGetWeek] = GetWeek;
  t[bfGetWeekStr] = GetWeekStr;
  t[bfGetWeekJStr] = GetWeekJStr;
}

}  // namespace orva
