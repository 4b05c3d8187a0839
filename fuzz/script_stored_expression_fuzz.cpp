// The stored expression reader on any bytes: what it reads writes back, reads again and
// writes back the same, copies the same and evaluates without harm.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "core/stream.h"
#include "script/orva_parser.h"
#include "script/param_collection.h"
#include "script_fuzz_store.h"
#include "script/sys_func_man.h"

namespace {

// Writes into every argument, as the variable-writing functions do.
class WritingFunctions : public orva::TSysFuncMan {
 public:
  void Execute(orva::TParamCollectionItem& dest, uint8_t index, std::span<orva::TCustomParam* const> args) override {
    for (orva::TCustomParam* arg : args) arg->SetAsString(arg->GetAsString());
    dest.SetAsInteger(index);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orva::TMemoryStream m(std::string(reinterpret_cast<const char*>(data), size));
  orva::TOrvaParser parser;
  try {
    parser.LoadFromStream(m);
  } catch (const orva::Exception&) {
    return 0;
  }
  orva::TMemoryStream saved;
  parser.SaveToStream(saved);
  orva::TOrvaParser copy;
  copy.Assign(parser);
  orva::TMemoryStream copied;
  copy.SaveToStream(copied);
  if (copied.View() != saved.View()) __builtin_trap();
  saved.SetPosition(0);
  orva::TOrvaParser reloaded;
  reloaded.LoadFromStream(saved);
  orva::TMemoryStream resaved;
  reloaded.SaveToStream(resaved);
  if (resaved.View() != saved.View()) __builtin_trap();

  orva::TParamCollection store;
  WritingFunctions functions;
  store.SetFunctions(&functions);
  orva::AddFuzzVariables(store);
  for (int round = 0; round < 2; ++round) {
    try {
      parser.Evaluate(store);
    } catch (const orva::Exception&) {
    }
  }
  orva::TMemoryStream after;
  parser.SaveToStream(after);
  if (after.View() != saved.View()) __builtin_trap();
  return 0;
}
