// The data-table functions, as a script calls them, over the one table manager.
#include <gtest/gtest.h>

#include "builtin_rows.h"
#include "core/data_tables.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"

using namespace orva;
using namespace orva::script_test;

namespace {

void AddPerson(TDBTable& t, int32_t id, std::string_view name, long double score, bool ok) {
  t.Append();
  t.SetIntByName("id", id);
  t.SetStrByName("name", name);
  t.SetFloatByName("score", score);
  t.SetBoolByName("ok", ok);
}

// "people" (active, current record 2): id, name, score, ok with three records; "swapped" the
// same fields in another order; "same" (a status table) the layout of people with one record.
void MakeTables() {
  TDBManager& m = DBManager();
  m.Clear();
  m.CreateTable("swapped", 0);
  TDBTable& swapped = *m.ActiveTable();
  swapped.AddField("name", PT_STR, 10);
  swapped.AddField("id", PT_INT, 0);
  swapped.AddField("score", PT_FLOAT, 0);
  swapped.AddField("ok", PT_BOOL, 0);
  m.CreateTable("same", 1);
  TDBTable& same = *m.ActiveTable();
  m.CreateTable("people", 0);
  TDBTable& people = *m.ActiveTable();
  for (TDBTable* t : {&same, &people}) {
    t->AddField("id", PT_INT, 0);
    t->AddField("name", PT_STR, 10);
    t->AddField("score", PT_FLOAT, 0);
    t->AddField("ok", PT_BOOL, 0);
  }
  AddPerson(same, 9, "Zed", 9.5L, false);
  AddPerson(people, 1, "Ann", 1.5L, true);
  AddPerson(people, 2, "bob", 2.5L, false);
  AddPerson(people, 3, "Cid", 3.5L, true);
}

class TableFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    files.Add("t.tsv", "id int\tname 10\tflag bool\r\n5\tabcdefghijklm\tTRUE\r\n6\tx\\ny\tFALSE")
        .Add("empty.tsv", "")
        .Add("t2.tsv", "id int\r\n1");
    project.unavailable.insert("t2.tsv");
  }
  void TearDown() override { DBManager().Clear(); }
  void Check(const std::vector<TStepRow>& rows) {
    CheckSteps(rows, [this](TParamCollection&, TSysFuncMan& functions) {
      MakeTables();
      functions.SetProject(&project);
    });
  }

  kit::GameFiles files;
  kit::TestProject project;
};

TEST_F(TableFunctions, TablesAndFields) {
  Check({
      // Names compare without case; a new table becomes active.
      {{}, {{"DBCreateTable(\"T\", FALSE)", "B:TRUE"}, {"DBCreateTable(\"t\", TRUE)", "B:FALSE"}, {"DBGetActive()", "S:T"}}},
      {{}, {{"DBCreateTable(\"\", FALSE)", "B:FALSE"}, {"DBGetActive()", "S:people"}}},
      {{}, {{"DBSetActive(\"SWAPPED\")", "B:TRUE"}, {"DBGetActive()", "S:swapped"}}},
      {{}, {{"DBSetActive(\"none\")", "B:FALSE"}, {"DBGetActive()", "S:people"}}},
      // Field types 1..4 only, and no negative size; a string field without a size holds
      // nothing, one of two bytes two.
      {{}, {{"DBAddField(\"x\", 5)", "B:FALSE"}, {"DBAddField(\"x\", 0)", "B:FALSE"}, {"DBAddField(\"n\", 4, -1)", "B:FALSE"}}},
      {{}, {{"DBAddField(\"s\", 4)", "B:TRUE"}, {"DBSetStr(\"s\", \"abc\")", "B:TRUE"}, {"DBGetStr(\"s\")", "S:"}}},
      {{}, {{"DBAddField(\"t\", 4, 2)", "B:TRUE"}, {"DBSetStr(\"t\", \"TRUE\")", "B:TRUE"}, {"DBGetStr(\"t\")", "S:TR"}}},
      {{}, {{"DBAddField(\"f\", 2)", "B:TRUE"}, {"DBGetFloat(\"f\")", "F:0"}}},
      {{}, {{"DBRecordCount()", "I:3"}, {"DBRecordCount(\"SAME\")", "I:1"}, {"DBRecordCount(\"none\")", "I:-1"}}},
      // DBClearTable removes the status tables too.
      {{}, {{"DBClearTable()", "B:FALSE"}, {"DBGetActive()", "S:"}, {"DBRecordCount(\"same\")", "I:-1"}}},
      // Deleting answers FALSE; another active table stays active.
      {{}, {{"DBDeleteTable(\"same\")", "B:FALSE"}, {"DBRecordCount(\"same\")", "I:-1"}, {"DBGetActive()", "S:people"}}},
      {{}, {{"DBDeleteTable()", "B:FALSE"}, {"DBGetActive()", "S:"}, {"DBRecordCount(\"people\")", "I:-1"}}},
      {{}, {{"DBDeleteTable(\"none\")", "B:FALSE"}, {"DBRecordCount(\"same\")", "I:1"}}},
  });
}

