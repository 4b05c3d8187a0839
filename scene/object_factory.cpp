#include "scene/object_factory.h"

#include <array>
#include <utility>

#include "core/lists.h"
#include "core/vocabulary.h"
#include "scene/animated_image.h"
#include "scene/base_list.h"
#include "scene/box.h"
#include "scene/button.h"
#include "scene/cinema.h"
#include "scene/orva_timer.h"
#include "scene/slider.h"
#include "scene/prop_motion.h"
#include "scene/http_object.h"
#include "scene/map_image.h"
#include "scene/prev_menu.h"
#include "scene/cg_label.h"
#include "scene/gauge.h"
#include "scene/tile.h"
#include "scene/fire.h"
#include "scene/particle.h"
#include "scene/wave.h"
#include "scene/sound.h"
#include "scene/video.h"

namespace orva {

namespace {

std::array<TObjectConstructor, 128>& Classes() {
  static std::array<TObjectConstructor, 128> classes = [] {
    std::array<TObjectConstructor, 128> table;
    table[LT_BOX] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaBox>(scene); };
    table[LT_BUTTON] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaButton>(scene); };
    table[LT_TIMER] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaTimer>(scene); };
    table[LT_SLIDER] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaSlider>(scene); };
    table[LT_SCROLLBAR] = [](TOrvaBaseList& scene) -> TOrvaObject* {
      return CreateSceneObject<TOrvaScrollbar>(scene);
    };
    table[LT_IMAGES] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaImages>(scene); };
    table[LT_CINEMA] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaCinema>(scene); };
    table[LT_PROPMOTION] = [](TOrvaBaseList& scene) -> TOrvaObject* {
      return CreateSceneObject<TOrvaPropMotion>(scene);
    };
    table[LT_FIRE] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaFire>(scene); };
    table[LT_PARTICLE] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaParticle>(scene); };
    table[LT_WAVE] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaWave>(scene); };
    table[LT_HTTP] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaHttp>(scene); };
    table[LT_MAPIMG] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaMapImage>(scene); };
    table[LT_TILE] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaTile>(scene); };
    table[LT_GAUGE] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaGauge>(scene); };
    table[LT_CGLABEL] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaCGLabel>(scene); };
    table[LT_PREVMENU] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaPrevMenu>(scene); };
    table[LT_VIDEO] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaVideo>(scene); };
    table[LT_SOUND] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaSound>(scene); };
    table[LT_CABINET] = [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaCabinet>(scene); };
    return table;
  }();
  return classes;
}

}  // namespace

bool IsCreatableObjectType(int code) { return code >= LT_BOX && code < ObjectTypeCount && code != LT_MAP; }

TObjectConstructor RegisterObjectClass(int code, TObjectConstructor constructor) {
  if (!IsCreatableObjectType(code)) RaiseListIndexError(code);
  return std::exchange(Classes()[size_t(code)], std::move(constructor));
}

const TObjectConstructor& ObjectClassOf(int code) { return Classes()[size_t(code & 127)]; }

}  // namespace orva
