#include "core/data_tables.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <utility>

#include "core/exceptions.h"
#include "core/number_text.h"
#include "core/string_lists.h"
#include "core/sjis.h"
#include "core/stream.h"

namespace orva {

namespace {

constexpr int32_t kFormatVersion = 100;
constexpr int32_t kIntSize = 4;
constexpr int32_t kFloatSize = 10;  // the 80-bit extended, without the padding of a long double
constexpr int32_t kBoolSize = 1;

bool Fits(int64_t records, int64_t recordSize) {
  return records <= TDBTable::MaxRecords && records * recordSize <= TDBTable::MaxTableBytes;
}

// The size a field of the type takes in a record; 0 for no field type.
int64_t FieldSize(uint8_t type, int64_t length) {
  switch (type) {
    case PT_INT: return kIntSize;
    case PT_FLOAT: return kFloatSize;
    case PT_BOOL: return kBoolSize;
    case PT_STR: return length + 1;
    default: return 0;
  }
}

int32_t LoadInt(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void StoreInt(uint8_t* p, int32_t v) { std::memcpy(p, &v, sizeof v); }

long double LoadFloat(const uint8_t* p) {
  long double v = 0;
  std::memcpy(&v, p, kFloatSize);
  return v;
}

void StoreFloat(uint8_t* p, long double v) { std::memcpy(p, &v, kFloatSize); }

// A string cell's text ends at its first zero byte, or at the cell's end in stored data
// that holds none.
std::string_view CellText(const TDBField& f, const uint8_t* p) {
  const char* s = reinterpret_cast<const char*>(p);
  return {s, strnlen(s, static_cast<size_t>(f.Size))};
}

// Cuts the text to the declared length without splitting a double-byte character, and
// zero-fills the rest of the cell.
void StoreText(const TDBField& f, uint8_t* p, std::string_view text) {
  const size_t room = static_cast<size_t>(f.Size) - 1;
  size_t n = 0;
  while (n < text.size()) {
    const size_t step = (IsLeadByte(text[n]) && n + 1 < text.size()) ? 2 : 1;
    if (n + step > room) break;
    n += step;
  }
  if (n > 0) std::memcpy(p, text.data(), n);
  std::memset(p + n, 0, static_cast<size_t>(f.Size) - n);
}

// ---- A cell read as each type ----

std::optional<int32_t> ReadInt(const TDBField& f, const uint8_t* p) {
  switch (f.Type) {
    case PT_INT: return LoadInt(p);
    case PT_FLOAT: {
      int32_t v;
      if (!RoundToInt32(LoadFloat(p), v)) return std::nullopt;
      return v;
    }
    case PT_BOOL: return p[0] != 0 ? 1 : 0;
    default: return TextToInt(CellText(f, p));
  }
}

long double ReadFloat(const TDBField& f, const uint8_t* p) {
  switch (f.Type) {
    case PT_INT: return LoadInt(p);
    case PT_FLOAT: return LoadFloat(p);
    case PT_BOOL: return p[0] != 0 ? 1 : 0;
    default: return TextToFloat(CellText(f, p));
  }
}

bool ReadBool(const TDBField& f, const uint8_t* p) {
  switch (f.Type) {
    case PT_INT: return LoadInt(p) != 0;
    case PT_FLOAT: return LoadFloat(p) != 0;
    case PT_BOOL: return p[0] != 0;
    default: return TextToBool(CellText(f, p));
  }
}

std::string ReadStr(const TDBField& f, const uint8_t* p) {
  switch (f.Type) {
    case PT_INT: return IntToText(LoadInt(p));
    case PT_FLOAT: return FloatToText(LoadFloat(p));
    case PT_BOOL: return BoolToText(p[0] != 0);
    default: return std::string(CellText(f, p));
  }
}

// ---- A value of each type written into a cell ----

bool WriteInt(const TDBField& f, uint8_t* p, int32_t v) {
  switch (f.Type) {
    case PT_INT: StoreInt(p, v); break;
    case PT_FLOAT: StoreFloat(p, v); break;
    case PT_BOOL: p[0] = v != 0; break;
    default: StoreText(f, p, IntToText(v)); break;
  }
  return true;
}

bool WriteFloat(const TDBField& f, uint8_t* p, long double v) {
  switch (f.Type) {
    case PT_INT: {
      int32_t i;
      if (!RoundToInt32(v, i)) return false;
      StoreInt(p, i);
      break;
    }
    case PT_FLOAT: StoreFloat(p, v); break;
    case PT_BOOL: p[0] = v != 0; break;
    default: StoreText(f, p, FloatToText(v)); break;
  }
  return true;
}

bool WriteBool(const TDBField& f, uint8_t* p, bool v) {
  switch (f.Type) {
    case PT_INT: StoreInt(p, v ? 1 : 0); break;
    case PT_FLOAT: StoreFloat(p, v ? 1 : 0); break;
    case PT_BOOL: p[0] = v; break;
    default: StoreText(f, p, BoolToText(v)); break;
  }
  return true;
}

bool WriteStr(const TDBField& f, uint8_t* p, std::string_view v) {
  switch (f.Type) {
    case PT_INT: StoreInt(p, TextToInt(v)); break;
    case PT_FLOAT: StoreFloat(p, TextToFloat(v)); break;
    case PT_BOOL: p[0] = TextToBool(v); break;
    default: StoreText(f, p, v); break;
  }
  return true;
}

// A field read as text against a given text; with partial and ignoreCase the given text
// comes upper-cased.
bool TextMatches(std::string_view text, std::string_view value, bool ignoreCase, bool partial) {
  if (partial && ignoreCase) return JPos(AnsiUpperCase(text), value) > 0;
  if (partial) return JPos(text, value) > 0;
  if (ignoreCase) return SameTextAscii(text, value);
  return text == value;
}

bool TextMatches(const TDBField& f, const uint8_t* p, std::string_view value, bool ignoreCase, bool partial) {
  if (f.Type == PT_STR) return TextMatches(CellText(f, p), value, ignoreCase, partial);
  return TextMatches(ReadStr(f, p), value, ignoreCase, partial);
}

// Blanks and control bytes at both ends.
std::string_view Trim(std::string_view s) {
  while (!s.empty() && static_cast<uint8_t>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<uint8_t>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

// The text before the first blank and the rest after it, both trimmed; without a blank,
// all of the text and no rest.
std::pair<std::string_view, std::string_view> SplitAtBlank(std::string_view s) {
  const size_t blank = s.find(' ');
  if (blank == std::string_view::npos) return {Trim(s), {}};
  return {Trim(s.substr(0, blank)), Trim(s.substr(blank + 1))};
}

// Three-way comparisons of the sort. Extended values: NaN (and the encodings the FPU does
// not accept, which compare unordered) after every number, so the order stays consistent.
int Compare3(int32_t a, int32_t b) { return (a > b) - (a < b); }
int Compare3(bool a, bool b) { return static_cast<int>(a) - static_cast<int>(b); }
int Compare3(long double a, long double b) {
  const bool aNaN = a != a, bNaN = b != b;
  if (aNaN || bNaN) return static_cast<int>(aNaN) - static_cast<int>(bNaN);
  return (a > b) - (a < b);
}
int Compare3(std::string_view a, std::string_view b) { return a.compare(b); }  // unsigned bytes; a prefix first

int CompareCells(const TDBField& f, const uint8_t* a, const uint8_t* b) {
  switch (f.Type) {
    case PT_INT: return Compare3(LoadInt(a), LoadInt(b));
    case PT_FLOAT: return Compare3(LoadFloat(a), LoadFloat(b));
    case PT_BOOL: return Compare3(a[0] != 0, b[0] != 0);
    default: return Compare3(CellText(f, a), CellText(f, b));
  }
}

struct SortKey {
  const TDBField* field;
  int32_t offset;
  bool descending;
};

// The record indexes in key order. The first key is read once per record into a compact
// array beside the index, so most comparisons never reach the records.
template <class Read>
std::vector<int32_t> SortedOrder(const uint8_t* base, size_t size, int32_t count, const std::vector<SortKey>& keys, Read read) {
  struct Item {
    decltype(read(base)) key;
    int32_t index;
  };
  std::vector<Item> items(static_cast<size_t>(count));
  for (int32_t r = 0; r < count; ++r) items[static_cast<size_t>(r)] = {read(base + static_cast<size_t>(r) * size + keys[0].offset), r};
  std::sort(items.begin(), items.end(), [&](const Item& x, const Item& y) {
    int c = Compare3(x.key, y.key);
    if (c != 0) return keys[0].descending ? c > 0 : c < 0;
    const uint8_t* a = base + static_cast<size_t>(x.index) * size;
    const uint8_t* b = base + static_cast<size_t>(y.index) * size;
    for (size_t k = 1; k < keys.size(); ++k) {
      c = CompareCells(*keys[k].field, a + keys[k].offset, b + keys[k].offset);
      if (c != 0) return keys[k].descending ? c > 0 : c < 0;
    }
    return false;
  });
  std::vector<int32_t> order(items.size());
  for (size_t r = 0; r < items.size(); ++r) order[r] = items[r].index;
  return order;
}

}  // namespace

// ---- TDBFieldList ----

int TDBFieldList::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i)
    if (SameTextAscii(fields_[i].Name, name)) return static_cast<int>(i);
  return -1;
}

bool TDBFieldList::SameLayout(const TDBFieldList& other) const {
  if (fields_.size() != other.fields_.size()) return false;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const TDBField &a = fields_[i], &b = other.fields_[i];
    if (a.Name != b.Name || a.Type != b.Type || a.Size != b.Size) return false;
  }
  return true;
}

void TDBFieldList::Add(TDBField field) {
  offsets_.push_back(recordSize_);
  recordSize_ += field.Size;
  fields_.push_back(std::move(field));
}

void TDBFieldList::Clear() {
  fields_.clear();
  offsets_.clear();
  recordSize_ = 0;
}

// ---- TDBTable ----

int TDBTable::AddField(std::string_view name, uint8_t type, int32_t length) {
  if (type < PT_INT || type > PT_STR) return -1;
  if (type == PT_STR && length < 0) return -1;
  const int64_t size = FieldSize(type, std::min(length, MaxStringLength));
  const int32_t oldSize = fields_.RecordSize();
  if (!Fits(std::max(count_, 1), oldSize + size)) return -1;
  const int32_t newSize = static_cast<int32_t>(oldSize + size);

  // Every record grows by the field's bytes, zeroed, at its end.
  std::vector<uint8_t> grown(static_cast<size_t>(count_) * static_cast<size_t>(newSize), 0);
  if (oldSize > 0)
    for (size_t r = 0; r < static_cast<size_t>(count_); ++r)
      std::memcpy(grown.data() + r * static_cast<size_t>(newSize), data_.data() + r * static_cast<size_t>(oldSize), static_cast<size_t>(oldSize));
  data_ = std::move(grown);
  fields_.Add({static_cast<int32_t>(size), std::string(name), type});
  return fields_.Count() - 1;
}

void TDBTable::AssignLayout(const TDBFieldList& other) {
  fields_.Clear();
  data_.clear();
  for (const TDBField& f : other.fields_) fields_.Add(f);
  data_.assign(static_cast<size_t>(count_) * static_cast<size_t>(fields_.RecordSize()), 0);
}

const uint8_t* TDBTable::RecordBuffer(int record) const {
  if (record < 0 || record >= count_) return nullptr;
  return data_.data() + static_cast<size_t>(record) * static_cast<size_t>(fields_.RecordSize());
}

uint8_t* TDBTable::Cell(int record, int field) {
  return const_cast<uint8_t*>(std::as_const(*this).Cell(record, field));
}

const uint8_t* TDBTable::Cell(int record, int field) const {
  if (record < 0 || record >= count_ || field < 0 || field >= fields_.Count()) return nullptr;
  return RecordBuffer(record) + fields_.Offset(field);
}

bool TDBTable::Append() {
  if (!Fits(int64_t{count_} + 1, fields_.RecordSize())) return false;
  data_.resize(data_.size() + static_cast<size_t>(fields_.RecordSize()), 0);
  recNo_ = count_++;
  return true;
}

bool TDBTable::Delete() {
  if (recNo_ < 0 || recNo_ >= count_) return false;
  const size_t size = static_cast<size_t>(fields_.RecordSize());
  const auto at = data_.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(recNo_) * size);
  data_.erase(at, at + static_cast<ptrdiff_t>(size));
  --count_;
  if (recNo_ >= count_) recNo_ = count_ - 1;
  return false;
}

