#pragma once
// The device the companion module mixes its sounds into: one input of the sound output
// (platform/audio_output.h) holding the module's voices, with the primary buffer's format
// and the cooperative window. Its address is what the program hands the module as its
// sound object.

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio_output.h"
#include "platform/wave_format.h"

namespace orva {

class TSoundDevice final : public TAudioInput {
 public:
  // Opens the sound output for the device; none when it cannot be opened.
  static std::unique_ptr<TSoundDevice> Open();
  ~TSoundDevice() override;
  TSoundDevice(const TSoundDevice&) = delete;
  TSoundDevice& operator=(const TSoundDevice&) = delete;

  // A voice sounds from the next period on; once RemoveVoice returns it is no longer used.
  void AddVoice(TAudioInput* voice);
  void RemoveVoice(TAudioInput* voice);

  // The primary buffer's format: PCM, 1 or 2 channels, 8 or 16 bits, 8000 .. 192000 Hz.
  // The output stays 44100 Hz 16-bit stereo; the format is kept for those who ask.
  bool SetPrimaryFormat(const TWaveFormatEx& format);
  const TWaveFormatEx& PrimaryFormat() const { return primary_; }

  void SetCooperativeLevel(void* window, int level) {
    window_ = window;
    level_ = level;
  }
  void* CooperativeWindow() const { return window_; }
  int CooperativeLevel() const { return level_; }

  // Runs on the main thread after the output device was lost and opened again.
  void SetLostHandler(std::function<void()> handler) { lostHandler_ = std::move(handler); }

  void MixInto(int32_t* mix, int frames, bool pulled) override;

  // Runs at the start of every device's destruction (the companion module moves its voices
  // elsewhere); one hook, none to remove it.
  static void SetClosingHook(std::function<void(TSoundDevice*)> hook);

 private:
  TSoundDevice();

  std::mutex voicesMutex_;
  std::vector<TAudioInput*> voices_;
  TWaveFormatEx primary_;
  void* window_ = nullptr;
  int level_ = 0;
  int restoreHandlerId_ = 0;
  std::function<void()> lostHandler_;
};

}  // namespace orva
