#pragma once
// What every transition step shares: the step frame, the extent of the pictures it walks,
// the progress arithmetic and rounding.

#include <cstdint>

#include "scene/wipe.h"

namespace orva {

// The start of every step: ChangedRect := the whole of Dest; true once Position has reached
// Duration, when the transition is over and draws nothing.
bool WipeFinished(TCustomWipe& wipe);

// The part of the pictures a step walks: the size common to Dest, SrcA and SrcB. Empty when
// their stored depths differ or one of them is empty (an empty cinema): nothing is drawn.
struct TWipeExtent {
  int Width = 0;
  int Height = 0;
  bool IsEmpty() const { return Width <= 0 || Height <= 0; }
};
TWipeExtent WipeExtent(TCustomWipe& wipe);

// value × span div duration, truncated toward zero, without overflow (saturating at 64 bits);
// a duration below 1 counts as 1.
int64_t ScaledProgress(int64_t value, int64_t span, int64_t duration);

// A surface locked at (0, 0) for as long as this lives, walked row by row from the top.
class TLockedRows {
 public:
  explicit TLockedRows(TCustomDIBX& surface);
  ~TLockedRows();
  TLockedRows(const TLockedRows&) = delete;
  TLockedRows& operator=(const TLockedRows&) = delete;

  // False when the surface could not be locked.
  bool Ok() const { return top_ != nullptr; }
  uint8_t* Row(int y) const { return top_ + y * step_; }

 private:
  TCustomDIBX& surface_;
  uint8_t* top_;
  int64_t step_ = 0;
};

// rnd(): the nearest integer, halves to even, saturating at the 32-bit range; NaN gives 0.
int32_t RoundSaturated(double value);

}  // namespace orva
