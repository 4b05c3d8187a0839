#pragma once
// The wave-output device of the program's own mixer: blocks of 44100 Hz 16-bit stereo
// samples played in the order written, each marked done once the output has consumed it.
// It also paces the mixer's feeder thread: WaitFeed returns once per feed period, on the
// system clock, or on the headless clock when the output is headless.

#include <atomic>
#include <cstdint>
#include <memory>

namespace orva {

constexpr uint32_t WHDR_DONE = 1;
constexpr uint32_t WHDR_PREPARED = 2;

struct TWaveHeader {
  uint8_t* Data = nullptr;
  uint32_t BufferLength = 0;  // bytes
  std::atomic<uint32_t> Flags{0};
  uint32_t Loops = 0;
  uint32_t Played = 0;  // bytes the device has consumed
};

class TWaveOutDevice {
 public:
  virtual ~TWaveOutDevice() = default;
  // Opens in the output format; WaitFeed then returns every `feedPeriodMs`.
  virtual bool Open(uint32_t feedPeriodMs) = 0;
  virtual bool PrepareHeader(TWaveHeader& header) = 0;  // sets WHDR_PREPARED
  virtual void UnprepareHeader(TWaveHeader& header) = 0;
  // Queues a prepared block; false for one that is not prepared or a closed device.
  virtual bool Write(TWaveHeader& header) = 0;
  // Stops playing: every queued block is marked done.
  virtual void Reset() = 0;
  virtual void Close() = 0;
  // The feeder thread's wait: true when a period has passed, false once Wake was called.
  virtual bool WaitFeed() = 0;
  virtual void Wake() = 0;
};

// The platform's device, an input of the sound output (platform/audio_output.h).
std::unique_ptr<TWaveOutDevice> CreateWaveOutDevice();

}  // namespace orva
