// One step of every transition over a full 800 × 600 frame at 32 and 16 bits, with and without
// the packed arithmetic, at positions that change the progress every step; beside it the
// plain cross-fade of the same frames by pixman (a copy, then a constant-alpha composite) and a
// memcpy of one frame. Mask builds, Prepare and the set-up of the transitions with tables,
// chips or blurred pictures are timed apart, with their tables kept from the last transition
// and made anew.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "core/vocabulary.h"
#include "film/mask_images.h"
#include "film/wipe_classes.h"
#include "film/wipe_mask.h"
#include "graphics/dib.h"
#include "graphics/dibx.h"
#include "kit/packed_scope.h"
#include "scene/color_tables.h"
#include "scene/wipe.h"

namespace {

using namespace orva;

constexpr int kW = 800, kH = 600;
constexpr int32_t kDuration = 1000000;

// A 64 × 64 grey ramp as every mask image.
class RampImages : public TMaskImages {
 public:
  std::unique_ptr<TDIB> FirstFrame(std::string_view) override {
    auto picture = std::make_unique<TDIB>();
    picture->SetSize(64, 64, 24);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        const uint32_t v = uint32_t((x + y) * 2);
        picture->SetPixel(x, y, v << 16 | v << 8 | v);
      }
    return picture;
  }
};

struct Frames {
  TDIBX dest, a, b;
  explicit Frames(int bits) {
    for (TDIBX* s : {&dest, &a, &b}) s->SetSize(kW, kH, bits);
    std::mt19937 random(1);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        a.SetPixel(x, y, random());
        b.SetPixel(x, y, random());
      }
  }
};

RampImages& Images() {
  static RampImages images;
  static const bool registered = (RegisterWipeClasses(&images), true);
  (void)registered;
  return images;
}

std::unique_ptr<TCustomWipe> MakeWipe(Frames& f, int number) {
  Images();
  std::unique_ptr<TCustomWipe> wipe = CreateWipe(number, &f.dest, &f.a, &f.b);
  wipe->Duration = kDuration;
  wipe->SetMaskName("ramp.vsk");
  wipe->Prepare();
  return wipe;
}

// Positions spread over the whole transition, a different progress at every step.
int32_t PositionAt(int64_t i) { return static_cast<int32_t>((i * 7919 + 13) % kDuration); }

void BM_Step(benchmark::State& state) {
  const int number = static_cast<int>(state.range(0)), bits = static_cast<int>(state.range(1));
  kit::PackedScope packed(state.range(2) != 0);
  SetupColorTables(bits);
  Frames f(bits);
  std::unique_ptr<TCustomWipe> wipe = MakeWipe(f, number);
  int64_t i = 0;
  // Fallen chips are gone for good: the chip fall runs forwards, with new chips each time round.
  const bool forwards = number == WP_CRACK;
  for (auto _ : state) {
    const int32_t position = forwards ? static_cast<int32_t>(i++ * 997 % kDuration) : PositionAt(i++);
    if (forwards && position < wipe->Position) {
      state.PauseTiming();
      wipe->SetParam(0, wipe->GetParam(0));
      state.ResumeTiming();
    }
    wipe->Position = position;
    wipe->Step();
    benchmark::DoNotOptimize(f.dest.Lock(0, 0));
  }
  state.SetBytesProcessed(state.iterations() * kW * kH * (bits / 8));
}

// Only the mask of the mask transitions, rebuilt for a new progress every time.
void BM_BuildMask(benchmark::State& state) {
  const int number = static_cast<int>(state.range(0));
  Frames f(32);
  std::unique_ptr<TCustomWipe> wipe = MakeWipe(f, number);
  auto& mask = dynamic_cast<TWipeMask&>(*wipe);
  int64_t i = 0;
  for (auto _ : state) {
    wipe->Position = PositionAt(i++);
    benchmark::DoNotOptimize(mask.BuildMask());
  }
}

