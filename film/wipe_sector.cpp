#include "film/wipe_sector.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "film/mask_shapes.h"
#include "film/wipe_step.h"

namespace orva {

namespace {

constexpr double kPi = std::numbers::pi;

// Degrees from 12 o'clock to the screen angle.
double DirectionAngle(int32_t degrees) { return double(degrees) * 2 * kPi / 360 - kPi / 2; }

double Fraction(const TCustomWipe& wipe) { return double(wipe.Position) / std::max(wipe.Duration, 1); }

// The centre of the mask and the radius that reaches its corners.
struct TCentre {
  double X, Y, R;
  explicit TCentre(const TMaskRows& rows) : X(rows.Width() / 2), Y(rows.Height() / 2), R(std::hypot(X, Y)) {}
};

}  // namespace

void TWipeClockhand::SetParam(int index, int32_t value) {
  TCustomWipe::SetParam(index, value);
  if ((index & 1) == 0) LastAngle = StartAngle = DirectionAngle(value);
}

bool TWipeClockhand::BuildMask() {
  const double sweep = 2 * kPi * Fraction(*this);
  const double a = Reverse ? StartAngle - sweep : StartAngle + sweep;
  if (a == LastAngle) return false;
  TMaskRows rows(Mask);
  // Only a position of 0 or less after a later one gets here.
  if (Reverse ? a >= StartAngle : a <= StartAngle) {
    rows.Fill(255);
    return true;
  }
  const TCentre c(rows);
  rows.Fill(0);
  if (Reverse)
    rows.FillSector(c.X, c.Y, c.R, a, StartAngle - a, 255);
  else
    rows.FillSector(c.X, c.Y, c.R, StartAngle, a - StartAngle, 255);
  LastAngle = a;
  return true;
}

void TWipeFan::SetParam(int index, int32_t value) {
  TCustomWipe::SetParam(index, value);
  if ((index & 1) == 0) LastAngle = DirectionAngle(value);
}

bool TWipeFan::BuildFans(double turn, bool twoFans) {
  const double axis = DirectionAngle(Param[0]), theta = turn * Fraction(*this);
  const double a1 = axis + theta, a2 = axis - theta;
  if (a1 == LastAngle) return false;
  TMaskRows rows(Mask);
  if (a1 <= a2) {
    rows.Fill(255);
    return true;
  }
  const TCentre c(rows);
  rows.Fill(0);
  rows.FillSector(c.X, c.Y, c.R, a2, a1 - a2, 255);
  if (twoFans) rows.FillSector(c.X, c.Y, c.R, a2 + kPi, a1 - a2, 255);
  LastAngle = a1;
  return true;
}

bool TWipeFan::BuildMask() { return BuildFans(kPi, false); }

bool TWipeWFan::BuildMask() { return BuildFans(kPi / 2, true); }

bool TWipeCircle::BuildMask() {
  TMaskRows rows(Mask);
  const TCentre c(rows);
  const double duration = std::max(Duration, 1);
  const int32_t r = RoundSaturated(Reverse ? c.R * (duration - Position) / duration : c.R * Position / duration);
  if (r == LastRadius) return false;
  LastRadius = r;
  rows.Fill(Reverse ? 255 : 0);
  if (r > 0) rows.FillDisc(c.X, c.Y, r, Reverse ? 0 : 255);
  return true;
}

}  // namespace orva
