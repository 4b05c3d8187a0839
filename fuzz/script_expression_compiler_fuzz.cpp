// The run-time expression compiler on any text, and the evaluation of what it produces: with
// the fast form and through the general path alone, which must leave the same variables and
// result run after run.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "core/stream.h"
#include "script/build_parser.h"
#include "script/fast_form.h"
#include "script/orva_parser.h"
#include "script/param_collection.h"
#include "script_fuzz_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  orva::TBuildOrvaParser compiler;
  orva::TMemoryStream compiled;
  try {
    compiler.Compile(text);
    compiler.SaveToStream(compiled);
  } catch (const orva::Exception&) {
    return 0;
  }
  orva::TParamCollection store, reference;
  orva::AddFuzzVariables(store);
  orva::AddFuzzVariables(reference);
  compiled.SetPosition(0);
  orva::TOrvaParser parser, general;
  parser.LoadFromStream(compiled);
  if (compiled.Remaining() != 0) __builtin_trap();
  compiled.SetPosition(0);
  general.LoadFromStream(compiled);
  auto evaluate = [](orva::TOrvaParser& p, orva::TParamCollection& vars, bool fast) {
    orva::SetFastFormEnabled(fast);
    std::string outcome;
    try {
      p.Evaluate(vars);
    } catch (const orva::Exception& e) {
      outcome = e.what();
    }
    orva::SetFastFormEnabled(true);
    orva::TMemoryStream state;
    if (const orva::TCustomParam* result = p.Result()) {
      orva::WriteStreamByte(state, result->Kind());
      result->SaveToStream(state);
    }
    vars.SaveGameVars(state);
    return outcome + std::string(state.View());
  };
  for (int run = 0; run < 3; ++run)
    if (evaluate(parser, store, true) != evaluate(general, reference, false)) __builtin_trap();
  // Evaluation leaves the stored form as it was.
  orva::TMemoryStream again;
  parser.SaveToStream(again);
  if (again.View() != compiled.View()) __builtin_trap();
  return 0;
}