bool TDBTable::First() {
  if (count_ == 0) return false;
  recNo_ = 0;
  return true;
}

bool TDBTable::Last() {
  if (count_ == 0) return false;
  recNo_ = count_ - 1;
  return true;
}

bool TDBTable::Next() {
  if (recNo_ < 0 || recNo_ >= count_ - 1) return false;
  ++recNo_;
  return true;
}

bool TDBTable::Prior() {
  if (recNo_ < 1) return false;
  --recNo_;
  return true;
}

bool TDBTable::SetRecNo(int n) {
  if (n < 0) {
    recNo_ = -1;
    return true;
  }
  if (n >= count_) return false;
  recNo_ = n;
  return true;
}

std::optional<int32_t> TDBTable::GetInt(int record, int field) const {
  const uint8_t* p = Cell(record, field);
  if (!p) return std::nullopt;
  return ReadInt(fields_[field], p);
}

std::optional<long double> TDBTable::GetFloat(int record, int field) const {
  const uint8_t* p = Cell(record, field);
  if (!p) return std::nullopt;
  return ReadFloat(fields_[field], p);
}

std::optional<bool> TDBTable::GetBool(int record, int field) const {
  const uint8_t* p = Cell(record, field);
  if (!p) return std::nullopt;
  return ReadBool(fields_[field], p);
}

