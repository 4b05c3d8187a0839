#pragma once
// The sweeps that smear one picture over the part already swept: the bamboo blinds
// (WP_SUDAREH, WP_SUDAREV) stretch the one column (row) at the moving edge over it, the rubber
// pulls (WP_RUBBERH, WP_RUBBERV) a strip next to the edge that is widest at both ends of the
// transition. The first half sweeps the old picture away, the second unrolls the new one back
// from the far side. Reverse sweeps from the right (bottom).

#include "film/wipe_step.h"

namespace orva {

class TWipeSweep : public TCustomWipe {
 public:
  bool Step() override;

 protected:
  // Rubber: the strip of the rubber pulls instead of the blind's single column.
  TWipeSweep(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB, bool vertical, bool rubber)
      : TCustomWipe(dest, srcA, srcB), axis_{vertical}, rubber_(rubber) {}

 private:
  TWipeAxis axis_;
  bool rubber_;
};

class TWipeSudareH final : public TWipeSweep {
 public:
  TWipeSudareH(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB) : TWipeSweep(dest, srcA, srcB, false, false) {}
};

class TWipeSudareV final : public TWipeSweep {
 public:
  TWipeSudareV(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB) : TWipeSweep(dest, srcA, srcB, true, false) {}
};

class TWipeRubberH final : public TWipeSweep {
 public:
  TWipeRubberH(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB) : TWipeSweep(dest, srcA, srcB, false, true) {}
};

class TWipeRubberV final : public TWipeSweep {
 public:
  TWipeRubberV(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB) : TWipeSweep(dest, srcA, srcB, true, true) {}
};

}  // namespace orva
