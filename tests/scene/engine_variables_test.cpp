// The 49 system variables over a headless scene, a page called with two arguments, a
// virtual clock and recording doubles of the history, display and MIDI links.
#include "scene/engine_variables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <numbers>
#include <optional>

#include "../script/builtin_rows.h"
#include "core/fonts.h"
#include "core/frame_clock.h"
#include "kit/engine_link_doubles.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "scene/base_list.h"
#include "script/call_manager.h"
#include "script/project_file.h"
#include "scene_test_kit.h"

namespace orva {
namespace {

using kit::PageBuilder;
using script_test::RunExpression;
using scene_test::TTestBox;

class EngineVariables : public scene_test::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    man.SetScene(&Scene().Link());
    man.SetProject(&project);
    vars.SetSystemVariables(&engine);
    vars.SetFunctions(&functions);
    functions.SetScene(&Scene().Link());
    engine.SetCallMan(&man);
    file.ScreenWidth = 800;
    file.ScreenHeight = 600;
    file.Title = "Game";
    engine.SetProjectFile(&file);
  }
  void TearDown() override {
    man.SetScene(nullptr);
    SceneFixture::TearDown();
  }
  void InstallLinks() {
    engine.SetHistory(&history);
    engine.SetDisplay(&display);
    engine.SetMidi(&midi);
  }
  // A page that calls a page of text result with two arguments; the callee waits.
  void CallWithTwoArguments() {
    vars.AddVariable(PT_STR).SetName("r");
    files.Add("c.osb", PageBuilder().ResultType(PT_STR).Wait("100000"));
    files.Add("start.osb", PageBuilder().Call("c.osb", 0, "r", {"\"one\"", "\"two\""}));
    man.Start("start.osb");
    kit::RunFrame(man);
  }
  std::string Eval(std::string_view text) { return RunExpression(vars, text); }
  TCustomParam& Value(std::string_view name) { return vars.Find(name)->Value(); }
  TTestBox* KeyBox(std::string_view name) {
    TTestBox* box = Box(name, {0, 0, 10, 10});
    box->SetHandleKey(true);
    return box;
  }

  kit::FrameScope frameScope;
  kit::VirtualClock clock;
  kit::GameFiles files;
  TParamCollection vars;
  kit::TestProject project;
  TCallMan man{vars};
  TEngineVariables engine{vars};
  TSysFuncMan functions{vars};
  TProjectFile file;
  kit::RecordingHistory history;
  kit::RecordingDisplay display;
  kit::RecordingMidi midi;
};

