#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace orva {
namespace {

// Lock file name of a mutex name: the name may be long and hold any bytes.
std::string LockFileName(std::string_view name) {
  uint64_t h = 0xCBF29CE484222325ull;
  for (char c : name) {
    h ^= static_cast<uint8_t>(c);
    h *= 0x100000001B3ull;
  }
  char text[40];
  std::snprintf(text, sizeof text, "orva-%016llx.lock", static_cast<unsigned long long>(h));
  return text;
}

bool IsOwnPrivateDirectory(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
         (st.st_mode & 022) == 0;
}

}  // namespace

std::string InstanceLockDirectory() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    struct stat st {};
    if (::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) return runtime;
  }
  std::string fallback = "/tmp/orva-" + std::to_string(::getuid());
  if (::mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST) return {};
  return IsOwnPrivateDirectory(fallback) ? fallback : std::string();
}

std::unique_ptr<TInstanceLock> TInstanceLock::TryAcquire(std::string_view name) {
  return TryAcquireIn(InstanceLockDirectory(), name);
}

std::unique_ptr<TInstanceLock> TInstanceLock::TryAcquireIn(const std::string& directory, std::string_view name) {
  if (directory.empty()) return std::make_unique<TInstanceLock>(Key{}, -1);
  std::string path = directory + "/" + LockFileName(name);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return std::make_unique<TInstanceLock>(Key{}, -1);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    bool held = errno == EWOULDBLOCK;
    ::close(fd);
    if (held) return nullptr;
    return std::make_unique<TInstanceLock>(Key{}, -1);
  }
  return std::make_unique<TInstanceLock>(Key{}, fd);
}

TInstanceLock::~TInstanceLock() {
  // The file stays: removing it would race with a starting instance that has it open.
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace orva
