#include "core/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "core/exceptions.h"

namespace orva {

// ---- TStream ----

int64_t TStream::GetSize() {
  int64_t position = Seek(0, TSeekOrigin::soCurrent);
  int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

int64_t TStream::Remaining() {
  int64_t position = GetPosition();
  int64_t size = GetSize();
  return size > position ? size - position : 0;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count == 0 || Write(buffer, count) == count) return;
  const std::string why = WriteFailure();
  throw EWriteError(why.empty() ? "Stream write error" : "Stream write error: " + why);
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) { return CopyStream(*this, source, count); }

// ---- TMemoryStream ----

TMemoryStream::TMemoryStream(std::string_view bytes) : data_(bytes.begin(), bytes.end()) {}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  int64_t size = GetSize();
  if (count <= 0 || position_ >= size) return 0;
  int64_t n = std::min(count, size - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || position_ < 0) return 0;
  int64_t end = position_ + count;
  if (end > GetSize()) data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::soBeginning: position_ = offset; break;
    case TSeekOrigin::soCurrent: position_ += offset; break;
    case TSeekOrigin::soEnd: position_ = GetSize() + offset; break;
  }
  if (position_ < 0) position_ = 0;
  return position_;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) size = 0;
  data_.resize(static_cast<size_t>(size));
  if (position_ > size) position_ = size;
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::Assign(std::vector<uint8_t> bytes) {
  data_ = std::move(bytes);
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  int64_t size = source.GetSize();
  std::vector<uint8_t> bytes(static_cast<size_t>(std::max<int64_t>(size, 0)));
  source.ReadBuffer(bytes.data(), size);
  Assign(std::move(bytes));
}

