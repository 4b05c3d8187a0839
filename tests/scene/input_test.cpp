// The input step: recorded window input, frame by frame, against the object calls it makes
// and the events it queues; right-click receivers, the cursor, the focus and the keyboard
// with its repeat timers.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "core/frame_clock.h"
#include "kit/interpreter_doubles.h"
#include "scene/base_list.h"
#include "scene/scene_services.h"
#include "scene/timer_list.h"
#include "scene_test_kit.h"
#include "script/param_collection.h"

namespace orva {
namespace {

using scene_test::Log;
using scene_test::SceneFixture;
using scene_test::TTestBox;

// A box that logs its mouse and key calls and then behaves as every control does.
class TProbe : public TTestBox {
 public:
  using TTestBox::TTestBox;
  void LButtonDown() override {
    Note("LDown");
    TTestBox::LButtonDown();
  }
  void LButtonUp() override {
    Note("LUp");
    TTestBox::LButtonUp();
  }
  void RButtonDown() override {
    Note("RDown");
    TTestBox::RButtonDown();
  }
  void RButtonUp() override {
    Note("RUp");
    TTestBox::RButtonUp();
  }
  void MouseMove() override {
    Note("Move");
    TTestBox::MouseMove();
  }
  void MouseHold() override { Log().push_back(GetName() + ":Hold"); }
  void MouseIn(TOrvaObject* previous) override {
    Log().push_back(GetName() + ":In");
    TTestBox::MouseIn(previous);
  }
  void MouseOut(TOrvaObject* next) override {
    Log().push_back(GetName() + ":Out");
    TTestBox::MouseOut(next);
  }
  void KeyDown() override {
    Note("KeyDown");
    TTestBox::KeyDown();
  }
  void KeyRepeat() override {
    Note("KeyRepeat");
    TTestBox::KeyRepeat();
  }
  void KeyUp() override {
    Note("KeyUp");
    TTestBox::KeyUp();
  }
  bool GetRClickScrap() override { return rClickScrap_; }
  void SetRClickScrap(bool v) override { rClickScrap_ = v; }
  bool RClickScrap() override {
    Log().push_back(GetName() + ":Scrap");
    return true;
  }
  std::string GetCursorAt() override { return cursor_; }
  void SetCursor(std::string_view v) override { cursor_ = v; }

 private:
  void Note(const char* what) { Log().push_back(GetName() + ":" + what); }
  bool rClickScrap_ = false;
  std::string cursor_;
};

class TFakeCursor : public TSceneCursor {
 public:
  void LoadCustomCursor(const std::string& realPath) override { Loaded.push_back(realPath); }
  TKind GetPanelCursor() override { return Panel; }
  void SetPanelCursor(TKind cursor) override {
    Panel = cursor;
    ++Changes;
  }
  std::vector<std::string> Loaded;
  TKind Panel = Arrow;
  int Changes = 0;
};

class InputTest : public SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    TSceneServices services = GetSceneServices();
    services.Cursor = &cursor_;
    SetSceneServices(services);
    FrameDelta = 16;
  }
  void TearDown() override {
    FrameDelta = 0;
    SceneFixture::TearDown();
  }

  // A probe on the shown layer with every mouse handler set to "<name>.osb".
  TProbe* Probe(std::string_view name, Place p, TOrvaControl* parent = nullptr) {
    TProbe* probe = CreateSceneObject<TProbe>(Scene());
    probe->SetName(name);
    probe->SetParent(parent ? parent : Scene().ActiveLayer());
    probe->SetBounds(p.Left, p.Top, p.Width, p.Height);
    const std::string handler = std::string(name) + ".osb";
    for (auto setter : {&TOrvaObject::SetOnLBtnDown, &TOrvaObject::SetOnLBtnUp, &TOrvaObject::SetOnRBtnDown,
                        &TOrvaObject::SetOnRBtnUp, &TOrvaObject::SetOnMouseMove, &TOrvaObject::SetOnMouseIn,
                        &TOrvaObject::SetOnMouseOut, &TOrvaObject::SetOnWheelDown, &TOrvaObject::SetOnWheelUp,
                        &TOrvaObject::SetOnKeyDown, &TOrvaObject::SetOnKeyUp, &TOrvaObject::SetOnKeyRepeat,
                        &TOrvaObject::SetOnFocusIn, &TOrvaObject::SetOnFocusOut})
      (probe->*setter)(handler);
    return probe;
  }

