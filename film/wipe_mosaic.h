#pragma once
// The mosaic (WP_MOSAIC): the old picture coarsens into ever larger blocks, the new picture
// fades in over it at the coarsest stage, and it refines again; each stage reduces the pictures
// into a work picture and enlarges that over the screen.

#include "graphics/dibx.h"
#include "scene/wipe.h"

namespace orva {

class TWipeMosaic final : public TCustomWipe {
 public:
  // The work picture at the size and depth of Dest.
  TWipeMosaic(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB);
  bool Step() override;

  TDIBX Work;
};

}  // namespace orva
