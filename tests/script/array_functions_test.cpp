// The array functions, as a script calls them.
#include <gtest/gtest.h>

#include "builtin_rows.h"
#include "script/orva_parser.h"
#include "script_test_support.h"

using namespace orva;
using namespace orva::script_test;

TEST(ArrayFunctions, SizesFillsAndCopies) {
  const std::string twelve = "a:I[3,4]=5|0|0|0|0|0|0|0|0|0|0|0";
  CheckRows({
      {{"a:I[3,4]=0|0|0|0|0|0|0|0|0|0|0|0"}, "GetArraySize(a)", "I:12", {}},
      {{"a:I[3,4]=0|0|0|0|0|0|0|0|0|0|0|0"},
       "GetArraySize(a, 0) ++ GetArraySize(a, 1) ++ GetArraySize(a, 2) ++ GetArraySize(a, -1)", "S:4311", {}},
      {{"a:I=5"}, "SetArray(a, 3, 4)", "I:0", {twelve}},
      {{"a:I=5"}, "SetArray(a, 2, 0)", "!配列の要素数[2,0]が不正です", {"a:I=5"}},
      // Four functions take a variable and nothing else.
      {{}, "GetArraySize(5)", "!GetArraySize:変数が見つかりません", {}},
      {{}, "GetArraySize(\"a\")", "!GetArraySize:変数が見つかりません", {}},
      {{}, "SetArray(3, 2)", "!SetArray:変数が見つかりません", {}},
      {{}, "FillMem(1, 2)", "!FillMem:変数が見つかりません", {}},
      {{"a:I=1"}, "CopyMem(a, 1)", "!CopyMem:変数が見つかりません", {}},
      {{"a:I=1"}, "CopyMem(1, a)", "!CopyMem:変数が見つかりません", {}},

      {{"a:I[3]=1|2|3"}, "FillMem(a, \"7\")", "I:0", {"a:I[3]=7|7|7"}},
      {{"a:F[2]=1|2"}, "FillMem(a, \"1.5\")", "I:0", {"a:F[2]=1.5|1.5"}},
      {{"a:B[2]=FALSE|FALSE"}, "FillMem(a, \"TRUE\")", "I:0", {"a:B[2]=TRUE|TRUE"}},
      {{"a:S[2]=x|y"}, "FillMem(a, 3)", "I:0", {"a:S[2]=3|3"}},
      {{"d:I=0", "s:I[2,2]=1|2|3|4"}, "CopyMem(d, s)", "I:0", {"d:I[2,2]=1|2|3|4"}},
      {{"d:I[3]=1|2|3", "s:I=9"}, "CopyMem(d, s)", "I:0", {"d:I[1]=9"}},
      {{"d:S=x", "s:I=9"}, "CopyMem(d, s)", "!CopyMem:変数の型があいません", {"d:S=x"}},
      // A typed copy converts every element.
      {{"d:I=0", "s:F[2,2]=1.5|2.5|-1.9|4"}, "CopyArray(d, s)", "B:TRUE", {"d:I[2,2]=1|2|-1|4"}},
      {{"d:S=", "s:B[2]=TRUE|FALSE"}, "CopyArray(d, s)", "B:TRUE", {"d:S[2]=TRUE|FALSE"}},
      {{"d:I[3]=1|2|3"}, "CopyArray(d, 7)", "B:TRUE", {"d:I[1]=7"}},
      {{"f:F[2]=1.5|1E30", "d:I=0"}, "CopyArray(d, f)", "!Invalid floating point operation", {"d:I[2]=1|0"}},
  });
}

TEST(ArrayFunctions, TextsJoinSplitSearchAndSort) {
  CheckRows({
      {{}, "ArrayToString(5)", "S:5", {}},
      {{"a:S[3]=x|y|z"}, "ArrayToString(a, \",\")", "S:x,y,z", {}},
      {{"a:I[2,2]=1|2|3|4"}, "ArrayToString(a)", "S:1\r\n2\r\n3\r\n4", {}},
      // (The last call runs first.)
      {{"a:S="}, "ArrayToString(a, StringOfChar(\"x\", 100000)) ++ SetArray(a, 3000)", "!std::bad_alloc", {}},
      // A constant in the variable place takes the items and loses them.
      {{}, "StringToArray(\"a,b\", \"x\", \",\") ++ SortStr(\"b\")", "S:00", {}},
      {{"a:S=", "s:S=a\r\nb\r\n"}, "StringToArray(s, a)", "I:0", {"a:S[2]=a|b"}},
      {{"a:S=", "s:S=a\rb\nc"}, "StringToArray(s, a)", "I:0", {"a:S[3]=a|b|c"}},
      {{"a:S=", "s:S=a\rb"}, "StringToArray(s, a, \"\\n\")", "I:0", {"a:S[2]=a|b"}},  // the text CR LF
      {{"a:S=", std::string("s:S=a\nb\0c", 10)}, "StringToArray(s, a)", "I:0", {"a:S[2]=a|b"}},
      {{"a:S="}, "StringToArray(\"a;b,c\", a, \";,\")", "I:0", {"a:S[3]=a|b|c"}},
      {{"a:S="}, "StringToArray(\"a,,b,\", a, \",\")", "I:0", {"a:S[3]=a||b"}},
      {{"a:S=", "s:S=a\r\nb"}, "StringToArray(s, a, \";\")", "I:0", {"a:S[1]=a\r\nb"}},
      {{"a:I="}, "StringToArray(\"1,x\", a, \",\")", "I:0", {"a:I[2]=1|0"}},
      {{"a:S=x"}, "StringToArray(\"\", a)", "!配列の要素数[0]が不正です", {"a:S=x"}},
      {{"a:S[2]=x|ab"}, "IndexOfStr(a, \"AB\")", "I:-1", {}},
      {{"a:S[2]=x|ab"}, "IndexOfStr(a, \"AB\", FALSE)", "I:1", {}},
      {{"a:S[2]=x|ab"}, "IndexOfStr(a, \"b\", TRUE, TRUE)", "I:1", {}},
      {{"a:S[2]=x|ab"}, "IndexOfStr(a, \"B\", TRUE, TRUE)", "I:-1", {}},
      {{"n:I[3]=1|2|3"}, "IndexOfStr(n, \"2\")", "I:1", {}},
      // Texts, ignoring case: numbers sort as texts.
      {{"a:S[4]=10|9|B|a"}, "SortStr(a)", "I:0", {"a:S[4]=10|9|a|B"}},
      {{"a:I[3]=10|9|100"}, "SortStr(a)", "I:0", {"a:I[3]=10|100|9"}},
      {{"a:S[3]=" + J("ｃ|Ｂ|ａ")}, "SortStr(a)", "I:0", {"a:S[3]=" + J("ａ|Ｂ|ｃ")}},
  });
}

