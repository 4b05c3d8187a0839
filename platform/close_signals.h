#pragma once
// A hang-up, a terminate or an interrupt ends the player as a close of its window does. While
// a TCloseSignals lives, those signals only mark a close as asked for; the window systems
// hand the mark out as a Close event at their next look at the window, so that the close
// takes the program's one path (the status written, the exit normal) wherever it was when the
// signal came. A signal the program was started with ignored (nohup) stays ignored.

#include <memory>

namespace orva {

class TCloseSignals {
 public:
  TCloseSignals();
  // Gives the signals back the handling they had before.
  ~TCloseSignals();
  TCloseSignals(const TCloseSignals&) = delete;
  TCloseSignals& operator=(const TCloseSignals&) = delete;

 private:
  struct TSaved;
  std::unique_ptr<TSaved> saved_;
};

// Whether a close signal came since the mark was last taken; takes it.
bool TakeCloseSignal();
// Whether a close signal is waiting to be taken.
bool CloseSignalPending();

}  // namespace orva
