#include "script/build_parser.h"

#include <gtest/gtest.h>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/stream.h"
#include "script/orva_parser.h"
#include "script/param_var.h"
#include "script_test_support.h"

using namespace orva;
using namespace orva::script_test;

namespace {

// "ocMul ____0 := c, 2": one compiled operation as text.
std::vector<std::string> Operations(std::string_view text) {
  TBuildOrvaParser compiler;
  compiler.Compile(text);
  std::vector<std::string> lines;
  for (int i = 0; i < compiler.Count(); ++i) {
    const TBuildOpeData& op = compiler.Operation(i);
    std::string line = std::string(OperatorNames[op.Opcode]) + " " + op.Dest + " :=";
    for (size_t k = 0; k < op.Operands.size(); ++k) line += (k ? ", " : " ") + op.Operands[k];
    lines.push_back(line);
  }
  return lines;
}

std::string CompileError(std::string_view text) {
  return Message([&] {
    TBuildOrvaParser compiler;
    compiler.Compile(text);
    TMemoryStream m;
    compiler.SaveToStream(m);
  });
}

// The stored expression of a text, read back.
std::unique_ptr<TOrvaParser> Stored(std::string_view text) {
  TBuildOrvaParser compiler;
  compiler.Compile(text);
  TMemoryStream m;
  compiler.SaveToStream(m);
  m.SetPosition(0);
  auto parser = std::make_unique<TOrvaParser>();
  parser->LoadFromStream(m);
  EXPECT_EQ(m.Remaining(), 0);
  return parser;
}

}  // namespace

TEST(ExpressionCompiler, GoldenOperationLists) {
  struct Case {
    std::string text;
    std::vector<std::string> operations;
  } cases[] = {
      {"a = b + c * 2", {"ocMul ____0 := c, 2", "ocPlus ____1 := b, ____0", "ocTo a := ____1"}},
      {"(1 + 2)", {"ocPlus ____1 := 1, 2", "ocTo ____arg := ____1"}},
      {"f(x) + 1", {"ocFunc ____0 := f, x", "ocPlus ____1 := ____0, 1", "ocTo ____arg := ____1"}},
      {"a[i + 1, 2] = 5", {"ocPlus ____2 := i, 1", "ocDimTo ____d_0 := a, ____2, 2", "ocTo ____d_0 := 5"}},
      {"-x * 2", {"ocMul ____0 := x, 2", "ocMinus ____1 := 0, ____0", "ocTo ____arg := ____1"}},
      {"2 * -x", {"ocMinus ____0 := 0, x", "ocMul ____1 := 2, ____0", "ocTo ____arg := ____1"}},
      {"a - -1", {"ocMinus ____0 := 0, 1", "ocMinus ____1 := a, ____0", "ocTo ____arg := ____1"}},
      {"a - +1", {"ocMinus ____0 := a, 1", "ocTo ____arg := ____0"}},
      {"1 2", {"ocTo ____arg := 1 2"}},
      {"f(((a)+(b)))",
       {"ocTo ____2 := b", "ocTo ____3 := a", "ocPlus ____4 := ____3, ____2", "ocFunc ____0 := f, ____4",
        "ocTo ____arg := ____0"}},
      {"a - b + c", {"ocMinus ____0 := a, b", "ocPlus ____1 := ____0, c", "ocTo ____arg := ____1"}},
      {"x = \"a+b\"", {"ocTo ____0 := \"a+b\"", "ocTo x := ____0"}},
      {"f()", {"ocFunc ____0 := f", "ocTo ____arg := ____0"}},
      {"f(a, , b)", {"ocFunc ____0 := f, a, , b", "ocTo ____arg := ____0"}},
      {"f(g(1), a[2])",
       {"ocFunc ____0 := g, 1", "ocDimTo ____d_3 := a, 2", "ocTo ____2 := ____d_3", "ocFunc ____1 := f, ____0, ____2",
        "ocTo ____arg := ____1"}},
      {"a [ 1 ]", {"ocDimTo ____d_0 := a, 1", "ocTo ____arg := ____d_0"}},
      {"x == 1 ++ \"s\"", {"ocTo ____0 := \"s\"", "ocEqual ____1 := x, 1", "ocComboStr ____2 := ____1, ____0", "ocTo ____arg := ____2"}},
      {"a << 2 | b & c ^ d",
       {"ocShiftL ____0 := a, 2", "ocAnd ____1 := b, c", "ocXor ____2 := ____1, d", "ocOr ____3 := ____0, ____2",
        "ocTo ____arg := ____3"}},
      {"a <> b", {"ocNEqual ____0 := a, b", "ocTo ____arg := ____0"}},
      {"a >= b", {"ocEBig ____0 := a, b", "ocTo ____arg := ____0"}},
      {"x = y % 3", {"ocMod ____0 := y, 3", "ocTo x := ____0"}},
      {"", {"ocTo ____arg := "}},
      {"  ", {"ocTo ____arg :=   "}},
  };
  for (const Case& c : cases) EXPECT_EQ(Operations(c.text), c.operations) << c.text;
}

