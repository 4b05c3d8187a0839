#include "platform/optical_drives.h"

#include <sys/statfs.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace orva {
namespace {

std::string Unescape(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
        field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> ParseOpticalMounts(std::string_view mounts) {
  std::vector<std::string> roots;
  std::istringstream in{std::string(mounts)};
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string device, mountPoint, type;
    if (!(fields >> device >> mountPoint >> type)) continue;
    if (type != "iso9660" && type != "udf") continue;
    std::string root = Unescape(mountPoint);
    if (root.empty() || root.back() != '/') root += '/';
    roots.push_back(std::move(root));
  }
  return roots;
}

std::vector<std::string> MountedOpticalRoots() {
  std::ifstream file("/proc/self/mounts");
  std::stringstream text;
  text << file.rdbuf();
  std::vector<std::string> readable;
  for (std::string& root : ParseOpticalMounts(text.str()))
    if (::access(root.c_str(), R_OK | X_OK) == 0) readable.push_back(std::move(root));
  return readable;
}

bool IsOpticalFileSystemType(long long type) {
  constexpr long long kIso9660 = 0x9660, kUdf = 0x15013346;
  return type == kIso9660 || type == kUdf;
}

bool IsOnOpticalDisc(const std::string& path) {
  struct statfs fs {};
  return ::statfs(path.c_str(), &fs) == 0 && IsOpticalFileSystemType(static_cast<long long>(fs.f_type));
}

}  // namespace orva
