// A film played tick by tick: SetTime over 1,000 ticks of a 300-track film, 30 chains of 10
// image tracks of 100 ticks each that move, turn, zoom and fade a 32 × 32 picture out and
// back, on a scene of its own as a cinema plays it; beside it the same frames written
// directly on 30 images, with the values worked out inline.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "core/stream.h"
#include "film/film.h"
#include "kit/film_builder.h"
#include "kit/game_files.h"
#include "kit/vask_file.h"
#include "scene/base_list.h"
#include "scene/custom_image.h"
#include "scene/image_cache.h"
#include "scene_setup.h"

namespace {

using namespace orva;
using bench::SceneSetup;

constexpr int kChains = 30, kChainLength = 10, kTrackTicks = 100, kTicks = kChainLength * kTrackTicks;
constexpr int kSize = 32;

TPoint ChainStart(int chain) { return {20 + (chain % 6) * 130, 20 + (chain / 6) * 110}; }

// Chained tracks start where their parent ended, so the tracks of a chain go out and back
// in turn.
std::string Film() {
  kit::FilmBuilder film;
  film.Size(800, 600).Color(0);
  for (int chain = 0; chain < kChains; ++chain) {
    const TPoint at = ChainStart(chain);
    for (int i = 0; i < kChainLength; ++i) {
      const int index = chain * kChainLength + i;
      const bool out = i % 2 == 0;
      film.Add(kit::ImageTrack{.Common = {.Parent = i == 0 ? -1 : index - 1, .Length = kTrackTicks},
                               .Picture = {.BasePos = {kSize / 2, kSize / 2},
                                           .StartPos = at,
                                           .EndPos = out ? TPoint{at.X + 60, at.Y + 40} : at,
                                           .EndAngle = out ? 90 : 0,
                                           .EndZoomX = out ? 2.0 : 1.0,
                                           .EndAlpha = out ? 128 : 255,
                                           .EndZoomY = out ? 2.0 : 1.0},
                               .FileName = "p.vsk"});
    }
  }
  return film.Bytes();
}

struct Setup {
  Setup() {
    kit::VaskFile picture;
    std::vector<std::vector<uint32_t>> rows(kSize, std::vector<uint32_t>(kSize));
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) rows[size_t(y)][size_t(x)] = uint32_t(x * 8 << 16 | y * 8 << 8 | 0x40);
    picture.Frames = {kit::VaskFrame::Of(kSize, kSize, 24, rows)};
    files.Add("p.vsk", kit::MakeVask(picture));
    pages.SetWidth(800);
    pages.SetHeight(600);
  }
  void ClearDirty() {
    pages.GetLayer(0)->DirtyRects().Clear();
    pages.GetLayer(1)->DirtyRects().Clear();
  }
  SceneSetup scene;
  kit::GameFiles files;
  TOrvaBaseList pages;
};

void BM_FilmSetTime(benchmark::State& state) {
  Setup setup;
  auto film = std::make_unique<TFilm>();
  film->Owner = &setup.pages;
  TMemoryStream stream(Film());
  film->LoadFromStream(stream, "f.omt");
  film->Start();
  for (auto _ : state) {
    for (int tick = 0; tick < kTicks; ++tick) {
      film->SetTime(tick);
      setup.ClearDirty();
    }
    // The last chains' objects go back to the start; freed ones leave the scene.
    film->SetTime(kTicks);
    setup.pages.Idle();
  }
  state.SetItemsProcessed(state.iterations() * kTicks);
}

// The writes the image tracks make, each tick on one image per chain, without the film.
void BM_DirectWrites(benchmark::State& state) {
  Setup setup;
  TVaskItem& item = GetImageCache()->Collection().Acquire(&setup, "p.vsk", false, false);
  TVaskItemFrame& frame = item.GetFrame(0);
  std::vector<TOrvaImage*> images;
  for (int chain = 0; chain < kChains; ++chain) images.push_back(CreateSceneObject<TOrvaImage>(setup.pages));
  TOrvaControl* page = setup.pages.ActiveLayer();
  for (auto _ : state) {
    for (int tick = 0; tick < kTicks; ++tick) {
      const int p = tick % kTrackTicks, f = tick / kTrackTicks % 2 == 0 ? p : kTrackTicks - p;
      const int32_t zoom = 256 + 256 * f / kTrackTicks;
      for (int chain = 0; chain < kChains; ++chain) {
        TOrvaImage& image = *images[size_t(chain)];
        const TPoint at = ChainStart(chain);
        image.SetParent(page);
        image.ApplyFrame(nullptr, frame.Image.get(), frame.Mask.get(), frame.KeyColor, 0, false, false,
                         at.X + 60 * f / kTrackTicks, at.Y + 40 * f / kTrackTicks, kSize / 2, kSize / 2, zoom, zoom,
                         64 * f / kTrackTicks, 255 - 127 * f / kTrackTicks, {});
        image.SetCaptureMask(true);
      }
      setup.ClearDirty();
    }
  }
  item.Release(&setup);
  state.SetItemsProcessed(state.iterations() * kTicks);
}

}  // namespace

BENCHMARK(BM_FilmSetTime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectWrites)->Unit(benchmark::kMillisecond);
