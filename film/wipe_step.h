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

// A product or position brought into the 32-bit range of coordinates, sizes and angles.
int32_t Saturate32(int64_t value);

// The extent of a step that draws through the surface's operations, with the clip of Dest
// widened to the whole picture (held to the common extent when the pictures differ in size);
// empty when there is nothing to draw.
TWipeExtent DrawingExtent(TCustomWipe& wipe);

// Rectangles of the transitions that move along one axis: (along, across) for the horizontal
// ones, transposed for the vertical ones. Coordinates saturate at 32 bits.
struct TWipeAxis {
  bool Vertical = false;
  // The length moved along (W or H) and the breadth across.
  int Length(const TWipeExtent& e) const { return Vertical ? e.Height : e.Width; }
  int Breadth(const TWipeExtent& e) const { return Vertical ? e.Width : e.Height; }
  TRect Rect(int64_t along, int64_t across, int64_t alongSize, int64_t acrossSize) const;
  int32_t X(int64_t along, int64_t across) const { return Saturate32(Vertical ? across : along); }
  int32_t Y(int64_t along, int64_t across) const { return Saturate32(Vertical ? along : across); }
};

// Dest := source over the common extent (Assign when the pictures match).
void AssignExtent(TCustomWipe& wipe, TCustomDIBX& source, const TWipeExtent& extent);

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
