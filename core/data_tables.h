#pragma once
// Script data tables: named tables of typed fields over raw fixed-size records, one of them
// active, each with a current record; searched, sorted, copied between tables, filled from
// tab-separated text, and stored with the game saves (kind 0) or the status data (kind 1).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/lists.h"
#include "core/vocabulary.h"

namespace orva {

class TStream;

// Field types are the value types PT_INT, PT_FLOAT, PT_BOOL and PT_STR; a field takes 4,
// 10 (an 80-bit extended) or 1 bytes, a string field its declared length plus a zero byte.
struct TDBField {
  int32_t Size = 0;
  std::string Name;
  uint8_t Type = PT_NONE;
};

// The fields of a table in record order; changed only through its table, which keeps the
// records in step.
class TDBFieldList {
 public:
  int Count() const { return static_cast<int>(fields_.size()); }
  const TDBField& operator[](int index) const { return fields_.at(static_cast<size_t>(index)); }
  int32_t RecordSize() const { return recordSize_; }
  // Byte offset of the field in a record.
  int32_t Offset(int index) const { return offsets_.at(static_cast<size_t>(index)); }
  // ASCII case-insensitive; -1 when absent.
  int IndexOf(std::string_view name) const;
  // Same count and, field by field, the same name (exact), type and size.
  bool SameLayout(const TDBFieldList& other) const;

 private:
  friend class TDBTable;
  void Add(TDBField field);
  void Clear();

  std::vector<TDBField> fields_;
  std::vector<int32_t> offsets_;
  int32_t recordSize_ = 0;
};

// A list of typed values, compared element by element with the fields named by a search.
using TDBValues = std::variant<std::vector<int32_t>, std::vector<long double>, std::vector<bool>, std::vector<std::string>>;

class TDBTable {
 public:
  // Written before each stored table; the only class of table there is.
  static constexpr uint8_t ClassId = 0;
  // The longest declared string length: its size, length + 1, still fits an int32.
  static constexpr int32_t MaxStringLength = INT32_MAX - 1;
  // Bounds no game reaches, so that no count or size from a script or a save can ask for
  // more memory than a 32-bit process has.
  static constexpr int32_t MaxRecords = 1 << 24;
  static constexpr int64_t MaxTableBytes = INT32_MAX;

  TDBTable(std::string name, uint8_t kind) : name_(std::move(name)), kind_(kind) {}

  const std::string& Name() const { return name_; }
  uint8_t Kind() const { return kind_; }
  const TDBFieldList& Fields() const { return fields_; }

  // Appends a field; every record grows by its size in zero bytes. The length counts for
  // PT_STR only. -1 for another type, a negative length, or records that would outgrow
  // MaxTableBytes.
  int AddField(std::string_view name, uint8_t type, int32_t length);
  // Replaces the fields by copies of the other list's (records keep their count, zeroed).
  void AssignLayout(const TDBFieldList& other);

  int32_t RecordCount() const { return count_; }
  int32_t RecNo() const { return recNo_; }
  // The record's bytes, RecordSize() long; null outside the records.
  const uint8_t* RecordBuffer(int record) const;
  const uint8_t* CurrentBuffer() const { return RecordBuffer(recNo_); }

  // Appends a zero-filled record that becomes current; false beyond MaxRecords or
  // MaxTableBytes.
  bool Append();
  // Removes the current record; the next one (or the new last, or none) becomes current.
  // Always false, even after a record was removed: scripts see it so.
  bool Delete();
  bool First();
  bool Last();
  bool Next();
  bool Prior();
  // n < 0: no current record, true; n < RecordCount(): record n, true; else false.
  bool SetRecNo(int n);

  // Typed access converting between the field's type and the asked one; empty or false
  // outside the records or fields.
  std::optional<int32_t> GetInt(int record, int field) const;
  std::optional<long double> GetFloat(int record, int field) const;
  std::optional<bool> GetBool(int record, int field) const;
  std::optional<std::string> GetStr(int record, int field) const;
  bool SetInt(int record, int field, int32_t value);
  bool SetFloat(int record, int field, long double value);
  bool SetBool(int record, int field, bool value);
  bool SetStr(int record, int field, std::string_view value);

  // The same on the current record, the field found by name.
  std::optional<int32_t> GetIntByName(std::string_view field) const { return GetInt(recNo_, fields_.IndexOf(field)); }
  std::optional<long double> GetFloatByName(std::string_view field) const { return GetFloat(recNo_, fields_.IndexOf(field)); }
  std::optional<bool> GetBoolByName(std::string_view field) const { return GetBool(recNo_, fields_.IndexOf(field)); }
  std::optional<std::string> GetStrByName(std::string_view field) const { return GetStr(recNo_, fields_.IndexOf(field)); }
  bool SetIntByName(std::string_view field, int32_t value) { return SetInt(recNo_, fields_.IndexOf(field), value); }
  bool SetFloatByName(std::string_view field, long double value) { return SetFloat(recNo_, fields_.IndexOf(field), value); }
  bool SetBoolByName(std::string_view field, bool value) { return SetBool(recNo_, fields_.IndexOf(field), value); }
  bool SetStrByName(std::string_view field, std::string_view value) { return SetStr(recNo_, fields_.IndexOf(field), value); }