TEST_F(TableFunctions, Records) {
  Check({
      // No current record: the group B functions are FALSE and the reads neutral.
      {{}, {{"DBSetRecNo(-1)", "B:TRUE"}, {"DBGetRecNo()", "I:-1"}, {"DBSetInt(\"id\", 5)", "B:FALSE"},
            {"DBGetInt(\"id\")", "I:0"}, {"DBGetStr(\"name\")", "S:"}, {"DBDelete()", "B:FALSE"},
            {"DBCopy(\"same\")", "B:FALSE"}, {"DBRecordCount()", "I:3"}}},
      {{}, {{"DBSetRecNo(3)", "B:FALSE"}, {"DBGetRecNo()", "I:2"}, {"DBSetRecNo(0)", "B:TRUE"}, {"DBGetStr(\"name\")", "S:Ann"}}},
      // DBInsert appends a zeroed record and writes each argument by its own type.
      {{}, {{"DBInsert()", "B:TRUE"}, {"DBRecordCount()", "I:4"}, {"DBGetRecNo()", "I:3"}, {"DBGetInt(\"id\")", "I:0"},
            {"DBGetStr(\"name\")", "S:"}, {"DBGetBool(\"ok\")", "B:FALSE"}}},
      {{}, {{"DBInsert(7, \"Dee\", 4.5, TRUE, 99)", "B:TRUE"}, {"DBGetInt(\"ID\")", "I:7"}, {"DBGetStr(\"name\")", "S:Dee"},
            {"DBGetFloat(\"score\")", "F:4.5"}, {"DBGetBool(\"ok\")", "B:TRUE"}}},
      {{}, {{"DBInsert(\"8\", 1, \"2.5\", 1)", "B:TRUE"}, {"DBGetInt(\"id\")", "I:8"}, {"DBGetStr(\"name\")", "S:1"},
            {"DBGetFloat(\"score\")", "F:2.5"}, {"DBGetBool(\"ok\")", "B:TRUE"}}},
      // Deleting answers FALSE even though the record goes.
      {{}, {{"DBDelete()", "B:FALSE"}, {"DBRecordCount()", "I:2"}, {"DBGetRecNo()", "I:1"}}},
      {{}, {{"DBSetRecNo(1)", "B:TRUE"}, {"DBSetInt(\"ID\", 20)", "B:TRUE"}, {"DBGetInt(\"id\")", "I:20"},
            {"DBSetInt(\"nope\", 1)", "B:FALSE"}, {"DBGetInt(\"nope\")", "I:0"}}},
      // Reads convert from the field's type: 3.5 rounds to 4.
      {{}, {{"DBGetBool(\"ok\")", "B:TRUE"}, {"DBGetStr(\"score\")", "S:3.5"}, {"DBGetInt(\"score\")", "I:4"}}},
      {{}, {{"DBSetFloat(\"score\", 0.25)", "B:TRUE"}, {"DBSetBool(\"ok\", FALSE)", "B:TRUE"},
            {"DBSetStr(\"name\", \"abcdefghijklm\")", "B:TRUE"}, {"DBGetFloat(\"score\")", "F:0.25"},
            {"DBGetBool(\"ok\")", "B:FALSE"}, {"DBGetStr(\"name\")", "S:abcdefghij"}}},
      // The name given to DBGetRecNo is not used.
      {{}, {{"DBGetRecNo(\"same\")", "I:2"}}},
      // Clearing the records keeps the fields.
      {{}, {{"DBClearRecord()", "B:TRUE"}, {"DBRecordCount()", "I:0"}, {"DBGetRecNo()", "I:-1"}, {"DBInsert(5)", "B:TRUE"},
            {"DBGetInt(\"id\")", "I:5"}}},
      {{}, {{"DBClearRecord(\"Same\")", "B:TRUE"}, {"DBRecordCount(\"same\")", "I:0"}, {"DBClearRecord(\"none\")", "B:FALSE"},
            {"DBRecordCount()", "I:3"}}},
  });
}

