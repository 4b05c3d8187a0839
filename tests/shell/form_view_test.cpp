// The main window on the headless backend: its creation and layout, the frame step and its
// order, the input it records, the activation orders, the exit question and the switch to
// full screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../core/temp_dir.h"
#include "core/app_control.h"
#include "core/file_manager.h"
#include "core/frame_clock.h"
#include "core/main_thread_jobs.h"
#include "graphics/dib.h"
#include "kit/demo_game.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "kit/project_file_builder.h"
#include "platform/headless_window_system.h"
#include "platform/message_box.h"
#include "platform/resources.h"
#include "scene/base_list.h"
#include "scene/cinema.h"
#include "scene/object_factory.h"
#include "shell/start_logo.h"
#include "kit/logo_files.h"
#include "script/project.h"
#include "shell/form_view.h"
#include "shell/screen_manager.h"
#include "shell/shell_media.h"
#include "shell/window_clock.h"

namespace orva {
namespace {

using kit::PageBuilder;
using TKind = TWindowEvent::TKind;
using TButton = TWindowEvent::TButton;

class TRecordingMedia : public TShellMedia {
 public:
  void ReadSettings() override { calls.push_back("settings"); }
  void InitSoundDevice() override { calls.push_back("sound device"); }
  void StartMediaSystem(int32_t width, int32_t height, int32_t preferredWidth, int32_t preferredHeight,
                        const std::string& registryKey, const std::function<void()>& createScreenManager) override {
    calls.push_back("start " + std::to_string(width) + "x" + std::to_string(height) + " " +
                    std::to_string(preferredWidth) + "x" + std::to_string(preferredHeight));
    TShellMedia::StartMediaSystem(width, height, preferredWidth, preferredHeight, registryKey, createScreenManager);
    calls.push_back(ScreenManager ? "screen made" : "no screen");
  }
  void StopMediaSystem(const std::function<void()>& freeScreenManager) override {
    calls.push_back("stop");
    freeScreenManager();
    calls.push_back(ScreenManager ? "screen kept" : "screen freed");
  }
  void Deactivate() override { calls.push_back("deactivate"); }
  void Activate() override { calls.push_back("activate"); }
  void SuspendVideos() override { calls.push_back("suspend videos"); }
  void ResumeVideos() override { calls.push_back("resume videos"); }
  void AudioDeviceRemoved(uint32_t) override { calls.push_back("audio device removed"); }
  void PullHeadlessAudio(uint32_t ms) override { pulled += ms; }
  std::vector<std::string> calls;
  uint32_t pulled = 0;
};

class TCountingCache : public TSceneImageCache {
 public:
  bool GetDither() override { return false; }
  void SetDither(bool) override {}
  void ReleaseSurfaces() override { ++releases; }
  void RecreateSurfaces() override { ++recreates; }
  int releases = 0, recreates = 0;
};

// Answers every box with one answer after the time it takes the player to read it.
class TSlowBoxes : public TMessageBoxService {
 public:
  TSlowBoxes(TWindowSystem& window, TMsgResult answer, uint32_t ms) : window_(window), answer_(answer), ms_(ms) {}
  TMsgResult Show(const std::string& text, const std::string&, TMsgButtons, TMsgIcon) override {
    texts.push_back(text);
    quitWhileOpen = QuitRequested;
    window_.Sleep(ms_);
    return answer_;
  }
  std::vector<std::string> texts;
  bool quitWhileOpen = false;

