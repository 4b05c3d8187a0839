#pragma once
// MIDI items (".mid" files) over the one MIDI player: only the manager's current item owns
// the player, the others keep where to resume. The manager keeps the list of output devices
// ("MIDIマッパー" first) and the one chosen.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "shell/media_managers.h"
#include "shell/midi_player.h"

namespace orva {

class TMidiManager;

class TMidiItem : public TDMediaItem {
 public:
  TMidiItem(TMidiManager& manager, std::string_view name);
  ~TMidiItem() override;
  TMidiItem(const TMidiItem&) = delete;
  TMidiItem& operator=(const TMidiItem&) = delete;

  bool GetAutoRepeat() override;
  void SetAutoRepeat(bool value) override;
  int32_t GetVol() override { return Volume; }
  // v / 100 + 100 percent of the file's channel volumes.
  void SetVol(int32_t value) override;
  int32_t GetPosition() override;
  void SetPosition(int32_t ms) override;
  int32_t GetLen() override;
  bool IsEnd() override;
  bool IsPlaying() override;
  bool IsPaused() override { return PausedFlag; }
  bool IsMidi() override { return true; }
  void Play() override;
  void Pause() override;

  const std::string Name;
  int32_t ResumePos = 0;  // ms
  bool PausedFlag = false;
  int32_t Volume = 0;
  int32_t LengthCache = 0;  // ms

 private:
  bool OwnsPlayer() const;
  // Reads the file into the player; false for an empty file, which does not play.
  bool Load(TMidiPlayV& player);
  std::string ReadFile() const;
  TMidiManager& manager_;
};

class TMidiManager : public TMediaManager {
 public:
  explicit TMidiManager(TMidiOutSystem& system = MidiOutSystem(), bool threadedTimer = true);
  ~TMidiManager() override;

  // "%s:ファイルがありません" is raised when the item is played.
  TMidiItem* Add(std::string_view name);
  // None while the main window is not there (or going).
  TMidiPlayV* GetPlayer();
  int GetDeviceCount() const { return static_cast<int>(DeviceNames.size()); }
  // "MIDIマッパー" outside the list.
  std::string GetDeviceNameAt(int index) const;
  std::string GetDeviceName() const { return GetDeviceNameAt(DeviceIndex); }
  // Clamped to the list; a playing tune goes on at the same time on the new device.
  void SelectDevice(int index);
  // A name not in the list selects the mapper.
  void SelectDeviceName(std::string_view name);

  std::vector<std::string> DeviceNames;
  int DeviceIndex = 0;
  std::unique_ptr<TMidiPlayV> Player;
  TMidiItem* Current = nullptr;
  // Whether the main window exists and is not being destroyed (set by the shell).
  static std::function<bool()> MainWindowAlive;
};

}  // namespace orva
