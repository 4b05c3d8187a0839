#pragma once
// The system clocks of a run on the headless window: its virtual milliseconds, and a fixed
// day (2000-01-01) advanced by them, so that a run's times and dates repeat exactly.

#include "core/frame_clock.h"
#include "platform/window_system.h"

namespace orva {

class TWindowClock final : public TPlatformClock {
 public:
  explicit TWindowClock(TWindowSystem& window) : window_(window) {}
  uint32_t Milliseconds() override { return window_.Milliseconds(); }
  double LocalNow() override { return EncodeDayCount(2000, 1, 1, 0, 0, 0, 0) + window_.Milliseconds() / 86400000.0; }

 private:
  TWindowSystem& window_;
};

}  // namespace orva
