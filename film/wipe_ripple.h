#pragma once
// The ripple (WP_RIPPLE): a circular wave runs out from the centre and leaves the new picture
// behind it; inside its band the new picture is displaced outwards by a saw tooth of Param0
// pixels, which draws four rings. The distances and directions are tabled for the top-left
// quarter and applied to the four mirrored pixels at once.

#include <cstdint>
#include <vector>

#include "scene/wipe.h"

namespace orva {

class TWipeRipple final : public TCustomWipe {
 public:
  // The quarter tables of Dest and the wave of amplitude 5.
  TWipeRipple(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB);
  // Index 0 also rebuilds the wave with the new amplitude.
  void SetParam(int index, int32_t value) override;
  bool Step() override;

  // Per pixel of the top-left quarter (hw × hh, row by row): the rounded distance from the
  // centre, and the cosine and sine of its direction × 65536.
  std::vector<uint16_t> RingDistances;
  std::vector<int32_t> RingCos, RingSin;
  // The radial displacement along the band: four teeth rising from 0.
  std::vector<int32_t> Wave;
  int HalfWidth = 0, HalfHeight = 0;

 private:
  void BuildWave(int64_t amplitude);
};

}  // namespace orva
