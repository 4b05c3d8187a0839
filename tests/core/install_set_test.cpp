#include "core/install_set.h"

#include <gtest/gtest.h>

#include "core/exceptions.h"
#include "core/stream.h"
#include "temp_dir.h"

using namespace orva;
using orva::testing::TempDir;

namespace {

// An install record as an older installer wrote it: fields up to `version`, values of 4
// bytes before version 100, no tag for version 0.
std::string OldRecord(int version, const std::vector<std::string>& fileList) {
  TMemoryStream m;
  if (version > 0) WriteVersionTag(m, "is", version);
  WriteStreamInt(m, 2);        // disc number
  WriteStreamString(m, "GAME-ID");
  for (int i = 0; i < 3; ++i) WriteStreamString(m, "t");
  WriteStreamByte(m, 1);       // flag A
  WriteStreamString(m, "t5");
  WriteStreamByte(m, 0);       // flag B
  WriteStreamInt(m, 1);        // one row
  WriteStreamString(m, "t6");
  WriteStreamInt(m, 77);       // number A
  WriteStreamByte(m, 1);
  WriteStreamByte(m, 1);
  WriteStreamString(m, "t7");
  WriteStreamString(m, "t8");
  for (int i = 0; i < 8; ++i) {  // the row and the four values
    if (version >= 100)
      WriteStreamInt64(m, 0x100000000LL + i);
    else
      WriteStreamInt(m, -1 - i);
  }
  WriteStreamByte(m, 1);  // flag E
  if (version >= 101) WriteStreamByte(m, 1);
  if (version >= 102) {
    WriteStreamInt(m, static_cast<int32_t>(fileList.size()));
    for (const std::string& s : fileList) WriteStreamString(m, s);
  }
  return std::string(m.View());
}

}  // namespace

TEST(InstallSet, EveryFieldSurvivesAWriteAndARead) {
  TOrvaInstallSet record;
  record.DiscNumber = 3;
  record.GameIdentity = "ID";
  record.Text2 = "2", record.Text3 = "3", record.Text4 = "4", record.Text5 = "5", record.Text6 = "6";
  record.Text7 = "7", record.Text8 = "8", record.Text9 = "9";
  record.FlagA = 1, record.FlagB = 2, record.FlagC = 3, record.FlagD = 4, record.FlagE = 5;
  record.FlagF = 6, record.FlagG = 7, record.FlagH = 8, record.Installed = 1;
  record.NumberA = -9;
  record.Values = {{1, 2, 3, 4}, {-5, 6, 7, INT64_MAX}};
  record.FourValues = {9, 10, 11, 12};
  record.FileList = {"c:\\game\\shot.bmp"};
  record.SecondList = {"", "x"};
  TempDir dir;
  record.SaveToFile(dir.Game("install.dat"));
  EXPECT_EQ(dir.Read("install.dat").substr(0, 5), "is107");

  TOrvaInstallSet back;
  back.LoadFromFile(dir.Game("INSTALL.DAT"));
  TMemoryStream a, b;
  record.SaveToStream(a);
  back.SaveToStream(b);
  EXPECT_EQ(a.View(), b.View());
  EXPECT_EQ(back.SecondList, (std::vector<std::string>{"", "x"}));  // empty strings stay here
  EXPECT_THROW(back.LoadFromFile(dir.Game("missing.dat")), EFOpenError);
}

TEST(InstallSet, OlderVersionsKeepTheDefaultsOfLaterFields) {
  TOrvaInstallSet record;
  record.Installed = 1;
  record.FileList = {"stale"};
  TMemoryStream v100(OldRecord(100, {}));
  record.LoadFromStream(v100);
  EXPECT_EQ(record.DiscNumber, 2);
  EXPECT_EQ(record.GameIdentity, "GAME-ID");
  EXPECT_EQ(record.NumberA, 77);
  ASSERT_EQ(record.Values.size(), 1u);
  EXPECT_EQ(record.Values[0][3], 0x100000003LL);
  EXPECT_EQ(record.FourValues[3], 0x100000007LL);
  EXPECT_EQ(record.FlagF, 0);
  EXPECT_EQ(record.Installed, 0);
  EXPECT_TRUE(record.FileList.empty());
  EXPECT_TRUE(record.SecondList.empty());
  EXPECT_EQ(record.Text9, "");

  TMemoryStream v0(OldRecord(0, {}));  // no tag: 4-byte values into the low half
  record.LoadFromStream(v0);
  EXPECT_EQ(record.GameIdentity, "GAME-ID");
  EXPECT_EQ(record.Values[0][0], 0xFFFFFFFFLL);
  EXPECT_EQ(record.FourValues[3], 0xFFFFFFF8LL);
  EXPECT_EQ(record.FlagE, 1);
}

TEST(InstallSet, FileListDropsEmptyNamesAndMatchesIgnoringCase) {
  TOrvaInstallSet record;
  TMemoryStream v102(OldRecord(102, {"c:\\game\\shot.bmp", "", "b.bmp"}));
  record.LoadFromStream(v102);
  EXPECT_EQ(record.FileList, (std::vector<std::string>{"c:\\game\\shot.bmp", "b.bmp"}));
  EXPECT_EQ(record.IndexOfTextOrAdd("C:\\GAME\\SHOT.BMP"), 0);
  EXPECT_EQ(record.FileList.size(), 2u);
  EXPECT_EQ(record.IndexOfTextOrAdd("new.bmp"), 2);
  EXPECT_EQ(record.IndexOfText("missing"), -1);
}

TEST(InstallSet, HostileCountsAreRefused) {
  std::string bytes = OldRecord(102, {});
  size_t rowCount = bytes.find("t6") - 8;  // before the length of text 6
  bytes.replace(rowCount, 4, std::string("\xFF\xFF\xFF\x0F", 4));
  TMemoryStream m(bytes);
  TOrvaInstallSet record;
  EXPECT_THROW(record.LoadFromStream(m), EReadError);
}
