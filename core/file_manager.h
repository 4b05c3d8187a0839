#pragma once
// The one file manager through which every game file is read by its relative name. Loading
// looks in the override directory, then the open archives in the order added, then the roots
// of the optical discs; whole files are kept in a small most-recently-used cache, and archive
// entries that a media player must open by path are extracted to work files.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/archive.h"
#include "core/exceptions.h"
#include "core/lists.h"
#include "core/stream.h"

namespace orva {

// One cached file: the name upper-cased, and its bytes.
class TVrCache {
 public:
  std::string Key;
  TMemoryStream Data;
};

// Most recently used first; about 4 MiB of data.
class TVrCacheList {
 public:
  static constexpr int64_t kCapacity = 4 << 20;

  // The entry of the name, moved to the front; a miss adds an empty entry at the front
  // after evicting from the back while the total is above the capacity (never the newest).
  TVrCache& Get(std::string_view name);
  void Remove(std::string_view name);
  void Clear() {
    items_.Clear();
    spare_ = {};
  }
  int Count() const { return items_.Count(); }
  TVrCache& Item(int index) const { return *items_[index]; }
  int64_t TotalSize() const;

  // The memory of evicted entries, kept for the next load to fill instead of new pages: one
  // block, the largest up to twice the capacity. Its bytes are left over from before.
  std::vector<uint8_t> TakeSpare() { return std::exchange(spare_, {}); }
  void Recycle(std::vector<uint8_t>&& memory);

 private:
  TObjList<TVrCache> items_;
  std::vector<uint8_t> spare_;
};

// One extracted work file. Freeing the record queues its file for deletion (TempFileList).
class TVrLockData {
 public:
  TVrLockData(std::string entryName, int32_t id, std::string path)
      : EntryName(std::move(entryName)), Id(id), Path(std::move(path)) {}
  ~TVrLockData();
  TVrLockData(const TVrLockData&) = delete;
  TVrLockData& operator=(const TVrLockData&) = delete;

  std::string EntryName;
  int32_t Id;
  int32_t RefCount = 1;
  int32_t Countdown = 0;  // milliseconds, for deferred releases
  std::string Path;       // real path of the work file
};

class TVrLockList {
 public:
  // The next unused id.
  int32_t NextId();
  void Add(std::unique_ptr<TVrLockData> record) { records_.Add(std::move(record)); }
  // By entry name, compared exactly; -1 when none.
  int IndexOf(std::string_view entryName) const;
  int Count() const { return records_.Count(); }
  TVrLockData& Item(int index) const { return *records_[index]; }
  // Counts the deferred releases down by the frame's milliseconds and frees those that run out.
  void Tick();
  TObjList<TVrLockData>& Deferred() { return deferred_; }

 private:
  int32_t nextId_ = 0;
  TObjList<TVrLockData> records_;
  TObjList<TVrLockData> deferred_;
};

// The texts a disc request shows (Shift-JIS), and the identity a disc must carry.
struct TDiscRequest {
  std::string Caption;           // the application's title
  std::string Prompt;            // holds "%d" for the disc number
  std::string QuitConfirmation;
  std::string GameIdentity;
};

class TVrFileManager {
 public:
  // The roots are those of the optical discs mounted now.
  TVrFileManager();
  // Roots given as game paths ending with "\" (tests; a fixed list).
  explicit TVrFileManager(std::vector<std::string> cdRoots);
  ~TVrFileManager();
  TVrFileManager(const TVrFileManager&) = delete;
  TVrFileManager& operator=(const TVrFileManager&) = delete;

  // Opens and appends an archive; -1 when an open archive's base directory is that path
  // (a second in-memory archive, say). A damaged archive raises and is not added.
  int AddArchive(std::string_view path);
  int AddResourceArchive(std::string_view moduleFile, std::string_view resourceName, std::string_view resourceType);
  void Delete(int index);
  TVrFileCollection& GetCollection(int index) const { return *archives_[index]; }
  int Count() const { return archives_.Count(); }
  void Clear() { archives_.Clear(); }

  // The override directory of loose files ("\" appended; empty stays empty).
  void SetDirectory(std::string_view directory);
  const std::string& Directory() const { return directory_; }

  bool FileExists(std::string_view name) const;
  // The whole file into the destination, positioned at 0; "%s:ファイルがありません" when
  // it is found nowhere. An error of the read carries where the file was read from.
  void LoadToStream(TStream& destination, std::string_view name);
  // Where the file of that name is read from, as the user finds it (UTF-8): the loose file's
  // path, or the archive's path and the entry's name ("game/game.dat: start.osb"); empty
  // when it is nowhere.
  std::string Where(std::string_view name) const;
  // A real (UTF-8) path with the file's bytes: the override file, the archive entry's work
  // file (extracted once per name), a disc's file, else the name itself.
  std::string GetRealFileName(std::string_view name);
  // A read-only stream over the file's bytes, the caller's to free.
  std::unique_ptr<TStream> OpenRangeStream(std::string_view name) const;
  TVrFile* FindEntry(std::string_view name) const;
  // Asks for disc n (1-based) until it is found (true) or the player chooses to quit
  // (false: QuitRequested is set and the main window asked to close). Never raises.
  bool RequestDisc(int disc, const TDiscRequest& request);
  // Opens the "game.dat" of every root whose "install.dat" names this game and disc index.
  bool FindDisc(int index, std::string_view gameIdentity);
  // Extracts the entry into a new work file and returns its real path; "作業用ファイルが作れません"
  // when the file cannot be made. A file that could not be made or filled is not recorded.
  std::string CreateWorkFile(std::string_view name);

  TVrCacheList& Cache() { return cache_; }
  TVrLockList& WorkFiles() { return workFiles_; }
  const std::vector<std::string>& CdRoots() const { return cdRoots_; }

 private:
  // Game path of a loose file of that name, or empty: the override directory (the current
  // directory when none is set), or the first disc root that has it.
  std::string OverrideFile(std::string_view name) const;
  std::string DiscFile(std::string_view name) const;

  TObjList<TVrFileCollection> archives_;
  std::vector<std::string> cdRoots_;
  std::string directory_;
  TVrCacheList cache_;
  TVrLockList workFiles_;
};

// The roots of the optical discs mounted now, as game paths ending with "\".
std::vector<std::string> OpticalDiscRoots();

// The global file manager, from InitFileManager to DoneFileManager.
extern std::unique_ptr<TVrFileManager> FileManager;
// Work files waiting to be deleted.
extern std::vector<std::string> TempFileList;

// Runs `read`, which makes sense of the bytes of the named game file: an error it raises
// carries where that file was read from, unless an inner reader gave a place already.
template <class TRead>
void ReadingGameFile(std::string_view name, TRead&& read) {
  try {
    read();
  } catch (Exception& e) {
    if (FileManager) e.NoteWhere(FileManager->Where(name));
    throw;
  }
}

void InitFileManager();
// Frees the manager, deletes the work files and removes their private directory.
void DoneFileManager();
// Deletes the files of TempFileList (failures ignored) and empties it; once per frame.
void DeleteTempFiles();
// The private directory of the work files, made on first use under $TMPDIR; empty when it
// cannot be made.
const std::string& WorkDirectory();
void RemoveWorkDirectory();

}  // namespace orva