 private:
  TWindowSystem& window_;
  TMsgResult answer_;
  uint32_t ms_;
};

std::vector<kit::GameFile> Game(const PageBuilder& start, kit::ProjectFileBuilder project = kit::ProjectFileBuilder()) {
  return {{"orva.opb", project.Bytes()}, {"start.osb", start.Bytes()}};
}

class FormViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFileManager();
    previousServices = SetSceneServices({nullptr, nullptr, &cache, nullptr});
  }
  void TearDown() override {
    form.reset();
    SetPlatformClock(nullptr);
    DoneFileManager();
    SetSceneServices(previousServices);
  }
  void Start(const std::vector<kit::GameFile>& files, const std::string& input = "") {
    form.reset();
    DoneFileManager();
    InitFileManager();
    kit::WriteGameArchive(dir.Os("game.dat"), files);
    window = std::make_unique<THeadlessWindowSystem>(ParseInputScript(input), std::deque<TMsgResult>{});
    window->FakeDisplay().FailExclusive = displayFails;
    clock = std::make_unique<TWindowClock>(*window);
    SetPlatformClock(clock.get());
    TPlayerSetup setup;
    setup.Arguments = {dir.Game()};
    setup.CapturePath = capturePath;
    form = std::make_unique<TFormView>(*window, media, setup);
    // The logo has its own tests; the others start with the game.
    form->LogoDone = !playLogo;
    form->FormCreate();
    if (!QuitRequested) window->ShowWindow();
  }
  // Events and idle passes, as the message loop runs them, until the window closes.
  void Pump(int passes) {
    for (int i = 0; i < passes && !form->Closed(); ++i) {
      TWindowEvent e;
      while (!form->Closed() && window->PollEvent(e)) form->HandleEvent(e);
      if (form->Closed()) break;
      if (form->ApplicationEventsIdle()) window->WaitEvent();
    }
  }
  void Send(TKind kind, TWinPoint pos = {}, TButton button = TButton::Left, int key = 0, bool repeat = false) {
    TWindowEvent e;
    e.Kind = kind;
    e.Pos = pos;
    e.Button = button;
    e.VirtualKey = key;
    e.Repeat = repeat;
    if (kind == TKind::MouseMove || kind == TKind::MouseDown) window->WarpMouse(pos);
    form->HandleEvent(e);
  }
  TOrvaBaseList& Scene() { return *GetMainScene(); }

  kit::FrameScope frames;
  testing::TempDir dir;
  TScriptedMessageBox boxes;
  TMessageBoxScope boxScope{boxes};
  TRecordingMedia media;
  TCountingCache cache;
  TSceneServices previousServices;
  std::string capturePath;
  bool playLogo = false;
  // The display's exclusive control cannot be had.
  bool displayFails = false;
  std::unique_ptr<THeadlessWindowSystem> window;
  std::unique_ptr<TWindowClock> clock;
  std::unique_ptr<TFormView> form;
};

const PageBuilder kIdle = PageBuilder().Wait("100000");

TEST_F(FormViewTest, CreationLaysTheWindowOutForTheGame) {
  Start(Game(kIdle, kit::ProjectFileBuilder().Title("\x83\x66\x83\x82").Screen(640, 480).FullScreen(800, 600)));
  EXPECT_FALSE(QuitRequested);
  EXPECT_EQ(media.calls, (std::vector<std::string>{"settings", "sound device", "start 640x480 800x600", "screen made"}));
  EXPECT_EQ(window->Title(), "デモ");
  EXPECT_EQ(window->ClientWidth(), 640);
  EXPECT_EQ(window->ClientHeight(), 480 + 22);
  // Centred on the fake desktop of 1024 × 768.
  EXPECT_EQ(window->FrameRect(), (TWinRect{192, 133, 832, 635}));
  EXPECT_EQ(form->BasePanel.Bounds(), (TWinRect{0, 22, 640, 502}));
  EXPECT_EQ(Scene().GetWidth(), 640);
  ASSERT_TRUE(ScreenManager);
  EXPECT_EQ(ScreenManager->BackBufferBitCount(), 32);
  form.reset();
  EXPECT_EQ(media.calls.back(), "screen freed");
  EXPECT_FALSE(ScreenManager);
}

