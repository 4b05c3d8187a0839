// FillPattern of an 800 × 600 rectangle from a 64 × 64 source at 16 and 32 bits, beside
// pixman's repeating source composite of the same pixels and a memcpy of the same bytes
// (the bandwidth bound).
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <random>
#include <vector>

#include "graphics/dibx.h"

namespace {

using orva::TDIBX;

constexpr int kW = 800, kH = 600, kS = 64;

struct Surfaces {
  TDIBX back, tile;
  explicit Surfaces(int bits) {
    back.SetSize(kW, kH, bits);
    tile.SetSize(kS, kS, bits);
    std::mt19937 random(1);
    for (int y = 0; y < kS; ++y)
      for (int x = 0; x < kS; ++x) tile.SetPixel(x, y, random());
  }
};

pixman_image_t* Wrap(TDIBX& s) {
  const pixman_format_code_t format = s.GetBitCount() == 32 ? PIXMAN_x8r8g8b8 : PIXMAN_r5g6b5;
  return pixman_image_create_bits(format, s.GetWidth(), s.GetHeight(), reinterpret_cast<uint32_t*>(s.Lock(0, 0)),
                                  static_cast<int>(s.GetRowStep()));
}

void BM_FillPattern(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  Surfaces s(bits);
  int i = 0;
  for (auto _ : state) {
    s.back.FillPattern({0, 0, kW, kH}, s.tile, i & 63, (i >> 2) & 63, false, false);
    ++i;
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kW} * kH * (bits / 8));
}

void BM_PixmanRepeat(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  Surfaces s(bits);
  pixman_image_t* dst = Wrap(s.back);
  pixman_image_t* src = Wrap(s.tile);
  pixman_image_set_repeat(src, PIXMAN_REPEAT_NORMAL);
  int i = 0;
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, i & 63, (i >> 2) & 63, 0, 0, 0, 0, kW, kH);
    ++i;
  }
  pixman_image_unref(src);
  pixman_image_unref(dst);
  state.SetBytesProcessed(state.iterations() * int64_t{kW} * kH * (bits / 8));
}

void BM_Memcpy(benchmark::State& state) {
  const size_t bytes = size_t(kW) * kH * size_t(state.range(0) / 8);
  std::vector<uint8_t> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t(bytes));
}

}  // namespace

BENCHMARK(BM_FillPattern)->Arg(16)->Arg(32);
BENCHMARK(BM_PixmanRepeat)->Arg(16)->Arg(32);
BENCHMARK(BM_Memcpy)->Arg(16)->Arg(32);
