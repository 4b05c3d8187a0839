#pragma once
// The boundary between game paths (Shift-JIS, "\" between components, compared ignoring
// case; core/paths.h) and the real UTF-8 file names of this system. Every game path goes to
// the OS through OsPath.

#include <string>
#include <string_view>

namespace orva {

// The real file for a game path: converted to UTF-8 and matched component by component
// ignoring case (platform/path_resolver.h). A relative path stays relative to the current
// directory.
std::string OsPath(std::string_view gamePath);

// The game path of a real file name. A name that Shift-JIS cannot spell (an accented home
// directory, say) is given a stand-in path that OsPath maps back, so it still works.
std::string GamePath(std::string_view osPath);

// A regular file (links followed) or a directory, by game path.
bool GameFileExists(std::string_view gamePath);
bool GameDirectoryExists(std::string_view gamePath);

}  // namespace orva
