#pragma once
// Streams over the places a game archive can live: a file that may be split into parts of
// 1 GiB ("game.dat", "game.001", ...), memory, and a resource linked into the program. They
// are TStreams with 64-bit sizes and positions, plus bulk copies between them.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/stream.h"

namespace orva {

// The class of in-memory archive entries.
class TWzMemoryStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
};

class TWzBigStream : public TStream {
 public:
  using TStream::CopyFrom;
  // From another 64-bit stream; count 0 copies the whole source from its position 0.
  virtual int64_t CopyFrom(TWzBigStream& source, int64_t count);
  // From any stream; count 0 copies the whole source from its position 0.
  virtual int64_t CopyFromStream(TStream& source, int64_t count);
  // Exactly count bytes from the position (0 copies nothing), fewer at the end of the data;
  // returns the number copied.
  virtual int64_t CopyToStream(TStream& destination, int64_t count);
};

class TWzBigFileStream : public TWzBigStream {
 public:
  // Open modes: access in the low 4 bits; sharing (bits 4..7) is accepted and not enforced,
  // since Linux has no mandatory sharing.
  static constexpr uint16_t fmOpenRead = 0x0000;
  static constexpr uint16_t fmOpenWrite = 0x0001;
  static constexpr uint16_t fmOpenReadWrite = 0x0002;
  static constexpr uint16_t fmCreate = 0xFFFF;
  static constexpr uint16_t fmShareDenyWrite = 0x0020;
  static constexpr uint16_t fmShareDenyNone = 0x0040;
  static constexpr int64_t kPartSize = 0x40000000;

  // gamePath: a game path (core/paths.h). Read and read/write open the existing parts in
  // order and never raise: a missing file has no parts and reads nothing. Write and create
  // stage new parts beside the old ones, which stay untouched until Commit replaces them, so
  // a failed or abandoned write never costs the file that was there. partSize is for tests.
  TWzBigFileStream(std::string_view gamePath, uint16_t mode, int64_t partSize = kPartSize);
  // Commits staged parts, unless an exception is unwinding (then they are discarded).
  ~TWzBigFileStream() override;
  TWzBigFileStream(const TWzBigFileStream&) = delete;
  TWzBigFileStream& operator=(const TWzBigFileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  // Clamped to 0 .. size.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  // The sum of the part sizes.
  int64_t GetSize() override;

  // Flushes the staged parts to the disk and renames them over the old ones (an empty
  // file when nothing was written); old parts beyond the new last part are deleted.
  // Raises EWriteError when that fails.
  void Commit();
  // Drops the staged parts.
  void Discard();

  int PartCount() const { return static_cast<int>(parts_.size()); }
  // Game path of part i: the path itself, then the path without its extension + ".001", ...
  static std::string PartName(std::string_view gamePath, int index);

 protected:
  std::string WriteFailure() const override { return writeFailure_; }

 private:
  struct Part {
    int fd = -1;
    std::string path;  // real path of the part
    std::string temp;  // real path of the staged file, while staged
  };
  bool OpenPart(int index);  // creates part `index` when writing
  int64_t PartSize(const Part& part) const;
  void CloseAll();

  std::string gamePath_;
  int64_t partSize_;
  bool writable_ = false;
  bool staged_ = false;
  int exceptionsAtStart_ = 0;
  int64_t position_ = 0;
  std::vector<Part> parts_;
  std::string writeFailure_;  // the part and the system's reason of the last short write
};

// Removes from a directory (a real path) and its sub-folders the staging files that writes of
// earlier runs left behind when they were killed before their rename: regular files named as
// TWzBigFileStream names them (".<name>.~<pid>-<n>.tmp"), whatever process made them, whose
// lock can be taken at once, so that no running writer loses its file. Links are never
// followed; the walk stops kStagingSweepDepth folders down and after kStagingSweepEntries
// entries.
constexpr int kStagingSweepDepth = 8;
constexpr int kStagingSweepEntries = 100000;
void RemoveStaleStagingFiles(const std::string& directory);

class TWzBigMemoryStream : public TWzBigStream {
 public:
  int64_t Read(void* buffer, int64_t count) override { return memory_.Read(buffer, count); }
  int64_t Write(const void* buffer, int64_t count) override { return memory_.Write(buffer, count); }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override { return memory_.Seek(offset, origin); }
  int64_t GetSize() override { return memory_.GetSize(); }
  void SetSize(int64_t size) override { memory_.SetSize(size); }
  int64_t CopyToStream(TStream& destination, int64_t count) override { return CopyBytes(destination, memory_, count); }

  TWzMemoryStream& Memory() { return memory_; }
  // Replaces the file (game path) only once the new bytes are safely on the disk.
  void SaveToFile(std::string_view gamePath);
  // Raises EFOpenError when the file is missing.
  void LoadFromFile(std::string_view gamePath);

 private:
  TWzMemoryStream memory_;
};

// Read-only bytes of a resource linked into the program (platform/resources.h). A resource
// that is not there reads as empty.
class TWzBigResourceStream : public TWzBigStream {
 public:
  TWzBigResourceStream(std::string_view resourceName, std::string_view resourceType);

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t GetSize() override { return static_cast<int64_t>(bytes_.size()); }

  const std::string& ResourceName() const { return name_; }
  const std::string& ResourceType() const { return type_; }

 private:
  std::string name_;
  std::string type_;
  std::span<const uint8_t> bytes_;
  int64_t position_ = 0;
};

// Reads a stream through a buffer of 100 KiB, for the many small reads of an archive
// directory. Destroying it puts the source right after the last byte taken.
class TWzBuffBigStream : public TStream {
 public:
  static constexpr int64_t kBufferSize = 102400;

  explicit TWzBuffBigStream(TStream& source);
  ~TWzBuffBigStream() override;
  TWzBuffBigStream(const TWzBuffBigStream&) = delete;
  TWzBuffBigStream& operator=(const TWzBuffBigStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t GetSize() override { return size_; }

 private:
  int64_t Position() const { return sourcePosition_ - (filled_ - taken_); }

  TStream& source_;
  int64_t size_;
  int64_t sourcePosition_;
  std::vector<uint8_t> buffer_;
  int64_t filled_ = 0;
  int64_t taken_ = 0;
};

}  // namespace orva
