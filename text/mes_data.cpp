#include "text/mes_data.h"

#include <algorithm>

#include "core/exceptions.h"
#include "core/file_manager.h"
#include "core/hash_collection.h"
#include "core/stream.h"
#include "script/page.h"
#include "script/text_commands.h"
#include "text/glyph_page.h"
#include "text/stream_read.h"

namespace orva {

bool PageFileExists(std::string_view name) { return FileManager && !name.empty() && FileManager->FileExists(name); }

// ==== TOrvaHistData ====

void TOrvaHistData::Clear() {
  entries_.clear();
  total_ = 0;
}

std::string TOrvaHistData::PageNameAt(int index) const {
  for (int i = std::min(index, Count() - 1); i >= 0; --i)
    if (!entries_[size_t(i)].PageName.empty()) return entries_[size_t(i)].PageName;
  return {};
}

void TOrvaHistData::Add(std::string_view pageName, int32_t commandIndex, std::string_view snapshot, int32_t height,
                        int32_t last, int32_t first) {
  THistEntry entry;
  if (!SameItemName(pageName, PageNameAt(Count() - 1)) || entries_.empty()) entry.PageName = pageName;
  entry.CommandIndex = commandIndex;
  entry.First = first;
  entry.Last = last;
  entry.Height = height;
  entry.Snapshot = snapshot;
  entries_.push_back(std::move(entry));
  total_ = static_cast<int32_t>(static_cast<uint32_t>(total_) + static_cast<uint32_t>(height));
}

void TOrvaHistData::AddEntry(const THistEntry& entry, std::string_view pageName) {
  Add(pageName, entry.CommandIndex, entry.Snapshot, entry.Height, entry.Last, entry.First);
}

void TOrvaHistData::SaveToStream(TStream& stream) const {
  WriteStreamInt(stream, Count());
  for (const THistEntry& e : entries_) {
    WriteStreamString(stream, e.PageName);
    for (int32_t v : {e.CommandIndex, e.First, e.Last, e.Height}) WriteStreamInt(stream, v);
    WriteStreamString(stream, e.Snapshot);
  }
  WriteStreamInt(stream, total_);
}

void TOrvaHistData::LoadFromStream(TStream& stream, int version) {
  Clear();
  // An entry takes its name's count and four integers at least.
  std::vector<THistEntry> entries(size_t(ReadCount(stream, 20)));
  for (THistEntry& e : entries) {
    e.PageName = ReadString(stream);
    e.CommandIndex = ReadInt(stream);
    e.First = ReadInt(stream);
    e.Last = ReadInt(stream);
    e.Height = ReadInt(stream);
    if (version >= 124) e.Snapshot = ReadString(stream);
  }
  total_ = ReadInt(stream);
  entries_ = std::move(entries);
}

// ==== TMesDataCacheList ====

TMesDataCacheList::TMesDataCacheList() = default;
TMesDataCacheList::~TMesDataCacheList() = default;

void TMesDataCacheList::Clear() { pages_.clear(); }

const TWzWord* TMesDataCacheList::GetLayout(std::string_view pageName, int32_t commandIndex) {
  auto page = std::find_if(pages_.begin(), pages_.end(), [&](const TCachedPage& p) { return SameItemName(p.Name, pageName); });
  if (page != pages_.end()) {
    pages_.splice(pages_.begin(), pages_, page);
  } else {
    TCachedPage loaded{std::string(pageName), std::make_unique<TPage>(), {}};
    ++pageLoads_;
    try {
      loaded.Page->LoadFromFile(pageName);
    } catch (const Exception&) {
      return nullptr;
    }
    pages_.push_front(std::move(loaded));
    while (pages_.size() > kMaxPages) pages_.pop_back();
  }
  TCachedPage& cached = pages_.front();
  auto word = std::find_if(cached.Words.begin(), cached.Words.end(),
                           [&](const TCachedWord& w) { return w.CommandIndex == commandIndex; });
  if (word != cached.Words.end()) {
    cached.Words.splice(cached.Words.begin(), cached.Words, word);
    return cached.Words.front().Word.get();
  }
  if (!cached.Page->Contains(commandIndex)) return nullptr;
  auto* command = dynamic_cast<TComTextIns*>(&cached.Page->GetCommand(commandIndex));
  if (!command) return nullptr;
  auto read = std::make_unique<TWzWord>();
  ++streamReads_;
  try {
    command->Glyphs().SetPosition(0);
    read->LoadFromStream(command->Glyphs());
  } catch (const Exception&) {
    return nullptr;
  }
  cached.Words.push_front({commandIndex, std::move(read)});
  while (cached.Words.size() > kMaxWords) cached.Words.pop_back();
  return cached.Words.front().Word.get();
}

// ==== TOrvaNewMesData ====

namespace {

// The entry's glyph range lies within the command's text (a cached word holds the stored
// glyphs only, so its list indexes are the stored ones).
bool InRange(const THistEntry& entry, const TWzWord& text) {
  return entry.First >= 0 && entry.First < text.GlyphCount() && entry.Last >= -1 &&
         (entry.Last < 0 || entry.Last >= entry.First);
}

}  // namespace

int32_t MoveRows(TWdPage& from, TWdPage& into, int32_t y, int32_t lineSpace) {
  int32_t next = y;
  while (from.GetCount() > 0) {
    TWdGlyph* row = from.GetItem(0);
    std::unique_ptr<TWdGlyph> owned = from.Disown(row);
    into.AddChild(row);
    if (owned) into.Own(std::move(owned));
    row->Top = static_cast<int32_t>(static_cast<uint32_t>(row->Top) + static_cast<uint32_t>(y));
    next = static_cast<int32_t>(int64_t{row->Top} + row->GetHeight() + lineSpace);
  }
  return next;
}

void TOrvaNewMesData::Rebuild(TWzWord& word, TWdPageList& pages, bool stacking, int32_t offset) {
  if (record_.Count() == 0) {
    RebuildOld(word, pages, stacking);
    return;
  }
  word.Clear();
  if (record_.Count() == 1 && record_.TotalHeight() == 0) {
    // A text command shown directly.
    const THistEntry& entry = record_.Entry(0);
    const std::string name = record_.PageNameAt(0);
    if (!PageFileExists(name)) return;
    const TWzWord* cached = cache_.GetLayout(name, entry.CommandIndex);
    if (!cached || !InRange(entry, *cached)) return;
    word.ApplyCache(*cached, entry.First, entry.Last);
    word.Snapshot = SplitLines(entry.Snapshot);
    // The copies are the range alone.
    word.ExpandVars(0, -1);
    word.Paginate(pages, 0, -1);
    return;
  }
  // A backlog view: the entries stacked into one page.
  pages.push_back(std::make_unique<TWdPage>(&word));
  TWdPage& view = *pages.back();
  int32_t y = offset;
  for (int i = 0; i < record_.Count(); ++i) {
    const THistEntry& entry = record_.Entry(i);
    const std::string name = record_.PageNameAt(i);
    if (!PageFileExists(name)) break;
    const TWzWord* cached = cache_.GetLayout(name, entry.CommandIndex);
    if (!cached || !InRange(entry, *cached)) continue;
    const int start = word.GlyphCount();
    word.ApplyCache(*cached, entry.First, entry.Last);
    word.Snapshot = SplitLines(entry.Snapshot);
    word.ExpandVars(start, -1);
    TWdPageList laid;
    word.Paginate(laid, start, -1);
    word.DecorationBase = word.Pool().Count();
    if (!laid.empty()) y = MoveRows(*laid.front(), view, y, word.LineSpace);
  }
  word.Snapshot.clear();
  view.FitHeight();
}

void TOrvaNewMesData::RebuildOld(TWzWord& word, TWdPageList& pages, bool stacking) {
  const int32_t width = word.Width, height = word.Height;
  word.Clear();
  if (old_.size() == 1 && old_.front().PageIndex < 0) {
    const TOldEntry& entry = old_.front();
    const TWzWord* cached = PageFileExists(entry.PageName) ? cache_.GetLayout(entry.PageName, entry.CommandIndex) : nullptr;
    if (cached) {
      word.ApplyCache(*cached, 0, -1);
      word.Width = entry.Width;
      word.Height = entry.Height;
      word.ExpandVars(0, -1);
      word.Paginate(pages, 0, -1);
    }
  } else if (!old_.empty()) {
    pages.push_back(std::make_unique<TWdPage>(&word));
    TWdPage& view = *pages.back();
    int32_t y = 0;
    std::string name;
    for (const TOldEntry& entry : old_) {
      if (!entry.PageName.empty()) name = entry.PageName;
      if (!PageFileExists(name)) break;
      const TWzWord* cached = cache_.GetLayout(name, entry.CommandIndex);
      if (!cached) continue;
      const int start = word.GlyphCount();
      word.ApplyCache(*cached, 0, -1);
      word.Width = entry.Width;
      word.Height = entry.Height;
      word.ExpandVars(start, -1);
      TWdPageList laid;
      word.Paginate(laid, start, -1);
      word.DecorationBase = word.Pool().Count();
      // A page index that is not one of the entry's pages shows nothing and takes no room.
      if (entry.PageIndex < 0 || size_t(entry.PageIndex) >= laid.size()) continue;
      const int32_t moved = MoveRows(*laid[size_t(entry.PageIndex)], view, y, word.LineSpace);
      y = stacking ? moved : static_cast<int32_t>(static_cast<uint32_t>(y) + static_cast<uint32_t>(entry.Height));
    }
    view.FitHeight();
  }
  word.Width = width;
  word.Height = height;
}

void TOrvaNewMesData::SaveToStream(TStream& stream) const {
  WriteStreamInt(stream, static_cast<int32_t>(old_.size()));
  for (const TOldEntry& e : old_) WriteStreamString(stream, e.PageName);
  for (const TOldEntry& e : old_) WriteStreamInt(stream, e.CommandIndex);
  for (const TOldEntry& e : old_) WriteStreamInt(stream, e.PageIndex);
  for (const TOldEntry& e : old_) {
    WriteStreamInt(stream, e.Width);
    WriteStreamInt(stream, e.Height);
  }
  record_.SaveToStream(stream);
}

void TOrvaNewMesData::LoadFromStream(TStream& stream, int version) {
  // Each entry takes a name's count, two indexes and a size.
  std::vector<TOldEntry> old(size_t(ReadCount(stream, 20)));
  for (TOldEntry& e : old) e.PageName = ReadString(stream);
  for (TOldEntry& e : old) e.CommandIndex = ReadInt(stream);
  for (TOldEntry& e : old) e.PageIndex = ReadInt(stream);
  for (TOldEntry& e : old) {
    e.Width = ReadInt(stream);
    e.Height = ReadInt(stream);
  }
  if (version >= 113)
    record_.LoadFromStream(stream, version);
  else
    record_.Clear();
  old_ = std::move(old);
}

}  // namespace orva