// The group A and B functions answer FALSE without an active table; the reads are neutral.
TEST_F(TableFunctions, WithoutAnActiveTable) {
  std::vector<TStep> steps = {{"DBClearTable()", "B:FALSE"}};
  for (const char* call : {"DBAddField(\"x\", 1)", "DBSetRecNo(-1)", "DBInsert()", "DBDelete()", "DBFindFirst()",
                           "DBFindLast()", "DBFindNext()", "DBFindPrior()", "DBLocate(\"id\", 1)",
                           "DBLoadTsvFile(\"t.tsv\")", "DBCopyTable(\"x\")", "DBInsertTable(\"x\")", "DBCopy(\"x\")",
                           "DBSort(\"id\", FALSE)", "DBSetInt(\"id\", 1)", "DBGetBool(\"id\")", "DBDeleteTable()",
                           "DBClearRecord()"})
    steps.push_back({call, "B:FALSE"});
  for (TStep step : std::vector<TStep>{{"DBGetInt(\"id\")", "I:0"}, {"DBGetFloat(\"id\")", "F:0"},
                                      {"DBGetStr(\"id\")", "S:"}, {"DBGetActive()", "S:"},
                                      {"DBRecordCount()", "I:-1"}, {"DBGetRecNo()", "I:-1"}})
    steps.push_back(step);
  steps.push_back({"DBCreateTable(\"n\", FALSE)", "B:TRUE"});
  Check({{{}, steps}});
}

TEST_F(TableFunctions, MovingAndSearching) {
  Check({
      {{}, {{"DBFindFirst()", "B:TRUE"}, {"DBGetInt(\"id\")", "I:1"}, {"DBFindNext()", "B:TRUE"}, {"DBGetInt(\"id\")", "I:2"},
            {"DBFindLast()", "B:TRUE"}, {"DBFindNext()", "B:FALSE"}, {"DBGetInt(\"id\")", "I:3"},
            {"DBFindPrior()", "B:TRUE"}, {"DBGetInt(\"id\")", "I:2"}}},
      {{}, {{"DBFindFirst()", "B:TRUE"}, {"DBFindPrior()", "B:FALSE"}, {"DBGetRecNo()", "I:0"}}},
      {{}, {{"DBCreateTable(\"e\", FALSE)", "B:TRUE"}, {"DBFindFirst()", "B:FALSE"}, {"DBFindLast()", "B:FALSE"},
            {"DBFindNext()", "B:FALSE"}, {"DBFindPrior()", "B:FALSE"}}},
      // Locate: lists of fields and values, or scalars; no match keeps the record.
      {{"f:S[2]=name|ok", "v:S[2]=BOB|FALSE"},
       {{"DBLocate(f, v)", "B:FALSE"}, {"DBGetRecNo()", "I:2"}, {"DBLocate(f, v, TRUE)", "B:TRUE"}, {"DBGetRecNo()", "I:1"}}},
      {{}, {{"DBSetRecNo(0)", "B:TRUE"}, {"DBLocate(\"id\", 2)", "B:TRUE"}, {"DBGetRecNo()", "I:1"},
            {"DBLocate(\"score\", 3.5)", "B:TRUE"}, {"DBGetRecNo()", "I:2"}}},
      {{}, {{"DBSetRecNo(0)", "B:TRUE"}, {"DBLocate(\"name\", \"xxCidxx\", FALSE, TRUE)", "B:TRUE"}, {"DBGetRecNo()", "I:2"}}},
      {{}, {{"DBLocate(\"nope\", 1)", "B:FALSE"}, {"DBLocate(\"id\", 99)", "B:FALSE"}, {"DBGetRecNo()", "I:2"}}},
      // Sorting keeps the current record's number.
      {{"f:S[2]=ok|id", "d:B[2]=TRUE|TRUE"},
       {{"DBSort(f, d)", "B:TRUE"}, {"DBGetRecNo()", "I:2"}, {"DBFindFirst()", "B:TRUE"}, {"DBGetInt(\"id\")", "I:3"},
        {"DBFindNext()", "B:TRUE"}, {"DBGetInt(\"id\")", "I:1"}, {"DBFindLast()", "B:TRUE"}, {"DBGetInt(\"id\")", "I:2"}}},
      // Byte order: upper-case letters before lower-case ones.
      {{}, {{"DBSort(\"name\", FALSE)", "B:TRUE"}, {"DBFindLast()", "B:TRUE"}, {"DBGetStr(\"name\")", "S:bob"}}},
      // The direct functions leave the active table and its record alone.
      {{}, {{"DBDirectGetInt(\"PEOPLE\", \"name\", \"bob\", FALSE, FALSE, \"id\", -5)", "I:2"},
            {"DBDirectGetInt(\"people\", \"name\", \"BOB\", FALSE, FALSE, \"id\", -5)", "I:-5"},
            {"DBDirectGetInt(\"people\", \"name\", \"BOB\", TRUE, FALSE, \"id\", -5)", "I:2"},
            {"DBDirectGetInt(\"people\", \"name\", \"xbobx\", FALSE, TRUE, \"id\", -5)", "I:2"},
            {"DBDirectGetInt(\"none\", \"name\", \"bob\", FALSE, FALSE, \"id\", -5)", "I:-5"},
            {"DBDirectGetInt(\"people\", \"name\", \"bob\", FALSE, FALSE, \"nope\", -5)", "I:-5"},
            {"DBGetRecNo()", "I:2"}}},
      {{}, {{"DBDirectSetStr(\"Same\", \"id\", 9, FALSE, FALSE, \"name\", \"Z2\")", "B:TRUE"},
            {"DBDirectGetStr(\"same\", \"id\", 9, FALSE, FALSE, \"name\", \"?\")", "S:Z2"},
            {"DBDirectSetInt(\"same\", \"id\", 8, FALSE, FALSE, \"id\", 1)", "B:FALSE"},
            {"DBDirectSetFloat(\"people\", \"ok\", TRUE, FALSE, FALSE, \"score\", 7.25)", "B:TRUE"},
            {"DBDirectGetFloat(\"people\", \"id\", 1, FALSE, FALSE, \"score\", 0)", "F:7.25"},
            {"DBDirectSetBool(\"people\", \"id\", 2, FALSE, FALSE, \"ok\", TRUE)", "B:TRUE"},
            {"DBDirectGetBool(\"people\", \"id\", 2, FALSE, FALSE, \"ok\", FALSE)", "B:TRUE"},
            {"DBDirectGetStr(\"people\", \"id\", 99, FALSE, FALSE, \"name\", \"?\")", "S:?"}}},
  });
}

