#include <gtest/gtest.h>

#include <functional>

#include "interpreter_fixture.h"
#include "script_test_support.h"

using namespace orva;
using namespace orva::script_test;
using kit::PageBuilder;

namespace {

class Flow : public Interpreter {
 protected:
  int runs_ = 0;
  // Runs a page that appends letters to `out` for one frame and answers `out`.
  std::string Run(const std::function<void(PageBuilder&)>& build) {
    vars.ResetGameVars();
    Global("out", PT_STR);
    Global("i");
    Global("sum");
    PageBuilder page;
    build(page);
    Start(page, "run" + std::to_string(++runs_) + ".osb");
    Frame();
    return Str("out");
  }
};

std::string Out(std::string_view letters) { return std::string("out = out ++ \"") + std::string(letters) + "\""; }

}  // namespace

TEST_F(Flow, IfElseifElse) {
  struct Case {
    const char* what;
    std::function<void(PageBuilder&)> build;
    const char* out;
  } cases[] = {
      {"false without else stops after the block",
       [](PageBuilder& p) { p.If("FALSE", [&] { p.Calc(Out("a")).Calc(Out("b")); }).Calc(Out("z")); }, "z"},
      {"false, false, else",
       [](PageBuilder& p) {
         p.If("FALSE", [&] { p.Calc(Out("a")); }).Elseif("1 == 2", [&] { p.Calc(Out("b")); }).Else([&] {
           p.Calc(Out("c"));
         });
         p.Calc(Out("z"));
       },
       "cz"},
      {"true skips the rest of the chain",
       [](PageBuilder& p) {
         p.If("TRUE", [&] { p.Calc(Out("a")); }).Elseif("TRUE", [&] { p.Calc(Out("b")); }).Else([&] {
           p.Calc(Out("c"));
         });
         p.Calc(Out("z"));
       },
       "az"},
      {"only the first of two true elseifs",
       [](PageBuilder& p) {
         p.If("FALSE", [&] { p.Calc(Out("a")); })
             .Elseif("TRUE", [&] { p.Calc(Out("b")); })
             .Elseif("TRUE", [&] { p.Calc(Out("c")); })
             .Else([&] { p.Calc(Out("d")); });
         p.Calc(Out("z"));
       },
       "bz"},
      {"a false elseif, then a true one",
       [](PageBuilder& p) {
         p.If("FALSE", [&] { p.Calc(Out("a")); })
             .Elseif("FALSE", [&] { p.Calc(Out("b")); })
             .Elseif("2 > 1", [&] { p.Calc(Out("c")); })
             .Else([&] { p.Calc(Out("d")); });
         p.Calc(Out("z"));
       },
       "cz"},
      {"nested blocks end at the smaller indent",
       [](PageBuilder& p) {
         p.If("TRUE", [&] {
           p.If("FALSE", [&] { p.Calc(Out("x")); }).Else([&] { p.Calc(Out("e")); });
           p.Calc(Out("y"));
         });
         p.Else([&] { p.Calc(Out("w")); });
         p.Calc(Out("z"));
       },
       "eyz"},
      {"a condition without a value does not hold",
       [](PageBuilder& p) { p.If("", [&] { p.Calc(Out("a")); }).If("missing", [&] { p.Calc(Out("b")); }).Calc(Out("z")); },
       "z"},
      {"a false If at the end of the page ends it", [](PageBuilder& p) { p.If("FALSE", [&] { p.Calc(Out("a")); }); }, ""},
      {"a chain stepped again in a loop takes each time the branch of its conditions",
       [](PageBuilder& p) {
         p.For("i = 0", "i < 5", "i = i + 1", [&] {
           p.If("i == 0",
                [&] {
                  p.If("FALSE", [&] { p.Calc(Out("x")); });
                  p.Calc(Out("a"));
                })
               .Elseif("i == 1", [&] { p.If("i == 1", [&] { p.Calc(Out("b")); }).Else([&] { p.Calc(Out("y")); }); })
               .Elseif("i < 4", [&] { p.Calc(Out("c")); })
               .Else([&] { p.Calc(Out("d")); });
           p.Calc(Out("|"));
         });
       },
       "a|b|c|c|d|"},
  };
  for (const Case& c : cases) EXPECT_EQ(Run(c.build), c.out) << c.what;
}

TEST_F(Flow, LoopsWithBreakAndContinue) {
  Run([](PageBuilder& p) {
    p.For("i = 0", "i < 10", "i = i + 1", [&] {
      p.Continue("i == 3");
      p.If("i == 7", [&] { p.Break(); });
      p.Calc("sum = sum + i");
    });
  });
  EXPECT_EQ(Int("sum"), 0 + 1 + 2 + 4 + 5 + 6);
  EXPECT_EQ(Int("i"), 7);

  // A While whose condition fails at once skips the body.
  EXPECT_EQ(Run([](PageBuilder& p) { p.While("FALSE", [&] { p.Calc(Out("a")); }).Calc(Out("z")); }), "z");
  // Nested loops: the inner Break leaves only the inner loop.
  Run([](PageBuilder& p) {
    p.For("i = 0", "i < 3", "i = i + 1", [&] {
      p.While("TRUE", [&] {
        p.Calc("sum = sum + 1");
        p.Break();
      });
    });
  });
  EXPECT_EQ(Int("sum"), 3);
  // A Break outside a loop (target -1) ends the page like Exit.
  EXPECT_EQ(Run([](PageBuilder& p) { p.Calc(Out("a")).Break().Calc(Out("b")); }), "a");
}

