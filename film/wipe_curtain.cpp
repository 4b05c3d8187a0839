#include "film/wipe_curtain.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "film/mask_shapes.h"
#include "film/wipe_step.h"

namespace orva {

void TWipeOrderHMask::SetParam(int index, int32_t value) { TCustomWipe::SetParam(index, std::max(value, 1)); }

bool TWipeOrderHMask::BuildLine(int length, std::vector<uint8_t>& values) {
  const int64_t strip = Param[0], soft = Param[1];
  const int64_t strips = (length + strip - 1) / strip;
  if (!TakeProgress(ScaledProgress(Position, ((strips - 1) + (strip - 1)) * 16 + soft, Duration))) return false;
  HardEdge = soft < 2;
  values.resize(size_t(length));
  for (int i = 0; i < length; ++i) {
    const int64_t j = Reverse ? length - 1 - i : i;
    values[size_t(i)] = MaskRamp(LastProgress, (j / strip + j % strip) * 16, soft);
  }
  return true;
}

bool TWipeCurtainH::BuildMask() {
  std::vector<uint8_t> values;
  if (!BuildLine(Mask.GetWidth(), values)) return false;
  TMaskRows rows(Mask);
  if (!rows.IsEmpty()) std::memcpy(rows.Row(0), values.data(), values.size());
  return true;
}

bool TWipeCurtainV::BuildMask() {
  std::vector<uint8_t> values;
  if (!BuildLine(Mask.GetHeight(), values)) return false;
  TMaskRows rows(Mask);
  for (int r = 0; r < rows.Height(); ++r) std::memset(rows.Row(r), values[size_t(r)], size_t(rows.Width()));
  return true;
}

}  // namespace orva
