#include "script/wait_commands.h"

#include <gtest/gtest.h>

#include "interpreter_fixture.h"
#include "script_test_support.h"

using namespace orva;
using namespace orva::script_test;
using kit::PageBuilder;

namespace {

class Waiting : public Interpreter {
 protected:
  // The frame (from 1) in which `done` is set, running frames of the given deltas and then
  // of 16 ms; -1 when not within 12 frames.
  int FrameOfAdvance(const PageBuilder& page, std::vector<int32_t> deltas) {
    vars.ResetGameVars();
    Global("done");
    Global("x");
    Start(page, "wait" + std::to_string(++runs_) + ".osb");
    for (int frame = 1; frame <= 12; ++frame) {
      Frame(static_cast<size_t>(frame - 1) < deltas.size() ? deltas[static_cast<size_t>(frame - 1)] : 16);
      if (Int("done") == 1) return frame;
    }
    return -1;
  }
  int runs_ = 0;
};

}  // namespace

TEST_F(Waiting, TimeOverTheFrameDeltasWithTheFirstFrameSkipped) {
  struct Case {
    const char* time;
    std::vector<int32_t> deltas;
    int frame;
  } cases[] = {
      {"100", {}, 8},                // 100 - 7 × 16 <= 0, the frame of arrival not counted
      {"100", {3000}, 8},            // the delta of the frame of arrival does not count
      {"100", {16, 50, 50}, 3},      // exactly 0 is done
      {"100", {16, 100}, 2},
      {"16", {}, 2},
      {"-5", {}, 2},                 // a negative time is a limit too
      {"1.9", {}, 2},                // read as an integer
      {"0", {}, -1},                 // no limit: waits on
      {"", {}, -1},
      {"2147483647", {16, -16}, 2},  // the countdown wraps, as 32-bit arithmetic does
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.time);
    EXPECT_EQ(FrameOfAdvance(PageBuilder().Wait(c.time).Calc("done = 1"), c.deltas), c.frame);
  }
}

TEST_F(Waiting, Conditions) {
  // A false condition advances in the first step, in the same frame.
  EXPECT_EQ(FrameOfAdvance(PageBuilder().Wait("1000", "FALSE").Calc("done = 1"), {}), 1);
  // ... and a Wait whose own continue flag is clear ends the frame all the same.
  EXPECT_EQ(FrameOfAdvance(PageBuilder().Yield().Wait("1000", "FALSE").Calc("done = 1"), {}), 2);
  // A condition without a value holds: no time, no end.
  EXPECT_EQ(FrameOfAdvance(PageBuilder().Wait("", "missing").Calc("done = 1"), {}), -1);
  // The condition is read every step; the time runs on meanwhile.
  PageBuilder page;
  page.Wait("0", "x == 0").Calc("done = 1");
  Start(page, "cond.osb");
  Frames(3);
  EXPECT_EQ(Int("done"), 0);
  vars.Find("x")->SetAsInteger(1);
  Frame();
  EXPECT_EQ(Int("done"), 1);
}

TEST_F(Waiting, RunStateForm) {
  Start(PageBuilder().Wait("100", "", "TRUE"));
  Frames(2);
  auto& wait = static_cast<TComWait&>(man.CurrentPage()->GetCommand(0));
  std::unique_ptr<TMemoryStream> state;
  wait.SaveRunState(state, man);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->View(), kit::Fields().Raw("orva100").Int(84).Int(0).Byte(1).Bytes());

  // A state without tag: remaining and first frame, the blocks-events flag kept.
  TMemoryStream old(kit::Fields().Int(30).Int(1).Bytes());
  wait.LoadRunState(old, man);
  EXPECT_EQ(wait.Remaining(), 30);
  EXPECT_EQ(wait.FirstFrame(), 1);
  EXPECT_TRUE(wait.BlocksEvents());
  TMemoryStream tagged(kit::Fields().Raw("orva100").Int(5).Int(0).Byte(0).Bytes());
  wait.LoadRunState(tagged, man);
  EXPECT_FALSE(wait.BlocksEvents());
  EXPECT_EQ(wait.Remaining(), 5);
}

TEST_F(Waiting, BlocksEventsOnlyFromPageVersion107) {
  for (int32_t version : {106, 107}) {
    PageBuilder page(version);
    page.Wait("100", "", "TRUE");
    Start(page, "v" + std::to_string(version) + ".osb");
    Frame();
    EXPECT_EQ(man.CurrentPage()->GetCommand(0).BlocksEvents(), version >= 107) << version;
  }
}

TEST_F(Waiting, DoEventEndsTheRunAndLetsNestedEventsIn) {
  Global("x");
  Start(PageBuilder().Calc("x = 1").DoEvent().Calc("x = 2"));
  Frame();
  EXPECT_EQ(Int("x"), 1);
  Frame();
  EXPECT_EQ(Int("x"), 2);

  Global("out", PT_STR);
  PageBuilder a;
  a.Calc("out = out ++ \"a1\"").DoEvent().Calc("out = out ++ \"a2\"");
  Add("a.osb", a);
  Add("b.osb", PageBuilder().Calc("out = out ++ \"b\""));
  Start(PageBuilder().Wait("100000"), "main.osb");
  scene.queue.Add("a.obs");
  scene.queue.Add("b.obs");
  Frames(2);
  // b ran nested at a's event point, before a went on.
  EXPECT_EQ(Str("out"), "a1ba2");
}
