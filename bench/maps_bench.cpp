// Tiles and selection-image regions at 32 bits. A 640 × 480 tile on a grid of 16 × 16 cells
// whose picture carries 10 drawing rectangles (2,560 blits a paint) beside the same blits
// issued directly; 30 star-shaped polygon areas over 800 × 600: the first area under every
// pixel found by point tests beside a plain pass over an area-index mask, and the areas
// painted into a mask beside a plain pass writing the mask.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "graphics/dibx.h"
#include "kit/game_files.h"
#include "kit/vask_file.h"
#include "scene/base_list.h"
#include "scene/map_region.h"
#include "scene/tile.h"
#include "scene_setup.h"

namespace {

using namespace orva;
using bench::SceneSetup;

constexpr int32_t kCellWidth = 40, kCellHeight = 30, kTileWidth = 640, kTileHeight = 480;
constexpr TPoint kTileAt{80, 60};

// Ten strips of the cell, each a drawing rectangle.
std::vector<TRect> Strips() {
  std::vector<TRect> rects;
  for (int i = 0; i < 10; ++i) rects.push_back({0, i * 3, kCellWidth, i * 3 + 2});
  return rects;
}

std::string StripPicture() {
  std::vector<std::vector<uint32_t>> rows(kCellHeight, std::vector<uint32_t>(kCellWidth));
  for (int y = 0; y < kCellHeight; ++y)
    for (int x = 0; x < kCellWidth; ++x) rows[size_t(y)][size_t(x)] = uint32_t(x * 6 << 16 | y * 8 << 8 | 0x40);
  kit::VaskFile file;
  file.Frames.push_back(kit::VaskFrame::Of(kCellWidth, kCellHeight, 24, rows));
  file.Frames.back().Rects = Strips();
  return kit::MakeVask(file);
}

void BM_PaintGridTile(benchmark::State& state) {
  kit::GameFiles files;
  files.Add("strips.vsk", StripPicture());
  SceneSetup setup;
  TOrvaBaseList& scene = *GetMainScene();
  scene.ActiveLayer()->SetColor(-1);  // no layer fill: the tile alone
  auto* tile = CreateSceneObject<TOrvaTile>(scene);
  tile->SetParent(scene.ActiveLayer());
  tile->SetSource("strips.vsk");
  tile->SetBounds(kTileAt.X, kTileAt.Y, kTileWidth, kTileHeight);
  tile->SetDistanceX(kCellWidth);
  tile->SetDistanceY(kCellHeight);
  tile->SetScrollX(13);
  tile->SetScrollY(7);
  for (auto _ : state) {
    scene.ActiveLayer()->InvalidateAll();
    scene.Paint();
    scene.ActiveLayer()->DirtyRects().Clear();
    benchmark::DoNotOptimize(setup.screen.Back.GetPixel(400, 300));
  }
  state.SetItemsProcessed(state.iterations() * 16 * 16 * 10);
}
BENCHMARK(BM_PaintGridTile);

// The reference: the same blits from the same scrolled origin, straight onto the back buffer.
void BM_DirectGridBlits(benchmark::State& state) {
  SceneSetup setup;
  TDIBX picture;
  picture.SetSize(kCellWidth, kCellHeight, 32);
  for (int y = 0; y < kCellHeight; ++y)
    for (int x = 0; x < kCellWidth; ++x) picture.SetPixel(x, y, uint32_t(x * 6 << 16 | y * 8 << 8 | 0x40));
  TDIBX& back = setup.screen.Back;
  const std::vector<TRect> rects = Strips();
  const TRect area = Bounds(kTileAt.X, kTileAt.Y, kTileWidth, kTileHeight);
  for (auto _ : state) {
    back.SetClipRect(area);
    for (const TRect& r : rects)
      for (int32_t y = area.Top + r.Top - 7; y < area.Bottom; y += kCellHeight)
        for (int32_t x = area.Left + r.Left - 13; x < area.Right; x += kCellWidth)
          back.Draw(x, y, picture, r, false, false, false);
    back.ClearClipRect();
    benchmark::DoNotOptimize(back.GetPixel(400, 300));
  }
  state.SetItemsProcessed(state.iterations() * 16 * 16 * 10);
}
BENCHMARK(BM_DirectGridBlits);

// 30 ten-pointed stars on a 6 × 5 grid over 800 × 600.
std::vector<TMapRegion> Stars() {
  std::vector<TMapRegion> areas;
  for (int i = 0; i < 30; ++i) {
    const double cx = 66 + (i % 6) * 133, cy = 60 + (i / 6) * 120;
    std::vector<TPoint> points;
    for (int k = 0; k < 10; ++k) {
      const double r = k % 2 ? 22 : 58, a = k * 3.14159265358979 / 5;
      points.push_back({int32_t(std::lround(cx + r * std::sin(a))), int32_t(std::lround(cy - r * std::cos(a)))});
    }
    areas.push_back(TMapRegion::MakePolygon(std::move(points)));
  }
  return areas;
}

void BM_RegionPointTests(benchmark::State& state) {
  const std::vector<TMapRegion> areas = Stars();
  for (auto _ : state) {
    int64_t hits = 0;
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x)
        for (size_t i = 0; i < areas.size(); ++i)
          if (areas[i].Contains(x, y)) {
            hits += int64_t(i) + 1;
            break;
          }
    benchmark::DoNotOptimize(hits);
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(BM_RegionPointTests);

// The reference: the area under every pixel read from a mask of area numbers.
void BM_PlainMaskLookups(benchmark::State& state) {
  TDIBX mask;
  mask.SetSize(800, 600, 8);
  mask.FillRect(mask.GetBoundsRect(), 0);
  const std::vector<TMapRegion> areas = Stars();
  for (size_t i = 0; i < areas.size(); ++i) areas[i].Paint(mask, uint8_t(i + 1));
  for (auto _ : state) {
    int64_t hits = 0;
    for (int y = 0; y < 600; ++y) {
      const uint8_t* row = mask.Lock(0, y);
      for (int x = 0; x < 800; ++x) hits += row[x];
    }
    benchmark::DoNotOptimize(hits);
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(BM_PlainMaskLookups);

void BM_RegionMaskRebuild(benchmark::State& state) {
  TDIBX mask;
  mask.SetSize(800, 600, 8);
  const std::vector<TMapRegion> areas = Stars();
  for (auto _ : state) {
    mask.FillRect(mask.GetBoundsRect(), 0);
    for (const TMapRegion& area : areas) area.Paint(mask, 255);
    benchmark::DoNotOptimize(mask.GetPixel(66, 60));
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(BM_RegionMaskRebuild);

// The reference: every byte of the mask written in one plain pass.
void BM_PlainMaskPass(benchmark::State& state) {
  TDIBX mask;
  mask.SetSize(800, 600, 8);
  for (auto _ : state) {
    for (int y = 0; y < 600; ++y) {
      uint8_t* row = mask.Lock(0, y);
      for (int x = 0; x < 800; ++x) row[x] = uint8_t(((x ^ y) & 1) * 255);
    }
    benchmark::DoNotOptimize(mask.GetPixel(66, 60));
  }
  state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(BM_PlainMaskPass);

}  // namespace
