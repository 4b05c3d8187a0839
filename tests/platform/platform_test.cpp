#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include "platform/fonts.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"
#include "platform/optical_drives.h"
#include "platform/path_resolver.h"
#include "platform/process_launch.h"
#include "platform/program_file.h"
#include "platform/resources.h"
#include "platform/temp_dir.h"

using namespace orva;

namespace {

class TempDir {
 public:
  TempDir() : path_(MakePrivateTempDirectory("orva-test-")) {}
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  const std::string& Path() const { return path_; }
  void MakeDir(const std::string& relative) const { ::mkdir((path_ + "/" + relative).c_str(), 0700); }
  void MakeFile(const std::string& relative, const std::string& bytes = "x") const {
    std::ofstream(path_ + "/" + relative, std::ios::binary) << bytes;
  }

 private:
  std::string path_;
};

}  // namespace

TEST(PathResolver, MatchesEachComponentIgnoringCase) {
  TempDir dir;
  dir.MakeDir("Bgm");
  dir.MakeFile("Bgm/Title.ogg");
  dir.MakeDir("ＤＡＴＡ");
  dir.MakeFile("ＤＡＴＡ/Ωmega.txt");
  const std::string& root = dir.Path();
  struct Case {
    std::string asked;
    std::string found;
  } cases[] = {
      {root + "\\bgm\\TITLE.OGG", root + "/Bgm/Title.ogg"},
      {root + "/BGM/title.ogg", root + "/Bgm/Title.ogg"},
      {root + "\\ｄａｔａ\\ωMEGA.TXT", root + "/ＤＡＴＡ/Ωmega.txt"},
      {root + "\\bgm\\", root + "/Bgm/"},
      // A missing component stays as written, and so does what follows it.
      {root + "\\bgm\\new\\Song.ogg", root + "/Bgm/new/Song.ogg"},
      {root + "\\nothing\\bgm", root + "/nothing/bgm"},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolvePath(c.asked), c.found) << c.asked;
}

TEST(PathResolver, ExactSpellingWinsOverAnotherCase) {
  TempDir dir;
  dir.MakeFile("a.txt", "lower");
  dir.MakeFile("A.TXT", "upper");
  EXPECT_EQ(ResolvePath(dir.Path() + "/A.TXT"), dir.Path() + "/A.TXT");
  EXPECT_EQ(ResolvePath(dir.Path() + "/a.txt"), dir.Path() + "/a.txt");
  EXPECT_EQ(ResolvePath(dir.Path() + "/A.txt"), dir.Path() + "/A.TXT");  // first in byte order
}

TEST(PathResolver, SeesEntriesAddedAfterAMiss) {
  TempDir dir;
  EXPECT_EQ(ResolvePath(dir.Path() + "/NEW.DAT"), dir.Path() + "/NEW.DAT");
  dir.MakeFile("new.dat");
  EXPECT_EQ(ResolvePath(dir.Path() + "/NEW.DAT"), dir.Path() + "/new.dat");
}

TEST(PathResolver, CaseFoldingCoversTheGamesLetters) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"abc", "ABC", true},       {"ａｂ", "ＡＢ", true},     {"αβ", "ΑΒ", true},
      {"ёж", "ЁЖ", true},         {"é", "É", false},          {"ab", "abc", false},
      {"\xFF", "\xFF", true},     {"\xFF", "\xFE", false},    {"\xE3\x81", "\xE3\x81", true},
  };
  for (const Case& c : cases) EXPECT_EQ(SameFileNameIgnoringCase(c.a, c.b), c.same) << c.a << " " << c.b;
}

TEST(OpticalDrives, ParsesIsoAndUdfMountsOnly) {
  const char* mounts =
      "/dev/sda1 / ext4 rw,relatime 0 0\n"
      "/dev/sr0 /media/user/GAME\\040DISC iso9660 ro,nosuid 0 0\n"
      "proc /proc proc rw 0 0\n"
      "/dev/sr1 /mnt/dvd/ udf ro 0 0\n"
      "broken-line\n";
  EXPECT_EQ(ParseOpticalMounts(mounts), (std::vector<std::string>{"/media/user/GAME DISC/", "/mnt/dvd/"}));
  EXPECT_TRUE(ParseOpticalMounts("").empty());
}

TEST(Resources, BlobsLinkedAtBuildTimeAreRegistered) {
  auto blob = FindResource("testdata", "embedded");
  ASSERT_TRUE(blob.has_value());
  EXPECT_EQ(std::string(blob->begin(), blob->end()), "embedded bytes\n");
}