TEST_F(Flow, LoopHeadsKeepTheLoopInOneFrameWhateverTheirRecords) {
  // WhileInit and WhileLoop whose continue flags are clear in the record.
  Global("n");
  PageBuilder p;
  p.Yield().Command(static_cast<uint8_t>(TCommandCode::WhileInit), kit::Fields().Expr("i = 0"));
  p.Command(static_cast<uint8_t>(TCommandCode::While), kit::Fields().Expr("i < 5").Int(4));
  p.Command(static_cast<uint8_t>(TCommandCode::Calc), kit::Fields().Expr("n = n + 1"));
  p.Yield().Command(static_cast<uint8_t>(TCommandCode::WhileLoop), kit::Fields().Expr("i = i + 1").Int(1));
  Global("i");
  Start(p);
  Frame();
  EXPECT_EQ(Int("n"), 5);
}

TEST_F(Flow, ALoopThatMakesProgressRunsToItsEndInOneFrame) {
  Run([](PageBuilder& p) { p.While("i < 100000", [&] { p.Calc("i = i + 1"); }); });
  EXPECT_EQ(Int("i"), 100000);
}

TEST_F(Flow, NestedCallsWithResults) {
  Global("r");
  Global("seen", PT_STR);
  Global("done");
  PageBuilder deep;
  deep.ResultType(PT_STR).Calc("@Result = \"12\"");
  PageBuilder middle;
  middle.VarNew("inner", PT_STR, "\"\"", vsLocal).Call("deep.osb", 0, "inner");
  middle.Calc("@Result = 40 + 2").Calc("seen = inner");
  PageBuilder start;
  start.Call("middle.osb", 0, "r").Call("deep.osb", 0, "done");
  Add("deep.osb", deep);
  Add("middle.osb", middle);
  Start(start);
  Frame();
  EXPECT_EQ(Int("r"), 42);
  EXPECT_EQ(Str("seen"), "12");
  EXPECT_EQ(Int("done"), 12);  // a text result read by an integer variable
  EXPECT_EQ(vars.Find("inner"), nullptr);
  EXPECT_EQ(vars.CallDepth(), 0);
}

TEST_F(Flow, CallArgumentsWithoutAValueAreDropped) {
  Add("c.osb", PageBuilder().Wait("1000"));
  Start(PageBuilder().Call("c.osb", 0, "", {"3", "missing", "\"x\""}));
  Frame();
  EXPECT_EQ(man.ArgCount(), 2);
  EXPECT_EQ(man.GetArg(0), "3");
  EXPECT_EQ(man.GetArg(1), "x");
  EXPECT_EQ(man.GetArg(2), "");
  EXPECT_EQ(man.GetArg(-1), "");
}

TEST_F(Flow, CallsThatDoNotHappen) {
  Global("x");
  files.Add("bad.osb", PageBuilder().Command(99, kit::Fields()));
  Add("gone.osb", PageBuilder().Calc("x = 100"));
  project.unavailable.insert("gone.osb");
  PageBuilder page;
  page.Call("gone.osb", 0).Call("bad.osb", 0).Call("c.osb", 0, "", {}, "FALSE").Calc("x = x + 1");
  Start(page);
  Frames(2);  // the failed load ends the first frame's run
  EXPECT_EQ(Int("x"), 1);
  EXPECT_EQ(man.Stack().Count(), 0);  // the damaged page pushed no frame
  EXPECT_EQ(Where(), "start.osb:4");
}

TEST_F(Flow, AResultVariableThatIsGoneReceivesNothing) {
  Global("r");
  Add("c.osb", PageBuilder().Calc("@Result = 5"));
  Start(PageBuilder().Call("c.osb", 0, "r").VarDel("r").Call("c.osb", 0, "r").Calc("x = 1"));
  Global("x");
  Frame();
  EXPECT_EQ(vars.Find("r"), nullptr);
  EXPECT_EQ(Int("x"), 1);
}

TEST_F(Flow, JumpsKeepTheCallStack) {
  Global("x");
  PageBuilder other;
  other.Calc("x = 99").Calc("x = x + 1");
  Add("other.osb", other);
  Add("c.osb", PageBuilder().Jump("other.osb", 1).Calc("x = 50"));
  PageBuilder start;
  start.Call("c.osb", 0).Calc("x = x * 2").Jump("gone.osb", 0).Jump("other.osb", 0, "FALSE").Calc("x = x + 3");
  Start(start);
  Frame();
  // c.osb jumped to command 1 of other.osb; its end returned to the caller.
  EXPECT_EQ(Int("x"), 5);
}

TEST_F(Flow, ExitInACalleeReturnsAndAtTheTopEndsTheScript) {
  Global("x");
  Add("c.osb", PageBuilder().Exit("FALSE").Exit("TRUE").Calc("x = 100"));
  Start(PageBuilder().Call("c.osb", 0).Calc("x = x + 1").Exit().Calc("x = 100"));
  Frames(3);
  EXPECT_EQ(Int("x"), 1);
}

TEST_F(Flow, ACallInAHandlerKeepsItsSender) {
  Global("x");
  Add("c.osb", PageBuilder().Wait("20"));
  Add("h.osb", PageBuilder().Call("c.osb", 0).Calc("x = 1"));
  Start(PageBuilder().Wait("100000"));
  scene.queue.Add("h.obs", scene.Add("btn"));
  Frame();
  EXPECT_EQ(Where(), "c.osb:0");
  EXPECT_EQ(man.GetSenderName(), "btn");
  Frames(3);
  EXPECT_EQ(Int("x"), 1);
  EXPECT_EQ(man.State(), 0);
  EXPECT_EQ(Where(), "start.osb:0");
}