TEST_F(EngineVariables, EveryVariableReadsItsEngineState) {
  CallWithTwoArguments();
  TOrvaBase& layer = *Scene().ActiveLayer();
  layer.LeftClick = true;
  layer.LeftHeld = layer.RightHeld = true;
  layer.Capture = TOrvaBase::CaptureRight;
  layer.SetMousePos({12, 34});
  layer.WheelUp = true;
  Scene().SetKeyState(65, true);
  Scene().SetAudioEnabled(false);
  Scene().SetFocus(KeyBox("edit"));
  cache_.Dither = true;
  vars.GameCursorFile = "c.cur";
  vars.SelStr = "pick";
  vars.SelIndex = 3;
  vars.TempVariableName = "r";
  GameClock = 0x80000005u;
  FrameCount = 77;
  clock.milliseconds = 0xFFFFFFFFu;
  clock.now = EncodeDayCount(2024, 2, 29, 23, 59, 59, 999);
  history.Total = 120;
  history.MaxCount = 50;
  display.FullScreen = true;
  display.ModeCount = 4;
  display.ModeIndex = 2;
  midi.Devices = {"mapper", "synth"};
  midi.Selected = "synth";

  struct Row {
    std::string name, absent;
    std::string linked = {};  // with the links installed, when it differs
  };
  const Row rows[] = {
      {"@Result", "S:"},
      {"@LClick", "B:TRUE"},
      {"@RClick", "B:FALSE"},
      {"@LPush", "B:TRUE"},
      {"@RPush", "B:FALSE"},  // held, but captured by an object
      {"@MouseX", "I:12"},
      {"@MouseY", "I:34"},
      {"@TextDelay", "I:50"},
      {"@HistoryCount", "I:0", "I:120"},
      {"@ParamCount", "I:2"},
      {"@ParamStr", "S:one"},  // an operand reads element 0
      {"@Sender", "S:"},
      {"@ScrWidth", "I:800"},
      {"@ScrHeight", "I:600"},
      {"@TickCount", "I:-2147483643"},
      {"@PCTickCount", "I:-1"},
      {"@UpdateCount", "I:77"},
      {"@Year", "I:2024"},
      {"@Month", "I:2"},
      {"@Day", "I:29"},
      {"@Week", "I:5"},
      {"@Hour", "I:23"},
      {"@Min", "I:59"},
      {"@Sec", "I:59"},
      {"@FullScr", "B:FALSE", "B:TRUE"},
      {"@Cursor", "S:c.cur"},
      {"@SelStr", "S:pick"},
      {"@SelIndex", "I:3"},
      {"@Pi", "F:3.14159265358979"},
      {"@CGDither", "B:TRUE"},
      {"@1Hour", "F:0.0416666666666667"},
      {"@1Min", "F:0.000694444444444444"},
      {"@1Sec", "F:1.15740740740741E-5"},
      {"@KeyPush", "B:FALSE"},
      {"@KeyClick", "B:FALSE"},
      {"@DisplayModeCount", "I:0", "I:4"},
      {"@DisplayModeIndex", "I:-1", "I:2"},
      {"@Title", "S:Game"},
      {"@SoundON", "B:FALSE"},
      {"@ActiveCompo", "S:edit"},
      {"@KeyRepeat", "B:FALSE"},
      {"@HistoryMaxCount", "I:0", "I:50"},
      {"@Temp", "S:"},
      {"@MidiPort", "S:", "S:synth"},
      {"@MidiPorts", "S:", "S:mapper"},
      {"@WheelDown", "B:FALSE"},
      {"@WheelUp", "B:TRUE"},
      {"@ParamStr[1]", "S:two"},
      {"@KeyPush[65]", "B:TRUE"},
      {"@KeyPush[256]", "B:FALSE"},
      {"@KeyPush[257]", "B:TRUE"},
      {"@MidiPorts[1]", "!@MidiPorts[1]\r\n要素数を超えています", "S:synth"},
      {"@TickCount + 1", "I:-2147483642"},
      {"@Pi * 2", "F:6.28318530717959"},
  };
  for (bool linked : {false, true}) {
    if (linked) InstallLinks();
    for (const Row& row : rows)
      EXPECT_EQ(Eval(row.name), linked && !row.linked.empty() ? row.linked : row.absent) << row.name << (linked ? " linked" : "");
  }

  // The values themselves: exact extended and widened double constants, element counts,
  // elements outside.
  EXPECT_EQ(vars.Find("@Pi")->GetAsFloat(), std::numbers::pi_v<long double>);
  EXPECT_EQ(vars.Find("@1Sec")->GetAsFloat(), static_cast<long double>(1.0 / 86400));
  EXPECT_EQ(vars.Find("@ParamStr")->GetAsString(), "");
  EXPECT_FALSE(vars.Find("@KeyPush")->GetAsBoolean());
  EXPECT_EQ(Value("@ParamStr").GetCount(), 2);
  EXPECT_EQ(Value("@ParamStr").GetStrItem(5), "");
  EXPECT_EQ(Value("@KeyPush").GetCount(), 258);
  EXPECT_FALSE(Value("@KeyClick").GetBoolItem(300));
  EXPECT_EQ(Value("@MidiPorts").GetCount(), 2);
  EXPECT_EQ(Value("@Title").GetCount(), 1);
  EXPECT_EQ(Value("@Title").GetDimSize(0), 1);
  EXPECT_EQ(Value("@KeyRepeat").GetDimSize(0), 258);
  EXPECT_EQ(vars.Find("@Temp")->GetParamType(), PT_STR);
}

