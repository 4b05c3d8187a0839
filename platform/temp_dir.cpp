#include "platform/temp_dir.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace orva {

std::string MakePrivateTempDirectory(std::string_view prefix) {
  const char* base = std::getenv("TMPDIR");
  std::string path = base && *base ? base : "/tmp";
  if (path.back() != '/') path += '/';
  path += prefix;
  path += "XXXXXX";
  std::vector<char> buffer(path.begin(), path.end());
  buffer.push_back('\0');
  if (!::mkdtemp(buffer.data())) return {};
  return buffer.data();
}

void RemoveDirectoryWithFiles(const std::string& directory) {
  if (directory.empty()) return;
  int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dirFd >= 0) {
    if (DIR* dir = ::fdopendir(dirFd)) {
      std::vector<std::string> names;
      while (dirent* e = ::readdir(dir)) {
        std::string_view n = e->d_name;
        if (n != "." && n != "..") names.emplace_back(n);
      }
      for (const std::string& n : names) ::unlinkat(dirfd(dir), n.c_str(), 0);
      ::closedir(dir);  // closes dirFd
    } else {
      ::close(dirFd);
    }
  }
  ::rmdir(directory.c_str());
}

}  // namespace orva
