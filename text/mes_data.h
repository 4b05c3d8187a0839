#pragma once
// Where a message box's text came from, and the layout cache it is rebuilt through. Text
// commands are not kept as text: a box (and the backlog) keeps references, the script page
// name, the command index and a range of stored glyphs, and reads the command's glyph stream
// again through a small cache of loaded pages and read commands when it rebuilds.

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/string_lists.h"
#include "text/word.h"

namespace orva {

class TPage;
class TStream;

// Whether the page file can be read now.
bool PageFileExists(std::string_view name);

// One laid-out text page of a record.
struct THistEntry {
  std::string PageName;  // empty: the name in force at the entry before
  int32_t CommandIndex = 0;
  int32_t First = 0, Last = -1;  // stored glyph indexes; last −1: to the end
  int32_t Height = 0;
  std::string Snapshot;
};

// A history page of the backlog, and a box's record of the text command(s) it shows.
class TOrvaHistData {
 public:
  void Clear();
  // The page name is stored only when it differs (any case) from the one in force.
  void Add(std::string_view pageName, int32_t commandIndex, std::string_view snapshot, int32_t height, int32_t last,
           int32_t first);
  // Appends an entry with its name resolved from another record.
  void AddEntry(const THistEntry& entry, std::string_view pageName);
  int Count() const { return static_cast<int>(entries_.size()); }
  const THistEntry& Entry(int index) const { return entries_.at(size_t(index)); }
  THistEntry& Entry(int index) { return entries_.at(size_t(index)); }
  // The name of entry i: the last stored one at or before it.
  std::string PageNameAt(int index) const;
  int32_t TotalHeight() const { return total_; }

  // int32 count; per entry page name STR, command index, first, last, height (int32 each),
  // snapshot STR (from save version 124); then the total height.
  void SaveToStream(TStream& stream) const;
  // A count beyond the bytes left raises EReadError.
  void LoadFromStream(TStream& stream, int version);

 private:
  std::vector<THistEntry> entries_;
  int32_t total_ = 0;
};

// An entry of the older form: a page as a box of that size showed it.
struct TOldEntry {
  std::string PageName;  // in the backlog's list: empty = the previous record's
  int32_t CommandIndex = 0;
  int32_t PageIndex = 0;
  int32_t Width = 0, Height = 0;
};

// The layout cache: at most 4 loaded script pages and 16 read text commands per page, most
// recently used first.
class TMesDataCacheList {
 public:
  static constexpr size_t kMaxPages = 4;
  static constexpr size_t kMaxWords = 16;

  TMesDataCacheList();
  ~TMesDataCacheList();
  TMesDataCacheList(const TMesDataCacheList&) = delete;
  TMesDataCacheList& operator=(const TMesDataCacheList&) = delete;

  // The text of the command as its glyph stream holds it, never laid out; none when the page
  // cannot be loaded, the index is past its commands, the command is no text command or its
  // stream cannot be read. Page names compared without regard to case.
  const TWzWord* GetLayout(std::string_view pageName, int32_t commandIndex);
  void Clear();

  // Page files loaded and glyph streams read so far.
  int PageLoads() const { return pageLoads_; }
  int StreamReads() const { return streamReads_; }

 private:
  struct TCachedWord {
    int32_t CommandIndex = 0;
    std::unique_ptr<TWzWord> Word;
  };
  struct TCachedPage {
    std::string Name;
    std::unique_ptr<TPage> Page;
    std::list<TCachedWord> Words;
  };
  std::list<TCachedPage> pages_;
  int pageLoads_ = 0, streamReads_ = 0;
};

// A box's message data: the record of the text command(s) it shows (or the older form's
// entries of a backlog view) and its layout cache.
class TOrvaNewMesData {
 public:
  TOrvaHistData& Record() { return record_; }
  const TOrvaHistData& Record() const { return record_; }
  std::vector<TOldEntry>& OldEntries() { return old_; }
  TMesDataCacheList& Cache() { return cache_; }

  void AddOld(const TOldEntry& entry) { old_.push_back(entry); }
  void ClearOld() { old_.clear(); }
  // No record entries and no older-form entries: the box shows its TEXT instead.
  bool IsEmpty() const { return record_.Count() == 0 && old_.empty(); }

  // Lays the text out again into the word and the pages: a text command shown directly, or
  // a backlog view stacked into one page from the offset down.
  void Rebuild(TWzWord& word, TWdPageList& pages, bool stacking, int32_t offset);

  // int32 n; n page names; n command indexes; n page indexes; n sizes; then the record
  // (from save version 113).
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream, int version);

 private:
  void RebuildOld(TWzWord& word, TWdPageList& pages, bool stacking);

  TMesDataCacheList cache_;
  TOrvaHistData record_;
  std::vector<TOldEntry> old_;
};

// Moves the rows of one page into another, each lower by y; the bottom of the last row moved
// plus the line space, or y when there was none.
int32_t MoveRows(TWdPage& from, TWdPage& into, int32_t y, int32_t lineSpace);

}  // namespace orva
