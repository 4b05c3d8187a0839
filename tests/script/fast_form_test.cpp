// The fast form against the general path: the same compiled expressions evaluated over two
// equal stores, one with the fast form and one without, must leave the same variables, the
// same result and the same errors, also when the store changes between evaluations.
#include "script/fast_form.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/stream.h"
#include "script/build_parser.h"
#include "script/orva_parser.h"
#include "script/param_collection.h"
#include "script/sys_func_man.h"

using namespace orva;

namespace {

const char* const kScalars[] = {"i", "j", "k", "f", "g", "b", "s", "t"};
const char* const kArrays[] = {"ai", "af", "ab", "as"};

// A store with scalars and arrays of the four types, a stored element reference and @Temp
// standing for one of them.
struct Game {
  Game() {
    vars.SetFunctions(&functions);
    struct {
      const char* name;
      int type;
      const char* value;
    } scalars[] = {{"i", PT_INT, "2"},    {"j", PT_INT, "-3"},  {"k", PT_INT, "2147483647"}, {"f", PT_FLOAT, "1.5"},
                   {"g", PT_FLOAT, "0"},  {"b", PT_BOOL, "TRUE"}, {"s", PT_STR, "ab"},        {"t", PT_STR, "12"}};
    for (const auto& v : scalars) {
      TParamCollectionItem& item = vars.AddVariable(v.type);
      item.SetName(v.name);
      item.SetAsString(v.value);
    }
    const int types[] = {PT_INT, PT_FLOAT, PT_BOOL, PT_STR};
    for (int n = 0; n < 4; ++n) {
      TParamCollectionItem& item = vars.AddVariable(types[n]);
      item.SetName(kArrays[n]);
      const int32_t sizes[] = {3, 4};
      item.Value().SetDims(std::span<const int32_t>(sizes, n == 1 ? 1 : 2));
      for (int32_t e = 0; e < item.Value().GetCount(); ++e) item.Value().SetIntItem(e, e * 7 % 5);
    }
    TParamCollectionItem& ref = vars.AddVariable(PT_NONE);
    ref.SetName("r");
    const int32_t at[] = {1, 2};
    ref.DimTo("ai", at);
    vars.TempVariableName = "i";
  }
  TParamCollection vars;
  TSysFuncMan functions{vars};
};

std::string State(const TParamCollection& vars) {
  TMemoryStream m;
  vars.SaveGameVars(m);
  vars.SaveStatusVars(m);
  return std::string(m.View());
}

// Random expressions of the compiler's grammar over the store's names, with literals of
// every type, elements (in and out of range), calls and errors.
class Generator {
 public:
  explicit Generator(uint32_t seed) : random_(seed) {}
  uint32_t Next(uint32_t n) { return random_() % n; }

  std::string Operand() {
    static const char* const kLiterals[] = {"0", "1", "2", "-1", "7", "2147483647", "1.5", "0.0", "1e4000",
                                            "\"ab\"", "\"12\"", "\"\"", "TRUE", "FALSE"};
    switch (Next(6)) {
      case 0:
      case 1: return kLiterals[Next(std::size(kLiterals))];
      case 2: return Next(8) ? kScalars[Next(std::size(kScalars))] : (Next(2) ? "r" : (Next(2) ? "@Temp" : "zz"));
      case 3: return Element();
      case 4: return std::string(Next(2) ? "Abs(" : "Length(") + Expression(1) + ")";
      default: return "(" + Expression(1) + ")";
    }
  }
  std::string Element() {
    const char* name = kArrays[Next(std::size(kArrays))];
    std::string text = std::string(name) + "[" + Index();
    if (Next(4)) text += ", " + Index();
    return text + "]";
  }
  std::string Index() {
    switch (Next(4)) {
      case 0: return std::to_string(static_cast<int>(Next(5)) - 1);
      case 1: return Next(2) ? "i" : "b";
      default: return std::to_string(Next(3));
    }
  }
  std::string Expression(int depth) {
    static const char* const kOperators[] = {"+", "-", "*", "/", "%", "|", "&", "^", "<<", ">>",
                                             "++", "==", "<>", ">", "<", ">=", "<="};
    std::string text = Operand();
    const int count = depth > 2 ? 0 : static_cast<int>(Next(3));
    for (int i = 0; i < count; ++i) text += std::string(" ") + kOperators[Next(std::size(kOperators))] + " " + Operand();
    return text;
  }
  std::string Statement() {
    switch (Next(8)) {
      case 0: return Expression(0);
      case 1: return "s = s ++ " + Operand();
      case 2: {
        const std::string e = Element();
        return e + " = " + e + " + " + Operand();
      }
      case 3: return Element() + " = " + Expression(0);
      default: return std::string(kScalars[Next(std::size(kScalars))]) + " = " + Expression(0);
    }
  }

