// Any expression text, compiled at run time and evaluated with the real built-in functions
// over a small store (with @Temp): no input may crash, leak or run away.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "script/build_parser.h"
#include "script/orva_parser.h"
#include "script/param_collection.h"
#include "script/param_system.h"
#include "script/sys_func_man.h"
#include "script/temp_value.h"
#include "script_fuzz_store.h"

namespace {

class TempOnly : public orva::TSystemVariableProvider {
 public:
  explicit TempOnly(orva::TParamCollection& vars) : temp_(vars) {}
  orva::TCustomParam* SystemVariable(uint8_t id) override { return id == orva::svTemp ? &temp_ : nullptr; }

 private:
  orva::TTempValue temp_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  orva::TParamCollection store;
  orva::TSysFuncMan functions(store);
  functions.SeedRandom(1);
  TempOnly system(store);
  store.SetFunctions(&functions);
  store.SetSystemVariables(&system);
  orva::AddFuzzVariables(store);
  store.TempVariableName = "x";
  orva::TOrvaParser parser;
  try {
    orva::CompileExpression(text, parser);
  } catch (const orva::Exception&) {
    return 0;
  }
  for (int round = 0; round < 2; ++round) {
    try {
      parser.Evaluate(store);
    } catch (const orva::Exception&) {
    }
  }
  if (functions.CalcDepth() != 0) __builtin_trap();
  return 0;
}
