// Preview-menu data on any bytes: the list read against a base directory, every button's
// fields touched.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "core/stream.h"
#include "scene/cont_sels.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orva::TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
  orva::TContSelList list;
  list.LoadFromStream(stream, "data\\menu\\");
  size_t total = 0;
  for (int i = 0; i < list.Count(); ++i) {
    const orva::TContSelButton& b = list.Get(i);
    total += b.Name.size() + b.Normal.size() + b.DisabledLeaveOverlay.size() + b.Cursor.size();
  }
  if (total > size * 4 + 64) __builtin_trap();
  return 0;
}
