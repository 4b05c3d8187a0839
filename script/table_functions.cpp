// The data-table functions: the script's interface to the one table manager. Most work on
// the active table; those of group A answer FALSE when no table is active, those of group B
// also when it has no current record. None raises on a missing table, record or field.

#include <optional>
#include <string>
#include <vector>

#include "core/data_tables.h"
#include "core/paths.h"
#include "script/builtin_call.h"
#include "script/param_collection.h"
#include "script/sys_func_man.h"
#include "script/tsv_file.h"

namespace orva {
namespace {

TDBTable* Active() { return DBManager().ActiveTable(); }

// Group A: the active table; none writes FALSE.
TDBTable* GroupA(TBuiltinCall& c) {
  TDBTable* table = Active();
  if (!table) c.Dest.SetAsBoolean(false);
  return table;
}

// Group B: the active table when it has a current record; otherwise FALSE.
TDBTable* GroupB(TBuiltinCall& c) {
  TDBTable* table = Active();
  if (table && table->RecNo() >= 0) return table;
  c.Dest.SetAsBoolean(false);
  return nullptr;
}

// A list of field names, and a list of values typed as the value is, from array or scalar
// values.
std::vector<std::string> NameList(const TCustomParam& value) {
  std::vector<std::string> names(static_cast<size_t>(std::max(value.GetCount(), 0)));
  for (size_t i = 0; i < names.size(); ++i) names[i] = value.GetStrItem(static_cast<int32_t>(i));
  return names;
}

template <class T, class Get>
std::vector<T> Elements(const TCustomParam& value, Get get) {
  std::vector<T> items(static_cast<size_t>(std::max(value.GetCount(), 0)));
  for (size_t i = 0; i < items.size(); ++i) items[i] = get(static_cast<int32_t>(i));
  return items;
}

TDBValues ValueList(const TCustomParam& value) {
  switch (value.GetParamType()) {
    case PT_INT: return Elements<int32_t>(value, [&](int32_t i) { return value.GetIntItem(i); });
    case PT_FLOAT: return Elements<long double>(value, [&](int32_t i) { return value.GetFloatItem(i); });
    case PT_BOOL: return Elements<bool>(value, [&](int32_t i) { return value.GetBoolItem(i); });
    default: return NameList(value);
  }
}

// The conditions of a search: fields and values from two arguments (either missing: every
// record matches) and the two flags after them (FALSE when missing).
struct TConditions {
  std::optional<std::vector<std::string>> fields;
  std::optional<TDBValues> values;
  bool ignoreCase = false, partial = false;

