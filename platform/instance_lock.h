#pragma once
// The single-instance guard: a lock file per name, held with a non-blocking exclusive lock
// for as long as the object lives. The lock belongs to the open file, so a second
// acquisition fails in another process and in this one alike.

#include <memory>
#include <string>
#include <string_view>

namespace orva {

class TInstanceLock {
  struct Key {
    explicit Key() = default;
  };

 public:
  // nullptr when the name is already held. When no lock file can be made at all the guard
  // cannot work, and a lock that holds nothing is returned: the game still runs.
  static std::unique_ptr<TInstanceLock> TryAcquire(std::string_view name);
  // The same in a given directory (tests).
  static std::unique_ptr<TInstanceLock> TryAcquireIn(const std::string& directory, std::string_view name);
  TInstanceLock(Key, int fd) : fd_(fd) {}
  ~TInstanceLock();
  // False for the lock that holds nothing: then no other instance is kept out.
  bool Held() const { return fd_ >= 0; }
  TInstanceLock(const TInstanceLock&) = delete;
  TInstanceLock& operator=(const TInstanceLock&) = delete;

 private:
  int fd_;
};

// $XDG_RUNTIME_DIR, else a directory of this user's own under /tmp; empty when neither is usable.
std::string InstanceLockDirectory();

}  // namespace orva
