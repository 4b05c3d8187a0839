#include "core/archive.h"

#include <sys/stat.h>

#include <cstring>
#include <ctime>
#include <vector>

#include "core/compression.h"
#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/game_path.h"
#include "core/paths.h"
#include "core/random.h"
#include "core/range_stream.h"
#include "core/sjis.h"
#include "core/vask_header.h"
#include "core/vocabulary.h"
#include "platform/program_file.h"

namespace orva {
namespace {

[[noreturn]] void RaiseMissing(std::string_view name) {
  throw Exception(std::string(name) + Sjis(":ファイルがありません"));
}

[[noreturn]] void RaiseBadDirectory(const std::string& path) {
  throw EReadError("Invalid archive directory" + (path.empty() ? std::string() : ": " + path));
}

// The packed date and time of the FAT file system, in local time.
int32_t PackedFileTime(const std::string& osPath) {
  struct stat st {};
  if (::stat(osPath.c_str(), &st) != 0) return 0;
  std::tm t{};
  if (!::localtime_r(&st.st_mtime, &t) || t.tm_year < 80) return 0;
  uint32_t date = static_cast<uint32_t>(t.tm_year - 80) << 9 | static_cast<uint32_t>(t.tm_mon + 1) << 5 |
                  static_cast<uint32_t>(t.tm_mday);
  uint32_t time = static_cast<uint32_t>(t.tm_hour) << 11 | static_cast<uint32_t>(t.tm_min) << 5 |
                  static_cast<uint32_t>(t.tm_sec / 2);
  return static_cast<int32_t>(date << 16 | time);
}

bool HasProgramExtension(std::string_view path) {
  std::string ext = ExtractFileExt(path);
  return SameTextAscii(ext, ".exe") || SameTextAscii(ext, ".scr");
}

void Append(TStream& destination, TMemoryStream& bytes) { destination.WriteBuffer(bytes.Memory(), bytes.GetSize()); }

uint32_t LittleUint32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

uint64_t LittleUint64(const uint8_t* p) { return LittleUint32(p) | static_cast<uint64_t>(LittleUint32(p + 4)) << 32; }

// The offset mask of version 101 and later: the generator's value sign-extended to 64 bits.
uint64_t WideMask(TWzRandom& generator) {
  return static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(generator.Next())));
}

}  // namespace

// ---- TVrFile ----

TVrFileCollection& TVrFile::Collection() const { return *static_cast<TVrFileCollection*>(GetCollection()); }

void TVrFile::SaveData(TStream& destination) {
  if (Data) {
    Raw = 0;
    if (Data->GetSize() < kRawSize) {
      if (CrcBasis) Crc = StreamCrc32(*Data);
      TMemoryStream packed(Data->View());
      CompressStream(packed);
      if (!CrcBasis) Crc = StreamCrc32(packed);
      Append(destination, packed);
    } else {
      Append(destination, *Data);
      Crc = StreamCrc32(*Data);
      Raw = 1;
    }
    return;
  }
  std::string file = Collection().BaseDirectory() + GetName();
  if (GameFileExists(file)) {
    Raw = 0;
    TWzBigFileStream source(file, TWzBigFileStream::fmOpenRead | TWzBigFileStream::fmShareDenyWrite);
    bool compress = ShouldCompress(source, GetName());
    if (compress) {
      TMemoryStream bytes;
      bytes.LoadFromStream(source);
      if (CrcBasis) Crc = StreamCrc32(bytes);
      TMemoryStream packed(bytes.View());
      CompressStream(packed);
      // Data that does not shrink by a tenth is not worth inflating on every read.
      TMemoryStream& stored = packed.GetSize() > bytes.GetSize() * 9 / 10 ? bytes : packed;
      Raw = &stored == &bytes ? 1 : 0;
      if (!CrcBasis) Crc = StreamCrc32(stored);
      Append(destination, stored);
    } else {
      Crc = StreamCrc32(source);
      source.SetPosition(0);
      CopyBytes(destination, source, source.GetSize());
      Raw = 1;
    }
    Time = PackedFileTime(OsPath(file));
    return;
  }
  // An entry kept from the archive's own source goes over as its stored bytes with its
  // flags, unchecked: a damaged entry must not stop the writing of the others, and stays
  // as damaged as it was.
  TWzBigStream* source = Collection().Source();
  if (!source) RaiseMissing(GetName());
  if (Size > 0) {
    source->SetPosition(Offset);
    source->CopyToStream(destination, Size);
  }
}