void TMemoryStream::SaveToStream(TStream& target) const {
  target.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

void TMemoryStream::LoadFromFile(const std::string& path) {
  TFileStream file(path, TFileStream::fmOpenRead);
  LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& path) const {
  TFileStream file(path, TFileStream::fmCreate);
  SaveToStream(file);
}

// ---- TFileStream ----

TFileStream::TFileStream(const std::string& path, Mode mode) : path_(path) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case fmOpenRead: flags |= O_RDONLY; break;
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    case fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case fmCreateNew: flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW; break;
  }
  fd_ = ::open(path.c_str(), flags, mode == fmCreateNew ? 0600 : 0644);
  if (fd_ < 0) {
    std::string reason = std::strerror(errno);
    if (mode == fmCreate || mode == fmCreateNew) throw EFCreateError("Cannot create file \"" + path + "\". " + reason);
    throw EFOpenError("Cannot open file \"" + path + "\". " + reason);
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  int64_t total = 0;
  auto* p = static_cast<char*>(buffer);
  while (count > 0) {
    ssize_t n = ::read(fd_, p, static_cast<size_t>(std::min<int64_t>(count, 1 << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    total += n;
    p += n;
    count -= n;
  }
  return total;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  int64_t total = 0;
  auto* p = static_cast<const char*>(buffer);
  while (count > 0) {
    ssize_t n = ::write(fd_, p, static_cast<size_t>(std::min<int64_t>(count, 1 << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      writeFailure_ = path_ + ": " + (n < 0 ? std::strerror(errno) : "short write");
      break;
    }
    total += n;
    p += n;
    count -= n;
  }
  return total;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
  off_t result = ::lseek(fd_, offset, whence);
  if (result < 0) return ::lseek(fd_, 0, SEEK_CUR);
  return result;
}

int64_t TFileStream::GetSize() {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return 0;
  return st.st_size;
}

void TFileStream::SetSize(int64_t size) {
  if (::ftruncate(fd_, size) != 0) throw EStreamError("Stream size cannot be changed");
}

void TFileStream::Flush() {
  if (::fsync(fd_) != 0) throw EWriteError("Stream write error: " + path_ + ": " + std::strerror(errno));
}

// ---- Stream routines ----

namespace {

template <typename T>
T ReadLittle(TStream& stream) {
  uint8_t bytes[sizeof(T)] = {};
  stream.Read(bytes, sizeof(T));
  std::make_unsigned_t<T> value = 0;
  for (size_t i = sizeof(T); i-- > 0;) value = static_cast<std::make_unsigned_t<T>>((value << 8) | bytes[i]);
  return static_cast<T>(value);
}

template <typename T>
void WriteLittle(TStream& stream, T value) {
  uint8_t bytes[sizeof(T)];
  auto u = static_cast<std::make_unsigned_t<T>>(value);
  for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<uint8_t>(u >> (8 * i));
  stream.WriteBuffer(bytes, sizeof(T));
}

}  // namespace

int32_t ReadStreamInt(TStream& stream) { return ReadLittle<int32_t>(stream); }
void WriteStreamInt(TStream& stream, int32_t value) { WriteLittle(stream, value); }
uint8_t ReadStreamByte(TStream& stream) { return ReadLittle<uint8_t>(stream); }
void WriteStreamByte(TStream& stream, uint8_t value) { WriteLittle(stream, value); }
bool ReadStreamBool(TStream& stream) { return ReadStreamByte(stream) != 0; }
void WriteStreamBool(TStream& stream, bool value) { WriteStreamByte(stream, value ? 1 : 0); }
int64_t ReadStreamInt64(TStream& stream) { return ReadLittle<int64_t>(stream); }
void WriteStreamInt64(TStream& stream, int64_t value) { WriteLittle(stream, value); }

void ReadStreamString(TStream& stream, std::string& out) {
  int32_t count = ReadStreamInt(stream);
  out.clear();
  if (count <= 0) return;
  if (count > stream.Remaining()) throw EReadError("Stream read error");
  out.resize(static_cast<size_t>(count));
  stream.ReadBuffer(out.data(), count);
}

std::string ReadStreamString(TStream& stream) {
  std::string result;
  ReadStreamString(stream, result);
  return result;
}

void WriteStreamString(TStream& stream, std::string_view value) {
  WriteStreamInt(stream, static_cast<int32_t>(value.size()));
  stream.WriteBuffer(value.data(), static_cast<int64_t>(value.size()));
}

int32_t ReadStreamCount(TStream& stream, int64_t minElementBytes) {
  int32_t count = ReadStreamInt(stream);
  if (count < 0) throw EReadError("Stream read error");
  if (minElementBytes > 0 && count > stream.Remaining() / minElementBytes) throw EReadError("Stream read error");
  return count;
}

int ReadVersionTag(TStream& stream, std::string_view tag) {
  int64_t start = stream.GetPosition();
  std::string head(tag.size(), '\0');
  if (stream.Read(head.data(), static_cast<int64_t>(head.size())) != static_cast<int64_t>(head.size()) || head != tag) {
    stream.SetPosition(start);
    return 0;
  }
  char digits[3] = {};
  stream.Read(digits, 3);
  int version = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    version = version * 10 + (c - '0');
  }
  return version;
}

void WriteVersionTag(TStream& stream, std::string_view tag, int version) {
  char digits[4];
  digits[0] = static_cast<char>('0' + version / 100 % 10);
  digits[1] = static_cast<char>('0' + version / 10 % 10);
  digits[2] = static_cast<char>('0' + version % 10);
  digits[3] = 0;
  stream.WriteBuffer(tag.data(), static_cast<int64_t>(tag.size()));
  stream.WriteBuffer(digits, 3);
}

int64_t CopyStream(TStream& destination, TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.GetSize();
  }
  CopyBytes(destination, source, count);
  return count;
}

int64_t CopyBytes(TStream& destination, TStream& source, int64_t count) {
  if (count <= 0) return 0;
  if (auto* memory = dynamic_cast<TMemoryStream*>(&source)) {
    int64_t position = memory->GetPosition();
    int64_t n = std::min(count, memory->Remaining());
    if (n > 0) {
      destination.WriteBuffer(memory->Memory() + position, n);
      memory->SetPosition(position + n);
    }
    return std::max<int64_t>(n, 0);
  }
  // Into memory: read straight into the destination's block, without a buffer between.
  if (auto* memory = dynamic_cast<TMemoryStream*>(&destination)) {
    int64_t position = memory->GetPosition();
    int64_t size = memory->GetSize();
    int64_t n = std::min(count, source.Remaining());
    if (n <= 0) return 0;
    if (position + n > size) memory->SetSize(position + n);
    int64_t got = 0;
    while (got < n) {
      int64_t r = source.Read(memory->Memory() + position + got, n - got);
      if (r <= 0) break;
      got += r;
    }
    if (got < n && position + n > size) memory->SetSize(std::max(size, position + got));
    memory->SetPosition(position + got);
    return got;
  }
  const int64_t kMiB = 1 << 20;
  int64_t bufferSize = std::min<int64_t>(count, 10 * kMiB);
  std::unique_ptr<char[]> buffer;
  // Under memory pressure shrink by 1 MiB steps instead of failing at once.
  while (bufferSize > 0 && !buffer) {
    buffer.reset(new (std::nothrow) char[static_cast<size_t>(bufferSize)]);
    if (!buffer) bufferSize = std::max<int64_t>(bufferSize - kMiB, 0);
  }
  if (!buffer) throw std::bad_alloc();
  int64_t copied = 0;
  while (copied < count) {
    int64_t n = source.Read(buffer.get(), std::min(bufferSize, count - copied));
    if (n <= 0) break;
    destination.WriteBuffer(buffer.get(), n);
    copied += n;
  }
  return copied;
}

}  // namespace orva
