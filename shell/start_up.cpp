#include "shell/start_up.h"

#include <unistd.h>

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/app_control.h"
#include "core/big_stream.h"
#include "core/encoding.h"
#include "core/file_manager.h"
#include "core/frame_clock.h"
#include "core/game_path.h"
#include "core/paths.h"
#include "core/random.h"
#include "core/single_instance.h"
#include "core/sjis.h"
#include "platform/close_signals.h"
#include "platform/headless_window_system.h"
#include "platform/message_box.h"
#include "platform/optical_drives.h"
#include "platform/program_file.h"
#include "platform/sdl_window_system.h"
#include "shell/config_model.h"
#include "shell/config_window.h"
#include "shell/form_view.h"
#include "shell/window_boxes.h"
#include "shell/window_clock.h"

namespace orva {

namespace {

constexpr int64_t kDefaultFrameCap = 50000;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// "." and ".." taken out of an absolute path; "/" between components only.
std::string Normalized(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  return out.empty() ? "/" : out;
}

std::unique_ptr<TWindowSystem> MakeWindowSystem(bool headless) {
  if (headless) {
    try {
      return std::make_unique<THeadlessWindowSystem>(ParseInputScript(Environment("ORVA_INPUT")),
                                                     ParseBoxAnswers(Environment("ORVA_MSGBOX")));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "orva-player: %s\n", e.what());
      return nullptr;
    }
  }
  std::string error;
  std::unique_ptr<TWindowSystem> window = CreateSdlWindowSystem(error);
  if (!window) std::fprintf(stderr, "orva-player: no display: %s\n", error.c_str());
  return window;
}

// One line on standard error, whatever the text holds.
void ReportLine(std::string why) {
  for (char& c : why)
    if (c == '\r' || c == '\n') c = ' ';
  std::fprintf(stderr, "orva-player: %s\n", why.c_str());
}

// The one line that says why a start ended without a game: a game directory that is not
// there, else what the start-up found missing or damaged, after the file (and archive entry)
// it was reading.
void ReportStartFailure(const std::vector<std::string>& arguments, const std::string& sjisFailure,
                        const std::string& where) {
  struct stat st {};
  if (!arguments.empty() && ::stat(arguments.front().c_str(), &st) != 0)
    ReportLine(arguments.front() + ": " + std::strerror(errno));
  else if (sjisFailure.empty())
    ReportLine("the game could not start");
  else
    ReportLine((where.empty() ? std::string() : where + ": ") + SjisToUtf8(sjisFailure));
}

}  // namespace

std::string MutexName(std::string_view gameDirectory) {
  std::string name = AddBackSlash(AnsiUpperCase(gameDirectory));
  for (size_t i = 0; i < name.size(); ++i)
    if (IsPathDelimiter(name, static_cast<int>(i) + 1)) name[i] = '-';
  return name;
}

std::string AbsoluteGamePath(const std::string& osPath) {
  std::string path = osPath;
  if (char* real = ::realpath(osPath.c_str(), nullptr)) {
    path = real;
    std::free(real);
  } else if (path.empty() || path.front() != '/') {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd)) path = std::string(cwd) + "/" + path;
  }
  return GamePath(Normalized(path));
}

bool IsConfigArgument(std::string_view argument) { return SameTextAscii(argument, "/config"); }

int PlayerMain(int argc, char** argv, TShellMedia& media) {
  const std::string program = ProgramFileName();
  // Started from an installation disc: the game is not played from there.
  if (!program.empty() && IsOnOpticalDisc(program)) return 0;
  const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
  const std::string directory =
      !arguments.empty() ? arguments.front() : program.substr(0, program.rfind('/') == std::string::npos ? 0 : program.rfind('/'));
  TSingleInstanceMutex mutex = CreateSingleInstanceMutex(MutexName(AbsoluteGamePath(directory)));
  if (!mutex) {
    // Said, since the first player's window may be hidden; not an error, so status 0.
    ReportLine((!arguments.empty() ? arguments.front() : program) + " is already running");
    return 0;
  }
  // From here a signal closes as the window's close does, at the first look at the window
  // (after the start-up when it comes during it).
  TCloseSignals closeSignals;
  const bool config = !arguments.empty() && IsConfigArgument(arguments.front());
  // What writes killed by an earlier run left behind; a file another player (one that does
  // not share this guard) is still writing stays, locked by its writer.
  if (mutex->Held() && !config) RemoveStaleStagingFiles(directory.empty() ? "." : directory);

  // Opened once this instance may run, so that a second one never touches the first one's log.
  OrvaLogInit();
  InitFileManager();
  struct TModuleEnd {
    TSingleInstanceMutex& mutex;
    ~TModuleEnd() {
      ReleaseSingleInstanceMutex(mutex);
      DoneFileManager();
      DeleteExitFiles();
      OrvaLogFinal();
    }
  } moduleEnd{mutex};

  const bool headless = Environment("ORVA_HEADLESS") == "1";
  std::unique_ptr<TWindowSystem> window = MakeWindowSystem(headless);
  if (!window) return 1;
  TWindowBoxes windowBoxes(*window);
  TMessageBoxScope boxes(windowBoxes);
  TWindowClock virtualClock(*window);
  if (window->IsVirtual()) SetPlatformClock(&virtualClock);
  struct TClockScope {
    ~TClockScope() { SetPlatformClock(nullptr); }
  } clockScope;
  SeedRuntimeRandom(timeGetTime());

  if (config) {
    std::unique_ptr<TConfigModel> model = CreateConfigModel();
    return RunConfigWindow(*window, *model);
  }

  TPlayerSetup setup;
  for (const std::string& argument : arguments) setup.Arguments.push_back(GamePath(argument));
  if (headless) {
    setup.CapturePath = Environment("ORVA_CAPTURE");
    setup.AudioCapturePath = Environment("ORVA_AUDIO_CAPTURE");
    const std::string cap = Environment("ORVA_FRAME_CAP");
    setup.FrameCap = cap.empty() ? kDefaultFrameCap : std::atoll(cap.c_str());
  }
  QuitRequested = false;
  TFormView form(*window, media, std::move(setup));
  form.FormCreate();
  if (QuitRequested || form.Closed()) {
    ReportStartFailure(arguments, form.StartFailure(), form.StartFailureWhere());
    return 1;
  }
  return form.Run();
}

}  // namespace orva
