#include "script/call_manager.h"

#include <gtest/gtest.h>

#include "core/app_control.h"
#include "core/frame_clock.h"
#include "interpreter_fixture.h"
#include "script/media_commands.h"
#include "script/script_error.h"
#include "script/wait_commands.h"
#include "script_test_support.h"

using namespace orva;
using namespace orva::script_test;
using kit::PageBuilder;

namespace {

class CallManager : public Interpreter {
 protected:
  // The main script waits for a long time: events run in front of it.
  void StartWaiting() { Start(PageBuilder().Wait("100000")); }
  TComWait& MainWait() { return static_cast<TComWait&>(man.GetPage("start.osb")->GetCommand(0)); }
};

}  // namespace

TEST_F(CallManager, DisabledCommandLeavesTheContinueFlagOfTheOneBefore) {
  for (const char* name : {"a", "b", "c"}) Global(name);
  PageBuilder page;
  page.Yield().Calc("a = 1").Disabled().Calc("b = 1").Calc("c = 1");
  Start(page);
  Frame();
  EXPECT_EQ(Int("a"), 1);
  Frame();  // the skip keeps the cleared flag: the run ends after it
  EXPECT_EQ(Int("c"), 0);
  Frame();
  EXPECT_EQ(Int("b"), 0);
  EXPECT_EQ(Int("c"), 1);
}

TEST_F(CallManager, APreparedCommandIsNotPreparedAgainUntilItMoves) {
  Start(PageBuilder().Wait("40").Calc("x = 1"));
  Global("x");
  Frame();
  EXPECT_TRUE(man.Prepared());
  EXPECT_EQ(Where(), "start.osb:0");
  Frames(2);
  EXPECT_EQ(Where(), "start.osb:0");
  Frame();  // 40 - 3 × 16 <= 0
  EXPECT_EQ(Int("x"), 1);
  EXPECT_FALSE(man.Prepared());
}

TEST_F(CallManager, TraceLines) {
  kit::TraceCapture trace;
  PageBuilder page;
  page.Calc("a = 1").Wait("40").Calc("b = 1");
  Add("hand.osb", PageBuilder().Label("go"));
  Start(page);
  GameClock = 0xABCDEF00;
  Frames(4);  // the Wait stays for three frames: traced once
  EXPECT_EQ(trace.lines, (std::vector<std::string>{"ABCDEF10 : start.osb(1)", "ABCDEF10 : start.osb(2)",
                                                   "ABCDEF40 : start.osb(3)"}));
  trace.lines.clear();
  // Two events run the same one-command handler: the "<Event>" line each time, the label
  // once, since it stays the last command traced.
  scene.queue.Add("hand.obs:go");
  scene.queue.Add("hand.xyz");
  Frame();
  EXPECT_EQ(trace.lines, (std::vector<std::string>{"ABCDEF50 : <Event>hand.osb(1)", "ABCDEF50 : hand.osb(1)",
                                                   "ABCDEF50 : <Event>hand.osb(1)"}));
}

TEST_F(CallManager, PageCacheKeepsTenAndNeverTheCurrentPage) {
  for (int i = 0; i < 12; ++i) Add("p" + std::to_string(i) + ".osb", PageBuilder().Calc("x = " + std::to_string(i)));
  man.Start("p0.osb");
  for (int i = 1; i <= 10; ++i) man.GetPage("p" + std::to_string(i) + ".osb");
  EXPECT_EQ(man.CachedPages(), 11);  // the oldest is the current page: nothing goes
  man.Start("p10.osb");
  man.GetPage("p11.osb");
  ASSERT_EQ(man.CachedPages(), 10);
  std::vector<std::string> names;
  for (int i = 0; i < man.CachedPages(); ++i) names.push_back(man.CachedPage(i).Name());
  EXPECT_EQ(names, (std::vector<std::string>{"p11.osb", "p10.osb", "p9.osb", "p8.osb", "p7.osb", "p6.osb",
                                             "p5.osb", "p4.osb", "p3.osb", "p2.osb"}));
  // A hit moves the page to the front without reading the file again; names compare exactly.
  TPage* p5 = man.GetPage("p5.osb");
  EXPECT_EQ(&man.CachedPage(0), p5);
  EXPECT_NE(man.GetPage("P5.osb"), p5);
}

