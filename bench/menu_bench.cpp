// Choice menus showing 20 rows: their re-layout and full paint with a warm glyph cache, beside
// the label work issued directly. The 500-item pair measures both label lists in the
// reference too; the 5,000-item menu is set beside only the 20 visible labels drawn.
#include <benchmark/benchmark.h>

#include <string>

#include "core/encoding.h"
#include "graphics/dibx.h"
#include "scene_setup.h"
#include "text/label_list.h"
#include "text/menu.h"

namespace {

using namespace orva;

constexpr int kRows = 20;

std::string Item(int i) { return Sjis("選択肢 ") + std::to_string(i); }

std::string Items(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += Item(i) + "\r\n";
  return text;
}

// Scrolled to the middle of the items, with the row 10 under the mouse.
TOrvaMenu& OpenMenu(int items) {
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
  menu->SetText(Items(items));
  menu->SetTopIndex(items / 2 - 10);
  menu->SetHoverIndex(items / 2);
  menu->Play(LP_PLAY);
  menu->Paint();
  return *menu;
}

void RelayoutAndPaint(benchmark::State& state, int items) {
  bench::SceneSetup setup;
  TOrvaMenu& menu = OpenMenu(items);
  TCustomDIBX& target = *GetMainScene()->ActiveLayer()->GetTargetSurface();
  for (auto _ : state) {
    menu.Relayout();
    menu.Paint();
  }
  benchmark::DoNotOptimize(target.GetPixel(120, 40));
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_MenuRelayoutAndPaint(benchmark::State& state) { RelayoutAndPaint(state, 500); }
void BM_MenuRelayoutAndPaint5000(benchmark::State& state) { RelayoutAndPaint(state, 5000); }

// Two label lists (normal and hover) of the given items, on the scene's target, measured.
struct TLabels {
  TLabels(TCustomDIBX& target, int first, int count) {
    for (TWzLabelList* list : {&normal, &hover}) {
      list->Target = &target;
      list->SetFontSize(20);
      for (int i = first; i < first + count; ++i) list->Add(Item(i));
      list->Measure();
    }
  }
  TWzLabelDIB& Row(int r) { return *(r == 10 ? hover : normal).Get(r); }
  TWzLabelList normal, hover;
};

void BM_LabelsDirectly(benchmark::State& state) {
  bench::SceneSetup setup;
  TCustomDIBX& target = *GetMainScene()->ActiveLayer()->GetTargetSurface();
  constexpr int kItems = 500;
  TLabels labels(target, 0, kItems);
  for (int r = 0; r < kRows; ++r) labels.normal.Get(240 + r)->Draw(120, 30 + 24 * r);
  for (auto _ : state) {
    labels.normal.Measure();
    labels.hover.Measure();
    for (int r = 0; r < kRows; ++r) (r == 10 ? labels.hover : labels.normal).Get(240 + r)->Draw(120, 30 + 24 * r);
  }
  benchmark::DoNotOptimize(target.GetPixel(120, 40));
  state.SetItemsProcessed(state.iterations() * kRows);
}

// The 20 labels the 5,000-item menu shows, rendered once and drawn at its rows.
void BM_VisibleRowsDirectly(benchmark::State& state) {
  bench::SceneSetup setup;
  TCustomDIBX& target = *GetMainScene()->ActiveLayer()->GetTargetSurface();
  TLabels labels(target, 2490, kRows);
  for (auto _ : state)
    for (int r = 0; r < kRows; ++r) labels.Row(r).Draw(102, 22 + 24 * r);
  benchmark::DoNotOptimize(target.GetPixel(120, 40));
  state.SetItemsProcessed(state.iterations() * kRows);
}

}  // namespace

BENCHMARK(BM_MenuRelayoutAndPaint);
BENCHMARK(BM_LabelsDirectly);
BENCHMARK(BM_MenuRelayoutAndPaint5000);
BENCHMARK(BM_VisibleRowsDirectly);