TEST_F(FormViewTest, AStartThatFailsShowsWhyAndRunsNoFrame) {
  struct Case {
    const char* what;
    std::vector<kit::GameFile> files;
    std::string box;
    bool displayFails = false;
  };
  const Case cases[] = {
      {"no start page", {{"orva.opb", kit::ProjectFileBuilder().StartPage("none.osb").Bytes()}}, "スタートページがありません"},
      {"no project file", {{"start.osb", kIdle.Bytes()}}, ""},
      {"a damaged project file", {{"orva.opb", std::string("\x6D\x00\x00\x00\xFF\xFF\xFF\x7F", 8)}}, "*"},
      {"no display", Game(kIdle, kit::ProjectFileBuilder()), "DirectDrawを初期化できません", true},
  };
  for (const Case& c : cases) {
    boxes = TScriptedMessageBox();
    QuitRequested = false;
    displayFails = c.displayFails;
    Start(c.files);
    EXPECT_TRUE(QuitRequested) << c.what;
    if (c.box == "*") {
      ASSERT_EQ(boxes.Boxes().size(), 1u) << c.what;
      EXPECT_EQ(boxes.Boxes()[0].caption, "警告");
      EXPECT_TRUE(form->Closed()) << "the guard closes the window: " << c.what;
    } else if (!c.box.empty()) {
      ASSERT_EQ(boxes.Boxes().size(), 1u) << c.what;
      EXPECT_EQ(boxes.Boxes()[0].text, c.box);
    }
    EXPECT_TRUE(form->ApplicationEventsIdle()) << c.what;
    EXPECT_EQ(form->Steps(), 0) << c.what;
    form.reset();
  }
}

TEST_F(FormViewTest, WithoutAScreenSizeNoFrameEverRuns) {
  Start(Game(kIdle, kit::ProjectFileBuilder().Screen(0, 480)));
  EXPECT_FALSE(QuitRequested);
  EXPECT_FALSE(ScreenManager);
  EXPECT_EQ(media.calls.back(), "no screen");
  Pump(5);
  EXPECT_TRUE(form->Closed()) << "no input is left, so waiting closes the window";
  EXPECT_EQ(form->Steps(), 0);
}

TEST_F(FormViewTest, AWaitPassesAtTheSameGameClockEveryRun) {
  struct Case {
    int32_t version;
    const char* traced;
  };
  for (const Case c : {Case{109, "000003F0 : start.osb(2)"}, Case{105, "000003E8 : start.osb(2)"}}) {
    kit::TraceCapture trace;
    GameClock = 0;
    FrameCount = 0;
    QuitRequested = false;
    Start(Game(PageBuilder(c.version).Wait("1000").Terminate(), kit::ProjectFileBuilder(c.version)));
    Pump(5000);
    EXPECT_TRUE(form->Closed()) << c.version;
    ASSERT_FALSE(trace.lines.empty());
    EXPECT_EQ(trace.lines.back(), c.traced);
    // The frame that ended the game counted no update.
    EXPECT_EQ(FrameCount, c.version >= 106 ? 63 : 1000);
    form.reset();
  }
}

TEST_F(FormViewTest, TheFrameInWhichAGameIsLoadedIsNotShown) {
  capturePath = dir.Os("frame%d.bmp");
  // The load resumes in a page that waits, instead of loading again.
  std::vector<kit::GameFile> files = Game(PageBuilder().GameSave("1", "after.osb", 0, "\"s\"").GameLoad("1"));
  files.push_back({"after.osb", kIdle.Bytes()});
  Start(files);
  Pump(4);
  EXPECT_TRUE(dir.Exists("frame1.bmp")) << "the save frame";
  EXPECT_FALSE(dir.Exists("frame2.bmp")) << "the load frame";
  EXPECT_TRUE(dir.Exists("frame3.bmp"));
  EXPECT_EQ(form->RenderSkip, 0);
}

