#pragma once
// Grids (WP_GRID, WP_GRIDH, WP_GRIDV): square cells Param0 pixels wide that grow from their
// centres over Param1 progress units, neighbouring cells starting 4 units apart: by distance
// from the top-left cell, by column, or by row.

#include "film/wipe_mask.h"

namespace orva {

class TWipeGrid : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  bool BuildMask() override;

 protected:
  enum class TOrder { Distance, Column, Row };
  TOrder order_ = TOrder::Distance;
};

// By column; the mask is one row of cells, at most as tall as the picture.
class TWipeGridH : public TWipeGrid {
 public:
  TWipeGridH(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB) : TWipeGrid(dest, srcA, srcB) {
    order_ = TOrder::Column;
  }
  int GetMaskHeight() override;
};

// By row.
class TWipeGridV : public TWipeGrid {
 public:
  TWipeGridV(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB) : TWipeGrid(dest, srcA, srcB) {
    order_ = TOrder::Row;
  }
};

}  // namespace orva