  TConditions(TBuiltinCall& c, size_t first) {
    if (c.Has(first + 1)) {
      fields = NameList(c.Arg(first));
      values = ValueList(c.Arg(first + 1));
    }
    ignoreCase = c.Has(first + 2) && c.Bool(first + 2);
    partial = c.Has(first + 3) && c.Bool(first + 3);
  }
  const std::vector<std::string>* Fields() const { return fields ? &*fields : nullptr; }
  const TDBValues* Values() const { return values ? &*values : nullptr; }
  std::vector<int32_t> Find(const TDBTable& table) const { return table.Find(Fields(), Values(), ignoreCase, partial); }
};

void DBCreateTable(TBuiltinCall& c) {
  c.Dest.SetAsBoolean(DBManager().CreateTable(c.Text(0), c.Bool(1) ? 1 : 0) >= 0);
}

void DBSetActive(TBuiltinCall& c) { c.Dest.SetAsBoolean(DBManager().SetActive(c.Text(0))); }

void DBAddField(TBuiltinCall& c) {
  TDBTable* table = GroupA(c);
  if (!table) return;
  const std::string name = c.Text(0);
  const int32_t type = c.Int(1), size = c.Has(2) ? c.Int(2) : 0;
  const bool valid = type >= PT_INT && type <= PT_STR;
  c.Dest.SetAsBoolean(valid && table->AddField(name, static_cast<uint8_t>(type), size) >= 0);
}

void DBSetRecNo(TBuiltinCall& c) {
  if (TDBTable* table = GroupA(c)) c.Dest.SetAsBoolean(table->SetRecNo(c.Int(0)));
}

// Each argument goes into the field of its position by the argument's own type.
void DBInsert(TBuiltinCall& c) {
  TDBTable* table = GroupA(c);
  if (!table) return;
  if (!table->Append()) {
    c.Dest.SetAsBoolean(false);
    return;
  }
  const int record = table->RecNo();
  for (size_t i = 0; i < c.Count(); ++i) {
    const int field = static_cast<int>(i);
    switch (c.Arg(i).GetParamType()) {
      case PT_INT: table->SetInt(record, field, c.Int(i)); break;
      case PT_FLOAT: table->SetFloat(record, field, c.Float(i)); break;
      case PT_BOOL: table->SetBool(record, field, c.Bool(i)); break;
      case PT_STR: table->SetStr(record, field, c.Text(i)); break;
      default: break;
    }
  }
  c.Dest.SetAsBoolean(true);
}

void DBDelete(TBuiltinCall& c) {
  if (TDBTable* table = GroupB(c)) c.Dest.SetAsBoolean(table->Delete());
}

void DBGetInt(TBuiltinCall& c) {
  const TDBTable* table = Active();
  c.Dest.SetAsInteger(table ? table->GetIntByName(c.Text(0)).value_or(0) : 0);
}

void DBGetFloat(TBuiltinCall& c) {
  const TDBTable* table = Active();
  c.Dest.SetAsFloat(table ? table->GetFloatByName(c.Text(0)).value_or(0.0L) : 0.0L);
}

void DBGetBool(TBuiltinCall& c) {
  const TDBTable* table = Active();
  c.Dest.SetAsBoolean(table ? table->GetBoolByName(c.Text(0)).value_or(false) : false);
}

void DBGetStr(TBuiltinCall& c) {
  const TDBTable* table = Active();
  c.Dest.SetAsString(table ? table->GetStrByName(c.Text(0)).value_or(std::string()) : std::string());
}

void DBSetInt(TBuiltinCall& c) {
  if (TDBTable* table = GroupB(c)) c.Dest.SetAsBoolean(table->SetIntByName(c.Text(0), c.Int(1)));
}

void DBSetFloat(TBuiltinCall& c) {
  if (TDBTable* table = GroupB(c)) c.Dest.SetAsBoolean(table->SetFloatByName(c.Text(0), c.Float(1)));
}

void DBSetBool(TBuiltinCall& c) {
  if (TDBTable* table = GroupB(c)) c.Dest.SetAsBoolean(table->SetBoolByName(c.Text(0), c.Bool(1)));
}

void DBSetStr(TBuiltinCall& c) {
  if (TDBTable* table = GroupB(c)) c.Dest.SetAsBoolean(table->SetStrByName(c.Text(0), c.Text(1)));
}

// The named table, or none.
TDBTable* Named(std::string_view name) {
  const int index = DBManager().IndexOf(name);
  return index < 0 ? nullptr : DBManager().GetTable(index);
}

void DBRecordCount(TBuiltinCall& c) {
  const TDBTable* table = c.Has(0) ? Named(c.Text(0)) : Active();
  c.Dest.SetAsInteger(table ? table->RecordCount() : -1);
}

void DBFindFirst(TBuiltinCall& c) {
  if (TDBTable* table = GroupA(c)) c.Dest.SetAsBoolean(table->First());
}

void DBFindLast(TBuiltinCall& c) {
  if (TDBTable* table = GroupA(c)) c.Dest.SetAsBoolean(table->Last());
}

void DBFindNext(TBuiltinCall& c) {
  if (TDBTable* table = GroupA(c)) c.Dest.SetAsBoolean(table->Next());
}

void DBFindPrior(TBuiltinCall& c) {
  if (TDBTable* table = GroupA(c)) c.Dest.SetAsBoolean(table->Prior());
}

// The first match becomes the current record; no match keeps the record.
void DBLocate(TBuiltinCall& c) {
  TDBTable* table = GroupA(c);
  if (!table) return;
  const TConditions conditions(c, 0);
  const int32_t first = table->FindFirst(conditions.Fields(), conditions.Values(), conditions.ignoreCase,
                                         conditions.partial);
  c.Dest.SetAsBoolean(first >= 0 && table->SetRecNo(first));
}

// The import's own answer, which is FALSE even after a complete import.
void DBLoadTsvFile(TBuiltinCall& c) {
  TDBTable* table = GroupA(c);
  if (!table) return;
  const std::string name = c.Text(0);
  c.Dest.SetAsBoolean(IsGameRelativeName(name) && LoadTsvFile(*table, c.Functions.Project(), name));
}

// table, fields, values, ignoreCase, partial, field: the query of the DBDirect functions.
struct TDirectQuery {
  std::string table, field;
  std::vector<std::string> fields;
  TDBValues values;
  TDBQuery query;

