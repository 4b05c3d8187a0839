// The scene's frame work at 800 × 600 × 32: painting 500 controls three levels deep through
// 1, 20 or 200 dirty rectangles beside the same fills issued directly; one update pass with
// 1,000 idle handlers beside a plain loop that collects the same handlers; making 2,000
// auto-named objects beside the same names found by scanning the list; and boxes made the
// way BoxNew makes them, and freed in one update pass, by the thousand, beside the same
// boxes made and freed outside any scene.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "graphics/dibx.h"
#include "kit/scene_doubles.h"
#include "scene/base_list.h"
#include "scene/box.h"
#include "scene/scene_services.h"
#include "scene_setup.h"
#include "script/param.h"

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

// BoxNew's path through the scene link: made on the shown layer, named "b<i>" (which leaves
// it out of place until the next box comes), invalidated. The time per box stays the same
// from 1,000 to 16,000 boxes.
void MakeBoxes(TOrvaBaseList& scene, int count) {
  TSceneLink& link = scene.Link();
  TParamStr name;
  for (int i = 0; i < count; ++i) {
    const TObjectHandle box = link.CreateObject(LT_BOX);
    name.SetAsString("b" + std::to_string(i));
    link.SetCreationProp(box, PR_NAME, name);
    link.Invalidate(box);
  }
}

void BM_BoxNewLoop(benchmark::State& state) {
  SceneSetup setup;
  TOrvaBaseList& scene = *GetMainScene();
  const int count = int(state.range(0));
  for (auto _ : state) {
    MakeBoxes(scene, count);
    state.PauseTiming();
    scene.Clear();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_BoxNewLoop)->Arg(1000)->Arg(4000)->Arg(16000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same boxes scheduled for freeing in a shuffled order, then freed by one update pass.
void BM_FreeBoxesInOnePass(benchmark::State& state) {
  SceneSetup setup;
  TOrvaBaseList& scene = *GetMainScene();
  const int count = int(state.range(0));
  std::vector<int> order(size_t(count), 0);
  for (int i = 0; i < count; ++i) order[size_t(i)] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(38));
  for (auto _ : state) {
    state.PauseTiming();
    MakeBoxes(scene, count);
    std::vector<TOrvaObject*> boxes;
    for (int i = 0; i < count; ++i) boxes.push_back(scene.GetItem(i));
    state.ResumeTiming();
    for (int i : order) boxes[size_t(i)]->ScheduleFree();
    scene.Idle();
  }
  if (scene.GetItemCount() != 0) state.SkipWithError("boxes left");
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_FreeBoxesInOnePass)->Arg(1000)->Arg(4000)->Arg(16000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The reference: the same boxes made, named and freed outside any scene.
void BM_BoxesWithoutAScene(benchmark::State& state) {
  SceneSetup setup;
  const int count = int(state.range(0));
  for (auto _ : state) {
    std::vector<std::unique_ptr<TOrvaBox>> boxes;
    for (int i = 0; i < count; ++i) {
      boxes.push_back(std::make_unique<TOrvaBox>(nullptr));
      boxes.back()->AssignName("b" + std::to_string(i));
    }
    benchmark::DoNotOptimize(boxes.data());
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_BoxesWithoutAScene)->Arg(1000)->Arg(4000)->Arg(16000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
