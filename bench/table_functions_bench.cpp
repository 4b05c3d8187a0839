// The data-table functions through the evaluator and the executor over 10,000 records, beside
// the same work done by plain C++: DBGetInt in a DBFindNext loop beside the same calls on
// TDBTable, and DBSort beside std::sort of the same values. Allocations are counted through
// the global operator new of this program.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "allocation_counter.h"
#include "core/data_tables.h"
#include "script/build_parser.h"
#include "script/orva_parser.h"
#include "script/param_collection.h"
#include "script/sys_func_man.h"

namespace {

using namespace orva;
using orva::bench::Measure;

constexpr int kRecords = 10000;

// The ids 0 .. kRecords - 1 shuffled.
std::vector<int32_t> Ids() {
  std::vector<int32_t> ids(kRecords);
  std::iota(ids.begin(), ids.end(), 0);
  std::shuffle(ids.begin(), ids.end(), std::mt19937(42));
  return ids;
}

// A table of id (int) and name (string of 15) holding the ids in that order.
TDBTable Table(const std::vector<int32_t>& ids) {
  TDBTable t("bench", 0);
  t.AddField("id", PT_INT, 0);
  t.AddField("name", PT_STR, 15);
  for (int32_t id : ids) {
    t.Append();
    t.SetInt(t.RecNo(), 0, id);
    t.SetStr(t.RecNo(), 1, "name");
  }
  return t;
}

// The table made active in the one manager, with a store, the executor and n.
struct Game {
  Game() {
    vars.SetFunctions(&functions);
    vars.AddVariable(PT_INT).SetName("n");
    DBManager().Clear();
    DBManager().CreateTable("bench", 0);
  }
  ~Game() { DBManager().Clear(); }
  TDBTable& Active() { return *DBManager().ActiveTable(); }
  TParamCollection vars;
  TSysFuncMan functions{vars};
};

void BM_EvaluateFindNextLoop(benchmark::State& state) {
  Game game;
  game.Active() = Table(Ids());
  TOrvaParser reset, first, next, add;
  CompileExpression("n = 0", reset);
  CompileExpression("DBFindFirst()", first);
  CompileExpression("DBFindNext()", next);
  CompileExpression("n = n + DBGetInt(\"id\")", add);
  TParamCollectionItem& n = *game.vars.Find("n");
  Measure(state, [&] {
    reset.Evaluate(game.vars);
    first.Evaluate(game.vars);
    do add.Evaluate(game.vars);
    while (next.Evaluate(game.vars), next.Result()->GetAsBoolean());
    benchmark::DoNotOptimize(n.GetAsInteger());
  });
}

void BM_CppFindNextLoop(benchmark::State& state) {
  TDBTable table = Table(Ids());
  Measure(state, [&] {
    int32_t n = 0;
    table.First();
    do n += table.GetIntByName("id").value_or(0);
    while (table.Next());
    benchmark::DoNotOptimize(n);
  });
}

// Each iteration sorts the same unsorted records again (copying them in is part of both).
void BM_EvaluateDBSort(benchmark::State& state) {
  Game game;
  const TDBTable unsorted = Table(Ids());
  TOrvaParser sort;
  CompileExpression("DBSort(\"id\", FALSE)", sort);
  Measure(state, [&] {
    game.Active() = unsorted;
    sort.Evaluate(game.vars);
  });
}

void BM_StdSortIds(benchmark::State& state) {
  const std::vector<int32_t> ids = Ids();
  std::vector<int32_t> sorted;
  Measure(state, [&] {
    sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    benchmark::DoNotOptimize(sorted.data());
  });
}

}  // namespace

BENCHMARK(BM_EvaluateFindNextLoop)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CppFindNextLoop)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EvaluateDBSort)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StdSortIds)->Unit(benchmark::kMicrosecond);
