// Name lookup in the hashed collection against std::unordered_map with the same names.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/hash_collection.h"

namespace {

// Names of one pattern, as games number their flags; looked up in a scattered order.
std::vector<std::string> Names(int n) {
  std::vector<std::string> names;
  char name[16];
  for (int i = 0; i < n; ++i) {
    std::snprintf(name, sizeof name, "flag%04d", i);
    names.push_back(name);
  }
  std::vector<std::string> scattered;
  for (int i = 0; i < n; ++i) scattered.push_back(names[static_cast<size_t>(i) * 7919 % static_cast<size_t>(n)]);
  return scattered;
}

void BM_HashCollectionIndexOf(benchmark::State& state) {
  auto names = Names(static_cast<int>(state.range(0)));
  orva::THashCollection c;
  for (auto& n : names) c.AddNamed(n);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(c.IndexOf(names[i]));
    if (++i == names.size()) i = 0;
  }
}

void BM_UnorderedMapFind(benchmark::State& state) {
  auto names = Names(static_cast<int>(state.range(0)));
  std::unordered_map<std::string, int> m;
  for (size_t k = 0; k < names.size(); ++k) m.emplace(names[k], static_cast<int>(k));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(m.find(names[i]));
    if (++i == names.size()) i = 0;
  }
}

}  // namespace

BENCHMARK(BM_HashCollectionIndexOf)->Arg(100)->Arg(10000)->Arg(100000);
BENCHMARK(BM_UnorderedMapFind)->Arg(100)->Arg(10000)->Arg(100000);
