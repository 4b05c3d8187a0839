// The "vf" archive directory reader and the entry reads behind it, over any bytes; what
// opens is written (as a save rewrites the save file) and keeps its form when rewritten.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/archive.h"
#include "core/exceptions.h"
#include "core/stream.h"
#include "platform/resources.h"

namespace {

// Writes the archive, opens what was written and writes that: the same bytes twice.
void ExpectRewriteKeepsItsForm(orva::TVrFileCollection& archive) {
  orva::TMemoryStream once;
  try {
    archive.SaveToStream(once);
  } catch (const orva::Exception&) {
    return;  // an entry whose stored bytes do not inflate
  }
  const std::string bytes(once.View());
  orva::RegisterResource("BINTYPE", "FUZZ_WRITTEN",
                         std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  orva::TMemoryStream twice;
  try {
    orva::TVrFileCollection written;
    written.OpenResource("", "FUZZ_WRITTEN", "BINTYPE");
    written.SaveToStream(twice);
  } catch (const orva::Exception&) {
    __builtin_trap();  // what the writer wrote must open and rewrite
  }
  orva::UnregisterResource("BINTYPE", "FUZZ_WRITTEN");
  if (twice.View() != once.View()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orva::RegisterResource("BINTYPE", "FUZZ", std::span<const uint8_t>(data, size));
  try {
    orva::TVrFileCollection archive;
    archive.OpenResource("", "FUZZ", "BINTYPE");
    ExpectRewriteKeepsItsForm(archive);
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