  // Indexes of the records whose field names[i] equals values[i] for every i below the
  // shorter list, ascending. Either list missing: every record. A name that is no field
  // matches nothing. A string comparison may be partial (the field's text occurs in the
  // value) and may ignore case.
  std::vector<int32_t> Find(const std::vector<std::string>* names, const TDBValues* values, bool ignoreCase, bool partial) const {
    return Search(names, values, ignoreCase, partial, false);
  }
  // The first index Find would give, found without reading further; -1 when none.
  int32_t FindFirst(const std::vector<std::string>* names, const TDBValues* values, bool ignoreCase, bool partial) const;
  // Orders the records by the named fields (names that are no field are skipped), each key
  // descending where its flag says so. Not stable; the current record keeps its number.
  void Sort(const std::vector<std::string>& names, const std::vector<bool>& descending);

  // Appends a copy of the source's record, which becomes current. The source may be this
  // table. False when the record does not exist or the record sizes differ.
  bool AppendCopy(const TDBTable& source, int record);

  // Replaces fields and records by a tab-separated head line ("id int", "name 10",
  // "flag bool") and data lines. Always false, even after a complete import.
  bool LoadTsv(const std::vector<std::string>& lines);

  // Removes all fields and records.
  void Clear();
  void ClearRecords();

  // Name, kind, fields, records, current record. Loading checks every field against its
  // type and every count against the bytes left, and raises EReadError otherwise.
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream);

 private:
  std::vector<int32_t> Search(const std::vector<std::string>* names, const TDBValues* values, bool ignoreCase, bool partial, bool firstOnly) const;
  uint8_t* Cell(int record, int field);
  const uint8_t* Cell(int record, int field) const;

  std::string name_;
  uint8_t kind_;
  TDBFieldList fields_;
  // The records back to back, RecordSize() bytes each.
  std::vector<uint8_t> data_;
  int32_t count_ = 0;
  int32_t recNo_ = -1;
};

// Lines of a text file as the import wants them: cut at CR LF, CR and LF; a break at the
// very end adds no empty line.
std::vector<std::string> SplitTsvLines(std::string_view text);
// The whole import of a file's text: false for an empty text, else TDBTable::LoadTsv.
bool LoadTsvText(TDBTable& table, std::string_view text);

// A field of the first record that a search finds in a named table.
struct TDBQuery {
  std::string_view table;
  const std::vector<std::string>* fields = nullptr;  // missing: every record matches
  const TDBValues* values = nullptr;                 // missing: every record matches
  bool ignoreCase = false;
  bool partial = false;
  std::string_view field;  // the field read or written
};

struct TDBLocation {
  TDBTable* table;
  int record;
  int field;
};

// Every table of the running game; one of them active.
class TDBManager {
 public:
  int Count() const { return tables_.Count(); }
  // Raises EListError outside 0..Count()-1.
  TDBTable* GetTable(int index) const { return tables_[index]; }
  // ASCII case-insensitive; -1 when absent.
  int IndexOf(std::string_view name) const;

  // Appends an empty table that becomes active and returns its index; -1 when the name is
  // empty or taken.
  int CreateTable(std::string_view name, uint8_t kind);
  // Frees the named table; another active table stays active. True when a table went.
  bool DeleteTable(std::string_view name);
  TDBTable* ActiveTable() const { return active_; }
  // False, the active table unchanged, when no table has the name.
  bool SetActive(std::string_view name);

  std::optional<TDBLocation> Locate(const TDBQuery& query) const;
  int32_t DirectGetInt(const TDBQuery& query, int32_t fallback) const;
  long double DirectGetFloat(const TDBQuery& query, long double fallback) const;
  bool DirectGetBool(const TDBQuery& query, bool fallback) const;
  std::string DirectGetStr(const TDBQuery& query, std::string fallback) const;
  bool DirectSetInt(const TDBQuery& query, int32_t value);
  bool DirectSetFloat(const TDBQuery& query, long double value);
  bool DirectSetBool(const TDBQuery& query, bool value);
  bool DirectSetStr(const TDBQuery& query, std::string_view value);

  // The named table becomes a copy of the active table's layout holding copies of the
  // listed records. False with no active table, no such table, or the active one named.
  bool CopyActiveTo(std::string_view name, const std::vector<int32_t>& records);
  // The active table appends copies of the named table's listed records (the named table
  // may be the active one). False with no active table, no such table, or other layouts.
  bool AppendToActive(std::string_view name, const std::vector<int32_t>& records);

  // The script reset: no active table, every kind-0 table freed.
  void ClearTemporary();
  void Clear();

  // The tables of one kind; kind 0 also stores the active table's name. A load replaces
  // the tables of its kind only when the whole stored form reads well and every table in
  // it is of that kind; otherwise it raises EReadError.
  void SaveToStream(TStream& stream, uint8_t kind) const;
  void LoadFromStream(TStream& stream, uint8_t kind);

 private:
  TObjList<TDBTable> tables_;
  TDBTable* active_ = nullptr;
};

// The one table manager of the program.
TDBManager& DBManager();

}  // namespace orva
