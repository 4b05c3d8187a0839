#pragma once
// The main window's media: the shell's media interface over the sound settings, the main
// window's sound device, the media system and its managers.

#include "scene/engine_links.h"
#include "shell/dx_sound.h"
#include "shell/shell_media.h"

namespace orva {

class TPlayerMedia final : public TShellMedia {
 public:
  TPlayerMedia();
  ~TPlayerMedia() override;

  void ReadSettings() override;
  void InitSoundDevice() override;
  void StartMediaSystem(int32_t width, int32_t height, int32_t preferredWidth, int32_t preferredHeight,
                        const std::string& registryKey, const std::function<void()>& createScreenManager) override;
  void StopMediaSystem(const std::function<void()>& freeScreenManager) override;
  void Deactivate() override;
  void Activate() override;
  void SuspendVideos() override;
  void ResumeVideos() override;
  void AudioDeviceRemoved(uint32_t deviceId) override;
  void Idle() override;
  TMidiLink* MidiLink() override { return &midiPorts_; }
  void PullHeadlessAudio(uint32_t milliseconds) override;

 private:
  // The MIDI manager's devices, while it exists.
  class TMidiPorts final : public TMidiLink {
   public:
    int32_t GetDeviceCount() override;
    std::string GetDeviceNameAt(int32_t index) override;
    std::string GetDeviceName() override;
    void SelectDeviceName(std::string_view name) override;
  };

  TDXSound dxSound_;
  TMidiPorts midiPorts_;
  std::string registryKey_;
  bool running_ = false;
};

}  // namespace orva
