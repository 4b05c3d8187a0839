// Region files of selection images on any bytes: the areas read, each one's point tests,
// bounding box and mask painted into a small picture, which must all agree.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "graphics/dibx.h"
#include "scene/map_region.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  orva::TDIBX mask;
  mask.SetSize(48, 40, 8);
  for (const orva::TMapArea& area : orva::ReadMapAreas(bytes)) {
    mask.Fill(0);
    area.Region.Paint(mask, 255);
    const orva::TRect box = area.Region.BoundsWithin(mask.GetBoundsRect());
    for (int y = 0; y < mask.GetHeight(); ++y)
      for (int x = 0; x < mask.GetWidth(); ++x) {
        const bool painted = mask.GetPixel(x, y) != 0;
        if (painted != area.Region.Contains(x, y)) __builtin_trap();
        if (painted && !(x >= box.Left && x < box.Right && y >= box.Top && y < box.Bottom)) __builtin_trap();
      }
    area.Region.Contains(INT32_MIN, INT32_MAX);
  }
  return 0;
}