// A transition made as the scene makes it, up to its first step: the blurred pictures of the
// blurs, the spot's distances, the ripple's tables, the chips of the chip fall. Argument 1: the
// picture's size changes every time, so that no kept table fits; 0: the same size as the last.
void BM_FirstStep(benchmark::State& state) {
  const bool newSize = state.range(1) != 0;
  Frames f(32);
  TDIBX shorter, shorterA, shorterB;
  for (auto [s, from] : {std::pair{&shorter, &f.dest}, {&shorterA, &f.a}, {&shorterB, &f.b}}) {
    s->SetSize(kW, kH - 2, 32);
    s->Draw(0, 0, *from, {0, 0, kW, kH - 2}, false, false, false);
  }
  SetupColorTables(32);
  Images();
  int64_t i = 0;
  for (auto _ : state) {
    const bool other = newSize && i++ % 2;
    std::unique_ptr<TCustomWipe> wipe =
        other ? CreateWipe(static_cast<int>(state.range(0)), &shorter, &shorterA, &shorterB)
              : CreateWipe(static_cast<int>(state.range(0)), &f.dest, &f.a, &f.b);
    wipe->Duration = kDuration;
    wipe->SetReverse(false);
    wipe->Prepare();
    wipe->Position = kDuration / 3;
    wipe->Step();
  }
}

// The second step of a transition, the first one made untimed before it: the blurs blur their
// second picture there.
void BM_SecondStep(benchmark::State& state) {
  Frames f(32);
  SetupColorTables(32);
  Images();
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<TCustomWipe> wipe = CreateWipe(static_cast<int>(state.range(0)), &f.dest, &f.a, &f.b);
    wipe->Duration = kDuration;
    wipe->SetReverse(false);
    wipe->Prepare();
    wipe->Position = kDuration / 3;
    wipe->Step();
    wipe->Position = kDuration / 3 + kDuration / 30;
    state.ResumeTiming();
    wipe->Step();
  }
}

void BM_Prepare(benchmark::State& state) {
  Frames f(32);
  std::unique_ptr<TCustomWipe> wipe = MakeWipe(f, static_cast<int>(state.range(0)));
  for (auto _ : state) wipe->Prepare();
}

pixman_image_t* Wrap(TDIBX& s, pixman_format_code_t format) {
  return pixman_image_create_bits(format, s.GetWidth(), s.GetHeight(), reinterpret_cast<uint32_t*>(s.Lock(0, 0)),
                                  static_cast<int>(s.GetRowStep()));
}

// The reference: the old frame copied, the new one composited over it at a constant alpha.
void BM_PixmanCrossFade(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  Frames f(bits);
  const pixman_format_code_t format = bits == 32 ? PIXMAN_x8r8g8b8 : PIXMAN_r5g6b5;
  pixman_image_t *dst = Wrap(f.dest, format), *a = Wrap(f.a, format), *b = Wrap(f.b, format);
  int64_t i = 0;
  for (auto _ : state) {
    pixman_color_t alpha{0, 0, 0, static_cast<uint16_t>((1 + i++ % 254) * 257)};
    pixman_image_t* solid = pixman_image_create_solid_fill(&alpha);
    pixman_image_composite32(PIXMAN_OP_SRC, a, nullptr, dst, 0, 0, 0, 0, 0, 0, kW, kH);
    pixman_image_composite32(PIXMAN_OP_OVER, b, solid, dst, 0, 0, 0, 0, 0, 0, kW, kH);
    pixman_image_unref(solid);
  }
  for (pixman_image_t* image : {dst, a, b}) pixman_image_unref(image);
  state.SetBytesProcessed(state.iterations() * kW * kH * (bits / 8));
}

void BM_MemcpyFrame(benchmark::State& state) {
  const size_t bytes = size_t(kW) * kH * (size_t(state.range(0)) / 8);
  std::vector<uint8_t> src(bytes, 1), dst(bytes);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), bytes);
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(bytes));
}

const int kNumbers[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                        20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38};
const int kMaskNumbers[] = {2, 3, 4, 5, 8, 9, 10, 11, 19, 31, 34, 35, 36, 37, 38};

void Steps(benchmark::internal::Benchmark* b) {
  for (int number : kNumbers)
    for (int bits : {32, 16})
      for (int packed : {1, 0}) b->Args({number, bits, packed});
}

void MaskNumbers(benchmark::internal::Benchmark* b) {
  for (int number : kMaskNumbers) b->Arg(number);
}

}  // namespace

BENCHMARK(BM_PixmanCrossFade)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyFrame)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Step)->Apply(Steps)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildMask)->Apply(MaskNumbers)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Prepare)->Apply(MaskNumbers)->Arg(20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstStep)->ArgsProduct({{1, 15, 18, 24, 25, 29}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SecondStep)->Arg(1)->Arg(25)->Arg(24)->Unit(benchmark::kMicrosecond);
