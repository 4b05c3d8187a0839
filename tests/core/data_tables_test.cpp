#include "core/data_tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/exceptions.h"
#include "core/stream.h"

using namespace orva;

namespace {

using Names = std::vector<std::string>;
using Strs = std::vector<std::string>;
using Ints = std::vector<int32_t>;

// A table with one field of every type: i int, f float, b bool, s string of length 5.
TDBTable TypedTable() {
  TDBTable t("t", 0);
  t.AddField("i", PT_INT, 0);
  t.AddField("f", PT_FLOAT, 0);
  t.AddField("b", PT_BOOL, 0);
  t.AddField("s", PT_STR, 5);
  return t;
}

// A table of (id int, name string 8) rows.
TDBTable People(const std::vector<std::pair<int32_t, std::string>>& rows, const char* name = "people") {
  TDBTable t(name, 0);
  t.AddField("id", PT_INT, 0);
  t.AddField("name", PT_STR, 8);
  for (const auto& [id, n] : rows) {
    t.Append();
    t.SetInt(t.RecNo(), 0, id);
    t.SetStr(t.RecNo(), 1, n);
  }
  return t;
}

std::vector<int32_t> IdsOf(const TDBTable& t) {
  std::vector<int32_t> ids;
  for (int r = 0; r < t.RecordCount(); ++r) ids.push_back(t.GetInt(r, 0).value());
  return ids;
}

template <size_t N>
std::string Bytes(const char (&s)[N]) {
  return std::string(s, N - 1);
}

// Find, checking that FindFirst agrees with its first index.
std::vector<int32_t> FindAll(const TDBTable& t, const Names* names, const TDBValues* values, bool ignoreCase, bool partial) {
  std::vector<int32_t> all = t.Find(names, values, ignoreCase, partial);
  EXPECT_EQ(t.FindFirst(names, values, ignoreCase, partial), all.empty() ? -1 : all.front());
  return all;
}

std::string Saved(const TDBManager& m, uint8_t kind) {
  TMemoryStream s;
  m.SaveToStream(s, kind);
  return std::string(s.View());
}

}  // namespace

TEST(DBFields, SizesOffsetsAndRefusals) {
  TDBTable t = TypedTable();
  const TDBFieldList& f = t.Fields();
  ASSERT_EQ(f.Count(), 4);
  EXPECT_EQ(f[0].Size, 4);
  EXPECT_EQ(f[1].Size, 10);
  EXPECT_EQ(f[2].Size, 1);
  EXPECT_EQ(f[3].Size, 6);
  EXPECT_EQ(f.Offset(3), 15);
  EXPECT_EQ(f.RecordSize(), 21);
  EXPECT_EQ(f.IndexOf("S"), 3);  // field names ignore ASCII case
  EXPECT_EQ(f.IndexOf("x"), -1);

  EXPECT_EQ(t.AddField("x", 5, 0), -1);
  EXPECT_EQ(t.AddField("x", PT_NONE, 0), -1);
  EXPECT_EQ(t.AddField("x", PT_STR, -1), -1);
  EXPECT_EQ(t.AddField("x", PT_INT, -1), 4);  // the length counts for strings only
  EXPECT_EQ(t.AddField("empty", PT_STR, 0), 5);
  EXPECT_EQ(f[5].Size, 1);

  TDBTable big("big", 0);
  EXPECT_EQ(big.AddField("s", PT_STR, INT32_MAX), 0);  // capped: the size still fits
  EXPECT_EQ(big.Fields().RecordSize(), INT32_MAX);
  EXPECT_EQ(big.AddField("b", PT_BOOL, 0), -1);  // the record would outgrow an int32
}

TEST(DBFields, AddingAFieldWidensRecordsWithZeros) {
  TDBTable t("t", 0);
  t.AddField("a", PT_INT, 0);
  for (int32_t v : {7, -1}) {
    t.Append();
    t.SetInt(t.RecNo(), 0, v);
  }
  t.AddField("i", PT_INT, 0);
  t.AddField("f", PT_FLOAT, 0);
  t.AddField("b", PT_BOOL, 0);
  t.AddField("s", PT_STR, 4);
  for (int r = 0; r < 2; ++r) {
    EXPECT_EQ(t.GetInt(r, 1), 0);
    EXPECT_EQ(t.GetFloat(r, 2), 0.0L);
    EXPECT_EQ(t.GetBool(r, 3), false);
    EXPECT_EQ(t.GetStr(r, 4), "");
  }
  EXPECT_EQ(IdsOf(t), (Ints{7, -1}));
}

