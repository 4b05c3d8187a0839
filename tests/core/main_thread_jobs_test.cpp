#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/main_thread_jobs.h"

using namespace orva;

TEST(MainThreadJobs, RunInOrderOnTheCallingThreadOnce) {
  std::vector<std::string> ran;
  std::thread worker([&] {
    PostToMainThread([&, poster = std::this_thread::get_id()] {
      ran.push_back(std::this_thread::get_id() != poster ? "first" : "first, on the worker");
    });
    PostToMainThread([&] {
      ran.push_back("second");
      PostToMainThread([&] { ran.push_back("posted by a job"); });
    });
  });
  worker.join();
  RunMainThreadJobs();
  EXPECT_EQ(ran, (std::vector<std::string>{"first", "second"})) << "on the thread that runs them";
  RunMainThreadJobs();
  RunMainThreadJobs();
  EXPECT_EQ(ran.back(), "posted by a job") << "at the next run, once";
  EXPECT_EQ(ran.size(), 3u);
}

TEST(MainThreadJobs, AFailingJobKeepsTheOthers) {
  std::vector<int> ran;
  PostToMainThread([&] { ran.push_back(1); });
  PostToMainThread([] { throw std::runtime_error("job"); });
  PostToMainThread([&] { ran.push_back(3); });
  EXPECT_THROW(RunMainThreadJobs(), std::runtime_error);
  EXPECT_EQ(ran, (std::vector<int>{1}));
  PostToMainThread([&] { ran.push_back(4); });
  RunMainThreadJobs();
  EXPECT_EQ(ran, (std::vector<int>{1, 3, 4}));
}
