// The close signals: while they are taken, each one becomes one Close of the window, ahead of
// what waits, and ends a wait for events; a signal ignored before stays ignored, and the
// handling from before comes back.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "platform/close_signals.h"
#include "platform/headless_window_system.h"
#include "platform/sdl_window_system.h"

namespace orva {
namespace {

using TKind = TWindowEvent::TKind;

// The close signals' default handling, whatever the test program was started with, for the
// scope's life.
class TDefaultHandling {
 public:
  TDefaultHandling() {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &fallback, &saved_[i]);
  }
  ~TDefaultHandling() {
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &saved_[i], nullptr);
  }

 private:
  static constexpr int kSignals[3] = {SIGHUP, SIGTERM, SIGINT};
  struct sigaction saved_[3] {};
};

TEST(CloseSignals, EachSignalIsOneCloseOfTheHeadlessWindowAheadOfWhatWaits) {
  TDefaultHandling fallback;
  for (int signal : {SIGHUP, SIGTERM, SIGINT}) {
    TCloseSignals signals;
    THeadlessWindowSystem window(ParseInputScript("0 activate; 5000 key A"), {});
    ASSERT_EQ(::raise(signal), 0);
    TWindowEvent e;
    ASSERT_TRUE(window.PollEvent(e));
    EXPECT_EQ(e.Kind, TKind::Close) << signal;
    ASSERT_TRUE(window.PollEvent(e));
    EXPECT_EQ(e.Kind, TKind::Activate) << signal;
    EXPECT_FALSE(window.PollEvent(e)) << signal << ": one close for one signal";
    // With nothing else waiting, the close is there now: the wait does not move the clock on
    // to the scripted key.
    ASSERT_EQ(::raise(signal), 0);
    window.WaitEvent();
    EXPECT_EQ(window.Milliseconds(), 0u) << signal;
    ASSERT_TRUE(window.PollEvent(e));
    EXPECT_EQ(e.Kind, TKind::Close) << signal;
  }
}

TEST(CloseSignals, AnIgnoredSignalStaysIgnoredAndTheHandlingBeforeComesBack) {
  TDefaultHandling fallback;
  struct sigaction ignore {}, now {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGHUP, &ignore, nullptr), 0);
  {
    TCloseSignals signals;
    ASSERT_EQ(::raise(SIGHUP), 0);
    EXPECT_FALSE(TakeCloseSignal()) << "started with nohup";
    ASSERT_EQ(::raise(SIGTERM), 0);
    EXPECT_TRUE(TakeCloseSignal());
    EXPECT_FALSE(TakeCloseSignal());
  }
  sigaction(SIGHUP, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN);
  sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}

// The real window's wait for events, which a signal does not wake by itself.
TEST(CloseSignals, ASignalEndsTheWaitOfTheSdlWindow) {
#if defined(__SANITIZE_ADDRESS__)
  __lsan::ScopedDisabler keep;  // SDL keeps some of its allocations for the process's life
#endif
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  std::string error;
  std::unique_ptr<TWindowSystem> window = CreateSdlWindowSystem(error);
  if (!window) GTEST_SKIP() << error;
  TDefaultHandling fallback;
  TCloseSignals signals;
  window->CreateWindow("wait", 64, 48);
  window->ShowWindow();
  TWindowEvent e;
  while (window->PollEvent(e)) ASSERT_NE(e.Kind, TKind::Close);
  const auto start = std::chrono::steady_clock::now();
  std::atomic<bool> woken{false};
  std::thread signaller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::kill(::getpid(), SIGTERM);
    // A wait that the signal did not end is ended by a posted close, too late.
    for (int i = 0; i < 300 && !woken; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!woken) window->PostClose();
  });
  bool closed = false;
  while (!closed) {
    window->WaitEvent();
    while (!closed && window->PollEvent(e)) closed = e.Kind == TKind::Close;
  }
  woken = true;
  signaller.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
}  // namespace orva
