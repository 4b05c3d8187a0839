#include "scene/scene_services.h"

#include <utility>

#include "scene/motion.h"

namespace orva {

namespace {
TSceneServices& Services() {
  static TSceneServices services;
  return services;
}
TMotionFactory& MotionFactory() {
  static TMotionFactory factory;
  return factory;
}
}  // namespace

TSceneServices SetSceneServices(const TSceneServices& services) { return std::exchange(Services(), services); }

const TSceneServices& GetSceneServices() { return Services(); }

int ScreenBitCount() {
  TSceneScreen* screen = Services().Screen;
  return screen ? screen->BitCount() : 15;
}

TMotionFactory SetMotionFactory(TMotionFactory factory) { return std::exchange(MotionFactory(), std::move(factory)); }

const TMotionFactory& GetMotionFactory() { return MotionFactory(); }

}  // namespace orva