TEST_F(CallManager, AFrameReturnsToAPageTheCacheDropped) {
  Global("back");
  PageBuilder start;
  start.Call("c.osb", 0).Calc("back = 1");
  Add("c.osb", PageBuilder().Wait("20"));
  for (int i = 0; i < 10; ++i) Add("f" + std::to_string(i) + ".osb", PageBuilder());
  Start(start);
  Frame();
  const int32_t index = man.CommandIndex();
  for (int i = 0; i < 10; ++i) man.GetPage("f" + std::to_string(i) + ".osb");
  man.SetCommandIndex(index);
  for (int i = 0; i < man.CachedPages(); ++i) EXPECT_NE(man.CachedPage(i).Name(), "start.osb");
  Frames(2);
  EXPECT_EQ(Int("back"), 1);
}

TEST_F(CallManager, StackFramesFollowTheCallDepth) {
  TStackList stack(vars);
  EXPECT_EQ(Message([&] { stack.Pop(); }), "スタックエラー");
  stack.Push().PageName = "a";
  stack.Push().PageName = "b";
  EXPECT_EQ(vars.CallDepth(), 2);
  EXPECT_EQ(stack.Pop().PageName, "b");
  EXPECT_EQ(vars.CallDepth(), 1);
  stack.Clear();
  EXPECT_EQ(vars.CallDepth(), 0);
}

TEST_F(CallManager, FrameCopyHoldsItsOwnRunStateAndResult) {
  TStack source;
  source.PageName = "p";
  source.RunState = std::make_unique<TMemoryStream>("state");
  source.Result = CreateParam(PT_STR);
  source.Result->SetAsString("r");
  source.Args.Add("x");
  TStack copy;
  copy.RunState = std::make_unique<TMemoryStream>("old");
  copy.Assign(source);
  source.Result->SetAsString("changed");
  source.RunState.reset();
  EXPECT_EQ(copy.RunState->View(), "state");
  EXPECT_EQ(copy.Result->GetAsString(), "r");
  EXPECT_EQ(copy.Args[0], "x");
  copy.Assign(source);
  EXPECT_EQ(copy.RunState, nullptr);
}

// A command that fails or stays with its continue flag set ends the frame's run; it is
// tried again in the next frame.
TEST_F(CallManager, ARunEndsAfterAFailingOrStandingStep) {
  Start(PageBuilder().Wait("1.0E30"));  // the time cannot be read as an integer
  Frame();
  EXPECT_EQ(Where(), "start.osb:0");
  EXPECT_FALSE(man.Prepared());

  Global("x");
  Start(PageBuilder().MenuClose("\"menu\"").Calc("x = 1"), "menu.osb");
  Frames(2);
  EXPECT_EQ(Where(), "menu.osb:0");
  scene.Add("menu");
  Frame();
  EXPECT_EQ(Int("x"), 1);
}

// A run that never yields asks for a look at the window every so many steps; a quit asked
// for then ends the run, which a run that yields soon never sees.
TEST_F(CallManager, ALongRunIsCheckedUntilAQuitEndsIt) {
  struct THandler {
    int checks = 0, quitAt = 0;
    THandler() {
      SetLongRunHandler([this] {
        if (++checks == quitAt) QuitRequested = true;
      });
    }
    ~THandler() {
      SetLongRunHandler(nullptr);
      QuitRequested = false;
    }
  } handler;
  Global("n");
  Global("short");
  Add("short.osb", PageBuilder().For("short = 0", "short < 10", "short = short + 1", [] {}).Wait("100000"));
  man.Start("short.osb");
  Frame();
  EXPECT_EQ(Int("short"), 10);
  EXPECT_EQ(handler.checks, 0);

  handler.quitAt = 3;
  PageBuilder endless;
  endless.While("TRUE", [&] { endless.Calc("n = n + 1"); });
  Start(endless);
  Frame();
  EXPECT_EQ(handler.checks, 3);
  // Each round steps the While, the Calc and the loop's end.
  EXPECT_NEAR(Int("n"), 3 * kLongRunSteps / 3, 2);
}

