#include "core/frame_clock.h"

#include <ctime>

namespace orva {

int32_t FrameDelta = 0;
uint32_t GameClock = 0;
int32_t FrameCount = 0;

namespace {

class TSystemClock final : public TPlatformClock {
 public:
  uint32_t Milliseconds() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
  }
  double LocalNow() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return LocalDayCount(ts.tv_sec, static_cast<int32_t>(ts.tv_nsec / 1000000));
  }
};

TSystemClock systemClock;
TPlatformClock* installedClock = nullptr;

// GetFrameNow's reading and the game clock it was taken at.
bool nowKnown = false;
uint32_t nowClock = 0;
double nowValue = 0;

TPlatformClock& Clock() { return installedClock ? *installedClock : systemClock; }

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// 1899-12-30 is day 0; 1970-01-01 is day 25569.
constexpr int64_t kUnixEpochDay = 25569;

}  // namespace

void SetPlatformClock(TPlatformClock* clock) {
  installedClock = clock;
  nowKnown = false;
}

uint32_t timeGetTime() { return Clock().Milliseconds(); }

double EncodeDayCount(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  const double days = static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDay);
  const double time = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / 86400000.0;
  // Before day 0 the fraction counts away from zero, as the day count has always stored it.
  return days >= 0 ? days + time : days - time;
}

double LocalDayCount(int64_t unixSeconds, int32_t milliseconds) {
  const time_t seconds = static_cast<time_t>(unixSeconds);
  tm local{};
  if (!localtime_r(&seconds, &local)) return 0;
  return EncodeDayCount(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                        local.tm_sec, milliseconds);
}

double GetFrameNow() {
  if (!nowKnown || nowClock != GameClock) {
    nowValue = Clock().LocalNow();
    nowClock = GameClock;
    nowKnown = true;
  }
  return nowValue;
}

}  // namespace orva