TEST(DBFields, SameLayoutComparesNamesExactly) {
  TDBTable a = People({}), b = People({}, "other");
  EXPECT_TRUE(a.Fields().SameLayout(b.Fields()));
  TDBTable c("c", 0);
  c.AddField("ID", PT_INT, 0);
  c.AddField("name", PT_STR, 8);
  EXPECT_FALSE(a.Fields().SameLayout(c.Fields()));
  TDBTable d("d", 0);
  d.AddField("id", PT_INT, 0);
  d.AddField("name", PT_STR, 9);
  EXPECT_FALSE(a.Fields().SameLayout(d.Fields()));
}

// Each row writes one value through one setter and reads the field back in every type.
TEST(DBConversions, SetterAndGetterTable) {
  enum Set { kInt, kFloat, kBool, kStr };
  struct Case {
    int field;  // 0 i, 1 f, 2 b, 3 s (length 5)
    Set set;
    int32_t i;
    long double f;
    bool b;
    const char* s;
    int32_t asInt;
    long double asFloat;
    bool asBool;
    const char* asStr;
  } cases[] = {
      {0, kInt, -5, 0, false, "", -5, -5, true, "-5"},
      {0, kFloat, 0, 2.5L, false, "", 2, 2, true, "2"},
      {0, kFloat, 0, 3.5L, false, "", 4, 4, true, "4"},
      {0, kBool, 0, 0, true, "", 1, 1, true, "1"},
      {0, kStr, 0, 0, false, " 12", 12, 12, true, "12"},
      {0, kStr, 0, 0, false, "1.5", 0, 0, false, "0"},
      {0, kStr, 0, 0, false, "$1F", 31, 31, true, "31"},
      {1, kFloat, 0, 2.5L, false, "", 2, 2.5L, true, "2.5"},
      {1, kFloat, 0, 3.5L, false, "", 4, 3.5L, true, "3.5"},
      {1, kFloat, 0, -0.75L, false, "", -1, -0.75L, true, "-0.75"},
      {1, kInt, 9, 0, false, "", 9, 9, true, "9"},
      {1, kStr, 0, 0, false, "1e3", 1000, 1000, true, "1000"},
      {1, kStr, 0, 0, false, "x", 0, 0, false, "0"},
      {2, kInt, 7, 0, false, "", 1, 1, true, "TRUE"},
      {2, kFloat, 0, 0.0L, false, "", 0, 0, false, "FALSE"},
      {2, kStr, 0, 0, false, "TRUE", 1, 1, true, "TRUE"},
      {2, kStr, 0, 0, false, "True", 0, 0, false, "FALSE"},
      {3, kStr, 0, 0, false, "TRUE", 0, 0, true, "TRUE"},
      {3, kStr, 0, 0, false, "abcdefg", 0, 0, false, "abcde"},
      {3, kInt, -1234567, 0, false, "", -1234, -1234, false, "-1234"},
      {3, kFloat, 0, 0.5L, false, "", 0, 0.5L, false, "0.5"},
      {3, kBool, 0, 0, false, "", 0, 0, false, "FALSE"},
      {3, kStr, 0, 0, false, "42", 42, 42, false, "42"},
  };
  for (const Case& c : cases) {
    TDBTable t = TypedTable();
    t.Append();
    bool ok = c.set == kInt     ? t.SetInt(0, c.field, c.i)
              : c.set == kFloat ? t.SetFloat(0, c.field, c.f)
              : c.set == kBool  ? t.SetBool(0, c.field, c.b)
                                : t.SetStr(0, c.field, c.s);
    SCOPED_TRACE(testing::Message() << "field " << c.field << " set " << c.set << " '" << c.s << "'");
    EXPECT_TRUE(ok);
    EXPECT_EQ(t.GetInt(0, c.field), c.asInt);
    EXPECT_EQ(t.GetFloat(0, c.field), c.asFloat);
    EXPECT_EQ(t.GetBool(0, c.field), c.asBool);
    EXPECT_EQ(t.GetStr(0, c.field), c.asStr);
  }
}

