// Pictures on the scene at 800 × 600 × 32: painting 100 turned, zoomed, masked 256 × 256
// images (ALPHA 128 blended, 300 added) beside the same turned draws issued directly; and one
// update pass over 1,000 animated images beside a bare loop over their countdowns.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/frame_clock.h"
#include "graphics/dibx.h"
#include "kit/game_files.h"
#include "kit/vask_file.h"
#include "scene/animated_image.h"
#include "scene/base_list.h"
#include "scene/scene_services.h"
#include "scene_setup.h"

namespace {

using namespace orva;
using bench::SceneSetup;

// A 256 × 256 picture with a round mask, shared by every image.
struct Picture {
  Picture() {
    image.SetSize(256, 256, 32);
    mask.SetSize(256, 256, 8);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        image.SetPixel(x, y, uint32_t(x << 16 | y << 8 | (x ^ y)));
        const int dx = x - 128, dy = y - 128;
        mask.SetPixel(x, y, dx * dx + dy * dy < 120 * 120 ? 255 : dx * dx + dy * dy < 128 * 128 ? 128 : 0);
      }
  }
  TDIBX image, mask;
};

struct Placed {
  TPoint position;
  int32_t zoom, angle;
};

std::vector<Placed> Places() {
  std::vector<Placed> places;
  for (int i = 0; i < 100; ++i)
    places.push_back({{80 + (i % 10) * 70, 60 + (i / 10) * 55}, 160 + (i % 5) * 40, 7 + i * 5});
  return places;
}

void BM_PaintTurnedImages(benchmark::State& state) {
  SceneSetup setup;
  Picture picture;
  TOrvaBaseList& scene = *GetMainScene();
  scene.ActiveLayer()->SetColor(-1);  // no layer fill: the images alone
  for (const Placed& p : Places()) {
    auto* image = CreateSceneObject<TOrvaCustomImage>(scene);
    image->SetParent(scene.ActiveLayer());
    image->SetImage(&picture.image);
    image->SetMaskImage(&picture.mask);
    image->SetOffsetX(128);
    image->SetOffsetY(128);
    image->SetZoomX(p.zoom);
    image->SetZoomY(p.zoom);
    image->Idle();
    image->SetLeft(p.position.X);
    image->SetTop(p.position.Y);
    image->SetAngle(p.angle);
    image->SetAlpha(int32_t(state.range(0)));
  }
  for (auto _ : state) {
    scene.ActiveLayer()->InvalidateAll();
    scene.Paint();
    scene.ActiveLayer()->DirtyRects().Clear();
    benchmark::DoNotOptimize(setup.screen.Back.GetPixel(400, 300));
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_PaintTurnedImages)->Arg(128)->Arg(300);

// The reference: the same 100 turned draws straight onto the back buffer.
void BM_DirectTurnedDraws(benchmark::State& state) {
  SceneSetup setup;
  Picture picture;
  TDIBX& back = setup.screen.Back;
  const std::vector<Placed> places = Places();
  const auto alpha = static_cast<uint32_t>(state.range(0));
  for (auto _ : state) {
    back.SetClipRect({0, 0, 800, 600});
    for (const Placed& p : places)
      back.DrawRotateMask(p.position.X, p.position.Y, p.zoom, p.zoom, picture.image, {0, 0, 256, 256}, 128, 128,
                          p.angle & 255, false, false, picture.mask, alpha);
    back.ClearClipRect();
    benchmark::DoNotOptimize(back.GetPixel(400, 300));
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_DirectTurnedDraws)->Arg(128)->Arg(300);

// 1,000 animated images of three 100 ms frames, repeating; one update pass a round.
void BM_IdleAnimatedImages(benchmark::State& state) {
  kit::GameFiles files;
  kit::VaskFile file;
  for (int i = 0; i < 3; ++i) {
    file.Frames.push_back(kit::VaskFrame::Of(8, 8, 24, std::vector<std::vector<uint32_t>>(8, std::vector<uint32_t>(8, 0x405060u * uint32_t(i + 1)))));
    file.Frames.back().Delay = 100;
  }
  files.Add("anim.vsk", kit::MakeVask(file));
  SceneSetup setup;
  TOrvaBaseList& scene = *GetMainScene();
  for (int i = 0; i < 1000; ++i) {
    auto* image = CreateSceneObject<TOrvaImages>(scene);
    image->SetParent(scene.ActiveLayer());
    image->SetSource("anim.vsk");
    image->SetRepeat(true);
    image->SetLeft(i % 800);
    image->SetTop(i / 2);
  }
  FrameDelta = 16;
  for (auto _ : state) {
    scene.Idle();
    benchmark::DoNotOptimize(scene.GetItem(0)->GetIndex());
    state.PauseTiming();
    scene.ActiveLayer()->DirtyRects().Clear();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_IdleAnimatedImages);

// The reference: the countdowns and indexes of 1,000 images stepped in a bare loop.
void BM_BareCountdowns(benchmark::State& state) {
  std::vector<int32_t> countdowns(1000, 100), indexes(1000, 0);
  const int32_t delays[3] = {100, 100, 100};
  for (auto _ : state) {
    for (size_t i = 0; i < countdowns.size(); ++i) {
      countdowns[i] -= 16;
      while (countdowns[i] <= 0) {
        indexes[i] = (indexes[i] + 1) % 3;
        countdowns[i] += delays[indexes[i]];
      }
    }
    benchmark::DoNotOptimize(indexes.data());
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_BareCountdowns);

}  // namespace
