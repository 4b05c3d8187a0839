// The "vf" archive directory reader and the entry reads behind it, over any bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/archive.h"
#include "core/exceptions.h"
#include "core/stream.h"
#include "platform/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orva::RegisterResource("BINTYPE", "FUZZ", std::span<const uint8_t>(data, size));
  try {
    orva::TVrFileCollection archive;
    archive.OpenResource("", "FUZZ", "BINTYPE");
    for (int i = 0; i < archive.Count(); ++i) {
      const std::string name = archive.Item(i).GetName();
      try {
        orva::TMemoryStream out;
        archive.LoadFileToStream(out, name);
      } catch (const orva::Exception&) {
      }
      if (auto range = archive.OpenRangeStream(name)) {
        uint8_t buffer[64];
        range->Seek(-8, orva::TSeekOrigin::soEnd);
        range->Read(buffer, sizeof buffer);
      }
    }
  } catch (const orva::Exception&) {
  }
  orva::UnregisterResource("BINTYPE", "FUZZ");
  return 0;
}
