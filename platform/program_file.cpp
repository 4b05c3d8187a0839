#include "platform/program_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace orva {

std::string ProgramFileName() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(n));
    buffer.resize(buffer.size() * 2);
  }
}

std::string ProgramFileDirectory() {
  const std::string program = ProgramFileName();
  const size_t slash = program.rfind('/');
  return slash == std::string::npos ? std::string(".") : program.substr(0, slash);
}

bool IsSameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace orva
