#include "film/wipe_fade.h"

#include <algorithm>

#include "film/wipe_step.h"
#include "graphics/custom_dibx.h"

namespace orva {

bool TWipeFade::Step() {
  if (WipeFinished(*this)) return true;
  if (WipeExtent(*this).IsEmpty()) return false;
  const double duration = std::max(Duration, 1);
  const double f = (duration - 1 - Position) / duration;
  const int32_t x = RoundSaturated(Param[0] * f), y = RoundSaturated(Param[1] * f);
  Dest->AddClipRect(Dest->GetBoundsRect());
  Dest->Assign(*SrcA);
  // Never 256 while the transition runs; below 1 nothing is blended.
  const int64_t alpha = ScaledProgress(Position, 256, Duration);
  if (alpha > 0) Dest->DrawAlpha(x, y, *SrcB, SrcB->GetBoundsRect(), false, false, false, static_cast<int>(alpha));
  return false;
}

}  // namespace orva
