// The save-slot, display and system functions, as a script calls them: captions from the
// project, modes from a display double, the wallpaper and addresses through fake desktop
// programs on PATH that record their arguments, and captures through a picture double.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "../core/archive_builder.h"
#include "../core/temp_dir.h"
#include "builtin_rows.h"
#include "core/app_control.h"
#include "core/install_set.h"
#include "core/stream.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "script/picture_link.h"
#include "script/screen_link.h"

using namespace orva;
using namespace orva::script_test;

namespace {

// ---- Doubles ----

class TestDisplay : public TScreenLink {
 public:
  bool GetFullScreen() override { return false; }
  void SetFullScreen(bool) override {}
  int32_t GetModeCount() override { return static_cast<int32_t>(modes.size()); }
  TDisplayModeRecord GetMode(int32_t index) override { return modes.at(static_cast<size_t>(index)); }
  int32_t GetBestMode() override { return -1; }
  void SetBestMode(int32_t) override {}
  void SetMouseX(int32_t) override {}
  void SetMouseY(int32_t) override {}
  std::vector<TDisplayModeRecord> modes{{640, 480, 32, 60}, {800, 600, 16, 75}};
};

// Records every call. A capture is written as "capture <w>x<h> mode <m> <layer>"; a picture
// has `frames` frames; the failures are the test's to switch on.
class TestPictures : public TPictureLink {
 public:
  class Hold : public TPictureHold {
   public:
    Hold(TestPictures& owner, std::string name) : owner_(owner), name_(std::move(name)) { ++owner_.held; }
    ~Hold() override {
      --owner_.held;
      owner_.calls.push_back("release " + name_);
    }
    int FrameCount() override { return owner_.frames; }
    void SaveFirstFrame(const std::string& path) override {
      if (owner_.failFrame) throw EReadError("bad picture");
      std::ofstream(path, std::ios::binary) << "frame of " << name_;
      owner_.calls.push_back("frame " + name_);
    }

   private:
    TestPictures& owner_;
    std::string name_;
  };

  int32_t ScreenWidth() override { return 640; }
  int32_t ScreenHeight() override { return 480; }
  void WriteCapture(TStream& stream, bool otherLayer, int32_t width, int32_t height, int mode) override {
    const std::string text = "capture " + std::to_string(width) + "x" + std::to_string(height) + " mode " +
                             std::to_string(mode) + (otherLayer ? " other" : " shown") + " #" + std::to_string(++captures);
    stream.WriteBuffer(text.data(), static_cast<int64_t>(failCapture ? 4 : text.size()));
    if (failCapture) throw EWriteError("disk full");
  }
  void WriteScreenBmp(const std::string& path) override {
    std::ofstream(path, std::ios::binary) << "screen";
    calls.push_back("screen");
  }
  void RemoveCachedPicture(std::string_view name) override { calls.push_back("forget " + std::string(name)); }
  std::unique_ptr<TPictureHold> AcquirePicture(std::string_view name) override {
    calls.push_back("acquire " + std::string(name));
    return std::make_unique<Hold>(*this, std::string(name));
  }

