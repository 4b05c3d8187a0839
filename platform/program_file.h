#pragma once
// The running program's own file, which may carry the game's data appended to it.

#include <string>

namespace orva {

// Real path of the program file (UTF-8); empty when the system does not tell.
std::string ProgramFileName();

// Real directory of the program file, without a trailing "/"; "." when the system does not
// tell. Where the player keeps its settings and log.
std::string ProgramFileDirectory();

// Whether two real paths name the same file (same device and inode); false when either is missing.
bool IsSameFile(const std::string& a, const std::string& b);

}  // namespace orva
