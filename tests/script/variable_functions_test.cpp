// VarExists, AssignTemp, GetVarType and Calc, as a script calls them.
#include <gtest/gtest.h>

#include "builtin_rows.h"
#include "script_test_support.h"

using namespace orva;
using namespace orva::script_test;

TEST(VariableFunctions, Table) {
  const auto reference = [](TParamCollection& vars, TSysFuncMan&) { vars.AddVariable(PT_NONE).SetName("ref"); };
  CheckRows({
                {{"Score:I=1"}, "VarExists(\"sCORE\")", "B:TRUE", {}},
                {{}, "VarExists(\"nope\")", "B:FALSE", {}},
                {{}, "VarExists(\"\")", "B:FALSE", {}},
                {{}, "VarExists(\"@Result\")", "B:TRUE", {}},
                // Temporaries of the running evaluation are not variables of the store.
                {{}, "VarExists(\"____0\")", "B:FALSE", {}},
                {{"x:I=1"}, "AssignTemp(\"X\")", "B:TRUE", {}},
                {{}, "AssignTemp(\"nope\") ++ AssignTemp(\"\")", "S:FALSEFALSE", {}},
                {{}, "GetVarType(1.5) ++ GetVarType(\"a\") ++ GetVarType(TRUE) ++ GetVarType(7)", "S:2431", {}},
                {{"b:B=TRUE", "s:S=x"}, "GetVarType(b) ++ GetVarType(s)", "S:34", {}},
                {{}, "GetVarType(ref)", "I:0", {}},  // a reference bound to nothing

                {{"x:I=1"}, "Calc(\"x = 5\")", "S:TRUE", {"x:I=5"}},
                {{"x:I=1"}, "Calc(\" \t \")", "S:", {"x:I=1"}},
                {{"x:I=1"}, "Calc(\"x = (1\")", "S:", {"x:I=1"}},
                {{"x:I=1"}, "Calc(\"x = Nope(1)\")", "S:", {"x:I=1"}},
                {{"x:I=1"}, "Calc(\"x = Length()\")", "S:", {"x:I=1"}},
                // A stop part-way still counts as done; what ran before the error stays.
                {{"s:S=abc"}, "Calc(\"(1 / 0) ++ Delete(s, 1)\")", "S:TRUE", {"s:S="}},
                {{"y:I=0"}, "Length(\"abc\") ++ Calc(\"y = 10 + 20\")", "S:3TRUE", {"y:I=30"}},
                // A text that calls itself ends after 32 levels.
                {{"t:S=Calc(t) ++ Insert(\"x\", s, 1)", "s:S="}, "Calc(t)", "S:TRUE", {"s:S=" + std::string(32, 'x')}},
                // Twice per level: once the bound is reached every further Calc is refused.
                {{"t:S=Calc(t) ++ Calc(t) ++ Insert(\"x\", s, 1)", "s:S="}, "Calc(t) ++ Calc(t)", "S:TRUETRUE",
                 {"s:S=" + std::string(64, 'x')}},
            },
            reference);
}

TEST(VariableFunctions, ScopesAndTheNameTempStandsFor) {
  TParamCollection vars;
  TSysFuncMan functions(vars);
  vars.SetFunctions(&functions);
  Make(vars, "deep", PT_INT, vsLocal);
  vars.SetCallDepth(2);
  // The lookup of VarExists sees every call depth.
  EXPECT_EQ(RunExpression(vars, "VarExists(\"DEEP\")"), "B:TRUE");
  EXPECT_EQ(vars.Find("deep"), nullptr);

  Make(vars, "Here", PT_INT);
  vars.TempVariableName = "old";
  EXPECT_EQ(RunExpression(vars, "AssignTemp(\"nope\")"), "B:FALSE");
  EXPECT_EQ(vars.TempVariableName, "old");
  EXPECT_EQ(RunExpression(vars, "AssignTemp(\"deep\")"), "B:FALSE");
  EXPECT_EQ(RunExpression(vars, "AssignTemp(\"hERE\")"), "B:TRUE");
  EXPECT_EQ(vars.TempVariableName, "hERE");
}
