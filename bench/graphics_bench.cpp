// Depth change and resize of an 800 × 600 picture: the row-based surface operations beside
// the per-pixel formulation through GetPixel/SetPixel and a memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "graphics/dib_surface.h"

namespace {

using orva::TDIBSurface;

void Photo(TDIBSurface& s, int w, int h) {
  s.SetSize(w, h, 24);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = s.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = static_cast<uint8_t>(x * 255 / w);
      row[3 * x + 1] = static_cast<uint8_t>(y * 255 / h);
      row[3 * x + 2] = static_cast<uint8_t>((x ^ y) * 7);
    }
  }
}

void BM_ChangeBitCount24To16(benchmark::State& state) {
  TDIBSurface photo;
  Photo(photo, 800, 600);
  const bool dither = state.range(0) != 0;
  for (auto _ : state) {
    TDIBSurface s;
    s.Assign(&photo);
    s.ChangeBitCount(16, 0, dither);
    benchmark::DoNotOptimize(s.BitsReadOnly());
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

// The per-pixel formulation: GetPixel, pack, SetPixel (no dither).
void BM_PerPixel24To16(benchmark::State& state) {
  TDIBSurface photo;
  Photo(photo, 800, 600);
  for (auto _ : state) {
    TDIBSurface s;
    s.SetSize(800, 600, 16);
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x) {
        const uint32_t p = photo.GetPixel(x, y);
        s.SetPixel(x, y, (p >> 8 & 0xF800) | (p >> 5 & 0x7E0) | (p >> 3 & 0x1F));
      }
    benchmark::DoNotOptimize(s.BitsReadOnly());
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

void BM_Memcpy800x600x24(benchmark::State& state) {
  std::vector<uint8_t> a(800 * 600 * 3, 1), b(a.size());
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::DoNotOptimize(b.data());
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

void BM_ResizeHalf(benchmark::State& state) {
  TDIBSurface photo;
  Photo(photo, 800, 600);
  const bool smooth = state.range(0) != 0;
  for (auto _ : state) {
    TDIBSurface s;
    s.Assign(&photo);
    s.Resize(400, 300, smooth, -1);
    benchmark::DoNotOptimize(s.BitsReadOnly());
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

// The per-pixel formulation of the 2 × 2 box average through GetPixel/SetPixel.
void BM_PerPixelBoxHalf(benchmark::State& state) {
  TDIBSurface photo;
  Photo(photo, 800, 600);
  for (auto _ : state) {
    TDIBSurface s;
    s.SetSize(400, 300, 24);
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 400; ++x) {
        uint32_t sum[3] = {};
        for (int v = 0; v < 2; ++v)
          for (int u = 0; u < 2; ++u) {
            const uint32_t p = photo.GetPixel(2 * x + u, 2 * y + v);
            for (int c = 0; c < 3; ++c) sum[c] += p >> (8 * c) & 0xFF;
          }
        s.SetPixel(x, y, (sum[0] + 2) / 4 | (sum[1] + 2) / 4 << 8 | (sum[2] + 2) / 4 << 16);
      }
    benchmark::DoNotOptimize(s.BitsReadOnly());
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

}  // namespace

BENCHMARK(BM_ChangeBitCount24To16)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PerPixel24To16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy800x600x24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResizeHalf)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PerPixelBoxHalf)->Unit(benchmark::kMillisecond);
