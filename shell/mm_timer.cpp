#include "shell/mm_timer.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace orva {

TMMTimer::TMMTimer(bool threaded) {
  if (threaded && AudioBackend() == TAudioBackend::Headless) {
    paced_ = true;
    AddHeadlessPaced(this);
  } else if (threaded) {
    thread_ = std::thread([this] { Run(); });
  }
}

TMMTimer::~TMMTimer() {
  if (paced_) RemoveHeadlessPaced(this);
  {
    std::lock_guard lock(mutex_);
    terminated_ = true;
    changed_.notify_all();
  }
  if (thread_.joinable()) thread_.join();
}

void TMMTimer::SetEnabled(bool value) {
  std::lock_guard lock(mutex_);
  if (paced_ && value && !enabled_) due_ = HeadlessAudioTime() + Interval.load();
  enabled_ = value;
  changed_.notify_all();
}

void TMMTimer::Lock() {
  std::unique_lock lock(mutex_);
  lockRequest_ = true;
  changed_.wait(lock, [&] { return idle_; });
}

void TMMTimer::Unlock() {
  std::lock_guard lock(mutex_);
  lockRequest_ = false;
}

void TMMTimer::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    // Held here while disabled.
    changed_.wait(lock, [&] { return enabled_ || terminated_; });
    if (terminated_) return;
    // Only the end of the timer wakes it early.
    if (changed_.wait_for(lock, std::chrono::milliseconds(Interval.load()), [&] { return terminated_; })) return;
    if (!enabled_ || lockRequest_ || !OnTimer) continue;
    idle_ = false;
    lock.unlock();
    OnTimer();
    lock.lock();
    idle_ = true;
    changed_.notify_all();
  }
}

uint64_t TMMTimer::DueAt() {
  std::lock_guard lock(mutex_);
  // The headless clock starts again at 0 when the output is opened again.
  return enabled_ ? std::min(due_, HeadlessAudioTime() + Interval.load()) : std::numeric_limits<uint64_t>::max();
}

void TMMTimer::RunRound() {
  {
    std::lock_guard lock(mutex_);
    due_ = std::min(due_, HeadlessAudioTime()) + std::max<uint32_t>(Interval.load(), 1);
    if (!enabled_ || lockRequest_ || !OnTimer) return;
  }
  OnTimer();
}

}  // namespace orva