TEST_F(FormViewTest, AStepTakesInputThenRunsTheScriptThenUpdatesPaintsAndShows) {
  capturePath = dir.Os("frame%d.bmp");
  // The first frame colours the shown layer; the second saves and loads.
  std::vector<kit::GameFile> files = Game(PageBuilder()
                                              .SetProp("\"\"", std::to_string(PR_COLOR), std::to_string(0x0000FF))
                                              .Wait("1")
                                              .GameSave("1", "after.osb", 0, "\"s\"")
                                              .GameLoad("1"));
  files.push_back({"after.osb", kIdle.Bytes()});
  Start(files);
  TWindowEvent e;
  while (window->PollEvent(e)) form->HandleEvent(e);
  Send(TKind::MouseDown, {10, 30});
  ASSERT_TRUE(Scene().ActiveLayer()->LeftClickPending);
  form->ApplicationEventsIdle();
  EXPECT_FALSE(Scene().ActiveLayer()->LeftClickPending) << "the input step latched the click";
  EXPECT_EQ(FrameCount, 1);
  EXPECT_EQ(Scene().ActiveLayer()->DirtyRects().Count(), 0) << "shown, then emptied";
  // The colour the script set in this frame was painted and shown in it.
  TDIB shown;
  shown.LoadFromFile(dir.Os("frame1.bmp"));
  EXPECT_EQ(DIBPixelColor(shown.Image(), shown.ScanLineReadOnly(0), 0), 0xFF0000u);
  Pump(4);
  EXPECT_FALSE(dir.Exists("frame3.bmp")) << "the load frame is counted but not shown";
  EXPECT_TRUE(dir.Exists("frame4.bmp"));
}

TEST_F(FormViewTest, WhatWorkersFinishedRunsFirstInTheNextStep) {
  Start(Game(kIdle));
  TWindowEvent e;
  while (window->PollEvent(e)) form->HandleEvent(e);
  Send(TKind::MouseDown, {10, 30});
  int32_t frame = -1;
  bool clickWaiting = false;
  std::thread([&] {
    PostToMainThread([&] {
      frame = FrameCount;
      clickWaiting = Scene().ActiveLayer()->LeftClickPending;
    });
  }).join();
  form->ApplicationEventsIdle();
  EXPECT_EQ(frame, 0);
  EXPECT_TRUE(clickWaiting) << "before the input step";
  EXPECT_EQ(FrameCount, 1);
}

TEST_F(FormViewTest, AnErrorEscapingAFrameIsShownAndTheGameGoesOn) {
  // The save file's place is taken by a directory: writing the save fails.
  std::filesystem::create_directory(dir.Os("save.dat"));
  Start(Game(PageBuilder().GameSave("1", "", 0, "\"s\"").Wait("100000")));
  Pump(3);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, "警告");
  EXPECT_EQ(form->Steps(), 3);
  EXPECT_FALSE(form->Closed());
}

TEST_F(FormViewTest, ButtonsOnThePanelBecomeTheScenesButtonState) {
  Start(Game(kIdle));
  Pump(1);
  TOrvaBase& shown = *Scene().ActiveLayer();
  TOrvaBase& other = *Scene().GetLayer(1 - Scene().ActiveIndex());
  Send(TKind::MouseDown, {100, 122}, TButton::Left);
  EXPECT_TRUE(shown.LeftHeld && other.LeftHeld && shown.LeftClickPending);
  EXPECT_FALSE(other.LeftClickPending);
  Send(TKind::MouseDown, {100, 122}, TButton::Right);
  EXPECT_FALSE(shown.LeftHeld || other.LeftHeld) << "the right button clears the left one";
  EXPECT_TRUE(shown.RightHeld && other.RightHeld && shown.RightClickPending);
  Send(TKind::MouseDown, {100, 122}, TButton::Middle);
  EXPECT_FALSE(shown.LeftHeld || shown.RightHeld || shown.LeftClickPending || shown.RightClickPending);
  Send(TKind::MouseDown, {100, 122}, TButton::Left);
  Send(TKind::MouseUp, {600, 5}, TButton::Left);
  EXPECT_FALSE(shown.LeftHeld || other.LeftHeld);
  EXPECT_TRUE(shown.LeftClickPending) << "a release leaves the click for the input step";
  shown.LeftClickPending = false;
  Send(TKind::MouseDown, {300, 10}, TButton::Left);  // the toolbar strip, beside its buttons
  EXPECT_FALSE(shown.LeftHeld || shown.LeftClickPending);
}