  // Records the window input of one frame, runs the input step and answers the object
  // calls, then the events queued in the frame ("name:kind(args)"); the events are then
  // taken off the queue as if their handlers had run. Input words: "move x y",
  // "press L|R|M", "release", "wheel down|up", "keydown n", "keyup n".
  std::vector<std::string> Frame(const std::string& input) {
    std::istringstream words(input);
    std::string word;
    while (words >> word) {
      if (word == "move") {
        int x, y;
        words >> x >> y;
        Scene().RecordMousePos({x, y});
      } else if (word == "press") {
        words >> word;
        Scene().RecordButtonPress(word == "L"   ? TOrvaBaseList::TMouseButton::Left
                                  : word == "R" ? TOrvaBaseList::TMouseButton::Right
                                                : TOrvaBaseList::TMouseButton::Middle);
      } else if (word == "release") {
        Scene().RecordButtonRelease();
      } else if (word == "wheel") {
        words >> word;
        Scene().RecordWheel(word == "down");
      } else if (word == "keydown" || word == "keyup") {
        int code;
        words >> code;
        Scene().SetKeyState(code, word == "keydown");
        if (word == "keydown") Scene().SetKeyHit(code, true);
      } else {
        ADD_FAILURE() << "unknown input " << word;
      }
    }
    Log().clear();
    Scene().ProcessInput();
    std::vector<std::string> out = Log();
    TTimerList& q = Scene().Events();
    for (int i = 0; i < q.Count(); ++i) {
      const TTimerData& e = *q.GetEvent(i);
      const TOrvaObject* sender = EventSender(e);
      std::string text = (sender ? sender->GetName() : "?") + ":" + std::to_string(e.Kind);
      if (e.Args.Count() > 0) text += "(" + e.Args[0] + "," + e.Args[1] + ")";
      out.push_back(text);
    }
    q.Clear();
    return out;
  }

  struct Step {
    std::string input;
    std::vector<std::string> expected;  // calls, then events
  };
  void Play(const std::vector<Step>& steps) {
    for (size_t i = 0; i < steps.size(); ++i)
      EXPECT_EQ(Frame(steps[i].input), steps[i].expected) << "frame " << i << ": " << steps[i].input;
  }

  TFakeCursor cursor_;
};

TEST_F(InputTest, APressCapturesTheButtonAndTheReleaseComesBackWhereverTheMouseIs) {
  Probe("a", {10, 10, 100, 100});
  Probe("b", {200, 10, 50, 50});
  Play({
      {"move 20 30", {"a:In", "a:Move", "a:103", "a:34(10,20)"}},
      {"press L", {"a:LDown", "a:36(10,20)"}},
      // Dragged off: only the captured object hears of it, at positions relative to it.
      {"move 5 5", {"a:Move", "a:Hold", "a:34(-5,-5)"}},
      {"move 210 20", {"a:Move", "a:Hold", "a:34(200,10)"}},
      {"release", {"a:LUp", "a:Hold", "a:37(200,10)"}},
      // Free again: the object under the mouse is found anew.
      {"", {"a:Out", "b:In", "b:Move", "a:35", "b:103", "b:34(10,10)"}},
      {"", {}},
      {"move 211 20", {"b:Move", "b:34(11,10)"}},
  });
}

TEST_F(InputTest, ClicksGoToTheObjectsThatAcceptThem) {
  Probe("under", {0, 0, 100, 100});
  TProbe* over = Probe("over", {0, 0, 50, 50});
  over->SetIgnoreMouse(IM_LCLICK);
  over->SetPriority(1);
  TProbe* paused = Probe("paused", {60, 0, 40, 40});
  paused->SetPaused(true);
  paused->SetPriority(1);
  Play({
      {"move 10 10", {"over:In", "over:Move", "over:103", "over:34(10,10)"}},
      // A left click passes an IM_LCLICK object to the one below it.
      {"press L release", {"under:LDown", "over:Out", "under:In", "under:Move", "under:36(10,10)", "over:35",
                           "under:103", "under:34(10,10)"}},
      {"", {"under:LUp", "under:Hold", "under:37(10,10)"}},
      // ...while a right click is taken by it.
      {"press R release", {"over:RDown", "under:Out", "over:In", "over:Move", "over:38(10,10)", "under:35",
                           "over:103", "over:34(10,10)"}},
      {"", {"over:RUp", "over:Hold", "over:39(10,10)"}},
      // A paused object swallows the click without an event and captures nothing.
      {"move 70 10", {"over:Out", "paused:In", "paused:Move", "over:35", "paused:103", "paused:34(10,10)"}},
      {"press L", {"paused:LDown"}},
  });
  EXPECT_FALSE(Layer(0).LeftClick);
  EXPECT_EQ(Frame("release"), std::vector<std::string>{});
}

