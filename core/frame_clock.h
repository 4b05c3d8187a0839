#pragma once
// Frame timing kept by the shell's frame loop and read by the subsystems, and the system
// clocks behind it. Tests replace the clocks with a virtual one and set the frame values
// directly.

#include <cstdint>

namespace orva {

// Milliseconds of the last accepted frame.
extern int32_t FrameDelta;
// Game time in milliseconds: the sum of the accepted frame deltas, wrapping at 32 bits.
extern uint32_t GameClock;
// Frames stepped (wraps).
extern int32_t FrameCount;

// The system's clocks. The default reads the monotonic clock and the local wall clock.
class TPlatformClock {
 public:
  virtual ~TPlatformClock() = default;
  // Milliseconds since an arbitrary start, wrapping at 32 bits.
  virtual uint32_t Milliseconds() = 0;
  // The local date and time as a day count (days since 1899-12-30, the time of day as the
  // fraction).
  virtual double LocalNow() = 0;
};

// Installs a clock (not owned; nullptr restores the system clock).
void SetPlatformClock(TPlatformClock* clock);

// The system millisecond clock.
uint32_t timeGetTime();

// The local date and time as a day count, read again only when the game clock has changed
// since the last call, so that one frame sees one time.
double GetFrameNow();

// The local date and time (time zone from TZ, else the system's) of an instant given as
// seconds and milliseconds since 1970-01-01 UTC, as a day count.
double LocalDayCount(int64_t unixSeconds, int32_t milliseconds);

// The day count of a local calendar date and time.
double EncodeDayCount(int year, int month, int day, int hour, int minute, int second, int millisecond);

}  // namespace orva
