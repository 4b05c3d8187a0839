#pragma once
// Tables of built-in function calls: each row makes variables, compiles a call text with the
// run-time compiler, runs it through the real evaluator and executor, and compares the
// call's value and type (or the error that ended it) and the variables afterwards.
//
// Variables are written "name:T=value" or, for arrays, "name:T[2,3]=v|v|v|v|v|v", with T one
// of I F B S (integer, float, flag, text); texts are Shift-JIS bytes. A result is "T:value"
// with the type of the call's value, "!message" (UTF-8) for an error, "(none)" when the
// expression produced nothing.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "script/build_parser.h"
#include "script/orva_parser.h"
#include "script/param_collection.h"
#include "script/sys_func_man.h"
#include "script_test_support.h"

namespace orva::script_test {

// Shift-JIS bytes of UTF-8 text, for rows that show Japanese.
inline std::string J(std::string_view utf8) { return Utf8ToSjis(utf8); }

inline char TypeLetter(TParamType type) {
  switch (type) {
    case PT_INT: return 'I';
    case PT_FLOAT: return 'F';
    case PT_BOOL: return 'B';
    case PT_STR: return 'S';
    default: return '0';
  }
}

inline TParamType TypeOfLetter(char letter) {
  switch (letter) {
    case 'I': return PT_INT;
    case 'F': return PT_FLOAT;
    case 'B': return PT_BOOL;
    case 'S': return PT_STR;
    default: return PT_NONE;
  }
}

inline std::vector<std::string> SplitOn(std::string_view s, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i)
    if (i == s.size() || s[i] == separator) {
      parts.emplace_back(s.substr(start, i - start));
      start = i + 1;
    }
  return parts;
}

// Makes a global variable from its notation.
inline TParamCollectionItem& MakeVariable(TParamCollection& vars, std::string_view spec) {
  const size_t colon = spec.find(':'), equals = spec.find('=');
  TParamCollectionItem& item = vars.AddVariable(TypeOfLetter(spec[colon + 1]));
  item.SetName(spec.substr(0, colon));
  const std::string_view value = spec.substr(equals + 1);
  if (spec[colon + 2] != '[') {
    item.SetAsString(value);
    return item;
  }
  std::vector<int32_t> sizes;
  for (const std::string& size : SplitOn(spec.substr(colon + 3, spec.find(']') - colon - 3), ','))
    sizes.push_back(std::stoi(size));
  item.Value().SetDims(sizes);
  const std::vector<std::string> elements = SplitOn(value, '|');
  for (size_t i = 0; i < elements.size(); ++i) item.Value().SetStrItem(static_cast<int32_t>(i), elements[i]);
  return item;
}

// The notation of a variable as it is now.
inline std::string DescribeVariable(const TParamCollectionItem& item) {
  const TCustomParam& v = item.Value();
  std::string text = item.GetName() + ":" + TypeLetter(v.GetParamType());
  if (v.Dims().empty()) return text + "=" + v.GetAsString();
  text += '[';
  for (size_t k = 0; k < v.Dims().size(); ++k) text += (k ? "," : "") + std::to_string(v.Dims()[k]);
  text += "]=";
  for (int32_t i = 0; i < v.GetCount(); ++i) text += (i ? "|" : "") + v.GetStrItem(i);
  return text;
}

// Compiles and evaluates the text; its value, the error that ended it, or "(none)".
inline std::string RunExpression(TParamCollection& vars, std::string_view text) {
  TOrvaParser parser;
  try {
    CompileExpression(text, parser);
  } catch (const Exception& e) {
    return "!" + SjisToUtf8(e.Message());
  }
  std::string error;
  SetEvaluationErrorHook([&error, &parser](const TOrvaParser& expression, const std::exception& e) {
    if (&expression != &parser) return;  // an evaluation inside this one (Calc)
    const auto* own = dynamic_cast<const Exception*>(&e);
    error = own ? SjisToUtf8(own->Message()) : std::string(e.what());
  });
  parser.Evaluate(vars);
  SetEvaluationErrorHook(nullptr);
  if (!error.empty()) return "!" + error;
  const TCustomParam* result = parser.Result();
  if (!result) return "(none)";
  return std::string(1, TypeLetter(result->GetParamType())) + ":" + result->GetAsString();
}

// Operations as stored expressions hold them: "____d_0 = name[index]", an element reference
// that the run-time compiler never passes to a function (it passes a copy) ...
inline void AddElementReference(TOrvaParser& parser, std::string_view name, int32_t index) {
  auto dim = std::make_unique<TOpeData>(ocDimTo, "____d_0");
  dim->AddOperand(Ref(name));
  dim->AddOperand(Int(index));
  parser.Add(std::move(dim));
}
// ... and "____0 = function(operands)".
template <class... T>
void AddCall(TOrvaParser& parser, uint8_t function, T... operands) {
  auto op = std::make_unique<TOpeData>(ocFunc, "____0", function);
  (op->AddOperand(std::move(operands)), ...);
  parser.Add(std::move(op));
}

struct TCallRow {
  std::vector<std::string> before;  // variables made first
  std::string call;
  std::string result;
  std::vector<std::string> after;  // variables compared afterwards (by name)
};

// A fresh store and executor for every row; `prepare` sets up anything else the rows need.
template <class Prepare>
void CheckRows(const std::vector<TCallRow>& rows, Prepare prepare) {
  for (const TCallRow& row : rows) {
    SCOPED_TRACE(row.call);
    TParamCollection vars;
    TSysFuncMan functions(vars);
    vars.SetFunctions(&functions);
    prepare(vars, functions);
    for (const std::string& spec : row.before) MakeVariable(vars, spec);
    EXPECT_EQ(RunExpression(vars, row.call), row.result);
    for (const std::string& spec : row.after) {
      const TParamCollectionItem* item = vars.Find(spec.substr(0, spec.find(':')));
      ASSERT_NE(item, nullptr) << spec;
      EXPECT_EQ(DescribeVariable(*item), spec);
    }
  }
}

inline void CheckRows(const std::vector<TCallRow>& rows) {
  CheckRows(rows, [](TParamCollection&, TSysFuncMan&) {});
}

// Calls whose effects outlive them (tables, files, the scene), run one after another in one
// store: each call with the result it must give. A chain "a ++ b" would not do: its operands
// are evaluated right to left.
struct TStep {
  std::string call;
  std::string result;
};
struct TStepRow {
  std::vector<std::string> before;  // variables made first
  std::vector<TStep> steps;
};

template <class Prepare>
void CheckSteps(const std::vector<TStepRow>& rows, Prepare prepare) {
  for (const TStepRow& row : rows) {
    SCOPED_TRACE(row.steps.empty() ? std::string() : row.steps.front().call);
    TParamCollection vars;
    TSysFuncMan functions(vars);
    vars.SetFunctions(&functions);
    prepare(vars, functions);
    for (const std::string& spec : row.before) MakeVariable(vars, spec);
    for (const TStep& step : row.steps) EXPECT_EQ(RunExpression(vars, step.call), step.result) << step.call;
  }
}

}  // namespace orva::script_test
