#pragma once
// The zooming transitions: the old picture shrinks away (WP_SMALL) or the new one grows in
// (WP_BIG) about the centre, fading and turning by Param0 256ths of a turn in all (the other
// way with Reverse); the zoom-in (WP_ZOOMIN) magnifies the old picture towards the point
// (Param0, Param1) until one pixel fills the screen, then shrinks the new one back from it.

#include "scene/wipe.h"

namespace orva {

class TWipeSmall final : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

class TWipeBig final : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

class TWipeZoomin final : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

}  // namespace orva
