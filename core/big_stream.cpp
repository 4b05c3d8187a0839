#include "core/big_stream.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "core/exceptions.h"
#include "core/game_path.h"
#include "core/paths.h"
#include "platform/resources.h"

namespace orva {

// ---- TWzBigStream ----

int64_t TWzBigStream::CopyFrom(TWzBigStream& source, int64_t count) { return CopyStream(*this, source, count); }

int64_t TWzBigStream::CopyFromStream(TStream& source, int64_t count) { return CopyStream(*this, source, count); }

int64_t TWzBigStream::CopyToStream(TStream& destination, int64_t count) { return CopyBytes(destination, *this, count); }

// ---- TWzBigFileStream ----

namespace {

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// A new file beside `path`, hidden and unique, for staging the bytes that will replace it. It
// is held under an exclusive flock for as long as the descriptor lives, which tells a start
// that sweeps staging files (RemoveStaleStagingFiles) that its writer is alive. A sweep may
// take a new file before its lock and remove it: such a name is given up for another.
int CreateStagingFile(const std::string& path, std::string& temp) {
  static std::atomic<unsigned> counter{0};
  size_t slash = path.rfind('/');
  std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".~%d-%u.tmp", static_cast<int>(::getpid()), counter++);
    temp = directory + "." + name + suffix;
    int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    // A file system without flock leaves the file unlocked; a sweep cannot lock it either,
    // so it keeps it.
    const bool taken = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    struct stat opened {}, named {};
    if (!taken && ::fstat(fd, &opened) == 0 && ::lstat(temp.c_str(), &named) == 0 && SameFile(opened, named))
      return fd;
    // The name carries this process's id: no one else makes it while this process lives.
    if (taken) ::unlink(temp.c_str());
    ::close(fd);
  }
  errno = EEXIST;
  return -1;
}

// A name CreateStagingFile makes: ".", a name, ".~", digits, "-", digits, ".tmp".
bool IsStagingName(std::string_view name) {
  constexpr std::string_view kEnd = ".tmp";
  if (name.size() < 1 + 1 + 2 + 1 + 1 + 1 + kEnd.size() || name.front() != '.' || !name.ends_with(kEnd))
    return false;
  name.remove_suffix(kEnd.size());
  const size_t mark = name.rfind(".~");
  if (mark == std::string_view::npos || mark < 2) return false;
  const std::string_view numbers = name.substr(mark + 2);
  const size_t dash = numbers.find('-');
  const auto digits = [](std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  return dash != std::string_view::npos && digits(numbers.substr(0, dash)) && digits(numbers.substr(dash + 1));
}

// pread or pwrite of all n bytes unless the file ends or fails; the count moved.
int64_t TransferAt(int fd, char* data, int64_t n, int64_t offset, bool writing) {
  int64_t done = 0;
  while (done < n) {
    auto chunk = static_cast<size_t>(std::min<int64_t>(n - done, 1 << 30));
    ssize_t moved = writing ? ::pwrite(fd, data + done, chunk, offset + done) : ::pread(fd, data + done, chunk, offset + done);
    if (moved < 0 && errno == EINTR) continue;
    if (moved <= 0) break;
    done += moved;
  }
  return done;
}

bool SyncDirectory(const std::string& directory) {
  int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0 || errno == EINVAL;
  ::close(fd);
  return ok;
}

}  // namespace

std::string TWzBigFileStream::PartName(std::string_view gamePath, int index) {
  if (index == 0) return std::string(gamePath);
  char number[16];
  std::snprintf(number, sizeof number, ".%.3d", index);
  return ChangeFileExt(gamePath, "") + number;
}