  explicit TDirectQuery(TBuiltinCall& c)
      : table(c.Text(0)), field(c.Text(5)), fields(NameList(c.Arg(1))), values(ValueList(c.Arg(2))) {
    query = {table, &fields, &values, c.Bool(3), c.Bool(4), field};
  }
};

void DBDirectGetInt(TBuiltinCall& c) { c.Dest.SetAsInteger(DBManager().DirectGetInt(TDirectQuery(c).query, c.Int(6))); }

void DBDirectSetInt(TBuiltinCall& c) { c.Dest.SetAsBoolean(DBManager().DirectSetInt(TDirectQuery(c).query, c.Int(6))); }

void DBDirectGetFloat(TBuiltinCall& c) {
  c.Dest.SetAsFloat(DBManager().DirectGetFloat(TDirectQuery(c).query, c.Float(6)));
}

void DBDirectSetFloat(TBuiltinCall& c) {
  c.Dest.SetAsBoolean(DBManager().DirectSetFloat(TDirectQuery(c).query, c.Float(6)));
}

void DBDirectGetBool(TBuiltinCall& c) { c.Dest.SetAsBoolean(DBManager().DirectGetBool(TDirectQuery(c).query, c.Bool(6))); }

void DBDirectSetBool(TBuiltinCall& c) { c.Dest.SetAsBoolean(DBManager().DirectSetBool(TDirectQuery(c).query, c.Bool(6))); }

void DBDirectGetStr(TBuiltinCall& c) { c.Dest.SetAsString(DBManager().DirectGetStr(TDirectQuery(c).query, c.Text(6))); }

void DBDirectSetStr(TBuiltinCall& c) { c.Dest.SetAsBoolean(DBManager().DirectSetStr(TDirectQuery(c).query, c.Text(6))); }

// The named table becomes the active table's layout with copies of its matching records.
void DBCopyTable(TBuiltinCall& c) {
  TDBTable* table = GroupA(c);
  if (!table) return;
  const std::vector<int32_t> matches = TConditions(c, 1).Find(*table);
  c.Dest.SetAsBoolean(DBManager().CopyActiveTo(c.Text(0), matches));
}

// A deletion answers FALSE, as does a name that no table has.
void DBDeleteTable(TBuiltinCall& c) {
  if (c.Has(0)) {
    DBManager().DeleteTable(c.Text(0));
  } else if (const TDBTable* table = Active()) {
    const std::string name = table->Name();
    DBManager().DeleteTable(name);
  }
  c.Dest.SetAsBoolean(false);
}

// The active table appends copies of the named table's matching records.
void DBInsertTable(TBuiltinCall& c) {
  if (!GroupA(c)) return;
  const std::string name = c.Text(0);
  const TDBTable* source = Named(name);
  if (!source) {
    c.Dest.SetAsBoolean(false);
    return;
  }
  const std::vector<int32_t> matches = TConditions(c, 1).Find(*source);
  c.Dest.SetAsBoolean(DBManager().AppendToActive(name, matches));
}

// The named table appends a copy of the active table's current record.
void DBCopy(TBuiltinCall& c) {
  TDBTable* table = GroupB(c);
  if (!table) return;
  TDBTable* target = Named(c.Text(0));
  const bool same = target && target->Fields().SameLayout(table->Fields());
  c.Dest.SetAsBoolean(same && target->AppendCopy(*table, table->RecNo()));
}

void DBClearTable(TBuiltinCall&) { DBManager().Clear(); }

void DBSort(TBuiltinCall& c) {
  TDBTable* table = GroupA(c);
  if (!table) return;
  const TCustomParam& directions = c.Arg(1);
  const std::vector<bool> descending =
      Elements<bool>(directions, [&](int32_t i) { return directions.GetBoolItem(i); });
  table->Sort(NameList(c.Arg(0)), descending);
  c.Dest.SetAsBoolean(true);
}

void DBGetActive(TBuiltinCall& c) {
  const TDBTable* table = Active();
  c.Dest.SetAsString(table ? table->Name() : std::string());
}

// A given name is not used: the active table answers.
void DBGetRecNo(TBuiltinCall& c) {
  const TDBTable* table = Active();
  c.Dest.SetAsInteger(table ? table->RecNo() : -1);
}

void DBClearRecord(TBuiltinCall& c) {
  TDBTable* table = c.Has(0) ? Named(c.Text(0)) : Active();
  if (table) table->ClearRecords();
  c.Dest.SetAsBoolean(table != nullptr);
}

}  // namespace

void AddTableFunctions(TBuiltinTable& t) {
  t[bfDBCreateTable] = DBCreateTable;
  t[bfDBSetActive] = DBSetActive;
  t[bfDBAddField] = DBAddField;
  t[bfDBSetRecNo] = DBSetRecNo;
  t[bfDBInsert] = DBInsert;
  t[bfDBDelete] = DBDelete;
  t[bfDBGetInt] = DBGetInt;
  t[bfDBSetInt] = DBSetInt;
  t[bfDBGetFloat] = DBGetFloat;
  t[bfDBSetFloat] = DBSetFloat;
  t[bfDBGetBool] = DBGetBool;
  t[bfDBSetBool] = DBSetBool;
  t[bfDBGetStr] = DBGetStr;
  t[bfDBSetStr] = DBSetStr;
  t[bfDBRecordCount] = DBRecordCount;
  t[bfDBFindFirst] = DBFindFirst;
  t[bfDBFindLast] = DBFindLast;
  t[bfDBFindNext] = DBFindNext;
  t[bfDBFindPrior] = DBFindPrior;
  t[bfDBLocate] = DBLocate;
  t[bfDBLoadTsvFile] = DBLoadTsvFile;
  t[bfDBDirectGetInt] = DBDirectGetInt;
  t[bfDBDirectSetInt] = DBDirectSetInt;
  t[bfDBDirectGetFloat] = DBDirectGetFloat;
  t[bfDBDirectSetFloat] = DBDirectSetFloat;
  t[bfDBDirectGetBool] = DBDirectGetBool;
  t[bfDBDirectSetBool] = DBDirectSetBool;
  t[bfDBDirectGetStr] = DBDirectGetStr;
  t[bfDBDirectSetStr] = DBDirectSetStr;
  t[bfDBCopyTable] = DBCopyTable;
  t[bfDBDeleteTable] = DBDeleteTable;
  t[bfDBInsertTable] = DBInsertTable;
  t[bfDBCopy] = DBCopy;
  t[bfDBClearTable] = DBClearTable;
  t[bfDBSort] = DBSort;
  t[bfDBGetActive] = DBGetActive;
  t[bfDBGetRecNo] = DBGetRecNo;
  t[bfDBClearRecord] = DBClearRecord;
}

}  // namespace orva
