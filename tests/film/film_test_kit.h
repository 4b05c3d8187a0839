#pragma once
// Films on a headless scene: the image fixture's main scene and game files, the films
// registered as the scene's, the probes and the recording transitions in the factories, and
// films loaded from the kit's bytes in each of the three modes.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "../scene/image_test_kit.h"
#include "core/stream.h"
#include "film/film.h"
#include "kit/film_builder.h"
#include "kit/film_probes.h"

namespace orva::film_test {

class FilmFixture : public scene_test::ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    probes.emplace();
    previousFilms_ = SetFilmFactory(nullptr);
    RegisterFilms();
  }
  void TearDown() override {
    probes.reset();
    SetFilmFactory(std::move(previousFilms_));
    ImageFixture::TearDown();
  }

  // A film read from the bytes under the name (no mode chosen).
  static std::unique_ptr<TFilm> Read(const kit::FilmBuilder& builder, std::string_view name = "films\\f.omt") {
    auto film = std::make_unique<TFilm>();
    TMemoryStream stream(builder.Bytes());
    film->LoadFromStream(stream, name);
    return film;
  }
  // Page mode on a scene of the test's, started.
  std::unique_ptr<TFilm> InPages(const kit::FilmBuilder& builder, TOrvaBaseList& scene) {
    auto film = std::make_unique<TFilm>();
    film->Owner = &scene;
    TMemoryStream stream(builder.Bytes());
    film->LoadFromStream(stream, "films\\f.omt");
    film->Start();
    return film;
  }
  // Host mode: the main scene, under the host.
  std::unique_ptr<TFilm> Hosted(const kit::FilmBuilder& builder, TOrvaControl& host) {
    auto film = std::make_unique<TFilm>();
    film->Owner = &Scene();
    TMemoryStream stream(builder.Bytes());
    film->LoadFromStream(stream, "films\\f.omt");
    film->HostObject = &host;
    film->Start();
    return film;
  }
  // Object-motion mode on the control, as the motion player sets it up.
  static std::unique_ptr<TFilm> OnControl(const kit::FilmBuilder& builder, TOrvaControl& control, TPoint origin = {},
                                          int32_t priorityBase = 0) {
    auto film = std::make_unique<TFilm>();
    film->ObjectMotion = true;
    TMemoryStream stream(builder.Bytes());
    film->LoadFromStream(stream, "films\\f.omt");
    film->MotionTarget = &control;
    film->MotionOrigin = origin;
    film->PriorityBase = priorityBase;
    return film;
  }
  // A probe control on the shown layer, as the driven control of a motion.
  kit::ProbeControl* Probe(std::string_view kind = "target", int code = LT_BOX) {
    auto* probe = CreateSceneObject<kit::ProbeControl>(Scene(), code, std::string(kind));
    probe->AssignName(kind);
    probe->SetParent(Scene().ActiveLayer());
    kit::ProbeLog().clear();
    return probe;
  }
  // The calls of one kind during one SetTime.
  static std::vector<std::string> CallsAt(TFilm& film, int32_t tick, std::string_view kind) {
    kit::ProbeLog().clear();
    film.SetTime(tick);
    return kit::ProbeCalls(kind);
  }

  std::optional<kit::FilmProbes> probes;

 private:
  TFilmFactory previousFilms_;
};

}  // namespace orva::film_test