TEST_F(InputTest, BusyOrLockedObjectsConsumeClicksWithoutEvents) {
  TProbe* a = Probe("a", {0, 0, 100, 100});
  Frame("move 10 10");
  // The down event of the last press still runs: the click is consumed, nothing queued or
  // captured.
  a->QueueEvent(PR_ONLBTNDOWN, "a.osb");
  Scene().RecordButtonPress(TOrvaBaseList::TMouseButton::Left);
  Log().clear();
  Scene().ProcessInput();
  EXPECT_EQ(Log(), std::vector<std::string>{"a:LDown"});
  EXPECT_EQ(Scene().Events().Count(), 1);
  EXPECT_EQ(Layer(0).Capture, 0);
  EXPECT_FALSE(Layer(0).LeftClick);
  EXPECT_TRUE(Layer(0).IsLeftButtonDown());
  Scene().Events().Clear();
  Frame("release");

  a->InputLocked = true;
  EXPECT_EQ(Frame("press L move 11 10"), (std::vector<std::string>{"a:LDown", "a:Move"}));
  EXPECT_FALSE(Layer(0).LeftClick);
}

TEST_F(InputTest, AClickOnTheBareLayerStaysForTheScript) {
  Probe("a", {0, 0, 10, 10});
  EXPECT_EQ(Frame("move 300 300 press L"), std::vector<std::string>{});
  EXPECT_TRUE(Layer(0).LeftClick);
  EXPECT_TRUE(Layer(0).IsLeftButtonDown());
  EXPECT_EQ(Frame(""), std::vector<std::string>{});
  EXPECT_FALSE(Layer(0).LeftClick);  // latched for one frame only
}

TEST_F(InputTest, TheLastPressedButtonReplacesTheHeldOne) {
  Probe("a", {0, 0, 100, 100});
  Frame("move 5 5");
  Frame("press L");
  EXPECT_TRUE(Layer(0).LeftHeld && Layer(1).LeftHeld);
  // The window records only the last button: pressing the right one lets the left go.
  EXPECT_EQ(Frame("press R"), (std::vector<std::string>{"a:LUp", "a:Hold", "a:37(5,5)"}));
  EXPECT_FALSE(Layer(0).LeftHeld || Layer(1).LeftHeld);
  EXPECT_TRUE(Layer(0).RightClick);  // no object took it: the script sees it
  EXPECT_EQ(Frame("press M"), (std::vector<std::string>{}));
  EXPECT_FALSE(Layer(0).RightHeld || Layer(0).RightClick);
}

TEST_F(InputTest, WheelEventsWaitForTheirHandler) {
  Probe("a", {0, 0, 100, 100});
  Frame("move 5 5");
  EXPECT_EQ(Frame("wheel down"), std::vector<std::string>{"a:40"});
  EXPECT_EQ(Frame("wheel up"), std::vector<std::string>{"a:41"});
  Scene().RecordWheel(true);
  Scene().ProcessInput();
  Scene().RecordWheel(true);
  Scene().ProcessInput();  // the first one still waits
  EXPECT_EQ(Scene().Events().Count(), 1);
}

TEST_F(InputTest, ARightClickReceiverTakesTheClickBeforeTheHitTest) {
  Probe("box", {0, 0, 100, 100});
  TProbe* map = Probe("map", {500, 0, 10, 10});
  TProbe* other = Probe("other", {500, 0, 10, 10}, Scene().GetLayer(1));
  for (TProbe* p : {other, map}) {
    p->SetRClickScrap(true);
    Scene().AddRightClickReceiver(p);
  }
  Frame("move 5 5");
  // Only the receiver on the shown layer is asked, and the box never sees the click.
  EXPECT_EQ(Frame("press R"), (std::vector<std::string>{"map:Scrap"}));
  EXPECT_FALSE(Layer(0).RightClick);
  Frame("release");
  // A paused receiver, or one that ignores right clicks, is passed over.
  map->SetPaused(true);
  EXPECT_EQ(Frame("press R"), (std::vector<std::string>{"box:RDown", "box:38(5,5)"}));
  EXPECT_EQ(Frame("release"), (std::vector<std::string>{"box:RUp", "box:Hold", "box:39(5,5)"}));
  map->SetPaused(false);
  map->SetIgnoreMouse(IM_RCLICK);
  EXPECT_EQ(Frame("press R"), (std::vector<std::string>{"box:RDown", "box:38(5,5)"}));
}

