#include "script/orva_parser.h"

#include <gtest/gtest.h>

#include <optional>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/stream.h"
#include "script/build_parser.h"
#include "script/param_collection.h"
#include "script/param_system.h"
#include "script/param_var.h"
#include "script/script_error.h"
#include "script/sys_func_man.h"
#include "script_test_support.h"

using namespace orva;
using namespace orva::script_test;

namespace {

struct Value {
  TParamType type;
  std::string text;
  bool operator==(const Value&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Value& v) { return os << int(v.type) << ":" << v.text; }

std::optional<Value> Eval(TParamCollection& store, std::string_view text) {
  TOrvaParser parser;
  CompileExpression(text, parser);
  parser.Evaluate(store);
  if (!parser.Result()) return std::nullopt;
  return Value{parser.Result()->GetParamType(), parser.Result()->GetAsString()};
}

std::unique_ptr<TOpeData> Op(uint8_t opcode, std::string_view dest, std::vector<std::unique_ptr<TCustomParam>> operands,
                             uint8_t function = 0) {
  auto op = std::make_unique<TOpeData>(opcode, dest, function);
  for (auto& operand : operands) op->AddOperand(std::move(operand));
  return op;
}
template <class... T>
std::vector<std::unique_ptr<TCustomParam>> Operands(T... operands) {
  std::vector<std::unique_ptr<TCustomParam>> v;
  (v.push_back(std::move(operands)), ...);
  return v;
}

std::string Bytes(const TOrvaParser& parser) {
  TMemoryStream m;
  parser.SaveToStream(m);
  return std::string(m.View());
}

// A few built-in functions, enough to drive the call path.
class FakeFunctions : public TSysFuncMan {
 public:
  explicit FakeFunctions(TParamCollection& store) : store_(store) {}
  void Execute(TParamCollectionItem& dest, uint8_t index, std::span<TCustomParam* const> args) override {
    calls.push_back(index);
    switch (index) {
      case bfLength: dest.SetAsInteger(static_cast<int32_t>(args[0]->GetAsString().size())); break;
      case bfDelete: args[0]->SetAsString("changed"); break;
      case bfCalc: {
        TOrvaParser inner;
        CompileExpression(args[0]->GetAsString(), inner);
        inner.Evaluate(store_);
        dest.SetAsString(inner.Result() ? inner.Result()->GetAsString() : "");
        break;
      }
      case bfGetProp: dest.SetAsString("5"); break;
      default: break;
    }
  }
  std::vector<int> calls;

