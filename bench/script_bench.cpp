// Evaluation of compiled expressions over the variable store, beside the same arithmetic in
// plain C++ on a std::unordered_map of the same names. Allocations are counted through the
// global operator new of this program.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "script/build_parser.h"
#include "script/orva_parser.h"
#include "script/param_collection.h"

namespace {
std::atomic<uint64_t> allocations{0};
}  // namespace

// Replacing the global allocation functions: GCC takes free() on their result for a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace orva;

// Names of one pattern, as games number their flags.
std::string FlagName(int64_t i) {
  char name[32];
  std::snprintf(name, sizeof name, "flag%04lld", static_cast<long long>(i));
  return name;
}

// The store of a game with `count` variables besides the ones the expressions use.
void Fill(TParamCollection& store, int count) {
  for (int i = 0; i < count; ++i) store.AddVariable(PT_INT).SetName(FlagName(i));
}

// Runs the loop and reports allocations per evaluation.
template <class F>
void Measure(benchmark::State& state, F&& step) {
  step();  // first use fills what is reused afterwards
  const uint64_t before = allocations.load();
  for (auto _ : state) step();
  state.counters["allocs"] =
      benchmark::Counter(static_cast<double>(allocations.load() - before) / static_cast<double>(state.iterations()));
}

void BM_EvaluateAssign(benchmark::State& state) {
  TParamCollection store;
  Fill(store, static_cast<int>(state.range(0)));
  for (const char* name : {"a", "b", "c"}) store.AddVariable(PT_INT).SetName(name);
  store.Find("b")->SetAsInteger(3);
  TParamCollectionItem& a = *store.Find("a");
  TParamCollectionItem& c = *store.Find("c");
  TOrvaParser parser;
  CompileExpression("a = b + c * 2", parser);
  Measure(state, [&] {
    c.SetAsInteger(a.GetAsInteger() & 1023);  // keeps the values moving
    parser.Evaluate(store);
  });
}

void BM_MapAssign(benchmark::State& state) {
  std::unordered_map<std::string, int32_t> vars;
  for (int i = 0; i < state.range(0); ++i) vars[FlagName(i)] = 0;
  vars["a"] = 0;
  vars["b"] = 3;
  vars["c"] = 0;
  const std::string a = "a", b = "b", c = "c";
  int32_t& aValue = vars[a];
  int32_t& cValue = vars[c];
  Measure(state, [&] {
    cValue = aValue & 1023;
    vars.find(a)->second = vars.find(b)->second + vars.find(c)->second * 2;
    benchmark::DoNotOptimize(vars);
  });
}

void BM_EvaluateSubscript(benchmark::State& state) {
  TParamCollection store;
  Fill(store, static_cast<int>(state.range(0)));
  TParamCollectionItem& x = store.AddVariable(PT_INT);
  x.SetName("x");
  const int32_t sizes[] = {10, 10};
  x.Value().SetDims(sizes);
  store.AddVariable(PT_INT).SetName("i");
  store.AddVariable(PT_INT).SetName("j");
  store.Find("i")->SetAsInteger(3);
  store.Find("j")->SetAsInteger(4);
  TOrvaParser parser;
  CompileExpression("x[i, j] = x[i, j] + 1", parser);
  Measure(state, [&] { parser.Evaluate(store); });
}

void BM_MapSubscript(benchmark::State& state) {
  std::unordered_map<std::string, std::vector<int32_t>> vars;
  for (int i = 0; i < state.range(0); ++i) vars[FlagName(i)] = {0};
  vars["x"] = std::vector<int32_t>(100);
  vars["i"] = {3};
  vars["j"] = {4};
  const std::string x = "x", i = "i", j = "j";
  Measure(state, [&] {
    const int32_t flat = vars.find(i)->second[0] * 10 + vars.find(j)->second[0];
    vars.find(x)->second[static_cast<size_t>(flat)] = vars.find(x)->second[static_cast<size_t>(flat)] + 1;
    benchmark::DoNotOptimize(vars);
  });
}

// One name lookup of the store among many of one pattern (what an operand costs when the
// store changed since the expression last ran).
void BM_StoreFind(benchmark::State& state) {
  TParamCollection store;
  Fill(store, static_cast<int>(state.range(0)));
  const std::string name = FlagName(state.range(0) / 2);
  Measure(state, [&] { benchmark::DoNotOptimize(store.Find(name)); });
}

void BM_MapFind(benchmark::State& state) {
  std::unordered_map<std::string, int32_t> vars;
  for (int i = 0; i < state.range(0); ++i) vars[FlagName(i)] = 0;
  const std::string name = FlagName(state.range(0) / 2);
  Measure(state, [&] { benchmark::DoNotOptimize(vars.find(name)); });
}

// The same evaluation when every step changes the store, so no lookup can be kept.
void BM_EvaluateAssignStoreChanging(benchmark::State& state) {
  TParamCollection store;
  Fill(store, static_cast<int>(state.range(0)));
  for (const char* name : {"a", "b", "c"}) store.AddVariable(PT_INT).SetName(name);
  TParamCollectionItem& scratch = store.AddVariable(PT_INT);
  TOrvaParser parser;
  CompileExpression("a = b + c * 2", parser);
  int n = 0;
  Measure(state, [&] {
    scratch.SetName((n++ & 1) ? "s1" : "s2");
    parser.Evaluate(store);
  });
}

// 100,000 appends of 1 KiB to one text (s = s ++ k), beside std::string appending the same.
void BM_EvaluateAppend100k(benchmark::State& state) {
  TParamCollection store;
  store.AddVariable(PT_STR).SetName("s");
  store.AddVariable(PT_STR).SetName("k");
  store.Find("k")->SetAsString(std::string(1024, 'k'));
  TParamCollectionItem& s = *store.Find("s");
  TOrvaParser parser;
  CompileExpression("s = s ++ k", parser);
  for (auto _ : state) {
    s.SetAsString({});
    for (int i = 0; i < 100000; ++i) parser.Evaluate(store);
    benchmark::DoNotOptimize(s);
    state.PauseTiming();
    s.SetParamType(PT_STR);  // frees the text outside the measure
    state.ResumeTiming();
  }
}

void BM_StringAppend100k(benchmark::State& state) {
  const std::string k(1024, 'k');
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < 100000; ++i) s += k;
    benchmark::DoNotOptimize(s);
    state.PauseTiming();
    s = std::string();
    state.ResumeTiming();
  }
}

}  // namespace

BENCHMARK(BM_EvaluateAssign)->Arg(100)->Arg(10000);
BENCHMARK(BM_MapAssign)->Arg(100)->Arg(10000);
BENCHMARK(BM_EvaluateSubscript)->Arg(100)->Arg(10000);
BENCHMARK(BM_MapSubscript)->Arg(100)->Arg(10000);
BENCHMARK(BM_EvaluateAssignStoreChanging)->Arg(100)->Arg(10000);
BENCHMARK(BM_StoreFind)->Arg(100)->Arg(10000)->Arg(100000);
BENCHMARK(BM_MapFind)->Arg(100)->Arg(10000)->Arg(100000);
BENCHMARK(BM_EvaluateAppend100k)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StringAppend100k)->Unit(benchmark::kMillisecond)->Iterations(3);