  std::vector<std::string> calls;
  int frames = 1, held = 0, captures = 0;
  bool failCapture = false, failFrame = false;
};

// Desktop programs of our own first on PATH, each writing its arguments, one per line after
// their count, to a file of the test's directory.
class FakePrograms {
 public:
  FakePrograms() {
    std::filesystem::create_directories(dir.Os("bin"));
    Install("xdg-open", "urls");
    Install("gsettings", "settings");
    const char* path = std::getenv("PATH");
    oldPath_ = path ? path : "";
    ::setenv("PATH", (dir.Os("bin") + ":" + oldPath_).c_str(), 1);
    ::setenv("ORVA_TEST_RECORDS", dir.Os("").c_str(), 1);
  }
  ~FakePrograms() {
    ::setenv("PATH", oldPath_.c_str(), 1);
    ::unsetenv("ORVA_TEST_RECORDS");
  }
  // The recorded text, once it has `lines` lines (the address opener runs on its own).
  std::string Wait(const std::string& record, size_t lines) const {
    for (int i = 0; i < 500; ++i) {
      const std::string text = dir.Read(record);
      if (static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= lines) return text;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return dir.Read(record);
  }
  orva::testing::TempDir dir;

 private:
  void Install(const std::string& name, const std::string& record) const {
    dir.Write("bin/" + name,
              "#!/bin/sh\n"
              "printf '%s\\n' \"$#\" \"$@\" >> \"$ORVA_TEST_RECORDS/" + record + "\"\n"
              "[ -z \"$ORVA_TEST_FAIL\" ]\n");
    ::chmod(dir.Os("bin/" + name).c_str(), 0755);
  }
  std::string oldPath_;
};

// The call's result in a fresh store, with the project and the pictures (none: none).
std::string RunWith(kit::TestProject& project, TPictureLink* pictures, std::string_view call) {
  TParamCollection vars;
  TSysFuncMan functions(vars);
  vars.SetFunctions(&functions);
  functions.SetProject(&project);
  functions.SetPictures(pictures);
  return RunExpression(vars, call);
}

// ---- Save captions and display modes ----

TEST(SystemFunctions, SaveCaptionsAndDisplayModes) {
  kit::TestProject project;
  project.captions = {{3, "c3"}, {1, J("一")}};
  TestDisplay display;
  SetScreenLink(&display);
  const auto with = [&](TParamCollection&, TSysFuncMan& functions) { functions.SetProject(&project); };
  CheckRows({
                {{}, "GetSaveCaption(1)", "S:" + J("一"), {}},
                {{}, "GetSaveCaption(2)", "S:", {}},
                {{}, "ListSaveCaption()", "I:2", {}},
                {{"c:S=x", "s:I=7"}, "ListSaveCaption(c, s)", "I:2", {"c:S[2]=c3|" + J("一"), "s:I[2]=3|1"}},
                {{"c:S=x"}, "ListSaveCaption(c)", "I:2", {"c:S[2]=c3|" + J("一")}},
                // All four values or none.
                {{"w:I=0", "h:I=0", "b:I=0", "z:S="}, "GetDisplayMode(1, w, h, b, z)", "B:TRUE",
                 {"w:I=800", "h:I=600", "b:I=16", "z:S=75"}},
                {{"w:I=-7", "h:I=0", "b:I=0", "z:I=0"}, "GetDisplayMode(-1, w, h, b, z)", "B:FALSE", {"w:I=-7"}},
                {{"w:I=-7", "h:I=0", "b:I=0", "z:I=0"}, "GetDisplayMode(2, w, h, b, z)", "B:FALSE", {"w:I=-7"}},
            },
            with);
  // No captions: the count is 0 and the arrays stay as they were.
  project.captions.clear();
  CheckRows({{{"c:S[2]=p|q", "s:I=7"}, "ListSaveCaption(c, s)", "I:0", {"c:S[2]=p|q", "s:I=7"}},
             {{}, "GetSaveCaption(3)", "S:", {}}},
            with);
  // Without a display there are no modes.
  SetScreenLink(nullptr);
  CheckRows({{{"w:I=-7"}, "GetDisplayMode(0, w, w, w, w)", "B:FALSE", {"w:I=-7"}}});
}

// ---- Addresses ----

TEST(SystemFunctions, OpenUrlHandsTheAddressOverAsOneArgument) {
  FakePrograms programs;
  TParamCollection vars;
  TSysFuncMan functions(vars);
  vars.SetFunctions(&functions);
  // Not http or ftp, byte for byte: nothing is opened.
  for (const char* url : {"HTTP://example.com/", "Ftp://example.com/", "mailto:a@b", "", " http://x"})
    EXPECT_EQ(RunExpression(vars, std::string("OpenUrl(\"") + url + "\")"), "B:FALSE");
  MakeVariable(vars, "u:S=" + std::string("http://example.com/a b?q='1'&r=\"2\";rm -rf x;$(touch pwned)`id`") + J("例"));
  EXPECT_EQ(RunExpression(vars, "OpenUrl(u)"), "B:FALSE");
  EXPECT_EQ(programs.Wait("urls", 2),
            "1\nhttp://example.com/a b?q='1'&r=\"2\";rm -rf x;$(touch pwned)`id`例\n");
  EXPECT_EQ(RunExpression(vars, "OpenUrl(\"ftp://host/f\")"), "B:FALSE");
  EXPECT_EQ(programs.Wait("urls", 4),
            "1\nhttp://example.com/a b?q='1'&r=\"2\";rm -rf x;$(touch pwned)`id`例\n1\nftp://host/f\n");
  EXPECT_FALSE(std::filesystem::exists("pwned"));
}

// ---- Wallpaper ----

class Wallpaper : public ::testing::Test {
 protected:
  void SetUp() override {
    files.Add("pic.vsk", "picture");
    project.unavailable.insert("gone.vsk");
    files.Add("gone.vsk", "picture");
    Keep("XDG_DATA_HOME", programs.dir.Os("data"));
    Keep("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
  }
  void TearDown() override {
    for (auto& [name, value] : saved_) {
      if (value) ::setenv(name.c_str(), value->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }
  void Keep(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  std::string Run(std::string_view call, bool withPictures = true) {
    return RunWith(project, withPictures ? &pictures : nullptr, call);
  }
  std::string File() const { return programs.dir.Os("data/orva-player/orvawall.bmp"); }
  std::string Settings(const std::string& options) const {
    const std::string uri = "file://" + File();
    return "4\nset\norg.gnome.desktop.background\npicture-uri\n" + uri + "\n4\nset\norg.gnome.desktop.background\n"
           "picture-uri-dark\n" + uri + "\n4\nset\norg.gnome.desktop.background\npicture-options\n" + options + "\n";
  }

  FakePrograms programs;
  kit::GameFiles files;
  kit::TestProject project;
  TestPictures pictures;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(Wallpaper, TheShownScreenOrAGamePictureWithEachStyle) {
  EXPECT_EQ(Run("SetWallPaper(\"\", 2)"), "B:TRUE");
  EXPECT_EQ(programs.dir.Read("data/orva-player/orvawall.bmp"), "screen");
  EXPECT_EQ(programs.dir.Read("settings"), Settings("stretched"));

  EXPECT_EQ(Run("SetWallPaper(\"PIC.vsk\", 1)"), "B:TRUE");
  EXPECT_EQ(programs.dir.Read("data/orva-player/orvawall.bmp"), "frame of PIC.vsk");
  EXPECT_EQ(pictures.calls, (std::vector<std::string>{"screen", "acquire PIC.vsk", "frame PIC.vsk", "release PIC.vsk"}));
  EXPECT_EQ(programs.dir.Read("settings"), Settings("stretched") + Settings("wallpaper"));

  const std::pair<int, const char*> styles[] = {{0, "centered"}, {-3, "centered"}, {7, "stretched"}};
  for (const auto& [style, options] : styles) {
    std::filesystem::remove(programs.dir.Os("settings"));
    EXPECT_EQ(Run("SetWallPaper(\"\", " + std::to_string(style) + ")"), "B:TRUE");
    EXPECT_EQ(programs.dir.Read("settings"), Settings(options)) << style;
  }
}

TEST_F(Wallpaper, TheDesktopsAnswer) {
  ::setenv("ORVA_TEST_FAIL", "1", 1);
  EXPECT_EQ(Run("SetWallPaper(\"\", 0)"), "B:FALSE");
  ::unsetenv("ORVA_TEST_FAIL");
  // Another desktop: the picture is written, and nothing sets it.
  std::filesystem::remove(programs.dir.Os("settings"));
  ::setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
  EXPECT_EQ(Run("SetWallPaper(\"\", 0)"), "B:FALSE");
  ::unsetenv("XDG_CURRENT_DESKTOP");
  EXPECT_EQ(Run("SetWallPaper(\"\", 0)"), "B:FALSE");
  EXPECT_FALSE(programs.dir.Exists("settings"));
}

// The picture is released on every path; pictures that cannot be had write nothing.
TEST_F(Wallpaper, PicturesThatCannotBeUsed) {
  pictures.frames = 0;
  EXPECT_EQ(Run("SetWallPaper(\"pic.vsk\", 0)"), "B:FALSE");
  EXPECT_EQ(pictures.calls, (std::vector<std::string>{"acquire pic.vsk", "release pic.vsk"}));
  pictures.frames = 1;
  pictures.failFrame = true;
  EXPECT_EQ(Run("SetWallPaper(\"pic.vsk\", 0)"), "!bad picture");
  EXPECT_EQ(pictures.held, 0);
  pictures.calls.clear();
  for (const char* name : {"gone.vsk", "none.vsk", "..\\\\pic.vsk", "c:\\\\pic.vsk"})
    EXPECT_EQ(Run(std::string("SetWallPaper(\"") + name + "\", 0)"), "B:FALSE") << name;
  EXPECT_EQ(Run("SetWallPaper(\"\", 0)", false), "B:FALSE");
  EXPECT_TRUE(pictures.calls.empty());
  EXPECT_FALSE(programs.dir.Exists("settings"));
}

// ---- Screen captures ----

class Captures : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir.Os("game/shots"));
    files.Manager().SetDirectory(dir.Game("game"));
    for (const std::string& path : ExitDeleteFileList()) kept_.push_back(path);
  }
  void TearDown() override { EXPECT_TRUE(ExitDeleteFileList() == kept_); }
  std::string Run(std::string_view call, bool withPictures = true) {
    return RunWith(project, withPictures ? &pictures : nullptr, call);
  }
  std::string Load(std::string_view name) {
    TMemoryStream bytes;
    files.Manager().LoadToStream(bytes, name);
    return std::string(bytes.View());
  }
  // The directory's entries, to see that nothing was left behind.
  std::vector<std::string> Entries(const std::string& sub) const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Os(sub))) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  orva::testing::TempDir dir;
  kit::GameFiles files;
  kit::TestProject project;
  TestPictures pictures;
  std::vector<std::string> kept_;
};

TEST_F(Captures, FilesOfTheOverrideDirectory) {
  EXPECT_EQ(Run("SaveScreen(\"shots\\\\a.vsk\")"), "B:TRUE");
  EXPECT_EQ(dir.Read("game/shots/a.vsk"), "capture 640x480 mode 0 shown #1");
  EXPECT_EQ(pictures.calls, (std::vector<std::string>{"forget shots\\a.vsk"}));
  // Size 0 is the screen's; the other layer when asked.
  EXPECT_EQ(Run("SaveScreen(\"b.VSK\", 320, 0, TRUE)"), "B:TRUE");
  EXPECT_EQ(dir.Read("game/b.VSK"), "capture 320x480 mode 0 other #2");
  EXPECT_EQ(Run("SaveScreen(\"b.vsk\", 0, 100)"), "B:TRUE");
  EXPECT_EQ(dir.Read("game/b.VSK"), "capture 640x100 mode 0 shown #3");
  // A later load reads the new picture, not the cached old one.
  EXPECT_EQ(Load("b.vsk"), "capture 640x100 mode 0 shown #3");
  EXPECT_EQ(Run("SaveScreen(\"b.vsk\", 10, 10)"), "B:TRUE");
  EXPECT_EQ(Load("b.vsk"), "capture 10x10 mode 0 shown #4");
}

TEST_F(Captures, RefusedWithoutWritingAnything) {
  dir.Write("game/old.vsk", "old");
  for (const char* call : {"SaveScreen(\"x.bmp\")", "SaveScreen(\"x\")", "SaveScreen(\"x.vsk\", -1)",
                           "SaveScreen(\"x.vsk\", 0, -5)", "SaveScreen(\"..\\\\x.vsk\")",
                           "SaveScreen(\"\\\\x.vsk\")", "SaveScreen(\"c:\\\\x.vsk\")",
                           "SaveScreen(\"x.vsk\", 100000, 100000)"})
    EXPECT_EQ(Run(call), "B:FALSE") << call;
  EXPECT_EQ(pictures.captures, 0);
  EXPECT_EQ(Run("SaveScreen(\"x.vsk\")", false), "B:FALSE");
  // A missing folder, or a capture that fails part-way: FALSE, and no file is left, the old
  // one untouched.
  EXPECT_EQ(Run("SaveScreen(\"nodir\\\\x.vsk\")"), "B:FALSE");
  pictures.failCapture = true;
  EXPECT_EQ(Run("SaveScreen(\"old.vsk\")"), "B:FALSE");
  EXPECT_EQ(Run("SaveScreen(\"mem:old.vsk\")"), "B:FALSE");
  EXPECT_EQ(dir.Read("game/old.vsk"), "old");
  EXPECT_EQ(Entries("game"), (std::vector<std::string>{"old.vsk", "shots"}));
  EXPECT_EQ(files.Manager().FindEntry("mem:old.vsk"), nullptr);
  EXPECT_TRUE(pictures.calls.empty());
  // No override directory.
  pictures.failCapture = false;
  files.Manager().SetDirectory(dir.Game("missing"));
  EXPECT_EQ(Run("SaveScreen(\"x.vsk\")"), "B:FALSE");
  EXPECT_EQ(pictures.captures, 3);
}

TEST_F(Captures, InMemoryEntriesThatLaterLoadsRead) {
  EXPECT_EQ(Run("SaveScreen(\"MEM:shot.vsk\", 0, 0, FALSE, 1)"), "B:TRUE");
  EXPECT_EQ(Load("mem:SHOT.vsk"), "capture 640x480 mode 1 shown #1");
  EXPECT_EQ(Run("SaveScreen(\"mem:shot.vsk\", 2, 2)"), "B:TRUE");
  EXPECT_EQ(Load("mem:shot.vsk"), "capture 2x2 mode 1 shown #2");
  EXPECT_EQ(files.Manager().GetCollection(0).Count(), 1);
  EXPECT_EQ(Entries("game"), (std::vector<std::string>{"shots"}));
  EXPECT_EQ(pictures.calls, (std::vector<std::string>{"forget MEM:shot.vsk", "forget mem:shot.vsk"}));
  // A capture that fails keeps the entry as it was.
  pictures.failCapture = true;
  EXPECT_EQ(Run("SaveScreen(\"mem:shot.vsk\")"), "B:FALSE");
  EXPECT_EQ(Load("mem:shot.vsk"), "capture 2x2 mode 1 shown #2");
  pictures.failCapture = false;
  // An entry of an archive on the disk is left alone: the in-memory archive, searched first,
  // gets an entry of its own.
  orva::testing::WriteArchiveFile(dir.Game("game.dat"), {{"mem:disk.vsk", "on disk"}});
  ASSERT_GE(files.Manager().AddArchive(dir.Game("game.dat")), 0);
  EXPECT_EQ(Load("mem:disk.vsk"), "on disk");
  EXPECT_EQ(Run("SaveScreen(\"mem:disk.vsk\")"), "B:TRUE");
  EXPECT_EQ(Load("mem:disk.vsk"), "capture 640x480 mode 1 shown #4");
  EXPECT_NE(files.Manager().GetCollection(0).Find("mem:disk.vsk"), nullptr);
  EXPECT_FALSE(files.Manager().GetCollection(1).Find("mem:disk.vsk")->InMemory());
  // Without the in-memory archive nothing can hold the entry.
  files.Manager().Clear();
  EXPECT_EQ(Run("SaveScreen(\"mem:shot.vsk\")"), "B:FALSE");
}

TEST_F(Captures, ListedForDeletionAtExitOnce) {
  const std::string path = dir.Game("game\\a.vsk");
  EXPECT_EQ(Run("SaveScreen(\"a.vsk\", 0, 0, FALSE, 1)"), "B:TRUE");
  EXPECT_EQ(Run("SaveScreen(\"A.VSK\", 0, 0, FALSE, 1)"), "B:TRUE");
  EXPECT_EQ(Run("SaveScreen(\"b.vsk\", 0, 0, FALSE, 3)"), "B:TRUE");
  std::vector<std::string> expected = kept_;
  expected.push_back(path);
  EXPECT_EQ(ExitDeleteFileList(), expected);
  DeleteExitFiles();
  EXPECT_FALSE(dir.Exists("game/a.vsk"));
  EXPECT_TRUE(dir.Exists("game/b.vsk"));
  kept_.clear();
}

TEST_F(Captures, AddedToAnInstallRecordThatExists) {
  // Without one none is made.
  EXPECT_EQ(Run("SaveScreen(\"a.vsk\", 0, 0, FALSE, 2)"), "B:TRUE");
  EXPECT_FALSE(dir.Exists("game/install.dat"));
  TOrvaInstallSet install;
  install.GameIdentity = "game";
  install.FileList = {"x.dat"};
  install.SaveToFile(dir.Game("game\\install.dat"));
  EXPECT_EQ(Run("SaveScreen(\"shots\\\\a.vsk\", 0, 0, FALSE, 2)"), "B:TRUE");
  EXPECT_EQ(Run("SaveScreen(\"SHOTS\\\\A.vsk\", 0, 0, FALSE, 2)"), "B:TRUE");
  TOrvaInstallSet read;
  read.LoadFromFile(dir.Game("game\\install.dat"));
  EXPECT_EQ(read.GameIdentity, "game");
  EXPECT_EQ(read.FileList, (std::vector<std::string>{"x.dat", "shots\\a.vsk"}));
  // A record that cannot be read does not undo the capture.
  dir.Write("game/install.dat", "damaged");
  EXPECT_EQ(Run("SaveScreen(\"c.vsk\", 0, 0, FALSE, 2)"), "B:TRUE");
  EXPECT_EQ(dir.Read("game/install.dat"), "damaged");
  EXPECT_TRUE(dir.Exists("game/c.vsk"));
}

}  // namespace
