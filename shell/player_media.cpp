#include "shell/player_media.h"

#include "core/frame_clock.h"
#include "platform/audio_output.h"
#include "scene/scene_services.h"
#include "scene/sound.h"
#include "shell/cd_midi_managers.h"
#include "shell/media_system.h"
#include "shell/sound_settings.h"

namespace orva {

// The sound device's cooperative window is the player's one window; the media side only
// needs it to be some window, so the adapter stands for it.
TPlayerMedia::TPlayerMedia() : dxSound_(this) {
  dxSound_.Options.GlobalFocus = true;
  dxSound_.Options.Exclusive = true;
  dxSound_.OnInitialize = [](TDXSound& sound) {
    TWaveFormatEx format;
    MakePCMWaveFormat(format, 44100, 16, 2);
    if (sound.Primary()) sound.Primary()->SetFormat(format);
  };
  dxSound_.OnRestore = [](TDXSound&) {
    if (WmpManager) WmpManager->Restore();
    if (OggManager) OggManager->Restore();
  };
  MainDXSound = &dxSound_;
}

TPlayerMedia::~TPlayerMedia() {
  if (MainDXSound == &dxSound_) MainDXSound = nullptr;
}

void TPlayerMedia::ReadSettings() { ReadSoundSettings(); }

void TPlayerMedia::InitSoundDevice() {
  if (UseDirectSound) dxSound_.Initialize();
}

void TPlayerMedia::StartMediaSystem(int32_t width, int32_t height, int32_t preferredWidth, int32_t preferredHeight,
                                    const std::string& registryKey, const std::function<void()>& createScreenManager) {
  registryKey_ = registryKey;
  InstallCdAndMidiHooks([this] { return registryKey_; });
  MediaSystemHooks.SetWaveListEnabled = [](bool flag) { TOrvaSound::SetWaveListEnabled(flag); };
  running_ = true;
  TMidiManager::MainWindowAlive = [this] { return running_; };
  MediaSystemHooks.CreateScreenManager = [&createScreenManager](int, int, int, int) { createScreenManager(); };
  orva::StartMediaSystem(this, this, width, height, preferredWidth, preferredHeight);
  MediaSystemHooks.CreateScreenManager = nullptr;
  TSceneServices services = GetSceneServices();
  services.Media = &MediaSceneService();
  SetSceneServices(services);
}

void TPlayerMedia::StopMediaSystem(const std::function<void()>& freeScreenManager) {
  TSceneServices services = GetSceneServices();
  if (services.Media == &MediaSceneService()) {
    services.Media = nullptr;
    SetSceneServices(services);
  }
  running_ = false;
  MediaSystemHooks.FreeScreenManager = freeScreenManager;
  orva::StopMediaSystem();
  MediaSystemHooks.FreeScreenManager = nullptr;
  TMidiManager::MainWindowAlive = nullptr;
}

void TPlayerMedia::Deactivate() {
  if (VideoManager) VideoManager->PauseAll();
  if (WmpManager) WmpManager->PauseAll();
  if (OggManager) OggManager->PauseAll();
  if (CddaManager) {
    CddaManager->PauseAll();
    CddaManager->RestoreMixerLevels();
  }
  if (MidiManager) MidiManager->PauseAll();
}

void TPlayerMedia::Activate() {
  if (VideoManager) VideoManager->ResumeAll();
  if (WmpManager) WmpManager->ResumeAll();
  if (OggManager) OggManager->ResumeAll();
  if (CddaManager) {
    CddaManager->ReadMixerLevels();
    CddaManager->ResumeAll();
  }
  if (MidiManager) MidiManager->ResumeAll();
}

void TPlayerMedia::SuspendVideos() {
  if (VideoManager) VideoManager->Suspend();
}

void TPlayerMedia::ResumeVideos() {
  if (VideoManager) VideoManager->Resume();
}

void TPlayerMedia::AudioDeviceRemoved(uint32_t deviceId) { HandleAudioDeviceRemoved(deviceId); }

int32_t TPlayerMedia::TMidiPorts::GetDeviceCount() { return MidiManager ? MidiManager->GetDeviceCount() : 0; }

std::string TPlayerMedia::TMidiPorts::GetDeviceNameAt(int32_t index) {
  return MidiManager ? MidiManager->GetDeviceNameAt(index) : std::string();
}

std::string TPlayerMedia::TMidiPorts::GetDeviceName() { return MidiManager ? MidiManager->GetDeviceName() : std::string(); }

void TPlayerMedia::TMidiPorts::SelectDeviceName(std::string_view name) {
  if (MidiManager) MidiManager->SelectDeviceName(name);
}

void TPlayerMedia::Idle() {
  if (CddaManager) CddaManager->Idle(timeGetTime());
}

void TPlayerMedia::PullHeadlessAudio(uint32_t milliseconds) { HeadlessAudioPull(milliseconds); }

}  // namespace orva
