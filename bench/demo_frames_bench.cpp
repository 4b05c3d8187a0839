// The demo game played headless through all its scenes (its title with music and movie, the
// text, the choice, the maps, the pictures with their MIDI tune, the film, the effects and two
// rounds of every flip's transition), as the player plays it, with the wall time of every frame
// step on the main thread. The step is timed from the last event poll before it to its end;
// what follows it (the headless sound pull, which a real run leaves to the audio thread) is
// timed apart. Every run is a process of its own, so that every first load is in it; the runs
// play the same frames, and each frame's median over the runs is set beside the frame budget.
// The worst frames are listed with the game clock and the script lines they ran.
//   taskset -c 1 bench_demo_frames [runs [worst-count]]
//   bench_demo_frames --input      (the scripted input, for ORVA_INPUT)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/app_control.h"
#include "core/file_manager.h"
#include "core/frame_clock.h"
#include "core/game_path.h"
#include "core/random.h"
#include "kit/demo_game.h"
#include "platform/audio_output.h"
#include "platform/headless_window_system.h"
#include "platform/message_box.h"
#include "platform/temp_dir.h"
#include "shell/form_view.h"
#include "shell/media_library.h"
#include "shell/player_media.h"
#include "shell/window_boxes.h"
#include "shell/window_clock.h"

namespace {

using namespace orva;
using TWall = std::chrono::steady_clock;

constexpr double kBudgetMs = 8.0;
// Two rounds of the flips after the pictures start.
constexpr int kEndClock = kit::DemoMapsClock + 200 + 24000;

std::string Input() { return "1 key RETURN; " + kit::DemoToPictures() + std::to_string(kEndClock) + " close"; }

struct TFrame {
  uint32_t Clock = 0;   // virtual ms at its start
  double StepMs = 0;    // the frame step
  double CpuMs = 0;     // the main thread's processor time in it
  double AllCpuMs = 0;  // and that of all the process's threads (what it waited for included)
  double Faults = 0;    // and the pages it touched for the first time
  double AfterMs = 0;   // the rest of the pass: cursor, media idle, headless sound pull
  std::string Lines;    // the first script lines traced during the step
  int LineCount = 0;
};

// The headless window, with the wall clock read at each event poll (the last one comes right
// before the step) and at the end of each step.
class TTimedWindow final : public THeadlessWindowSystem {
 public:
  using THeadlessWindowSystem::THeadlessWindowSystem;

  bool PollEvent(TWindowEvent& event) override {
    mark_ = TWall::now();
    cpuMark_ = ThreadCpuMs();
    allCpuMark_ = ProcessCpuMs();
    faultMark_ = ThreadFaults();
    if (stepped_) {
      Frames.back().AfterMs = Ms(stepEnd_, mark_);
      stepped_ = false;
    }
    return THeadlessWindowSystem::PollEvent(event);
  }

  void FrameStepped() override {
    stepEnd_ = TWall::now();
    Pending.Clock = clockAtPoll_;
    Pending.StepMs = Ms(mark_, stepEnd_);
    Pending.CpuMs = ThreadCpuMs() - cpuMark_;
    Pending.AllCpuMs = ProcessCpuMs() - allCpuMark_;
    Pending.Faults = static_cast<double>(ThreadFaults() - faultMark_);
    Frames.push_back(std::move(Pending));
    Pending = {};
    stepped_ = true;
    THeadlessWindowSystem::FrameStepped();
    clockAtPoll_ = Milliseconds();
  }

  void Traced(std::string_view line) {
    const size_t at = line.find(" : ");
    if (Pending.LineCount++ < 3) Pending.Lines += (Pending.Lines.empty() ? "" : ", ") + std::string(line.substr(at + 3));
  }

  std::vector<TFrame> Frames;
  TFrame Pending;

