#pragma once
// The spot (WP_SPOT): a ring of light runs outwards from the centre, or with Reverse inwards
// from the corners; a pixel brightens on the old picture as the ring's front reaches it,
// switches to the new picture at full light and dims again behind it.

#include <cstdint>
#include <memory>
#include <vector>

#include "scene/wipe.h"

namespace orva {

// The ring progress at which the light reaches the pixels of a picture, kept for the next spot
// of the same size and direction. The distances from the centre depend only on |x − cx| and
// |y − cy|: one quarter is kept.
struct TSpotDistances {
  int Width = 0, Height = 0;
  bool Reverse = false;
  // The progress range of the ring: the distance of the corners from the centre + 512.
  int32_t SpotLength = 0;
  // Rows |y − cy| = 0, 1, …, columns |x − cx| = 0, 1, ….
  int QuarterWidth = 0;
  std::vector<int32_t> Quarter;

  int32_t At(int x, int y) const;
  // Row y of the picture, Width values.
  void Row(int y, int32_t* out) const;
};

class TWipeSpot final : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  // Stores Reverse and takes the distances (the scene calls it as soon as it has made the
  // transition).
  void SetReverse(bool value) override;
  bool Step() override;

  std::shared_ptr<const TSpotDistances> Table;

 private:
  void TakeDistances();
};

}  // namespace orva
