#include "shell/cdda_manager.h"

#include <algorithm>
#include <cstdlib>

#include "core/number_text.h"
#include "shell/ini_file.h"

namespace orva {

std::string UserRegistryPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config && *config == '/') base = config;
  else if (const char* home = std::getenv("HOME"); home && *home) base = std::string(home) + "/.config";
  else return {};
  return base + "/orva-player/registry.ini";
}

// ---- TCddaItem ----

TCddaItem::TCddaItem(TCddaManager& manager, std::string_view name) : Name(name), manager_(manager) {}

TCddaItem::~TCddaItem() {
  if (manager_.Current != this) return;
  if (TCDP* player = manager_.GetPlayer()) {
    if (player->GetMode() == TCDP::mdPlaying) player->Stop();
    player->Close();
  }
  manager_.Current = nullptr;
}

int TCddaItem::TrackNumber() const {
  int32_t track = 0;
  if (Name.size() < 4 || !TryTextToInt(std::string_view(Name).substr(3), track)) return -1;
  return track;
}

bool TCddaItem::OwnsPlayer() const { return manager_.Current == this; }

void TCddaItem::TakePlayer() {
  const int track = TrackNumber();
  if (track < 0) return;
  TCDP& player = *manager_.Player;
  if (player.GetMode() == TCDP::mdPlaying) player.Stop();
  manager_.Current = this;
  if (!player.IsOpen()) {
    if (player.Drives.empty()) return;
    manager_.ChooseDrive();
    if (!player.IsOpen()) return;
  }
  if (track > player.GetTrackCount()) {
    manager_.Current = nullptr;
    return;
  }
  player.Repeat = AutoRepeat;
  player.PlayList = {track};
  LengthCache = player.GetTrackLength(track) * 1000;
}

void TCddaItem::Play() {
  if (!manager_.Enabled) {
    PauseMark = true;
    PausedFlag = false;
    return;
  }
  if (TCDP* player = manager_.GetPlayer()) {
    if (!OwnsPlayer()) TakePlayer();
    if (!OwnsPlayer() || !player->IsOpen()) return;
    player->PlayTrack(0);
    if (ResumePos > 0) player->SeekPlay(TrackNumber(), ResumePos);
    SetVol(GetVol());
  }
  PausedFlag = false;
}

void TCddaItem::Pause() {
  if (OwnsPlayer() && manager_.Player->GetMode() == TCDP::mdPlaying) {
    ResumePos = std::max(0, manager_.Player->GetPosition() - 1);
    manager_.Player->Stop();
  }
  PausedFlag = true;
}

bool TCddaItem::IsPlaying() { return OwnsPlayer() && manager_.Player->GetMode() == TCDP::mdPlaying; }

bool TCddaItem::IsEnd() { return OwnsPlayer() && manager_.Player->GetMode() == TCDP::mdStopped; }

int32_t TCddaItem::GetLen() {
  const int track = TrackNumber();
  if (LengthCache == 0 && track >= 0) {
    TCDP& player = *manager_.Player;
    if (!player.IsOpen() && !player.Drives.empty()) manager_.ChooseDrive();
    if (player.IsOpen() && track <= player.GetTrackCount()) LengthCache = player.GetTrackLength(track) * 1000;
  }
  return LengthCache;
}

int32_t TCddaItem::GetPosition() { return OwnsPlayer() && manager_.Player->IsOpen() ? manager_.Player->GetPosition() * 1000 : 0; }

void TCddaItem::SetPosition(int32_t ms) {
  if (OwnsPlayer() && manager_.Player->IsOpen() && !PausedFlag) manager_.Player->SeekPlay(TrackNumber(), ms / 1000);
  else ResumePos = std::max(0, ms / 1000);
}

void TCddaItem::SetAutoRepeat(bool value) {
  AutoRepeat = value;
  if (OwnsPlayer() && manager_.Player->IsOpen()) manager_.Player->Repeat = value;
}

