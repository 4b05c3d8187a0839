// Every built-in function refuses one argument too few and one too many, in the compiler and,
// for stored calls, in the executor, with the same message.
#include <gtest/gtest.h>

#include "builtin_rows.h"
#include "core/vocabulary.h"
#include "script_test_support.h"

using namespace orva;
using namespace orva::script_test;

TEST(BuiltinArity, OneTooFewAndOneTooManyOfEveryFunction) {
  TParamCollection vars;
  TSysFuncMan functions(vars);
  TParamCollectionItem dest(CreateParam(PT_INT));
  int checked = 0;
  for (int f = 0; f < BuiltinFunctionCount; ++f) {
    const std::string name(BuiltinFunctionNames[f]);
    const std::string expected = name + " 引数の数が不正です";
    for (int count : {BuiltinFunctionMinArgs[f] - 1, BuiltinFunctionMaxArgs[f] + 1}) {
      if (count < 0 || (count == 0 && BuiltinFunctionMaxArgs[f] < 0)) continue;  // no such count
      SCOPED_TRACE(name + " with " + std::to_string(count));
      std::string call = name + "(";
      for (int i = 0; i < count; ++i) call += i ? ", 1" : "1";
      call += ")";
      TOrvaParser parser;
      EXPECT_EQ(Message([&] { CompileExpression(call, parser); }), expected);

      std::vector<std::unique_ptr<TCustomParam>> owned;
      std::vector<TCustomParam*> args;
      for (int i = 0; i < count; ++i) args.push_back(owned.emplace_back(Int(1)).get());
      EXPECT_EQ(Message([&] { functions.Execute(dest, static_cast<uint8_t>(f), args); }), expected);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 2 * BuiltinFunctionCount - 13 - 2);  // 13 may take none; 2 take any number
}