// ---- TVrFileCollection ----

TVrFileCollection::~TVrFileCollection() = default;

void TVrFileCollection::Reset() {
  Clear();
  source_.reset();
}

void TVrFileCollection::Open(std::string_view path) { OpenFile(path, false); }

void TVrFileCollection::OpenFile(std::string_view path, bool treatAsFile) {
  Reset();
  path_ = path;
  baseDirectory_.clear();
  if (path.empty()) return;
  bool isFile = GameFileExists(path);
  std::string directory = isFile || treatAsFile ? ExtractFilePath(path) : std::string(path);
  baseDirectory_ = directory.empty() ? ".\\" : AddBackSlash(directory);
  if (!isFile) return;
  source_ = std::make_unique<TWzBigFileStream>(path, TWzBigFileStream::fmOpenRead | TWzBigFileStream::fmShareDenyWrite);
  try {
    std::string extPath = ChangeFileExt(path, ".ext");
    if (HasProgramExtension(path) || IsSameFile(OsPath(path), ProgramFileName())) {
      // The program, then the archive, then int32 D (the directory's position), then "ov".
      int64_t size = source_->GetSize();
      if (size < 6) RaiseBadDirectory(path_);
      source_->SetPosition(size - 6);
      int32_t directoryStart = ReadStreamInt(*source_);
      if (directoryStart < 0 || directoryStart > size - 6) RaiseBadDirectory(path_);
      source_->SetPosition(directoryStart);
      ReadDirectory(*source_, size);
    } else if (GameFileExists(extPath)) {
      TWzBigMemoryStream directory;
      directory.LoadFromFile(extPath);
      ReadDirectory(directory, source_->GetSize());
    } else {
      source_->SetPosition(0);
      ReadDirectory(*source_, source_->GetSize());
    }
  } catch (...) {
    Reset();
    throw;
  }
}

void TVrFileCollection::OpenResource(std::string_view moduleFile, std::string_view resourceName,
                                     std::string_view resourceType) {
  Reset();
  if (!moduleFile.empty() && !IsSameFile(OsPath(moduleFile), ProgramFileName())) return;
  auto source = std::make_unique<TWzBigResourceStream>(resourceName, resourceType);
  if (source->GetSize() == 0) throw Exception(Sjis("リソースが見つかりません"));
  source_ = std::move(source);
  try {
    ReadDirectory(*source_, source_->GetSize());
  } catch (...) {
    Reset();
    throw;
  }
}

void TVrFileCollection::LoadDirectory(TStream& stream) {
  ReadDirectory(stream, source_ ? source_->GetSize() : stream.GetSize());
}

