// FileExists, LoadTextFile and the path functions, as a script calls them, over game files in
// memory and an override directory on the disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "../core/temp_dir.h"
#include "builtin_rows.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"

using namespace orva;
using namespace orva::script_test;

namespace {

const std::string kOmote = J("表");  // 95 5C: its trail byte is a backslash
const std::string kSo = J("ソ");     // 83 5C

class FileFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    files.Add("empty.txt", "")
        .Add("breakonly.txt", "\r\n")
        .Add("mixed.txt", "a\r\nb\rc\nd\n")
        .Add("blanks.txt", "\n\n")
        .Add("nul.txt", std::string("x\r\ny\0z\r\nw", 10))
        .Add("nulfirst.txt", std::string("\0abc", 4))
        .Add("hidden.txt", "secret");
    // The override directory lies two levels down, so that names climbing out of it find
    // real files.
    std::filesystem::create_directories(root.Os("game/data/sub"));
    std::filesystem::create_directories(root.Os("game/data/c:"));
    std::filesystem::create_directories(root.Os("game/data/" + SjisToUtf8(kOmote)));
    root.Write("x", "outside");
    root.Write("game/data/c:/x", "drive");
    root.Write("game/data/loose.txt", "l1\r\nl2");
    root.Write("game/data/" + SjisToUtf8(kSo), "so");
    root.Write("game/data/" + SjisToUtf8(kOmote) + "/in.txt", "one\ntwo");
    files.Manager().SetDirectory(root.Game("game\\data"));
  }

  void Check(const std::vector<TCallRow>& rows) {
    CheckRows(rows, [this](TParamCollection&, TSysFuncMan& functions) { functions.SetProject(&project); });
  }

  orva::testing::TempDir root;
  kit::GameFiles files;
  kit::TestProject project;
};

TEST_F(FileFunctions, FileExists) {
  Check({
      {{}, "FileExists(\"mixed.txt\")", "B:TRUE", {}},
      {{}, "FileExists(\"MIXED.TXT\")", "B:TRUE", {}},
      {{}, "FileExists(\"loose.txt\")", "B:TRUE", {}},
      {{}, "FileExists(\"none.txt\")", "B:FALSE", {}},
      // The empty name is never a file, though the override directory exists.
      {{}, "FileExists(\"\")", "B:FALSE", {}},
      {{"n:S=" + kSo}, "FileExists(n)", "B:TRUE", {}},
      // Names that leave the game's directories count as missing although their files exist.
      {{"n:S=..\\..\\x"}, "FileExists(n)", "B:FALSE", {}},
      {{"n:S=\\etc\\passwd"}, "FileExists(n)", "B:FALSE", {}},
      {{"n:S=/etc/passwd"}, "FileExists(n)", "B:FALSE", {}},
      {{"n:S=c:\\x"}, "FileExists(n)", "B:FALSE", {}},
      {{"n:S=\\\\server\\x"}, "FileExists(n)", "B:FALSE", {}},
      {{"n:S=sub\\..\\..\\x"}, "FileExists(n)", "B:FALSE", {}},
      // A ".." that stays inside is an ordinary name.
      {{"n:S=sub\\..\\loose.txt"}, "FileExists(n)", "B:TRUE", {}},
  });
}

TEST_F(FileFunctions, LoadTextFile) {
  project.unavailable.insert("hidden.txt");
  Check({
      {{"a:S=old"}, "LoadTextFile(a, \"mixed.txt\")", "B:TRUE", {"a:S[4]=a|b|c|d"}},
      {{"a:S=old"}, "LoadTextFile(a, \"breakonly.txt\")", "B:TRUE", {"a:S[1]="}},
      {{"a:S=old"}, "LoadTextFile(a, \"blanks.txt\")", "B:TRUE", {"a:S[2]=|"}},
      // A zero byte ends the text.
      {{"a:S=old"}, "LoadTextFile(a, \"nul.txt\")", "B:TRUE", {"a:S[2]=x|y"}},
      {{"a:S=old"}, "LoadTextFile(a, \"loose.txt\")", "B:TRUE", {"a:S[2]=l1|l2"}},
      {{"a:S=old", "n:S=" + kOmote + "\\in.txt"}, "LoadTextFile(a, n)", "B:TRUE", {"a:S[2]=one|two"}},
      // An integer array takes the lines converted.
      {{"a:I=9"}, "LoadTextFile(a, \"mixed.txt\")", "B:TRUE", {"a:I[4]=0|0|0|0"}},
      // No lines, no file, or a file the project cannot provide: FALSE, the array as it was.
      {{"a:S[2]=p|q"}, "LoadTextFile(a, \"empty.txt\")", "B:FALSE", {"a:S[2]=p|q"}},
      {{"a:S[2]=p|q"}, "LoadTextFile(a, \"nulfirst.txt\")", "B:FALSE", {"a:S[2]=p|q"}},
      {{"a:S[2]=p|q"}, "LoadTextFile(a, \"none.txt\")", "B:FALSE", {"a:S[2]=p|q"}},
      {{"a:S[2]=p|q"}, "LoadTextFile(a, \"hidden.txt\")", "B:FALSE", {"a:S[2]=p|q"}},
      {{"a:S[2]=p|q", "n:S=..\\..\\x"}, "LoadTextFile(a, n)", "B:FALSE", {"a:S[2]=p|q"}},
      {{"a:S[2]=p|q", "n:S=c:\\x"}, "LoadTextFile(a, n)", "B:FALSE", {"a:S[2]=p|q"}},
      {{"a:S[2]=p|q", "n:S=/etc/passwd"}, "LoadTextFile(a, n)", "B:FALSE", {"a:S[2]=p|q"}},
      // A constant in the array's place takes the lines and loses them.
      {{}, "LoadTextFile(\"x\", \"mixed.txt\")", "B:TRUE", {}},
  });
}

