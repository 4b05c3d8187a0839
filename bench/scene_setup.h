#pragma once
// The main scene at 800 × 600 on a 32-bit memory back buffer, for the life of the object: the
// scene benchmarks' common ground.

#include "graphics/dibx.h"
#include "scene/base_list.h"
#include "scene/scene_services.h"

namespace orva::bench {

class TBenchScreen : public TSceneScreen {
 public:
  TBenchScreen() { Back.SetSize(800, 600, 32); }
  int BitCount() override { return 32; }
  TCustomDIBX* BackBuffer() override { return &Back; }
  TPoint CursorPos() override { return {}; }
  TDIBX Back;
};

struct SceneSetup {
  SceneSetup() {
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