TEST_F(FormViewTest, TheMousePositionIsTheCursorLessThePanelOrigin) {
  Start(Game(kIdle));
  Pump(1);
  Send(TKind::MouseMove, {30, 62});
  EXPECT_EQ(Scene().GetLayer(0)->GetMousePos(), (TPoint{30, 40}));
  EXPECT_EQ(Scene().GetLayer(1)->GetMousePos(), (TPoint{30, 40}));
  Send(TKind::Wheel);
  EXPECT_TRUE(Scene().ActiveLayer()->WheelUpPending);
  form->SetMouseX(5);
  EXPECT_EQ(window->CursorPos(), (TWinPoint{5, 62}));
  form->SetMouseY(7);
  EXPECT_EQ(window->CursorPos(), (TWinPoint{5, 29}));
}

TEST_F(FormViewTest, KeysAreRecordedOncePerPressWhileActive) {
  Start(Game(kIdle));
  Pump(1);
  struct Case {
    const char* what;
    int key;
    bool repeat;
    bool active;
    bool down;
  };
  const Case cases[] = {
      {"a press", 0x20, false, true, true},
      {"an auto-repeat", 0x0D, true, true, false},
      {"a code of 256", 256, false, true, false},
      {"in the background", 0x41, false, false, false},
  };
  for (const Case& c : cases) {
    Scene().ClearKeys();
    form->Active = c.active;
    Send(TKind::KeyDown, {}, TButton::Left, c.key, c.repeat);
    EXPECT_EQ(Scene().IsKeyDown(c.key), c.down) << c.what;
    Send(TKind::KeyUp, {}, TButton::Left, c.key);
    EXPECT_FALSE(Scene().IsKeyDown(c.key)) << c.what;
  }
}

TEST_F(FormViewTest, InTheBackgroundTheGamePausesAndItsTimeIsNotCounted) {
  Start(Game(kIdle));
  Pump(2);
  ASSERT_TRUE(form->Active);
  Send(TKind::KeyDown, {}, TButton::Left, 0x20);
  media.calls.clear();
  Send(TKind::Deactivate);
  EXPECT_FALSE(form->Active);
  EXPECT_FALSE(Scene().IsKeyDown(0x20)) << "keys are released";
  EXPECT_TRUE(form->ApplicationEventsIdle()) << "no frame runs";
  window->Sleep(60000);
  const uint32_t clockBefore = GameClock;
  Send(TKind::Activate);
  EXPECT_EQ(form->Loop.LastTick, window->Milliseconds());
  EXPECT_EQ(media.calls, (std::vector<std::string>{"deactivate", "activate"}));
  form->ApplicationEventsIdle();
  EXPECT_EQ(GameClock, clockBefore) << "the first frame after the pause has no delta";
}

