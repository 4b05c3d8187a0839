#pragma once
// MIDI output: named devices opened by number (or -1, the mapper), short messages, long
// messages whose end the device reports, reset and close. The system's devices are one
// General MIDI synthesizer (FluidSynth with a SoundFont) rendered into the sound output
// (platform/audio_output.h); tests install devices of their own. The SoundFont loads on a
// thread of its own; a device opened before it is loaded is not Ready until then, and under
// the headless backend the first sound mixed after the open waits for the load, so that every
// run hears the same. A SoundFont that cannot be loaded gives no device: the open fails when
// that is known by then, else the device is Failed once it is.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace orva {

class TMidiOut {
 public:
  virtual ~TMidiOut() = default;
  // Status in the low byte, then the two data bytes.
  virtual void ShortMsg(uint32_t packed) = 0;
  // Sent whole; the device reports `tag` done once it no longer needs the bytes.
  virtual void LongMsg(std::span<const uint8_t> data, uint64_t tag) = 0;
  // Every note off, controllers to their defaults.
  virtual void Reset() = 0;
  // False while the device is still being made ready: what it is sent meanwhile is played
  // once it is.
  virtual bool Ready() { return true; }
  // True once the device has turned out unable to ever sound: it holds no sound output and is
  // as good as closed; what it is sent is dropped.
  virtual bool Failed() { return false; }
};

class TMidiOutSystem {
 public:
  virtual ~TMidiOutSystem() = default;
  // In device order.
  virtual std::vector<std::string> DeviceNames() = 0;
  // `id` -1 is the mapper. None when the device cannot be opened. `longDone` may run on any
  // thread, also inside LongMsg.
  virtual std::unique_ptr<TMidiOut> Open(int id, std::function<void(uint64_t tag)> longDone) = 0;
  // Starts making the devices ready in the background, so that a later Open need not wait.
  virtual void Prepare() {}
};

// The installed devices: the synthesizer unless a test installed others.
TMidiOutSystem& MidiOutSystem();
// Not owned; nullptr restores the synthesizer.
void SetMidiOutSystem(TMidiOutSystem* system);

// The synthesizer's SoundFont: the given file, or (empty) the first General MIDI SoundFont
// installed. Takes effect at the next open.
void SetMidiSoundFont(std::string path);
// The file the synthesizer would load; empty when there is none.
std::string MidiSoundFontPath();

}  // namespace orva
