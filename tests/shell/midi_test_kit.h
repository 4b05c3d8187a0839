#pragma once
// Stand-ins for the MIDI tests: output devices that record what they are sent and hold long
// messages until told, and a clock the test moves.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/frame_clock.h"
#include "platform/midi_out.h"

namespace orva::testing {

class ManualClock : public TPlatformClock {
 public:
  ManualClock() { SetPlatformClock(this); }
  ~ManualClock() override { SetPlatformClock(nullptr); }
  uint32_t Milliseconds() override { return ms; }
  double LocalNow() override { return 0; }
  uint32_t ms = 1000;
};

// Per channel: the program, the controllers and the pitch bend last received (-1 none).
struct ChannelState {
  int program = -1;
  std::array<int, 120> controllers;
  int bend = -1;
  ChannelState() { controllers.fill(-1); }
  bool operator==(const ChannelState&) const = default;
};

class RecordingMidi : public TMidiOutSystem {
 public:
  struct Message {
    int device;
    uint32_t shortMsg;  // 0 for a long message
    std::vector<uint8_t> longMsg;
  };

  std::vector<std::string> names = {"Synth A", "Synth B"};
  bool openFails = false;
  // What the opened devices answer to Ready and Failed.
  bool ready = true;
  bool failed = false;
  std::vector<Message> sent;
  std::vector<int> opened;  // device ids in the order opened
  int resets = 0;
  int closes = 0;
  std::map<uint64_t, std::function<void(uint64_t)>> held;  // long messages not yet done
  std::array<ChannelState, 16> state;

  std::vector<std::string> DeviceNames() override { return names; }
  std::unique_ptr<TMidiOut> Open(int id, std::function<void(uint64_t)> longDone) override {
    if (openFails) return nullptr;
    opened.push_back(id);
    return std::make_unique<Out>(*this, id, std::move(longDone));
  }
  // The device reports every held long message done.
  void CompleteAll() {
    auto copy = std::move(held);
    held.clear();
    for (auto& [tag, done] : copy) done(tag);
  }
  std::vector<uint32_t> Shorts() const {
    std::vector<uint32_t> out;
    for (const Message& m : sent)
      if (m.shortMsg) out.push_back(m.shortMsg);
    return out;
  }

 private:
  class Out : public TMidiOut {
   public:
    Out(RecordingMidi& owner, int id, std::function<void(uint64_t)> done) : owner_(owner), id_(id), done_(std::move(done)) {}
    ~Out() override { ++owner_.closes; }
    void ShortMsg(uint32_t packed) override {
      owner_.sent.push_back({id_, packed, {}});
      ChannelState& c = owner_.state[packed & 15];
      const int d1 = static_cast<int>((packed >> 8) & 0xFF), d2 = static_cast<int>((packed >> 16) & 0xFF);
      switch (packed & 0xF0) {
        case 0xB0:
          if (d1 < 120) c.controllers[static_cast<size_t>(d1)] = d2;
          break;
        case 0xC0: c.program = d1; break;
        case 0xE0: c.bend = d1 | (d2 << 7); break;
        default: break;
      }
    }
    void LongMsg(std::span<const uint8_t> data, uint64_t tag) override {
      owner_.sent.push_back({id_, 0, {data.begin(), data.end()}});
      owner_.held[tag] = done_;
    }
    void Reset() override { ++owner_.resets; }
    bool Ready() override { return owner_.ready; }
    bool Failed() override { return owner_.failed; }

   private:
    RecordingMidi& owner_;
    int id_;
    std::function<void(uint64_t)> done_;
  };
};

}  // namespace orva::testing
