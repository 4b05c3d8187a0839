#include "film/wipe_twist.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "film/wipe_step.h"
#include "graphics/custom_dibx.h"

namespace orva {

namespace {

constexpr double kPi = std::numbers::pi;

// The angle of line i of n: a quarter turn behind line 0, which turns three quarters over
// the transition. Below 0 the line has not started; from π on it shows its back flat.
double TwistAngle(int32_t position, int32_t duration, int i, int n) {
  return 1.5 * kPi * position / std::max(duration, 1) - kPi / 2 * i / n;
}

}  // namespace

bool TWipeTwistH::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = DrawingExtent(*this);
  if (extent.IsEmpty()) return false;
  const int w = extent.Width, h = extent.Height;
  int last = -1;
  for (int i = 0; i < h; ++i) {
    const int row = Reverse ? h - 1 - i : i;
    const double a = TwistAngle(Position, Duration, i, h);
    if (a < 0) break;  // the angle falls with i
    if (a >= kPi) {
      last = row;
      continue;
    }
    Dest->FillRect(Bounds(0, row, w, 1), 0);
    const int32_t width = RoundSaturated(std::cos(a) * w);
    if (width > 0)
      Dest->StretchDrawAlpha(Bounds((w - width) / 2, row, width, 1), *SrcA, Bounds(0, row, w, 1), false, false, false, 255);
    else if (width < 0)
      Dest->StretchDrawAlpha(Bounds((w + width) / 2, row, -width, 1), *SrcB, Bounds(0, row, w, 1), false, false, false, 255);
  }
  // The rows that have turned show the new picture flat.
  if (last >= 0) {
    const TRect turned = Reverse ? TRect{0, last, w, h} : TRect{0, 0, w, last + 1};
    Dest->Draw(turned.Left, turned.Top, *SrcB, turned, false, false, false);
  }
  return false;
}

bool TWipeTwistV::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = DrawingExtent(*this);
  if (extent.IsEmpty()) return false;
  const int w = extent.Width, h = extent.Height;
  // The open run of columns with the same squeezed height.
  int first = 0, count = 0, height = 0;
  auto flush = [&] {
    if (count == 0) return;
    const int size = std::abs(height), gap = (h - size) / 2;
    if (gap > 0) {
      Dest->FillRect(Bounds(first, 0, count, gap), 0);
      Dest->FillRect(Bounds(first, gap + size, count, gap), 0);
    }
    if (height != 0)
      Dest->StretchDrawAlpha(Bounds(first, gap, count, size), height > 0 ? *SrcA : *SrcB, Bounds(first, 0, count, h),
                             false, false, false, 255);
    count = 0;
  };
  int last = -1;
  for (int i = 0; i < w; ++i) {
    const int column = Reverse ? w - 1 - i : i;
    const double a = TwistAngle(Position, Duration, i, w);
    if (a < 0) break;  // the angle falls with i
    if (a >= kPi) {
      last = column;
      continue;
    }
    const int32_t squeezed = RoundSaturated(std::cos(a) * h);
    if (count > 0 && squeezed == height) {
      first = std::min(first, column);
      ++count;
      continue;
    }
    flush();
    first = column, count = 1, height = squeezed;
  }
  flush();
  if (last >= 0) {
    const TRect turned = Reverse ? TRect{last, 0, w, h} : TRect{0, 0, last + 1, h};
    Dest->Draw(turned.Left, turned.Top, *SrcB, turned, false, false, false);
  }
  return false;
}

}  // namespace orva