std::optional<std::string> TDBTable::GetStr(int record, int field) const {
  const uint8_t* p = Cell(record, field);
  if (!p) return std::nullopt;
  return ReadStr(fields_[field], p);
}

bool TDBTable::SetInt(int record, int field, int32_t value) {
  uint8_t* p = Cell(record, field);
  return p && WriteInt(fields_[field], p, value);
}

bool TDBTable::SetFloat(int record, int field, long double value) {
  uint8_t* p = Cell(record, field);
  return p && WriteFloat(fields_[field], p, value);
}

bool TDBTable::SetBool(int record, int field, bool value) {
  uint8_t* p = Cell(record, field);
  return p && WriteBool(fields_[field], p, value);
}

bool TDBTable::SetStr(int record, int field, std::string_view value) {
  uint8_t* p = Cell(record, field);
  return p && WriteStr(fields_[field], p, value);
}

std::vector<int32_t> TDBTable::Search(const std::vector<std::string>* names, const TDBValues* values, bool ignoreCase, bool partial, bool firstOnly) const {
  std::vector<int32_t> found;
  if (!names || !values) {
    found.resize(static_cast<size_t>(firstOnly ? std::min(count_, 1) : count_));
    for (size_t r = 0; r < found.size(); ++r) found[r] = static_cast<int32_t>(r);
    return found;
  }
  struct Condition {
    const TDBField* field;
    int32_t offset;
    size_t index;
  };
  const size_t count = std::min(names->size(), std::visit([](const auto& v) { return v.size(); }, *values));
  std::vector<Condition> conditions;
  for (size_t i = 0; i < count; ++i) {
    const int f = fields_.IndexOf((*names)[i]);
    // An unknown field stops the search at the first record: nothing matches.
    if (f < 0) return found;
    conditions.push_back({&fields_[f], fields_.Offset(f), i});
  }
  const size_t size = static_cast<size_t>(fields_.RecordSize());
  std::visit(
      [&](const auto& list) {
        using T = typename std::decay_t<decltype(list)>::value_type;
        // Upper-cased once for the partial comparison that ignores case.
        std::vector<std::string> upper;
        if constexpr (std::is_same_v<T, std::string>)
          if (partial && ignoreCase)
            for (const Condition& c : conditions) upper.push_back(AnsiUpperCase(list[c.index]));

        for (int32_t r = 0; r < count_; ++r) {
          const uint8_t* record = data_.data() + static_cast<size_t>(r) * size;
          bool match = true;
          for (size_t k = 0; k < conditions.size(); ++k) {
            const Condition& c = conditions[k];
            const uint8_t* p = record + c.offset;
            if constexpr (std::is_same_v<T, int32_t>) {
              // Read even after a mismatch: an unreadable field ends the search.
              int32_t v;
              if (c.field->Type == PT_INT) {
                v = LoadInt(p);
              } else {
                const std::optional<int32_t> read = ReadInt(*c.field, p);
                if (!read) return;
                v = *read;
              }
              match = match && v == list[c.index];
            } else if constexpr (std::is_same_v<T, long double>) {
              match = match && ReadFloat(*c.field, p) == list[c.index];
            } else if constexpr (std::is_same_v<T, bool>) {
              match = match && ReadBool(*c.field, p) == list[c.index];
            } else {
              match = match && TextMatches(*c.field, p, partial && ignoreCase ? upper[k] : list[c.index], ignoreCase, partial);
            }
          }
          if (match) {
            found.push_back(r);
            if (firstOnly) return;
          }
        }
      },
      *values);
  return found;
}

