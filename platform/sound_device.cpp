#include "platform/sound_device.h"

namespace orva {

namespace {
std::function<void(TSoundDevice*)>& ClosingHook() {
  static std::function<void(TSoundDevice*)> hook;
  return hook;
}
}  // namespace

void TSoundDevice::SetClosingHook(std::function<void(TSoundDevice*)> hook) { ClosingHook() = std::move(hook); }

std::unique_ptr<TSoundDevice> TSoundDevice::Open() {
  if (!AcquireAudioOutput()) return nullptr;
  std::unique_ptr<TSoundDevice> device(new TSoundDevice());
  AttachAudioInput(device.get());
  return device;
}

TSoundDevice::TSoundDevice() {
  primary_ = {WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0};
  restoreHandlerId_ = AddAudioRestoreHandler([this] {
    if (lostHandler_) lostHandler_();
  });
}

TSoundDevice::~TSoundDevice() {
  if (ClosingHook()) ClosingHook()(this);
  RemoveAudioRestoreHandler(restoreHandlerId_);
  DetachAudioInput(this);
  ReleaseAudioOutput();
}

void TSoundDevice::AddVoice(TAudioInput* voice) {
  std::lock_guard lock(voicesMutex_);
  voices_.push_back(voice);
}

void TSoundDevice::RemoveVoice(TAudioInput* voice) {
  std::lock_guard lock(voicesMutex_);
  std::erase(voices_, voice);
}

bool TSoundDevice::SetPrimaryFormat(const TWaveFormatEx& format) {
  const bool valid = format.wFormatTag == WAVE_FORMAT_PCM && (format.nChannels == 1 || format.nChannels == 2) &&
                     (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) && format.nSamplesPerSec >= 8000 &&
                     format.nSamplesPerSec <= 192000 &&
                     format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8 &&
                     format.nAvgBytesPerSec == format.nBlockAlign * format.nSamplesPerSec;
  if (valid) primary_ = format;
  return valid;
}

void TSoundDevice::MixInto(int32_t* mix, int frames, bool pulled) {
  std::lock_guard lock(voicesMutex_);
  for (TAudioInput* voice : voices_) voice->MixInto(mix, frames, pulled);
}

}  // namespace orva
