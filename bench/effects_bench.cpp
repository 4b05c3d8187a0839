// The drawing of the effects at 32 and 16 bits: an 800 × 600 intensity buffer added through
// its colour table (DrawIndexedAdd, and StretchDrawIndexed from 200 × 150), beside DrawAdd of
// an 800 × 600 picture and a memcpy of the frame; an 800 × 600 picture drawn through a wave
// whose rows all differ, beside the same picture drawn directly and the memcpy.
// And the effect objects on an 800 × 600 scene: a frame (update and paint) of 2,000 masked
// 16 × 16 particles falling as snow or turning as a twister, beside 2,000 DrawMask of their
// picture at the same places; a fire's step and paint over the frame (200 × 150 at zoom 1024,
// 800 × 600 at 256); an 800 × 600 picture painted under a wave whose rows all differ and
// without one, and the wave's update of 600 rows.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/frame_clock.h"
#include "core/random.h"
#include "graphics/dibx.h"
#include "graphics/dibx_wave.h"
#include "kit/game_files.h"
#include "kit/vask_file.h"
#include "scene/custom_image.h"
#include "scene/fire.h"
#include "scene/particle.h"
#include "scene/wave.h"
#include "scene_setup.h"

namespace {

using orva::TDIBX;
using orva::TDIBXWave;
using orva::TRect;

void Noise(TDIBX& s, int w, int h, int bits, uint32_t seed) {
  s.SetSize(w, h, bits);
  std::mt19937 random(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, random());
}

// A fire-like buffer: mostly cold, hot at the bottom.
void Heat(TDIBX& s, int w, int h) {
  s.SetSize(w, h, 8);
  std::mt19937 random(7);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, static_cast<uint32_t>(random() % 256 * y / h));
}

struct Tables {
  std::array<uint32_t, 256> wide{};
  std::array<uint16_t, 256> narrow{};
  Tables() {
    for (uint32_t i = 0; i < 256; ++i) {
      wide[i] = i << 16 | (i / 2) << 8 | i / 4;
      narrow[i] = static_cast<uint16_t>((i >> 3) << 11 | (i >> 3) << 5 | i >> 5);
    }
  }
};

