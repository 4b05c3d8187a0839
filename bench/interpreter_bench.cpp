// The interpreter: commands stepped per second in one frame's run of a long loop, beside the
// same compiled expressions evaluated by a plain C++ loop; and the load of a 5,000-command
// page through the file manager, beside reading the same expressions alone.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "core/stream.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "script/build_parser.h"
#include "script/call_manager.h"
#include "script/orva_parser.h"
#include "script/param_collection.h"

namespace {

using namespace orva;
using kit::PageBuilder;

constexpr int kIterations = 100000;
// Per pass: While, If, Calc, WhileLoop; the If's block (one Calc) in every other pass; the
// failing While at the end.
constexpr int64_t kCommandsPerRun = int64_t{kIterations} * 4 + kIterations / 2 + 1;

void BM_WhileLoopInOneFrame(benchmark::State& state) {
  kit::GameFiles files;
  TParamCollection vars;
  for (const char* name : {"i", "s"}) vars.AddVariable(PT_INT).SetName(name);
  PageBuilder page;
  page.While("i < " + std::to_string(kIterations), [&] {
    page.If("i % 2 == 0", [&] { page.Calc("s = s + i"); });
    page.Calc("i = i + 1");
  });
  files.Add("loop.osb", page);
  TCallMan man(vars);
  TParamCollectionItem& i = *vars.Find("i");
  TParamCollectionItem& s = *vars.Find("s");
  for (auto _ : state) {
    i.SetAsInteger(0);
    s.SetAsInteger(0);
    man.Start("loop.osb");
    man.Execute();
  }
  if (i.GetAsInteger() != kIterations) state.SkipWithError("the loop did not finish in one frame");
  state.SetItemsProcessed(state.iterations() * kCommandsPerRun);
}
BENCHMARK(BM_WhileLoopInOneFrame)->Unit(benchmark::kMillisecond);

// The same expressions in the same order, evaluated by C++ control flow.
void BM_WhileLoopReference(benchmark::State& state) {
  TParamCollection vars;
  for (const char* name : {"i", "s"}) vars.AddVariable(PT_INT).SetName(name);
  TOrvaParser loop, even, add, next;
  CompileExpression("i < " + std::to_string(kIterations), loop);
  CompileExpression("i % 2 == 0", even);
  CompileExpression("s = s + i", add);
  CompileExpression("i = i + 1", next);
  TParamCollectionItem& i = *vars.Find("i");
  TParamCollectionItem& s = *vars.Find("s");
  auto holds = [&](TOrvaParser& e) {
    e.Evaluate(vars);
    return e.Result() && e.Result()->GetAsBoolean();
  };
  for (auto _ : state) {
    i.SetAsInteger(0);
    s.SetAsInteger(0);
    while (holds(loop)) {
      if (holds(even)) add.Evaluate(vars);
      next.Evaluate(vars);
    }
  }
  state.SetItemsProcessed(state.iterations() * kCommandsPerRun);
}
BENCHMARK(BM_WhileLoopReference)->Unit(benchmark::kMillisecond);

// A page of 5,000 commands as a game has them: assignments, conditions, loops, waits,
// calls with arguments and object-creating commands with several properties.
PageBuilder BigPage(std::vector<std::string>* expressions) {
  PageBuilder page;
  auto note = [&](std::string text) {
    if (expressions) expressions->push_back(std::move(text));
    return expressions ? expressions->back() : text;
  };
  while (page.Next() < 5000) {
    page.Calc(note("score = score + " + std::to_string(page.Next())));
    page.If(note("(flag == 1) & (score > 10)"), [&] { page.Calc(note("name = \"scene\" ++ score")); });
    page.Wait(note("500"), note(""), note("FALSE"));
    page.Call("sub.osb", 0, "r", {note("score"), note("\"text\"")}, note("TRUE"));
    page.Component(TCommandCode::BoxNew, {{PR_NAME, note("\"box\" ++ score")}, {PR_LEFT, note("10")},
                                          {PR_TOP, note("20")}, {PR_WIDTH, note("320")}, {PR_HEIGHT, note("240")}});
  }
  return page;
}

void BM_LoadPage5000(benchmark::State& state) {
  kit::GameFiles files;
  const std::string bytes = BigPage(nullptr).Bytes();
  files.Add("big.osb", bytes);
  int commands = 0;
  for (auto _ : state) {
    TPage page;
    page.LoadFromFile("big.osb");
    commands = page.Count();
    benchmark::DoNotOptimize(page);
  }
  state.counters["commands"] = commands;
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_LoadPage5000)->Unit(benchmark::kMillisecond);

// The expressions of the same page alone, read one after another from memory.
void BM_LoadPage5000Reference(benchmark::State& state) {
  std::vector<std::string> texts;
  const int64_t pageBytes = static_cast<int64_t>(BigPage(&texts).Bytes().size());
  std::string stored;
  for (const std::string& text : texts) stored += kit::Expr(text);
  for (auto _ : state) {
    TMemoryStream m(stored);
    std::vector<std::unique_ptr<TOrvaParser>> parsed(texts.size());
    for (auto& expr : parsed) {
      expr = std::make_unique<TOrvaParser>();
      expr->LoadFromStream(m);
    }
    benchmark::DoNotOptimize(parsed);
  }
  state.SetBytesProcessed(state.iterations() * pageBytes);
}
BENCHMARK(BM_LoadPage5000Reference)->Unit(benchmark::kMillisecond);

}  // namespace