void TVrFileCollection::ReadDirectory(TStream& stream, int64_t dataSize) {
  const int64_t start = stream.GetPosition();
  char tag[2] = {};
  int32_t version = 0;
  if (stream.Read(tag, 2) == 2 && tag[0] == 'v' && tag[1] == 'f')
    version = ReadStreamInt(stream);
  else
    stream.SetPosition(start);
  const int64_t offsetBytes = version < 101 ? 4 : 8;
  const int64_t flagBytes = version < 101 ? 0 : version < 102 ? 9 : 10;
  // Every entry takes at least its name's count, its offset and its flags.
  const int32_t count = ReadStreamCount(stream, 4 + offsetBytes + flagBytes);

  std::vector<std::string> names(static_cast<size_t>(count));
  {
    TWzBuffBigStream buffered(stream);
    for (std::string& name : names) ReadStreamString(buffered, name);
  }
  if (version >= 100) {
    TWzRandom generator(kScrambleSeed);
    for (std::string& name : names)
      for (char& c : name) c = static_cast<char>(static_cast<uint8_t>(c) ^ static_cast<uint8_t>(generator.Next()));
  }

  const int64_t tableBytes = (int64_t{count} + 1) * offsetBytes + int64_t{count} * flagBytes;
  if (stream.Remaining() < tableBytes) RaiseBadDirectory(path_);
  std::vector<uint8_t> table(static_cast<size_t>(tableBytes));
  stream.ReadBuffer(table.data(), tableBytes);

  std::vector<int64_t> offsets(static_cast<size_t>(count) + 1);
  TWzRandom generator(kScrambleSeed);
  for (size_t i = 0; i < offsets.size(); ++i) {
    if (offsetBytes == 4) {
      uint32_t value = LittleUint32(&table[i * 4]);
      if (version >= 100) value ^= generator.Next();
      offsets[i] = value;
    } else {
      uint64_t value = LittleUint64(&table[i * 8]);
      if (version >= 100) value ^= WideMask(generator);
      offsets[i] = static_cast<int64_t>(value);
    }
    // Entries lie in order inside the data: a directory that says otherwise is damaged.
    if (offsets[i] < 0 || (i > 0 && offsets[i] < offsets[i - 1])) RaiseBadDirectory(path_);
  }
  if (offsets.back() > dataSize - start) RaiseBadDirectory(path_);

  const uint8_t* flags = table.data() + offsets.size() * static_cast<size_t>(offsetBytes);
  const size_t n = names.size();
  Reserve(Count() + count + 1);
  for (size_t i = 0; i < n; ++i) {
    TVrFile& entry = AddFile(names[i]);
    entry.Offset = start + offsets[i];
    entry.Size = offsets[i + 1] - offsets[i];
    if (version >= 101) {
      entry.Raw = flags[i];
      entry.Time = static_cast<int32_t>(LittleUint32(flags + n + 4 * i));
      entry.Crc = LittleUint32(flags + 5 * n + 4 * i);
      if (version >= 102) entry.CrcBasis = flags[9 * n + i];
    }
  }
  AddFile(kEndName).Offset = start + offsets.back();
}

void TVrFileCollection::LoadFileToStream(TStream& destination, std::string_view name) {
  auto* memory = dynamic_cast<TMemoryStream*>(&destination);
  if (memory) memory->Clear();
  if (!baseDirectory_.empty()) {
    std::string file = baseDirectory_ + std::string(name);
    if (GameFileExists(file) && !(source_ && IsSameFile(OsPath(file), OsPath(path_)))) {
      TFileStream input(OsPath(file), TFileStream::fmOpenRead);
      if (memory)
        memory->LoadFromStream(input);
      else
        CopyStream(destination, input, 0);
      destination.SetPosition(0);
      return;
    }
  }
  TVrFile* entry = Find(name);
  if (!entry || (!source_ && !entry->Data)) RaiseMissing(name);
  if (entry->Data) {
    entry->Data->SetPosition(0);
    CopyBytes(destination, *entry->Data, entry->Data->GetSize());
  } else if (entry->Size > 0) {
    source_->SetPosition(entry->Offset);
    if (!entry->Raw && !memory) {
      TMemoryStream unpacked;
      source_->CopyToStream(unpacked, entry->Size);
      DecompressStream(unpacked);
      CopyBytes(destination, unpacked, unpacked.GetSize());
    } else {
      source_->CopyToStream(destination, entry->Size);
      if (!entry->Raw) DecompressStream(*memory);
    }
  }
  destination.SetPosition(0);
}