TEST_F(FormViewTest, TheExitQuestionStopsTheFramesWhileItIsOpen) {
  struct Case {
    TMsgResult answer;
    uint32_t readingTime;
    bool closed;
    int32_t nextDelta;  // -1: the frame is dropped
  };
  const Case cases[] = {
      {TMsgResult::No, 500, false, 500 + 16},
      {TMsgResult::No, 4000, false, -1},
      {TMsgResult::Yes, 500, true, 0},
  };
  for (const Case& c : cases) {
    QuitRequested = false;
    Start(Game(kIdle, kit::ProjectFileBuilder().Title("g")));
    Pump(3);
    TSlowBoxes slow(*window, c.answer, c.readingTime);
    TMessageBoxScope scope(slow);
    const int64_t steps = form->Steps();
    Send(TKind::MouseDown, {10, 5});
    Send(TKind::MouseUp, {10, 5});
    ASSERT_EQ(slow.texts, std::vector<std::string>{"「g」を終了しますか？"});
    EXPECT_TRUE(slow.quitWhileOpen);
    Pump(1);
    EXPECT_EQ(form->Closed(), c.closed);
    if (!c.closed) {
      EXPECT_FALSE(QuitRequested);
      if (c.nextDelta >= 0) {
        EXPECT_EQ(FrameDelta, c.nextDelta);
        EXPECT_EQ(form->Steps(), steps + 1);
      } else {
        EXPECT_EQ(form->Steps(), steps) << "the gap is dropped";
        Pump(1);
        EXPECT_EQ(form->Steps(), steps + 1);
      }
    } else {
      EXPECT_TRUE(dir.Exists("save.dat")) << "the status data are written at close";
    }
    form.reset();
  }
}

TEST_F(FormViewTest, TheScreenButtonSwitchesToFullScreenAndBack) {
  Start(Game(kIdle, kit::ProjectFileBuilder().Screen(640, 480).FullScreen(640, 480)));
  Pump(2);
  const TWinRect windowed = window->FrameRect();
  media.calls.clear();
  Send(TKind::MouseDown, {80, 5});
  Send(TKind::MouseUp, {80, 5});
  ASSERT_TRUE(ScreenManager->FullScreen());
  EXPECT_EQ(window->FakeDisplay().Current(), (TDisplayModeInfo{640, 480, 32, 60}));
  EXPECT_FALSE(window->Bordered());
  EXPECT_EQ(window->ClientHeight(), 480);
  EXPECT_EQ(form->BasePanel.Bounds(), (TWinRect{0, 0, 640, 480}));
  EXPECT_FALSE(form->Toolbar.Visible);
  EXPECT_EQ(media.calls, (std::vector<std::string>{"suspend videos", "resume videos"}));
  EXPECT_EQ(cache.releases, 1);
  EXPECT_EQ(cache.recreates, 1);
  form->SetFullScreen(true);
  EXPECT_EQ(media.calls.size(), 2u) << "a second switch to full screen does nothing";
  // The toolbar shows while the mouse is on the top row.
  Send(TKind::MouseMove, {300, 0});
  EXPECT_TRUE(form->Toolbar.Visible);
  Send(TKind::MouseMove, {100, 10});
  EXPECT_TRUE(form->Toolbar.Visible) << "the mouse went on to the toolbar";
  Send(TKind::MouseMove, {300, 40});
  EXPECT_FALSE(form->Toolbar.Visible);
  Send(TKind::MouseMove, {100, 10});
  EXPECT_FALSE(form->Toolbar.Visible) << "hidden, it shows only from the top row";
  Pump(2);
  form->SetFullScreen(false);
  EXPECT_FALSE(ScreenManager->FullScreen());
  EXPECT_FALSE(window->FakeDisplay().InFullScreen());
  EXPECT_TRUE(window->Bordered());
  EXPECT_EQ(window->FrameRect(), windowed);
  EXPECT_EQ(form->BasePanel.Bounds(), (TWinRect{0, 22, 640, 502}));
  EXPECT_TRUE(form->Toolbar.Visible);
}

