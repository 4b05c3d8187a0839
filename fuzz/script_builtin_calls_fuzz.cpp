// Any expression text, compiled at run time and evaluated with the real built-in functions
// over a small store (with @Temp): no input may crash, leak or run away. Game files are held
// in memory only (the override directory does not exist, so nothing is written either), the
// data tables start empty for every input, a display offers two modes, the project two save
// captions, and no desktop program can be found.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/data_tables.h"
#include "core/exceptions.h"
#include "core/file_manager.h"
#include "script/build_parser.h"
#include "script/orva_parser.h"
#include "script/param_collection.h"
#include "script/param_system.h"
#include "script/project_link.h"
#include "script/screen_link.h"
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

class FuzzProject : public orva::TProjectLink {
 public:
  bool FileAvailable(std::string_view name) override { return orva::FileManager->FileExists(name); }
  void RequestSave(int32_t, std::string_view, int32_t, std::string_view) override {}
  void RequestLoad(int32_t) override {}
  const std::vector<orva::TSaveCaption>& Captions() const override { return captions_; }

 private:
  std::vector<orva::TSaveCaption> captions_{{2, "two"}, {0, "zero"}};
};

class FuzzDisplay : public orva::TScreenLink {
 public:
  bool GetFullScreen() override { return false; }
  void SetFullScreen(bool) override {}
  int32_t GetModeCount() override { return 2; }
  orva::TDisplayModeRecord GetMode(int32_t index) override {
    return index == 0 ? orva::TDisplayModeRecord{640, 480, 32, 60} : orva::TDisplayModeRecord{800, 600, 16, 75};
  }
  int32_t GetBestMode() override { return 0; }
  void SetBestMode(int32_t) override {}
  void SetMouseX(int32_t) override {}
  void SetMouseY(int32_t) override {}
};

void AddFile(std::string_view name, std::string_view bytes) {
  orva::FileManager->GetCollection(0).AddMemoryFile(name).Data->WriteBuffer(bytes.data(),
                                                                           static_cast<int64_t>(bytes.size()));
}

bool SetUpOnce() {
  ::setenv("PATH", "/nonexistent-orva-fuzz-path", 1);
  orva::FileManager = std::make_unique<orva::TVrFileManager>(std::vector<std::string>{});
  orva::FileManager->AddArchive("");
  orva::FileManager->SetDirectory("\\nonexistent-orva-fuzz-directory");
  AddFile("t.txt", std::string("one\r\ntwo\rthree\n\0four", 20));
  AddFile("d.tsv", "id int\tname 4\tok bool\tf float\r\n1\tabcdef\tTRUE\t1.5\r\n2\tx\\ny\tFALSE\t-2\r\n");
  static FuzzDisplay display;
  orva::SetScreenLink(&display);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = SetUpOnce();
  (void)ready;
  const std::string text(reinterpret_cast<const char*>(data), size);
  orva::DBManager().Clear();
  orva::TParamCollection store;
  orva::TSysFuncMan functions(store);
  functions.SeedRandom(1);
  FuzzProject project;
  functions.SetProject(&project);
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
  orva::DBManager().Clear();
  return 0;
}
