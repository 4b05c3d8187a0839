#pragma once
// An interpreter for the fuzz targets: pages in memory, a scene with a few objects and
// events, and a bound on the commands stepped, since a page may loop on purpose.

#include <string>
#include <string_view>

#include "core/app_control.h"
#include "core/exceptions.h"
#include "core/stream.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "platform/message_box.h"
#include "script/call_manager.h"
#include "script/param_collection.h"
#include "script_fuzz_store.h"

namespace orva {

class FuzzInterpreter {
 public:
  static constexpr int kMaxTraced = 5000;
  static constexpr int kMaxSteps = 8192;

  FuzzInterpreter() : boxes_(messages_) {
    QuitRequested = false;
    man.SetScene(&scene);
    vars.SetSystemVariables(&results_);
    AddFuzzVariables(vars);
    for (const char* name : {"button", "bgm", "menu"}) scene.Add(name);
    // Every new command traced counts, and the steps of a run that does not yield are
    // counted whatever is traced; past either bound the run ends as a quit would end it.
    OrvaLogWrite = [this](std::string_view) {
      if (++traced_ > kMaxTraced) QuitRequested = true;
    };
    SetLongRunHandler([this] {
      if (++longRunChecks_ > kMaxSteps / kLongRunSteps) QuitRequested = true;
    });
  }
  ~FuzzInterpreter() {
    OrvaLogWrite = nullptr;
    SetLongRunHandler(nullptr);
    QuitRequested = false;
  }

  // Frames with events queued for the page itself (with and without a label).
  void RunFrames(int count) {
    for (int frame = 0; frame < count; ++frame) {
      if (frame == 1) {
        scene.queue.Add("start.obs", scene.FindObject("button"), {"1", "2"});
        scene.queue.Add("start.obs:here");
      }
      traced_ = longRunChecks_ = 0;
      QuitRequested = false;
      try {
        kit::RunFrame(man);
      } catch (const Exception&) {
      } catch (const std::exception&) {
      }
    }
    QuitRequested = false;
  }

  std::string Save() const {
    TMemoryStream m;
    man.SaveToStream(m);
    return std::string(m.View());
  }

  kit::GameFiles files;
  kit::TestScene scene;
  TParamCollection vars;
  TCallMan man{vars};

 private:
  TScriptedMessageBox messages_;
  TMessageBoxScope boxes_;
  kit::ResultProvider results_{man};
  int traced_ = 0;
  int longRunChecks_ = 0;
};

}  // namespace orva
