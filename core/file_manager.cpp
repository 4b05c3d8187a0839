#include "core/file_manager.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "core/app_control.h"
#include "core/compression.h"
#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/frame_clock.h"
#include "core/game_path.h"
#include "core/install_set.h"
#include "core/paths.h"
#include "core/range_stream.h"
#include "core/sjis.h"
#include "platform/message_box.h"
#include "platform/optical_drives.h"
#include "platform/temp_dir.h"

namespace orva {

std::unique_ptr<TVrFileManager> FileManager;
std::vector<std::string> TempFileList;

namespace {

[[noreturn]] void RaiseMissing(std::string_view name) {
  throw Exception(std::string(name) + Sjis(":ファイルがありません"));
}

std::string& WorkDirectoryPath() {
  static std::string path;
  return path;
}

// The prompt comes from the game's data: only "%d" (the disc) and "%%" are formatting.
std::string FormatDiscPrompt(std::string_view prompt, int disc) {
  std::string text;
  bool numbered = false;
  for (size_t i = 0; i < prompt.size(); ++i) {
    if (prompt[i] == '%' && i + 1 < prompt.size() && prompt[i + 1] == '%') {
      text += '%';
      ++i;
    } else if (prompt[i] == '%' && i + 1 < prompt.size() && prompt[i + 1] == 'd' && !numbered) {
      text += std::to_string(disc);
      numbered = true;
      ++i;
    } else {
      text += prompt[i];
    }
  }
  return text;
}

void LoadRealFile(TStream& destination, const std::string& gamePath) {
  TFileStream file(OsPath(gamePath), TFileStream::fmOpenRead);
  CopyBytes(destination, file, file.GetSize());
}

// The stored bytes of an entry (fewer at the end of the data) into `stored`, whose memory is
// reused and whose old bytes are overwritten rather than cleared first.
void ReadStored(TWzBigStream& source, const TVrFile& entry, std::vector<uint8_t>& stored) {
  TMemoryStream bytes;
  bytes.Assign(std::move(stored));
  source.SetPosition(entry.Offset);
  bytes.SetSize(source.CopyToStream(bytes, entry.Size));
  stored = std::move(bytes.Bytes());
}

// The uncompressed bytes of an entry into `plain`; a compressed entry's stored bytes pass
// through `stored`. Both reuse their memory.
void ReadEntry(TWzBigStream& source, const TVrFile& entry, std::vector<uint8_t>& plain, std::vector<uint8_t>& stored) {
  if (entry.Raw) return ReadStored(source, entry, plain);
  ReadStored(source, entry, stored);
  InflateInto(stored, plain);
}

}  // namespace

// ---- TVrCacheList ----

TVrCache& TVrCacheList::Get(std::string_view name) {
  std::string key = AnsiUpperCase(name);
  for (int i = 0; i < items_.Count(); ++i)
    if (items_[i]->Key == key) {
      if (i > 0) items_.Insert(0, items_.Extract(i));
      return *items_[0];
    }
  auto entry = std::make_unique<TVrCache>();
  entry->Key = std::move(key);
  items_.Insert(0, std::move(entry));
  while (items_.Count() >= 2 && TotalSize() > kCapacity) {
    Recycle(std::move(items_[items_.Count() - 1]->Data.Bytes()));
    items_.Delete(items_.Count() - 1);
  }
  return *items_[0];
}

void TVrCacheList::Recycle(std::vector<uint8_t>&& memory) {
  if (memory.capacity() > spare_.capacity() && memory.capacity() <= 2 * static_cast<uint64_t>(kCapacity))
    spare_.swap(memory);
  memory = {};
}

void TVrCacheList::Remove(std::string_view name) {
  std::string key = AnsiUpperCase(name);
  for (int i = 0; i < items_.Count(); ++i)
    if (items_[i]->Key == key) {
      items_.Delete(i);
      return;
    }
}

int64_t TVrCacheList::TotalSize() const {
  int64_t total = 0;
  for (const auto& item : items_) total += item->Data.GetSize();
  return total;
}

// ---- Work files ----

TVrLockData::~TVrLockData() { TempFileList.push_back(Path); }

int32_t TVrLockList::NextId() {
  auto used = [this](int32_t id) {
    for (const auto& r : records_)
      if (r->Id == id) return true;
    return false;
  };
  int32_t id = nextId_;
  while (used(id)) id = static_cast<int32_t>(static_cast<uint32_t>(id) + 1);
  nextId_ = static_cast<int32_t>(static_cast<uint32_t>(id) + 1);
  return id;
}

int TVrLockList::IndexOf(std::string_view entryName) const {
  for (int i = 0; i < records_.Count(); ++i)
    if (records_[i]->EntryName == entryName) return i;
  return -1;
}

void TVrLockList::Tick() {
  for (int i = deferred_.Count() - 1; i >= 0; --i) {
    TVrLockData& record = *deferred_[i];
    record.Countdown = static_cast<int32_t>(static_cast<uint32_t>(record.Countdown) - static_cast<uint32_t>(FrameDelta));
    if (record.Countdown < 1) deferred_.Delete(i);
  }
}

const std::string& WorkDirectory() {
  std::string& path = WorkDirectoryPath();
  if (path.empty()) path = MakePrivateTempDirectory("orva-");
  return path;
}

void RemoveWorkDirectory() {
  std::string& path = WorkDirectoryPath();
  RemoveDirectoryWithFiles(path);
  path.clear();
}

void DeleteTempFiles() {
  for (const std::string& path : TempFileList) ::unlink(path.c_str());
  TempFileList.clear();
}

void InitFileManager() {
  TempFileList.clear();
  FileManager = std::make_unique<TVrFileManager>();
}

void DoneFileManager() {
  FileManager.reset();
  DeleteTempFiles();
  RemoveWorkDirectory();
}

// ---- TVrFileManager ----

std::vector<std::string> OpticalDiscRoots() {
  std::vector<std::string> roots;
  for (const std::string& root : MountedOpticalRoots()) roots.push_back(AddBackSlash(GamePath(root)));
  return roots;
}

TVrFileManager::TVrFileManager() : TVrFileManager(OpticalDiscRoots()) {}

TVrFileManager::TVrFileManager(std::vector<std::string> cdRoots) : cdRoots_(std::move(cdRoots)) {}

TVrFileManager::~TVrFileManager() = default;

int TVrFileManager::AddArchive(std::string_view path) {
  for (const auto& archive : archives_)
    if (SameTextAscii(archive->BaseDirectory(), path)) return -1;
  auto archive = std::make_unique<TVrFileCollection>();
  try {
    archive->Open(path);
  } catch (Exception& e) {
    if (e.Message().find(path) == std::string::npos) e.NoteWhere(OsPath(path));
    throw;
  }
  archives_.Add(std::move(archive));
  return archives_.Count() - 1;
}

int TVrFileManager::AddResourceArchive(std::string_view moduleFile, std::string_view resourceName,
                                       std::string_view resourceType) {
  auto archive = std::make_unique<TVrFileCollection>();
  archive->OpenResource(moduleFile, resourceName, resourceType);
  archives_.Add(std::move(archive));
  return archives_.Count() - 1;
}

void TVrFileManager::Delete(int index) { archives_.Delete(index); }

void TVrFileManager::SetDirectory(std::string_view directory) {
  directory_ = directory.empty() ? std::string() : AddBackSlash(directory);
}

std::string TVrFileManager::OverrideFile(std::string_view name) const {
  std::string path = directory_ + std::string(name);
  return GameFileExists(path) ? path : std::string();
}

std::string TVrFileManager::DiscFile(std::string_view name) const {
  for (const std::string& root : cdRoots_) {
    std::string path = root + std::string(name);
    if (GameFileExists(path)) return path;
  }
  return {};
}

bool TVrFileManager::FileExists(std::string_view name) const {
  if (name.empty()) return false;
  for (const auto& archive : archives_)
    if (archive->IndexOf(name) >= 0) return true;
  if (!directory_.empty() && !OverrideFile(name).empty()) return true;
  return !DiscFile(name).empty();
}

TVrFile* TVrFileManager::FindEntry(std::string_view name) const {
  for (const auto& archive : archives_)
    if (TVrFile* entry = archive->Find(name)) return entry;
  return nullptr;
}

void TVrFileManager::LoadToStream(TStream& destination, std::string_view name) {
  auto* memory = dynamic_cast<TMemoryStream*>(&destination);
  // The caller's stream is emptied as ever, but its block is what the bytes are put in.
  std::vector<uint8_t> block;
  if (memory) {
    block = std::move(memory->Bytes());
    memory->Clear();
  }
  TVrCache* cached = &cache_.Get(name);
  auto deliver = [&](TMemoryStream& bytes) {
    if (memory) {
      block.assign(bytes.Memory(), bytes.Memory() + bytes.GetSize());
      memory->Assign(std::move(block));
      bytes.Seek(0, TSeekOrigin::soEnd);
      return;
    }
    bytes.SetPosition(0);
    CopyBytes(destination, bytes, bytes.GetSize());
    destination.SetPosition(0);
  };
  if (cached->Data.GetSize() > 0) return deliver(cached->Data);
  // A load that fails half way must not leave half a file in the cache.
  try {
    std::string loose = OverrideFile(name);
    if (!loose.empty()) {
      LoadRealFile(cached->Data, loose);
      return deliver(cached->Data);
    }
    for (const auto& archive : archives_) {
      TVrFile* entry = archive->Find(name);
      if (!entry) continue;
      if (entry->Data) {
        cache_.Remove(name);  // in-memory entries change: never cached
        return deliver(*entry->Data);
      }
      TWzBigStream* source = archive->Source();
      if (!source) continue;
      if (entry->Size <= 0) return deliver(cached->Data);
      // Two blocks whose bytes are overwritten: the caller's and the cache's spare one. The
      // larger takes the uncompressed bytes straight from the file or from zlib, the other
      // the stored bytes on the way and then the one copy the cache or the caller needs.
      std::vector<uint8_t> spare = cache_.TakeSpare();
      const bool intoCallers = memory && block.capacity() > spare.capacity();
      std::vector<uint8_t>& plain = intoCallers ? block : spare;
      ReadEntry(*source, *entry, plain, intoCallers ? spare : block);
      if (memory && !intoCallers) block.assign(spare.begin(), spare.end());
      std::vector<uint8_t> kept;
      if (spare.capacity() / 2 > plain.size()) {
        // Too roomy for the cache to hold this entry in: it waits for a larger one.
        kept.assign(plain.begin(), plain.end());
        cache_.Recycle(std::move(spare));
      } else {
        kept = std::move(spare);
        if (intoCallers) kept.assign(block.begin(), block.end());
      }
      cached->Data.Assign(std::move(kept));
      if (!memory) return deliver(cached->Data);
      cached->Data.Seek(0, TSeekOrigin::soEnd);
      memory->Assign(std::move(block));
      return;
    }
    std::string onDisc = DiscFile(name);
    if (!onDisc.empty()) {
      LoadRealFile(cached->Data, onDisc);
      return deliver(cached->Data);
    }
  } catch (Exception& e) {
    cache_.Remove(name);
    e.NoteWhere(Where(name));
    throw;
  } catch (...) {
    cache_.Remove(name);
    throw;
  }
  RaiseMissing(name);
}

std::string TVrFileManager::Where(std::string_view name) const {
  const std::string loose = OverrideFile(name);
  if (!loose.empty()) return OsPath(loose);
  for (const auto& archive : archives_) {
    const TVrFile* entry = archive->Find(name);
    if (!entry || (!entry->Data && !archive->Source())) continue;
    const std::string entryName = SjisToUtf8(entry->GetName());
    return archive->Path().empty() ? entryName : OsPath(archive->Path()) + ": " + entryName;
  }
  const std::string onDisc = DiscFile(name);
  return onDisc.empty() ? std::string() : OsPath(onDisc);
}

std::string TVrFileManager::GetRealFileName(std::string_view name) {
  if (!directory_.empty()) {
    std::string loose = OverrideFile(name);
    if (!loose.empty()) return OsPath(loose);
  }
  for (const auto& archive : archives_) {
    if (archive->IndexOf(name) < 0) continue;
    int index = workFiles_.IndexOf(name);
    if (index < 0) return CreateWorkFile(name);
    TVrLockData& record = workFiles_.Item(index);
    ++record.RefCount;
    return record.Path;
  }
  std::string onDisc = DiscFile(name);
  return OsPath(onDisc.empty() ? name : std::string_view(onDisc));
}

std::unique_ptr<TStream> TVrFileManager::OpenRangeStream(std::string_view name) const {
  std::string loose = OverrideFile(name);
  if (!loose.empty()) return std::make_unique<TFileRangeStream>(loose, 0, 0);
  for (const auto& archive : archives_)
    if (auto range = archive->OpenRangeStream(name)) return range;
  std::string onDisc = DiscFile(name);
  if (!onDisc.empty()) return std::make_unique<TFileRangeStream>(onDisc, 0, 0);
  RaiseMissing(name);
}

std::string TVrFileManager::CreateWorkFile(std::string_view name) {
  const std::string& directory = WorkDirectory();
  if (directory.empty()) throw Exception(Sjis("作業用ファイルが作れません"));
  int32_t id = workFiles_.NextId();
  std::string extension = SjisToUtf8(ExtractFileExt(name));
  for (char& c : extension)
    if (c == '/') c = '_';
  char stem[16];
  std::snprintf(stem, sizeof stem, "~ov%.8X", static_cast<unsigned>(id));
  std::string path = directory + "/" + stem + extension;
  ::unlink(path.c_str());  // a leftover in our own directory
  std::unique_ptr<TFileStream> file;
  try {
    file = std::make_unique<TFileStream>(path, TFileStream::fmCreateNew);
  } catch (const EStreamError&) {
    throw Exception(Sjis("作業用ファイルが作れません"));
  }
  try {
    LoadToStream(*file, name);
  } catch (...) {
    file.reset();
    ::unlink(path.c_str());
    throw;
  }
  workFiles_.Add(std::make_unique<TVrLockData>(std::string(name), id, path));
  return path;
}

bool TVrFileManager::FindDisc(int index, std::string_view gameIdentity) {
  bool found = false;
  for (const std::string& root : cdRoots_) {
    if (!GameFileExists(root + "game.dat") || !GameFileExists(root + "install.dat")) continue;
    // A disc whose files cannot be read is not the disc asked for.
    try {
      TOrvaInstallSet record;
      record.LoadFromFile(root + "install.dat");
      if (record.GameIdentity != gameIdentity || record.DiscNumber != index) continue;
      AddArchive(root + "game.dat");
      found = true;
    } catch (const Exception&) {
    }
  }
  return found;
}

bool TVrFileManager::RequestDisc(int disc, const TDiscRequest& request) {
  for (int i = archives_.Count() - 1; i >= 0; --i) {
    const std::string base = AnsiUpperCase(archives_[i]->BaseDirectory());
    for (const std::string& root : cdRoots_)
      if (base.starts_with(AnsiUpperCase(root))) {
        archives_.Delete(i);
        break;
      }
  }
  const std::string caption = SjisToUtf8(request.Caption);
  for (;;) {
    TMsgResult answer = MessageBoxService().Show(SjisToUtf8(FormatDiscPrompt(request.Prompt, disc)), caption,
                                                 TMsgButtons::OKCancel, TMsgIcon::None);
    if (answer == TMsgResult::OK) {
      if (FindDisc(disc - 1, request.GameIdentity)) return true;
      continue;
    }
    answer = MessageBoxService().Show(SjisToUtf8(request.QuitConfirmation), caption, TMsgButtons::OKCancel,
                                      TMsgIcon::None);
    if (answer != TMsgResult::Cancel) break;
  }
  QuitRequested = true;
  PostMainWindowClose();
  return false;
}

}  // namespace orva