TEST_F(CallManager, EventsRunBetweenCommandSteps) {
  Global("h");
  Add("h.osb", PageBuilder().Calc("h = h + 1"));
  StartWaiting();
  Frame();
  EXPECT_EQ(MainWait().Remaining(), 100000);
  scene.queue.Add("h.obs");
  scene.queue.Add("h.obs");
  Frame();
  // Both handlers ran in front of the Wait, which went on counting where it was.
  EXPECT_EQ(Int("h"), 2);
  EXPECT_EQ(scene.queue.Count(), 0);
  EXPECT_EQ(MainWait().Remaining(), 100000 - 16);
  EXPECT_EQ(man.State(), 0);
  EXPECT_EQ(man.Stack().Count(), 0);
}

TEST_F(CallManager, HandlerLabels) {
  Global("x");
  PageBuilder handler;
  handler.Calc("x = x + 1").Exit().Label("go").Calc("x = x + 10");
  Add("h.osb", handler);
  StartWaiting();
  const struct {
    const char* reference;
    int32_t added;
  } cases[] = {{"h.obs", 1}, {"h.obs:go", 10}, {"h.obs:nothing", 1}, {"h", -1}};
  for (const auto& c : cases) {
    vars.Find("x")->SetAsInteger(0);
    scene.queue.Clear();
    scene.queue.Add(c.reference);
    Frame();
    EXPECT_EQ(Int("x"), c.added < 0 ? 0 : c.added) << c.reference;
  }
}

TEST_F(CallManager, AShortHandlerNameBecomesOnlyTheExtension) {
  Global("x");
  Add("osb", PageBuilder().Calc("x = 5"));
  StartWaiting();
  scene.queue.Add("ab");
  Frame();
  EXPECT_EQ(Int("x"), 5);
}

TEST_F(CallManager, AnUnavailableHandlerHoldsUpTheQueue) {
  Global("x");
  Add("gone.osb", PageBuilder().Calc("x = 1"));
  Add("h.osb", PageBuilder().Calc("x = 2"));
  project.unavailable.insert("gone.osb");
  StartWaiting();
  scene.queue.Add("gone.obs");
  scene.queue.Add("h.obs");
  Frames(3);
  EXPECT_EQ(Int("x"), 0);
  EXPECT_EQ(scene.queue.Describe(), (std::vector<std::string>{"gone.obs@0", "h.obs@0"}));
  project.unavailable.clear();
  Frame();
  EXPECT_EQ(Int("x"), 2);
  EXPECT_EQ(scene.queue.Count(), 0);
}

// A handler page that is there but cannot be loaded raises once, naming the page, and its
// event leaves the queue, at the top level and nested at an event point alike: the events
// behind it and the pages run on.
TEST_F(CallManager, ADamagedHandlerPageNeverGrowsTheStack) {
  Global("x");
  files.Add("bad.osb", PageBuilder().Command(99, kit::Fields()));
  Add("h.osb", PageBuilder().Calc("x = x + 1"));
  PageBuilder waiting;
  waiting.Wait("1000").Calc("x = x + 10");
  Add("w.osb", waiting);
  for (const bool nested : {false, true}) {
    SCOPED_TRACE(nested ? "nested" : "top level");
    vars.Find("x")->SetAsInteger(0);
    scene.queue.Clear();
    StartWaiting();
    if (nested) {
      scene.queue.Add("w.obs");
      Frame();
      ASSERT_EQ(man.State(), 2);
    }
    const int depth = man.Stack().Count();
    scene.queue.Add("bad.obs");
    scene.queue.Add("h.obs");
    try {
      Frame();
      ADD_FAILURE() << "no error";
    } catch (const EScriptError& e) {
      EXPECT_EQ(e.Subject(), "bad.osb");
    }
    EXPECT_EQ(man.Stack().Count(), depth);
    EXPECT_EQ(scene.queue.Describe(),
              nested ? (std::vector<std::string>{"w.obs@1", "h.obs@0"}) : std::vector<std::string>{"h.obs@0"});
    EXPECT_EQ(Where(), nested ? "w.osb:0" : "start.osb:0");
    EXPECT_NO_THROW(Frames(70));
    EXPECT_EQ(Int("x"), nested ? 11 : 1);
    EXPECT_EQ(scene.queue.Count(), 0);
    EXPECT_LT(MainWait().Remaining(), 100000) << "the main page runs on";
  }
}

