// The run-time expression compiler on any text, and the evaluation of what it produces.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "core/stream.h"
#include "script/build_parser.h"
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
  orva::TParamCollection store;
  orva::AddFuzzVariables(store);
  compiled.SetPosition(0);
  orva::TOrvaParser parser;
  parser.LoadFromStream(compiled);
  if (compiled.Remaining() != 0) __builtin_trap();
  try {
    parser.Evaluate(store);
  } catch (const orva::Exception&) {
  }
  // Evaluation leaves the stored form as it was.
  orva::TMemoryStream again;
  parser.SaveToStream(again);
  if (again.View() != compiled.View()) __builtin_trap();
  return 0;
}
