// The scene's frame work at 800 × 600 × 32: painting 500 controls three levels deep through
// 1, 20 or 200 dirty rectangles beside the same fills issued directly; one update pass with
// 1,000 idle handlers beside a plain loop that collects the same handlers; and making 2,000
// auto-named objects beside the same names found by scanning the list.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "graphics/dibx.h"
#include "kit/scene_doubles.h"
#include "scene/base_list.h"
#include "scene/scene_services.h"
#include "scene_setup.h"

namespace {

using namespace orva;
using bench::SceneSetup;

using TBenchBox = kit::FillBox;

class TBenchIdler : public TOrvaComponent {
 public:
  using TOrvaComponent::TOrvaComponent;
  std::string GetOnIdle() override { return handler_; }
  void SetOnIdle(std::string_view v) override { handler_ = v; }

 private:
  std::string handler_;
};

// 10 panels of 7 children of 6 grandchildren: 500 controls.
std::vector<TBenchBox*> BuildTree(TOrvaBaseList& scene) {
  std::vector<TBenchBox*> all;
  auto make = [&](TOrvaControl* parent, int32_t l, int32_t t, int32_t w, int32_t h, int32_t color) {
    TBenchBox* box = CreateSceneObject<TBenchBox>(scene);
    box->SetParent(parent);
    box->SetBounds(l, t, w, h);
    box->SetColor(color);
    all.push_back(box);
    return box;
  };
  for (int p = 0; p < 10; ++p) {
    TBenchBox* panel = make(scene.ActiveLayer(), (p % 5) * 160, (p / 5) * 300, 150, 290, 0x202020 * (p + 1));
    for (int c = 0; c < 7; ++c) {
      TBenchBox* child = make(panel, 5, 5 + c * 40, 140, 38, 0x003300 + c * 0x10);
      for (int g = 0; g < 6; ++g) make(child, 2 + g * 23, 2, 20, 34, 0x550000 + g * 0x100);
    }
  }
  return all;
}

std::vector<TRect> DirtyRects(int count) {
  std::vector<TRect> rects;
  if (count == 1) return {{0, 0, 800, 600}};
  // Spaced more than the merge margin apart so that they stay separate.
  const int cols = count == 20 ? 5 : 20, rows = count / cols;
  const int cw = 800 / cols, ch = 600 / rows;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) rects.push_back(Bounds(c * cw, r * ch, cw - 30, ch - 30));
  return rects;
}

void BM_ScenePaint(benchmark::State& state) {
  SceneSetup setup;
  TOrvaBaseList& scene = *GetMainScene();
  BuildTree(scene);
  const std::vector<TRect> rects = DirtyRects(int(state.range(0)));
  for (auto _ : state) {
    for (const TRect& r : rects) scene.ActiveLayer()->AddDirtyRect(r);
    scene.Paint();
    scene.ActiveLayer()->DirtyRects().Clear();
    benchmark::DoNotOptimize(setup.screen.Back.GetPixel(1, 1));
  }
}
BENCHMARK(BM_ScenePaint)->Arg(1)->Arg(20)->Arg(200);

// The reference: the layer fill and the same 500 fills, clipped to each rectangle, without the
// tree walk.
void BM_DirectFills(benchmark::State& state) {
  SceneSetup setup;
  TOrvaBaseList& scene = *GetMainScene();
  std::vector<std::pair<TRect, uint32_t>> fills;
  TDIBX& s = setup.screen.Back;
  for (TBenchBox* box : BuildTree(scene)) fills.push_back({box->GetClientRect(), s.ColorToPixel(box->GetColor())});
  const std::vector<TRect> rects = DirtyRects(int(state.range(0)));
  for (auto _ : state) {
    for (const TRect& r : rects) {
      s.SetClipRect(r);
      s.FillRect(r, 0);
      for (const auto& [rect, pixel] : fills) s.FillRect(rect, pixel);
    }
    benchmark::DoNotOptimize(s.GetPixel(1, 1));
  }
}
BENCHMARK(BM_DirectFills)->Arg(1)->Arg(20)->Arg(200);

void BM_IdleWithHandlers(benchmark::State& state) {
  SceneSetup setup;
  TOrvaBaseList& scene = *GetMainScene();
  for (int i = 0; i < 1000; ++i) CreateSceneObject<TBenchIdler>(scene)->SetOnIdle("script/idle_handler.osb:tick");
  for (auto _ : state) {
    scene.Idle();
    benchmark::DoNotOptimize(scene.Events().Count());
    // The interpreter takes the events; here they are dropped so that every pass queues anew.
    state.PauseTiming();
    scene.Events().Clear();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_IdleWithHandlers);

// A pass in which every handler is still queued: only the duplicate test runs.
void BM_IdleWithQueuedHandlers(benchmark::State& state) {
  SceneSetup setup;
  TOrvaBaseList& scene = *GetMainScene();
  for (int i = 0; i < 1000; ++i) CreateSceneObject<TBenchIdler>(scene)->SetOnIdle("script/idle_handler.osb:tick");
  scene.Idle();
  for (auto _ : state) {
    scene.Idle();
    benchmark::DoNotOptimize(scene.Events().Count());
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_IdleWithQueuedHandlers);

// The reference: a virtual read of each handler and a copy into a list.
void BM_CollectHandlers(benchmark::State& state) {
  SceneSetup setup;
  TOrvaBaseList& scene = *GetMainScene();
  for (int i = 0; i < 1000; ++i) CreateSceneObject<TBenchIdler>(scene)->SetOnIdle("script/idle_handler.osb:tick");
  std::vector<std::pair<TOrvaObject*, std::string>> queue;
  queue.reserve(1000);
  for (auto _ : state) {
    queue.clear();
    for (int i = 0; i < scene.GetItemCount(); ++i) {
      TOrvaObject* o = scene.GetItem(i);
      std::string h = o->GetOnIdle();
      if (!h.empty()) queue.emplace_back(o, std::move(h));
    }
    benchmark::DoNotOptimize(queue.data());
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_CollectHandlers);

void BM_CreateAutoNamed(benchmark::State& state) {
  SceneSetup setup;
  TOrvaBaseList& scene = *GetMainScene();
  for (auto _ : state) {
    for (int i = 0; i < 2000; ++i) CreateSceneObject<TBenchIdler>(scene);
    benchmark::DoNotOptimize(scene.GetItemCount());
    state.PauseTiming();
    scene.Clear();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BM_CreateAutoNamed);

// The reference: the same names by the plain rule, scanning every name for every number.
void BM_LinearAutoNames(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<std::string> names;
    for (int i = 0; i < 2000; ++i) {
      for (int n = 0;; ++n) {
        std::string candidate = "object" + std::to_string(n);
        bool taken = false;
        for (const std::string& name : names)
          if (name == candidate) {
            taken = true;
            break;
          }
        if (!taken) {
          names.push_back(std::move(candidate));
          break;
        }
      }
    }
    benchmark::DoNotOptimize(names.data());
  }
  state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BM_LinearAutoNames);

}  // namespace
