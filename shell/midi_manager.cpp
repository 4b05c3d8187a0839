#include "shell/midi_manager.h"

#include <algorithm>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/stream.h"
#include "shell/media_items.h"

namespace orva {

std::function<bool()> TMidiManager::MainWindowAlive;

// ---- TMidiItem ----

TMidiItem::TMidiItem(TMidiManager& manager, std::string_view name) : Name(name), manager_(manager) {}

TMidiItem::~TMidiItem() {
  if (manager_.Current != this) return;
  if (TMidiPlayV* player = manager_.Player.get()) {
    if (player->IsPlaying()) player->Stop();
    player->Close();
  }
  manager_.Current = nullptr;
}

bool TMidiItem::OwnsPlayer() const { return manager_.Current == this && manager_.Player; }

std::string TMidiItem::ReadFile() const {
  std::unique_ptr<TStream> stream = OpenMediaStream(Name);
  TMemoryStream copy;
  copy.CopyFrom(*stream, 0);
  return std::string(reinterpret_cast<const char*>(copy.Memory()), static_cast<size_t>(copy.GetSize()));
}

bool TMidiItem::Load(TMidiPlayV& player) {
  const std::string data = ReadFile();
  if (data.empty()) return false;
  if (player.IsPlaying()) player.Stop();
  manager_.Current = this;
  TMemoryStream stream(data);
  player.Load(stream);
  LengthCache = player.Length;
  return true;
}

void TMidiItem::Play() {
  if (!manager_.Enabled) {
    PauseMark = true;
    return;
  }
  if (TMidiPlayV* player = manager_.GetPlayer()) {
    // An empty file is ignored: nothing plays, and the previous tune is not replayed.
    if (manager_.Current != this && !Load(*player)) return;
    if (!player->IsOpen()) player->Open(manager_.DeviceIndex - 1);
    player->SendMasterVolume();
    manager_.Current = this;
    player->Seek(ResumePos);
    SetVol(GetVol());
  }
  PausedFlag = false;
}

void TMidiItem::Pause() {
  if (OwnsPlayer()) {
    ResumePos = manager_.Player->Position();
    manager_.Player->Stop();
  }
  PausedFlag = true;
}

bool TMidiItem::IsPlaying() { return OwnsPlayer() && manager_.Player->IsPlaying(); }

bool TMidiItem::IsEnd() { return OwnsPlayer() && manager_.Player->IsEnd(); }

int32_t TMidiItem::GetLen() {
  if (LengthCache == 0) {
    // Read only for its length.
    try {
      TMemoryStream stream(ReadFile());
      TMidiV model;
      model.LoadFromStream(stream);
      LengthCache = model.Length;
    } catch (const Exception&) {
    }
  }
  return LengthCache;
}

int32_t TMidiItem::GetPosition() { return OwnsPlayer() ? manager_.Player->Position() : 0; }

void TMidiItem::SetPosition(int32_t ms) {
  if (OwnsPlayer() && !PausedFlag) manager_.Player->Seek(std::max(0, ms));
  else ResumePos = std::max(0, ms);
}

bool TMidiItem::GetAutoRepeat() { return OwnsPlayer() && manager_.Player->Repeat; }

void TMidiItem::SetAutoRepeat(bool value) {
  if (OwnsPlayer()) manager_.Player->Repeat = value;
}

void TMidiItem::SetVol(int32_t value) {
  Volume = value;
  if (OwnsPlayer()) manager_.Player->SetControllerPercentAll(7, value / 100 + 100);
}

// ---- TMidiManager ----

TMidiManager::TMidiManager(TMidiOutSystem& system, bool threadedTimer)
    : Player(std::make_unique<TMidiPlayV>(system, threadedTimer)) {
  DeviceNames.push_back(Sjis("MIDIマッパー"));
  for (const std::string& name : Player->Devices()) DeviceNames.push_back(name);
}

TMidiManager::~TMidiManager() {
  Clear();
  Player->Close();
}

TMidiItem* TMidiManager::Add(std::string_view name) { return static_cast<TMidiItem*>(Append(std::make_unique<TMidiItem>(*this, name))); }

TMidiPlayV* TMidiManager::GetPlayer() {
  if (MainWindowAlive && !MainWindowAlive()) return nullptr;
  return Player.get();
}

std::string TMidiManager::GetDeviceNameAt(int index) const {
  if (index < 0 || index >= GetDeviceCount()) return Sjis("MIDIマッパー");
  return DeviceNames[static_cast<size_t>(index)];
}

void TMidiManager::SelectDevice(int index) {
  DeviceIndex = std::clamp(index, 0, GetDeviceCount() - 1);
  TMidiPlayV* player = GetPlayer();
  if (!player || !player->IsPlaying()) return;
  const int32_t position = player->Position();
  player->Stop();
  player->Close();
  player->Open(DeviceIndex - 1);
  player->Seek(position);
}

void TMidiManager::SelectDeviceName(std::string_view name) {
  const auto same = [&](const std::string& entry) {
    return std::equal(entry.begin(), entry.end(), name.begin(), name.end(), [](char a, char b) {
      const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
      return lower(a) == lower(b);
    });
  };
  const auto it = std::find_if(DeviceNames.begin(), DeviceNames.end(), same);
  SelectDevice(it == DeviceNames.end() ? 0 : static_cast<int>(it - DeviceNames.begin()));
}

}  // namespace orva
