// The commands beyond flow control and waiting: variables, saves, resets, the quit, and the
// parts of the scene-facing commands that live in the interpreter.
#include <gtest/gtest.h>

#include "core/app_control.h"
#include "interpreter_fixture.h"
#include "script/component_commands.h"
#include "script/flip_command.h"
#include "script/media_commands.h"
#include "script/text_commands.h"
#include "script_test_support.h"

using namespace orva;
using namespace orva::script_test;
using kit::PageBuilder;

namespace {

class Commands : public Interpreter {
 protected:
  template <class T>
  T& Command(int index) {
    return static_cast<T&>(man.CurrentPage()->GetCommand(index));
  }
};

}  // namespace

TEST_F(Commands, VarNewScopes) {
  Make(vars, "st", PT_INT, vsStatus).SetAsInteger(3);
  PageBuilder start;
  start.VarNew("g", PT_INT, "5").Calc("g = 9").VarNew("g", PT_INT, "5");  // assigned again
  start.VarNew("st", PT_INT, "7", vsStatus);                              // kept
  start.VarNew("f", PT_FLOAT, "\"2.5\"").VarNew("none", PT_STR, "missing");
  start.VarNew("loc", PT_INT, "1", vsLocal).VarNew("auto", PT_INT, "4", vsAutoDestroy);
  start.Call("c.osb", 0).Calc("back = loc");
  PageBuilder callee;
  callee.VarNew("loc", PT_INT, "2", vsLocal).VarNew("gone", PT_INT, "1", vsAutoDestroy).Calc("seen = loc");
  Add("c.osb", callee);
  Global("back");
  Global("seen");
  Start(start);
  Frame();
  EXPECT_EQ(Int("g"), 5);
  EXPECT_EQ(Int("st"), 3);
  EXPECT_EQ(vars.Find("f")->GetAsFloat(), 2.5L);
  EXPECT_EQ(Str("none"), "");
  EXPECT_EQ(Int("seen"), 2);  // the callee's own local
  EXPECT_EQ(Int("back"), 1);  // the caller's, untouched
  EXPECT_EQ(Int("auto"), 4);  // owned by depth 0: no return deletes it
  EXPECT_EQ(vars.Find("gone"), nullptr);
}

TEST_F(Commands, AFailedStepLeavesTheNextCommandToBePrepared) {
  Global("done");
  Start(PageBuilder().VarNew("", PT_INT, "1").Wait("32").Calc("done = 1"));
  TPage* page = man.CurrentPage();
  int32_t index = 0;
  EXPECT_EQ(Message([&] { page->GetCommand(0).Step(man, page, index); }), "変数名がありません");
  int frames = 0;
  while (Int("done") != 1 && frames < 10) {
    Frame();
    ++frames;
  }
  // The failing VarNew ends frame 1; the Wait is prepared in frame 2 and runs out in 4.
  EXPECT_EQ(frames, 4);
}

TEST_F(Commands, VarDel) {
  Global("a");
  Start(PageBuilder().VarDel("a").VarDel("").VarDel("missing"));
  Frame();
  EXPECT_EQ(vars.Find("a"), nullptr);
}

TEST_F(Commands, SaveAndLoadRequests) {
  PageBuilder page;
  page.GameSave("3", "after.osb", 4, "\"caption\"").GameLoad("2");
  Start(page);
  Frame();  // GameSave never continues
  EXPECT_EQ(project.saveSlot, 3);
  EXPECT_EQ(project.savePage, "after.osb");
  EXPECT_EQ(project.saveIndex, 4);
  EXPECT_EQ(project.saveCaption, "caption");
  EXPECT_EQ(project.loadSlot, -1);
  Frame();
  EXPECT_EQ(project.loadSlot, 2);

  PageBuilder old(104);
  old.GameSave("", "after.osb", 4, "").GameLoad("");
  Start(old, "old.osb");
  Frames(2);
  EXPECT_EQ(project.saveSlot, 0);
  EXPECT_EQ(project.saveIndex, 0);  // pages before 105 have no after-load index
  EXPECT_EQ(project.saveCaption, "");
  EXPECT_EQ(project.loadSlot, 0);
}

TEST_F(Commands, PCResetInTheMainScriptIsAJump) {
  Global("x");
  PageBuilder other;
  other.Calc("x = 10").Calc("x = x + 5");
  Add("other.osb", other);
  Start(PageBuilder().Calc("x = 1").PCReset("other.osb", 1, false));
  Frame();
  EXPECT_EQ(Int("x"), 6);
  EXPECT_EQ(man.Stack().Count(), 0);
}

TEST_F(Commands, PCResetInAHandlerMovesTheScriptUnderneath) {
  Global("h");
  Global("r");
  Add("after.osb", PageBuilder().Calc("r = 1"));
  Add("h.osb", PageBuilder().PCReset("after.osb", 0, false).Calc("h = 1"));
  Start(PageBuilder().Wait("100000"));
  Frame();
  scene.queue.Add("h.obs", scene.Add("button"));
  Frame();
  // The handler finished, then the main script resumed at the reset target.
  EXPECT_EQ(Int("h"), 1);
  EXPECT_EQ(Int("r"), 1);
  EXPECT_EQ(Where(), "after.osb:1");
  EXPECT_EQ(scene.queue.Count(), 0);
}

