#include "shell/frame_loop.h"

#include <algorithm>

#include "core/frame_clock.h"
#include "core/vocabulary.h"

namespace orva {

bool TFrameLoop::Idle() {
  if (!host_.CanStep()) return true;
  const uint32_t now = timeGetTime();
  const auto dt = static_cast<int32_t>(now - LastTick);
  LastTick = now;
  // A long gap (a debugger, a suspended machine) is not game time.
  if (dt > 3000) return false;
  GameClock += static_cast<uint32_t>(dt);
  FrameDelta = dt;
  // A frame that raises is paced, also in a project that is not: an error of every frame
  // must not make the loop spin.
  try {
    host_.StepFrame();
  } catch (...) {
    Pace(now, true);
    throw;
  }
  Pace(now, host_.Paced());
  return false;
}

void TFrameLoop::Pace(uint32_t start, bool paced) {
  if (!paced) return;
  const auto elapsed = static_cast<int32_t>(timeGetTime() - start);
  host_.Sleep(static_cast<uint32_t>(std::clamp<int64_t>(int64_t{FrameWait} - elapsed, 2, FrameWait)));
}

void TFrameLoop::Restart() { LastTick = timeGetTime(); }

}  // namespace orva