TEST_F(FileFunctions, WithoutAProjectTheFileManagerDecides) {
  CheckRows({
      {{"a:S=old"}, "LoadTextFile(a, \"hidden.txt\")", "B:TRUE", {"a:S[1]=secret"}},
      {{"a:S=old"}, "LoadTextFile(a, \"none.txt\")", "B:FALSE", {"a:S=old"}},
  });
}

TEST(PathFunctions, Table) {
  CheckRows({
      {{"s:S=a:b\\c.txt"}, "ExtractFilePath(s) ++ \"|\" ++ ExtractFileName(s) ++ \"|\" ++ ExtractFileExt(s)",
       "S:a:b\\|c.txt|.txt", {}},
      {{"s:S=dir.x\\name"}, "ExtractFileExt(s)", "S:", {}},
      {{"s:S=name"}, "ExtractFilePath(s) ++ \"|\" ++ ExtractFileName(s)", "S:|name", {}},
      {{"s:S=a.b.c"}, "ExtractFileExt(s)", "S:.c", {}},
      // A trail byte 0x5C never cuts a name.
      {{"s:S=d\\" + kOmote}, "ExtractFilePath(s) ++ \"|\" ++ ExtractFileName(s) ++ \"|\" ++ ExtractFileExt(s)",
       "S:d\\|" + kOmote + "|", {}},
      {{"s:S=" + kSo + ".txt"}, "ExtractFileName(s) ++ \"|\" ++ ExtractFilePath(s)", "S:" + kSo + ".txt|", {}},
      {{"s:S=" + kOmote}, "ChangeFileExt(s, \".dat\")", "S:" + kOmote + ".dat", {}},
      {{}, "ChangeFileExt(\"name.txt\", \".dat\")", "S:name.dat", {}},
      {{}, "ChangeFileExt(\"name\", \".dat\")", "S:name.dat", {}},
      {{"s:S=a.b\\c"}, "ChangeFileExt(s, \".d\")", "S:a.b\\c.d", {}},

      {{"s:S=a\\b"}, "IsPathDelimiter(s, 2) ++ IsPathDelimiter(s, 0) ++ IsPathDelimiter(s, 1) ++ IsPathDelimiter(s, 4)",
       "S:TRUEFALSEFALSEFALSE", {}},
      {{"s:S=" + kOmote}, "IsPathDelimiter(s, 2)", "B:FALSE", {}},
      {{"s:S=a:"}, "IsPathDelimiter(s, 2)", "B:FALSE", {}},  // only "\" is a path delimiter here
      {{}, "AddBackSlash(\"\")", "S:\\", {}},
      {{"s:S=a\\"}, "AddBackSlash(s)", "S:a\\", {}},
      {{"s:S=" + kOmote}, "AddBackSlash(s)", "S:" + kOmote + "\\", {}},
      {{"s:S=a:"}, "AddBackSlash(s)", "S:a:\\", {}},
      {{}, "IsDelimiter(\",;\", \"a;b\", 2)", "B:TRUE", {}},
      {{}, "IsDelimiter(\",;\", \"a;b\", 1) ++ IsDelimiter(\",;\", \"a;b\", 0) ++ IsDelimiter(\",;\", \"a;b\", 4)",
       "S:FALSEFALSEFALSE", {}},
      // Neither byte of a double-byte character is a single-byte delimiter.
      {{"d:S=\\\x95", "s:S=" + kOmote}, "IsDelimiter(d, s, 2) ++ IsDelimiter(d, s, 1)", "S:FALSEFALSE", {}},
  });
}

}  // namespace
