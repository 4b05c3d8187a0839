// The blits of the drawing surface beside pixman's equivalent composite and a memcpy of the
// same bytes (the bandwidth bound): a 256 × 256 sprite onto an 800 × 600 surface at 32 and
// 16 bits, and a composed frame (fill, 10 masked sprites, one 600 × 150 colour mask).
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <random>
#include <vector>

#include "graphics/dibx.h"

namespace {

using orva::TDIBX;
using orva::TRect;

constexpr int kW = 800, kH = 600, kS = 256;

struct Scene {
  TDIBX back, sprite, mask, text;
  explicit Scene(int bits) {
    back.SetSize(kW, kH, bits);
    sprite.SetSize(kS, kS, bits);
    mask.SetSize(kS, kS, 8);
    text.SetSize(600, 150, 8);
    std::mt19937 random(1);
    for (int y = 0; y < kS; ++y)
      for (int x = 0; x < kS; ++x) {
        sprite.SetPixel(x, y, random());
        // A soft-edged disc: opaque inside, transparent outside, a ramp between.
        const int dx = x - 128, dy = y - 128, r2 = dx * dx + dy * dy;
        mask.SetPixel(x, y, r2 < 100 * 100 ? 255 : r2 > 120 * 120 ? 0 : 255 - (r2 - 10000) * 255 / 4400);
      }
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 600; ++x) text.SetPixel(x, y, (x / 3 + y / 5) % 7 == 0 ? 255 : (x + y) % 11 == 0 ? 128 : 0);
    back.Fill(0x404040);
  }
};

// pixman images over the same pixel blocks (rows top-down through the negative step).
pixman_image_t* Wrap(TDIBX& s, pixman_format_code_t format) {
  uint8_t* top = s.Lock(0, 0);
  return pixman_image_create_bits(format, s.GetWidth(), s.GetHeight(), reinterpret_cast<uint32_t*>(top),
                                  static_cast<int>(s.GetRowStep()));
}

// pixman's view of a scene: the back buffer, the sprite, its mask and the text coverage.
struct PixmanScene {
  pixman_image_t *dst, *src, *mask, *text;
  explicit PixmanScene(Scene& scene) {
    const pixman_format_code_t format = scene.back.GetBitCount() == 32 ? PIXMAN_x8r8g8b8 : PIXMAN_r5g6b5;
    dst = Wrap(scene.back, format);
    src = Wrap(scene.sprite, format);
    mask = Wrap(scene.mask, PIXMAN_a8);
    text = Wrap(scene.text, PIXMAN_a8);
  }
  ~PixmanScene() {
    for (pixman_image_t* image : {dst, src, mask, text}) pixman_image_unref(image);
  }
};

enum Op { kAlpha, kMaskAlpha, kAdd, kMask };

void BM_Ours(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const Op op = static_cast<Op>(state.range(1));
  Scene scene(bits);
  const TRect sr{0, 0, kS, kS};
  int i = 0;
  for (auto _ : state) {
    const int x = 100 + (i++ & 63), y = 100;
    switch (op) {
      case kAlpha: scene.back.DrawAlpha(x, y, scene.sprite, sr, false, false, false, 128); break;
      case kMaskAlpha: scene.back.DrawMaskAlpha(x, y, scene.sprite, sr, false, false, scene.mask, 200); break;
      case kAdd: scene.back.DrawAdd(x, y, scene.sprite, sr, false, false, false, 128); break;
      case kMask: scene.back.DrawMask(x, y, scene.sprite, sr, false, false, scene.mask); break;
    }
  }
  state.SetBytesProcessed(state.iterations() * kS * kS * (bits / 8));
}

void BM_Pixman(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const Op op = static_cast<Op>(state.range(1));
  Scene scene(bits);
  PixmanScene px(scene);
  pixman_image_t *dst = px.dst, *src = px.src, *mask = px.mask;
  pixman_color_t strength{0, 0, 0, static_cast<uint16_t>((op == kMaskAlpha ? 200 : 128) * 257)};
  pixman_image_t* solid = pixman_image_create_solid_fill(&strength);
  int i = 0;
  for (auto _ : state) {
    const int x = 100 + (i++ & 63), y = 100;
    switch (op) {
      case kAlpha: pixman_image_composite32(PIXMAN_OP_OVER, src, solid, dst, 0, 0, 0, 0, x, y, kS, kS); break;
      case kMaskAlpha:  // the per-pixel mask; pixman has no second constant factor
      case kMask: pixman_image_composite32(PIXMAN_OP_OVER, src, mask, dst, 0, 0, 0, 0, x, y, kS, kS); break;
      case kAdd: pixman_image_composite32(PIXMAN_OP_ADD, src, solid, dst, 0, 0, 0, 0, x, y, kS, kS); break;
    }
  }
  pixman_image_unref(solid);
  state.SetBytesProcessed(state.iterations() * kS * kS * (bits / 8));
}

void BM_Memcpy(benchmark::State& state) {
  const int bytes = kS * (static_cast<int>(state.range(0)) / 8);
  std::vector<uint8_t> src(size_t(bytes) * kS, 1), dst(size_t(kW) * 4 * kH);
  for (auto _ : state) {
    for (int y = 0; y < kS; ++y) std::memcpy(dst.data() + size_t(y + 100) * kW * 4, src.data() + size_t(y) * bytes, bytes);
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetBytesProcessed(state.iterations() * kS * bytes);
}

// Fill the back buffer, 10 masked sprites, one 600 × 150 colour mask.
void BM_FrameOurs(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  Scene scene(bits);
  const TRect sr{0, 0, kS, kS};
  for (auto _ : state) {
    scene.back.Fill(0x1234);
    for (int k = 0; k < 10; ++k)
      scene.back.DrawMask(k * 54, (k % 3) * 170, scene.sprite, sr, false, false, scene.mask);
    scene.back.DrawColorMask(100, 440, scene.text, {0, 0, 600, 150}, false, false, 0xFFFFFF, 255);
  }
}

void BM_FramePixman(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  Scene scene(bits);
  PixmanScene px(scene);
  pixman_image_t *dst = px.dst, *src = px.src, *mask = px.mask, *text = px.text;
  pixman_color_t white{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}, fill{0x1200, 0x3400, 0x5600, 0xFFFF};
  pixman_image_t* ink = pixman_image_create_solid_fill(&white);
  const pixman_box32_t all{0, 0, kW, kH};
  for (auto _ : state) {
    pixman_image_fill_boxes(PIXMAN_OP_SRC, dst, &fill, 1, &all);
    for (int k = 0; k < 10; ++k)
      pixman_image_composite32(PIXMAN_OP_OVER, src, mask, dst, 0, 0, 0, 0, k * 54, (k % 3) * 170, kS, kS);
    pixman_image_composite32(PIXMAN_OP_OVER, ink, text, dst, 0, 0, 0, 0, 100, 440, 600, 150);
  }
  pixman_image_unref(ink);
}

void Ops(benchmark::internal::Benchmark* b) {
  for (int bits : {32, 16})
    for (int op : {kAlpha, kMaskAlpha, kAdd, kMask}) b->Args({bits, op});
}

}  // namespace

BENCHMARK(BM_Ours)->Apply(Ops)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Pixman)->Apply(Ops)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcpy)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameOurs)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramePixman)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
