#pragma once
// The main scene at 800 × 600 on a memory back buffer (32 bits unless asked otherwise), for the
// life of the object: the scene benchmarks' common ground.

#include "graphics/dibx.h"
#include "scene/base_list.h"
#include "scene/scene_services.h"

namespace orva::bench {

class TBenchScreen : public TSceneScreen {
 public:
  explicit TBenchScreen(int bits = 32) : bits_(bits) { Back.SetSize(800, 600, bits); }
  int BitCount() override { return bits_; }
  TCustomDIBX* BackBuffer() override { return &Back; }
  TPoint CursorPos() override { return {}; }
  TDIBX Back;

 private:
  int bits_;
};

struct SceneSetup {
  explicit SceneSetup(int bits = 32) : screen(bits) {
    previous = SetSceneServices({&screen, nullptr, nullptr});
    CreateSceneGlobals();
    GetMainScene()->SetWidth(800);
    GetMainScene()->SetHeight(600);
  }
  ~SceneSetup() {
    FreeSceneGlobals();
    SetSceneServices(previous);
  }
  SceneSetup(const SceneSetup&) = delete;
  SceneSetup& operator=(const SceneSetup&) = delete;
  TBenchScreen screen;
  TSceneServices previous;
};

}  // namespace orva::bench
