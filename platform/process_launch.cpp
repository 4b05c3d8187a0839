#include "platform/process_launch.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace orva {
namespace {

// The process id, or -1. The child reads nothing from our standard input.
pid_t Spawn(const std::vector<std::string>& argv) {
  if (argv.empty() || argv.front().empty()) return -1;
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return -1;
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid = -1;
  const int error = posix_spawnp(&pid, args.front(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) == -1)
    if (errno != EINTR) return -1;
  return status;
}

}  // namespace

bool RunProgram(const std::vector<std::string>& argv) {
  const pid_t pid = Spawn(argv);
  if (pid < 0) return false;
  const int status = WaitFor(pid);
  return status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int LaunchProgram(const std::vector<std::string>& argv) {
  const pid_t pid = Spawn(argv);
  if (pid < 0) return -1;
  std::thread([pid] { WaitFor(pid); }).detach();
  return pid;
}

}  // namespace orva
