#include "core/random.h"

#include <random>

#include "core/frame_clock.h"

namespace orva {

void TWzRandom::SetCount(int32_t n) {
  count_ = n;
  indexes_.clear();
  for (int32_t i = 0; i < n; ++i) indexes_.push_back(i);
}

int32_t TWzRandom::NextIndex() {
  if (indexes_.empty()) return -1;
  uint32_t i = Next() % static_cast<uint32_t>(indexes_.size());
  int32_t value = indexes_[i];
  indexes_.erase(indexes_.begin() + i);
  return value;
}

namespace {
std::mt19937& RuntimeGenerator() {
  static std::mt19937 generator(timeGetTime());
  return generator;
}
}  // namespace

void SeedRuntimeRandom(uint32_t seed) { RuntimeGenerator().seed(seed); }

int32_t RuntimeRandom(int32_t n) {
  if (n < 1) return 0;
  return std::uniform_int_distribution<int32_t>(0, n - 1)(RuntimeGenerator());
}

double RuntimeRandomFloat() { return static_cast<double>(RuntimeGenerator()()) / 4294967296.0; }

}  // namespace orva
