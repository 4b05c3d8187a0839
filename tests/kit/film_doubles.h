#pragma once
// A stand-in for the films, for the players of the scene: a film of a given length that
// records the ticks it is played at and, like an image track of relative positions, puts the
// driven control at its motion origin moved right by the tick.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/exceptions.h"
#include "scene/film_manager.h"
#include "scene/orva_control.h"

namespace orva::kit {

class TestFilm : public TFilmManager {
 public:
  void LoadFromFile(std::string_view name) override {
    if (name == "missing.omt") throw EFOpenError("missing.omt");
    Loaded = name;
  }
  void SetTime(int32_t tick) override {
    CurrentTick = tick;
    Ticks.push_back(tick);
    if (MotionTarget && MoveTarget) {
      MotionTarget->SetMotionX(MotionOrigin.X + tick);
      MotionTarget->SetMotionY(MotionOrigin.Y);
      MotionTarget->SetPriorityOffset(PriorityOffset);
    }
  }
  int32_t GetLength() override { return Length; }
  std::vector<std::string> ImageTrackFiles() override {
    if (Library)
      if (auto it = Library->find(Loaded); it != Library->end()) return it->second;
    return Images;
  }

  int32_t Length = 60;
  bool MoveTarget = true;
  int32_t PriorityOffset = 0;
  // The image tracks' files, by the film's name in the library when it is there.
  std::vector<std::string> Images;
  const std::map<std::string, std::vector<std::string>>* Library = nullptr;
  std::string Loaded;
  std::vector<int32_t> Ticks;
};

// Installs a factory of TestFilms for a scope; Last is the film made last.
class TestFilms {
 public:
  TestFilms() {
    previous_ = SetFilmFactory([this] {
      auto film = std::make_unique<TestFilm>();
      film->Length = Length;
      film->Images = Images;
      film->Library = &Library;
      film->LoopStart = LoopStart;
      film->RelativePosition = Relative;
      Last = film.get();
      return film;
    });
  }
  ~TestFilms() { SetFilmFactory(std::move(previous_)); }
  TestFilms(const TestFilms&) = delete;
  TestFilms& operator=(const TestFilms&) = delete;

  // What the next film is made with.
  int32_t Length = 60;
  int32_t LoopStart = 0;
  bool Relative = false;
  std::vector<std::string> Images;
  // The image tracks of films by file name.
  std::map<std::string, std::vector<std::string>> Library;
  TestFilm* Last = nullptr;

 private:
  TFilmFactory previous_;
};

}  // namespace orva::kit