TEST(ExpressionCompiler, Literals) {
  EXPECT_EQ(Operations("\"a\\nb\""), (std::vector<std::string>{"ocTo ____0 := \"a\r\nb\"", "ocTo ____arg := ____0"}));
  EXPECT_EQ(Operations("\"a\\\\b\\\"c\""), (std::vector<std::string>{"ocTo ____0 := \"a\\b\"c\"", "ocTo ____arg := ____0"}));
  EXPECT_EQ(Operations("\"\\t\""), (std::vector<std::string>{"ocTo ____0 := \"\\t\"", "ocTo ____arg := ____0"}));
  // 表 ends in the byte of a backslash, and is no escape.
  const std::string hyo = Sjis("表");
  EXPECT_EQ(Operations("\"" + hyo + "\""), (std::vector<std::string>{"ocTo ____0 := \"" + hyo + "\"", "ocTo ____arg := ____0"}));
  // An unclosed quote stays in the text.
  EXPECT_EQ(Operations("\"ab"), (std::vector<std::string>{"ocTo ____arg := \"ab"}));
}

TEST(ExpressionCompiler, TrailBytesAreNeverOperators) {
  // ポ ends in '|', ー in '[', ソ in a backslash.
  const std::string po = Sjis("ポー"), so = Sjis("ソ");
  EXPECT_EQ(Operations(po + " = " + so + " | 1"), (std::vector<std::string>{"ocOr ____0 := " + so + ", 1", "ocTo " + po + " := ____0"}));
  EXPECT_EQ(Operations(po + "[1]"), (std::vector<std::string>{"ocDimTo ____d_0 := " + po + ", 1", "ocTo ____arg := ____d_0"}));
}

TEST(ExpressionCompiler, Errors) {
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"x = y = 3", "構文エラー"},
      {"a * * b", "構文エラー"},
      {"f(a", "構文エラー"},
      {"a)", "構文エラー"},
      {"a[1", "構文エラー"},
      {"a]", "構文エラー"},
      {"]a[", "構文エラー"},
      {"a[1][2]", "構文エラー"},
      {"a + [1]", "構文エラー"},
      {"a +", "構文エラー"},
      {"+", "構文エラー"},
      {"= 1", "構文エラー"},
      {"* 2", "構文エラー"},
      {"a + * b", "構文エラー"},
      {"f(a[1)", "構文エラー"},
      {"()", "構文エラー"},
      {"a[]", "配列の添え字が不正です"},
      {"a[ ]", "配列の添え字が不正です"},
      {"length(x)", "\"length\" 関数名がありません"},
      {"f(x)", "\"f\" 関数名がありません"},
      {"Length(x, y)", "Length 引数の数が不正です"},
      {"IntToHex(1)", "IntToHex 引数の数が不正です"},
      {"DBDelete(1)", "DBDelete 引数の数が不正です"},
  };
  for (const Case& c : cases) EXPECT_EQ(CompileError(c.text), c.message) << c.text;
  for (const char* fine : {"DBDelete()", "SetArray(a, 1, 2, 3, 4, 5)", "1 2 + 3", "a b = 1", "Length((x))"})
    EXPECT_EQ(CompileError(fine), "(no error)") << fine;
}

TEST(ExpressionCompiler, OperandTyping) {
  struct Case {
    const char* text;
    TParamKind kind;
    const char* value;
  } cases[] = {
      {"1e3", pkFloat, "1000"},     {"$10", pkInt, "16"},        {"0x10", pkInt, "16"},
      {"x10", pkInt, "16"},         {"2147483647", pkInt, "2147483647"},
      {"2147483648", pkFloat, "2147483648"}, {"1.5", pkFloat, "1.5"}, {"TRUE", pkFlag, "TRUE"},
      {"FALSE", pkFlag, "FALSE"},   {"true", pkVar, "true"},     {"\"TRUE\"", pkStr, "TRUE"},
      {"\"\"", pkStr, ""},          {"abc", pkVar, "abc"},       {"@Pi", pkVar, "@Pi"},
  };
  for (const Case& c : cases) {
    auto parser = Stored(c.text);  // a quoted literal is copied into a temporary first
    ASSERT_EQ(parser->Count(), c.kind == pkStr ? 2 : 1) << c.text;
    const TCustomParam& operand = parser->Operation(0).Operand(0);
    EXPECT_EQ(operand.Kind(), c.kind) << c.text;
    const std::string value =
        operand.Kind() == pkVar ? static_cast<const TParamVar&>(operand).Name() : operand.GetAsString();
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(ExpressionCompiler, CallRecordHoldsTheFunctionNumber) {
  TBuildOrvaParser compiler;
  compiler.Compile("Length(s)");
  TMemoryStream m;
  compiler.SaveToStream(m);
  const std::string expected = std::string("\x02\0\0\0", 4) +                                  // two operations
                               std::string("\x0B\x05\0\0\0____0\x01\0\0\0\x05", 15) +        // ocFunc ____0, 1 operand, Length
                               std::string("\0\x01\0\0\0s", 6) +                              // variable s
                               std::string("\x01\x07\0\0\0____arg\x01\0\0\0", 16) +           // ocTo ____arg
                               std::string("\0\x05\0\0\0____0", 10);
  EXPECT_EQ(std::string(m.View()), expected);
}

TEST(ExpressionCompiler, ErrorsKeepEarlierOperations) {
  TBuildOrvaParser compiler;
  EXPECT_THROW(compiler.Compile("a * * b"), Exception);
  EXPECT_EQ(compiler.Count(), 1);  // ocMul ____0 := a, *
  compiler.Clear();
  compiler.Compile("q");
  EXPECT_EQ(compiler.Count(), 1);
  TOrvaParser parser;
  CompileExpression("a = 1", parser);
  EXPECT_THROW(CompileExpression("Nope(1)", parser), Exception);
  EXPECT_EQ(parser.Count(), 1);
}
