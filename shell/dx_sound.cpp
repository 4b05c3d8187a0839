#include "shell/dx_sound.h"

#include <algorithm>

#include "core/encoding.h"
#include "shell/media_library.h"

namespace orva {

namespace {
std::string Formatted(const char* utf8Pattern, const char* utf8Subject) {
  std::string text = Sjis(utf8Pattern);
  text.replace(text.find("%s"), 2, Sjis(utf8Subject));
  return text;
}
}  // namespace

void MakePCMWaveFormat(TWaveFormatEx& format, uint32_t samplesPerSec, uint16_t bitsPerSample, uint16_t channels) {
  format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = channels;
  format.nSamplesPerSec = samplesPerSec;
  format.nBlockAlign = static_cast<uint16_t>(channels * (bitsPerSample / 8));
  format.nAvgBytesPerSec = format.nBlockAlign * samplesPerSec;
  format.wBitsPerSample = bitsPerSample;
  format.cbSize = 0;
}

// ---- TDirectSound ----

TDirectSound::TDirectSound(TDXSound& owner, std::unique_ptr<TSoundDevice> device)
    : owner_(owner), device_(std::move(device)) {
  if (device_) device_->SetLostHandler([this] { Restore(); });
}

TDirectSound::~TDirectSound() {
  // Buffers still alive belong to the owner; they only unregister.
  buffers_.clear();
  if (device_) device_->SetLostHandler(nullptr);
}

TSoundDevice& TDirectSound::RequireDevice() const {
  if (!device_) throw EDirectSoundError(Formatted("%s は作成されていません", "IDirectSound"));
  return *device_;
}

void TDirectSound::Restore() {
  if (restoring_) return;
  restoring_ = true;
  try {
    owner_.Restore();
  } catch (...) {
    restoring_ = false;
    throw;
  }
  restoring_ = false;
}

// ---- TDirectSoundBuffer ----

TDirectSoundBuffer::TDirectSoundBuffer(TDirectSound& sound) : sound_(sound) { sound_.buffers_.push_back(this); }

TDirectSoundBuffer::~TDirectSoundBuffer() { std::erase(sound_.buffers_, this); }

bool TDirectSoundBuffer::CreatePrimary() {
  if (!sound_.IDirectSound()) return false;
  primary_ = true;
  format_ = sound_.IDirectSound()->PrimaryFormat();
  return true;
}

bool TDirectSoundBuffer::SetFormat(const TWaveFormatEx& format) {
  if (!primary_) throw EDirectSoundBufferError(Formatted("%s は作成されていません", "IDirectSoundBuffer"));
  TSoundDevice& device = sound_.RequireDevice();
  if (!device.SetPrimaryFormat(format)) return false;
  format_ = device.PrimaryFormat();
  return true;
}

// ---- TDXSound ----

TDXSound::TDXSound(void* form) : form_(form) {}

TDXSound::~TDXSound() { Finalize(); }

void TDXSound::Initialize() {
  if (initialized_ || initializing_) Finalize();
  if (!form_) throw EDXSoundError(Sjis("フォームが見つかりません"));
  initializing_ = true;
  std::unique_ptr<TSoundDevice> device = TSoundDevice::Open();
  if (!device) {
    Finalize();
    throw EDirectSoundError(Formatted("%s を初期化できません", "DirectSound"));
  }
  dsound_ = std::make_unique<TDirectSound>(*this, std::move(device));
  dsound_->GlobalFocus = Options.GlobalFocus;
  dsound_->StickyFocus = Options.StickyFocus;
  primary_ = std::make_unique<TDirectSoundBuffer>(*dsound_);
  if (!primary_->CreatePrimary()) {
    Finalize();
    throw EDXSoundError(Formatted("%s を作成できません", "プライマリバッファ"));
  }
  initialized_ = true;
  SetCooperativeLevel();
  if (OnInitialize) OnInitialize(*this);
  Restore();
}

void TDXSound::Finalize() {
  if (!initialized_ && !initializing_) return;
  initialized_ = false;
  initializing_ = false;
  // The library must not be handed a device that is gone.
  if (dsound_ && DirectSoundObject == dsound_->IDirectSound()) DirectSoundObject = nullptr;
  primary_.reset();
  dsound_.reset();
}

void TDXSound::Restore() {
  if (initialized_ && OnRestore) OnRestore(*this);
}

void TDXSound::WindowRecreated(void* form) {
  form_ = form;
  if (initialized_) SetCooperativeLevel();
}

void TDXSound::SetCooperativeLevel() {
  dsound_->RequireDevice().SetCooperativeLevel(form_, Options.Exclusive ? DSSCL_EXCLUSIVE : DSSCL_NORMAL);
}

}  // namespace orva
