#include "scene/scene_services.h"

#include <utility>

#include "core/file_manager.h"
#include "script/project_link.h"

namespace orva {

namespace {
TSceneServices& Services() {
  static TSceneServices services;
  return services;
}

TProjectLink*& Project() {
  static TProjectLink* project = nullptr;
  return project;
}
}  // namespace

TSceneServices SetSceneServices(const TSceneServices& services) { return std::exchange(Services(), services); }

const TSceneServices& GetSceneServices() { return Services(); }

int ScreenBitCount() {
  TSceneScreen* screen = Services().Screen;
  return screen ? screen->BitCount() : 15;
}

void SetSceneProject(TProjectLink* project) { Project() = project; }

bool SceneFileAvailable(std::string_view name) {
  if (TProjectLink* project = Project()) return project->FileAvailable(name);
  return FileManager && FileManager->FileExists(name);
}

}  // namespace orva
