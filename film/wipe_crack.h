#pragma once
// The chip fall (WP_CRACK): the old picture is cut into square chips of Param0 pixels that,
// one after the other Param1 fall-clock units apart in random order, jump, drift sideways and
// fall off the screen over the new picture. A chip that has fallen off is gone for good.

#include <cstdint>
#include <memory>
#include <vector>

#include "film/wipe_step.h"

namespace orva {

class TWipeCrack;

// One chip: its cell of the old picture, the fall-clock unit at which it starts to move and
// its sideways speed in 1/100 pixel per unit (-100 .. 99).
class TWipeCrackDraw {
 public:
  explicit TWipeCrackDraw(TWipeCrack& owner) : Owner(owner) {}
  // Draws the chip at fall-clock t; true when it has fallen below the picture.
  bool Draw(int64_t t, const TWipeExtent& extent);

  TWipeCrack& Owner;
  int32_t CellX = 0, CellY = 0;
  int64_t Delay = 0;
  int32_t Drift = 0;
};

class TWipeCrack final : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  // Index 0 (at least 16) cuts the picture into new chips in a new random order; index 1 (at
  // least 0) spaces their starts again.
  void SetParam(int index, int32_t value) override;
  bool Step() override;

  // In starting order; a fallen chip's entry is empty.
  std::vector<std::unique_ptr<TWipeCrackDraw>> Chips;
  // The fall-clock units a chip needs to fall from the top row below the picture.
  int64_t FallSpan = 0;
  // The start of the last chip.
  int64_t TotalDelay = 0;
};

}  // namespace orva