TEST_F(FormViewTest, FullScreenIsRefusedWithoutAModeAndUndoneWhenItFails) {
  Start(Game(kIdle));
  Pump(1);
  const TWinRect windowed = window->FrameRect();
  ScreenManager->BestMode = 99;
  form->SetFullScreen(true);
  EXPECT_FALSE(ScreenManager->FullScreen());
  EXPECT_EQ(std::count(media.calls.begin(), media.calls.end(), "suspend videos"), 0) << "refused before anything changed";
  ScreenManager->BestMode = 0;
  window->FakeDisplay().FailSetMode = true;
  form->SetFullScreen(true);
  EXPECT_FALSE(ScreenManager->FullScreen());
  EXPECT_EQ(ScreenManager->Mode(), -1);
  EXPECT_TRUE(window->Bordered());
  EXPECT_EQ(window->FrameRect(), windowed);
  EXPECT_TRUE(form->Toolbar.Visible);
  EXPECT_NE(ScreenManager->BackBuffer(), nullptr);
}

TEST_F(FormViewTest, ANewModeIndexSwitchesAnActiveFullScreen) {
  Start(Game(kIdle));
  Pump(1);
  form->SetFullScreen(true);
  const int32_t count = form->GetModeCount();
  ASSERT_GE(count, 2);
  form->SetBestMode(count - 1);
  EXPECT_EQ(ScreenManager->Mode(), count - 1);
  EXPECT_EQ(window->FakeDisplay().Current(), window->FakeDisplay().Modes.back());
  form->SetBestMode(count + 5);  // outside the list: nothing changes
  EXPECT_EQ(ScreenManager->Mode(), count - 1);
  EXPECT_EQ(form->GetMode(count + 5).Width, 0u);
}

// ---- The start-up logo ----

// A caption as wide as its text in 6-pixel characters and as high as its font.
class TTestCaption : public TOrvaControl {
 public:
  using TOrvaControl::TOrvaControl;
  uint8_t GetCompoType() override { return LT_LABEL; }
  void SetText(std::string_view text) override { SetWidth(6 * static_cast<int32_t>(text.size())); }
  void SetFontHeight(int32_t height) override { SetHeight(height); }
};

class LogoTest : public FormViewTest {
 protected:
  void SetUp() override {
    FormViewTest::SetUp();
    playLogo = true;
    caption_ = RegisterObjectClass(LT_LABEL, [](TOrvaBaseList& s) -> TOrvaObject* {
      return CreateSceneObject<TTestCaption>(s);
    });
  }
  void TearDown() override {
    RegisterObjectClass(LT_LABEL, caption_);
    FormViewTest::TearDown();
  }
  TOrvaCinema* LogoCinema() {
    for (int i = 0; i < Scene().GetItemCount(); ++i)
      if (auto* cinema = dynamic_cast<TOrvaCinema*>(Scene().GetItem(i))) return cinema;
    return nullptr;
  }
  // Frames until the logo is done; the number run.
  int PumpUntilDone(int most) {
    int frames = 0;
    while (!form->LogoDone && frames < most) {
      Pump(1);
      ++frames;
    }
    return frames;
  }
  // Where a point of the logo film lies in the window: the film is centred on the 640 × 480
  // scene, below the toolbar.
  static TWinPoint InWindow(TPoint film) {
    const kit::LogoLayout& logo = kit::Logo();
    return {(640 - logo.Width) / 2 + film.X, (480 - logo.Height) / 2 + film.Y + 22};
  }

 private:
  TObjectConstructor caption_;
};

