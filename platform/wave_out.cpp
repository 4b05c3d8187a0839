#include "platform/wave_out.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/audio_output.h"

namespace orva {

namespace {

class TOutputWaveDevice final : public TWaveOutDevice, public TAudioInput, public THeadlessPaced {
 public:
  ~TOutputWaveDevice() override { Close(); }

  bool Open(uint32_t feedPeriodMs) override {
    if (open_ || !AcquireAudioOutput()) return false;
    open_ = true;
    period_ = std::max<uint32_t>(feedPeriodMs, 1);
    woken_ = false;
    headless_ = AudioBackend() == TAudioBackend::Headless;
    AttachAudioInput(this);
    if (headless_) {
      due_ = HeadlessAudioTime() + period_;
      AddHeadlessPaced(this);
    }
    return true;
  }

  bool PrepareHeader(TWaveHeader& header) override {
    header.Flags |= WHDR_PREPARED;
    return true;
  }
  void UnprepareHeader(TWaveHeader& header) override { header.Flags &= ~WHDR_PREPARED; }

  bool Write(TWaveHeader& header) override {
    std::lock_guard lock(queueMutex_);
    if (!open_ || !(header.Flags & WHDR_PREPARED)) return false;
    header.Flags &= ~WHDR_DONE;
    header.Played = 0;
    queue_.push_back(&header);
    return true;
  }

  void Reset() override {
    std::lock_guard lock(queueMutex_);
    for (TWaveHeader* header : queue_) header->Flags |= WHDR_DONE;
    queue_.clear();
  }

  void Close() override {
    if (!open_) return;
    Reset();
    DetachAudioInput(this);
    if (headless_) RemoveHeadlessPaced(this);
    ReleaseAudioOutput();
    open_ = false;
  }

  bool WaitFeed() override {
    std::unique_lock lock(paceMutex_);
    if (!headless_) return !paceChanged_.wait_for(lock, std::chrono::milliseconds(period_), [&] { return woken_; });
    done_ = taken_;
    paceChanged_.notify_all();
    paceChanged_.wait(lock, [&] { return woken_ || released_ > taken_; });
    if (woken_) return false;
    ++taken_;
    return true;
  }

  void Wake() override {
    std::lock_guard lock(paceMutex_);
    woken_ = true;
    paceChanged_.notify_all();
  }

  uint64_t DueAt() override {
    std::lock_guard lock(paceMutex_);
    return due_;
  }

  void RunRound() override {
    std::unique_lock lock(paceMutex_);
    ++released_;
    due_ += period_;
    paceChanged_.notify_all();
    paceChanged_.wait(lock, [&] { return woken_ || done_ == released_; });
  }

  void MixInto(int32_t* mix, int frames, bool) override {
    std::lock_guard lock(queueMutex_);
    size_t values = static_cast<size_t>(frames) * kAudioChannels;
    while (values > 0 && !queue_.empty()) {
      TWaveHeader& header = *queue_.front();
      const size_t left = (header.BufferLength - header.Played) / 2;
      const size_t take = std::min(values, left);
      const uint8_t* bytes = header.Data + header.Played;
      for (size_t i = 0; i < take; ++i) {
        int16_t sample;
        std::memcpy(&sample, bytes + i * 2, 2);
        mix[i] += sample;
      }
      mix += take;
      values -= take;
      header.Played += static_cast<uint32_t>(take * 2);
      if (header.BufferLength - header.Played < 2) {
        header.Flags |= WHDR_DONE;
        queue_.pop_front();
      }
    }
  }

 private:
  bool open_ = false;
  bool headless_ = false;
  uint32_t period_ = 1;

  std::mutex queueMutex_;
  std::deque<TWaveHeader*> queue_;

  std::mutex paceMutex_;
  std::condition_variable paceChanged_;
  bool woken_ = false;
  uint64_t due_ = 0;
  uint64_t released_ = 0;  // headless rounds let run
  uint64_t taken_ = 0;     // rounds the feeder has started
  uint64_t done_ = 0;      // rounds the feeder has finished
};

}  // namespace

std::unique_ptr<TWaveOutDevice> CreateWaveOutDevice() { return std::make_unique<TOutputWaveDevice>(); }

}  // namespace orva
