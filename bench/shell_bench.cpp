// The screen manager's presentation beside a memcpy of the same bytes: a whole 800 × 600
// frame at 16 and 32 bits, and 50 small rectangles of it; and the periods of 600 paced
// frames on the real clock (median and 99th percentile) beside 600 plain 16 ms sleeps.
// Presenting goes into the streaming texture of the real SDL window on SDL's dummy driver
// (software renderer): the window hidden, as far as the texture; shown, with SDL's own
// drawing of the texture on the window as well; and into the headless window, whose
// 0x00RRGGBB picture captured frames are read from.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "core/frame_clock.h"
#include "graphics/custom_dibx.h"
#include "platform/headless_window_system.h"
#include "platform/sdl_window_system.h"
#include "scene/base_list.h"
#include "scene/scene_services.h"
#include "shell/frame_loop.h"
#include "shell/screen_manager.h"
#include "shell/window_panel.h"

namespace {

using namespace orva;

constexpr int kW = 800, kH = 600;

// The scene's depth, as the back buffer gives it.
class TDepth : public TSceneScreen {
 public:
  explicit TDepth(int bits) : bits_(bits) {}
  int BitCount() override { return bits_; }
  TCustomDIBX* BackBuffer() override { return nullptr; }
  TPoint CursorPos() override { return {}; }

 private:
  int bits_;
};

// 50 rectangles of 40 × 30 spread over the frame.
std::vector<TRect> SmallRects() {
  std::vector<TRect> rects;
  for (int i = 0; i < 50; ++i) {
    const int x = (i % 10) * 80, y = (i / 10) * 120;
    rects.push_back({x, y, x + 40, y + 30});
  }
  return rects;
}

enum class TWindowKind { Hidden, Shown, Headless };

std::unique_ptr<TWindowSystem> MakeWindow(TWindowKind kind) {
  if (kind == TWindowKind::Headless) return std::make_unique<THeadlessWindowSystem>(std::vector<TScriptedInput>{}, std::deque<TMsgResult>{});
  setenv("SDL_VIDEODRIVER", "dummy", 0);  // a 16-bit X server shows the 16-bit texture path
  std::string error;
  return CreateSdlWindowSystem(error);
}

struct Presenter {
  Presenter(int bits, TWindowKind kind) : depth(bits), window(MakeWindow(kind)) {
    saved = SetSceneServices({&depth, nullptr, nullptr, nullptr});
    if (!window) return;
    window->CreateWindow("bench", kW, kH + 22);
    if (kind == TWindowKind::Shown) window->ShowWindow();
    panel = std::make_unique<TWindowPanel>(*window);
    display.Desktop.BitCount = static_cast<uint32_t>(bits);  // the back buffer takes the scene's depth
    panel->SetBounds({0, 22, kW, kH + 22});
    manager = std::make_unique<TScreenManager>(display, *panel, kW, kH, kW, kH);
    scene.SetWidth(kW);
    scene.SetHeight(kH);
    TCustomDIBX& picture = *scene.GetImage();
    std::mt19937 random(1);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; x += 8) picture.SetPixel(x, y, random());
  }
  ~Presenter() {
    manager.reset();
    panel.reset();
    window.reset();
    SetSceneServices(saved);
  }
  void Present(const std::vector<TRect>& rects) {
    for (const TRect& r : rects) scene.ActiveLayer()->AddDirtyRect(r);
    manager->Present(scene);
  }
  TDepth depth;
  TSceneServices saved;
  TFakeDisplay display;
  std::unique_ptr<TWindowSystem> window;
  std::unique_ptr<TWindowPanel> panel;
  std::unique_ptr<TScreenManager> manager;
  TOrvaBaseList scene;
};

