#pragma once
// The MIDI file player: walks the events of a Standard MIDI File (shell/midi_file.h) against
// a millisecond clock advanced by its timer thread every 10 ms and sends what is due to a
// MIDI output (platform/midi_out.h); the clock stands while the output is not yet ready, and
// runs on as without an output once the output has failed. Seeking replays everything but the
// notes up to the target, so that programs, controllers and pitch bends are right there.
// Controller values are scaled by a percentage per channel and controller: the item's volume.

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/midi_out.h"
#include "shell/midi_file.h"
#include "shell/mm_timer.h"

namespace orva {

class TMidiPlayV : public TMidiV {
 public:
  // `threadedTimer` false: no timer thread; Tick is called by hand (tests).
  explicit TMidiPlayV(TMidiOutSystem& system = MidiOutSystem(), bool threadedTimer = true);
  ~TMidiPlayV() override;

  // Stops, reads the file and starts it from its first event; every channel's volume
  // controller is 127 again. Raises an exception when the data holds no events.
  void Load(TStream& stream);
  // -1: the mapper. False when the device cannot be opened; ticks and seeks still move on.
  bool Open(int deviceId);
  // Resets the device and frees every long message it still held.
  void Close();
  // Replays up to the target and plays from there.
  void Seek(int32_t ms);
  // Keeps the position; every note off.
  void Stop();
  bool IsPlaying() const { return timer_.Enabled(); }
  // The last event is never sent; without Repeat that is the end.
  bool IsEnd() const;
  // `percent` of the file's value for the controller on every channel, sent at once while
  // playing.
  void SetControllerPercentAll(int controller, int percent);
  // The universal master volume at its maximum.
  void SendMasterVolume();

  // The timer's call: advances the clock and sends what is due.
  void Tick();

  int32_t Position() const { return position_; }
  int Current() const { return current_; }
  // False also once the device has failed, so that the next play opens it again.
  bool IsOpen() const { return out_ && !out_->Failed(); }
  // Long messages the device has not yet reported done.
  int PendingLongCount();
  const std::vector<std::string>& Devices() const { return devices_; }
  std::atomic<bool> Repeat{false};

 private:
  struct TLock;
  void Send(const TMidiMsgEvent& event);
  void SendScaled(int channel, int controller);
  void SendLong(std::span<const uint8_t> data);
  void AllNotesOff();
  void LongDone(uint64_t tag);

  TMidiOutSystem& system_;
  TMMTimer timer_;
  std::atomic<int> current_{0};
  std::atomic<int32_t> position_{0};
  uint32_t lastTick_ = 0;
  std::vector<std::string> devices_;
  std::array<std::array<int32_t, 128>, 16> controllers_{};
  std::array<std::array<int32_t, 128>, 16> percents_{};
  std::unique_ptr<TMidiOut> out_;
  std::mutex pendingMutex_;
  std::map<uint64_t, std::vector<uint8_t>> pendingLong_;
  uint64_t nextTag_ = 1;
};

}  // namespace orva