TEST(DBConversions, ShortStringFieldsAndOutOfRangeAccess) {
  TDBTable t("t", 0);
  t.AddField("s", PT_STR, 3);
  t.Append();
  t.SetStr(0, 0, "TRUE");
  EXPECT_EQ(t.GetStr(0, 0), "TRU");
  EXPECT_EQ(t.GetBool(0, 0), false);
  // A cut never leaves half of a double-byte character: あい fits only あ into 3 bytes.
  t.SetStr(0, 0, "\x82\xa0\x82\xa2");
  EXPECT_EQ(t.GetStr(0, 0), "\x82\xa0");
  EXPECT_EQ(std::memcmp(t.RecordBuffer(0), "\x82\xa0\0\0", 4), 0);

  EXPECT_FALSE(t.GetInt(1, 0));
  EXPECT_FALSE(t.GetStr(0, 1));
  EXPECT_FALSE(t.GetBool(-1, 0));
  EXPECT_FALSE(t.SetInt(0, -1, 1));
  EXPECT_FALSE(t.SetStr(2, 0, "x"));
}

TEST(DBConversions, FloatsBeyondTheIntegerRangeFailAsIntegers) {
  TDBTable t = TypedTable();
  t.Append();
  t.SetFloat(0, 1, std::numeric_limits<long double>::quiet_NaN());
  EXPECT_FALSE(t.GetInt(0, 1));
  EXPECT_EQ(t.GetStr(0, 1), "NAN");
  t.SetInt(0, 0, 3);
  EXPECT_FALSE(t.SetFloat(0, 0, 1e30L));
  EXPECT_EQ(t.GetInt(0, 0), 3);
}

TEST(DBRecords, Navigation) {
  TDBTable t = People({{1, "a"}, {2, "b"}, {3, "c"}});
  EXPECT_EQ(t.RecNo(), 2);  // the last appended
  EXPECT_FALSE(t.Next());
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_TRUE(t.First());
  EXPECT_FALSE(t.Prior());
  EXPECT_TRUE(t.Next());
  EXPECT_EQ(t.RecNo(), 1);
  EXPECT_FALSE(t.SetRecNo(3));
  EXPECT_EQ(t.RecNo(), 1);
  EXPECT_TRUE(t.SetRecNo(-1));
  EXPECT_EQ(t.RecNo(), -1);
  EXPECT_EQ(t.CurrentBuffer(), nullptr);
  EXPECT_FALSE(t.Next());
  EXPECT_FALSE(t.Prior());
  EXPECT_FALSE(t.SetIntByName("id", 5));
  EXPECT_FALSE(t.GetIntByName("id"));
  EXPECT_TRUE(t.Last());
  EXPECT_EQ(t.GetIntByName("ID"), 3);
  EXPECT_FALSE(t.GetIntByName("nope"));
  EXPECT_TRUE(t.SetStrByName("Name", "zz"));
  EXPECT_EQ(t.GetStr(2, 1), "zz");

  TDBTable empty = People({});
  EXPECT_FALSE(empty.First());
  EXPECT_FALSE(empty.Last());
  EXPECT_EQ(empty.RecNo(), -1);
}

TEST(DBRecords, DeleteMovesLaterRecordsUpAndAnswersFalse) {
  TDBTable t = People({{1, "a"}, {2, "b"}, {3, "c"}});
  t.SetRecNo(1);
  EXPECT_FALSE(t.Delete());
  EXPECT_EQ(IdsOf(t), (Ints{1, 3}));
  EXPECT_EQ(t.RecNo(), 1);  // now the record that followed
  EXPECT_FALSE(t.Delete());
  EXPECT_EQ(t.RecNo(), 0);  // past the end: the new last
  EXPECT_FALSE(t.Delete());
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_EQ(t.RecNo(), -1);
  EXPECT_FALSE(t.Delete());
}

TEST(DBFind, ConditionsAsWritten) {
  TDBTable t = People({{1, "abc"}, {2, "b"}, {3, "ABC"}, {2, ""}, {5, "x"}});
  const Names id{"id"}, name{"name"}, both{"id", "name"}, unknown{"id", "nope"};
  const TDBValues two = Ints{2}, twoB = Strs{"2", "b"}, abc = Strs{"abc"}, abcd = Strs{"zabcd"};

  EXPECT_EQ(FindAll(t, nullptr, &two, false, false), (Ints{0, 1, 2, 3, 4}));  // a missing list: all
  EXPECT_EQ(FindAll(t, &id, nullptr, false, false), (Ints{0, 1, 2, 3, 4}));
  EXPECT_EQ(FindAll(t, &id, &two, false, false), (Ints{1, 3}));
  EXPECT_EQ(FindAll(t, &both, &twoB, false, false), (Ints{1}));  // the int field read as text
  EXPECT_EQ(FindAll(t, &both, &two, false, false), (Ints{1, 3}));  // the shorter list counts
  EXPECT_EQ(FindAll(t, &unknown, &twoB, false, false), Ints{});
  const TDBValues none = Ints{};
  EXPECT_EQ(FindAll(t, &id, &none, false, false), (Ints{0, 1, 2, 3, 4}));  // no condition

  EXPECT_EQ(FindAll(t, &name, &abc, false, false), (Ints{0}));
  EXPECT_EQ(FindAll(t, &name, &abc, true, false), (Ints{0, 2}));
  // Partial: the stored text occurs in the given value; an empty text occurs nowhere.
  EXPECT_EQ(FindAll(t, &name, &abcd, false, true), (Ints{0, 1}));
  EXPECT_EQ(FindAll(t, &name, &abcd, true, true), (Ints{0, 1, 2}));
  const TDBValues b = Strs{"b"};
  EXPECT_EQ(FindAll(t, &name, &b, false, true), (Ints{1}));  // not "abc": the field must be inside
}

