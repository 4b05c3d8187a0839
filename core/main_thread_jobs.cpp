#include "core/main_thread_jobs.h"

#include <cstddef>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

namespace orva {

namespace {

struct TJobs {
  std::mutex lock;
  std::vector<std::function<void()>> waiting;
};

TJobs& Jobs() {
  static TJobs jobs;
  return jobs;
}

}  // namespace

void PostToMainThread(std::function<void()> job) {
  TJobs& jobs = Jobs();
  std::lock_guard<std::mutex> hold(jobs.lock);
  jobs.waiting.push_back(std::move(job));
}

void RunMainThreadJobs() {
  std::vector<std::function<void()>> now;
  {
    TJobs& jobs = Jobs();
    std::lock_guard<std::mutex> hold(jobs.lock);
    now.swap(jobs.waiting);
  }
  for (size_t i = 0; i < now.size(); ++i) {
    try {
      now[i]();
    } catch (...) {
      // The jobs after a failing one are not lost: they run at the next call, first.
      TJobs& jobs = Jobs();
      std::lock_guard<std::mutex> hold(jobs.lock);
      jobs.waiting.insert(jobs.waiting.begin(), std::make_move_iterator(now.begin() + std::ptrdiff_t(i) + 1),
                          std::make_move_iterator(now.end()));
      throw;
    }
  }
}

}  // namespace orva
