#pragma once
// Hand-built "vf" archives in the forms our writer does not produce: no tag (version 0),
// versions 100 and 101, a directory kept apart from its data, entries of size 0; and
// archive files made by the real writer.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/archive.h"
#include "core/big_stream.h"
#include "core/compression.h"
#include "core/random.h"
#include "core/stream.h"

namespace orva::testing {

struct FixtureEntry {
  std::string name;
  std::string stored;  // the bytes as they lie in the archive
  uint8_t raw = 0;
  int32_t time = 0;
  uint32_t crc = 0;
  uint8_t crcBasis = 0;
};

inline std::string Zlib(const std::string& plain) {
  TMemoryStream m(plain);
  CompressStream(m);
  return std::string(m.View());
}

class ArchiveBuilder {
 public:
  // version 0: the oldest form, without the "vf" tag.
  explicit ArchiveBuilder(int32_t version) : version_(version) {}
  ArchiveBuilder& Add(FixtureEntry entry) {
    entries_.push_back(std::move(entry));
    return *this;
  }

  // The directory alone; entry offsets count from `dataStart`.
  std::string Directory(int64_t dataStart) const {
    TMemoryStream out;
    if (version_ > 0) {
      out.WriteBuffer("vf", 2);
      WriteStreamInt(out, version_);
    }
    WriteStreamInt(out, static_cast<int32_t>(entries_.size()));
    TWzRandom nameMask(kSeed);
    for (const FixtureEntry& e : entries_) {
      std::string name = e.name;
      if (version_ >= 100)
        for (char& c : name) c = static_cast<char>(c ^ static_cast<char>(nameMask.Next()));
      WriteStreamString(out, name);
    }
    TWzRandom offsetMask(kSeed);
    int64_t offset = dataStart;
    for (size_t i = 0; i <= entries_.size(); ++i) {
      if (version_ < 101)
        WriteStreamInt(out, static_cast<int32_t>(offset ^ (version_ >= 100 ? offsetMask.Next() : 0)));
      else
        WriteStreamInt64(out, offset ^ static_cast<int64_t>(static_cast<int32_t>(offsetMask.Next())));
      if (i < entries_.size()) offset += static_cast<int64_t>(entries_[i].stored.size());
    }
    if (version_ >= 101) {
      for (const FixtureEntry& e : entries_) WriteStreamByte(out, e.raw);
      for (const FixtureEntry& e : entries_) WriteStreamInt(out, e.time);
      for (const FixtureEntry& e : entries_) WriteStreamInt(out, static_cast<int32_t>(e.crc));
      if (version_ >= 102)
        for (const FixtureEntry& e : entries_) WriteStreamByte(out, e.crcBasis);
    }
    return std::string(out.View());
  }

  // The entries' stored bytes in order.
  std::string Data() const {
    std::string data;
    for (const FixtureEntry& e : entries_) data += e.stored;
    return data;
  }

  // A plain archive: the directory, then the data right after it.
  std::string Archive() const {
    int64_t directorySize = static_cast<int64_t>(Directory(0).size());
    return Directory(directorySize) + Data();
  }

 private:
  static constexpr uint32_t kSeed = 1538270946;
  int32_t version_;
  std::vector<FixtureEntry> entries_;
};

// An archive appended to a program: junk, the archive, int32 D, "ov".
inline std::string AppendedArchive(const std::string& program, const std::string& archive) {
  TMemoryStream out(program + archive);
  out.Seek(0, TSeekOrigin::soEnd);
  WriteStreamInt(out, static_cast<int32_t>(program.size()));
  out.WriteBuffer("ov", 2);
  return std::string(out.View());
}

// An archive file (a game path) of in-memory entries, written by the real writer.
inline void WriteArchiveFile(const std::string& gamePath, const std::vector<std::pair<std::string, std::string>>& entries) {
  TVrFileCollection archive;
  for (const auto& [name, bytes] : entries)
    archive.AddMemoryFile(name).Data->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  TWzBigMemoryStream out;
  archive.SaveToStream(out);
  out.SaveToFile(gamePath);
}

}  // namespace orva::testing
