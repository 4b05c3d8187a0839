#include "script/tsv_file.h"

#include <gtest/gtest.h>

#include "core/data_tables.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"

using namespace orva;

namespace {

class TsvFileTest : public ::testing::Test {
 protected:
  TsvFileTest() { table.AddField("old", PT_INT, 0); }

  kit::GameFiles files;
  kit::TestProject project;
  TDBTable table{"items", 0};
};

TEST_F(TsvFileTest, ImportsThroughTheFileManager) {
  files.Add("data\\items.tsv", "id int\tname 10\tflag bool\r\n1\tsword\tTRUE\r\n2\tshield\tFALSE\n");
  // The import reports false even when it is complete.
  EXPECT_FALSE(LoadTsvFile(table, project, "DATA\\ITEMS.TSV"));
  ASSERT_EQ(table.Fields().Count(), 3);
  EXPECT_EQ(table.Fields()[1].Size, 11);
  ASSERT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(table.GetStr(1, 1), "shield");
  EXPECT_EQ(table.GetBool(0, 2), true);
}

TEST_F(TsvFileTest, FilesTheProjectCannotProvideAndEmptyFilesLeaveTheTable) {
  files.Add("empty.tsv", "");
  files.Add("held.tsv", "id int\n1\n");
  project.unavailable.insert("held.tsv");
  for (const char* name : {"empty.tsv", "held.tsv", "missing.tsv", ""}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(LoadTsvFile(table, project, name));
    ASSERT_EQ(table.Fields().Count(), 1);
    EXPECT_EQ(table.Fields()[0].Name, "old");
  }
}

}  // namespace