TWzBigFileStream::TWzBigFileStream(std::string_view gamePath, uint16_t mode, int64_t partSize)
    // The system's file names end at a NUL: cut there first, or every part name past it
    // would name the first part again.
    : gamePath_(gamePath.substr(0, gamePath.find('\0'))), partSize_(partSize > 0 ? partSize : kPartSize), exceptionsAtStart_(std::uncaught_exceptions()) {
  int access = mode == fmCreate ? fmOpenWrite : (mode & 0x0F);
  writable_ = access != fmOpenRead;
  staged_ = access != fmOpenRead && access != fmOpenReadWrite;
  if (staged_) return;
  // A part that exists but cannot be opened ends the file there.
  for (int i = 0;; ++i) {
    Part part;
    part.path = OsPath(PartName(gamePath_, i));
    part.fd = ::open(part.path.c_str(), (writable_ ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (part.fd < 0) break;
    parts_.push_back(std::move(part));
  }
}

TWzBigFileStream::~TWzBigFileStream() {
  if (staged_) {
    if (std::uncaught_exceptions() > exceptionsAtStart_) {
      Discard();
    } else {
      try {
        Commit();
      } catch (const Exception&) {
        Discard();
      }
    }
  } else if (writable_) {
    for (Part& part : parts_) ::fsync(part.fd);
  }
  CloseAll();
}

void TWzBigFileStream::CloseAll() {
  for (Part& part : parts_)
    if (part.fd >= 0) ::close(part.fd);
  parts_.clear();
}

bool TWzBigFileStream::OpenPart(int index) {
  Part part;
  part.path = OsPath(PartName(gamePath_, index));
  if (staged_)
    part.fd = CreateStagingFile(part.path, part.temp);
  else
    part.fd = ::open(part.path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (part.fd < 0) {
    writeFailure_ = part.path + ": " + std::strerror(errno);
    return false;
  }
  parts_.push_back(std::move(part));
  return true;
}

int64_t TWzBigFileStream::PartSize(const Part& part) const {
  struct stat st {};
  return ::fstat(part.fd, &st) == 0 ? st.st_size : 0;
}

int64_t TWzBigFileStream::GetSize() {
  int64_t size = 0;
  for (const Part& part : parts_) size += PartSize(part);
  return size;
}

int64_t TWzBigFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t size = GetSize();
  position_ = std::clamp<int64_t>(SeekTarget(offset, origin, position_, size), 0, size);
  return position_;
}

int64_t TWzBigFileStream::Read(void* buffer, int64_t count) {
  auto* out = static_cast<char*>(buffer);
  int64_t total = 0;
  while (count > 0) {
    auto index = static_cast<size_t>(position_ / partSize_);
    if (index >= parts_.size()) break;
    int64_t offset = position_ % partSize_;
    // A part shorter than it should be ends the data: its end is not the next part's start.
    int64_t piece = std::min(PartSize(parts_[index]) - offset, count);
    if (piece <= 0) break;
    int64_t done = TransferAt(parts_[index].fd, out, piece, offset, false);
    total += done;
    position_ += done;
    out += done;
    count -= done;
    if (done < piece) break;
  }
  return total;
}

int64_t TWzBigFileStream::Write(const void* buffer, int64_t count) {
  if (!writable_) return 0;
  auto* in = static_cast<const char*>(buffer);
  int64_t total = 0;
  while (count > 0) {
    auto index = static_cast<size_t>(position_ / partSize_);
    while (parts_.size() <= index)
      if (!OpenPart(static_cast<int>(parts_.size()))) return total;
    int64_t offset = position_ % partSize_;
    int64_t piece = std::min(partSize_ - offset, count);
    errno = 0;
    int64_t done = TransferAt(parts_[index].fd, const_cast<char*>(in), piece, offset, true);
    total += done;
    position_ += done;
    in += done;
    count -= done;
    if (done < piece) {
      writeFailure_ = parts_[index].path + ": " + (errno != 0 ? std::strerror(errno) : "short write");
      break;
    }
  }
  return total;
}

void TWzBigFileStream::Commit() {
  if (!staged_) return;
  // A file created and left empty still exists afterwards.
  if (parts_.empty() && !OpenPart(0)) throw EFCreateError("Cannot create file \"" + gamePath_ + "\"");
  for (Part& part : parts_)
    if (::fsync(part.fd) != 0) throw EWriteError("Stream write error: " + part.path + ": " + std::strerror(errno));
  for (Part& part : parts_) {
    if (::rename(part.temp.c_str(), part.path.c_str()) != 0) {
      // Missing is the staging file (or the whole directory); anything else is about the
      // file being replaced.
      const std::string& failed = errno == ENOENT ? part.temp : part.path;
      throw EWriteError("Stream write error: " + failed + ": " + std::strerror(errno));
    }
    part.temp.clear();
  }
  staged_ = false;
  for (int i = static_cast<int>(parts_.size());; ++i) {
    std::string stale = OsPath(PartName(gamePath_, i));
    if (::unlink(stale.c_str()) != 0) break;
  }
  std::string directory = DirectoryOf(parts_.empty() ? OsPath(gamePath_) : parts_[0].path);
  if (!SyncDirectory(directory)) throw EWriteError("Stream write error: " + directory + ": " + std::strerror(errno));
}

void TWzBigFileStream::Discard() {
  for (Part& part : parts_)
    if (!part.temp.empty()) ::unlink(part.temp.c_str());
  CloseAll();
  staged_ = false;
  writable_ = false;
  position_ = 0;
}

namespace {

// Removes the staging file `name` of the directory unless its writer still holds its lock.
void RemoveIfUnlocked(int directory, const char* name) {
  int fd = ::openat(directory, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat opened {}, named {};
  // Unlinked while locked, and only when the name still is the file locked: a writer that
  // finished in between has renamed it, or it is another file now.
  if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      ::fstatat(directory, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(opened, named))
    ::unlinkat(directory, name, 0);
  ::close(fd);
}

// Sweeps the open directory (taking its descriptor) and the directories below it down to the
// depth limit; `entries` counts down the entries still to be looked at.
void SweepStagingFiles(int directory, int depth, int& entries) {
  DIR* listing = ::fdopendir(directory);
  if (!listing) {
    ::close(directory);
    return;
  }
  while (entries > 0) {
    const dirent* entry = ::readdir(listing);
    if (!entry) break;
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    --entries;
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st {};
      if (::fstatat(::dirfd(listing), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      type = S_ISREG(st.st_mode) ? DT_REG : S_ISDIR(st.st_mode) ? DT_DIR : DT_UNKNOWN;
    }
    if (type == DT_REG && IsStagingName(name)) {
      RemoveIfUnlocked(::dirfd(listing), entry->d_name);
    } else if (type == DT_DIR && depth < kStagingSweepDepth) {
      // O_NOFOLLOW: a directory swapped for a link since it was listed is not entered.
      int below = ::openat(::dirfd(listing), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (below >= 0) SweepStagingFiles(below, depth + 1, entries);
    }
  }
  ::closedir(listing);
}

}  // namespace

void RemoveStaleStagingFiles(const std::string& directory) {
  int top = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (top < 0) return;
  int entries = kStagingSweepEntries;
  SweepStagingFiles(top, 0, entries);
}

// ---- TWzBigMemoryStream ----

void TWzBigMemoryStream::SaveToFile(std::string_view gamePath) {
  TWzBigFileStream file(gamePath, TWzBigFileStream::fmCreate);
  file.WriteBuffer(memory_.Memory(), memory_.GetSize());
  file.Commit();
}

void TWzBigMemoryStream::LoadFromFile(std::string_view gamePath) {
  TWzBigFileStream file(gamePath, TWzBigFileStream::fmOpenRead | TWzBigFileStream::fmShareDenyWrite);
  if (file.PartCount() == 0) throw EFOpenError("Cannot open file \"" + std::string(gamePath) + "\"");
  memory_.LoadFromStream(file);
}

// ---- TWzBigResourceStream ----

TWzBigResourceStream::TWzBigResourceStream(std::string_view resourceName, std::string_view resourceType)
    : name_(resourceName), type_(resourceType) {
  if (auto blob = FindResource(type_, name_)) bytes_ = *blob;
}

int64_t TWzBigResourceStream::Read(void* buffer, int64_t count) {
  int64_t n = std::min(count, GetSize() - position_);
  if (n <= 0) return 0;
  std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TWzBigResourceStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t size = GetSize();
  position_ = std::clamp<int64_t>(SeekTarget(offset, origin, position_, size), 0, size);
  return position_;
}

// ---- TWzBuffBigStream ----

TWzBuffBigStream::TWzBuffBigStream(TStream& source)
    : source_(source), size_(source.GetSize()), sourcePosition_(source.GetPosition()) {}

TWzBuffBigStream::~TWzBuffBigStream() {
  if (filled_ > taken_) source_.SetPosition(Position());
}

int64_t TWzBuffBigStream::Read(void* buffer, int64_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t total = 0;
  while (count > 0) {
    if (taken_ == filled_) {
      buffer_.resize(static_cast<size_t>(kBufferSize));
      int64_t n = source_.Read(buffer_.data(), std::min<int64_t>(kBufferSize, size_ - sourcePosition_));
      if (n <= 0) break;
      sourcePosition_ += n;
      filled_ = n;
      taken_ = 0;
    }
    int64_t m = std::min(count, filled_ - taken_);
    std::memcpy(out, buffer_.data() + taken_, static_cast<size_t>(m));
    taken_ += m;
    out += m;
    count -= m;
    total += m;
  }
  return total;
}

int64_t TWzBuffBigStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t target = std::clamp<int64_t>(SeekTarget(offset, origin, Position(), size_), 0, size_);
  int64_t bufferStart = sourcePosition_ - filled_;
  if (target >= bufferStart && target <= sourcePosition_) {
    taken_ = target - bufferStart;
  } else {
    filled_ = taken_ = 0;
    sourcePosition_ = source_.Seek(target, TSeekOrigin::soBeginning);
  }
  return Position();
}

}  // namespace orva
