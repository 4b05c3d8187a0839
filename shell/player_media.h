#pragma once
// The main window's media: the shell's media interface over the sound settings, the main
// window's sound device, the media system and its managers.

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
                        const std::function<void()>& createScreenManager) override;
  void StopMediaSystem(const std::function<void()>& freeScreenManager) override;
  void Deactivate() override;
  void Activate() override;
  void SuspendVideos() override;
  void ResumeVideos() override;
  void AudioDeviceRemoved(uint32_t deviceId) override;
  void PullHeadlessAudio(uint32_t milliseconds) override;

 private:
  TDXSound dxSound_;
};

}  // namespace orva
