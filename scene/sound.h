#pragma once
// TOrvaSound (LT_SOUND): one piece of music, voice or effect without a picture: a media file
// of the game's data or a CD track ("CD_" and its number). It picks the media manager by the
// file name, maps VOLUME to the item's scale, loops, pauses, fades in and out, posts
// ONPLAYEND or frees itself at the end, and keeps its playing state in a game save.
//
// Every live sound object is on the wave list, which the script's sound switch pauses and
// resumes first (SetWaveListEnabled).

#include <cstdint>
#include <memory>
#include <string>

#include "scene/media_item.h"
#include "scene/orva_object.h"
#include "scene/scene_services.h"
#include "scene/volume_fade.h"

namespace orva {

class TOrvaSound : public TOrvaComponent {
 public:
  explicit TOrvaSound(TOrvaBaseList* owner);
  // The item is silenced and given back to its manager.
  ~TOrvaSound() override;

  uint8_t GetCompoType() override { return LT_SOUND; }

  std::string GetSource() override { return source_; }
  // A new source drops the item and stops; nothing starts.
  void SetSource(std::string_view value) override;
  int32_t GetVolume() override { return volume_; }
  void SetVolume(int32_t value) override;
  int32_t GetBalance() override { return balance_; }
  // Kept within -10000..10000.
  void SetBalance(int32_t value) override;
  bool GetRepeat() override { return repeat_; }
  // Setting it on a sound at its end rewinds it.
  void SetRepeat(bool value) override;
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override;
  bool GetAniPaused() override { return aniPaused_; }
  void SetAniPaused(bool value) override;
  int32_t GetDelay() override { return delay_; }
  void SetDelay(int32_t value) override { delay_ = value; }
  // The item's position in ms; 0 without an item.
  int32_t GetIndex() override;
  // Where the item plays from; it starts unless paused.
  void SetIndex(int32_t value) override;
  // The length in ms, read from a temporary item when none is loaded.
  int32_t GetCount() override;
  bool GetPlaying() override;
  bool GetAutoScrap() override { return autoScrap_; }
  void SetAutoScrap(bool value) override { autoScrap_ = value; }
  std::string GetOnPlayEnd() override { return onPlayEnd_; }
  void SetOnPlayEnd(std::string_view value) override { onPlayEnd_ = value; }
  bool GetRewindOnLoad() override { return rewindOnLoad_; }
  void SetRewindOnLoad(bool value) override { rewindOnLoad_ = value; }
  bool GetMuteOnLoad() override { return muteOnLoad_; }
  void SetMuteOnLoad(bool value) override { muteOnLoad_ = value; }

  uint8_t GetPlayState() override { return playState_; }
  void Play(uint8_t mode) override;
  // Starts again from the beginning, with a fade-in when DELAY is above 0.
  void MediaPlay() override;
  // The end of the item and the fader; true frees the object now.
  bool Idle() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  TDMediaItem* Item() const { return item_.Get(); }
  TOrvaMixer* Fader() const { return fader_.get(); }
  bool Ended() const { return ended_; }

  // The script's sound switch for the sound objects: false pauses the items that play, true
  // resumes them unless their objects were paused meanwhile.
  static void SetWaveListEnabled(bool flag);

 private:
  // The item volume of VOLUME for the current item.
  int32_t CurrentItemVolume();
  // The item for the source, through the manager its name asks for; none when the file is
  // not available, no manager takes it or the manager refuses it.
  TDMediaItem* MakeItem(const std::string& name);
  void ReleaseItem();
  // After PAUSED or ANIPAUSED changed.
  void PauseUpdate();
  void StartFadeIn();

  std::string source_;
  uint8_t playState_ = LP_STOP;
  TMediaRef<TDMediaItem> item_;
  bool repeat_ = false;
  bool paused_ = false;
  int32_t volume_ = 0;
  int32_t balance_ = 0;
  std::unique_ptr<TOrvaMixer> fader_;
  int32_t delay_ = 0;
  int32_t startPosition_ = 0;
  bool autoScrap_ = false;
  std::string onPlayEnd_;
  bool aniPaused_ = false;
  bool ended_ = false;
  bool rewindOnLoad_ = false;
  bool muteOnLoad_ = false;
  // Paused by the wave list while the sound is switched off.
  bool waveListPaused_ = false;
};

// The manager a media name asks for: by its extension, lower-cased (".mid" and ".sgt" MIDI,
// ".wma", ".asf" and ".wmv" Windows Media, ".ogg" and ".wav" Ogg), else CD audio for a name
// beginning "CD_" (in that case exactly); false for any other name.
bool MediaKindOf(std::string_view name, TMediaKind& kind);

}  // namespace orva