void TCddaItem::SetVol(int32_t value) {
  Volume = value;
  if (!OwnsPlayer() || !manager_.Player->IsOpen() || manager_.CdLineIndex < 0) return;
  const int64_t scale = std::max(value, -5000) + 5000;
  manager_.Mixer->SetVolume(manager_.CdLineDest, manager_.CdLineIndex, manager_.SavedMute,
                            static_cast<int32_t>(scale * manager_.SavedRight / 5000),
                            static_cast<int32_t>(scale * manager_.SavedLeft / 5000));
}

// ---- TCddaManager ----

TCddaManager::TCddaManager(std::string registryKey, TCdAudioSystem& cd, TMixerSystem& mixers)
    : Player(std::make_unique<TCDP>(cd)), Mixer(std::make_unique<TAudioMixer>(mixers)), registryKey_(std::move(registryKey)) {
  Player->OnDiscIn = [this] {
    // A new disc: back to the current item's track alone.
    if (Current) Player->PlayList = {Current->TrackNumber()};
  };
}

TCddaManager::~TCddaManager() {
  Clear();
  RestoreMixerLevels();
  Player->Close();
}

TCddaItem* TCddaManager::Add(std::string_view name) { return static_cast<TCddaItem*>(Append(std::make_unique<TCddaItem>(*this, name))); }

std::string TCddaManager::ReadDriveSetting() const {
  if (registryKey_.empty()) return {};
  const std::string path = UserRegistryPath();
  if (path.empty()) return {};
  std::string drive = TIniFile(path).ReadString("Software\\" + registryKey_, "CDDrive", "");
  if (drive.size() == 1) drive += ':';
  return drive;
}

void TCddaManager::ChooseDrive() {
  if (Player->IsOpen()) return;
  if (DriveState >= 0) {
    Player->Open(DriveState);
    return;
  }
  if (DriveState != dsNotChosen) return;
  DriveState = dsNone;
  const std::string preferred = ReadDriveSetting();
  int only = -1;
  if (!preferred.empty()) {
    auto it = std::find(Player->Drives.begin(), Player->Drives.end(), preferred);
    if (it != Player->Drives.end()) only = static_cast<int>(it - Player->Drives.begin());
  }
  for (int i = 0; i < static_cast<int>(Player->Drives.size()); ++i) {
    if (only >= 0 && i != only) continue;
    Player->Open(i);
    if (Player->GetTrackCount() > 0) {
      DriveState = i;
      FindCdLine();
      return;
    }
    Player->Close();
  }
}

void TCddaManager::FindCdLine() {
  for (int id = 0; id < Mixer->MixerCount(); ++id) {
    Mixer->SetMixerId(id);
    const auto& destinations = Mixer->Destinations();
    for (size_t d = 0; d < destinations.size(); ++d) {
      const auto& connections = destinations[d].Connections;
      for (size_t s = 0; s < connections.size(); ++s) {
        if (connections[s].Line.ComponentType != kMixerComponentCompactDisc) continue;
        CdLineDest = static_cast<int32_t>(d);
        CdLineIndex = static_cast<int32_t>(s);
        TMixerVolume v;
        Mixer->GetVolume(CdLineDest, CdLineIndex, v);
        SavedLeft = v.Left;
        SavedRight = v.Right;
        SavedMute = v.Mute;
        return;
      }
    }
  }
}

void TCddaManager::RestoreMixerLevels() {
  if (CdLineIndex >= 0) Mixer->SetVolume(CdLineDest, CdLineIndex, SavedMute, SavedRight, SavedLeft);
}

void TCddaManager::ReadMixerLevels() {
  if (CdLineIndex < 0) return;
  TMixerVolume v;
  Mixer->GetVolume(CdLineDest, CdLineIndex, v);
  SavedLeft = v.Left;
  SavedRight = v.Right;
  SavedMute = v.Mute;
}

void TCddaManager::Idle(uint32_t nowMs) { Player->Idle(nowMs); }

}  // namespace orva
