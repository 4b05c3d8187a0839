// The stored form of the data tables (game and status saves) and the tab-separated import.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/data_tables.h"
#include "core/exceptions.h"
#include "core/stream.h"

namespace {

// Everything a script can do to a loaded table that reads its fields and records. Records
// without fields take no bytes, so a small input may hold millions of them: searching and
// sorting those is bounded by the record cap, not by the input, and stays out of the runs'
// allocation limit.
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
  if (t.RecordCount() > 1 << 20) return;
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

// More than the record size a text table's head line declares: per cell its largest
// number (a string field's length) or the default length, and a little more.
int64_t DeclaredRecordBytes(std::string_view text) {
  const std::string_view head = text.substr(0, text.find_first_of("\r\n"));
  int64_t total = 0, cellLargest = 80, number = -1;
  for (char c : std::string(head) + '\t') {
    if (c >= '0' && c <= '9') {
      number = std::min<int64_t>((number < 0 ? 0 : number) * 10 + (c - '0'), int64_t{1} << 40);
      cellLargest = std::max(cellLargest, number);
      continue;
    }
    number = -1;
    if (c == '\t') {
      total += cellLargest + 16;
      cellLargest = 80;
    }
  }
  return total;
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
  // A head line may declare string fields of any length below the table cap, and every line
  // makes a record of that size: such tables are bounded by the cap, not by the input.
  const int64_t lines = 1 + std::count_if(bytes.begin(), bytes.end(), [](char c) { return c == '\r' || c == '\n'; });
  if (DeclaredRecordBytes(bytes) * lines > int64_t{16} << 20) return 0;
  orva::TDBTable t("tsv", 0);
  orva::LoadTsvText(t, bytes);
  Exercise(t);
  return 0;
}
