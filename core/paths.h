#pragma once
// Game paths: Shift-JIS text with "\" between components (never the trail byte 0x5C of a
// double-byte character), a drive "c:\" or server "\\srv\" prefix in the game's own data,
// and a leading "\" for an absolute path of this system. OsPath (core/game_path.h) maps
// them onto real files.

#include <string>
#include <string_view>
#include <vector>

namespace orva {

// The path with "\" appended unless it already ends with a path delimiter.
std::string AddBackSlash(std::string_view path);

// Up to and including the last "\" or ":" ("" when none).
std::string ExtractFilePath(std::string_view path);
// After the last "\" or ":".
std::string ExtractFileName(std::string_view path);
// From the last "." of the file name on, the dot included ("" when none).
std::string ExtractFileExt(std::string_view path);
// The path with its extension replaced (or added).
std::string ChangeFileExt(std::string_view path, std::string_view extension);

// The components of one upper-cased path: an optional prefix (drive letter, colon and
// backslash, or two backslashes, a server name and a backslash), then one item per
// directory, each with its trailing backslash.
class TPathParser {
 public:
  void SetPath(std::string_view path);
  std::string Join() const;
  int Count() const { return static_cast<int>(components_.size()); }
  const std::string& Component(int index) const { return components_.at(static_cast<size_t>(index)); }
  void RemoveLast() { components_.pop_back(); }

 private:
  std::vector<std::string> components_;
};

// A name relative to a base directory (which ends with "\"): each leading "..\" takes one
// directory off the base, and the directory part comes out upper-cased; absolute names
// ("\...", "c:...") and names of one byte or less are returned unchanged.
std::string ExpandRelativePath(std::string_view name, std::string_view base);

// Whether a file name a script gives stays inside the game's directories: no drive ("c:"),
// no leading "\" or "/" (so no "\\server" either), and no ".." component that climbs above
// the name's start. Components are separated by single-byte "\" and "/". The empty name is
// none.
bool IsGameRelativeName(std::string_view name);

// The directory of a data file: for "\\server" and drive paths up to the last "\" or ":",
// otherwise up to the last "\" ("" when none).
std::string ExtractDataDir(std::string_view path);

}  // namespace orva
