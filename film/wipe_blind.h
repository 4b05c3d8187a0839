#pragma once
// Blinds (WP_BLINDH, WP_BLINDV): stripes Param0 pixels wide (high) that each fill from one
// side, their moving edge softened over Param1 half-pixel steps.

#include "film/wipe_mask.h"

namespace orva {

// Vertical stripes filling sideways; the mask is one row.
class TWipeBlindH : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  bool BuildMask() override;
  int GetMaskHeight() override { return 1; }
};

// Horizontal stripes filling downwards; the mask is one stripe, at most as tall as the picture.
class TWipeBlindV : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  bool BuildMask() override;
  int GetMaskHeight() override;
};

}  // namespace orva
