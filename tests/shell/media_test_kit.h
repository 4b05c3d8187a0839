#pragma once
// Stand-ins for the media tests: a wave-output device that marks blocks done only when told,
// PCM bytes of a given format, and streams that misbehave.

#include <cstdint>
#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <memory>
#include <string>
#include <vector>

#include "core/stream.h"
#include "platform/wave_format.h"
#include "platform/wave_out.h"

namespace orva::testing {

class FakeWaveOutDevice : public TWaveOutDevice {
 public:
  struct State {
    bool openFails = false;
    bool prepareFails = false;
    bool open = false;
    uint32_t period = 0;
    int resets = 0;
    std::vector<TWaveHeader*> written;  // in order, done or not
  };
  explicit FakeWaveOutDevice(std::shared_ptr<State> state) : state_(std::move(state)) {}
  bool Open(uint32_t feedPeriodMs) override {
    if (state_->openFails) return false;
    state_->open = true;
    state_->period = feedPeriodMs;
    return true;
  }
  bool PrepareHeader(TWaveHeader& header) override {
    if (state_->prepareFails) return false;
    header.Flags |= WHDR_PREPARED;
    return true;
  }
  void UnprepareHeader(TWaveHeader& header) override { header.Flags &= ~WHDR_PREPARED; }
  bool Write(TWaveHeader& header) override {
    state_->written.push_back(&header);
    return true;
  }
  void Reset() override {
    ++state_->resets;
    for (TWaveHeader* h : state_->written) h->Flags |= WHDR_DONE;
  }
  void Close() override { state_->open = false; }
  // The feeder thread never runs a round: the tests feed by hand.
  bool WaitFeed() override {
    std::unique_lock lock(mutex_);
    woken_cv_.wait(lock, [&] { return woken_; });
    return false;
  }
  void Wake() override {
    std::lock_guard lock(mutex_);
    woken_ = true;
    woken_cv_.notify_all();
  }

 private:
  std::shared_ptr<State> state_;
  std::mutex mutex_;
  std::condition_variable woken_cv_;
  bool woken_ = false;
};

inline TWaveFormatEx PcmFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
  const auto align = static_cast<uint16_t>(channels * bits / 8);
  return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// Little-endian bytes of 16-bit samples, or the bytes themselves for 8-bit ones.
inline std::string Pcm16(const std::vector<int16_t>& samples) {
  std::string bytes(samples.size() * 2, '\0');
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}
inline std::string Pcm8(const std::vector<uint8_t>& samples) { return std::string(samples.begin(), samples.end()); }

// Reports a size larger than the bytes it gives.
class ShortStream : public TStream {
 public:
  ShortStream(std::string_view bytes, int64_t claimed) : bytes_(bytes), claimed_(claimed) {}
  int64_t Read(void* buffer, int64_t count) override {
    const int64_t n = std::max<int64_t>(0, std::min<int64_t>(count, static_cast<int64_t>(bytes_.size()) - position_));
    if (n > 0) std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    position_ = std::clamp<int64_t>(SeekTarget(offset, origin, position_, claimed_), 0, claimed_);
    return position_;
  }
  int64_t GetSize() override { return claimed_; }

 private:
  std::string bytes_;
  int64_t claimed_;
  int64_t position_ = 0;
};

}  // namespace orva::testing