int32_t TDBTable::FindFirst(const std::vector<std::string>* names, const TDBValues* values, bool ignoreCase, bool partial) const {
  const std::vector<int32_t> found = Search(names, values, ignoreCase, partial, true);
  return found.empty() ? -1 : found.front();
}

void TDBTable::Sort(const std::vector<std::string>& names, const std::vector<bool>& descending) {
  std::vector<SortKey> keys;
  for (size_t i = 0; i < std::min(names.size(), descending.size()); ++i) {
    const int f = fields_.IndexOf(names[i]);
    if (f >= 0) keys.push_back({&fields_[f], fields_.Offset(f), descending[i]});
  }
  if (keys.empty() || count_ < 2) return;

  const size_t size = static_cast<size_t>(fields_.RecordSize());
  const uint8_t* base = data_.data();
  const TDBField& first = *keys[0].field;
  std::vector<int32_t> order;
  switch (first.Type) {
    case PT_INT: order = SortedOrder(base, size, count_, keys, [](const uint8_t* p) { return LoadInt(p); }); break;
    case PT_FLOAT: order = SortedOrder(base, size, count_, keys, [](const uint8_t* p) { return LoadFloat(p); }); break;
    case PT_BOOL: order = SortedOrder(base, size, count_, keys, [](const uint8_t* p) { return p[0] != 0; }); break;
    default: order = SortedOrder(base, size, count_, keys, [&first](const uint8_t* p) { return CellText(first, p); }); break;
  }
  std::vector<uint8_t> sorted(data_.size());
  for (size_t r = 0; r < order.size(); ++r)
    std::memcpy(sorted.data() + r * size, base + static_cast<size_t>(order[r]) * size, size);
  data_ = std::move(sorted);
}

