#include "film/wipe_blind.h"

#include <algorithm>
#include <cstring>

#include "film/mask_shapes.h"
#include "film/wipe_step.h"

namespace orva {

namespace {

// The progress of both blinds: each stripe position is two units after its neighbour, and
// the edge takes Param1 units.
int64_t BlindProgress(const TWipeMask& wipe) {
  return ScaledProgress(wipe.Position, (int64_t{wipe.Param[0]} - 1) * 2 + wipe.Param[1], wipe.Duration);
}

// The delay of position i of a stripe.
int64_t BlindDelay(const TWipeMask& wipe, int64_t i) {
  const int64_t k = i % wipe.Param[0];
  return 2 * (wipe.Reverse ? wipe.Param[0] - 1 - k : k);
}

}  // namespace

bool TWipeBlindH::BuildMask() {
  const int64_t p = BlindProgress(*this);
  if (!TakeProgress(p)) return false;
  HardEdge = Param[1] < 2;
  TMaskRows rows(Mask);
  if (rows.IsEmpty()) return true;
  uint8_t* row = rows.Row(0);
  for (int i = 0; i < rows.Width(); ++i) row[i] = MaskRamp(p, BlindDelay(*this, i), Param[1]);
  return true;
}

int TWipeBlindV::GetMaskHeight() { return std::min(std::max(Param[0], 2), Dest->GetHeight()); }

bool TWipeBlindV::BuildMask() {
  const int64_t p = BlindProgress(*this);
  if (!TakeProgress(p)) return false;
  HardEdge = Param[1] < 2;
  TMaskRows rows(Mask);
  const int count = std::min(Param[0], rows.Height());
  for (int r = 0; r < count; ++r) std::memset(rows.Row(r), MaskRamp(p, BlindDelay(*this, r), Param[1]), size_t(rows.Width()));
  return true;
}

}  // namespace orva