TEST_F(EngineVariables, FontListsAreJoinedByLineBreaks) {
  for (bool fixed : {false, true}) {
    const std::vector<std::string> names = ListFonts(true, false, fixed);
    const std::string text = vars.Find(fixed ? "@FixedFonts" : "@Fonts")->GetAsString();
    if (names.empty()) {
      EXPECT_EQ(text, "");
      continue;
    }
    EXPECT_EQ(text.substr(0, names[0].size()), names[0]);
    EXPECT_NE(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(names.size() - 1));
  }
}

TEST_F(EngineVariables, WritesReachTheEngineOrAreIgnored) {
  CallWithTwoArguments();
  InstallLinks();
  Scene().ActiveLayer()->LeftClick = true;
  Scene().SetKeyState(65, true);
  history.Total = 120;
  for (const char* text :
       {"@LClick = FALSE", "@RClick = TRUE", "@MouseX = 5", "@MouseY = 6", "@TextDelay = 20", "@HistoryCount = 5",
        "@ParamCount = 9", "@ParamStr[0] = \"x\"", "@FullScr = TRUE", "@Cursor = \"x.cur\"", "@SelStr = \"s\"",
        "@SelIndex = 4", "@Pi = 3", "@CGDither = TRUE", "@KeyPush[65] = FALSE", "@DisplayModeIndex = 1",
        "@SoundON = FALSE", "@HistoryMaxCount = 9", "@MidiPort = \"synth\"", "@Result = \"done\"", "@Year = 1"})
    EXPECT_EQ(Eval(text), "(none)") << text;
  EXPECT_FALSE(Scene().ActiveLayer()->LeftClick);
  EXPECT_TRUE(Scene().ActiveLayer()->RightClick);
  EXPECT_EQ(vars.GlobalTextDelay, 20);
  EXPECT_EQ(vars.GameCursorFile, "x.cur");
  EXPECT_EQ(vars.SelStr, "s");
  EXPECT_EQ(vars.SelIndex, 4);
  EXPECT_TRUE(cache_.Dither);
  EXPECT_TRUE(Scene().IsKeyDown(65));
  EXPECT_FALSE(Scene().GetAudioEnabled());
  EXPECT_EQ(media_.Calls, std::vector<bool>{false});
  EXPECT_EQ(man.ResultValue()->GetAsString(), "done");
  EXPECT_EQ(man.GetArg(0), "one");
  EXPECT_EQ(history.Total, 120);
  EXPECT_EQ(history.Calls, std::vector<std::string>{"SetMaxCount(9)"});
  EXPECT_EQ(display.Calls, (std::vector<std::string>{"SetMouseX(5)", "SetMouseY(6)", "SetFullScreen(TRUE)",
                                                     "SetBestMode(1)"}));
  EXPECT_EQ(midi.Calls, std::vector<std::string>{"SelectDeviceName(synth)"});
  EXPECT_EQ(Eval("@Pi"), "F:3.14159265358979");
}

TEST_F(EngineVariables, WithoutTheLinksWritesAreIgnored) {
  for (const char* text : {"@MouseX = 5", "@FullScr = TRUE", "@DisplayModeIndex = 1", "@HistoryMaxCount = 9",
                           "@MidiPort = \"x\"", "@Result = 1", "@ParamStr = \"x\""})
    EXPECT_EQ(Eval(text), "(none)") << text;
  EXPECT_EQ(Eval("@FullScr"), "B:FALSE");
  EXPECT_EQ(Eval("@DisplayModeIndex"), "I:-1");
  EXPECT_EQ(Eval("@ParamCount"), "I:0");
  EXPECT_EQ(vars.Find("@Result")->GetParamType(), PT_NONE);
}

