#pragma once
// The system's own deterministic generator: state := state x 5 + seed (unsigned 32-bit).
// Archive directories are scrambled with it, so its sequence is stored data.

#include <cstdint>
#include <vector>

namespace orva {

class TWzRandom {
 public:
  explicit TWzRandom(uint32_t seed) : seed_(seed) {}

  uint32_t Next() {
    state_ = state_ * 5u + seed_;
    return state_;
  }
  // The index list becomes 0 .. n-1; the state is kept.
  void SetCount(int32_t n);
  // Takes the entry at state mod (entries left) out of the list; -1 when the list is empty.
  int32_t NextIndex();

  uint32_t GetState() const { return state_; }
  void SetState(uint32_t state) { state_ = state; }
  int32_t GetCount() const { return count_; }
  int32_t Left() const { return static_cast<int32_t>(indexes_.size()); }

 private:
  uint32_t seed_;
  uint32_t state_ = 0;
  int32_t count_ = 0;
  std::vector<int32_t> indexes_;
};

// The runtime's uniform generator, shared by everything that draws without a seed of its
// own (the order of random blocks, for one). Seeded from the clock at start; tests seed it.
void SeedRuntimeRandom(uint32_t seed);
// 0 <= r < n; 0 for n below 1.
int32_t RuntimeRandom(int32_t n);
// A uniform value in [0, 1): one draw of the generator over 2^32.
double RuntimeRandomFloat();

}  // namespace orva