TEST_F(Commands, PCResetAllRestartsTheScript) {
  Global("y");
  PageBuilder callee;
  callee.VarNew("mine", PT_INT, "1", vsLocal).PCReset("again.osb", 1, true).Calc("y = 100");
  Add("c.osb", callee);
  PageBuilder again;
  again.Calc("y = 1").Calc("y = y + 10");
  Add("again.osb", again);
  Start(PageBuilder().Call("c.osb", 0).Calc("y = 200"));
  scene.queue.Add("pending.obs").Level = 0;
  Frame();
  EXPECT_EQ(Int("y"), 10);
  EXPECT_EQ(man.Stack().Count(), 0);
  EXPECT_EQ(vars.CallDepth(), 0);
  EXPECT_EQ(vars.Find("mine"), nullptr);
  EXPECT_EQ(scene.queue.Count(), 0);
}

TEST_F(Commands, ResetStartsANewGame) {
  Global("g");
  Make(vars, "st", PT_INT, vsStatus).SetAsInteger(3);
  scene.Add("picture");
  PageBuilder title;
  title.Calc("st = st + 1").Calc("st = st + 10");
  Add("title.osb", title);
  Start(PageBuilder().Calc("g = 1").Reset("title.osb", 1));
  Frame();
  EXPECT_EQ(scene.clears, 1);
  EXPECT_TRUE(scene.FindObject("picture").IsNone());
  EXPECT_EQ(vars.Find("g"), nullptr);
  EXPECT_EQ(Int("st"), 13);
}

TEST_F(Commands, TerminateRequestsTheQuitAndStays) {
  int closes = 0;
  SetMainWindowCloseHandler([&] { ++closes; });
  Global("x");
  Start(PageBuilder().Terminate().Calc("x = 1"));
  Frame();
  SetMainWindowCloseHandler(nullptr);
  EXPECT_TRUE(QuitRequested);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(Int("x"), 0);
  EXPECT_EQ(Where(), "start.osb:0");
}

TEST_F(Commands, FlipSteps) {
  Global("done");
  // A transition with a duration: marked started, then timed, then done; the run of each
  // frame ends at a step that does not move, whatever the record's continue flag.
  Start(PageBuilder().Flip({.transition = "3", .duration = "100"}).Calc("done = 1"));
  Frames(2);
  EXPECT_EQ(Int("done"), 0);
  EXPECT_TRUE(Command<TComFlip>(0).IsEventPoint());
  EXPECT_EQ(Command<TComFlip>(0).StartTime(), 32u);
  Frame();
  EXPECT_EQ(Int("done"), 1);
  // A carry mode without duration changes the layers at the first step.
  Start(PageBuilder().Flip({.duration = "0", .carry = "0"}).Calc("done = 2"), "now.osb");
  Frame();
  EXPECT_EQ(Int("done"), 2);
  EXPECT_FALSE(Command<TComFlip>(0).IsEventPoint());
}

TEST_F(Commands, FlipPreparation) {
  struct Case {
    const char* transition;
    const char* duration;
    uint8_t wipe;
    int32_t ms;
  } cases[] = {{"3", "500", 3, 500}, {"39", "", 0, 1}, {"259", "-5", 3, 1}, {"", "0", 0, 1}};
  for (const Case& c : cases) {
    Start(PageBuilder().Flip({.transition = c.transition, .duration = c.duration, .freeOld = "TRUE",
                              .blocksEvents = "TRUE"}),
          std::string("flip") + c.transition + ".osb");
    Frame();
    const TComFlip& flip = Command<TComFlip>(0);
    EXPECT_EQ(flip.Transition(), c.wipe) << c.transition;
    EXPECT_EQ(flip.Duration(), c.ms) << c.duration;
    EXPECT_TRUE(flip.FreesOldObjects());
    EXPECT_TRUE(flip.BlocksEvents());
  }
  std::unique_ptr<TMemoryStream> state;
  Command<TComFlip>(0).SaveRunState(state, man);
  EXPECT_EQ(state->View(), std::string("orva100\x01\x01", 9));
}

TEST_F(Commands, FlipCarriesByNameLists) {
  // Lines end with CR LF, LF or CR.
  Global("names", PT_STR);
  Global("other", PT_STR);
  vars.Find("names")->SetAsString("a\r\nb");
  vars.Find("other")->SetAsString("c\r");
  Start(PageBuilder().Flip({.duration = "10", .carry = "0", .nameLists = {"names", "missing", "other", "\"\""}}));
  Frame();
  const TComFlip& flip = Command<TComFlip>(0);
  struct Case {
    const char* name;
    int32_t mode;
    bool carried;
  } cases[] = {{"a", FL_OUT, false}, {"b", FL_OUT, false}, {"c", FL_OUT, false}, {"d", FL_OUT, true},
               {"a", FL_STAY, true}, {"b", FL_STAY, true}, {"d", FL_STAY, false}, {"a", 2, false},
               {"d", 2, false}};
  for (const Case& c : cases) EXPECT_EQ(flip.IsCarried(c.name, c.mode), c.carried) << c.name << " " << c.mode;

  Start(PageBuilder().Flip({.duration = "10", .carry = "1"}), "empty.osb");
  Frame();
  EXPECT_TRUE(Command<TComFlip>(0).IsCarried("x", FL_OUT));
  EXPECT_FALSE(Command<TComFlip>(0).IsCarried("x", FL_STAY));
}

