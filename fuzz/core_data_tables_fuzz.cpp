// The stored form of the data tables (game and status saves) and the tab-separated import.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/data_tables.h"
#include "core/exceptions.h"
#include "core/stream.h"

namespace {

// Everything a script can do to a loaded table that reads its fields and records.
void Exercise(orva::TDBTable& t) {
  const orva::TDBFieldList& f = t.Fields();
  std::vector<std::string> names;
  for (int i = 0; i < f.Count(); ++i) names.push_back(f[i].Name);
  for (int r = 0; r < t.RecordCount(); ++r)
    for (int i = 0; i < f.Count(); ++i) {
      t.GetInt(r, i);
      t.GetFloat(r, i);
      t.GetBool(r, i);
      t.GetStr(r, i);
    }
  const orva::TDBValues texts = std::vector<std::string>(names.size(), "a"), ints = std::vector<int32_t>(names.size(), 0);
  t.Find(&names, &texts, true, true);
  t.Find(&names, &ints, false, false);
  t.Sort(names, std::vector<bool>(names.size(), true));
  if (t.RecordCount() > 0 && t.RecordCount() < 1000) {
    t.SetRecNo(0);
    t.AppendCopy(t, 0);
    t.Delete();
  }
}

std::string Saved(const orva::TDBManager& m, uint8_t kind) {
  orva::TMemoryStream s;
  m.SaveToStream(s, kind);
  return std::string(s.View());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (uint8_t kind : {0, 1}) {
    orva::TDBManager m;
    try {
      orva::TMemoryStream s(bytes);
      m.LoadFromStream(s, kind);
    } catch (const orva::Exception&) {
      continue;
    }
    // What loads saves back and loads again to the same bytes.
    const std::string once = Saved(m, kind);
    orva::TDBManager again;
    orva::TMemoryStream s(once);
    again.LoadFromStream(s, kind);
    if (Saved(again, kind) != once) std::abort();
    for (int i = 0; i < m.Count(); ++i) Exercise(*m.GetTable(i));
  }
  orva::TDBTable t("tsv", 0);
  orva::LoadTsvText(t, bytes);
  Exercise(t);
  return 0;
}
