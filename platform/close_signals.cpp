#include "platform/close_signals.h"

#include <signal.h>

#include <atomic>

namespace orva {

namespace {

constexpr int kSignals[] = {SIGHUP, SIGTERM, SIGINT};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

// Set from the handler, which may run on any thread.
std::atomic<bool> closeAsked{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the handler may only touch a lock-free flag");

void MarkClose(int) { closeAsked.store(true, std::memory_order_relaxed); }

}  // namespace

struct TCloseSignals::TSaved {
  struct sigaction before[kSignalCount];
  bool replaced[kSignalCount];
};

TCloseSignals::TCloseSignals() : saved_(std::make_unique<TSaved>()) {
  struct sigaction mark {};
  mark.sa_handler = MarkClose;
  sigemptyset(&mark.sa_mask);
  // Interrupted system calls go on: the mark is looked at between events.
  mark.sa_flags = SA_RESTART;
  for (int i = 0; i < kSignalCount; ++i) {
    if (sigaction(kSignals[i], nullptr, &saved_->before[i]) != 0 || saved_->before[i].sa_handler == SIG_IGN) continue;
    saved_->replaced[i] = sigaction(kSignals[i], &mark, nullptr) == 0;
  }
}

TCloseSignals::~TCloseSignals() {
  for (int i = 0; i < kSignalCount; ++i)
    if (saved_->replaced[i]) sigaction(kSignals[i], &saved_->before[i], nullptr);
}

bool TakeCloseSignal() { return closeAsked.exchange(false, std::memory_order_relaxed); }

bool CloseSignalPending() { return closeAsked.load(std::memory_order_relaxed); }

}  // namespace orva
