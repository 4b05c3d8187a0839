#pragma once
// Small builders shared by the script engine's tests.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "script/param.h"
#include "script/param_collection.h"
#include "script/param_var.h"

namespace orva::script_test {

// The UTF-8 text of the system exception `f` raises, or "(no error)".
inline std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return SjisToUtf8(e.Message());
  }
  return "(no error)";
}

inline std::unique_ptr<TCustomParam> Int(int32_t v) {
  auto p = std::make_unique<TParamInt>();
  p->SetAsInteger(v);
  return p;
}
inline std::unique_ptr<TCustomParam> Float(long double v) {
  auto p = std::make_unique<TParamFloat>();
  p->SetAsFloat(v);
  return p;
}
inline std::unique_ptr<TCustomParam> Flag(bool v) {
  auto p = std::make_unique<TParamFlag>();
  p->SetAsBoolean(v);
  return p;
}
inline std::unique_ptr<TCustomParam> Str(std::string_view v) {
  auto p = std::make_unique<TParamStr>();
  p->SetAsString(v);
  return p;
}
inline std::unique_ptr<TCustomParam> Ref(std::string_view name) {
  auto p = std::make_unique<TParamVar>();
  p->SetName(name);
  return p;
}

// A variable made as the variable-creating command makes it.
inline TParamCollectionItem& Make(TParamCollection& store, std::string_view name, int type, TVarScope scope = vsGlobal) {
  TParamCollectionItem& item = store.AddVariable(type);
  item.SetName(name);
  if (scope == vsAutoDestroy || scope == vsLocal) item.SetOwnerDepth(store.CallDepth());
  if (scope == vsLocal) item.SetLocal(true);
  if (scope == vsStatus) item.SetStatus(true);
  return item;
}

}  // namespace orva::script_test
