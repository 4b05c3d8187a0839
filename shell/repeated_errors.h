#pragma once
// Errors that escape a frame are shown in a box, but a fault that comes back every frame
// must not bury the player in boxes: a message raised again within the quiet time of its
// last raising is not shown again (the shell writes it to standard error and the trace log
// instead). Different messages are told apart; the few most recent are remembered.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace orva {

class TRepeatedErrors {
 public:
  static constexpr uint32_t kQuietMs = 5000;
  static constexpr size_t kRemembered = 16;

  // Whether the message was raised less than the quiet time before `now` (milliseconds of
  // a wrapping clock); either way it counts as raised at `now`.
  bool Repeated(const std::string& message, uint32_t now);

 private:
  struct TRaised {
    std::string Message;
    uint32_t Time = 0;
  };
  std::deque<TRaised> recent_;  // most recent first
};

}  // namespace orva
