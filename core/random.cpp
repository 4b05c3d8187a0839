#include "core/random.h"

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

}  // namespace orva
