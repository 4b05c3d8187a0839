// The executor's rules and the text functions, as a script calls them.
#include <gtest/gtest.h>

#include "builtin_rows.h"
#include "script/orva_parser.h"
#include "script/param_var.h"
#include "script_test_support.h"

using namespace orva;
using namespace orva::script_test;

namespace {

const std::string kOmote = J("表");     // 95 5C: its trail byte is a backslash
const std::string kShimesu = J("示");
const std::string kSo = J("ソ");        // 83 5C

}  // namespace

TEST(BuiltinExecutor, ResultsArgumentsAndFailures) {
  CheckRows({
      // A function without a result leaves its temporary at the initial value of the type.
      {{"s:S=abcd", "x:S=old"}, "x = Delete(s, 3)", "(none)", {"s:S=ab", "x:S="}},
      {{"s:S=abcd", "n:I=5"}, "n = Delete(s, 3)", "(none)", {"n:I=0"}},
      // A constant in a variable place takes the write and loses it.
      {{}, "Delete(\"abcd\", 2)", "S:", {}},
      {{}, "Insert(\"x\", 12, 1) ++ \"\"", "S:", {}},
      // A failure ends the expression; what ran before it stays written.
      {{"s:S=abcd"}, "IntToStr(1, \"x\") ++ Delete(s, 1)", "!Format '%.xd' invalid or incompatible with argument",
       {"s:S="}},
      // The result type converts what the function writes.
      {{}, "Length(\"abc\") ++ \"\"", "S:3", {}},
      {{}, "Trim(5)", "S:5", {}},
  });
}

// The run-time compiler passes an element as a copy; stored expressions can pass the element
// reference itself, and a function writes through it into the array.
TEST(BuiltinExecutor, ElementReferencesOfStoredExpressions) {
  TParamCollection vars;
  TSysFuncMan functions(vars);
  vars.SetFunctions(&functions);
  TParamCollectionItem& a = MakeVariable(vars, "a:S[2]=ab|cd");
  TOrvaParser parser;
  AddElementReference(parser, "a", 1);
  AddCall(parser, bfDelete, Ref("____d_0"), Int(1), Int(1));
  parser.Evaluate(vars);
  EXPECT_EQ(DescribeVariable(a), "a:S[2]=ab|d");
}

TEST(BuiltinExecutor, NumbersOutsideTheTableAndStoredArgumentCounts) {
  TParamCollection vars;
  TSysFuncMan functions(vars);
  TParamCollectionItem dest(CreateParam(PT_INT));
  dest.SetAsInteger(9);
  functions.Execute(dest, 142, {});
  functions.Execute(dest, 255, {});
  EXPECT_EQ(dest.GetAsInteger(), 9);

  // A stored call with an argument count the function does not take never reaches it.
  auto missing = [&](uint8_t index, int count) {
    std::vector<std::unique_ptr<TCustomParam>> owned;
    std::vector<TCustomParam*> args;
    for (int i = 0; i < count; ++i) {
      owned.push_back(Int(1));
      args.push_back(owned.back().get());
    }
    return Message([&] { functions.Execute(dest, index, args); });
  };
  EXPECT_EQ(missing(bfLength, 0), "Length 引数の数が不正です");
  EXPECT_EQ(missing(bfCopy, 4), "Copy 引数の数が不正です");
  EXPECT_EQ(missing(bfStringReplace, 6), "StringReplace 引数の数が不正です");
  EXPECT_EQ(missing(bfDBInsert, 40), "(no error)");  // no upper bound
}