 private:
  TParamCollection& store_;
};

}  // namespace

TEST(Evaluation, OperatorsAndConversions) {
  const Value no{PT_NONE, "(none)"};
  struct Case {
    const char* text;
    Value result;
  } cases[] = {
      {"7 / 2", {PT_INT, "3"}},
      {"7.0 / 2", {PT_FLOAT, "3.5"}},
      {"7 / 2.0", {PT_INT, "3"}},
      {"1.0 / 3", {PT_FLOAT, "0.333333333333333"}},
      {"-7 % 3", {PT_INT, "-1"}},
      {"7.5 % 2", {PT_INT, "1"}},
      {"1 << 33", {PT_INT, "2"}},
      {"-1 >> 28", {PT_INT, "15"}},
      {"6 | 3", {PT_INT, "7"}},
      {"6 & 3", {PT_INT, "2"}},
      {"6 ^ 3", {PT_INT, "5"}},
      {"2147483647 + 1", {PT_INT, "-2147483648"}},
      {"65536 * 65536", {PT_INT, "0"}},
      {"\"ab\" + \"cd\"", {PT_STR, "0"}},
      {"\"ab\" ++ \"cd\"", {PT_STR, "abcd"}},
      {"1 ++ 2.5", {PT_STR, "12.5"}},
      {"\"x\" ++ 1 + 2", {PT_STR, "x3"}},
      {"\"B\" > \"A\"", {PT_BOOL, "TRUE"}},
      {"\"a\" > \"B\"", {PT_BOOL, "TRUE"}},
      {"\"ab\" < \"abc\"", {PT_BOOL, "TRUE"}},
      {"\"10\" < \"9\"", {PT_BOOL, "TRUE"}},
      {"10 < \"9\"", {PT_BOOL, "FALSE"}},
      {"3 == 3", {PT_BOOL, "TRUE"}},
      {"3 <> 3", {PT_BOOL, "FALSE"}},
      {"2 >= 3", {PT_BOOL, "FALSE"}},
      {"2 <= 3", {PT_BOOL, "TRUE"}},
      {"TRUE > FALSE", {PT_BOOL, "TRUE"}},
      {"1.5 == \"1.5\"", {PT_BOOL, "TRUE"}},
      {"1 + 2 == 3", {PT_BOOL, "TRUE"}},
      {"1.5 + 1", {PT_FLOAT, "2.5"}},
      {"0.1 + 0.2", {PT_FLOAT, "0.3"}},
      {"2 * 3 + 4", {PT_INT, "10"}},
      {"2 + 3 * 4", {PT_INT, "14"}},
      {"(2 + 3) * 4", {PT_INT, "20"}},
      {"10 - 2 - 3", {PT_INT, "5"}},
      {"-3 * 2", {PT_INT, "-6"}},
      {"2 * -3", {PT_INT, "-6"}},
      {"5 - -1", {PT_INT, "6"}},
      {"1e3 + 1", {PT_FLOAT, "1001"}},
      {"$10 + 0", {PT_INT, "16"}},
      {"2147483648 + 0", {PT_FLOAT, "2147483648"}},
      {"\"a\\nb\"", {PT_STR, "a\r\nb"}},
      {"TRUE", {PT_BOOL, "TRUE"}},
      {"1 / 0", no},
      {"1 % 0", no},
      {"(-2147483647 - 1) / -1", no},
      {"(-2147483647 - 1) % -1", no},
      {"1.0 / 0", no},
      {"1.0 / 0.0", no},
      {"1e4000 * 1e4000", no},
      {"missing + 1", no},
      {"2.5e30 % 2", no},  // the float read as an integer is beyond the 64-bit range
  };
  TParamCollection store;
  for (const Case& c : cases) EXPECT_EQ(Eval(store, c.text).value_or(no), c.result) << c.text;
}

TEST(Evaluation, AssignmentsWriteThroughTheDestinationType) {
  TParamCollection store;
  TParamCollectionItem& i = Make(store, "i", PT_INT);
  TParamCollectionItem& f = Make(store, "f", PT_FLOAT);
  TParamCollectionItem& b = Make(store, "b", PT_BOOL);
  TParamCollectionItem& s = Make(store, "s", PT_STR);
  struct Case {
    const char* text;
    TParamCollectionItem& target;
    const char* value;
  } cases[] = {
      {"i = 7 / 2", i, "3"},     {"f = 7 / 2", f, "3"},        {"f = 7.0 / 2", f, "3.5"},
      {"i = 2.9", i, "2"},       {"i = \"$1F\"", i, "31"},     {"b = \"TRUE\"", b, "TRUE"},
      {"b = \"1\"", b, "FALSE"}, {"b = 2", b, "TRUE"},         {"s = 1 + 2", s, "3"},
      {"s = \"a\" + 1", s, "1"}, {"s = 0.5 * 3", s, "1.5"},    {"i = 5 > 2", i, "1"},
      {"f = i % 2", f, "1"},     {"I = 4", i, "4"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Eval(store, c.text), std::nullopt) << c.text;  // an assignment has no value
    EXPECT_EQ(c.target.GetAsString(), c.value) << c.text;
  }
  // Written straight into a variable, the division follows the destination's type.
  TOrvaParser direct;
  direct.Add(Op(ocDiv, "f", Operands(Int(7), Int(2))));
  direct.Add(Op(ocDiv, "i", Operands(Int(7), Int(2))));
  direct.Add(Op(ocMod, "s", Operands(Int(-7), Int(3))));
  direct.Evaluate(store);
  EXPECT_EQ(f.GetAsString(), "3.5");
  EXPECT_EQ(i.GetAsString(), "3");
  EXPECT_EQ(s.GetAsString(), "-1");

  TParamCollectionItem& arr = Make(store, "arr", PT_INT);
  const int32_t three[] = {3};
  arr.Value().SetDims(three);
  Eval(store, "arr = 9");
  EXPECT_EQ(arr.Value().GetCount(), 1);  // assigning a scalar makes the array scalar
  EXPECT_EQ(arr.GetAsInteger(), 9);
}

TEST(Evaluation, Subscripts) {
  TParamCollection store;
  TParamCollectionItem& x = Make(store, "x", PT_INT);
  const int32_t sizes[] = {3, 4};
  x.Value().SetDims(sizes);
  Make(store, "i", PT_INT).SetAsInteger(1);
  Make(store, "j", PT_INT).SetAsInteger(2);
  TOrvaParser parser;
  CompileExpression("x[i, j] = x[i, j] + 1", parser);
  for (int n = 0; n < 3; ++n) parser.Evaluate(store);
  EXPECT_EQ(x.Value().GetIntItem(6), 3);
  EXPECT_EQ(Eval(store, "x[1, 2] * 2"), (Value{PT_INT, "6"}));
  EXPECT_EQ(Eval(store, "x[i + 1, j - 2]"), (Value{PT_INT, "0"}));
  EXPECT_EQ(Eval(store, "x[3, 0]"), std::nullopt);
  EXPECT_EQ(Eval(store, "x[1]"), std::nullopt);
  // The element read fails after the result temporary was made: it keeps its initial value.
  EXPECT_EQ(Eval(store, "x[-1, 0]"), (Value{PT_INT, "0"}));
  EXPECT_EQ(Eval(store, "x[-1, 0] + 1"), std::nullopt);
  TParamCollectionItem& names = Make(store, "names", PT_STR);
  const int32_t two[] = {2};
  names.Value().SetDims(two);
  Eval(store, "names[1] = \"b\" ++ names[0] ++ \"c\"");
  EXPECT_EQ(names.Value().GetStrItem(1), "bc");
}

TEST(Evaluation, ErrorsEndTheEvaluationKeepingEarlierWrites) {
  TParamCollection store;
  TParamCollectionItem& x = Make(store, "x", PT_INT);
  TParamCollectionItem& y = Make(store, "y", PT_INT);
  y.SetAsInteger(-1);
  TOrvaParser parser;
  parser.Add(Op(ocTo, "x", Operands(Int(5))));
  parser.Add(Op(ocDiv, "____0", Operands(Int(1), Int(0))));
  parser.Add(Op(ocTo, "y", Operands(Ref("____0"))));
  parser.Evaluate(store);
  EXPECT_EQ(x.GetAsInteger(), 5);
  EXPECT_EQ(y.GetAsInteger(), -1);
  EXPECT_EQ(parser.Result(), nullptr);
  TOrvaParser unknownDest;
  unknownDest.Add(Op(ocTo, "nowhere", Operands(Int(5))));
  unknownDest.Evaluate(store);
  EXPECT_EQ(store.Find("nowhere"), nullptr);
}

TEST(Evaluation, ResultHeldAsAReferenceRaises) {
  TParamCollection store;
  TOrvaParser parser;
  CompileExpression("@Result", parser);  // no running page: the temporary is a reference
  try {
    parser.Evaluate(store);
    FAIL() << "no error";
  } catch (const EScriptError& e) {
    EXPECT_EQ(SjisToUtf8(e.Message()), "____arg:不正な変数です");
  }
  EXPECT_EQ(parser.Result(), nullptr);
  CompileExpression("1", parser);
  parser.Evaluate(store);
  ASSERT_NE(parser.Result(), nullptr);
}

TEST(Evaluation, TemporariesTakeTheLeftOperandsType) {
  struct Provider : TSystemVariableProvider {
    TParamInt tick;
    TParamFloat pi;
    TCustomParam* SystemVariable(uint8_t id) override {
      return id == svTickCount ? static_cast<TCustomParam*>(&tick) : id == svPi ? &pi : nullptr;
    }
  } provider;
  provider.tick.SetAsInteger(100);
  provider.pi.SetAsFloat(3.25L);
  TParamCollection store;
  store.SetSystemVariables(&provider);
  EXPECT_EQ(Eval(store, "@TickCount + 1"), (Value{PT_INT, "101"}));
  EXPECT_EQ(Eval(store, "@Pi * 2"), (Value{PT_FLOAT, "6.5"}));
  EXPECT_EQ(Eval(store, "@tickcount / 3"), (Value{PT_INT, "33"}));
}

TEST(Evaluation, FunctionCallsGoThroughTheExecutor) {
  TParamCollection store;
  EXPECT_EQ(Eval(store, "Length(\"abc\")"), (Value{PT_INT, "0"}));  // no executor: the initial value
  FakeFunctions functions(store);
  store.SetFunctions(&functions);
  EXPECT_EQ(Eval(store, "Length(\"abc\") + 1"), (Value{PT_INT, "4"}));
  EXPECT_EQ(functions.calls, std::vector<int>{bfLength});
  // GetProp's temporary takes the type of the property read (low byte of the code).
  EXPECT_EQ(Eval(store, "GetProp(\"o\", 3)"), (Value{PT_INT, "5"}));
  EXPECT_EQ(Eval(store, "GetProp(\"o\", 259)"), (Value{PT_INT, "5"}));
  EXPECT_EQ(Eval(store, "GetProp(\"o\", 0)"), (Value{PT_STR, "5"}));
  functions.calls.clear();
  EXPECT_EQ(Eval(store, "GetProp(\"o\", 162)"), std::nullopt);
  EXPECT_TRUE(functions.calls.empty());
}

TEST(Evaluation, FunctionsWriteVariablesButNeverLiterals) {
  TParamCollection store;
  FakeFunctions functions(store);
  store.SetFunctions(&functions);
  TParamCollectionItem& s = Make(store, "s", PT_STR);
  Eval(store, "Delete(s, 1)");
  EXPECT_EQ(s.GetAsString(), "changed");
  TOrvaParser parser;
  CompileExpression("Delete(12, 1) ++ Length(34)", parser);
  const std::string before = Bytes(parser);
  parser.Evaluate(store);
  parser.Evaluate(store);
  EXPECT_EQ(Bytes(parser), before);
  ASSERT_NE(parser.Result(), nullptr);
  EXPECT_EQ(parser.Result()->GetAsString(), "2");
}

TEST(Evaluation, NestedEvaluationsHaveTheirOwnTemporaries) {
  TParamCollection store;
  FakeFunctions functions(store);
  store.SetFunctions(&functions);
  // ____0 holds "abc" while Calc runs an expression whose own ____0 holds 30.
  EXPECT_EQ(Eval(store, "Length(\"abc\") + Calc(\"10 + 20\")"), (Value{PT_INT, "33"}));
}

TEST(Evaluation, ReentrantEvaluationOfTheSameExpression) {
  TParamCollection store;
  TOrvaParser parser;
  struct Reenter : TSysFuncMan {
    TOrvaParser* parser = nullptr;
    TParamCollection* store = nullptr;
    int depth = 0;
    void Execute(TParamCollectionItem& dest, uint8_t, std::span<TCustomParam* const> args) override {
      if (depth++ == 0) parser->Evaluate(*store);
      dest.SetAsString(args[0]->GetAsString());
    }
  } reenter;
  reenter.parser = &parser;
  reenter.store = &store;
  store.SetFunctions(&reenter);
  CompileExpression("Trim(\"x\" ++ \"y\") ++ \"z\"", parser);
  parser.Evaluate(store);
  ASSERT_NE(parser.Result(), nullptr);
  EXPECT_EQ(parser.Result()->GetAsString(), "xyz");
}

TEST(Evaluation, StoredOperationsThatMakeNoSense) {
  TParamCollection store;
  Make(store, "v", PT_INT).SetAsInteger(3);
  auto run = [&](std::unique_ptr<TOpeData> op) {
    TOrvaParser parser;
    parser.Add(std::move(op));
    parser.Add(Op(ocTo, "____arg", Operands(Int(1))));
    parser.Evaluate(store);
    return parser.Result() != nullptr;
  };
  EXPECT_FALSE(run(Op(ocNone, "____0", Operands(Ref("v")))));
  EXPECT_FALSE(run(Op(21, "____0", Operands())));
  EXPECT_FALSE(run(Op(255, "____0", Operands(Int(1)))));
  EXPECT_TRUE(run(Op(255, "v", Operands(Int(1)))));  // an existing destination: nothing happens
  EXPECT_FALSE(run(Op(ocFunc, "____0", Operands(), 142)));
  EXPECT_FALSE(run(Op(ocFunc, "____0", Operands(Int(1)), bfGetProp)));
  EXPECT_FALSE(run(Op(ocTo, "____0", Operands())));
  EXPECT_FALSE(run(Op(ocPlus, "____0", Operands(Int(1)))));
  EXPECT_FALSE(run(Op(ocDimTo, "____d_0", Operands(Int(1), Int(0)))));
  EXPECT_FALSE(run(Op(ocDimTo, "____d_0", Operands(Ref("v")))));  // no index for a scalar
  EXPECT_EQ(store.Find("v")->GetAsInteger(), 3);
}

TEST(StoredExpressions, RoundTripAndCopy) {
  TOrvaParser parser;
  CompileExpression("a[i, 2] = \"s\" ++ f1 + 1.5 * Length(\"xy\") + TRUE", parser);
  const std::string bytes = Bytes(parser);
  TOrvaParser copy;
  copy.Assign(parser);
  EXPECT_EQ(Bytes(copy), bytes);
  TMemoryStream m(bytes);
  TOrvaParser loaded;
  loaded.LoadFromStream(m);
  EXPECT_EQ(Bytes(loaded), bytes);
  // Evaluating leaves the stored form as it was (references are stored by name).
  TParamCollection store;
  TParamCollectionItem& a = Make(store, "a", PT_STR);
  const int32_t sizes[] = {2, 3};
  a.Value().SetDims(sizes);
  Make(store, "i", PT_INT).SetAsInteger(1);
  Make(store, "f1", PT_INT).SetAsInteger(2);
  loaded.Evaluate(store);
  EXPECT_EQ(a.Value().GetStrItem(5), "s3");
  EXPECT_EQ(Bytes(loaded), bytes);
  copy.Clear();
  EXPECT_EQ(copy.Count(), 0);
  copy.Evaluate(store);
  EXPECT_EQ(copy.Result(), nullptr);
}

TEST(StoredExpressions, HostileCountsRaiseReadErrors) {
  const std::string bad[] = {
      std::string("\xFF\xFF\xFF\x7F", 4),                               // operations beyond the data
      std::string("\x01\0\0\0\x01\0\0\0\0\xFF\xFF\xFF\x7F", 13),        // operands beyond the data
      std::string("\x01\0\0\0\x01\xFF\xFF\xFF\x7F", 9),                 // destination beyond the data
      std::string("\x01\0\0\0\x01\0\0\0\0\x01\0\0\0\x04\xFF\xFF\xFF\x7F", 18),  // string literal
  };
  for (const std::string& bytes : bad) {
    TMemoryStream m(bytes);
    TOrvaParser parser;
    EXPECT_THROW(parser.LoadFromStream(m), EReadError);
    EXPECT_EQ(parser.Count(), 0);
  }
}
