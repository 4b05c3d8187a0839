// Rotated and scaled drawing beside pixman's composite with the same transform and nearest
// filtering: a 512 × 512 picture turned by 32/256 of a turn at zoom 384 (copy, alpha 128,
// add with strength 44), stretches of a 256 × 256 picture to 512 and to 128, and the zoomed,
// repeated draw over 800 × 600; at 32 and 16 bits.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <numbers>
#include <random>

#include "graphics/dibx.h"

namespace {

using orva::TDIBX;
using orva::TRect;

enum Mode { kCopy, kBlend, kAdd };
constexpr uint32_t kAlpha[] = {255, 128, 300};

pixman_image_t* Wrap(TDIBX& s, pixman_format_code_t format) {
  return pixman_image_create_bits(format, s.GetWidth(), s.GetHeight(), reinterpret_cast<uint32_t*>(s.Lock(0, 0)),
                                  static_cast<int>(s.GetRowStep()));
}

pixman_format_code_t Format(int bits) { return bits == 32 ? PIXMAN_x8r8g8b8 : PIXMAN_r5g6b5; }

struct Pictures {
  TDIBX back, picture, mask;
  Pictures(int bits, int backW, int backH, int size) {
    back.SetSize(backW, backH, bits);
    picture.SetSize(size, size, bits);
    mask.SetSize(size, size, 8);
    std::mt19937 random(1);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        picture.SetPixel(x, y, random());
        mask.SetPixel(x, y, (x / 16 + y / 16) % 3 == 0 ? 0 : 255);
      }
    back.Fill(0x404040);
  }
};

// pixman's version of one of our draws: source (with a transform), a constant or per-pixel
// mask, the operation of the mode.
struct PixmanDraw {
  pixman_image_t *dst, *src, *mask = nullptr, *solid = nullptr;
  pixman_op_t op;
  PixmanDraw(Pictures& p, Mode mode, bool masked) {
    const pixman_format_code_t format = Format(p.back.GetBitCount());
    dst = Wrap(p.back, format);
    src = Wrap(p.picture, format);
    op = mode == kAdd ? PIXMAN_OP_ADD : PIXMAN_OP_OVER;
    if (masked) {
      mask = Wrap(p.mask, PIXMAN_a8);
    } else if (mode != kCopy) {
      pixman_color_t c{0, 0, 0, static_cast<uint16_t>((mode == kAdd ? 44 : 128) * 257)};
      solid = pixman_image_create_solid_fill(&c);
    }
    pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
  }
  ~PixmanDraw() {
    for (pixman_image_t* i : {dst, src, mask, solid})
      if (i) pixman_image_unref(i);
  }
  // Destination to source: the inverse of a zoom and a turn about the picture's centre
  // placed at (cx, cy).
  void Transform(double zoomX, double zoomY, double turn, double cx, double cy, double pivot, pixman_image_t* m) {
    pixman_f_transform f;
    pixman_f_transform_init_translate(&f, -cx, -cy);
    pixman_f_transform_rotate(&f, nullptr, std::cos(-turn), std::sin(-turn));
    pixman_f_transform_scale(&f, nullptr, 1 / zoomX, 1 / zoomY);
    pixman_f_transform_translate(&f, nullptr, pivot, pivot);
    pixman_transform t;
    pixman_transform_from_pixman_f_transform(&t, &f);
    pixman_image_set_transform(src, &t);
    if (m) pixman_image_set_transform(m, &t);
  }
  // Source and mask coordinates before the transform are the destination's.
  void Composite(int x, int y, int w, int h) {
    pixman_image_composite32(op, src, mask ? mask : solid, dst, x, y, x, y, x, y, w, h);
  }
};

constexpr int kPicture = 512, kBack = 1100, kZoom = 384, kAngle = 32;

void BM_RotateOurs(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const Mode mode = static_cast<Mode>(state.range(1));
  const bool masked = state.range(2) != 0;
  Pictures p(bits, kBack, kBack, kPicture);
  const TRect sr{0, 0, kPicture, kPicture};
  for (auto _ : state) {
    if (masked)
      p.back.DrawRotateMask(kBack / 2, kBack / 2, kZoom, kZoom, p.picture, sr, kPicture / 2, kPicture / 2, kAngle,
                            false, false, p.mask, kAlpha[mode]);
    else
      p.back.DrawRotate(kBack / 2, kBack / 2, kZoom, kZoom, p.picture, sr, kPicture / 2, kPicture / 2, kAngle, false,
                        false, false, kAlpha[mode]);
  }
  state.SetItemsProcessed(state.iterations() * kPicture * kPicture);
}

