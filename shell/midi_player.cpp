#include "shell/midi_player.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "core/exceptions.h"
#include "core/frame_clock.h"

namespace orva {

namespace {
constexpr uint8_t kMasterVolume[] = {0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x7F, 0xF7};
}

// The player's main-thread operations run while no tick does.
struct TMidiPlayV::TLock {
  explicit TLock(TMMTimer& timer) : timer_(timer) { timer_.Lock(); }
  ~TLock() { timer_.Unlock(); }
  TMMTimer& timer_;
};

TMidiPlayV::TMidiPlayV(TMidiOutSystem& system, bool threadedTimer) : system_(system), timer_(threadedTimer) {
  timer_.Interval = 10;
  timer_.OnTimer = [this] { Tick(); };
  devices_ = system_.DeviceNames();
  for (auto& channel : percents_) channel.fill(100);
}

TMidiPlayV::~TMidiPlayV() {
  {
    // No tick runs or starts while the player goes.
    TLock lock(timer_);
    timer_.SetEnabled(false);
  }
  Close();
}

void TMidiPlayV::Load(TStream& stream) {
  Stop();
  TLock lock(timer_);
  LoadFromStream(stream);
  current_ = 0;
  position_ = 0;
  for (auto& channel : controllers_) channel[7] = 127;
  if (Events.Count() == 0) throw Exception("MIDI data without events");
}

bool TMidiPlayV::Open(int deviceId) {
  TLock lock(timer_);
  out_.reset();
  out_ = system_.Open(deviceId, [this](uint64_t tag) { LongDone(tag); });
  return out_ != nullptr;
}

void TMidiPlayV::Close() {
  if (!out_) return;
  TLock lock(timer_);
  timer_.SetEnabled(false);
  out_->Reset();
  {
    std::lock_guard pending(pendingMutex_);
    pendingLong_.clear();
  }
  out_.reset();
}

void TMidiPlayV::Seek(int32_t ms) {
  TLock lock(timer_);
  timer_.SetEnabled(false);
  const int count = Events.Count();
  int target = 0;
  for (int i = 0; i < count; ++i) {
    const int32_t time = Events.Items(i).Time;
    if (time == ms) {
      target = i;
      break;
    }
    if (time > ms) {
      target = std::max(i - 1, 0);
      break;
    }
  }
  if (target != current_) {
    AllNotesOff();
    if (target < current_) {
      current_ = 0;
      position_ = 0;
    }
    for (; current_ < target; ++current_) {
      const TMidiMsgEvent& event = Events.Items(current_);
      position_ = event.Time;
      if (event.MsgClass == mcNoteOn || event.MsgClass == mcNoteOff) continue;
      Send(event);
      // Devices need a moment to come back from a reset.
      if (event.MsgClass == mcGsReset) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  lastTick_ = timeGetTime();
  timer_.SetEnabled(true);
}

void TMidiPlayV::Stop() {
  if (!timer_.Enabled()) return;
  {
    TLock lock(timer_);
    timer_.SetEnabled(false);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  AllNotesOff();
}

bool TMidiPlayV::IsEnd() const { return !Repeat && current_ >= Events.Count() - 1; }

void TMidiPlayV::SetControllerPercentAll(int controller, int percent) {
  TLock lock(timer_);
  controller &= 127;
  for (int channel = 0; channel < 16; ++channel) {
    percents_[static_cast<size_t>(channel)][static_cast<size_t>(controller)] = percent;
    if (IsPlaying()) SendScaled(channel, controller);
  }
}

void TMidiPlayV::SendMasterVolume() { SendLong(kMasterVolume); }

void TMidiPlayV::Tick() {
  const int count = Events.Count();
  // A looping tune whose last event lies ahead goes on to it.
  if (count == 0 || (current_ >= count - 1 && !Repeat)) return;
  const uint32_t now = timeGetTime();
  // The tune's clock starts once the device can sound.
  if (out_ && !out_->Ready()) {
    lastTick_ = now;
    return;
  }
  position_ = static_cast<int32_t>(static_cast<uint32_t>(position_) + std::min<uint32_t>(1000, now - lastTick_));
  lastTick_ = now;
  while (Events.Items(current_).Time < position_) {
    if (current_ == count - 1) {
      if (!Repeat) break;
      AllNotesOff();
      current_ = 0;
      position_ = Events.Items(0).Time;
      continue;
    }
    Send(Events.Items(current_));
    ++current_;
  }
}

void TMidiPlayV::Send(const TMidiMsgEvent& event) {
  const std::span<const uint8_t> data = event.Data();
  if (event.Kind == mkChannel) {
    if (event.MsgClass == mcControlChange && data.size() >= 3) {
      const int channel = data[0] & 15;
      const int controller = data[1] & 127;
      controllers_[static_cast<size_t>(channel)][static_cast<size_t>(controller)] = data[2];
      SendScaled(channel, controller);
    } else if (out_) {
      out_->ShortMsg(event.ShortMessage());
    }
  } else if (event.Kind == mkSysEx) {
    SendLong(data);
  }
}

void TMidiPlayV::SendScaled(int channel, int controller) {
  if (!out_) return;
  const auto c = static_cast<size_t>(channel);
  const auto k = static_cast<size_t>(controller);
  // A value outside a data byte's range would become another message.
  const int64_t value = std::clamp<int64_t>(int64_t{controllers_[c][k]} * percents_[c][k] / 100, 0, 127);
  out_->ShortMsg(0xB0u + static_cast<uint32_t>(channel) + (static_cast<uint32_t>(controller) << 8) +
                 (static_cast<uint32_t>(value) << 16));
}

void TMidiPlayV::SendLong(std::span<const uint8_t> data) {
  if (!out_) return;
  uint64_t tag;
  std::span<const uint8_t> held;
  {
    // The device reads the player's copy until it reports it done.
    std::lock_guard pending(pendingMutex_);
    tag = nextTag_++;
    held = pendingLong_.emplace(tag, std::vector<uint8_t>(data.begin(), data.end())).first->second;
  }
  out_->LongMsg(held, tag);
}

void TMidiPlayV::LongDone(uint64_t tag) {
  std::lock_guard pending(pendingMutex_);
  pendingLong_.erase(tag);
}

int TMidiPlayV::PendingLongCount() {
  std::lock_guard pending(pendingMutex_);
  return static_cast<int>(pendingLong_.size());
}

void TMidiPlayV::AllNotesOff() {
  if (!out_) return;
  for (uint32_t channel = 0; channel < 16; ++channel) out_->ShortMsg(0xB0 + channel + (123u << 8));
}

}  // namespace orva
