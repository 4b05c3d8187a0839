#pragma once
// The twists: every row (WP_TWISTH) or column (WP_TWISTV) turns about its centre line like a
// card, the old picture on its front and the new one on its back, the turn sweeping from the
// top (left) edge, or with Reverse from the bottom (right).

#include "scene/wipe.h"

namespace orva {

class TWipeTwistH final : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

// Neighbouring columns squeezed to the same height are drawn together.
class TWipeTwistV final : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

}  // namespace orva