TEST_F(Commands, CabinetSelection) {
  Start(PageBuilder().SaveCabinet({{PR_NAME, "\"cab\""}}, "TRUE", {"\"a\"", "\"b\"", "missing"}));
  auto& cabinet = Command<TComCabinet>(0);
  EXPECT_NE(cabinet.Expression(PR_NAME), nullptr);
  for (int i = 0; i < cabinet.NameCount(); ++i) cabinet.Name(i).Evaluate(vars);
  EXPECT_FALSE(cabinet.IsSelected("a", true));
  EXPECT_TRUE(cabinet.IsSelected("z", true));
  EXPECT_TRUE(cabinet.IsSelected("b", false));
  EXPECT_FALSE(cabinet.IsSelected("z", false));
}

TEST_F(Commands, MovieStopWaitsOnAnObjectItHoldsByHandle) {
  Start(PageBuilder().MovieStop("\"bgm\"", "500", "TRUE"));
  auto& stop = Command<TComMovieStop>(0);
  const TObjectHandle bgm = scene.Add("bgm");
  TMemoryStream state(kit::Fields().Raw("orva100").Str("bgm").Byte(1).Byte(1).Bytes());
  stop.LoadRunState(state, man);
  EXPECT_EQ(stop.Object(), bgm);
  EXPECT_TRUE(stop.BlocksEvents());
  TPage* page = man.CurrentPage();
  int32_t index = 0;
  stop.Step(man, page, index);
  EXPECT_EQ(index, 0);
  std::unique_ptr<TMemoryStream> saved;
  stop.SaveRunState(saved, man);
  EXPECT_EQ(saved->View(), state.View());
  // Gone from the scene: the wait ends, and a new object of that name is another one.
  scene.Remove(bgm);
  scene.Add("bgm");
  stop.Step(man, page, index);
  EXPECT_EQ(index, 1);
  saved.reset();
  stop.SaveRunState(saved, man);
  EXPECT_EQ(saved->View(), kit::Fields().Raw("orva100").Str("").Byte(1).Byte(1).Bytes());
  // The oldest form has no tag and no blocks-events byte.
  TMemoryStream old(kit::Fields().Str("none").Byte(0).Bytes());
  stop.LoadRunState(old, man);
  EXPECT_TRUE(stop.Object().IsNone());
  EXPECT_TRUE(stop.BlocksEvents());
  EXPECT_EQ(old.Remaining(), 0);
}

TEST_F(Commands, TextInsKeepsItsGlyphsAndRunState) {
  Start(PageBuilder().TextIns({.glyphs = "WzWord104 glyphs", .box = "\"mes\"", .wait = "TRUE", .blocksEvents = "TRUE"}));
  Frame();
  auto& text = Command<TComTextIns>(0);
  EXPECT_EQ(text.Glyphs().View(), "WzWord104 glyphs");
  EXPECT_EQ(Where(), "start.osb:1");  // no message box: it moves on
  TMemoryStream state(kit::Fields().Raw("orva100").Str("mes").Byte(1).Byte(0).Bytes());
  text.LoadRunState(state, man);
  EXPECT_TRUE(text.IsEventPoint());
  EXPECT_FALSE(text.BlocksEvents());
  std::unique_ptr<TMemoryStream> saved;
  text.SaveRunState(saved, man);
  EXPECT_EQ(saved->View(), kit::Fields().Raw("orva100").Str("").Byte(1).Byte(0).Bytes());
}

TEST_F(Commands, SceneCommandsMoveOnWithoutAScene) {
  man.SetScene(nullptr);
  Global("x");
  PageBuilder page;
  page.Component(TCommandCode::BoxNew, {{PR_NAME, "\"box\""}, {PR_PLUSX, "5"}})
      .ObjDel("\"box\"")
      .GetProp("\"box\"", "3", "x")
      .SetProp("\"box\"", "3", "1")
      .PropMotion({.name = "\"m\""})
      .TextClr("\"box\"")
      .CallHist("\"box\"", "0", "1", "FALSE")
      .ClrHist()
      .FormatHist("\"box\"")
      .ClrRead()
      .MediaPlay("\"box\"")
      .MovieStop("\"box\"", "0", "TRUE")
      .LoadCabinet({}, "FALSE", {})
      .Calc("x = 1");
  Start(page);
  EXPECT_NE(Command<TComComponent>(0).Expression(PR_PLUSX), nullptr);
  Frame();
  EXPECT_EQ(Int("x"), 1);
}
