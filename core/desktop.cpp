#include "core/desktop.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "core/encoding.h"
#include "platform/process_launch.h"

namespace orva {
namespace {

bool IsGnomeDesktop() {
  const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
  if (!desktops) return false;
  // A list such as "ubuntu:GNOME" or "GNOME-Flashback:GNOME".
  std::string_view list = desktops;
  while (!list.empty()) {
    const size_t colon = list.find(':');
    if (list.substr(0, colon).starts_with("GNOME")) return true;
    if (colon == std::string_view::npos) break;
    list.remove_prefix(colon + 1);
  }
  return false;
}

// A file URI of an absolute path, its bytes outside the unreserved set percent-encoded.
std::string FileUri(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : std::filesystem::absolute(path).string()) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

bool SetBackground(const char* key, const std::string& value) {
  return RunProgram({"gsettings", "set", "org.gnome.desktop.background", key, value});
}

}  // namespace

bool SetWallPaper(std::string_view file, int32_t style) {
  if (file.empty() || !IsGnomeDesktop()) return false;
  try {
    const std::string uri = FileUri(std::string(file));
    const char* options = style < 1 ? "centered" : style == 1 ? "wallpaper" : "stretched";
    bool ok = SetBackground("picture-uri", uri);
    ok = SetBackground("picture-uri-dark", uri) && ok;
    return SetBackground("picture-options", options) && ok;
  } catch (const std::exception&) {
    return false;
  }
}

std::string WallPaperFileName() {
  std::string directory;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/') {
    directory = data;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    directory = std::string(home) + "/.local/share";
  } else {
    directory = ".";
  }
  directory += "/orva-player";
  std::error_code ignored;
  std::filesystem::create_directories(directory, ignored);
  return directory + "/orvawall.bmp";
}

void ShellOpen(std::string_view address) { LaunchProgram({"xdg-open", SjisToUtf8(address)}); }

}  // namespace orva
