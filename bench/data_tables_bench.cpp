// DBLocate and DBSort over 100,000 records beside std::find_if and std::sort over the same
// rows as plain structs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/data_tables.h"

namespace {

constexpr int kRecords = 100000;

struct Row {
  int32_t id;
  char name[16];
  long double score;
  bool flag;
};

// Ids are a shuffled 0..n-1. The searches look for the last row's id and name, so every
// search reads all rows.
std::vector<Row> Rows() {
  std::vector<int32_t> ids(kRecords);
  for (int i = 0; i < kRecords; ++i) ids[static_cast<size_t>(i)] = i;
  std::shuffle(ids.begin(), ids.end(), std::mt19937(42));
  std::vector<Row> rows(kRecords);
  for (int i = 0; i < kRecords; ++i) {
    Row& r = rows[static_cast<size_t>(i)];
    r.id = ids[static_cast<size_t>(i)];
    std::snprintf(r.name, sizeof r.name, "name%08d", r.id * 7 % kRecords);
    r.score = r.id * 0.25L;
    r.flag = r.id % 2 == 0;
  }
  return rows;
}

orva::TDBTable Table(const std::vector<Row>& rows) {
  orva::TDBTable t("bench", 0);
  t.AddField("id", orva::PT_INT, 0);
  t.AddField("name", orva::PT_STR, 15);
  t.AddField("score", orva::PT_FLOAT, 0);
  t.AddField("flag", orva::PT_BOOL, 0);
  for (const Row& r : rows) {
    t.Append();
    t.SetInt(t.RecNo(), 0, r.id);
    t.SetStr(t.RecNo(), 1, r.name);
    t.SetFloat(t.RecNo(), 2, r.score);
    t.SetBool(t.RecNo(), 3, r.flag);
  }
  return t;
}

void BM_DBLocateInt(benchmark::State& state) {
  const std::vector<Row> rows = Rows();
  orva::TDBManager m;
  m.CreateTable("bench", 0);
  *m.ActiveTable() = Table(rows);
  const std::vector<std::string> fields{"id"};
  const orva::TDBValues values = std::vector<int32_t>{rows.back().id};
  const orva::TDBQuery q{"bench", &fields, &values, false, false, "score"};
  for (auto _ : state) benchmark::DoNotOptimize(m.Locate(q));
}

void BM_FindIfInt(benchmark::State& state) {
  const std::vector<Row> rows = Rows();
  const int32_t target = rows.back().id;
  for (auto _ : state)
    benchmark::DoNotOptimize(std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.id == target; }));
}

void BM_DBLocateStr(benchmark::State& state) {
  const std::vector<Row> rows = Rows();
  orva::TDBManager m;
  m.CreateTable("bench", 0);
  *m.ActiveTable() = Table(rows);
  const std::vector<std::string> fields{"name"};
  const orva::TDBValues values = std::vector<std::string>{rows.back().name};
  const orva::TDBQuery q{"bench", &fields, &values, false, false, "id"};
  for (auto _ : state) benchmark::DoNotOptimize(m.Locate(q));
}

void BM_FindIfStr(benchmark::State& state) {
  const std::vector<Row> rows = Rows();
  const std::string target = rows.back().name;
  for (auto _ : state)
    benchmark::DoNotOptimize(std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return target == r.name; }));
}

// Times one sort per iteration, each on a fresh copy of the unsorted rows.
template <class T, class SortFn>
void SortCopies(benchmark::State& state, const T& unsorted, SortFn sort) {
  for (auto _ : state) {
    state.PauseTiming();
    T copy = unsorted;
    state.ResumeTiming();
    sort(copy);
    benchmark::ClobberMemory();
  }
}

void BM_DBSortInt(benchmark::State& state) {
  SortCopies(state, Table(Rows()), [](orva::TDBTable& t) { t.Sort({"id"}, {false}); });
}

void BM_StdSortInt(benchmark::State& state) {
  SortCopies(state, Rows(), [](std::vector<Row>& rows) {
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.id < b.id; });
  });
}

void BM_DBSortBoolDescThenStr(benchmark::State& state) {
  SortCopies(state, Table(Rows()), [](orva::TDBTable& t) { t.Sort({"flag", "name"}, {true, false}); });
}

void BM_StdSortBoolDescThenStr(benchmark::State& state) {
  SortCopies(state, Rows(), [](std::vector<Row>& rows) {
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
      if (a.flag != b.flag) return a.flag > b.flag;
      return std::strcmp(a.name, b.name) < 0;
    });
  });
}

}  // namespace

BENCHMARK(BM_DBLocateInt)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindIfInt)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DBLocateStr)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindIfStr)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DBSortInt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSortInt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DBSortBoolDescThenStr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSortBoolDescThenStr)->Unit(benchmark::kMillisecond);
