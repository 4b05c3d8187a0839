// The drawing of the effects at 32 and 16 bits: an 800 × 600 intensity buffer added through
// its colour table (DrawIndexedAdd, and StretchDrawIndexed from 200 × 150), beside DrawAdd of
// an 800 × 600 picture and a memcpy of the frame; an 800 × 600 picture drawn through a wave
// whose rows all differ, beside the same picture drawn directly and the memcpy.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "graphics/dibx.h"
#include "graphics/dibx_wave.h"

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

}  // namespace

BENCHMARK(BM_DrawIndexedAdd)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StretchDrawIndexed)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawAdd)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawThroughWave)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Draw)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcpy)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