// A text written as text converts by the system rules (1 is true, "TRUE" is not); an
// assignment reads the operand as a flag first ("1" is not true, "TRUE" is).
TEST_F(EngineVariables, FullScreenFromText) {
  InstallLinks();
  TParamCollectionItem& full = *vars.Find("@FullScr");
  full.SetAsString("1");
  full.SetAsString("TRUE");
  Eval("@FullScr = \"1\"");
  Eval("@FullScr = \"TRUE\"");
  EXPECT_EQ(display.Calls, (std::vector<std::string>{"SetFullScreen(TRUE)", "SetFullScreen(FALSE)",
                                                     "SetFullScreen(FALSE)", "SetFullScreen(TRUE)"}));
}

TEST_F(EngineVariables, ActiveCompoMovesTheFocusOnlyToAControlThatTakesKeys) {
  TTestBox* start = KeyBox("start");
  KeyBox("ready");
  Box("nokeys", {0, 0, 10, 10});
  KeyBox("paused")->SetPaused(true);
  KeyBox("hidden")->SetVisible(false);
  Scene().SetFocus(start);
  for (const char* name : {"nokeys", "paused", "hidden", "missing", ""}) {
    vars.Find("@ActiveCompo")->SetAsString(name);
    EXPECT_EQ(Eval("@ActiveCompo"), "S:start") << name;
  }
  Eval("@ActiveCompo = \"ready\"");
  EXPECT_EQ(Eval("@ActiveCompo"), "S:ready");
}

TEST_F(EngineVariables, SenderOfTheRunningHandler) {
  files.Add("h.osb", PageBuilder().Wait("100000"));
  files.Add("start.osb", PageBuilder().Wait("100000"));
  man.Start("start.osb");
  kit::RunFrame(man);
  EXPECT_EQ(Eval("@Sender"), "S:");
  Box("button", {0, 0, 10, 10})->QueueEvent(PR_ONLBTNDOWN, "h.obs");
  kit::RunFrame(man);
  EXPECT_EQ(Eval("@Sender"), "S:button");
}

TEST_F(EngineVariables, KeysAndTheWheelOfThisFrame) {
  Scene().SetKeyState(13, true);
  Scene().SetKeyHit(13, true);
  Scene().ProcessInput();
  Scene().ActiveLayer()->WheelDown = true;
  EXPECT_EQ(Eval("@KeyPush[13] ++ @KeyClick[13] ++ @KeyPush[256] ++ @KeyClick[256] ++ @KeyPush[14]"),
            "S:TRUETRUETRUETRUEFALSE");
  EXPECT_EQ(Eval("@WheelDown"), "B:TRUE");
}

// The date variables read the local time of one instant, 2024-02-29 23:59:59.999 UTC, in two
// zones; the last millisecond never rounds into the next second, hour or day.
TEST_F(EngineVariables, LocalDateAndTimeInTwoZones) {
  const char* saved = std::getenv("TZ");
  const std::optional<std::string> previous = saved ? std::optional<std::string>(saved) : std::nullopt;
  const std::string parts = "@Year ++ \"-\" ++ @Month ++ \"-\" ++ @Day ++ \" \" ++ @Week ++ \" \" ++ @Hour ++ \":\" ++ "
                            "@Min ++ \":\" ++ @Sec";
  struct Zone {
    const char* tz;
    const char* expected;
  } zones[] = {{"UTC0", "S:2024-2-29 5 23:59:59"}, {"JST-9", "S:2024-3-1 6 8:59:59"}};
  for (const Zone& zone : zones) {
    setenv("TZ", zone.tz, 1);
    tzset();
    clock.now = LocalDayCount(1709251199, 999);
    GameClock += 16;  // a new frame: the time is read again
    EXPECT_EQ(Eval(parts), zone.expected) << zone.tz;
  }
  if (previous) setenv("TZ", previous->c_str(), 1);
  else unsetenv("TZ");
  tzset();
}

}  // namespace
}  // namespace orva
