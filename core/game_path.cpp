#include "core/game_path.h"

#include <sys/stat.h>

#include <mutex>
#include <vector>

#include "core/encoding.h"
#include "platform/path_resolver.h"

namespace orva {
namespace {

// Real directories that Shift-JIS cannot spell, by the number in their stand-in path:
// "\" + byte 0x01 + the number, a form no real game path takes.
struct Aliases {
  std::mutex lock;
  std::vector<std::string> directories;
};

Aliases& TheAliases() {
  static Aliases aliases;
  return aliases;
}

constexpr std::string_view kAliasMark = "\\\x01";

std::string ToGameSpelling(std::string_view os) {
  std::string game = Utf8ToSjis(os);
  if (SjisToUtf8(game) != os) return {};
  for (char& c : game)
    if (c == '/') c = '\\';  // "/" is never a trail byte in Shift-JIS
  return game;
}

}  // namespace

std::string GamePath(std::string_view osPath) {
  std::string game = ToGameSpelling(osPath);
  if (!game.empty() || osPath.empty()) return game;
  // Alias the directory part; the file name itself must then be spellable, or the whole path goes.
  size_t slash = osPath.rfind('/');
  std::string_view directory = slash == std::string_view::npos ? osPath : osPath.substr(0, slash);
  std::string_view name = slash == std::string_view::npos ? std::string_view() : osPath.substr(slash);
  std::string tail = ToGameSpelling(name);
  if (tail.empty()) directory = osPath;
  Aliases& a = TheAliases();
  std::lock_guard<std::mutex> guard(a.lock);
  size_t index = 0;
  while (index < a.directories.size() && a.directories[index] != directory) ++index;
  if (index == a.directories.size()) a.directories.emplace_back(directory);
  return std::string(kAliasMark) + std::to_string(index) + tail;
}

std::string OsPath(std::string_view gamePath) {
  // A name a game stores may hold a NUL; the system's file names end there.
  gamePath = gamePath.substr(0, gamePath.find('\0'));
  if (gamePath.substr(0, kAliasMark.size()) == kAliasMark) {
    size_t end = kAliasMark.size();
    size_t index = 0;
    while (end < gamePath.size() && gamePath[end] >= '0' && gamePath[end] <= '9')
      index = index * 10 + static_cast<size_t>(gamePath[end++] - '0');
    std::string directory;
    {
      Aliases& a = TheAliases();
      std::lock_guard<std::mutex> guard(a.lock);
      if (index < a.directories.size()) directory = a.directories[index];
    }
    if (!directory.empty()) return ResolvePath(directory + SjisToUtf8(gamePath.substr(end)));
  }
  return ResolvePath(SjisToUtf8(gamePath));
}

bool GameFileExists(std::string_view gamePath) {
  if (gamePath.empty()) return false;
  struct stat st {};
  return ::stat(OsPath(gamePath).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool GameDirectoryExists(std::string_view gamePath) {
  if (gamePath.empty()) return false;
  struct stat st {};
  return ::stat(OsPath(gamePath).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace orva
