// CallHist's rebuild of a backlog view of 100 entries through the box's layout cache (warm:
// the pages and read commands held), beside the same entries laid out from fresh reads of
// their page files and glyph streams. The counters give the page files loaded per rebuild.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/encoding.h"
#include "kit/game_files.h"
#include "kit/glyph_stream_builder.h"
#include "kit/page_builder.h"
#include "script/page.h"
#include "script/text_commands.h"
#include "text/glyph_page.h"
#include "text/mes_data.h"
#include "text/word.h"

namespace {

using namespace orva;

constexpr int kPages = 4, kCommands = 16, kEntries = 100;

std::string PageName(int p) { return "scene" + std::to_string(p) + ".osb"; }

// Four script pages of 16 text commands of two lines each.
void AddPages(kit::GameFiles& files) {
  const std::string line = Sjis("あいうえおかきくけこさしすせそたちつてと");
  for (int p = 0; p < kPages; ++p) {
    kit::PageBuilder page;
    for (int c = 0; c < kCommands; ++c) {
      kit::GlyphStream text(102);
      text.Decoration({}).Text(line).Return().Text(line);
      page.TextIns({.glyphs = text.Bytes(), .box = "\"m\"", .history = "TRUE"});
    }
    files.Add(PageName(p), page);
  }
}

// 100 entries going round the pages and their commands, so that each page's 16 commands fit
// its cache entry.
void Record(TOrvaHistData& record) {
  for (int i = 0; i < kEntries; ++i) record.Add(PageName(i % kPages), (i / kPages) % kCommands, {}, 80, -1, 0);
}

void SetUpWord(TWzWord& word) {
  word.Width = 640;
  word.Height = 480;
  word.FontHeight = 24;
  word.LineSpace = 8;
}

void BM_BacklogRebuildCacheWarm(benchmark::State& state) {
  kit::GameFiles files;
  AddPages(files);
  TOrvaNewMesData data;
  Record(data.Record());
  TWzWord word;
  SetUpWord(word);
  TWdPageList pages;
  data.Rebuild(word, pages, true, 0);
  const int loadsBefore = data.Cache().PageLoads();
  for (auto _ : state) {
    pages.clear();
    data.Rebuild(word, pages, true, 0);
    benchmark::DoNotOptimize(pages.front()->GetCount());
  }
  state.counters["page loads per rebuild"] =
      double(data.Cache().PageLoads() - loadsBefore) / double(std::max<int64_t>(1, state.iterations()));
  state.SetItemsProcessed(state.iterations() * kEntries);
  pages.clear();
}

// The reference: each entry's page file loaded and its command's glyph stream read anew,
// then copied, expanded, laid out and stacked as the view does.
void BM_BacklogLayoutFromFreshReads(benchmark::State& state) {
  kit::GameFiles files;
  AddPages(files);
  TOrvaHistData record;
  Record(record);
  TWzWord word;
  SetUpWord(word);
  int64_t loads = 0;
  for (auto _ : state) {
    TWdPageList pages;
    word.Clear();
    pages.push_back(std::make_unique<TWdPage>(&word));
    int32_t y = 0;
    for (int i = 0; i < record.Count(); ++i) {
      TPage page;
      page.LoadFromFile(record.PageNameAt(i));
      ++loads;
      auto& command = dynamic_cast<TComTextIns&>(page.GetCommand(record.Entry(i).CommandIndex));
      command.Glyphs().SetPosition(0);
      TWzWord text;
      text.LoadFromStream(command.Glyphs());
      const int start = word.GlyphCount();
      word.ApplyCache(text, 0, -1);
      word.ExpandVars(start, -1);
      TWdPageList laid;
      word.Paginate(laid, start, -1);
      y = MoveRows(*laid.front(), *pages.front(), y, word.LineSpace);
    }
    benchmark::DoNotOptimize(pages.front()->GetCount());
    pages.clear();
  }
  state.counters["page loads per rebuild"] = double(loads) / double(std::max<int64_t>(1, state.iterations()));
  state.SetItemsProcessed(state.iterations() * kEntries);
}

BENCHMARK(BM_BacklogRebuildCacheWarm);
BENCHMARK(BM_BacklogLayoutFromFreshReads);

}  // namespace
