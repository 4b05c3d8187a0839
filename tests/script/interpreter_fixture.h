#pragma once
// An interpreter over in-memory game files, a test scene and a test project, on frames the
// test drives.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "script/call_manager.h"
#include "script/param_collection.h"

namespace orva::script_test {

class Interpreter : public ::testing::Test {
 protected:
  Interpreter() {
    man.SetScene(&scene);
    man.SetProject(&project);
    vars.SetSystemVariables(&results);
  }

  void Add(std::string_view name, const kit::PageBuilder& page) { files.Add(name, page); }
  // Adds the page (as "start.osb" unless named) and starts it.
  void Start(const kit::PageBuilder& page, std::string_view name = "start.osb") {
    files.Add(name, page);
    man.Start(name);
  }
  void Frame(int32_t delta = 16) { kit::RunFrame(man, delta); }
  void Frames(int count, int32_t delta = 16) {
    for (int i = 0; i < count; ++i) Frame(delta);
  }
  // A variable's integer value; -999 when there is none.
  int32_t Int(std::string_view name) const {
    const TParamCollectionItem* item = vars.Find(name);
    return item ? item->GetAsInteger() : -999;
  }
  std::string Str(std::string_view name) const {
    const TParamCollectionItem* item = vars.Find(name);
    return item ? item->GetAsString() : "(none)";
  }
  // A global variable made before the script runs.
  void Global(std::string_view name, TParamType type = PT_INT) { vars.AddVariable(type).SetName(name); }
  std::string Where() const {
    return (man.CurrentPage() ? man.CurrentPage()->Name() : std::string("(none)")) + ":" +
           std::to_string(man.CommandIndex());
  }

  kit::FrameScope frameScope;
  kit::GameFiles files;
  TParamCollection vars;
  kit::TestScene scene;
  kit::TestProject project;
  TCallMan man{vars};
  kit::ResultProvider results{man};
};

}  // namespace orva::script_test
