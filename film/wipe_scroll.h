#pragma once
// The scrolls (WP_SCROLLH, WP_SCROLLV): the old picture slides out while the new one slides in
// behind it, to the left (up), or with Reverse to the right (down).

#include "film/wipe_step.h"

namespace orva {

class TWipeScroll : public TCustomWipe {
 public:
  bool Step() override;

 protected:
  TWipeScroll(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB, bool vertical)
      : TCustomWipe(dest, srcA, srcB), axis_{vertical} {}

 private:
  TWipeAxis axis_;
};

class TWipeScrollH final : public TWipeScroll {
 public:
  TWipeScrollH(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB) : TWipeScroll(dest, srcA, srcB, false) {}
};

class TWipeScrollV final : public TWipeScroll {
 public:
  TWipeScrollV(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB) : TWipeScroll(dest, srcA, srcB, true) {}
};

}  // namespace orva