TEST(DBFind, TypedValues) {
  TDBTable t = TypedTable();
  for (int k = 0; k < 3; ++k) {
    t.Append();
    t.SetFloat(k, 1, k * 0.5L);
    t.SetBool(k, 2, k == 1);
  }
  const Names f{"f"}, b{"B"};
  const TDBValues half = std::vector<long double>{0.5L}, yes = std::vector<bool>{true}, one = Ints{1};
  EXPECT_EQ(FindAll(t, &f, &half, false, false), (Ints{1}));
  EXPECT_EQ(FindAll(t, &b, &yes, false, false), (Ints{1}));
  EXPECT_EQ(FindAll(t, &f, &one, false, false), (Ints{2}));  // 1.0 rounds to 1; 0.5 rounds to 0
}

TEST(DBFind, UnreadableFieldEndsTheSearchKeepingEarlierMatches) {
  TDBTable t = TypedTable();
  for (long double v : {1.0L, std::numeric_limits<long double>::quiet_NaN(), 1.0L}) {
    t.Append();
    t.SetFloat(t.RecNo(), 1, v);
  }
  const Names f{"f"};
  const TDBValues one = Ints{1};
  EXPECT_EQ(FindAll(t, &f, &one, false, false), (Ints{0}));
}

TEST(DBSort, KeysDirectionsAndCurrentRecord) {
  TDBTable t = People({{5, "b"}, {INT32_MAX, "a"}, {INT32_MIN, "ab"}, {5, "a"}, {0, "\x82\xa0"}});
  t.SetRecNo(1);
  t.Sort({"id", "nope", "name"}, {false, false, true});
  EXPECT_EQ(IdsOf(t), (Ints{INT32_MIN, 0, 5, 5, INT32_MAX}));
  EXPECT_EQ(t.GetStr(2, 1), "b");  // descending by name among the 5s
  EXPECT_EQ(t.RecNo(), 1);         // the same number, another record
  EXPECT_EQ(t.GetInt(1, 0), 0);

  t.Sort({"name"}, {true});  // byte-wise: 0x82 above ASCII, a prefix first ascending
  EXPECT_EQ(t.GetStr(0, 1), "\x82\xa0");
  EXPECT_EQ(t.GetStr(1, 1), "b");
  EXPECT_EQ(t.GetStr(2, 1), "ab");
  t.Sort({"name", "id"}, {false});  // the flags list is shorter: one key
  EXPECT_EQ(t.GetStr(0, 1), "a");
  EXPECT_EQ(t.GetStr(2, 1), "ab");

  TDBTable flags("f", 0);
  flags.AddField("b", PT_BOOL, 0);
  for (bool v : {false, true, false, true}) {
    flags.Append();
    flags.SetBool(flags.RecNo(), 0, v);
  }
  flags.Sort({"b"}, {true});
  EXPECT_EQ(flags.GetBool(0, 0), true);
  EXPECT_EQ(flags.GetBool(3, 0), false);
  flags.Sort({"b"}, {false});
  EXPECT_EQ(flags.GetBool(0, 0), false);
}

TEST(DBSort, NotANumberSortsLastWithoutBreakingTheOrder) {
  TDBTable t = TypedTable();
  for (int k = 0; k < 40; ++k) {
    t.Append();
    t.SetFloat(k, 1, k % 3 == 0 ? std::numeric_limits<long double>::quiet_NaN() : static_cast<long double>(40 - k));
  }
  t.Sort({"f"}, {false});
  for (int k = 0; k + 1 < 26; ++k) EXPECT_LT(t.GetFloat(k, 1).value(), t.GetFloat(k + 1, 1).value());
  for (int k = 26; k < 40; ++k) EXPECT_EQ(t.GetStr(k, 1), "NAN");
}

