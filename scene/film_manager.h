#pragma once
// The film a player plays: a timeline of tracks read from an "omt" file that animates scene
// objects. The films themselves are built above the scene; the scene's players (motions on a
// control, cinemas, particles) reach them through this class and make them with CreateFilm,
// which uses the factory the films install.
//
// A film plays in one of three modes, fixed by its player before the first SetTime: in its
// owner scene's pages with transitions (a cinema's private scene), in the main scene under a
// host (a cinema without page flips or background colour), or on one control (ObjectMotion).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/rect.h"

namespace orva {

class TOrvaBaseList;
class TOrvaControl;

class TFilmManager {
 public:
  virtual ~TFilmManager() = default;

  // Reads the film through the file manager; errors of the file manager propagate.
  virtual void LoadFromFile(std::string_view name) = 0;
  // Puts every track's object into its state at the tick, and sets CurrentTick.
  virtual void SetTime(int32_t tick) = 0;
  // The length in ticks: the largest end of all tracks.
  virtual int32_t GetLength() = 0;
  // The file names of the film's image tracks, in track order: what a preview menu loads
  // ahead. None by default.
  virtual std::vector<std::string> ImageTrackFiles() { return {}; }
  // Hands the film's size and colour to the owner (not with a host, not on a control) and
  // makes the sounds of the sound tracks, paused until their first tick. A size the owner
  // cannot take empties the film and raises.
  virtual void Start() {}
  // Whether a track is a transition or draws on the page the next transition shows.
  virtual bool UsesPageFlip() { return false; }
  // Every track hears of the pause flag (sound tracks pause their sounds).
  virtual void SetPaused(bool flag) { Paused = flag; }
  // A film that is not enabled keeps its sounds paused.
  virtual void SetEnabled(bool flag) { Enabled = flag; }

  // From the file.
  int32_t Width = 0, Height = 0;
  // The background colour, 24-bit RGB; -1 none.
  int32_t Color = -1;
  // Track positions are relative to the driven control's position.
  bool RelativePosition = false;
  // Where a repeating player goes on after the last tick.
  int32_t LoopStart = 0;
  // The tick of the last SetTime.
  int32_t CurrentTick = 0;

  bool Enabled = true;
  bool Paused = false;
  // Per mille on the volumes of the sound tracks.
  int32_t VolumeScale = 1000;
  // The scene the tracks make their objects in, and whose pages and transitions the film
  // drives; it takes the film's size and colour at Start.
  TOrvaBaseList* Owner = nullptr;
  // Host mode: the cinema whose children the track objects become.
  TOrvaControl* HostObject = nullptr;

  // Object-motion mode, set by the motion player: the tracks drive one control instead of
  // objects of their own, and no page is flipped, no transition started, nothing hidden.
  bool ObjectMotion = false;
  TOrvaControl* MotionTarget = nullptr;
  // The control's position when the motion started, (0, 0) without RelativePosition.
  TPoint MotionOrigin{};
  // The control's priority when the motion started.
  int32_t PriorityBase = 0;
};

// Makes a new empty film; none while no factory is installed (the players then play
// nothing).
using TFilmFactory = std::function<std::unique_ptr<TFilmManager>()>;

// Installs the factory and returns the previous one.
TFilmFactory SetFilmFactory(TFilmFactory factory);
std::unique_ptr<TFilmManager> CreateFilm();

}  // namespace orva
