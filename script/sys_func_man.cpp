#include "script/sys_func_man.h"

#include <new>

#include "core/file_manager.h"
#include "core/frame_clock.h"
#include "core/paths.h"
#include "script/builtin_call.h"
#include "script/project_link.h"
#include "script/script_error.h"

namespace orva {
namespace {

const TBuiltinTable& Routines() {
  static const TBuiltinTable table = [] {
    TBuiltinTable t{};
    AddTextFunctions(t);
    AddArrayFunctions(t);
    AddMathFunctions(t);
    AddVariableFunctions(t);
    AddObjectFunctions(t);
    AddFileFunctions(t);
    AddTableFunctions(t);
    AddSystemFunctions(t);
    return t;
  }();
  return table;
}

// The project of an executor that has none: whatever the file manager finds is available.
class TNoProject final : public TProjectLink {
 public:
  bool FileAvailable(std::string_view name) override { return FileManager && FileManager->FileExists(name); }
  void RequestSave(int32_t, std::string_view, int32_t, std::string_view) override {}
  void RequestLoad(int32_t) override {}
};

}  // namespace

void CheckTextLength(int64_t bytes) {
  if (bytes > MaxTextBytes) throw std::bad_alloc();
}

TSysFuncMan::TSysFuncMan() = default;

TSysFuncMan::TSysFuncMan(TParamCollection& vars) : vars_(&vars) {}

TProjectLink& TSysFuncMan::Project() const {
  static TNoProject none;
  return project_ ? *project_ : none;
}

bool TSysFuncMan::FileAvailable(std::string_view name) const {
  return IsGameRelativeName(name) && Project().FileAvailable(name);
}

int32_t TSysFuncMan::NextRandom(int32_t n) { return RuntimeRandom(n); }

bool TSysFuncMan::EnterCalc() {
  if (calcCut_) return false;
  if (calcDepth_ >= kMaxCalcDepth) {
    calcCut_ = true;
    return false;
  }
  ++calcDepth_;
  return true;
}

void TSysFuncMan::LeaveCalc() {
  if (--calcDepth_ == 0) calcCut_ = false;
}

void TSysFuncMan::Execute(TParamCollectionItem& dest, uint8_t index, std::span<TCustomParam* const> args) {
  if (index >= BuiltinFunctionCount) return;
  const int count = static_cast<int>(args.size());
  const int minArgs = BuiltinFunctionMinArgs[index], maxArgs = BuiltinFunctionMaxArgs[index];
  if (count < minArgs || (maxArgs >= 0 && count > maxArgs))
    RaiseScriptError(BuiltinFunctionNames[index], " 引数の数が不正です");
  if (TBuiltinRoutine routine = Routines()[index]) {
    TBuiltinCall call{*this, dest, index, args};
    routine(call);
  }
}

}  // namespace orva