TEST(TextFunctions, Table) {
  const std::string omoteShimesu = kOmote + kShimesu;
  CheckRows({
      {{}, "IntToStr(7)", "S:7", {}},
      {{}, "IntToStr(7, 3)", "S:007", {}},
      {{}, "IntToStr(-7, 3)", "S:-007", {}},
      {{}, "IntToStr(0, 0)", "S:0", {}},
      {{"v:I=-2147483648"}, "IntToStr(v, 12)", "S:-002147483648", {}},
      {{}, "IntToStr(12, \"003\")", "S:012", {}},
      {{}, "Length(IntToStr(5, 1024))", "I:1024", {}},
      // The digits are a plain unsigned number up to 1024, never part of a format.
      {{}, "IntToStr(5, \"x\")", "!Format '%.xd' invalid or incompatible with argument", {}},
      {{}, "IntToStr(5, -1)", "!Format '%.-1d' invalid or incompatible with argument", {}},
      {{}, "IntToStr(5, 3.5)", "!Format '%.3.5d' invalid or incompatible with argument", {}},
      {{}, "IntToStr(5, \"%s%n\")", "!Format '%.%s%nd' invalid or incompatible with argument", {}},
      {{}, "IntToStr(5, 1025)", "!Format '%.1025d' invalid or incompatible with argument", {}},
      {{}, "IntToStr(5, \"\")", "!Format '%.d' invalid or incompatible with argument", {}},
      {{}, "IntToHex(255, 4)", "S:00FF", {}},
      {{}, "IntToHex(-1, 2)", "S:FFFFFFFF", {}},
      {{}, "IntToHex(0, -5)", "S:0", {}},
      {{}, "Length(IntToHex(1, 2147483647))", "I:1024", {}},

      {{}, "Length(\"" + omoteShimesu + "a\")", "I:5", {}},
      {{}, "JLength(\"" + omoteShimesu + "a\")", "I:3", {}},
      {{}, "Copy(\"abcde\", 0, 2)", "S:ab", {}},
      {{}, "Copy(\"abcde\", 4)", "S:de", {}},
      {{}, "Copy(\"abc\", 5)", "S:", {}},
      {{}, "Copy(\"abc\", 2, 0)", "S:", {}},
      {{}, "Copy(\"abc\", 2, 2147483647)", "S:bc", {}},
      {{"i:I=-2147483648"}, "Copy(\"abc\", i, 2)", "S:ab", {}},
      {{}, "JCopy(\"" + omoteShimesu + "a\", 2, 1)", "S:" + kShimesu, {}},
      {{}, "JCopy(\"" + omoteShimesu + "a\", 2)", "S:" + kShimesu + "a", {}},

      {{"s:S=abcd"}, "Delete(s, 2)", "S:", {"s:S=a"}},
      {{"s:S=abcd"}, "Delete(s, 2, 2)", "S:", {"s:S=ad"}},
      {{"s:S=abcd"}, "Delete(s, 3, 2147483647)", "S:", {"s:S=ab"}},
      {{"s:S=abcd"}, "Delete(s, 0, 1) ++ Delete(s, 5) ++ Delete(s, 1, 0)", "S:", {"s:S=abcd"}},
      {{"n:I=1234"}, "Delete(n, 1, 1)", "S:", {"n:I=234"}},
      {{"s:S=" + omoteShimesu + "ab"}, "JDelete(s, 2, 1)", "S:", {"s:S=" + kOmote + "ab"}},
      {{"s:S=" + omoteShimesu + "ab"}, "JDelete(s, 3)", "S:", {"s:S=" + omoteShimesu}},
      {{"s:S=ab"}, "Insert(\"x\", s, 0)", "S:", {"s:S=xab"}},
      {{"s:S=ab"}, "Insert(\"x\", s, 9)", "S:", {"s:S=abx"}},
      {{"s:S=ab"}, "Insert(\"x\", s, 2)", "S:", {"s:S=axb"}},
      {{"s:S=" + omoteShimesu}, "JInsert(\"x\", s, 2)", "S:", {"s:S=" + kOmote + "x" + kShimesu}},

      {{}, "CompareStr(\"abc\", \"abd\")", "I:-1", {}},
      {{}, "CompareStr(\"ab\", \"abc\")", "I:-1", {}},
      {{}, "CompareStr(\"" + kOmote + "\", \"a\")", "I:52", {}},  // 0x95 - 0x61, unsigned
      {{}, "CompareText(\"ABC\", \"abc\")", "I:0", {}},
      {{}, "CompareText(\"_\", \"a\")", "I:30", {}},  // 'a' folds to 'A' (0x41) below '_'
      // Byte by byte: a trail byte in 'a'..'z' folds too.
      {{"a:S=\x83\x61", "b:S=\x83\x41"}, "CompareText(a, b)", "I:0", {}},
      {{}, "Pos(\"\", \"abc\")", "I:0", {}},
      {{}, "Pos(\"c\", \"abc\")", "I:3", {}},
      {{}, "Pos(\"x\", \"abc\")", "I:0", {}},
      {{}, "JPos(\"" + kShimesu + "\", \"" + omoteShimesu + "\")", "I:2", {}},
      {{"s:S= \t a b \r\n"}, "Trim(s)", "S:a b", {}},
      {{"s:S=\x81\x40 a \x81\x40"}, "JTrim(s)", "S:a", {}},
      {{}, "Not(TRUE)", "B:FALSE", {}},
      {{}, "Not(\"true\")", "B:TRUE", {}},
      {{}, "Not(0)", "B:TRUE", {}},

      // FixStr: a lone lead byte at the end goes, a trail byte or a lone byte stays.
      {{"s:S=ab\x83"}, "FixStr(s)", "S:ab", {}},
      {{"s:S=\x83"}, "FixStr(s)", "S:\x83", {}},
      {{"s:S=\x83\x61"}, "FixStr(s)", "S:\x83\x61", {}},
      {{"s:S=" + kOmote + "\x83"}, "FixStr(s)", "S:" + kOmote, {}},
      {{"s:S=\x83\x83\x83"}, "FixStr(s)", "S:\x83\x83", {}},
      {{"s:S=a\x83\x83"}, "FixStr(s)", "S:a\x83\x83", {}},

      {{}, "LowerCase(\"AbC" + J("Ａ") + "\")", "S:abc" + J("ａ"), {}},
      {{}, "UpperCase(\"abc" + J("ａ") + "\")", "S:ABC" + J("Ａ"), {}},
      {{"s:S=\x83\x61"}, "UpperCase(s)", "S:\x83\x61", {}},  // a trail byte is never a letter
      {{}, "StringOfChar(\"ab\", 3)", "S:ababab", {}},
      {{}, "StringOfChar(\"ab\", -1)", "S:", {}},
      {{}, "StringOfChar(\"ab\", 200000000)", "!std::bad_alloc", {}},
      {{}, "StringReplace(\"aaa\", \"a\", \"b\")", "S:baa", {}},
      {{}, "StringReplace(\"aaa\", \"a\", \"b\", TRUE)", "S:bbb", {}},
      {{}, "StringReplace(\"aa\", \"a\", \"aa\", TRUE)", "S:aaaa", {}},
      {{}, "StringReplace(\"aaaa\", \"aa\", \"b\", TRUE)", "S:bb", {}},
      {{}, "StringReplace(\"aXa\", \"x\", \"y\", TRUE)", "S:aXa", {}},
      {{}, "StringReplace(\"aXa\", \"x\", \"y\", TRUE, TRUE)", "S:aya", {}},
      {{}, "StringReplace(\"" + J("ａＡ") + "\", \"" + J("Ａ") + "\", \"x\", TRUE, TRUE)", "S:xx", {}},
      {{}, "StringReplace(\"abc\", \"\", \"z\", TRUE)", "S:abc", {}},
      // A match never begins or ends inside a double-byte character.
      {{"s:S=" + omoteShimesu + kSo + "\\"}, "StringReplace(s, \"\\\\\", \"/\", TRUE)",
       "S:" + omoteShimesu + kSo + "/", {}},
      {{"s:S=" + kOmote, "o:S=\x95"}, "StringReplace(s, o, \"x\", TRUE)", "S:" + kOmote, {}},
      {{"s:S=a" + kSo + "a", "o:S=\\a"}, "StringReplace(s, o, \"x\", TRUE)", "S:a" + kSo + "a", {}},
      {{"s:S=" + kSo + kSo}, "StringReplace(s, \"" + kSo + "\", \"x\", TRUE)", "S:xx", {}},
      {{}, "Length(StringReplace(StringOfChar(\"a\", 2000000), \"a\", StringOfChar(\"b\", 200), TRUE))",
       "!std::bad_alloc", {}},

      {{}, "HanToZen(\"A1\")", "S:" + J("Ａ１"), {}},
      {{}, "ZenToHan(\"" + J("Ａ１") + "\")", "S:A1", {}},
      {{}, "AddDelimiter(\",\", \"\")", "S:", {}},
      {{}, "AddDelimiter(\",\", \"a\")", "S:a,", {}},
      {{}, "StrToIntDef(\"12x\", 5)", "I:5", {}},
      {{}, "StrToIntDef(\"$1F\", 5)", "I:31", {}},
      {{}, "StrToIntDef(\" -12\", 5)", "I:-12", {}},
      {{}, "StrToIntDef(\"2147483648\", 5)", "I:5", {}},
      {{}, "StrToFloatDef(\"x\", 1.5)", "F:1.5", {}},
      {{}, "StrToFloatDef(\" 2.5e1 \", 0)", "F:25", {}},
  });
}
