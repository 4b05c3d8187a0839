#pragma once
// The idle handler's timing: each pass measures the time since the last one on the
// millisecond clock, drops a gap over 3000 ms, adds the rest to the game clock, runs one
// frame step and then, for paced projects, sleeps the rest of the 16 ms frame (at least
// 2 ms); after a step that raised it sleeps so in every project.

#include <cstdint>

namespace orva {

class TFrameLoop {
 public:
  class THost {
   public:
    virtual ~THost() = default;
    // False while nothing may run: quitting, in the background, terminating, no screen.
    virtual bool CanStep() = 0;
    virtual void StepFrame() = 0;
    virtual bool Paced() = 0;
    virtual void Sleep(uint32_t ms) = 0;
  };

  explicit TFrameLoop(THost& host) : host_(host) {}

  // One pass; returns Done: true when the loop may wait for the next message. What the
  // frame step raises passes on, after the sleep.
  bool Idle();
  // Time until now is not counted (activation, the end of a modal loop).
  void Restart();

  // The clock at the last pass that measured time.
  uint32_t LastTick = 0;

 private:
  // Sleeps the rest of the frame begun at `start` when `paced`.
  void Pace(uint32_t start, bool paced);

  THost& host_;
};

}  // namespace orva
