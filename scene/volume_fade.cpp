#include "scene/volume_fade.h"

#include <algorithm>
#include <limits>

#include "core/frame_clock.h"

namespace orva {

namespace {
int32_t ToInt32(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}
}  // namespace

int32_t ItemVolume(int32_t volume, bool midi) {
  // In 64 bits: a script may give any VOLUME.
  if (midi) return ToInt32(int64_t{volume} * 10 - 10000);
  const int64_t r = int64_t{volume} * 5 - 5000;
  if (r <= -5000) return -10000;
  return r > 0 ? 0 : static_cast<int32_t>(r);
}

int32_t TOrvaMixer::RampValue(bool midi, int32_t from, int32_t target, int64_t elapsed, int32_t duration) {
  if (elapsed >= duration) return target;
  const int64_t span = int64_t{target} - from;
  const int64_t diff = midi ? span : span / 2;
  const int64_t step = elapsed * diff / duration;
  if (from > target) return ToInt32(from + step);
  return ToInt32((midi ? int64_t{from} : from + diff) + step);
}

uint32_t TOrvaMixer::Elapsed() const { return GameClock - startTime_; }

void TOrvaMixer::Start(int32_t from) {
  from_ = from;
  startTime_ = GameClock;
  started_ = true;
}

bool TOrvaMixerFadein::Step() {
  TDMediaItem* item = item_.Get();
  if (!item) return true;
  if (!started_) {
    item->SetVol(-10000);
    item->Play();
    Start(-10000);
    return false;
  }
  const uint32_t elapsed = Elapsed();
  const bool done = int64_t{elapsed} >= duration_;
  item->SetVol(done ? target_ : RampValue(item->IsMidi(), from_, target_, elapsed, duration_));
  return done;
}

bool TOrvaMixerFadeout::Step() {
  TDMediaItem* item = item_.Get();
  if (!item) return true;
  if (!started_) {
    Start(item->GetVol());
    return false;
  }
  const uint32_t elapsed = Elapsed();
  const bool done = int64_t{elapsed} >= duration_;
  if (!done) item->SetVol(RampValue(item->IsMidi(), from_, target_, elapsed, duration_));
  return done;
}

}  // namespace orva