TEST_F(TableFunctions, CopyingBetweenTables) {
  Check({
      {{}, {{"DBCopyTable(\"people\")", "B:FALSE"}, {"DBCopyTable(\"none\")", "B:FALSE"}}},
      // Only a name: every record and the layout.
      {{}, {{"DBCopyTable(\"swapped\")", "B:TRUE"}, {"DBSetActive(\"swapped\")", "B:TRUE"}, {"DBRecordCount()", "I:3"},
            {"DBFindFirst()", "B:TRUE"}, {"DBGetStr(\"name\")", "S:Ann"}, {"DBGetInt(\"id\")", "I:1"},
            {"DBInsertTable(\"people\")", "B:TRUE"}}},
      {{}, {{"DBCopyTable(\"same\", \"ok\", TRUE)", "B:TRUE"}, {"DBRecordCount(\"same\")", "I:2"},
            {"DBCopyTable(\"same\", \"id\", 99)", "B:TRUE"}, {"DBRecordCount(\"same\")", "I:0"}}},
      // Another field order is another layout.
      {{}, {{"DBInsertTable(\"swapped\")", "B:FALSE"}, {"DBRecordCount()", "I:3"}, {"DBInsertTable(\"none\")", "B:FALSE"}}},
      {{}, {{"DBInsertTable(\"SAME\")", "B:TRUE"}, {"DBRecordCount()", "I:4"}, {"DBGetRecNo()", "I:3"},
            {"DBGetStr(\"name\")", "S:Zed"}}},
      {{}, {{"DBInsertTable(\"same\", \"id\", 1)", "B:TRUE"}, {"DBRecordCount()", "I:3"},
            {"DBInsertTable(\"people\", \"ok\", TRUE)", "B:TRUE"}, {"DBRecordCount()", "I:5"}}},
      {{}, {{"DBCopy(\"same\")", "B:TRUE"}, {"DBRecordCount(\"same\")", "I:2"}, {"DBGetRecNo()", "I:2"},
            {"DBCopy(\"swapped\")", "B:FALSE"}, {"DBCopy(\"none\")", "B:FALSE"}}},
      // Onto the active table itself: the copy becomes its current record.
      {{}, {{"DBSetRecNo(0)", "B:TRUE"}, {"DBCopy(\"people\")", "B:TRUE"}, {"DBRecordCount()", "I:4"},
            {"DBGetRecNo()", "I:3"}, {"DBGetStr(\"name\")", "S:Ann"}}},
  });
}

TEST_F(TableFunctions, TsvImport) {
  Check({
      // The import fills the table and still answers FALSE.
      {{}, {{"DBLoadTsvFile(\"t.tsv\")", "B:FALSE"}, {"DBRecordCount()", "I:2"}, {"DBFindFirst()", "B:TRUE"},
            {"DBGetStr(\"name\")", "S:abcdefghij"}, {"DBGetBool(\"flag\")", "B:TRUE"}, {"DBFindNext()", "B:TRUE"},
            {"DBGetStr(\"name\")", "S:x\r\ny"}}},
      // Missing, empty, unavailable and climbing names leave the table as it was.
      {{"n:S=..\\t.tsv"}, {{"DBLoadTsvFile(\"none.tsv\")", "B:FALSE"}, {"DBLoadTsvFile(\"empty.tsv\")", "B:FALSE"},
                           {"DBLoadTsvFile(\"t2.tsv\")", "B:FALSE"}, {"DBLoadTsvFile(n)", "B:FALSE"},
                           {"DBRecordCount()", "I:3"}}},
  });
}

}  // namespace
