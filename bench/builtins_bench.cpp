// Built-in function calls through the evaluator and the executor, beside the same work done
// by plain C++ calls and on a std::unordered_map store of the same values; and SortStr of 100,000 texts beside std::sort of the same texts with the
// same comparison. Allocations are counted through the global operator new of this program.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "allocation_counter.h"
#include "core/sjis.h"
#include "script/build_parser.h"
#include "script/conversions.h"
#include "script/orva_parser.h"
#include "script/param_collection.h"
#include "script/sys_func_man.h"

namespace {

using namespace orva;
using orva::bench::Measure;

// A store with the executor, n, k and a text of `length` bytes in s.
struct Game {
  explicit Game(size_t length) {
    vars.SetFunctions(&functions);
    vars.AddVariable(PT_INT).SetName("n");
    vars.AddVariable(PT_INT).SetName("k");
    vars.AddVariable(PT_STR).SetName("s");
    vars.Find("s")->SetAsString(std::string(length, 'a'));
  }
  TParamCollection vars;
  TSysFuncMan functions{vars};
};

void BM_EvaluateLength(benchmark::State& state) {
  Game game(static_cast<size_t>(state.range(0)));
  TOrvaParser parser;
  CompileExpression("n = Length(s)", parser);
  Measure(state, [&] { parser.Evaluate(game.vars); });
}

void BM_CppLength(benchmark::State& state) {
  const std::string s(static_cast<size_t>(state.range(0)), 'a');
  int32_t n = 0;
  Measure(state, [&] {
    benchmark::DoNotOptimize(s);
    n = static_cast<int32_t>(s.size());
    benchmark::DoNotOptimize(n);
  });
}

// The same values in a std::unordered_map store, each access a lookup by name.
struct MapGame {
  explicit MapGame(size_t length) {
    vars[n] = int32_t{0};
    vars[k] = int32_t{0};
    vars[s] = std::string(length, 'a');
  }
  std::unordered_map<std::string, std::variant<int32_t, std::string>> vars;
  const std::string n = "n", k = "k", s = "s";
};

void BM_MapLength(benchmark::State& state) {
  MapGame game(static_cast<size_t>(state.range(0)));
  Measure(state, [&] {
    const std::string& text = std::get<std::string>(game.vars.find(game.s)->second);
    std::get<int32_t>(game.vars.find(game.n)->second) = static_cast<int32_t>(text.size());
    benchmark::DoNotOptimize(game.vars);
  });
}

void BM_EvaluateAbs(benchmark::State& state) {
  Game game(0);
  TParamCollectionItem& k = *game.vars.Find("k");
  TOrvaParser parser;
  CompileExpression("n = Abs(k)", parser);
  int32_t v = 0;
  Measure(state, [&] {
    k.SetAsInteger(--v);
    parser.Evaluate(game.vars);
  });
}

void BM_MapAbs(benchmark::State& state) {
  MapGame game(0);
  int32_t& k = std::get<int32_t>(game.vars[game.k]);
  int32_t v = 0;
  Measure(state, [&] {
    k = --v;
    const int32_t value = std::get<int32_t>(game.vars.find(game.k)->second);
    std::get<int32_t>(game.vars.find(game.n)->second) = value < 0 ? WrapSub(0, value) : value;
    benchmark::DoNotOptimize(game.vars);
  });
}

void BM_CppAbs(benchmark::State& state) {
  int32_t k = 0, n = 0;
  Measure(state, [&] {
    --k;
    benchmark::DoNotOptimize(k);
    n = k < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(k)) : k;
    benchmark::DoNotOptimize(n);
  });
}

// 100,000 texts of 4 to 12 letters of both cases and digits.
std::vector<std::string> Texts() {
  std::mt19937 random(7);
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::vector<std::string> texts(100000);
  for (std::string& t : texts) {
    t.resize(4 + random() % 9);
    for (char& c : t) c = kLetters[random() % (sizeof kLetters - 1)];
  }
  return texts;
}

// Each iteration sorts the same unsorted texts again (copying them in is part of both).
void BM_SortStr(benchmark::State& state) {
  Game game(0);
  TParamStr unsorted;
  const std::vector<std::string> texts = Texts();
  const int32_t sizes[] = {static_cast<int32_t>(texts.size())};
  unsorted.SetDims(sizes);
  for (size_t i = 0; i < texts.size(); ++i) unsorted.SetStrItem(static_cast<int32_t>(i), texts[i]);
  TParamCollectionItem& a = game.vars.AddVariable(PT_STR);
  a.SetName("a");
  TOrvaParser parser;
  CompileExpression("SortStr(a)", parser);
  Measure(state, [&] {
    a.Value().CopyFrom(unsorted);
    parser.Evaluate(game.vars);
  });
}

void BM_StdSort(benchmark::State& state) {
  const std::vector<std::string> texts = Texts();
  std::vector<std::string> sorted;
  Measure(state, [&] {
    sorted = texts;
    std::sort(sorted.begin(), sorted.end(),
              [](const std::string& x, const std::string& y) { return AnsiCompareText(x, y) < 0; });
    benchmark::DoNotOptimize(sorted.data());
  });
}

}  // namespace

BENCHMARK(BM_EvaluateLength)->Arg(8)->Arg(64);
BENCHMARK(BM_MapLength)->Arg(8)->Arg(64);
BENCHMARK(BM_CppLength)->Arg(8)->Arg(64);
BENCHMARK(BM_EvaluateAbs);
BENCHMARK(BM_MapAbs);
BENCHMARK(BM_CppAbs);
BENCHMARK(BM_SortStr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSort)->Unit(benchmark::kMillisecond);