void BM_RotatePixman(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const Mode mode = static_cast<Mode>(state.range(1));
  const bool masked = state.range(2) != 0;
  Pictures p(bits, kBack, kBack, kPicture);
  PixmanDraw px(p, mode, masked);
  const double zoom = kZoom / 256.0;
  px.Transform(zoom, zoom, kAngle * 2 * std::numbers::pi / 256, kBack / 2, kBack / 2, kPicture / 2, px.mask);
  const TRect b = orva::CalcRotatedBounds(kBack / 2, kBack / 2, kPicture / 2, kPicture / 2, kAngle,
                                          {0, 0, kPicture, kPicture}, kZoom, kZoom, kPicture, kPicture, false, false);
  for (auto _ : state) px.Composite(b.Left, b.Top, b.Width(), b.Height());
  state.SetItemsProcessed(state.iterations() * kPicture * kPicture);
}

void RotateArgs(benchmark::internal::Benchmark* b) {
  for (int bits : {32, 16})
    for (int mode : {kCopy, kBlend, kAdd})
      for (int masked : {0, 1}) b->Args({bits, mode, masked});
}

// Stretches of a 256 × 256 picture to size × size (copy or alpha 128).
void BM_StretchOurs(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0)), size = static_cast<int>(state.range(1));
  const Mode mode = static_cast<Mode>(state.range(2));
  Pictures p(bits, 800, 600, 256);
  for (auto _ : state)
    p.back.StretchDrawAlpha({20, 20, 20 + size, 20 + size}, p.picture, {0, 0, 256, 256}, false, false, false,
                            kAlpha[mode]);
  state.SetItemsProcessed(state.iterations() * size * size);
}

void BM_StretchPixman(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0)), size = static_cast<int>(state.range(1));
  const Mode mode = static_cast<Mode>(state.range(2));
  Pictures p(bits, 800, 600, 256);
  PixmanDraw px(p, mode, false);
  const double zoom = size / 256.0;
  px.Transform(zoom, zoom, 0, 20, 20, 0, nullptr);
  for (auto _ : state) px.Composite(20, 20, size, size);
  state.SetItemsProcessed(state.iterations() * size * size);
}

void StretchArgs(benchmark::internal::Benchmark* b) {
  for (int bits : {32, 16})
    for (int size : {512, 128})
      for (int mode : {kCopy, kBlend}) b->Args({bits, size, mode});
}

// The zoomed, repeated draw of a 256 × 256 picture over the whole 800 × 600 surface.
void BM_ZoomOurs(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const Mode mode = static_cast<Mode>(state.range(1));
  Pictures p(bits, 800, 600, 256);
  for (auto _ : state) p.back.StretchDrawEx({0, 0, 800, 600}, 384, 384, p.picture, 17, 5, false, false, false, kAlpha[mode]);
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

void BM_ZoomPixman(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const Mode mode = static_cast<Mode>(state.range(1));
  Pictures p(bits, 800, 600, 256);
  PixmanDraw px(p, mode, false);
  pixman_image_set_repeat(px.src, PIXMAN_REPEAT_NORMAL);
  px.Transform(1.5, 1.5, 0, -17, -5, 0, nullptr);
  for (auto _ : state) px.Composite(0, 0, 800, 600);
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}

void ZoomArgs(benchmark::internal::Benchmark* b) {
  for (int bits : {32, 16})
    for (int mode : {kCopy, kBlend, kAdd}) b->Args({bits, mode});
}

}  // namespace

BENCHMARK(BM_RotateOurs)->Apply(RotateArgs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RotatePixman)->Apply(RotateArgs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StretchOurs)->Apply(StretchArgs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StretchPixman)->Apply(StretchArgs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ZoomOurs)->Apply(ZoomArgs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ZoomPixman)->Apply(ZoomArgs)->Unit(benchmark::kMicrosecond);