TEST_F(CallManager, NestedEventsAtAnEventPoint) {
  Global("a");
  Global("b");
  PageBuilder first;
  first.Calc("a = 1").Wait("1000").Calc("a = 2");
  Add("a.osb", first);
  Add("b.osb", PageBuilder().Calc("b = 1"));
  StartWaiting();
  const TObjectHandle button = scene.Add("button");
  scene.queue.Add("a.obs", button);
  Frame();
  // The handler stopped at its Wait, an event point.
  EXPECT_EQ(Int("a"), 1);
  EXPECT_EQ(man.State(), 2);
  EXPECT_EQ(man.EventLevel(), 2);
  EXPECT_EQ(man.GetSenderName(), "button");
  scene.queue.Add("b.obs");
  Frame();
  // The nested handler ran at level 2 and its event went with it; the first waits on.
  EXPECT_EQ(Int("b"), 1);
  EXPECT_EQ(scene.queue.Describe(), std::vector<std::string>{"a.obs@1"});
  EXPECT_EQ(Where(), "a.osb:1");
  EXPECT_EQ(man.State(), 2);
  scene.Remove(button);
  EXPECT_EQ(man.GetSenderName(), "");
  Frames(70);
  EXPECT_EQ(Int("a"), 2);
  EXPECT_EQ(scene.queue.Count(), 0);
  EXPECT_EQ(man.State(), 0);
  EXPECT_EQ(Where(), "start.osb:0");
}

TEST_F(CallManager, ABlockingWaitHoldsEventsUntilItEnds) {
  Global("order", PT_STR);
  Add("a.osb", PageBuilder().Calc("order = order ++ \"a\""));
  Add("b.osb", PageBuilder().Calc("order = order ++ \"b\""));
  PageBuilder page;
  page.Wait("32", "", "TRUE").Calc("order = order ++ \"w\"").Wait("100000");
  Start(page);
  Frame();
  scene.queue.Add("a.obs");
  scene.queue.Add("b.obs");
  Frame();
  EXPECT_EQ(Str("order"), "");
  Frame();  // the Wait ends; the events run before the next command
  EXPECT_EQ(Str("order"), "abw");
}

TEST_F(CallManager, AnIdleTopLevelStillDispatches) {
  Global("x");
  Add("h.osb", PageBuilder().Calc("x = x + 1"));
  Start(PageBuilder().Exit());
  Frame();
  EXPECT_EQ(Where(), "start.osb:0");
  for (int i = 0; i < 3; ++i) {
    scene.queue.Add("h.obs");
    Frame();
  }
  EXPECT_EQ(Int("x"), 3);
  EXPECT_EQ(Where(), "start.osb:0");
}

TEST_F(CallManager, StartDropsTheRunningEventsAndTheStack) {
  Add("a.osb", PageBuilder().Wait("1000"));
  StartWaiting();
  scene.queue.Add("a.obs");
  Frame();
  scene.queue.Add("a.obs");
  Frame();  // nested at level 2
  EXPECT_EQ(scene.queue.Describe(), (std::vector<std::string>{"a.obs@1", "a.obs@2"}));
  scene.queue.Add("later.obs");
  man.Start("start.osb");
  EXPECT_EQ(scene.queue.Describe(), std::vector<std::string>{"later.obs@0"});
  EXPECT_EQ(man.Stack().Count(), 0);
  EXPECT_EQ(vars.CallDepth(), 0);
  EXPECT_EQ(man.EventLevel(), 2);
  EXPECT_EQ(man.State(), 0);
}

// ---- The interpreter's save form ----

