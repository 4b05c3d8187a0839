#pragma once
// Work that other threads hand to the main thread: a worker posts a job when it is done, and
// the frame loop runs the jobs posted so far before each frame step (tests run them by hand).

#include <functional>

namespace orva {

// Any thread.
void PostToMainThread(std::function<void()> job);
// Main thread: runs the jobs posted before the call, in order. Jobs posted meanwhile wait for
// the next call.
void RunMainThreadJobs();

}  // namespace orva