TEST(DBTsv, HeadCellsAndDataLines) {
  TDBTable t("t", 0);
  t.AddField("old", PT_INT, 0);
  const std::vector<std::string> lines = {
      "id int\tname 10\tflag bool\tprice float\tnote\tlabel str 3\twide abc\tneg -3",
      "5\tabcdefghijklm\tTRUE\t1.25\ta\\nb\tlong\tw\tq",
      "",
      "6",
      "x\t\\\\y\tfalse\t\t\t\t\t\textra",
  };
  EXPECT_FALSE(t.LoadTsv(lines));  // false even after a complete import
  const TDBFieldList& f = t.Fields();
  ASSERT_EQ(f.Count(), 8);
  const uint8_t types[] = {PT_INT, PT_STR, PT_BOOL, PT_FLOAT, PT_STR, PT_STR, PT_STR, PT_STR};
  const int32_t sizes[] = {4, 11, 1, 10, 81, 4, 81, 1};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(f[i].Type, types[i]) << i;
    EXPECT_EQ(f[i].Size, sizes[i]) << i;
  }
  EXPECT_EQ(f[1].Name, "name");
  ASSERT_EQ(t.RecordCount(), 3);
  EXPECT_EQ(t.GetInt(0, 0), 5);
  EXPECT_EQ(t.GetStr(0, 1), "abcdefghij");
  EXPECT_EQ(t.GetBool(0, 2), true);
  EXPECT_EQ(t.GetFloat(0, 3), 1.25L);
  EXPECT_EQ(t.GetStr(0, 4), "a\r\nb");
  EXPECT_EQ(t.GetStr(0, 5), "lon");
  EXPECT_EQ(t.GetStr(0, 7), "");
  EXPECT_EQ(t.GetInt(1, 0), 6);
  EXPECT_EQ(t.GetStr(1, 1), "");
  EXPECT_EQ(t.GetInt(2, 0), 0);
  EXPECT_EQ(t.GetStr(2, 1), "\\y");
  EXPECT_EQ(t.GetBool(2, 2), false);
  EXPECT_EQ(t.RecNo(), 2);
}

TEST(DBTsv, EmptyNameEndsTheImportWithoutFields) {
  for (const char* head : {"id int\t\tname", "id int\t name", "id int\t"}) {
    TDBTable t = People({{1, "a"}});
    EXPECT_FALSE(t.LoadTsv({head, "1\t2"}));
    if (std::string(head) == "id int\t") {
      EXPECT_EQ(t.Fields().Count(), 1);  // a trailing TAB makes no last cell
      continue;
    }
    EXPECT_EQ(t.Fields().Count(), 0) << head;
    EXPECT_EQ(t.RecordCount(), 0) << head;
  }
  TDBTable t = People({{1, "a"}});
  EXPECT_FALSE(t.LoadTsv({}));
  EXPECT_EQ(t.Fields().Count(), 0);
}

