#pragma once
// Sound tracks: a sound file played while the film passes through the track's span, with
// interpolated volume and balance, kept in step with the film's clock. A chain of sound tracks
// plays one sound, held by the chain's first track; the later tracks only change its volume
// and balance. The sound lives in the main scene, made paused at the film's start or first
// tick, and is paused and resumed, never stopped, by the film.

#include <cstdint>
#include <string>

#include "film/track.h"

namespace orva {

class TSoundFrameList : public TCustomFrameList {
 public:
  // One frame, volumes 1000.
  explicit TSoundFrameList(TFilm& film);
  ~TSoundFrameList() override;

  std::string FileName;
  // In the unit of the sound's VOLUME (1000 full); older films store hundredths of a
  // decibel, read as v div 10 + 1000.
  int32_t StartVolume = 1000, EndVolume = 1000;
  int32_t StartBalance = 0, EndBalance = 0;
  uint8_t VolumeMode = 0, BalanceMode = 0;
  bool Paused = false;
  // The tick of the previous update.
  int32_t LastTick = 0;

  TTrackType GetTrackType() const override { return ttSound; }
  int FrameIndexAt(int32_t) const override { return 0; }
  TOrvaObject* GetObject() const override { return LiveObject(sound_); }
  bool GetPaused() const override { return Paused; }
  void SetPaused(bool flag) override;
  // Chained: the first sound track's name.
  std::string GetFileName() const override;
  // A new name frees the sound.
  void SetFileName(std::string_view name) override;
  int32_t GetEndVolume() const override { return EndVolume; }
  int32_t GetEndBalance() const override { return EndBalance; }
  int32_t GetStartVolume() const { return Parent ? Parent->GetEndVolume() : StartVolume; }
  int32_t GetStartBalance() const { return Parent ? Parent->GetEndBalance() : StartBalance; }
  void HideObject() override;
  bool UpdateAt(int32_t tick) override;
  void Load(TFilmReader& reader, std::string_view baseDir, int version) override;
  // Takes the chain's file name, keeping Length.
  void AfterLoad() override;

  // Frees the sounds of the tracks passed on the way to the chain's first track, and answers
  // that track's sound.
  TOrvaObject* RootSound();
  // The chain's sound, made by its first track when missing; none without a sound class.
  TOrvaObject* EnsureSound();

 private:
  TOrvaObject* CreateSound();
  int32_t ScaledVolume(int32_t volume) const;
  TWeakRef<TOrvaObject> sound_;
};

}  // namespace orva
