#pragma once
// The process around the main window: the checks that keep the player from running (started
// from an optical disc, another player already running for the same game directory), the
// "/config" branch, the main window with its message loop, and the order of start and end.

#include <string>
#include <string_view>

namespace orva {

class TShellMedia;

// The single-instance name of a game directory (a game path): upper-cased, a "\" appended
// unless it ends with one, every single-byte "\" replaced by "-".
std::string MutexName(std::string_view gameDirectory);
// The game path of a directory argument, made absolute against the current directory with
// "." and ".." resolved and links followed, so that two spellings of one directory agree.
std::string AbsoluteGamePath(const std::string& osPath);
// "/config" in any case.
bool IsConfigArgument(std::string_view argument);

// The whole program: returns the exit code.
int PlayerMain(int argc, char** argv, TShellMedia& media);

}  // namespace orva
