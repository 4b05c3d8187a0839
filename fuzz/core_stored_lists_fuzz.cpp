// The small stored types: string arrays, the folder-to-disc map and version tags.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "core/string_lists.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    orva::TMemoryStream m(bytes);
    orva::ReadVersionTag(m, "is");
    orva::TArrayString strings;
    strings.LoadFromStream(m);
  } catch (const orva::Exception&) {
  }
  try {
    orva::TMemoryStream m(bytes);
    orva::TFolderDiskList list;
    list.LoadFromStream(m);
    for (int i = 0; i < list.Count(); ++i) list.DiskOfPath(list[i].folder + "\\x");
  } catch (const orva::Exception&) {
  }
  // The text routines take any bytes.
  std::string s = bytes;
  orva::SplitLabel(s);
  orva::ZenToHan(orva::HanToZen(bytes));
  orva::EucToSjis(bytes);
  orva::UnescapeText(bytes);
  orva::JTrim(bytes);
  return 0;
}
