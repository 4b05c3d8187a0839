#pragma once
// The "vf" data archive: a directory of named entries, each stored raw or zlib-compressed,
// read from a plain file, the end of the program file, a separate ".ext" directory file or
// a linked resource; also written, since the save file is one. TVrFileCollection is one
// archive, TVrFile one entry.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/big_stream.h"
#include "core/hash_collection.h"

namespace orva {

class TVrFileCollection;

class TVrFile : public THashCollectionItem {
 public:
  static constexpr int64_t kRawSize = 0x500000;  // entries this large are stored raw

  int64_t Offset = 0;                    // of the stored bytes in the archive's source
  std::unique_ptr<TWzMemoryStream> Data;  // the bytes of an in-memory entry
  int64_t Size = 0;                      // stored bytes
  uint8_t Raw = 0;                       // 1: stored as they are; 0: zlib stream
  int32_t Time = 0;                      // packed date and time of the file it was made from
  uint32_t Crc = 0;
  uint8_t CrcBasis = 0;                  // 1: CRC of the uncompressed bytes; 0: of the stored bytes

  bool InMemory() const { return Data != nullptr; }
  TVrFileCollection& Collection() const;
  // Appends the entry's stored form to the destination; sets Raw and Crc (and Time when the
  // bytes come from a file). An entry kept from the archive's source is copied as it is
  // stored, with its flags, CRC and time.
  void SaveData(TStream& destination);
};

class TVrFileCollection : public THashCollectionOf<TVrFile> {
 public:
  // The entry that marks the end of the data; every opened archive has it.
  static constexpr std::string_view kEndName = "\\EOF\\";
  static constexpr uint32_t kScrambleSeed = 1538270946;

  using TProgressEvent = std::function<void(TVrFileCollection& sender, TVrFile& entry, int64_t bytes,
                                            int32_t index, int32_t count, bool& cancel)>;

  TVrFileCollection() = default;
  ~TVrFileCollection() override;

  // OpenFile(path, false).
  void Open(std::string_view path);
  // Clears, then opens the archive at a game path. An empty path leaves the in-memory
  // archive; a missing file leaves an empty archive with its base directory. A directory
  // that does not fit its data is refused with EReadError and leaves the archive empty.
  void OpenFile(std::string_view path, bool treatAsFile);
  // Clears, then opens a resource linked into the program. Another module file cannot be
  // loaded on this system and leaves the archive empty. A missing or empty resource raises
  // "リソースが見つかりません".
  void OpenResource(std::string_view moduleFile, std::string_view resourceName, std::string_view resourceType);
  // Reads a directory at the stream's position and adds its entries and "\EOF\".
  void LoadDirectory(TStream& stream);

  // The entry's uncompressed bytes (an in-memory entry's data) into the destination,
  // positioned at 0. A real file of that name in the base directory wins over the entry.
  // Missing: "%s:ファイルがありません".
  void LoadFileToStream(TStream& destination, std::string_view name);
  // A read-only stream over the entry's stored bytes, or none.
  std::unique_ptr<TStream> OpenRangeStream(std::string_view name);

  TVrFile& AddFile(std::string_view name);
  TVrFile& AddMemoryFile(std::string_view name);
  void Remove(std::string_view name);
  TVrFile& GetFile(int index) { return Item(index); }

  // Writes the archive (version 102) from the destination's position; false when the
  // progress event cancelled, leaving the destination incomplete.
  bool SaveToStream(TStream& destination);
  TProgressEvent OnProgress;

  const std::string& BaseDirectory() const { return baseDirectory_; }
  const std::string& Path() const { return path_; }
  TWzBigStream* Source() const { return source_.get(); }

 private:
  void Reset();
  void ReadDirectory(TStream& stream, int64_t dataSize);

  std::string baseDirectory_;
  std::unique_ptr<TWzBigStream> source_;
  std::string path_;
};

// Whether a file is stored compressed: layered images exactly when their pixel data is
// raw, never media that is compressed already, otherwise files below 5 MiB. Reads the
// file from its position.
bool ShouldCompress(TStream& file, std::string_view name);

}  // namespace orva
