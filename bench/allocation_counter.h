#pragma once
// Counts the allocations of a benchmark program by replacing the global allocation
// functions; include it in the one source file of the program.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace orva::bench {
inline std::atomic<uint64_t> allocations{0};
}  // namespace orva::bench

// Replacing the global allocation functions: GCC takes free() on their result for a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  orva::bench::allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace orva::bench {

// Runs the loop and reports allocations per step.
template <class F>
void Measure(benchmark::State& state, F&& step) {
  step();  // first use fills what is reused afterwards
  const uint64_t before = allocations.load();
  for (auto _ : state) step();
  state.counters["allocs"] =
      benchmark::Counter(static_cast<double>(allocations.load() - before) / static_cast<double>(state.iterations()));
}

}  // namespace orva::bench