namespace {

// A second interpreter over its own variables, restored from a save of the first.
struct Restored {
  explicit Restored(kit::TestScene& scene) {
    man.SetScene(&scene);
    vars.SetSystemVariables(&results);
  }
  TParamCollection vars;
  TCallMan man{vars};
  kit::ResultProvider results{man};
};

std::string Save(const TCallMan& man) {
  TMemoryStream m;
  man.SaveToStream(m);
  return std::string(m.View());
}

// Frames until `done` reads 1 (at most 100).
int FramesUntil(TCallMan& man, TParamCollection& vars, std::string_view done) {
  for (int frame = 1; frame <= 100; ++frame) {
    kit::RunFrame(man);
    if (vars.Find(done)->GetAsInteger() == 1) return frame;
  }
  return -1;
}

}  // namespace

TEST_F(CallManager, SaveAndRestoreInTheMiddleOfACall) {
  PageBuilder start;
  start.Call("c.osb", 0, "r", {"5", "\"x\""}).Calc("done = 1");
  PageBuilder callee;
  callee.Wait("100").Calc("@Result = 7");
  Add("c.osb", callee);
  Start(start);
  Global("r");
  Global("done");
  Frames(2);
  const std::string saved = Save(man);

  Restored restored(scene);
  restored.vars.AddVariable(PT_INT).SetName("r");
  restored.vars.AddVariable(PT_INT).SetName("done");
  TMemoryStream m(saved);
  restored.man.LoadFromStream(m, GameSaveVersion);
  EXPECT_EQ(m.Remaining(), 0);
  EXPECT_EQ(Save(restored.man), saved);
  EXPECT_EQ(restored.man.GetArg(1), "x");
  EXPECT_EQ(restored.vars.CallDepth(), 1);

  const int original = FramesUntil(man, vars, "done");
  EXPECT_EQ(FramesUntil(restored.man, restored.vars, "done"), original);
  EXPECT_EQ(original, 6);  // 100 - 16 × 7 <= 0, counted from the frame after the Wait began
  EXPECT_EQ(Int("r"), 7);
  EXPECT_EQ(restored.vars.Find("r")->GetAsInteger(), 7);
}

// A return to a page that cannot be loaded raises and leaves the frame, and the event level
// that counts it, in place; once the page is there the return completes.
TEST_F(CallManager, AReturnToAMissingPageLeavesTheFrame) {
  const PageBuilder start = PageBuilder().Call("c.osb", 0, "", {}).Calc("done = 1");
  Add("c.osb", PageBuilder().Wait("20"));
  Start(start);
  Global("done");
  Frames(2);
  const std::string saved = Save(man);

  files.Remove("start.osb");
  Restored restored(scene);
  restored.vars.AddVariable(PT_INT).SetName("done");
  TMemoryStream m(saved);
  restored.man.LoadFromStream(m, GameSaveVersion);
  for (int frame = 0; frame < 3; ++frame) EXPECT_THROW(kit::RunFrame(restored.man), Exception);
  EXPECT_EQ(restored.man.Stack().Count(), 1);
  Restored again(scene);
  TMemoryStream stuck(Save(restored.man));
  EXPECT_NO_THROW(again.man.LoadFromStream(stuck, GameSaveVersion));  // what it saves still loads
  Add("start.osb", start);
  EXPECT_EQ(FramesUntil(restored.man, restored.vars, "done"), 1);
  EXPECT_EQ(restored.man.Stack().Count(), 0);
}