bool TDBTable::AppendCopy(const TDBTable& source, int record) {
  const uint8_t* from = source.RecordBuffer(record);
  if (!from || source.fields_.RecordSize() != fields_.RecordSize()) return false;
  // Appending may move this table's records, and the source may be this table.
  const std::vector<uint8_t> snapshot(from, from + fields_.RecordSize());
  if (!Append()) return false;
  std::copy(snapshot.begin(), snapshot.end(), data_.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(recNo_) * snapshot.size()));
  return true;
}

bool TDBTable::LoadTsv(const std::vector<std::string>& lines) {
  Clear();
  if (lines.empty()) return false;
  TTabStrings cells;
  cells.SetLine(lines[0]);
  for (int i = 0; i < cells.Count(); ++i) {
    const auto [name, rest] = SplitAtBlank(cells.GetField(i));
    if (name.empty()) {
      Clear();
      return false;
    }
    const auto [word, more] = SplitAtBlank(rest);
    if (word == "int") {
      AddField(name, PT_INT, 0);
    } else if (word == "float") {
      AddField(name, PT_FLOAT, 0);
    } else if (word == "bool") {
      AddField(name, PT_BOOL, 0);
    } else {
      // "name 10" declares the length alone, "name str 10" after a type word.
      int32_t length = 80;
      if (!TryTextToInt(more.empty() ? word : more, length)) length = 80;
      AddField(name, PT_STR, std::max(length, 0));
    }
  }
  for (size_t k = 1; k < lines.size(); ++k) {
    if (lines[k].empty()) continue;
    cells.SetLine(UnescapeText(lines[k]));
    if (!Append()) break;
    for (int i = 0; i < std::min(cells.Count(), fields_.Count()); ++i) SetStr(recNo_, i, cells.GetField(i));
  }
  return false;
}

