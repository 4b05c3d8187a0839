#pragma once
// Other programs of the desktop (the wallpaper setting, the address opener), run by argument
// vector and looked up on PATH: never through a shell, so no argument is ever parsed again.

#include <string>
#include <vector>

namespace orva {

// Runs the program with the arguments (argv[0] is the program) and waits for its end; true
// when it ran and exited with status 0.
bool RunProgram(const std::vector<std::string>& argv);

// Starts the program and returns at once. A thread of its own waits for its end, so that it
// leaves no zombie behind. The process id, or -1 when it could not be started.
int LaunchProgram(const std::vector<std::string>& argv);

}  // namespace orva
