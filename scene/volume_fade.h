#pragma once
// Volume ramps of a media item on the game clock: a fade-in from silence up to a volume, a
// fade-out from the item's volume down to silence. The sound and movie objects step their
// fader once per frame and drop it when it is done. A ramp other than MIDI's covers the upper
// half of the decibel range only: a fade-out reaches the midpoint at its end and then drops to
// silence, a fade-in starts there.

#include <cstdint>

#include "scene/media_item.h"

namespace orva {

class TOrvaMixer {
 public:
  // `target` in hundredths of a decibel; `duration` in ms. The first step only starts the fade,
  // even without a duration: a fade of 0 ms or less is done at the second.
  TOrvaMixer(TDMediaItem* item, int32_t target, int32_t duration)
      : item_(item), target_(target), duration_(duration) {}
  virtual ~TOrvaMixer() = default;

  // Once per frame; true when the fade is done.
  virtual bool Step() { return false; }
  virtual bool IsFadeOut() const { return false; }

  int32_t Target() const { return target_; }
  void SetTarget(int32_t target) { target_ = target; }

  // The volume `elapsed` ms into a ramp from `from` to `target` over `duration` ms.
  static int32_t RampValue(bool midi, int32_t from, int32_t target, int64_t elapsed, int32_t duration);

 protected:
  // Milliseconds since the start (the game clock, wrapping).
  uint32_t Elapsed() const;
  void Start(int32_t from);

  uint32_t startTime_ = 0;
  int32_t from_ = 0;
  bool started_ = false;
  TMediaRef<TDMediaItem> item_;
  int32_t target_;
  int32_t duration_;
};

class TOrvaMixerFadein : public TOrvaMixer {
 public:
  using TOrvaMixer::TOrvaMixer;
  // The first step silences the item and starts it playing.
  bool Step() override;
};

class TOrvaMixerFadeout : public TOrvaMixer {
 public:
  // From the item's volume at the first step down to silence.
  TOrvaMixerFadeout(TDMediaItem* item, int32_t duration) : TOrvaMixer(item, -10000, duration) {}
  bool Step() override;
  bool IsFadeOut() const override { return true; }
};

// The item volume of a script VOLUME (1000 full, 0 silent): a MIDI item's own scale
// (v × 10 − 10000, unclamped but within 32 bits), any other item's decibels (v × 5 − 5000,
// −10000 from −5000 down, at most 0).
int32_t ItemVolume(int32_t volume, bool midi);

}  // namespace orva