void TDBTable::Clear() {
  fields_.Clear();
  ClearRecords();
}

void TDBTable::ClearRecords() {
  data_.clear();
  count_ = 0;
  recNo_ = -1;
}

void TDBTable::SaveToStream(TStream& stream) const {
  WriteStreamString(stream, name_);
  WriteStreamByte(stream, kind_);
  WriteStreamInt(stream, fields_.Count());
  for (const TDBField& f : fields_.fields_) {
    WriteStreamInt(stream, f.Size);
    WriteStreamString(stream, f.Name);
    WriteStreamByte(stream, f.Type);
  }
  WriteStreamInt(stream, count_);
  stream.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
  WriteStreamInt(stream, recNo_);
}

void TDBTable::LoadFromStream(TStream& stream) {
  Clear();
  ReadStreamString(stream, name_);
  kind_ = ReadStreamByte(stream);
  // A field is at least its size, an empty name and its type.
  const int32_t fieldCount = ReadStreamCount(stream, 4 + 4 + 1);
  for (int32_t i = 0; i < fieldCount; ++i) {
    TDBField f;
    f.Size = ReadStreamInt(stream);
    ReadStreamString(stream, f.Name);
    f.Type = ReadStreamByte(stream);
    const int64_t expected = FieldSize(f.Type, f.Size - int64_t{1});
    if (expected == 0 || f.Size != expected || f.Size < 1 || !Fits(1, int64_t{fields_.RecordSize()} + f.Size))
      throw EReadError("Stream read error");
    fields_.Add(std::move(f));
  }
  const int64_t size = fields_.RecordSize();
  const int32_t count = ReadStreamCount(stream, size);
  if (!Fits(count, size)) throw EReadError("Stream read error");
  count_ = count;
  data_.resize(static_cast<size_t>(count_) * static_cast<size_t>(size));
  stream.ReadBuffer(data_.data(), static_cast<int64_t>(data_.size()));
  const int32_t current = ReadStreamInt(stream);
  recNo_ = (current >= 0 && current < count_) ? current : -1;
}

std::vector<std::string> SplitTsvLines(std::string_view text) { return SplitLines(text); }

bool LoadTsvText(TDBTable& table, std::string_view text) {
  if (text.empty()) return false;
  return table.LoadTsv(SplitTsvLines(text));
}

// ---- TDBManager ----

int TDBManager::IndexOf(std::string_view name) const {
  for (int i = 0; i < tables_.Count(); ++i)
    if (SameTextAscii(tables_[i]->Name(), name)) return i;
  return -1;
}

int TDBManager::CreateTable(std::string_view name, uint8_t kind) {
  if (name.empty() || IndexOf(name) >= 0) return -1;
  active_ = tables_.Add(std::make_unique<TDBTable>(std::string(name), kind));
  return tables_.Count() - 1;
}

bool TDBManager::DeleteTable(std::string_view name) {
  const int i = IndexOf(name);
  if (i < 0) return false;
  if (tables_[i] == active_) active_ = nullptr;
  tables_.Delete(i);
  return true;
}

bool TDBManager::SetActive(std::string_view name) {
  const int i = IndexOf(name);
  if (i < 0) return false;
  active_ = tables_[i];
  return true;
}

std::optional<TDBLocation> TDBManager::Locate(const TDBQuery& q) const {
  const int t = IndexOf(q.table);
  if (t < 0) return std::nullopt;
  TDBTable* table = tables_[t];
  const int32_t record = table->FindFirst(q.fields, q.values, q.ignoreCase, q.partial);
  const int field = table->Fields().IndexOf(q.field);
  if (record < 0 || field < 0) return std::nullopt;
  return TDBLocation{table, record, field};
}

int32_t TDBManager::DirectGetInt(const TDBQuery& q, int32_t fallback) const {
  const auto at = Locate(q);
  return at ? at->table->GetInt(at->record, at->field).value_or(fallback) : fallback;
}

long double TDBManager::DirectGetFloat(const TDBQuery& q, long double fallback) const {
  const auto at = Locate(q);
  return at ? at->table->GetFloat(at->record, at->field).value_or(fallback) : fallback;
}

bool TDBManager::DirectGetBool(const TDBQuery& q, bool fallback) const {
  const auto at = Locate(q);
  return at ? at->table->GetBool(at->record, at->field).value_or(fallback) : fallback;
}

