// A film file on any bytes, read as "f.omt" (its tracks find a two-frame picture "a.vsk"),
// then played in each of its three modes at the ticks 0, 1, the middle, Length − 1 and
// Length: on a private scene of its own that is painted after every tick (the real
// transitions), on the main scene under a host control, and driving one control as a motion.
// Track kinds whose object classes do not exist yet make probes that accept every write;
// sounds are the real objects over stand-in media managers.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/exceptions.h"
#include "core/stream.h"
#include "film/film.h"
#include "film/wipe_classes.h"
#include "graphics/dibx.h"
#include "kit/film_probes.h"
#include "kit/game_files.h"
#include "kit/media_doubles.h"
#include "kit/scene_doubles.h"
#include "kit/vask_file.h"
#include "scene/base_list.h"
#include "scene/object_factory.h"
#include "scene/scene_services.h"

namespace {

using namespace orva;

class TScreen : public TSceneScreen {
 public:
  TScreen() { Surface.SetSize(160, 120, 32); }
  int BitCount() override { return 32; }
  TCustomDIBX* BackBuffer() override { return &Surface; }
  TPoint CursorPos() override { return {}; }
  TDIBX Surface;
};

void SetUpOnce() {
  static TScreen screen;
  static kit::FakeMediaManagers media;
  static kit::AvailableFiles available;
  static kit::GameFiles files;
  static const bool ready = [] {
    TSceneServices services;
    services.Screen = &screen;
    services.Media = &media;
    SetSceneServices(services);
    kit::VaskFile picture;
    picture.Frames = {kit::VaskFrame::Of(2, 2, 24, {{1, 2}, {3, 4}}), kit::VaskFrame::Of(3, 1, 24, {{5, 6, 7}})};
    picture.Frames[0].Delay = 30;
    files.Add("a.vsk", kit::MakeVask(picture));
    for (const auto& probe : kit::ProbeKinds())
      if (!ObjectClassOf(probe.first)) RegisterObjectClass(probe.first, kit::ProbeClass(probe.first, probe.second));
    RegisterWipeClasses(nullptr);
    RegisterFilms();
    return true;
  }();
  (void)ready;
}

enum class TMode { Pages, Hosted, Motion };

void Play(const std::string& bytes, TMode mode) {
  TOrvaBaseList& main = *GetMainScene();
  TOrvaBaseList pages;
  auto* control = CreateSceneObject<kit::FillBox>(main);
  control->SetParent(main.ActiveLayer());
  control->SetBounds(4, 4, 40, 30);
  {
    TFilm film;
    film.VolumeScale = 1000;
    if (mode == TMode::Motion) {
      film.ObjectMotion = true;
      film.MotionTarget = control;
      film.MotionOrigin = {3, 5};
    } else {
      film.Owner = mode == TMode::Pages ? &pages : &main;
      if (mode == TMode::Hosted) film.HostObject = control;
    }
    TMemoryStream stream(bytes);
    try {
      film.LoadFromStream(stream, "f.omt");
    } catch (const Exception&) {
      if (film.TrackCount() != 0) __builtin_trap();  // a failed load leaves the film empty
    }
    if (mode != TMode::Motion) film.Start();
    const int64_t length = film.GetLength();
    for (int64_t tick : {int64_t{0}, int64_t{1}, length / 2, length - 1, length}) {
      film.SetTime(static_cast<int32_t>(tick));
      if (mode == TMode::Pages) {
        pages.Idle();
        pages.Paint();
      } else {
        main.Idle();
        main.Paint();
      }
    }
  }
  main.Idle();
  kit::ProbeLog().clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetUpOnce();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (TMode mode : {TMode::Pages, TMode::Hosted, TMode::Motion}) {
    CreateSceneGlobals();
    GetMainScene()->SetWidth(160);
    GetMainScene()->SetHeight(120);
    Play(bytes, mode);
    FreeSceneGlobals();
  }
  return 0;
}
