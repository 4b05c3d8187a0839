#pragma once
// The spot (WP_SPOT): a ring of light runs outwards from the centre, or with Reverse inwards
// from the corners; a pixel brightens on the old picture as the ring's front reaches it,
// switches to the new picture at full light and dims again behind it.

#include <cstdint>
#include <vector>

#include "scene/wipe.h"

namespace orva {

class TWipeSpot final : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  // Stores Reverse and builds the distances (the scene calls it as soon as it has made the
  // transition).
  void SetReverse(bool value) override;
  bool Step() override;

  // Per pixel of Dest, row by row: the ring progress at which the light reaches it.
  std::vector<int32_t> Distances;
  int DistancesWidth = 0, DistancesHeight = 0;
  // The progress range of the ring: the distance of the corners from the centre + 512.
  int32_t SpotLength = 0;

 private:
  void BuildDistances();
};

}  // namespace orva
