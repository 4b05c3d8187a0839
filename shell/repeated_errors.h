#pragma once
// Errors that escape a frame are shown in a box, but a fault that comes back every frame
// must not bury the player in boxes: a message raised again within the quiet time of its
// last raising is not shown again (the shell writes it to standard error and the trace log
// instead). Nor may it grow those logs without bound: the first repeat is written, and
// then at most one line per line time, telling how many repeats it stands for. Different
// messages are told apart; the few most recent are remembered.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace orva {

class TRepeatedErrors {
 public:
  static constexpr uint32_t kQuietMs = 5000;
  static constexpr uint32_t kLineMs = 5000;
  static constexpr size_t kRemembered = 16;

  // What a raising calls for: the box, or for a repeat a line standing for Repeats repeats
  // (those since the last line, this one included), or nothing (Repeats 0).
  struct TVerdict {
    bool Show = false;
    uint32_t Repeats = 0;
  };

  // The message raised at `now` (milliseconds of a wrapping clock): shown when it was not
  // raised within the quiet time before; either way it counts as raised at `now`.
  TVerdict Raise(const std::string& message, uint32_t now);
  // Whether the raising is a repeat.
  bool Repeated(const std::string& message, uint32_t now) { return !Raise(message, now).Show; }
  // The quiet time of a message just shown runs from `now` (the close of its box).
  void Shown(const std::string& message, uint32_t now);

 private:
  struct TRaised {
    std::string Message;
    uint32_t Time = 0;
    // Since the message was last shown: whether a line was written, when the last one was,
    // and the repeats that came after it.
    bool Lined = false;
    uint32_t LineTime = 0;
    uint32_t Unwritten = 0;
  };
  std::deque<TRaised>::iterator Find(const std::string& message);

  std::deque<TRaised> recent_;  // most recent first
};

}  // namespace orva
