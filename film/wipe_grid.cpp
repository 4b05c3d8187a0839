#include "film/wipe_grid.h"

#include <algorithm>
#include <cmath>

#include "film/mask_shapes.h"
#include "film/wipe_step.h"

namespace orva {

int TWipeGridH::GetMaskHeight() { return std::min(std::max(Param[0], 2), Dest->GetHeight()); }

bool TWipeGrid::BuildMask() {
  const int64_t cell = Param[0], soft = Param[1];
  const int64_t width = Mask.GetWidth(), height = Mask.GetHeight();
  const int64_t nx = (width + cell - 1) / cell, ny = (height + cell - 1) / cell;
  auto distance = [](int64_t x, int64_t y) {
    return int64_t{RoundSaturated(std::sqrt(double(x) * double(x) + double(y) * double(y)))};
  };
  const int64_t delays = order_ == TOrder::Column ? nx : order_ == TOrder::Row ? ny : distance(nx - 1, ny - 1);
  const int64_t p = ScaledProgress(Position, (delays - 1) * 4 + soft, Duration);
  if (!TakeProgress(p)) return false;
  HardEdge = soft < 2;
  TMaskRows rows(Mask);
  rows.Fill(0);
  for (int64_t cy = 0; cy < ny; ++cy) {
    for (int64_t cx = 0; cx < nx; ++cx) {
      int64_t e;
      switch (order_) {
        case TOrder::Column: e = Reverse ? nx - 1 - cx : cx; break;
        case TOrder::Row: e = Reverse ? ny - 1 - cy : cy; break;
        default: e = Reverse ? distance(nx - 1 - cx, ny - 1 - cy) : distance(cx, cy);
      }
      const int64_t d = e * 4;
      const uint8_t v = MaskRamp(p, d, soft);
      if (v == 0) continue;
      const int64_t size = std::min(cell, ScaledProgress(p - d, cell, soft));
      if (size <= 0) continue;
      const int64_t o = (cell - size) / 2;
      const int64_t left = cx * cell + o, top = cy * cell + o;
      for (int64_t y = top; y < std::min(top + size, height); ++y)
        rows.FillSpan(static_cast<int>(y), left, left + size, v);
    }
  }
  return true;
}

}  // namespace orva
