#pragma once
// Read-only windows of another stream: one stored archive entry, or a whole real file,
// handed to the media players as an ordinary stream.

#include <cstdint>
#include <memory>
#include <string_view>

#include "core/stream.h"

namespace orva {

class TRangeStream : public TStream {
 public:
  // The bytes offset .. offset + size of the source (owned); exact: size 0 shows nothing.
  TRangeStream(std::unique_ptr<TStream> source, int64_t offset, int64_t size);

  // Never past the range.
  int64_t Read(void* buffer, int64_t count) override;
  // Refuses every byte.
  int64_t Write(const void*, int64_t) override { return 0; }
  // Positions relative to the range, clamped to it.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t GetSize() override { return size_; }

 protected:
  struct SizeZeroMeansRest {};
  TRangeStream(std::unique_ptr<TStream> source, int64_t offset, int64_t size, SizeZeroMeansRest);

 private:
  std::unique_ptr<TStream> source_;
  int64_t offset_;
  int64_t size_;
};

class TFileRangeStream : public TRangeStream {
 public:
  // A range of a real file (game path); size 0 means the rest of the file from the offset.
  // A missing file gives an empty range.
  TFileRangeStream(std::string_view gamePath, int64_t offset, int64_t size);
};

class TResourceRangeStream : public TRangeStream {
 public:
  // A range of a resource linked into the program; size 0 means the rest of it.
  TResourceRangeStream(std::string_view resourceName, int64_t offset, int64_t size, std::string_view resourceType);
};

}  // namespace orva
