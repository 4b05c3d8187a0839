#pragma once
// The main window's sound component: it makes the sound device the companion library mixes
// into (platform/sound_device.h), its primary buffer in the player's format, and reports a
// lost device once through OnRestore.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/exceptions.h"
#include "platform/sound_device.h"
#include "platform/wave_format.h"

namespace orva {

class EDXSoundError : public Exception {
  using Exception::Exception;
};
class EDirectSoundError : public Exception {
  using Exception::Exception;
};
class EDirectSoundBufferError : public Exception {
  using Exception::Exception;
};

// A PCM wave format record: block align channels × (bits div 8), bytes per second block
// align × rate.
void MakePCMWaveFormat(TWaveFormatEx& format, uint32_t samplesPerSec, uint16_t bitsPerSample, uint16_t channels);

class TDXSound;
class TDirectSoundBuffer;

// The sound object and its buffers.
class TDirectSound {
 public:
  TDirectSound(TDXSound& owner, std::unique_ptr<TSoundDevice> device);
  ~TDirectSound();
  TDirectSound(const TDirectSound&) = delete;
  TDirectSound& operator=(const TDirectSound&) = delete;

  // The device handed to the companion library; none when there is none.
  TSoundDevice* IDirectSound() const { return device_.get(); }
  // The device, or EDirectSoundError "IDirectSound は作成されていません".
  TSoundDevice& RequireDevice() const;
  // The device's buffers were lost: restores once, never re-entered.
  void Restore();

  bool GlobalFocus = false;
  bool StickyFocus = false;

 private:
  friend class TDirectSoundBuffer;
  TDXSound& owner_;
  std::unique_ptr<TSoundDevice> device_;
  std::vector<TDirectSoundBuffer*> buffers_;
  bool restoring_ = false;
};

class TDirectSoundBuffer {
 public:
  explicit TDirectSoundBuffer(TDirectSound& sound);
  ~TDirectSoundBuffer();
  TDirectSoundBuffer(const TDirectSoundBuffer&) = delete;
  TDirectSoundBuffer& operator=(const TDirectSoundBuffer&) = delete;

  // Makes it the device's primary buffer; false when that fails.
  bool CreatePrimary();
  // False when the device refuses the format; on success the format copy is refreshed.
  bool SetFormat(const TWaveFormatEx& format);
  const TWaveFormatEx& Format() const { return format_; }

 private:
  TDirectSound& sound_;
  bool primary_ = false;
  TWaveFormatEx format_;
};

class TDXSound {
 public:
  struct TOptions {
    bool GlobalFocus = false;
    bool StickyFocus = false;
    bool Exclusive = false;
  };
  static constexpr int DSSCL_NORMAL = 1;
  static constexpr int DSSCL_EXCLUSIVE = 3;

  // `form`: the window of the form that owns the component; none makes Initialize fail.
  explicit TDXSound(void* form);
  ~TDXSound();
  TDXSound(const TDXSound&) = delete;
  TDXSound& operator=(const TDXSound&) = delete;

  // Makes the device and its primary buffer (replacing any made before), sets the
  // cooperative level, then runs OnInitialize and OnRestore. Raises EDXSoundError
  // "フォームが見つかりません" or "プライマリバッファ を作成できません", EDirectSoundError
  // "DirectSound を初期化できません".
  void Initialize();
  void Finalize();
  // Runs OnRestore when initialised.
  void Restore();
  // The form's window was made again: the cooperative level follows it.
  void WindowRecreated(void* form);

  bool Initialized() const { return initialized_; }
  TDirectSound* DSound() const { return dsound_.get(); }
  TDirectSoundBuffer* Primary() const { return primary_.get(); }

  bool AutoInitialize = false;
  TOptions Options;
  std::function<void(TDXSound&)> OnInitialize;
  std::function<void(TDXSound&)> OnRestore;

 private:
  void SetCooperativeLevel();

  void* form_;
  bool initialized_ = false;
  bool initializing_ = false;
  std::unique_ptr<TDirectSound> dsound_;
  std::unique_ptr<TDirectSoundBuffer> primary_;
};

}  // namespace orva
