// The stored form of a scene on any bytes: the first byte picks the save version (100..139),
// the rest is the scene: boxes, timers, buttons, sliders, scroll bars, captions, menus,
// message boxes, edits, memos, sounds and movies, fires, waves and particle emitters among its
// objects, each of the factory's own class (the media items are stand-ins that every file
// name opens). Animated images, particle sprites, tiles, gauges, image captions, selection
// images and preview menus find two pictures among the game files ("a.vsk", two frames, and
// "k.vsk", keyed), a region file ("m.rgn") and preview-menu data ("p.dat"); DELAY and the
// emitters' expressions are evaluated over a variable store. Each update is 40 ms long. What
// loads is updated, painted, and saved and loaded twice more; the last two saves must be
// equal. (The first may still name event senders that are not saved themselves, such as
// internal objects; those load as events without a sender.)
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "core/frame_clock.h"
#include "core/stream.h"
#include "kit/game_files.h"
#include "kit/map_files.h"
#include "kit/media_doubles.h"
#include "kit/vask_file.h"
#include "scene/animated_image.h"
#include "scene/base_list.h"
#include "scene/fire.h"
#include "scene/http_object.h"
#include "scene/object_factory.h"
#include "scene/particle.h"
#include "scene/prop_motion.h"
#include "scene/scene_services.h"
#include "scene/wave.h"
#include "text_fuzz_support.h"
#include "script/param_collection.h"

namespace {

using namespace orva;

TOrvaBaseList& Scene() {
  static const bool ready = [] {
    // Message boxes, captions, menus, edits and memos, their glyphs from the fake rasteriser.
    fuzz_text::InstallTextSubsystem();
    RegisterObjectClass(LT_IMAGES, [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<TOrvaImages>(s); });
    RegisterObjectClass(LT_PROPMOTION,
                        [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<TOrvaPropMotion>(s); });
    // Sounds and movies (their classes are the factory's own) over stand-in managers.
    static kit::FakeMediaManagers media;
    static kit::AvailableFiles available;
    TSceneServices services = GetSceneServices();
    services.Media = &media;
    SetSceneServices(services);
    static kit::GameFiles files;
    kit::VaskFile two, keyed;
    two.Frames = {kit::VaskFrame::Of(2, 2, 24, {{1, 2}, {3, 4}}), kit::VaskFrame::Of(3, 1, 24, {{5, 6, 7}})};
    two.Frames[0].Delay = 30;
    keyed.Frames = {kit::VaskFrame::Of(2, 1, 24, {{1, 9}})};
    keyed.Frames[0].TransparentValue = 9;
    files.Add("a.vsk", kit::MakeVask(two));
    files.Add("k.vsk", kit::MakeVask(keyed));
    files.Add("m.rgn", kit::MakeRegionFile({{kit::RegionArea::Rect("r", 0, 0, 0, 0),
                                             kit::RegionArea::Polygon("p", {{0, 0}, {3, 0}, {0, 3}})}}));
    kit::PrevMenuFile menu;
    menu.Width = 4;
    menu.Height = 4;
    for (const char* name : {"b0", "b1"}) {
      kit::PrevMenuButton b;
      b.Name = name;
      b.Normal = "a.vsk";
      b.Hover = "k.vsk";
      b.SelectOverlay = "a.vsk";
      menu.Buttons.push_back(b);
    }
    files.Add("p.dat", kit::MakePrevMenu(menu));
    static TParamCollection vars;
    SetSceneVariables(&vars);
    RegisterObjectClass(LT_HTTP, [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<TOrvaHttp>(s); });
    RegisterObjectClass(LT_FIRE, [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<TOrvaFire>(s); });
    RegisterObjectClass(LT_WAVE, [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<TOrvaWave>(s); });
    RegisterObjectClass(LT_PARTICLE,
                        [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<TOrvaParticle>(s); });
    CreateSceneGlobals();
    // Updates long enough for a fire step and a few particle steps.
    FrameDelta = 40;
    return true;
  }();
  (void)ready;
  return *GetMainScene();
}

std::string Save(TOrvaBaseList& scene) {
  TMemoryStream m;
  scene.SaveToStream(m);
  return std::string(m.View());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  TOrvaBaseList& scene = Scene();
  const int version = 100 + data[0] % 40;
  TMemoryStream input(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  try {
    scene.LoadFromStream(input, version);
  } catch (const Exception&) {
    return 0;
  }
  scene.Idle();
  scene.GetLayer(0)->InvalidateAll();
  scene.GetLayer(1)->InvalidateAll();
  scene.Paint();
  scene.SetActiveBase(1 - scene.ActiveIndex(), 0, 0, 0, true, false);
  scene.Paint();

  std::string saved = Save(scene);
  std::string previous;
  for (int round = 0; round < 2; ++round) {
    TMemoryStream again(saved);
    scene.LoadFromStream(again, GameSaveVersion);
    if (again.Remaining() != 0) __builtin_trap();
    previous = std::move(saved);
    saved = Save(scene);
  }
  if (saved != previous) __builtin_trap();
  return 0;
}