std::string TDBManager::DirectGetStr(const TDBQuery& q, std::string fallback) const {
  const auto at = Locate(q);
  return at ? at->table->GetStr(at->record, at->field).value_or(std::move(fallback)) : fallback;
}

bool TDBManager::DirectSetInt(const TDBQuery& q, int32_t value) {
  const auto at = Locate(q);
  return at && at->table->SetInt(at->record, at->field, value);
}

bool TDBManager::DirectSetFloat(const TDBQuery& q, long double value) {
  const auto at = Locate(q);
  return at && at->table->SetFloat(at->record, at->field, value);
}

bool TDBManager::DirectSetBool(const TDBQuery& q, bool value) {
  const auto at = Locate(q);
  return at && at->table->SetBool(at->record, at->field, value);
}

bool TDBManager::DirectSetStr(const TDBQuery& q, std::string_view value) {
  const auto at = Locate(q);
  return at && at->table->SetStr(at->record, at->field, value);
}

bool TDBManager::CopyActiveTo(std::string_view name, const std::vector<int32_t>& records) {
  const int t = IndexOf(name);
  if (!active_ || t < 0 || tables_[t] == active_) return false;
  TDBTable& target = *tables_[t];
  target.Clear();
  target.AssignLayout(active_->Fields());
  for (int32_t r : records) target.AppendCopy(*active_, r);
  return true;
}

bool TDBManager::AppendToActive(std::string_view name, const std::vector<int32_t>& records) {
  const int t = IndexOf(name);
  if (!active_ || t < 0 || !tables_[t]->Fields().SameLayout(active_->Fields())) return false;
  // The indexes name the source's records as they were; appending to the source itself
  // only adds records after them.
  const TDBTable& source = *tables_[t];
  for (int32_t r : records) active_->AppendCopy(source, r);
  return true;
}

void TDBManager::ClearTemporary() {
  active_ = nullptr;
  for (int i = tables_.Count() - 1; i >= 0; --i)
    if (tables_[i]->Kind() == 0) tables_.Delete(i);
}

void TDBManager::Clear() {
  active_ = nullptr;
  tables_.Clear();
}

void TDBManager::SaveToStream(TStream& stream, uint8_t kind) const {
  WriteStreamInt(stream, kFormatVersion);
  int32_t count = 0;
  for (const auto& t : tables_) count += t->Kind() == kind;
  WriteStreamInt(stream, count);
  for (const auto& t : tables_) {
    if (t->Kind() != kind) continue;
    WriteStreamByte(stream, TDBTable::ClassId);
    t->SaveToStream(stream);
  }
  if (kind == 0) WriteStreamString(stream, active_ ? active_->Name() : std::string());
}

void TDBManager::LoadFromStream(TStream& stream, uint8_t kind) {
  ReadStreamInt(stream);  // the format version: every one reads the same
  // The smallest table: class byte, empty name, kind, no fields, no records, current record.
  const int32_t count = ReadStreamCount(stream, 1 + 4 + 1 + 4 + 4 + 4);
  std::vector<std::unique_ptr<TDBTable>> loaded;
  for (int32_t i = 0; i < count; ++i) {
    if (ReadStreamByte(stream) != TDBTable::ClassId) throw EReadError("Stream read error");
    loaded.push_back(std::make_unique<TDBTable>(std::string(), kind));
    loaded.back()->LoadFromStream(stream);
    // A table of the other kind would escape every later load and reset of its own kind.
    if (loaded.back()->Kind() != kind) throw EReadError("Stream read error");
  }
  std::string activeName;
  if (kind == 0) ReadStreamString(stream, activeName);

  // Only a stored form read to its end replaces the tables.
  active_ = nullptr;
  for (int i = tables_.Count() - 1; i >= 0; --i)
    if (tables_[i]->Kind() == kind) tables_.Delete(i);
  for (auto& t : loaded) active_ = tables_.Add(std::move(t));
  if (kind == 0) {
    const int i = IndexOf(activeName);
    active_ = i >= 0 ? tables_[i] : nullptr;
  }
}

TDBManager& DBManager() {
  static TDBManager manager;
  return manager;
}

}  // namespace orva