 private:
  static double Ms(TWall::time_point a, TWall::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }
  static double CpuMs(clockid_t clock) {
    timespec t{};
    ::clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
  }
  static double ThreadCpuMs() { return CpuMs(CLOCK_THREAD_CPUTIME_ID); }
  static double ProcessCpuMs() { return CpuMs(CLOCK_PROCESS_CPUTIME_ID); }
  static long ThreadFaults() {
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt + usage.ru_majflt;
  }
  TWall::time_point mark_ = TWall::now(), stepEnd_ = TWall::now();
  double cpuMark_ = 0;
  double allCpuMark_ = 0;
  long faultMark_ = 0;
  bool stepped_ = false;
  uint32_t clockAtPoll_ = 0;
};

// One run of the demo as the player makes it; none when it did not run through.
std::vector<TFrame> PlayDemo() {
  if (!BindOrvaLibrary()) return {};
  const std::string dir = MakePrivateTempDirectory("orva-frames-");
  kit::WriteGameArchive(dir + "/game.dat", kit::DemoGameFiles());
  SetAudioBackend(TAudioBackend::Headless);
  std::vector<TFrame> frames;
  int exitCode = 1;
  {
    TPlayerMedia media;
    InitFileManager();
    TTimedWindow window(ParseInputScript(Input()), {});
    TWindowBoxes windowBoxes(window);
    TMessageBoxScope boxes(windowBoxes);
    TWindowClock clock(window);
    SetPlatformClock(&clock);
    SeedRuntimeRandom(timeGetTime());
    OrvaLogWrite = [&window](std::string_view line) { window.Traced(line); };
    TPlayerSetup setup;
    setup.Arguments.push_back(GamePath(dir));
    setup.FrameCap = 50000;
    QuitRequested = false;
    {
      TFormView form(window, media, std::move(setup));
      form.FormCreate();
      if (!form.Closed()) exitCode = form.Run();
    }
    OrvaLogWrite = nullptr;
    SetPlatformClock(nullptr);
    DoneFileManager();
    DeleteExitFiles();
    frames = std::move(window.Frames);
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  if (exitCode != 0) frames.clear();
  return frames;
}

// A run in a child process, its frames sent back one a line.
std::vector<TFrame> PlayDemoApart() {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeEnds[0]);
    FILE* out = ::fdopen(pipeEnds[1], "w");
    for (const TFrame& f : PlayDemo())
      std::fprintf(out, "%u %.6f %.6f %.6f %.0f %.6f %d %s\n", f.Clock, f.StepMs, f.CpuMs, f.AllCpuMs, f.Faults, f.AfterMs,
                   f.LineCount, f.Lines.c_str());
    std::fclose(out);
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  FILE* in = ::fdopen(pipeEnds[0], "r");
  std::vector<TFrame> frames;
  TFrame f;
  char lines[4096];
  while (std::fscanf(in, "%u %lf %lf %lf %lf %lf %d", &f.Clock, &f.StepMs, &f.CpuMs, &f.AllCpuMs, &f.Faults, &f.AfterMs,
                     &f.LineCount) == 7) {
    if (!std::fgets(lines, sizeof lines, in)) break;
    f.Lines = lines + (lines[0] == ' ' ? 1 : 0);
    if (!f.Lines.empty() && f.Lines.back() == '\n') f.Lines.pop_back();
    frames.push_back(f);
  }
  std::fclose(in);
  int status = 0;
  ::waitpid(child, &status, 0);
  return frames;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())))];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string_view(argv[1]) == "--input") {
    std::printf("%s\n", Input().c_str());
    return 0;
  }
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const size_t worst = argc > 2 ? static_cast<size_t>(std::max(1, std::atoi(argv[2]))) : 10;
  std::vector<std::vector<TFrame>> all;
  for (int r = 0; r < runs; ++r) {
    all.push_back(PlayDemoApart());
    if (all.back().empty() || all.back().size() != all.front().size()) {
      std::fprintf(stderr, "bench_demo_frames: run %d did not play the demo through as the first did\n", r + 1);
      return 1;
    }
  }
  // Frame by frame, the median over the runs.
  std::vector<TFrame> frames = all.front();
  std::vector<double> steps, afters, worstOfRuns;
  for (size_t i = 0; i < frames.size(); ++i) {
    std::vector<double> step, cpu, allCpu, faults, after;
    for (const std::vector<TFrame>& run : all) {
      step.push_back(run[i].StepMs);
      cpu.push_back(run[i].CpuMs);
      allCpu.push_back(run[i].AllCpuMs);
      faults.push_back(run[i].Faults);
      after.push_back(run[i].AfterMs);
    }
    frames[i].StepMs = Median(step);
    frames[i].CpuMs = Median(cpu);
    frames[i].AllCpuMs = Median(allCpu);
    frames[i].Faults = Median(faults);
    frames[i].AfterMs = Median(after);
    steps.push_back(frames[i].StepMs);
    afters.push_back(frames[i].AfterMs);
  }
  for (const std::vector<TFrame>& run : all) {
    double most = 0;
    for (const TFrame& f : run) most = std::max(most, f.StepMs);
    worstOfRuns.push_back(most);
  }
  std::sort(worstOfRuns.begin(), worstOfRuns.end());
  const auto over = std::count_if(steps.begin(), steps.end(), [](double s) { return s > kBudgetMs; });
  std::printf("%d runs of %zu frames; frame step ms, each frame's median over the runs:\n", runs, frames.size());
  std::printf("  median %.3f  p99 %.3f  max %.3f  (budget %.1f: %ld frames over)\n", Percentile(steps, 0.5),
              Percentile(steps, 0.99), Percentile(steps, 1.0), kBudgetMs, static_cast<long>(over));
  std::printf("  the worst frame of each run:");
  for (double w : worstOfRuns) std::printf(" %.3f", w);
  std::printf("\n  after the step (headless sound pull): median %.3f  max %.3f\n", Percentile(afters, 0.5),
              Percentile(afters, 1.0));
  // On a busy machine the wall time of a frame that waits for a worker holds the waits for the
  // core as well; the processor time of all threads is what the frame costs on a free core.
  const auto list = [&](const char* title, double TFrame::*key) {
    std::vector<size_t> order(frames.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return frames[a].*key > frames[b].*key; });
    std::printf("%s (median ms; of it the main thread's processor time; that of all threads; the main thread's page\n"
                "faults; frame, game clock, script lines):\n", title);
    for (size_t k = 0; k < std::min(worst, order.size()); ++k) {
      const TFrame& f = frames[order[k]];
      std::printf("  %8.3f  %8.3f  %8.3f  %6.0f  %5zu  %6u  %s%s\n", f.StepMs, f.CpuMs, f.AllCpuMs, f.Faults, order[k], f.Clock,
                  f.Lines.c_str(), f.LineCount > 3 ? ", ..." : "");
    }
  };
  list("worst frames", &TFrame::StepMs);
  list("worst frames by the processor time of all threads", &TFrame::AllCpuMs);
  return 0;
}
