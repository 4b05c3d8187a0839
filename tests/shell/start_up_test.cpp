// The main block's rules: the single-instance name of a game directory, the "/config"
// argument, the virtual-key table of the real window, and the settings window.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <SDL.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../core/temp_dir.h"
#include "core/vocabulary.h"
#include "platform/headless_window_system.h"
#include "platform/optical_drives.h"
#include "platform/sdl_keys.h"
#include "shell/config_window.h"
#include "shell/start_up.h"
#include "shell/window_boxes.h"

namespace orva {
namespace {

TEST(StartUp, TheInstanceNameOfAGameDirectory) {
  struct Case {
    std::string directory;
    std::string name;
  };
  const Case cases[] = {
      {"C:\\Games\\Novel", "C:-GAMES-NOVEL-"},
      {"C:\\Games\\Novel\\", "C:-GAMES-NOVEL-"},
      {"c:\\games\\novel", "C:-GAMES-NOVEL-"},
      // 表 is 0x95 0x5C: its trail byte is no delimiter and stays.
      {"C:\\\x95\x5C", "C:-\x95\x5C-"},
      {"\\home\\u\\novel", "-HOME-U-NOVEL-"},
      {"/config", "/CONFIG-"},
  };
  for (const Case& c : cases) EXPECT_EQ(MutexName(c.directory), c.name) << c.directory;
}

TEST(StartUp, OneDirectoryHasOneNameHoweverItIsWritten) {
  testing::TempDir dir;
  ::mkdir(dir.Os("novel").c_str(), 0700);
  ::symlink(dir.Os("novel").c_str(), dir.Os("link").c_str());
  char cwd[4096];
  ASSERT_TRUE(::getcwd(cwd, sizeof cwd));
  ASSERT_EQ(::chdir(dir.Os("").c_str()), 0);
  const std::string name = MutexName(AbsoluteGamePath("novel"));
  for (const char* spelling : {"./novel/", "novel/.", "novel/../novel", "link"})
    EXPECT_EQ(MutexName(AbsoluteGamePath(spelling)), name) << spelling;
  EXPECT_EQ(MutexName(AbsoluteGamePath(dir.Os("novel"))), name);
  // A directory that does not exist is made absolute by its spelling alone.
  EXPECT_EQ(AbsoluteGamePath("gone/../gone2/"), AbsoluteGamePath(dir.Os("gone2")));
  EXPECT_EQ(MutexName(AbsoluteGamePath("/config")), "-CONFIG-");
  ASSERT_EQ(::chdir(cwd), 0);
}

TEST(StartUp, ConfigArgumentInAnyCase) {
  for (const char* yes : {"/config", "/CONFIG", "/Config"}) EXPECT_TRUE(IsConfigArgument(yes)) << yes;
  for (const char* no : {"config", "/configure", "-config", ""}) EXPECT_FALSE(IsConfigArgument(no)) << no;
}

TEST(StartUp, OpticalDiscFileSystems) {
  EXPECT_TRUE(IsOpticalFileSystemType(0x9660));
  EXPECT_TRUE(IsOpticalFileSystemType(0x15013346));
  EXPECT_FALSE(IsOpticalFileSystemType(0xEF53));
  EXPECT_FALSE(IsOnOpticalDisc("/proc/self/exe"));
  EXPECT_FALSE(IsOnOpticalDisc("/no/such/file"));
}

TEST(StartUp, EveryKeyAGameCanNameHasAnSdlKey) {
  // The virtual-key code of each name the games know, in the order of the vocabulary.
  const std::vector<int> codes = {0x08, 0x09, 0x0D, 0x10, 0x11, 0x12, 0x13, 0x14, 0x1B, 0x20, 0x21, 0x22,
                                  0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x2D, 0x2E};
  std::vector<int> wanted = codes;
  for (int c = '0'; c <= '9'; ++c) wanted.push_back(c);
  for (int c = 'A'; c <= 'Z'; ++c) wanted.push_back(c);
  for (int c = 0x70; c <= 0x7B; ++c) wanted.push_back(c);
  ASSERT_EQ(wanted.size() + 2, VirtualKeyNames.size()) << "all but the two wheel names";
  std::vector<int> found;
  for (int32_t key : {SDLK_BACKSPACE, SDLK_TAB, SDLK_RETURN, SDLK_LSHIFT, SDLK_LCTRL, SDLK_LALT, SDLK_PAUSE,
                      SDLK_CAPSLOCK, SDLK_ESCAPE, SDLK_SPACE, SDLK_PAGEUP, SDLK_PAGEDOWN, SDLK_END, SDLK_HOME,
                      SDLK_LEFT, SDLK_UP, SDLK_RIGHT, SDLK_DOWN, SDLK_INSERT, SDLK_DELETE})
    found.push_back(VirtualKeyOfSdlKey(key));
  for (int32_t key = SDLK_0; key <= SDLK_9; ++key) found.push_back(VirtualKeyOfSdlKey(key));
  for (int32_t key = SDLK_a; key <= SDLK_z; ++key) found.push_back(VirtualKeyOfSdlKey(key));
  for (int32_t key = SDLK_F1; key <= SDLK_F12; ++key) found.push_back(VirtualKeyOfSdlKey(key));
  EXPECT_EQ(found, wanted);
  // Both keys of a pair give one code; keys without a code give none.
  EXPECT_EQ(VirtualKeyOfSdlKey(SDLK_RSHIFT), 0x10);
  EXPECT_EQ(VirtualKeyOfSdlKey(SDLK_KP_ENTER), 0x0D);
  EXPECT_EQ(VirtualKeyOfSdlKey(SDLK_KP_5), 0x65);
  EXPECT_EQ(VirtualKeyOfSdlKey(SDLK_F13), 0);
}

// ---- The settings window ----

class TRecordingModel : public TConfigModel {
 public:
  void Load() override { calls.push_back("load"); }
  bool SoundChecked() const override { return checked; }
  void SetSoundChecked(bool value) override {
    checked = value;
    calls.push_back(value ? "check" : "uncheck");
  }
  int TrackPosition() const override { return position; }
  void SetTrackPosition(int value) override {
    position = value;
    calls.push_back("track " + std::to_string(value));
  }
  std::string DelayLabel() const override { return std::to_string(position * 100) + "ms"; }
  bool DelayEnabled() const override { return !checked; }
  bool Ok() override {
    calls.push_back("ok");
    return okWorks;
  }
  void Cancel() override { calls.push_back("cancel"); }
  bool checked = true, okWorks = true;
  int position = 5;
  std::vector<std::string> calls;
};

std::vector<std::string> RunConfig(TRecordingModel& model, const std::string& input) {
  THeadlessWindowSystem window(ParseInputScript(input), {});
  TConfigWindow config(window, model);
  config.Open();
  EXPECT_EQ(window.Title(), "動作設定");
  EXPECT_EQ(window.ClientWidth(), 270);
  EXPECT_EQ(window.ClientHeight(), 179);
  EXPECT_EQ(config.Run(), 0);
  return model.calls;
}

TEST(ConfigWindow, TheControlsChangeTheModelAndOkCloses) {
  struct Case {
    const char* what;
    std::string input;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"untick, pick 200 ms, OK", "10 click 30 30; 20 click 70 85; 30 click 130 150",
       {"load", "uncheck", "track 2", "ok"}},
      {"the track bar is greyed while the box is ticked", "10 click 70 85; 20 click 200 150", {"load", "cancel"}},
      {"closing the window cancels", "10 close", {"load", "cancel"}},
      {"no input left: the window closes", "", {"load", "cancel"}},
      {"a press that leaves the button does nothing", "10 down left 130 150; 20 up left 10 170", {"load", "cancel"}},
      {"Enter is OK, Escape cancel", "10 key return", {"load", "ok"}},
  };
  for (const Case& c : cases) {
    TRecordingModel model;
    EXPECT_EQ(RunConfig(model, c.input), c.calls) << c.what;
  }
}

TEST(ConfigWindow, AnOkThatFailsKeepsTheWindowOpen) {
  TRecordingModel model;
  model.okWorks = false;
  EXPECT_EQ(RunConfig(model, "10 click 130 150; 20 click 200 150"),
            (std::vector<std::string>{"load", "ok", "cancel"}));
}

TEST(ConfigWindow, TheTrackBarTakesTheNearestStep) {
  const TWinRect& t = TConfigWindow::TrackRect;
  EXPECT_EQ(TConfigWindow::TrackPositionAt(t.Left), 1);
  EXPECT_EQ(TConfigWindow::TrackPositionAt(t.Right), 5);
  EXPECT_EQ(TConfigWindow::TrackPositionAt((t.Left + t.Right) / 2), 3);
  EXPECT_EQ(TConfigWindow::TrackPositionAt(-1000), 1);
}

// ---- Boxes drawn in the window ----

TEST(DrawnBox, AnsweredByKeysOrClosedAndThePictureComesBack) {
  struct Case {
    const char* what;
    TMsgButtons buttons;
    std::string input;
    TMsgResult answer;
  };
  const Case cases[] = {
      {"Enter takes the first button", TMsgButtons::YesNo, "10 key return", TMsgResult::Yes},
      {"Escape takes the last", TMsgButtons::YesNo, "10 key escape", TMsgResult::No},
      {"Escape on OK and Cancel", TMsgButtons::OKCancel, "10 key escape", TMsgResult::Cancel},
      {"other keys and focus changes wait", TMsgButtons::OK, "10 key a; 20 deactivate; 30 key space", TMsgResult::OK},
      {"closing the window", TMsgButtons::YesNo, "10 close", TMsgResult::None},
  };
  for (const Case& c : cases) {
    THeadlessWindowSystem window(ParseInputScript(c.input), {});
    window.CreateWindow("t", 320, 240);
    window.ShowWindow();
    TWindowEvent e;
    window.PollEvent(e);  // the activation
    std::fill(window.Pixels(), window.Pixels() + 320 * 240, 0x123456u);
    EXPECT_EQ(ShowDrawnBox(window, "first line\r\nsecond", "caption", c.buttons), c.answer) << c.what;
    EXPECT_EQ(std::count(window.Pixels(), window.Pixels() + 320 * 240, 0x123456u), 320 * 240) << c.what;
    const bool closing = window.PollEvent(e) && e.Kind == TWindowEvent::TKind::Close;
    EXPECT_EQ(closing, c.answer == TMsgResult::None) << "a close that ended the box still closes: " << c.what;
  }
}

TEST(DrawnBox, TheHeadlessWindowsOwnAnswersComeFirst) {
  THeadlessWindowSystem window({}, {TMsgResult::No});
  TWindowBoxes boxes(window);
  EXPECT_EQ(boxes.Show("q", "c", TMsgButtons::YesNo, TMsgIcon::Question), TMsgResult::No);
  EXPECT_EQ(boxes.Show("q", "c", TMsgButtons::YesNo, TMsgIcon::Question), TMsgResult::None);
}

}  // namespace
}  // namespace orva