std::unique_ptr<TStream> TVrFileCollection::OpenRangeStream(std::string_view name) {
  TVrFile* entry = Find(name);
  if (!source_ || !entry) return nullptr;
  std::unique_ptr<TStream> source;
  if (auto* resource = dynamic_cast<TWzBigResourceStream*>(source_.get()))
    source = std::make_unique<TWzBigResourceStream>(resource->ResourceName(), resource->ResourceType());
  else
    source = std::make_unique<TWzBigFileStream>(path_, TWzBigFileStream::fmOpenRead | TWzBigFileStream::fmShareDenyWrite);
  return std::make_unique<TRangeStream>(std::move(source), entry->Offset, entry->Size);
}

TVrFile& TVrFileCollection::AddFile(std::string_view name) { return AddNamed(name); }

TVrFile& TVrFileCollection::AddMemoryFile(std::string_view name) {
  TVrFile& entry = AddNamed(name);
  entry.Data = std::make_unique<TWzMemoryStream>();
  return entry;
}

void TVrFileCollection::Remove(std::string_view name) {
  int index = IndexOf(name);
  if (index >= 0) Delete(index);
}

bool TVrFileCollection::SaveToStream(TStream& destination) {
  const int64_t start = destination.GetPosition();
  std::vector<TVrFile*> entries;
  for (int i = 0; i < Count(); ++i)
    if (Item(i).GetName() != kEndName) entries.push_back(&Item(i));
  const auto n = static_cast<int32_t>(entries.size());

  destination.WriteBuffer("vf", 2);
  WriteStreamInt(destination, ArchiveVersion);
  WriteStreamInt(destination, n);
  TWzRandom nameMask(kScrambleSeed);
  for (TVrFile* entry : entries) {
    std::string name = entry->GetName();
    for (char& c : name) c = static_cast<char>(static_cast<uint8_t>(c) ^ static_cast<uint8_t>(nameMask.Next()));
    WriteStreamString(destination, name);
  }
  const int64_t tablePosition = destination.GetPosition();
  const int64_t tableBytes = 8 * (int64_t{n} + 1) + 10 * int64_t{n};
  destination.WriteBuffer(std::vector<uint8_t>(static_cast<size_t>(tableBytes)).data(), tableBytes);

  std::vector<int64_t> offsets;
  for (TVrFile* entry : entries) {
    bool cancel = false;
    if (OnProgress) {
      OnProgress(*this, *entry, 0, entry->GetIndex(), Count(), cancel);
      if (cancel) return false;
    }
    const int64_t before = destination.GetPosition();
    offsets.push_back(before - start);
    entry->SaveData(destination);
    if (OnProgress) {
      OnProgress(*this, *entry, destination.GetPosition() - before, entry->GetIndex(), Count(), cancel);
      if (cancel) return false;
    }
  }
  const int64_t end = destination.GetPosition();
  offsets.push_back(end - start);

  TMemoryStream table;
  TWzRandom offsetMask(kScrambleSeed);
  for (int64_t offset : offsets)
    WriteStreamInt64(table, static_cast<int64_t>(static_cast<uint64_t>(offset) ^ WideMask(offsetMask)));
  for (TVrFile* entry : entries) WriteStreamByte(table, entry->Raw);
  for (TVrFile* entry : entries) WriteStreamInt(table, entry->Time);
  for (TVrFile* entry : entries) WriteStreamInt(table, static_cast<int32_t>(entry->Crc));
  for (TVrFile* entry : entries) WriteStreamByte(table, entry->CrcBasis);
  destination.SetPosition(tablePosition);
  Append(destination, table);
  destination.SetPosition(end);
  return true;
}

bool ShouldCompress(TStream& file, std::string_view name) {
  std::string ext = AnsiUpperCase(ExtractFileExt(name));
  if (ext == ".VSK") return IsRawVaskStream(file);
  // Media that is compressed already; matched as a piece of the text, as the tool did.
  constexpr std::string_view kMedia = ".WAV.WMA.OGG.MPG.MPEG.M1V.WMV.ASF.DAT.";
  if (!ext.empty() && kMedia.find(ext) != std::string_view::npos) return false;
  return file.GetSize() < TVrFile::kRawSize;
}

}  // namespace orva
