#pragma once
// TOrvaMotion: a film played on one control. It advances a millisecond clock with the frame
// time, turns it into film ticks of 1/60 s, applies the film at each new tick, stops at the
// end or repeats, and re-anchors a film of relative positions when the script moves the
// control. The control steps it from its Idle; particles use a subclass with a step of their
// own.

#include <cstdint>
#include <memory>
#include <string_view>

#include "core/rect.h"
#include "scene/film_manager.h"

namespace orva {

class TOrvaControl;

// The length of a film tick in milliseconds, as the double the clock is divided by.
inline constexpr double MotionTickMs = 16.666666666666668;

class TOrvaMotion {
 public:
  // Takes the film and puts it into object-motion mode.
  explicit TOrvaMotion(std::unique_ptr<TFilmManager> film);
  // Puts the owner back at its own position (motion position 0, 0) with priority offset 0.
  virtual ~TOrvaMotion();
  TOrvaMotion(const TOrvaMotion&) = delete;
  TOrvaMotion& operator=(const TOrvaMotion&) = delete;

  // Loads the film and starts from tick 0: the first two steps show it without advancing.
  void Load(std::string_view fileName);
  void Rewind();
  TOrvaControl* GetOwner() const { return film_->MotionTarget; }
  // The control's destructor clears the owner first, so that the motion leaves it alone.
  void SetOwner(TOrvaControl* owner) { film_->MotionTarget = owner; }
  int32_t GetLength() const { return film_->GetLength(); }
  TFilmManager& Film() const { return *film_; }

  // One frame; true exactly in the step in which a film that does not repeat reaches its
  // end.
  virtual bool Step();
  bool IsFinished() const { return finished_; }
  // Applies the current tick again after the surfaces were rebuilt.
  void Reapply();

  int32_t Clock() const { return clock_; }
  // Moves the player to that many milliseconds; the next step shows the tick there.
  void SetClock(int32_t ms) { clock_ = ms; }
  int32_t Tick() const { return tick_; }

 protected:
  std::unique_ptr<TFilmManager> film_;
  int32_t clock_ = 0;
  // 2 after a load or rewind, counted down by the steps.
  int32_t startFrames_ = 2;
  bool finished_ = false;
  int32_t tick_ = 0;
  TPoint lastPosition_{};
};

}  // namespace orva
