#pragma once
// The mosaic (WP_MOSAIC): the old picture coarsens into ever larger blocks, the new picture
// fades in over it at the coarsest stage, and it refines again; each stage reduces the pictures
// into a work picture and enlarges that over the screen.

#include <memory>

#include "graphics/dibx.h"
#include "scene/wipe.h"

namespace orva {

class TWipeMosaic final : public TCustomWipe {
 public:
  // The work picture at the size and depth of Dest: the one of the last mosaic of that size
  // and depth when no other mosaic uses it (it holds nothing a step does not draw first).
  TWipeMosaic(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB);
  bool Step() override;

  std::shared_ptr<TDIBX> Work;
};

}  // namespace orva