TEST(Resources, RegisterReplaceAndRemove) {
  static const uint8_t first[] = {1, 2, 3};
  static const uint8_t second[] = {4};
  EXPECT_FALSE(FindResource("BINTYPE", "TESTRES"));
  RegisterResource("BINTYPE", "TESTRES", first);
  EXPECT_EQ(FindResource("bintype", "testres")->size(), 3u);
  RegisterResource("BINTYPE", "TESTRES", second);
  EXPECT_EQ(FindResource("BINTYPE", "TESTRES")->front(), 4);
  UnregisterResource("BINTYPE", "TESTRES");
  EXPECT_FALSE(FindResource("BINTYPE", "TESTRES"));
}

TEST(InstanceLock, SecondAcquisitionFailsAlsoInTheSameProcess) {
  TempDir dir;
  auto first = TInstanceLock::TryAcquireIn(dir.Path(), "C:-GAMES-ONE-");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(TInstanceLock::TryAcquireIn(dir.Path(), "C:-GAMES-ONE-"), nullptr);
  EXPECT_NE(TInstanceLock::TryAcquireIn(dir.Path(), "C:-GAMES-TWO-"), nullptr);
  first.reset();
  EXPECT_NE(TInstanceLock::TryAcquireIn(dir.Path(), "C:-GAMES-ONE-"), nullptr);
}

TEST(InstanceLock, AnotherProcessIsKeptOut) {
  TempDir dir;
  auto held = TInstanceLock::TryAcquireIn(dir.Path(), "name");
  ASSERT_NE(held, nullptr);
  pid_t child = ::fork();
  if (child == 0) _exit(TInstanceLock::TryAcquireIn(dir.Path(), "name") == nullptr ? 0 : 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(MessageBox, ScriptedAnswersInOrderThenNone) {
  TScriptedMessageBox script({TMsgResult::Cancel, TMsgResult::OK});
  TMessageBoxScope scope(script);
  EXPECT_EQ(MessageBoxService().Show("insert disc 2", "Game", TMsgButtons::OKCancel, TMsgIcon::None),
            TMsgResult::Cancel);
  EXPECT_EQ(MessageBoxService().Show("quit?", "Game", TMsgButtons::OKCancel, TMsgIcon::Question), TMsgResult::OK);
  EXPECT_EQ(MessageBoxService().Show("again", "Game", TMsgButtons::OKCancel, TMsgIcon::None), TMsgResult::None);
  ASSERT_EQ(script.Boxes().size(), 3u);
  EXPECT_EQ(script.Boxes()[1].text, "quit?");
  EXPECT_EQ(script.Boxes()[1].icon, TMsgIcon::Question);
}

TEST(ProgramFile, IsTheRunningExecutable) {
  std::string self = ProgramFileName();
  ASSERT_FALSE(self.empty());
  EXPECT_TRUE(IsSameFile(self, "/proc/self/exe"));
  EXPECT_FALSE(IsSameFile(self, "/nonexistent/file"));
}

TEST(ProcessLaunch, RunProgramAnswersWhetherTheProgramSucceeded) {
  EXPECT_TRUE(RunProgram({"true"}));
  EXPECT_FALSE(RunProgram({"false"}));
  EXPECT_TRUE(RunProgram({"sh", "-c", "[ \"$1\" = 'a b;$(x)' ]", "sh", "a b;$(x)"}));
  EXPECT_FALSE(RunProgram({"orva-no-such-program"}));
  EXPECT_FALSE(RunProgram({}));
}

// A started program is waited for on the side: once it ends no zombie of it is left.
TEST(ProcessLaunch, LaunchedProgramsAreReaped) {
  const int pid = LaunchProgram({"sh", "-c", "exit 3"});
  ASSERT_GT(pid, 0);
  bool gone = false;
  for (int i = 0; i < 500 && !gone; ++i) {
    gone = ::kill(pid, 0) == -1 && errno == ESRCH;
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(gone);
  EXPECT_EQ(LaunchProgram({"orva-no-such-program"}), -1);
}

TEST(TempDirectory, IsPrivateAndRemovedWithItsFiles) {
  std::string dir = MakePrivateTempDirectory("orva-test-");
  ASSERT_FALSE(dir.empty());
  struct stat st {};
  ASSERT_EQ(::stat(dir.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  std::ofstream(dir + "/~ov00000000.ogg") << "x";
  RemoveDirectoryWithFiles(dir);
  EXPECT_NE(::stat(dir.c_str(), &st), 0);
}

TEST(Fonts, ListedFamiliesAreNamedAndUnique) {
  auto fonts = ListJapaneseFonts();
  std::set<std::string> families;
  for (const TSystemFont& f : fonts) {
    EXPECT_FALSE(f.family.empty());
    EXPECT_TRUE(families.insert(f.family).second) << f.family;
  }
}
