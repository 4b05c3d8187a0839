#pragma once
// The one sound output of the player: 44100 Hz, 16-bit stereo, the sum of its inputs with
// saturation, as the system's mixer sums what every program plays. Its inputs are the
// companion module's mix (platform/sound_device.h) and the wave-output block queue
// (platform/wave_out.h).
//
// Backends: the system's audio device (SDL, audio subsystem only; when no device can be
// opened, a silent one that consumes the sound in real time so that every sound still ends
// on time), or the headless one (chosen by ORVA_HEADLESS=1 or by tests): no device and no
// thread; the headless frame loop calls HeadlessAudioPull once per frame with the virtual
// milliseconds that passed, which mixes exactly that much sound and optionally captures it.

#include <cstdint>
#include <functional>
#include <vector>

namespace orva {

constexpr int kAudioRate = 44100;
constexpr int kAudioChannels = 2;

// One producer of sound.
class TAudioInput {
 public:
  virtual ~TAudioInput() = default;
  // Adds `frames` stereo frames into `mix` (left and right alternating, 32-bit sums).
  // `pulled`: a headless pull on the caller's thread; the input may then wait for its
  // producer thread until it has the data. The real-time device never waits.
  virtual void MixInto(int32_t* mix, int frames, bool pulled) = 0;
};

enum class TAudioBackend { System, Headless };

// The backend used from the next open on; the default is Headless when the environment
// variable ORVA_HEADLESS is "1", else System.
void SetAudioBackend(TAudioBackend backend);
TAudioBackend AudioBackend();

// Opens the output for one more user (the first opens the backend); false when it cannot
// be opened. Each successful acquire is paired with one release; the last closes it.
bool AcquireAudioOutput();
void ReleaseAudioOutput();
bool AudioOutputOpen();

// Inputs mix from the next period on; once DetachAudioInput returns, the input is no
// longer used. Inputs stay attached while the device is reopened.
void AttachAudioInput(TAudioInput* input);
void DetachAudioInput(TAudioInput* input);

// Called after the device was lost and opened again (main thread). Returns an id for
// RemoveAudioRestoreHandler.
int AddAudioRestoreHandler(std::function<void()> handler);
void RemoveAudioRestoreHandler(int id);

// The device's id as the window's event loop sees it (SDL's audio device id).
uint32_t AudioDeviceId();
// The window's event loop reports a removed output device (SDL_AUDIODEVICEREMOVED, not a
// capture device): when it is ours, the output is opened again and the restore handlers run.
void HandleAudioDeviceRemoved(uint32_t deviceId);

// ---- Headless backend ----

// Mixes `milliseconds` of sound (the fractions of a frame carried to the next call),
// letting paced wave-output feeders run at their due times in between. Nothing while the
// output is closed or not headless.
void HeadlessAudioPull(uint32_t milliseconds);
// While on, pulled samples are kept (left, right alternating).
void SetHeadlessAudioCapture(bool on);
// The samples kept so far; the capture is emptied.
std::vector<int16_t> TakeHeadlessAudio();
// Tests: while set, opening the headless backend fails.
void SetHeadlessAudioOpenFails(bool fails);

// A wave-output feeder paced by the headless clock (platform/wave_out.h).
class THeadlessPaced {
 public:
  virtual ~THeadlessPaced() = default;
  // The headless time (ms since the output opened) at which the feeder is due next.
  virtual uint64_t DueAt() = 0;
  // Lets the feeder run one round and waits until it is done.
  virtual void RunRound() = 0;
};
void AddHeadlessPaced(THeadlessPaced* paced);
void RemoveHeadlessPaced(THeadlessPaced* paced);
// Headless milliseconds since the output opened.
uint64_t HeadlessAudioTime();

}  // namespace orva