TEST_F(LogoTest, TheLogoPlaysOutThenTheGameRunsFromTheNextFrame) {
  kit::TraceCapture trace;
  Start(Game(PageBuilder().Wait("100000")));
  const int archives = FileManager->Count();
  Pump(1);
  TOrvaCinema* cinema = LogoCinema();
  ASSERT_NE(cinema, nullptr);
  EXPECT_EQ(FileManager->Count(), archives + 1) << "the logo's archive is open";
  EXPECT_EQ(cinema->GetSource(), TStartLogo::FilmName);
  EXPECT_EQ(cinema->GetIgnoreMouse(), IM_ALL);
  EXPECT_TRUE(cinema->GetAutoScrap());
  EXPECT_EQ(cinema->GetLeft(), (640 - kit::Logo().Width) / 2);
  EXPECT_EQ(cinema->GetTop(), (480 - kit::Logo().Height) / 2);
  const int frames = PumpUntilDone(400);
  ASSERT_TRUE(form->LogoDone);
  // Two seconds of 16 ms frames, and the frame that sees the cinema gone.
  EXPECT_NEAR(frames, kit::Logo().Length * 1000 / 60 / 16 + 2, 3);
  EXPECT_EQ(LogoCinema(), nullptr);
  EXPECT_EQ(FileManager->Count(), archives) << "the archive is closed";
  EXPECT_EQ(FileManager->Cache().Count(), 0) << "and the file cache emptied";
  EXPECT_TRUE(trace.lines.empty()) << "no script in the frame the logo ends";
  Pump(1);
  EXPECT_FALSE(trace.lines.empty());
}

TEST_F(LogoTest, TheCaptionOpensThePageAndAnyOtherClickOrKeySkips) {
  Start(Game(PageBuilder().Wait("100000")));
  // The caption comes half a second in, and is named once.
  TOrvaObject* caption = nullptr;
  for (int i = 0; i < 60 && !caption; ++i) {
    Pump(1);
    caption = TStartLogo::FindLogoLabel(Scene());
    if (caption && IsInternalName(caption->GetName())) caption = nullptr;
  }
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->GetName(), "Label");
  EXPECT_EQ(caption->GetCursor(), TStartLogo::CursorName);
  EXPECT_EQ(caption->GetIgnoreMouse(), IM_LCLICK);
  EXPECT_EQ(Scene().IndexOfName("Label"), Scene().IndexOfObject(caption));
  Pump(3);
  EXPECT_EQ(caption->GetName(), "Label");
  // A click on it opens the page, and the logo goes on.
  const TRect text = kit::Logo().Caption;
  const TWinPoint on = InWindow({text.Left + 3, text.Top + 3});
  Send(TKind::MouseMove, on);
  Send(TKind::MouseDown, on);
  Send(TKind::MouseUp, on);
  Pump(2);
  EXPECT_EQ(window->OpenedAddresses(), std::vector<std::string>{std::string(TStartLogo::Address)});
  EXPECT_NE(LogoCinema(), nullptr);
  EXPECT_FALSE(form->LogoDone);
  // A click on the emblem ends it.
  const TWinPoint off = InWindow(kit::Logo().EmblemCentre);
  Send(TKind::MouseMove, off);
  Send(TKind::MouseDown, off);
  Send(TKind::MouseUp, off);
  EXPECT_LE(PumpUntilDone(3), 2);
  EXPECT_TRUE(form->LogoDone);
  EXPECT_EQ(window->OpenedAddresses().size(), 1u);

  for (int key : {0x20, 0x0D}) {
    QuitRequested = false;
    Start(Game(PageBuilder().Wait("100000")));
    Pump(3);
    Send(TKind::KeyDown, {}, TButton::Left, key);
    Send(TKind::KeyUp, {}, TButton::Left, key);
    EXPECT_LE(PumpUntilDone(3), 2) << key;
  }
}

TEST_F(LogoTest, APlayerWithoutItsLogoStartsTheGame) {
  const auto bytes = FindResource(TStartLogo::ResourceType, TStartLogo::ResourceName);
  ASSERT_TRUE(bytes);
  struct TRestore {
    std::span<const uint8_t> bytes;
    ~TRestore() { RegisterResource(TStartLogo::ResourceType, TStartLogo::ResourceName, bytes); }
  } restore{*bytes};
  UnregisterResource(TStartLogo::ResourceType, TStartLogo::ResourceName);
  Start(Game(PageBuilder().Wait("100000")));
  Pump(1);
  EXPECT_TRUE(form->LogoDone);
  EXPECT_EQ(LogoCinema(), nullptr);
}

}  // namespace
}  // namespace orva
