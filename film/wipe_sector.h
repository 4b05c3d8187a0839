#pragma once
// The round mask transitions about the centre of the picture: the clock hand (WP_CLOCKHAND),
// the fan and the double fan (WP_FAN, WP_WFAN), and the circle (WP_CIRCLE). Angles are as seen
// on the screen: 0 degrees is 12 o'clock, growing angles turn clockwise.

#include "film/wipe_mask.h"

namespace orva {

// A hand sweeping one full turn from the direction Param0 (degrees); with Reverse it turns
// counter-clockwise.
class TWipeClockhand : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  // A plain store; the direction also becomes the start and last angle.
  void SetParam(int index, int32_t value) override;
  bool BuildMask() override;

  double LastAngle = 0;
  double StartAngle = 0;
};

// A fan opening symmetrically about the axis Param0 (degrees) to the full turn.
class TWipeFan : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  // A plain store; the axis also becomes the last angle.
  void SetParam(int index, int32_t value) override;
  bool BuildMask() override;

  double LastAngle = 0;

 protected:
  // The fans about the axis and, for the double fan, about the opposite one.
  bool BuildFans(double turn, bool twoFans);
};

// Two opposite fans, each opening to a half turn.
class TWipeWFan : public TWipeFan {
 public:
  using TWipeFan::TWipeFan;
  bool BuildMask() override;
};

// A growing disc of the new picture; with Reverse a shrinking disc of the old one.
class TWipeCircle : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  bool BuildMask() override;

  int32_t LastRadius = 0;
};

}  // namespace orva
