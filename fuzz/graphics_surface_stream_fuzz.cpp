// A drawing surface loading whatever picture a stream starts with: BMP, PNG or layered image.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "core/stream.h"
#include "graphics/dibx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    orva::TMemoryStream m(std::string(reinterpret_cast<const char*>(data), size));
    orva::TDIBX surface;
    surface.SetSize(1, 1, size % 2 ? 15 : 32);
    surface.LoadFromStream(&m);
  } catch (const orva::Exception&) {
  }
  return 0;
}
