#pragma once
// The cross-fade (WP_FADE): the new picture blended over the old one with a rising alpha,
// sliding from the offset (Param0, Param1) to (0, 0).

#include "scene/wipe.h"

namespace orva {

class TWipeFade : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

}  // namespace orva