TEST(DBTsv, TextIsCutIntoLines) {
  EXPECT_EQ(SplitTsvLines("a\r\nb\rc\nd"), (Strs{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitTsvLines("a\n\nb\r\n"), (Strs{"a", "", "b"}));
  EXPECT_EQ(SplitTsvLines(""), Strs{});

  TDBTable t = People({{1, "a"}});
  EXPECT_FALSE(LoadTsvText(t, ""));
  EXPECT_EQ(t.RecordCount(), 1);  // an empty file leaves the table alone
  EXPECT_FALSE(LoadTsvText(t, "n int\r\n1\r\n2\r\n"));
  EXPECT_EQ(IdsOf(t), (Ints{1, 2}));
}

TEST(DBManager, TablesByNameAndTheActiveTable) {
  TDBManager m;
  EXPECT_EQ(m.ActiveTable(), nullptr);
  EXPECT_EQ(m.CreateTable("Items", 0), 0);
  EXPECT_EQ(m.CreateTable("ITEMS", 1), -1);  // a name differing only in case is taken
  EXPECT_EQ(m.CreateTable("", 0), -1);
  EXPECT_EQ(m.ActiveTable()->Name(), "Items");
  EXPECT_EQ(m.CreateTable("flags", 1), 1);
  EXPECT_EQ(m.ActiveTable()->Name(), "flags");
  EXPECT_EQ(m.IndexOf("iTeMs"), 0);
  EXPECT_FALSE(m.SetActive("none"));
  EXPECT_EQ(m.ActiveTable()->Name(), "flags");
  EXPECT_TRUE(m.SetActive("ITEMS"));
  EXPECT_EQ(m.ActiveTable()->Name(), "Items");

  m.CreateTable("third", 0);
  m.SetActive("items");
  EXPECT_TRUE(m.DeleteTable("FLAGS"));
  EXPECT_EQ(m.ActiveTable()->Name(), "Items");  // another table stays active
  EXPECT_FALSE(m.DeleteTable("flags"));
  EXPECT_TRUE(m.DeleteTable("items"));
  EXPECT_EQ(m.ActiveTable(), nullptr);
  EXPECT_EQ(m.Count(), 1);
  EXPECT_THROW(m.GetTable(1), EListError);

  m.CreateTable("status", 1);
  m.ClearTemporary();
  EXPECT_EQ(m.ActiveTable(), nullptr);
  ASSERT_EQ(m.Count(), 1);
  EXPECT_EQ(m.GetTable(0)->Name(), "status");
  m.Clear();
  EXPECT_EQ(m.Count(), 0);
}

TEST(DBManager, LocateAndDirectAccess) {
  TDBManager m;
  m.CreateTable("p", 0);
  TDBTable& t = *m.ActiveTable();
  t.AddField("id", PT_INT, 0);
  t.AddField("name", PT_STR, 8);
  t.AddField("score", PT_FLOAT, 0);
  for (int32_t id : {1, 2, 2}) {
    t.Append();
    t.SetInt(t.RecNo(), 0, id);
    t.SetStr(t.RecNo(), 1, "n" + std::to_string(t.RecNo()));
  }
  const Names id{"id"};
  const TDBValues two = Ints{2}, nine = Ints{9};
  TDBQuery q{"P", &id, &two, false, false, "NAME"};
  auto at = m.Locate(q);
  ASSERT_TRUE(at);
  EXPECT_EQ(at->table, &t);
  EXPECT_EQ(at->record, 1);
  EXPECT_EQ(at->field, 1);
  EXPECT_EQ(m.DirectGetStr(q, "d"), "n1");
  EXPECT_TRUE(m.DirectSetStr(q, "set"));
  EXPECT_EQ(t.GetStr(1, 1), "set");
  EXPECT_EQ(t.GetStr(2, 1), "n2");

  q.field = "score";
  EXPECT_TRUE(m.DirectSetFloat(q, 2.5L));
  EXPECT_EQ(m.DirectGetInt(q, -1), 2);
  EXPECT_EQ(m.DirectGetBool(q, false), true);
  EXPECT_TRUE(m.DirectSetBool(q, false));
  EXPECT_TRUE(m.DirectSetInt(q, 7));
  EXPECT_EQ(m.DirectGetFloat(q, -1), 7.0L);

  TDBQuery miss = q;
  miss.values = &nine;
  EXPECT_EQ(m.DirectGetInt(miss, -1), -1);
  EXPECT_FALSE(m.DirectSetInt(miss, 1));
  miss = q;
  miss.field = "none";
  EXPECT_EQ(m.DirectGetStr(miss, "d"), "d");
  miss = q;
  miss.table = "none";
  EXPECT_FALSE(m.Locate(miss));
  miss = q;
  miss.fields = nullptr;  // every record: the first
  EXPECT_EQ(m.Locate(miss)->record, 0);
}

TEST(DBManager, CopyingBetweenTables) {
  TDBManager m;
  m.CreateTable("dst", 0);
  m.ActiveTable()->AddField("other", PT_BOOL, 0);
  m.CreateTable("src", 0);
  *m.ActiveTable() = People({{1, "a"}, {2, "b"}, {3, "c"}}, "src");
  TDBTable& src = *m.ActiveTable();

  EXPECT_FALSE(m.CopyActiveTo("src", {0}));
  EXPECT_FALSE(m.CopyActiveTo("none", {0}));
  EXPECT_TRUE(m.CopyActiveTo("DST", {2, 0}));
  TDBTable& dst = *m.GetTable(0);
  EXPECT_TRUE(dst.Fields().SameLayout(src.Fields()));
  EXPECT_EQ(IdsOf(dst), (Ints{3, 1}));
  EXPECT_EQ(dst.GetStr(0, 1), "c");
  EXPECT_EQ(dst.RecNo(), 1);

  EXPECT_TRUE(m.AppendToActive("dst", {1}));
  EXPECT_EQ(IdsOf(src), (Ints{1, 2, 3, 1}));
  EXPECT_EQ(src.RecNo(), 3);
  // Onto itself: every copy is read before the table grows.
  EXPECT_TRUE(m.AppendToActive("src", {0, 1, 2, 3}));
  EXPECT_EQ(IdsOf(src), (Ints{1, 2, 3, 1, 1, 2, 3, 1}));
  src.SetRecNo(1);
  EXPECT_TRUE(src.AppendCopy(src, src.RecNo()));  // a record copied onto its own table
  EXPECT_EQ(src.GetStr(8, 1), "b");
  EXPECT_FALSE(src.AppendCopy(src, 99));

  m.CreateTable("shape", 0);
  m.ActiveTable()->AddField("id", PT_INT, 0);
  EXPECT_FALSE(m.AppendToActive("src", {0}));
  m.SetActive("none");
  m.DeleteTable("shape");
  EXPECT_FALSE(m.AppendToActive("src", {0}));
  EXPECT_FALSE(m.CopyActiveTo("src", {0}));
}

TEST(DBStoredForm, BytesOfOneTable) {
  TDBManager m;
  m.CreateTable("T", 0);
  TDBTable& t = *m.ActiveTable();
  t.AddField("n", PT_INT, 0);
  t.AddField("s", PT_STR, 2);
  t.Append();
  t.SetInt(0, 0, 258);
  t.SetStr(0, 1, "ab");
  const std::string expected = Bytes(
      "\x64\0\0\0"            // version 100
      "\x01\0\0\0"            // one table of kind 0
      "\x00"                  // class id
      "\x01\0\0\0T" "\x00"    // name, kind
      "\x02\0\0\0"            // two fields
      "\x04\0\0\0\x01\0\0\0n\x01"
      "\x03\0\0\0\x01\0\0\0s\x04"
      "\x01\0\0\0"            // one record
      "\x02\x01\0\0" "ab\0"   // its bytes
      "\0\0\0\0"              // current record 0
      "\x01\0\0\0T");         // the active table's name
  EXPECT_EQ(Saved(m, 0), expected);
  EXPECT_EQ(Saved(m, 1), std::string("\x64\0\0\0\0\0\0\0", 8));
}

TEST(DBStoredForm, RoundTripPerKind) {
  TDBManager m;
  m.CreateTable("game", 0);
  *m.ActiveTable() = People({{1, "a"}, {-2, "\x82\xa0"}}, "game");
  m.ActiveTable()->SetRecNo(0);
  m.CreateTable("status", 1);
  TDBTable& s = *m.ActiveTable();
  s = TDBTable("status", 1);
  s.AddField("f", PT_FLOAT, 0);
  s.AddField("b", PT_BOOL, 0);
  s.Append();
  s.SetFloat(0, 0, 1.0L / 3);
  s.SetBool(0, 1, true);
  m.CreateTable("empty", 1);
  m.SetActive("GAME");

  const std::string game = Saved(m, 0), status = Saved(m, 1);
  TDBManager n;
  n.CreateTable("old game", 0);
  n.CreateTable("old status", 1);
  TMemoryStream gs(game), ss(status);
  n.LoadFromStream(gs, 0);
  EXPECT_EQ(n.ActiveTable()->Name(), "game");
  EXPECT_EQ(n.ActiveTable()->RecNo(), 0);
  n.LoadFromStream(ss, 1);
  EXPECT_EQ(n.ActiveTable()->Name(), "empty");  // the last status table, game table or not
  EXPECT_EQ(n.IndexOf("old game"), -1);
  EXPECT_EQ(n.IndexOf("old status"), -1);
  EXPECT_EQ(n.GetTable(n.IndexOf("status"))->GetFloat(0, 0), 1.0L / 3);  // all 80 bits
  EXPECT_EQ(n.GetTable(n.IndexOf("empty"))->RecNo(), -1);
  EXPECT_EQ(Saved(n, 1), status);
  n.SetActive("game");
  EXPECT_EQ(Saved(n, 0), game);

  // The active table's name may be of a status table, or of none.
  m.SetActive("status");
  TMemoryStream toStatus(Saved(m, 0));
  n.LoadFromStream(toStatus, 0);
  EXPECT_EQ(n.ActiveTable()->Name(), "status");
  m.DeleteTable("status");
  TMemoryStream toNone(Saved(m, 0));
  n.LoadFromStream(toNone, 0);
  EXPECT_EQ(n.ActiveTable(), nullptr);
}

TEST(DBStoredForm, BadDefinitionsRaiseAndKeepTheTables) {
  auto table = [](int32_t size, uint8_t type, int32_t records, std::string tail) {
    TMemoryStream s;
    WriteStreamInt(s, 100);
    WriteStreamInt(s, 1);
    WriteStreamByte(s, 0);
    WriteStreamString(s, "bad");
    WriteStreamByte(s, 0);
    WriteStreamInt(s, 1);
    WriteStreamInt(s, size);
    WriteStreamString(s, "f");
    WriteStreamByte(s, type);
    WriteStreamInt(s, records);
    s.WriteBuffer(tail.data(), static_cast<int64_t>(tail.size()));
    return std::string(s.View());
  };
  const std::string bad[] = {
      table(5, PT_INT, 0, std::string(12, '\0')),    // an int of 5 bytes
      table(4, PT_FLOAT, 0, std::string(12, '\0')),  // a float of 4
      table(2, PT_BOOL, 0, std::string(12, '\0')),
      table(0, PT_STR, 0, std::string(12, '\0')),  // a string without its zero byte
      table(-4, PT_STR, 0, std::string(12, '\0')),
      table(4, 7, 0, std::string(12, '\0')),        // no such type
      table(4, PT_INT, 4, std::string(12, '\0')),   // four records in 12 bytes
      table(4, PT_INT, -1, std::string(12, '\0')),
      std::string("\x64\0\0\0\x01\0\0\0\x01", 9) + std::string(30, '\0'),  // class 1
      std::string("\x64\0\0\0\x01\0\0\0\0\0\0\0\0\x01", 14) + std::string(30, '\0'),  // a status table
      std::string("\x64\0\0\0\xff\xff\xff\x7f", 8),                      // a huge table count
  };
  for (const std::string& bytes : bad) {
    TDBManager m;
    m.CreateTable("keep", 0);
    TMemoryStream s(bytes);
    EXPECT_THROW(m.LoadFromStream(s, 0), EReadError);
    ASSERT_EQ(m.Count(), 1);
    EXPECT_EQ(m.ActiveTable(), m.GetTable(0));
  }
  // Two int32 fields whose sizes together overflow the record size.
  TMemoryStream s;
  WriteStreamInt(s, 100);
  WriteStreamInt(s, 1);
  WriteStreamByte(s, 0);
  WriteStreamString(s, "big");
  WriteStreamByte(s, 0);
  WriteStreamInt(s, 2);
  for (int k = 0; k < 2; ++k) {
    WriteStreamInt(s, INT32_MAX - 1);
    WriteStreamString(s, "s");
    WriteStreamByte(s, PT_STR);
  }
  WriteStreamInt(s, 0);
  WriteStreamInt(s, -1);
  WriteStreamString(s, "");
  s.SetPosition(0);
  TDBManager m;
  EXPECT_THROW(m.LoadFromStream(s, 0), EReadError);

  // Records of no fields take no bytes: their count is bounded by MaxRecords alone.
  for (int32_t records : {35, TDBTable::MaxRecords, TDBTable::MaxRecords + 1}) {
    TMemoryStream z;
    WriteStreamInt(z, 100);
    WriteStreamInt(z, 1);
    WriteStreamByte(z, 0);
    WriteStreamString(z, "z");
    WriteStreamByte(z, 0);
    WriteStreamInt(z, 0);
    WriteStreamInt(z, records);
    WriteStreamInt(z, 0);
    WriteStreamString(z, "z");
    z.SetPosition(0);
    TDBManager zm;
    if (records > TDBTable::MaxRecords) {
      EXPECT_THROW(zm.LoadFromStream(z, 0), EReadError);
      continue;
    }
    zm.LoadFromStream(z, 0);
    EXPECT_EQ(zm.ActiveTable()->RecordCount(), records);
    EXPECT_EQ(Saved(zm, 0), std::string(z.View()));
    if (records == TDBTable::MaxRecords) {
      EXPECT_FALSE(zm.ActiveTable()->Append());
      EXPECT_EQ(zm.ActiveTable()->AddField("s", PT_STR, 200), -1);  // beyond MaxTableBytes
      EXPECT_EQ(zm.ActiveTable()->AddField("b", PT_BOOL, 0), 0);
    }
  }

  // A good definition with a current record past the records loads with none current.
  TMemoryStream past(table(4, PT_INT, 1, std::string("\x07\0\0\0\x05\0\0\0", 8) + std::string(4, '\0')));
  m.LoadFromStream(past, 0);
  EXPECT_EQ(m.GetTable(0)->GetInt(0, 0), 7);
  EXPECT_EQ(m.GetTable(0)->RecNo(), -1);
}
