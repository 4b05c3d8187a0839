#pragma once
// CD-audio items ("CD_" and a track number) over the one CD-audio player: only the manager's
// current item owns the player, the others keep where to resume. The manager chooses the
// drive once, finds the system mixer's CD line and scales its level by the item's volume,
// writing the line's own levels back when the application is left and when it ends.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "shell/audio_mixer.h"
#include "shell/cd_player.h"
#include "shell/media_managers.h"

namespace orva {

class TCddaManager;

class TCddaItem : public TDMediaItem {
 public:
  TCddaItem(TCddaManager& manager, std::string_view name);
  ~TCddaItem() override;
  TCddaItem(const TCddaItem&) = delete;
  TCddaItem& operator=(const TCddaItem&) = delete;

  bool GetAutoRepeat() override { return AutoRepeat; }
  void SetAutoRepeat(bool value) override;
  int32_t GetVol() override { return Volume; }
  // Scales the CD line's levels found at the start: silent at -5000 and below.
  void SetVol(int32_t value) override;
  int32_t GetPosition() override;
  void SetPosition(int32_t ms) override;
  int32_t GetLen() override;
  bool IsEnd() override;
  bool IsPlaying() override;
  bool IsPaused() override { return PausedFlag; }
  void Play() override;
  // Keeps the position less a second.
  void Pause() override;

  // The number after "CD_"; -1 when it is none.
  int TrackNumber() const;

  const std::string Name;
  int32_t ResumePos = 0;  // s
  bool PausedFlag = false;
  int32_t Volume = 0;
  int32_t LengthCache = 0;  // ms
  bool AutoRepeat = false;

 private:
  bool OwnsPlayer() const;
  // Makes this item the player's; false when it cannot play.
  void TakePlayer();
  TCddaManager& manager_;
};

class TCddaManager : public TMediaManager {
 public:
  enum { dsNotChosen = -1, dsNone = -2 };
  // `registryKey`: the project's key below "Software\" of the user's settings.
  TCddaManager(std::string registryKey = {}, TCdAudioSystem& cd = CdAudioSystem(), TMixerSystem& mixers = MixerSystem());
  ~TCddaManager() override;

  TCddaItem* Add(std::string_view name);
  TCDP* GetPlayer() { return Player.get(); }
  // Once: the drive of the user's setting, else the first drive with tracks; then the CD line.
  void ChooseDrive();
  // "CDDrive" of the project's key in the user's settings; a single letter gets ":".
  std::string ReadDriveSetting() const;
  // The CD line's levels as they were found (when the application is left and at the end).
  void RestoreMixerLevels();
  // The CD line's levels as they are now (when the application is entered again).
  void ReadMixerLevels();
  // Every frame on the main thread: the player's completion and timer.
  void Idle(uint32_t nowMs);

  std::unique_ptr<TCDP> Player;
  TCddaItem* Current = nullptr;
  std::unique_ptr<TAudioMixer> Mixer;
  int32_t CdLineDest = -1;
  int32_t CdLineIndex = -1;
  int32_t SavedLeft = -1;
  int32_t SavedRight = -1;
  int32_t SavedMute = -1;
  int32_t DriveState = dsNotChosen;

 private:
  void FindCdLine();
  std::string registryKey_;
};

// The per-user settings file that stands for the user's registry: "[Software\<key>]" sections
// in $XDG_CONFIG_HOME (else ~/.config) "/orva-player/registry.ini".
std::string UserRegistryPath();

}  // namespace orva
