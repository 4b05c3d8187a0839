#pragma once
// TFilm: the film manager. It reads a film file ("OrvaCinema" or "OrvaMotion" and a version of
// three digits, the header, then the track records), links the tracks to their parents, and
// plays the film at a tick: every track puts its object into that tick's state, then in page
// mode the active transition track becomes the owner scene's running transition and its page
// the shown one. Films are installed as the scene's film factory by RegisterFilms.
//
//   auto film = std::make_unique<TFilm>();
//   film->Owner = &scene;
//   film->LoadFromFile("op\\title.omt");
//   film->Start();
//   film->SetTime(tick);   // once per new tick

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "film/track.h"
#include "scene/film_manager.h"

namespace orva {

class TWipeFrameList;

// A film that sizes its owner scene (a cinema's private scene) fails to start when either
// side is negative or beyond this; played any other way its size is only read.
constexpr int32_t MaxFilmSize = 4096;

class TFilm final : public TFilmManager {
 public:
  TFilm();
  // Frees every track, which frees or schedules for freeing what it made.
  ~TFilm() override;

  // Frees the tracks; LoopStart, Origin, RelativePosition, Length and the transition of the
  // last tick start over.
  void Clear();
  void LoadFromFile(std::string_view name) override;
  // name: the film's own name, whose directory the tracks' file names are relative to. A
  // load that fails leaves the film empty and raises.
  void LoadFromStream(TStream& stream, std::string_view name);

  void SetTime(int32_t tick) override;
  int32_t GetLength() override { return Length; }
  void Start() override;
  bool UsesPageFlip() override;
  void SetPaused(bool flag) override;
  void SetEnabled(bool flag) override;
  std::vector<std::string> ImageTrackFiles() override;

  // The track class of a type byte's low 7 bits; none for the others.
  std::unique_ptr<TCustomFrameList> CreateTrack(int type);
  TCustomFrameList* GetTrack(int index) const;
  int TrackCount() const { return static_cast<int>(tracks_.size()); }
  // The first track whose absolute start is 0.
  TCustomFrameList* FirstRootTrack() const;
  // The transition track running at the tick (the later of overlapping ones) and the page
  // parity: the number of transition tracks ended at or before the tick, the running one
  // not counted, modulo 2.
  TWipeFrameList* ActiveWipeTrackAt(int32_t tick, int& parity) const;
  // The number, modulo 2, of transition tracks whose last tick is at or before the tick.
  int PageParityAt(int32_t tick) const;
  // Store the size or colour and hand them to the owner.
  void SetSize(TPoint size);
  void SetColor(int32_t color);

  // The film position that stands for the control's position under RelativePosition.
  TPoint Origin{};
  // The largest end tick of all tracks.
  int32_t Length = 0;
  // The transition track of the last tick in page mode.
  TWipeFrameList* CurrentWipeTrack = nullptr;

 private:
  void Parse(TStream& stream, std::string_view name);
  // Parents by index, a link that would close a cycle dropped; then the child tracks and the
  // absolute starts.
  void LinkParents();
  void ComputeStarts();

  std::vector<std::unique_ptr<TCustomFrameList>> tracks_;
  std::vector<TWipeFrameList*> wipes_;
};

// Installs TFilm as the films the scene's players make (CreateFilm).
void RegisterFilms();

}  // namespace orva
