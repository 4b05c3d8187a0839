#pragma once
// The ripple (WP_RIPPLE): a circular wave runs out from the centre and leaves the new picture
// behind it; inside its band the new picture is displaced outwards by a saw tooth of Param0
// pixels, which draws four rings. The distances and directions are tabled for the top-left
// quarter and applied to the four mirrored pixels at once.

#include <cstdint>
#include <memory>
#include <vector>

#include "scene/wipe.h"

namespace orva {

// Per pixel of the top-left quarter of a picture (hw × hh, row by row): the rounded distance
// from the centre, and the cosine and sine of its direction × 65536. A pixel's direction is
// worked out once the wave's front has reached it, so that no step works out all of them;
// the tables are kept for the next ripple of the same size.
struct TRippleTables {
  int HalfWidth = 0, HalfHeight = 0;
  std::vector<uint16_t> Distances;
  // Left unwritten until worked out, so that their memory is taken only as the front moves.
  std::unique_ptr<int32_t[]> Cos, Sin;
  // Per row: the directions are there from this column on.
  std::vector<int> ReadyFrom;

  TRippleTables(int halfWidth, int halfHeight);
  // Works out the directions of the pixels at most `front` from the centre.
  void ReachFront(int64_t front);
};

class TWipeRipple final : public TCustomWipe {
 public:
  // The quarter tables of Dest and the wave of amplitude 5.
  TWipeRipple(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB);
  // Index 0 also rebuilds the wave with the new amplitude.
  void SetParam(int index, int32_t value) override;
  bool Step() override;

  std::shared_ptr<TRippleTables> Tables;
  // The radial displacement along the band: four teeth rising from 0.
  std::vector<int32_t> Wave;
  int HalfWidth = 0, HalfHeight = 0;

 private:
  void BuildWave(int64_t amplitude);
};

}  // namespace orva
