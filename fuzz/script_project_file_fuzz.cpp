// The project file as the start-up reads it: as "orva.opb", and as "/original_orva.opb"
// beside a good project file. A start-up either runs, fails with QuitRequested set, or
// raises one of the system's exceptions; the project it leaves answers for its files.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/app_control.h"
#include "core/exceptions.h"
#include "core/wipe_defaults.h"
#include "kit/game_files.h"
#include "kit/page_builder.h"
#include "kit/project_file_builder.h"
#include "platform/message_box.h"
#include "script/param_collection.h"
#include "script/project.h"

namespace {

void StartUp(std::string_view project, std::string_view original) {
  static const std::string startPage = orva::kit::PageBuilder().Bytes();
  orva::kit::GameFiles files;
  files.Add("start.osb", startPage);
  files.Add("orva.opb", project);
  if (!original.empty()) files.Add("/original_orva.opb", original);
  orva::TScriptedMessageBox boxes;  // nobody answers: a disc request ends the game
  orva::TMessageBoxScope scope(boxes);
  orva::TParamCollection vars;
  orva::TProjectSetup setup;
  setup.Arguments = {"\\fuzz"};
  try {
    orva::TProject started(vars, std::move(setup));
    for (const char* name : {"", "start.osb", "movie\\a.osb", "movie\\a.WAV", "a", "\\"}) started.FileAvailable(name);
    started.Execute();
  } catch (const orva::Exception&) {
  }
  orva::QuitRequested = false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  static const std::string good = orva::kit::ProjectFileBuilder(109).Disc("movie", 2).Bytes();
  StartUp(bytes, {});
  if (!bytes.empty()) StartUp(good, bytes);
  orva::WipeDefaultParams() = orva::InitialWipeParams();
  return 0;
}
