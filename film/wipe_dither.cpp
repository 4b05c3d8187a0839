#include "film/wipe_dither.h"

#include <algorithm>
#include <cstring>

#include "core/random.h"
#include "film/mask_shapes.h"
#include "film/wipe_step.h"

namespace orva {

void TWipeDither::Prepare() {
  TWipeMask::Prepare();
  TWzRandom random(12341);
  random.SetCount(CellCount);
  for (int32_t& cell : Order) cell = random.NextIndex();
}

bool TWipeDither::BuildMask() {
  const int64_t p = ScaledProgress(Position, CellCount, Duration);
  if (!TakeProgress(p)) return false;
  const int64_t switched = std::clamp<int64_t>(p, 0, CellCount);
  tile_.fill(0);
  for (int64_t k = 0; k < switched; ++k) tile_[size_t(Order[size_t(k)])] = 255;
  HardEdge = true;
  TMaskRows rows(Mask);
  const int height = std::min(rows.Height(), TileSize);
  for (int x = 0; x < rows.Width(); x += TileSize) {
    const size_t n = size_t(std::min(TileSize, rows.Width() - x));
    for (int y = 0; y < height; ++y) std::memcpy(rows.Row(y) + x, &tile_[size_t(y * TileSize)], n);
  }
  return true;
}

}  // namespace orva