TEST_F(InputTest, TheCursorOfTheObjectUnderTheMouseIsInstalledOnce) {
  TProbe* a = Probe("a", {0, 0, 100, 100});
  a->SetCursor("hand.cur");
  Probe("b", {200, 0, 100, 100});
  TParamCollection vars;
  vars.GameCursorFile = "game.cur";
  Frame("move 5 5");
  Frame("move 6 5");
  ASSERT_EQ(cursor_.Loaded.size(), 1u);
  EXPECT_NE(cursor_.Loaded[0].find("hand.cur"), std::string::npos);
  EXPECT_EQ(cursor_.Panel, TSceneCursor::Custom);
  EXPECT_EQ(cursor_.Changes, 1);
  Frame("move 205 5");  // no cursor and no game cursor: the arrow
  EXPECT_EQ(cursor_.Panel, TSceneCursor::Arrow);
  SetSceneVariables(&vars);
  Frame("move 206 5");
  SetSceneVariables(nullptr);
  ASSERT_EQ(cursor_.Loaded.size(), 2u);
  EXPECT_NE(cursor_.Loaded[1].find("game.cur"), std::string::npos);
  EXPECT_EQ(Layer(0).CursorFile, "game.cur");
}

TEST_F(InputTest, TheFocusIsFoundAgainOrMovedByAClick) {
  TProbe* first = Probe("first", {10, 10, 50, 50});
  TProbe* second = Probe("second", {100, 10, 50, 50});
  first->SetHandleKey(true);
  second->SetHandleKey(true);
  // Created without a focus: the last visible HANDLEKEY control is found at the next step.
  EXPECT_EQ(Frame(""), (std::vector<std::string>{"second:focus", "second:148"}));
  EXPECT_EQ(Scene().GetFocus(), second);
  EXPECT_EQ(Frame("move 15 15 press L release"),
            (std::vector<std::string>{"first:LDown", "first:focus", "first:In", "first:Move", "first:36(5,5)",
                                      "second:149", "first:148", "first:103", "first:34(5,5)"}));
  EXPECT_EQ(Scene().GetFocus(), first);
}

TEST_F(InputTest, KeysReachTheFocusOncePerFrameAndRepeatAfter300ThenEvery50Ms) {
  TProbe* focus = Probe("f", {0, 0, 10, 10});
  focus->SetOnKeyDown("");
  focus->SetOnKeyUp("");
  focus->SetOnKeyRepeat("");
  focus->SetHandleKey(true);
  Frame("");
  FrameDelta = 25;
  std::vector<int> repeats;
  std::vector<int> latched;
  for (int frame = 0; frame < 24; ++frame) {
    std::string input = frame == 0 ? "keydown 65 keydown 66" : frame == 20 ? "keyup 65 keyup 66" : "";
    const std::vector<std::string> calls = Frame(input);
    if (frame == 0) {
      EXPECT_EQ(calls, (std::vector<std::string>{"f:KeyDown", "f:KeyRepeat"}));
    }
    // The repeat that came due in frame 19 is still called with the release.
    if (frame == 20) {
      EXPECT_EQ(calls, (std::vector<std::string>{"f:KeyRepeat", "f:KeyUp"}));
    }
    if (std::find(calls.begin(), calls.end(), "f:KeyRepeat") != calls.end()) repeats.push_back(frame);
    if (Scene().IsKeyRepeated(65)) latched.push_back(frame);
    EXPECT_EQ(Scene().IsKeyHit(65), frame == 0) << frame;
    EXPECT_EQ(Scene().IsKeyDown(65), frame < 20) << frame;
  }
  // The timer reaches 0 in frame 11 (12 × 25 ms = 300); its repeat is called in the next
  // frame, then every other frame.
  EXPECT_EQ(repeats, (std::vector<int>{0, 12, 14, 16, 18, 20}));
  EXPECT_EQ(latched, (std::vector<int>{0, 12, 14, 16, 18}));
}

TEST_F(InputTest, LosingTheApplicationReleasesKeysWithoutKeyUps) {
  TProbe* focus = Probe("f", {0, 0, 10, 10});
  focus->SetHandleKey(true);
  Frame("");
  Frame("keydown 13");
  Scene().ClearKeys();
  EXPECT_FALSE(Scene().IsKeyDown(13));
  for (int i = 0; i < 30; ++i) EXPECT_EQ(Frame(""), std::vector<std::string>{});
  // Codes outside the table are ignored.
  Scene().SetKeyState(256, true);
  Scene().SetKeyState(-1, true);
  EXPECT_FALSE(Scene().IsKeyDown(256));
  EXPECT_EQ(Frame(""), std::vector<std::string>{});
}

}  // namespace
}  // namespace orva
