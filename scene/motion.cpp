#include "scene/motion.h"

#include <utility>

#include "core/frame_clock.h"
#include "core/number_text.h"
#include "scene/geometry.h"
#include "scene/orva_control.h"

namespace orva {

namespace {

TFilmFactory& FilmFactory() {
  static TFilmFactory factory;
  return factory;
}

// n rounded to the nearest integer, halves to the even neighbour, wrapped into 32 bits.
int32_t RoundHalfEven(double n) {
  int32_t r = 0;
  return RoundToInt32(n, r) ? r : 0;
}

}  // namespace

TFilmFactory SetFilmFactory(TFilmFactory factory) { return std::exchange(FilmFactory(), std::move(factory)); }

std::unique_ptr<TFilmManager> CreateFilm() {
  const TFilmFactory& factory = FilmFactory();
  return factory ? factory() : nullptr;
}

TOrvaMotion::TOrvaMotion(std::unique_ptr<TFilmManager> film) : film_(std::move(film)) { film_->ObjectMotion = true; }

TOrvaMotion::~TOrvaMotion() {
  if (TOrvaControl* owner = GetOwner()) {
    owner->SetMotionX(0);
    owner->SetMotionY(0);
    owner->SetPriorityOffset(0);
  }
}

void TOrvaMotion::Load(std::string_view fileName) {
  film_->LoadFromFile(fileName);
  Rewind();
}

void TOrvaMotion::Rewind() {
  clock_ = 0;
  startFrames_ = 2;
  finished_ = false;
}

bool TOrvaMotion::Step() {
  TOrvaControl* owner = GetOwner();
  if (!owner) return false;
  const TPoint position{owner->GetLeft(), owner->GetTop()};
  bool moved = false;
  // A control moved by the script takes a film of relative positions along, and a finished
  // one plays again from there.
  if (startFrames_ <= 0 && position != lastPosition_ && film_->RelativePosition) {
    film_->MotionOrigin = position;
    finished_ = false;
    moved = true;
  }
  if (finished_) return false;
  if (startFrames_ == 2) {
    film_->MotionOrigin = film_->RelativePosition ? position : TPoint{};
    film_->PriorityBase = owner->GetPriority();
    lastPosition_ = position;
  }
  if (startFrames_ <= 0 && !owner->GetAniPaused()) clock_ = WrapAdd(clock_, FrameDelta);
  tick_ = RoundHalfEven(clock_ / MotionTickMs);

  bool ended = false;
  const int32_t length = film_->GetLength();
  if (tick_ >= length) {
    if (!owner->GetRepeat()) {
      tick_ = WrapSub(length, 1);
      finished_ = true;
      ended = true;
    } else {
      if (length <= 0) {
        tick_ = 0;
      } else {
        const int64_t next = int64_t{tick_ % length} + film_->LoopStart;
        tick_ = next >= length ? length - 1 : static_cast<int32_t>(next);
      }
      // Re-based, so that the clock of a repeating film never grows without bound.
      clock_ = RoundHalfEven(tick_ * MotionTickMs);
    }
  }
  if (startFrames_ == 2 || film_->CurrentTick != tick_ || moved) film_->SetTime(tick_);
  if (startFrames_ > 0) --startFrames_;
  // Read again: a track may have set LEFT or TOP itself.
  lastPosition_ = {owner->GetLeft(), owner->GetTop()};
  return ended;
}

void TOrvaMotion::Reapply() {
  if (tick_ >= 0 && tick_ < film_->GetLength()) film_->SetTime(tick_);
}

}  // namespace orva
