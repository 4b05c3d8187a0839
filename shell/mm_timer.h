#pragma once
// A timer thread that calls its handler every Interval ms while enabled. Disabling it holds
// the thread at a gate; the owner's main-thread operations take Lock, which waits until no
// call runs and keeps new ones from starting.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/audio_output.h"

namespace orva {

// Under the headless audio backend there is no thread either: the calls are paced by the
// headless clock, so that a run hears the same notes at the same times every time.
class TMMTimer : private THeadlessPaced {
 public:
  // `threaded` false: no thread at all, the owner calls the handler itself (tests).
  explicit TMMTimer(bool threaded = true);
  ~TMMTimer();
  TMMTimer(const TMMTimer&) = delete;
  TMMTimer& operator=(const TMMTimer&) = delete;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);

  // Waits for a running call to end; none starts until Unlock.
  void Lock();
  void Unlock();

  std::atomic<uint32_t> Interval{100};
  // Set before the timer is first enabled.
  std::function<void()> OnTimer;

 private:
  void Run();
  uint64_t DueAt() override;
  void RunRound() override;

  std::atomic<bool> enabled_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  bool terminated_ = false;
  bool lockRequest_ = false;
  bool idle_ = true;
  std::thread thread_;
  bool paced_ = false;
  uint64_t due_ = 0;  // headless time of the next call
};

}  // namespace orva