void PresentWhole(benchmark::State& state, TWindowKind kind) {
  Presenter p(static_cast<int>(state.range(0)), kind);
  if (!p.window) return state.SkipWithError("no SDL video");
  const std::vector<TRect> all{{0, 0, kW, kH}};
  for (auto _ : state) p.Present(all);
  state.SetBytesProcessed(state.iterations() * int64_t{kW} * kH * p.scene.GetImage()->BytesPerPixel());
}

void BM_PresentWhole(benchmark::State& state) { PresentWhole(state, TWindowKind::Hidden); }
BENCHMARK(BM_PresentWhole)->Arg(16)->Arg(32);

void BM_PresentWholeShown(benchmark::State& state) { PresentWhole(state, TWindowKind::Shown); }
BENCHMARK(BM_PresentWholeShown)->Arg(16)->Arg(32);

void BM_PresentWholeHeadless(benchmark::State& state) { PresentWhole(state, TWindowKind::Headless); }
BENCHMARK(BM_PresentWholeHeadless)->Arg(16)->Arg(32);

void BM_MemcpyWhole(benchmark::State& state) {
  const size_t bytes = size_t{kW} * kH * static_cast<size_t>(state.range(0)) / 8;
  std::vector<uint8_t> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_MemcpyWhole)->Arg(16)->Arg(32);

void BM_PresentSmallRects(benchmark::State& state) {
  Presenter p(static_cast<int>(state.range(0)), TWindowKind::Hidden);
  if (!p.window) return state.SkipWithError("no SDL video");
  const std::vector<TRect> rects = SmallRects();
  for (auto _ : state) p.Present(rects);
}
BENCHMARK(BM_PresentSmallRects)->Arg(16)->Arg(32);

void BM_MemcpySmallRects(benchmark::State& state) {
  const int bytesPerPixel = static_cast<int>(state.range(0)) / 8;
  std::vector<uint8_t> from(size_t{kW} * kH * 4, 1), to(size_t{kW} * kH * 4);
  const std::vector<TRect> rects = SmallRects();
  for (auto _ : state) {
    for (const TRect& r : rects)
      for (int y = r.Top; y < r.Bottom; ++y)
        std::memcpy(to.data() + (size_t(y) * kW + r.Left) * bytesPerPixel,
                    from.data() + (size_t(y) * kW + r.Left) * bytesPerPixel, size_t(r.Width()) * bytesPerPixel);
    benchmark::DoNotOptimize(to.data());
  }
}
BENCHMARK(BM_MemcpySmallRects)->Arg(16)->Arg(32);

// ---- Pacing on the real clock ----

class TPacedHost : public TFrameLoop::THost {
 public:
  bool CanStep() override { return true; }
  void StepFrame() override {}
  bool Paced() override { return true; }
  void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

void ReportPeriods(benchmark::State& state, std::vector<double>& periods) {
  std::sort(periods.begin(), periods.end());
  state.counters["median_ms"] = periods[periods.size() / 2];
  state.counters["p99_ms"] = periods[periods.size() * 99 / 100];
}

void BM_PacedFramePeriods(benchmark::State& state) {
  for (auto _ : state) {
    TPacedHost host;
    TFrameLoop loop(host);
    loop.Restart();
    std::vector<double> periods;
    auto last = std::chrono::steady_clock::now();
    for (int i = 0; i < 600; ++i) {
      loop.Idle();
      const auto now = std::chrono::steady_clock::now();
      periods.push_back(std::chrono::duration<double, std::milli>(now - last).count());
      last = now;
    }
    ReportPeriods(state, periods);
  }
}
BENCHMARK(BM_PacedFramePeriods)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_PlainSleepPeriods(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<double> periods;
    auto last = std::chrono::steady_clock::now();
    for (int i = 0; i < 600; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(16));
      const auto now = std::chrono::steady_clock::now();
      periods.push_back(std::chrono::duration<double, std::milli>(now - last).count());
      last = now;
    }
    ReportPeriods(state, periods);
  }
}
BENCHMARK(BM_PlainSleepPeriods)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
