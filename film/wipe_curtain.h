#pragma once
// Curtains (WP_CURTAINH, WP_CURTAINV): strips of Param0 columns (rows) that sweep together,
// each column one step behind its left (upper) neighbour, the edge softened over Param1
// sixteenths of that step.

#include <cstdint>
#include <vector>

#include "film/wipe_mask.h"

namespace orva {

// The base of the curtains: both parameters at least 1.
class TWipeOrderHMask : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  void SetParam(int index, int32_t value) override;

 protected:
  // The mask values along a line of that many positions; false when the progress is the
  // last build's.
  bool BuildLine(int length, std::vector<uint8_t>& values);
};

class TWipeOrderVMask : public TWipeOrderHMask {
 public:
  using TWipeOrderHMask::TWipeOrderHMask;
};

// Columns; the mask is one row.
class TWipeCurtainH : public TWipeOrderHMask {
 public:
  using TWipeOrderHMask::TWipeOrderHMask;
  bool BuildMask() override;
  int GetMaskHeight() override { return 1; }
};

// Rows; the mask is as tall as the picture.
class TWipeCurtainV : public TWipeOrderVMask {
 public:
  using TWipeOrderVMask::TWipeOrderVMask;
  bool BuildMask() override;
};

}  // namespace orva