void BM_DrawIndexedAdd(benchmark::State& state) {
  const int bits = int(state.range(0));
  TDIBX back, heat;
  back.SetSize(800, 600, bits);
  back.Fill(0);
  Heat(heat, 800, 600);
  const Tables t;
  for (auto _ : state) {
    if (bits == 32)
      back.DrawIndexedAdd(0, 0, heat, heat.GetBoundsRect(), 17, false, false, 255, t.wide);
    else
      back.DrawIndexedAdd(0, 0, heat, heat.GetBoundsRect(), 17, false, false, 255, t.narrow);
    benchmark::DoNotOptimize(back.Lock(0, 0));
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

void BM_StretchDrawIndexed(benchmark::State& state) {
  const int bits = int(state.range(0));
  TDIBX back, heat;
  back.SetSize(800, 600, bits);
  back.Fill(0);
  Heat(heat, 200, 150);
  const Tables t;
  for (auto _ : state) {
    if (bits == 32)
      back.StretchDrawIndexed({0, 0, 800, 600}, heat, heat.GetBoundsRect(), 17, false, false, 255, t.wide);
    else
      back.StretchDrawIndexed({0, 0, 800, 600}, heat, heat.GetBoundsRect(), 17, false, false, 255, t.narrow);
    benchmark::DoNotOptimize(back.Lock(0, 0));
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

void BM_DrawAdd(benchmark::State& state) {
  const int bits = int(state.range(0));
  TDIBX back, picture;
  back.SetSize(800, 600, bits);
  back.Fill(0);
  Noise(picture, 800, 600, bits, 3);
  for (auto _ : state) {
    back.DrawAdd(0, 0, picture, picture.GetBoundsRect(), false, false, false, 255);
    benchmark::DoNotOptimize(back.Lock(0, 0));
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

void BM_Draw(benchmark::State& state) {
  const int bits = int(state.range(0));
  TDIBX back, picture;
  back.SetSize(800, 600, bits);
  Noise(picture, 800, 600, bits, 3);
  for (auto _ : state) {
    back.Draw(0, 0, picture, picture.GetBoundsRect(), false, false, false);
    benchmark::DoNotOptimize(back.Lock(0, 0));
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

// Every row its own offset: 600 forwarded draws of one row each.
void BM_DrawThroughWave(benchmark::State& state) {
  const int bits = int(state.range(0));
  TDIBX back, picture;
  back.SetSize(800, 600, bits);
  Noise(picture, 800, 600, bits, 3);
  TDIBXWave wave;
  wave.Target = &back;
  wave.SetSize(800, 600, 0);
  for (int i = 0; i < 600; ++i) wave.RowOffsets[size_t(i)] = i % 2 ? i % 11 : -(i % 13);
  for (auto _ : state) {
    wave.Draw(0, 0, picture, picture.GetBoundsRect(), false, false, false);
    benchmark::DoNotOptimize(back.Lock(0, 0));
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

void BM_Memcpy(benchmark::State& state) {
  const size_t bytes = size_t(800) * 600 * size_t(state.range(0) / 8);
  std::vector<uint8_t> a(bytes, 1), b(bytes);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), bytes);
    benchmark::DoNotOptimize(b.data());
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

// ---- The effect objects ----

using namespace orva;

constexpr int kSprites = 2000;

// One frame of an emitter with kSprites living sprites spread over the scene (emitted at once
// from an area covering it, then none more): the update and the paint of the whole frame.
void BM_ParticleFrame(benchmark::State& state) {
  const int bits = int(state.range(1));
  kit::GameFiles files;
  files.Add("spark.vsk", kit::SoftBallVask(16));
  bench::SceneSetup setup(bits);
  TOrvaBaseList& scene = *GetMainScene();
  scene.ActiveLayer()->SetColor(-1);  // no layer fill: the sprites alone
  SeedRuntimeRandom(5);
  auto* emitter = CreateSceneObject<TOrvaParticle>(scene);
  emitter->SetParent(scene.ActiveLayer());
  emitter->SetBounds(0, 0, 800, 600);
  emitter->SetSource("spark.vsk");
  emitter->SetPartMotion(uint8_t(state.range(0)));
  // Barely falling or rising, so that every sprite stays for the whole run.
  for (int i = 0; i < 3; ++i) emitter->SetParam(i, std::array<long double, 3>{1e-6L, 20, 0.05L}[size_t(i)]);
  emitter->SetIndex(kSprites * 2);
  emitter->SetParticleParam({.AppearX = 8, .AppearY = 8, .AppearWidth = 784, .AppearHeight = 584, .IntervalLow = 2, .IntervalRange = 1});
  FrameDelta = 0;
  scene.Idle();
  emitter->SetParticleParam({.IntervalLow = 1 << 30, .IntervalRange = 1});
  FrameDelta = 16;
  scene.Idle();
  if (emitter->Sprites().size() < size_t(kSprites) || !emitter->Sprites()[0]->GetMaskImage())
    state.SkipWithError("the sprites are not there");
  for (auto _ : state) {
    scene.Idle();
    scene.ActiveLayer()->InvalidateAll();
    scene.Paint();
    // Both layers, as the player does after a frame: the other layer is not filled again.
    scene.GetLayer(0)->DirtyRects().Clear();
    scene.GetLayer(1)->DirtyRects().Clear();
    benchmark::DoNotOptimize(setup.screen.Back.GetPixel(400, 300));
  }
  state.SetItemsProcessed(state.iterations() * kSprites);
}

// The reference: the sprite's picture drawn through its mask at kSprites places.
void BM_DirectMaskedDraws(benchmark::State& state) {
  const int bits = int(state.range(0));
  kit::GameFiles files;
  files.Add("spark.vsk", kit::SoftBallVask(16));
  bench::SceneSetup setup(bits);
  TOrvaImageList frames;
  frames.LoadFromCache(&frames, "spark.vsk", false);
  TCustomDIBX* picture = frames.GetItem(0)->GetDIB();
  TCustomDIBX* mask = frames.GetItem(0)->GetMask();
  if (!mask) state.SkipWithError("no mask");
  std::mt19937 random(5);
  std::vector<TPoint> places;
  for (int i = 0; i < kSprites; ++i) places.push_back({int32_t(random() % 784), int32_t(random() % 584)});
  TDIBX& back = setup.screen.Back;
  for (auto _ : state) {
    for (const TPoint& p : places) back.DrawMask(p.X, p.Y, *picture, picture->GetBoundsRect(), false, false, *mask);
    benchmark::DoNotOptimize(back.GetPixel(400, 300));
  }
  state.SetItemsProcessed(state.iterations() * kSprites);
}

// A fire over the whole frame: one step and the paint of its rectangle per iteration.
void BM_FireFrame(benchmark::State& state) {
  const int zoom = int(state.range(0)), bits = int(state.range(1));
  bench::SceneSetup setup(bits);
  TOrvaBaseList& scene = *GetMainScene();
  scene.ActiveLayer()->SetColor(-1);
  auto* fire = CreateSceneObject<TOrvaFire>(scene);
  fire->SetParent(scene.ActiveLayer());
  fire->SetOrigWidth(800 * 256 / zoom);
  fire->SetOrigHeight(600 * 256 / zoom);
  fire->SetZoomX(zoom);
  fire->SetZoomY(zoom);
  fire->SetPower(200);
  FrameDelta = 40;
  for (int i = 0; i < 30; ++i) scene.Idle();
  for (auto _ : state) {
    scene.Idle();
    scene.Paint();
    scene.ActiveLayer()->DirtyRects().Clear();
    benchmark::DoNotOptimize(setup.screen.Back.GetPixel(400, 599));
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

// The step alone.
void BM_FireStep(benchmark::State& state) {
  const int zoom = int(state.range(0));
  bench::SceneSetup setup(32);
  auto* fire = CreateSceneObject<TOrvaFire>(*GetMainScene());
  fire->SetOrigWidth(800 * 256 / zoom);
  fire->SetOrigHeight(600 * 256 / zoom);
  FrameDelta = 40;
  fire->Idle();
  for (auto _ : state) {
    fire->Step();
    benchmark::DoNotOptimize(fire->Heat().GetPixel(1, 1));
  }
  state.SetItemsProcessed(state.iterations() * (800 * 256 / zoom) * (600 * 256 / zoom));
}

// An 800 × 600 picture on the scene, under a wave (every row its own offset) or not.
void BM_WavePicture(benchmark::State& state) {
  const bool waved = state.range(0) != 0;
  const int bits = int(state.range(1));
  bench::SceneSetup setup(bits);
  TOrvaBaseList& scene = *GetMainScene();
  scene.ActiveLayer()->SetColor(-1);
  TDIBX picture;
  Noise(picture, 800, 600, bits, 3);
  TOrvaControl* parent = scene.ActiveLayer();
  TOrvaWave* wave = nullptr;
  if (waved) {
    wave = CreateSceneObject<TOrvaWave>(scene);
    wave->SetParent(parent);
    wave->SetBounds(0, 0, 800, 600);
    wave->Idle();
    for (int i = 0; i < 600; ++i) wave->Surface().RowOffsets[size_t(i)] = i % 2 ? i % 11 : -(i % 13);
    parent = wave;
  }
  auto* image = CreateSceneObject<TOrvaCustomImage>(scene);
  image->SetParent(parent);
  image->SetImage(&picture);
  // Its size follows the picture at the next update.
  image->SetImageFlag(true);
  image->Idle();
  scene.ActiveLayer()->InvalidateAll();
  scene.Paint();
  // Row 1 stands one pixel to the right under the wave.
  const int shift = waved ? 1 : 0;
  if (setup.screen.Back.GetPixel(100, 1) != picture.GetPixel(100 - shift, 1)) state.SkipWithError("not drawn");
  for (auto _ : state) {
    scene.ActiveLayer()->InvalidateAll();
    scene.Paint();
    scene.ActiveLayer()->DirtyRects().Clear();
    benchmark::DoNotOptimize(setup.screen.Back.GetPixel(400, 300));
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

// The wave's update: a new phase and 600 offsets.
void BM_WaveUpdate(benchmark::State& state) {
  bench::SceneSetup setup(32);
  auto* wave = CreateSceneObject<TOrvaWave>(*GetMainScene());
  wave->SetParent(GetMainScene()->ActiveLayer());
  wave->SetBounds(0, 0, 800, 600);
  wave->SetDelay(1);
  FrameDelta = 16;
  for (auto _ : state) {
    wave->Idle();
    GetMainScene()->ActiveLayer()->DirtyRects().Clear();
    benchmark::DoNotOptimize(wave->Surface().RowOffsets[300]);
  }
  state.SetItemsProcessed(state.iterations() * 600);
}

}  // namespace

BENCHMARK(BM_ParticleFrame)->ArgsProduct({{PM_SNOW, PM_TWISTER}, {32, 16}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DirectMaskedDraws)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FireFrame)->ArgsProduct({{1024, 256}, {32, 16}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FireStep)->Arg(1024)->Arg(256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WavePicture)->ArgsProduct({{1, 0}, {32, 16}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WaveUpdate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawIndexedAdd)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StretchDrawIndexed)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawAdd)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawThroughWave)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Draw)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcpy)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
