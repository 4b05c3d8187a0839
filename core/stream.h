#pragma once
// The one stream hierarchy of the system: every stored format is read and written through
// TStream, with 64-bit positions and sizes, and the little-endian stream routines below.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// Where a seek lands before any clamping: from the start, from the position, from the end.
constexpr int64_t SeekTarget(int64_t offset, TSeekOrigin origin, int64_t position, int64_t size) {
  return origin == TSeekOrigin::soBeginning ? offset : origin == TSeekOrigin::soCurrent ? position + offset : size + offset;
}

class TStream {
 public:
  virtual ~TStream() = default;

  // Return the count actually moved; never throw for a short transfer.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Returns the new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  virtual int64_t GetSize();
  virtual void SetSize(int64_t size);  // raises EStreamError unless the class supports it

  int64_t GetPosition() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  // Bytes between the position and the end; the bound for every stored count.
  int64_t Remaining();

  // All-or-nothing transfers: raise EReadError / EWriteError when short.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);

  // Copies count bytes from the source's position (count 0: the whole source from 0).
  int64_t CopyFrom(TStream& source, int64_t count);

 protected:
  // What made the last write come short ("<file>: <reason>"), added to the message of the
  // error raised; empty when the stream cannot tell.
  virtual std::string WriteFailure() const { return {}; }
};

// A growable block of memory. Detectable by class: CopyStream and the archive take its
// bytes directly instead of reading through a buffer.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string_view bytes);

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t GetSize() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size) override;

  void Clear();
  uint8_t* Memory() { return data_.data(); }
  const uint8_t* Memory() const { return data_.data(); }
  std::string_view View() const { return {reinterpret_cast<const char*>(data_.data()), data_.size()}; }
  // Takes the bytes over (no copy); the position becomes 0.
  void Assign(std::vector<uint8_t> bytes);
  std::vector<uint8_t>& Bytes() { return data_; }

  void LoadFromStream(TStream& source);  // whole source from position 0
  void SaveToStream(TStream& target) const;
  // Real (already resolved, UTF-8) paths.
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

// A stream over a real file by its OS path (UTF-8). Game names are never passed here
// unresolved.
class TFileStream : public TStream {
 public:
  // fmCreateNew: a new file of mode 0600 that must not exist yet; links are not followed.
  enum Mode { fmOpenRead, fmOpenWrite, fmOpenReadWrite, fmCreate, fmCreateNew };
  TFileStream(const std::string& path, Mode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t GetSize() override;
  void SetSize(int64_t size) override;
  // Flushes the file to the disk (fsync); raises EWriteError on failure.
  void Flush();
  const std::string& Path() const { return path_; }

 protected:
  std::string WriteFailure() const override { return writeFailure_; }

 private:
  std::string path_;
  int fd_ = -1;
  std::string writeFailure_;  // the file and the system's reason of the last short write
};

// ---- Stream routines: the byte forms of every stored format (little-endian) ----

// Bytes the stream does not return read as zero.
int32_t ReadStreamInt(TStream& stream);
void WriteStreamInt(TStream& stream, int32_t value);
uint8_t ReadStreamByte(TStream& stream);
void WriteStreamByte(TStream& stream, uint8_t value);
bool ReadStreamBool(TStream& stream);  // any non-zero byte is true
void WriteStreamBool(TStream& stream, bool value);
int64_t ReadStreamInt64(TStream& stream);
void WriteStreamInt64(TStream& stream, int64_t value);

// int32 byte count, then the bytes. A negative count reads as the empty string (only the
// count is consumed); a count beyond the bytes left raises EReadError without allocating.
void ReadStreamString(TStream& stream, std::string& out);
std::string ReadStreamString(TStream& stream);
void WriteStreamString(TStream& stream, std::string_view value);

// A stored element count: negative or larger than remaining / minElementBytes raises
// EReadError, so no allocation is ever sized by an unchecked count.
int32_t ReadStreamCount(TStream& stream, int64_t minElementBytes);

// Version tags: the tag text, then three ASCII digits ("is107"). Without the tag the stream
// is put back where the tag would have begun and the version is 0; digits that are not a
// number give 0.
int ReadVersionTag(TStream& stream, std::string_view tag);
void WriteVersionTag(TStream& stream, std::string_view tag, int version);

// Copies count bytes from the source's position to the destination's position and
// returns the count asked for. Count 0 copies the whole source from position 0. Stops
// early at the end of the source.
int64_t CopyStream(TStream& destination, TStream& source, int64_t count);

// Copies exactly count bytes (0 copies nothing), fewer at the end of the source, and
// returns the number copied. For stored entries, whose size 0 means empty.
int64_t CopyBytes(TStream& destination, TStream& source, int64_t count);

}  // namespace orva
