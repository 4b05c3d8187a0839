#pragma once
// The dither (WP_DITHER): the cells of a 64 × 64 tile switch to the new picture one by one in
// a fixed random order, the tile repeated over the picture.

#include <array>
#include <cstdint>

#include "film/wipe_mask.h"

namespace orva {

class TWipeDither : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  static constexpr int TileSize = 64;
  static constexpr int CellCount = TileSize * TileSize;

  // The mask (64 rows) and the order of the cells, the same in every run.
  void Prepare() override;
  bool BuildMask() override;
  int GetMaskHeight() override { return TileSize; }

  // Cell numbers (row × 64 + column) in the order in which they switch.
  std::array<int32_t, CellCount> Order{};

 private:
  // The tile is made here and copied along the mask, cut at its right edge.
  std::array<uint8_t, CellCount> tile_{};
};

}  // namespace orva