  // One change of the store between evaluations: a value, a type, a shape, a variable made
  // or deleted, a call depth with a local of the name entered or left.
  void Change(TParamCollection& vars, uint32_t draw) {
    const char* const kNames[] = {"i", "j", "f", "s", "t", "b", "ai", "as", "zz"};
    const char* name = kNames[draw % std::size(kNames)];
    TParamCollectionItem* item = vars.Find(name);
    const uint32_t what = (draw / 16) % 7;
    if (what == 6) {
      const int32_t depth = vars.CallDepth();
      if (depth > 0) {
        vars.DeleteDepth(depth);
        vars.SetCallDepth(depth - 1);
        return;
      }
      vars.SetCallDepth(depth + 1);
      TParamCollectionItem& local = vars.AddVariable(static_cast<int>(1 + draw / 128 % 4));
      local.SetName(name);
      local.SetOwnerDepth(depth + 1);
      local.SetLocal(true);
    } else if (!item) {
      vars.AddVariable(static_cast<int>(1 + draw / 128 % 4)).SetName(name);
    } else if (what == 0) {
      vars.DeleteItem(*item);
    } else if (what == 1) {
      item->SetParamType(static_cast<int>(1 + draw / 128 % 4));
    } else if (what == 2) {
      const int32_t sizes[] = {static_cast<int32_t>(1 + draw / 128 % 3), 2};
      item->Value().SetDims(sizes);
    } else {
      static const char* const kValues[] = {"0", "5", "-7", "ab", "3.25", "TRUE", "", "99999"};
      try {
        item->Value().SetAsString(kValues[draw / 128 % std::size(kValues)]);
      } catch (const std::exception&) {
      }
    }
  }

 private:
  std::mt19937 random_;
};

struct Outcome {
  std::string state, result, errors;
  bool operator==(const Outcome&) const = default;
};

Outcome Evaluate(TOrvaParser& parser, Game& game, bool fast) {
  Outcome out;
  SetEvaluationErrorHook([&](const TOrvaParser&, const std::exception& e) { out.errors += std::string(e.what()) + "|"; });
  SetFastFormEnabled(fast);
  try {
    parser.Evaluate(game.vars);
  } catch (const std::exception& e) {
    out.errors += std::string("out:") + e.what();
  }
  SetFastFormEnabled(true);
  SetEvaluationErrorHook(nullptr);
  if (const TCustomParam* result = parser.Result()) {
    TMemoryStream m;
    result->SaveToStream(m);
    out.result = std::to_string(result->Kind()) + ":" + std::string(m.View());
  }
  out.state = State(game.vars);
  return out;
}

TEST(FastForm, SameAsTheGeneralPathOverRandomExpressionsAndStoreChanges) {
  Generator generator(39);
  int compared = 0;
  for (int n = 0; n < 3000; ++n) {
    const std::string text = generator.Statement();
    TOrvaParser fast, general;
    try {
      CompileExpression(text, fast);
      CompileExpression(text, general);
    } catch (const std::exception&) {
      continue;
    }
    Game a, b;
    for (int run = 0; run < 5; ++run) {
      const Outcome x = Evaluate(fast, a, true), y = Evaluate(general, b, false);
      ASSERT_EQ(x, y) << text << " (evaluation " << run << ")";
      ++compared;
      if (generator.Next(3) == 0) continue;  // the store as it was: the kept lookups hold
      const uint32_t draw = generator.Next(1 << 12);
      generator.Change(a.vars, draw);
      generator.Change(b.vars, draw);
    }
  }
  EXPECT_GT(compared, 5000);
}

// Appending in place against the general path: the destination an array, the text appended
// the destination itself, an element, a destination retyped or an operand deleted between runs.
TEST(FastForm, AppendInPlace) {
  struct Case {
    const char* text;
    void (*change)(TParamCollection& vars);
  } cases[] = {
      {"s = s ++ t", [](TParamCollection&) {}},
      {"s = s ++ s", [](TParamCollection&) {}},
      {"s = s ++ as[1, 1]", [](TParamCollection&) {}},
      {"as[1, 1] = as[1, 1] ++ t", [](TParamCollection&) {}},
      {"s = s ++ t",
       [](TParamCollection& vars) {
         const int32_t sizes[] = {2, 2};
         vars.Find("s")->Value().SetDims(sizes);
       }},
      {"s = s ++ t", [](TParamCollection& vars) { vars.Find("s")->SetParamType(PT_INT); }},
      {"s = s ++ t", [](TParamCollection& vars) { vars.DeleteItem(*vars.Find("t")); }},
      {"S = s ++ t", [](TParamCollection&) {}},
  };
  for (const Case& c : cases) {
    TOrvaParser fast, general;
    CompileExpression(c.text, fast);
    CompileExpression(c.text, general);
    Game a, b;
    for (int run = 0; run < 4; ++run) {
      if (run == 2) {
        c.change(a.vars);
        c.change(b.vars);
      }
      ASSERT_EQ(Evaluate(fast, a, true), Evaluate(general, b, false)) << c.text << " (evaluation " << run << ")";
    }
  }
}

}  // namespace
