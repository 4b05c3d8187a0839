#include "scene/scene_services.h"

#include <utility>


namespace orva {

namespace {
TSceneServices& Services() {
  static TSceneServices services;
  return services;
}
}  // namespace

TSceneServices SetSceneServices(const TSceneServices& services) { return std::exchange(Services(), services); }

const TSceneServices& GetSceneServices() { return Services(); }

int ScreenBitCount() {
  TSceneScreen* screen = Services().Screen;
  return screen ? screen->BitCount() : 15;
}

}  // namespace orva
