// The BMP reader, RLE decoding and what a loaded picture goes through next.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "core/stream.h"
#include "graphics/dib_surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    orva::TMemoryStream m(std::string(reinterpret_cast<const char*>(data), size));
    orva::TDIBSurface s;
    s.LoadFromStream(m);
    if (s.GetEmpty()) return 0;
    orva::TMemoryStream out;
    s.SaveToStream(out);
    s.BitsReadOnly();
    // Pictures of a sensible size go on through the surface's conversions.
    if (int64_t{s.GetWidth()} * s.GetHeight() <= 1 << 16) {
      s.GetOpaqueBounds(0);
      orva::TDIBSurface copy;
      copy.AssignDIB(s);
      copy.ChangeBitCount(16, 0, true);
      s.Greyscale(8);
    }
  } catch (const orva::Exception&) {
  }
  return 0;
}