TEST_F(CallManager, SaveAndRestoreWhileAHandlerWaits) {
  Global("done");
  Add("h.osb", PageBuilder().Wait("50").Calc("done = 1"));
  StartWaiting();
  Frame();
  scene.queue.Add("h.obs", scene.Add("sender"));
  Frames(2);
  const std::string saved = Save(man);

  Restored restored(scene);
  restored.vars.AddVariable(PT_INT).SetName("done");
  TMemoryStream m(saved);
  restored.man.LoadFromStream(m, GameSaveVersion);
  EXPECT_EQ(restored.man.State(), 2);
  EXPECT_EQ(restored.man.EventLevel(), 2);
  EXPECT_EQ(restored.man.GetSenderName(), "sender");
  ASSERT_EQ(restored.man.Stack().Count(), 1);
  EXPECT_NE(restored.man.Stack().Frame(0).RunState, nullptr);  // the main Wait's countdown
  EXPECT_EQ(Save(restored.man), saved);
  // 34 ms left: two frames, the third advances the Wait (an event point, the run ends), the
  // fourth finishes the handler and resumes the main Wait where the handler found it.
  EXPECT_EQ(FramesUntil(restored.man, restored.vars, "done"), 4);
  EXPECT_EQ(restored.man.State(), 0);
  EXPECT_EQ(static_cast<TComWait&>(restored.man.GetPage("start.osb")->GetCommand(0)).Remaining(), 100000 - 16);
}

TEST_F(CallManager, OlderSavesHaveNoEventLevel) {
  Start(PageBuilder().Calc("x = 1"));
  std::string saved = Save(man);  // not prepared: the event level is the last field
  saved.resize(saved.size() - 4);
  Restored restored(scene);
  TMemoryStream m(saved);
  restored.man.LoadFromStream(m, 115);
  EXPECT_EQ(m.Remaining(), 0);
  EXPECT_EQ(restored.man.EventLevel(), 2);
}

// Above 2 only while handlers nest (states 2 and 3), at least 1 while a nested handler runs,
// never beyond the frames: a level that does not fit its state would outlive its frames, and
// the next save would not load.
TEST_F(CallManager, TheEventLevelMustFitTheState) {
  Add("c.osb", PageBuilder().Wait("100"));
  Start(PageBuilder().Call("c.osb", 0, "", {}).Calc("x = 1"));
  Frames(2);
  const std::string saved = Save(man);  // one frame; the callee's Wait is prepared
  const size_t stateAt = 4 + 5 + 4 + 2;
  const size_t levelAt = saved.size() - 16 - 4;  // the Wait's running state follows the level
  auto patched = [&](int32_t state, int32_t level) {
    std::string bytes = saved;
    for (auto [at, value] : {std::pair{stateAt, state}, std::pair{levelAt, level}})
      for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>((static_cast<uint32_t>(value) >> (8 * k)) & 0xFF);
    return bytes;
  };
  ASSERT_EQ(patched(man.State(), 2), saved);
  struct Case {
    int32_t state, level;
    bool loads;
  } cases[] = {{0, 2, true},  {1, 2, true},  {2, 3, true},  {3, 3, true},   {3, 1, true},  {2, 0, true},
               {0, 3, false}, {1, 3, false}, {3, 0, false}, {2, 4, false}, {2, -1, false}};
  for (const Case& c : cases) {
    Restored restored(scene);
    TMemoryStream m(patched(c.state, c.level));
    if (c.loads)
      EXPECT_NO_THROW(restored.man.LoadFromStream(m, GameSaveVersion)) << c.state << " " << c.level;
    else
      EXPECT_THROW(restored.man.LoadFromStream(m, GameSaveVersion), EReadError) << c.state << " " << c.level;
  }
}

TEST_F(CallManager, HostileSavesAreRefused) {
  Start(PageBuilder().Calc("x = 1"));
  const std::string good = Save(man);
  // The state field follows the page name (4 + 9), the index and two flags.
  const size_t stateAt = 4 + 9 + 4 + 2;
  auto patched = [&](size_t at, int32_t value) {
    std::string bytes = good;
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>((static_cast<uint32_t>(value) >> (8 * k)) & 0xFF);
    return bytes;
  };
  const size_t framesAt = good.size() - 8;  // the frame count, then the event level
  const std::string cases[] = {patched(stateAt, 7), patched(framesAt, 1 << 30), patched(good.size() - 4, 1000),
                               patched(good.size() - 4, -1), good.substr(0, 4) + "\x7f"};
  for (size_t i = 0; i < std::size(cases); ++i) {
    Restored restored(scene);
    TMemoryStream m(cases[i]);
    EXPECT_THROW(restored.man.LoadFromStream(m, GameSaveVersion), Exception) << i;
  }
}
