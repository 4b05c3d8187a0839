// A 500-item choice menu showing 20 rows: its re-layout and full paint with a warm glyph cache,
// beside the same label work issued directly (both label lists measured, the 20 visible labels
// rendered and drawn).
#include <benchmark/benchmark.h>

#include <string>

#include "core/encoding.h"
#include "graphics/dibx.h"
#include "scene_setup.h"
#include "text/label_list.h"
#include "text/menu.h"

namespace {

using namespace orva;

constexpr int kItems = 500, kRows = 20;

std::string Items() {
  std::string text;
  for (int i = 0; i < kItems; ++i) text += Sjis("選択肢 ") + std::to_string(i) + "\r\n";
  return text;
}

void BM_MenuRelayoutAndPaint(benchmark::State& state) {
  bench::SceneSetup setup;
  TOrvaBaseList& scene = *GetMainScene();
  auto* menu = CreateSceneObject<TOrvaMenu>(scene);
  menu->SetParent(scene.ActiveLayer());
  menu->SetLeft(100);
  menu->SetTop(20);
  menu->SetFontHeight(20);
  menu->SetLineSpace(4);
  menu->SetRowCount(kRows);
  menu->SetBorderWidth(2);
  menu->SetBorderColor(0xFFFFFF);
  menu->SetColor(0x402020);
  menu->SetAlpha(255);
  menu->SetText(Items());
  menu->SetTopIndex(240);
  menu->SetHoverIndex(250);
  menu->Play(LP_PLAY);
  TCustomDIBX& target = *scene.ActiveLayer()->GetTargetSurface();
  menu->Paint();
  for (auto _ : state) {
    menu->Relayout();
    menu->Paint();
  }
  benchmark::DoNotOptimize(target.GetPixel(120, 40));
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_LabelsDirectly(benchmark::State& state) {
  bench::SceneSetup setup;
  TCustomDIBX& target = *GetMainScene()->ActiveLayer()->GetTargetSurface();
  TWzLabelList normal, hover;
  for (TWzLabelList* list : {&normal, &hover}) {
    list->Target = &target;
    list->SetFontSize(20);
    const std::string items = Items();
    size_t start = 0;
    for (int i = 0; i < kItems; ++i) {
      const size_t end = items.find("\r\n", start);
      list->Add(items.substr(start, end - start));
      start = end + 2;
    }
  }
  normal.Measure();
  hover.Measure();
  for (int r = 0; r < kRows; ++r) normal.Get(240 + r)->Draw(120, 30 + 24 * r);
  for (auto _ : state) {
    normal.Measure();
    hover.Measure();
    for (int r = 0; r < kRows; ++r) (r == 10 ? hover : normal).Get(240 + r)->Draw(120, 30 + 24 * r);
  }
  benchmark::DoNotOptimize(target.GetPixel(120, 40));
  state.SetItemsProcessed(state.iterations() * kRows);
}

}  // namespace

BENCHMARK(BM_MenuRelayoutAndPaint);
BENCHMARK(BM_LabelsDirectly);