TEST(ArrayFunctions, AddInsertAndDeleteElements) {
  CheckRows({
      {{"a:I[2]=1|2", "b:S[2]=3|x"}, "AddArray(a, b)", "I:4", {"a:I[4]=1|2|3|0"}},
      {{"a:I[2]=1|2"}, "AddArray(a, 5)", "I:3", {"a:I[3]=1|2|5"}},
      {{"a:I=1"}, "AddArray(a, 2)", "I:2", {"a:I[2]=1|2"}},
      {{"a:I[2]=1|2"}, "AddArray(a, a)", "I:4", {"a:I[4]=1|2|1|2"}},
      {{"a:I[2,2]=1|2|3|4", "b:I=5"}, "AddArray(a, b)", "I:4", {"a:I[2,2]=1|2|3|4"}},
      {{"a:I[2]=1|2", "b:I[1,2]=5|6"}, "AddArray(a, b)", "I:2", {"a:I[2]=1|2"}},
      {{"a:I[3]=1|2|3", "b:I[2]=8|9"}, "InsertArray(a, 1, b)", "I:5", {"a:I[5]=1|8|9|2|3"}},
      {{"a:I[3]=1|2|3", "b:I[2]=8|9"}, "InsertArray(a, 9, b)", "I:5", {"a:I[5]=1|2|3|8|9"}},
      {{"a:I[3]=1|2|3", "b:I[2]=8|9"}, "InsertArray(a, -1, b)", "I:5", {"a:I[5]=8|9|1|2|3"}},
      {{"a:I[3]=1|2|3"}, "InsertArray(a, 1, a)", "I:6", {"a:I[6]=1|1|2|3|2|3"}},
      {{"a:I[2,2]=1|2|3|4"}, "InsertArray(a, 0, 5)", "I:4", {"a:I[2,2]=1|2|3|4"}},
      {{"a:I[4]=1|2|3|4"}, "DeleteArray(a, 1, 1)", "I:3", {"a:I[3]=1|3|4"}},
      {{"a:I[4]=1|2|3|4"}, "DeleteArray(a, 9, 1)", "I:3", {"a:I[3]=1|2|3"}},
      {{"a:I[4]=1|2|3|4"}, "DeleteArray(a, -3, 2)", "I:2", {"a:I[2]=3|4"}},
      {{"a:I[4]=1|2|3|4"}, "DeleteArray(a, 2, 99)", "I:2", {"a:I[2]=1|2"}},
      {{"a:I[4]=1|2|3|4"}, "DeleteArray(a, 1, 0)", "I:4", {"a:I[4]=1|2|3|4"}},
      {{"a:I[4]=1|2|3|4"}, "DeleteArray(a, 0, 4)", "!配列の要素数[0]が不正です", {"a:I[4]=1|2|3|4"}},
      // A negative count is refused before anything moves.
      {{"a:I[4]=1|2|3|4"}, "DeleteArray(a, 1, -1)", "!配列の添字が不正です", {"a:I[4]=1|2|3|4"}},
      {{"a:I[2,2]=1|2|3|4"}, "DeleteArray(a, 0, 1)", "I:4", {"a:I[2,2]=1|2|3|4"}},
  });
}

// Stored expressions can hand an element reference to a function: the array functions act
// on the whole array, and CopyMem takes the whole source.
TEST(ArrayFunctions, ElementReferencesStandForTheirArray) {
  TParamCollection vars;
  TSysFuncMan functions(vars);
  vars.SetFunctions(&functions);
  MakeVariable(vars, "a:I[3]=1|2|3");
  TParamCollectionItem& d = MakeVariable(vars, "d:I=0");
  TParamCollectionItem& n = MakeVariable(vars, "n:I=0");
  auto run = [&](TOrvaParser& parser) {
    auto to = std::make_unique<TOpeData>(ocTo, "n");
    to->AddOperand(Ref("____0"));
    parser.Add(std::move(to));
    parser.Evaluate(vars);
  };
  TOrvaParser size;
  AddElementReference(size, "a", 1);
  AddCall(size, bfGetArraySize, Ref("____d_0"));
  run(size);
  EXPECT_EQ(n.GetAsInteger(), 3);
  TOrvaParser copy;
  AddElementReference(copy, "a", 1);
  AddCall(copy, bfCopyMem, Ref("d"), Ref("____d_0"));
  run(copy);
  EXPECT_EQ(DescribeVariable(d), "d:I[3]=1|2|3");
}
