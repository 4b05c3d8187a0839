#include "text/history.h"

#include <algorithm>

#include "core/exceptions.h"
#include "core/hash_collection.h"
#include "core/stream.h"
#include "scene/base_list.h"
#include "script/call_manager.h"
#include "script/page.h"
#include "script/param_collection.h"
#include "script/text_commands.h"
#include "text/glyph_page.h"
#include "text/orva_mes.h"
#include "text/stream_read.h"

namespace orva {
namespace {

int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

void SaveOld(TStream& stream, const TOldEntry& e) {
  WriteStreamString(stream, e.PageName);
  for (int32_t v : {e.CommandIndex, e.PageIndex, e.Width, e.Height}) WriteStreamInt(stream, v);
}

// Newer saves write each record whole, older ones column by column.
std::vector<TOldEntry> LoadOldList(TStream& stream, int version) {
  std::vector<TOldEntry> list(size_t(ReadCount(stream, 20)));
  if (version >= 113) {
    for (TOldEntry& e : list) {
      e.PageName = ReadString(stream);
      e.CommandIndex = ReadInt(stream);
      e.PageIndex = ReadInt(stream);
      e.Width = ReadInt(stream);
      e.Height = ReadInt(stream);
    }
  } else {
    for (TOldEntry& e : list) e.PageName = ReadString(stream);
    for (TOldEntry& e : list) e.CommandIndex = ReadInt(stream);
    for (TOldEntry& e : list) e.PageIndex = ReadInt(stream);
    for (TOldEntry& e : list) {
      e.Width = ReadInt(stream);
      e.Height = ReadInt(stream);
    }
  }
  return list;
}

// The name in force at record i of the older form.
std::string OldNameAt(const std::vector<TOldEntry>& list, size_t i) {
  for (size_t k = i + 1; k-- > 0;)
    if (!list[k].PageName.empty()) return list[k].PageName;
  return {};
}

}  // namespace

TOrvaNewHistory::TOrvaNewHistory() { word_.FontHeight = 0; }

TOrvaNewHistory::~TOrvaNewHistory() {
  pages_.clear();
  word_.Clear();
}

void TOrvaNewHistory::BeginRecord(TOrvaMes& box, std::string_view pageName, std::string_view snapshot,
                                  int32_t pageIndex, int32_t last, int32_t first, int32_t commandIndex) {
  current_ = {box.GetName(), std::string(pageName), commandIndex, first, last, std::string(snapshot)};
  const TParamCollection* vars = GetSceneVariables();
  const std::array<int32_t, 6> format = vars ? vars->HistoryFormat : std::array<int32_t, 6>{};
  if (format[0] == 0) {
    boxWidth_ = box.GetWidth();
    boxHeight_ = box.GetHeight();
    pageIndex_ = pageIndex;
  }
  // A format takes effect while the backlog has no history pages.
  if (records_.empty()) ApplyFormat(format);
}

void TOrvaNewHistory::ApplyFormat(const std::array<int32_t, 6>& format) {
  word_.FontHeight = format[0];
  word_.BorderWidth = format[1];
  word_.ShadowWidth = format[2];
  word_.Width = format[3];
  word_.Height = format[4];
  word_.LineSpace = format[5];
}

void TOrvaNewHistory::Commit(std::string_view boxName) {
  if (!HasCurrent() || boxName != current_.BoxName) return;
  if (Formatted())
    CommitFormatted();
  else
    CommitOld();
}

void TOrvaNewHistory::CommitFormatted() {
  if (!PageFileExists(current_.PageName)) {
    current_ = {};
    return;
  }
  TPage* page = nullptr;
  std::unique_ptr<TPage> loaded;
  if (interpreter_)
    for (int i = 0; i < interpreter_->CachedPages() && !page; ++i)
      if (SameItemName(interpreter_->CachedPage(i).Name(), current_.PageName)) page = &interpreter_->CachedPage(i);
  if (!page) {
    loaded = std::make_unique<TPage>();
    ++pageLoads_;
    try {
      loaded->LoadFromFile(current_.PageName);
    } catch (const Exception&) {
      current_ = {};
      return;
    }
    page = loaded.get();
  }
  const int32_t index = current_.CommandIndex;
  auto* command = page->Contains(index) ? dynamic_cast<TComTextIns*>(&page->GetCommand(index)) : nullptr;
  if (!command) return;  // the record stays current
  if (lastCommand_ != index || !SameItemName(lastPage_, current_.PageName)) {
    pages_.clear();
    word_.Clear();
    lastPage_.clear();
    lastCommand_ = -1;
    try {
      command->Glyphs().SetPosition(0);
      word_.LoadFromStream(command->Glyphs());
    } catch (const Exception&) {
      word_.Clear();
      current_ = {};
      return;
    }
    lastPage_ = current_.PageName;
    lastCommand_ = index;
  }
  // The values the page showed lay it out as it was.
  word_.Snapshot = SplitLines(current_.Snapshot);
  word_.ExpandVars(current_.First, current_.Last);
  word_.Paginate(pages_, current_.First, current_.Last);
  for (const auto& laid : pages_) {
    const int32_t height = Clamp32(int64_t{laid->Height} + word_.LineSpace);
    TWdGlyph* firstGlyph = laid->FirstStored();
    TWdGlyph* lastGlyph = laid->LastStored();
    const int32_t first = firstGlyph ? word_.StoredIndexOf(firstGlyph) : 0;
    const int32_t last = lastGlyph ? word_.StoredIndexOf(lastGlyph) : -1;
    if (records_.empty() || int64_t{records_.back()->TotalHeight()} + height > word_.Height)
      records_.push_back(std::make_unique<TOrvaHistData>());
    records_.back()->Add(current_.PageName, index, current_.Snapshot, height, last, first);
  }
  Evict();
  pages_.clear();
  word_.CollapseVars(0, -1);
  word_.Snapshot.clear();
  current_ = {};
}

void TOrvaNewHistory::CommitOld() {
  TOldEntry entry{current_.PageName, current_.CommandIndex, pageIndex_, boxWidth_, boxHeight_};
  if (!old_.empty() && SameItemName(OldNameAt(old_, old_.size() - 1), entry.PageName)) entry.PageName.clear();
  old_.push_back(std::move(entry));
  Evict();
  current_ = {};
}

void TOrvaNewHistory::Evict() {
  if (maxCount_ < 1) return;
  while (records_.size() > size_t(maxCount_)) records_.erase(records_.begin());
  while (old_.size() > size_t(maxCount_)) {
    // The next record may have relied on this one's name.
    if (old_.size() > 1 && old_[1].PageName.empty()) old_[1].PageName = old_[0].PageName;
    old_.erase(old_.begin());
  }
}

void TOrvaNewHistory::Clear() {
  pages_.clear();
  records_.clear();
  old_.clear();
  current_ = {};
  lastPage_.clear();
  lastCommand_ = -1;
}

void TOrvaNewHistory::Reset() {
  Clear();
  maxCount_ = 0;
}

int32_t TOrvaNewHistory::GetCount() const {
  return static_cast<int32_t>(Formatted() ? records_.size() : old_.size());
}

int32_t TOrvaNewHistory::GetTotal() {
  if (!Formatted()) return static_cast<int32_t>(old_.size());
  uint32_t total = 0;
  for (const auto& record : records_) total += static_cast<uint32_t>(record->TotalHeight());
  return static_cast<int32_t>(total);
}

void TOrvaNewHistory::CollectRange(int32_t y, int32_t h, int32_t& offset, TOrvaHistData& target) const {
  target.Clear();
  offset = 0;
  const int64_t top = y, bottom = int64_t{y} + h;
  // The first record and entry that reach below y.
  size_t firstRecord = records_.size();
  int firstEntry = 0;
  int64_t start = 0;
  for (size_t r = 0; r < records_.size(); ++r) {
    const TOrvaHistData& record = *records_[r];
    if (start + record.TotalHeight() > top) {
      firstRecord = r;
      int64_t at = start;
      firstEntry = record.Count() - 1;
      for (int e = 0; e < record.Count(); ++e) {
        if (at + record.Entry(e).Height > top) {
          firstEntry = e;
          break;
        }
        at += record.Entry(e).Height;
      }
      offset = Clamp32(at - top);
      break;
    }
    start += record.TotalHeight();
  }
  if (firstRecord == records_.size()) return;
  // The last record is the one before the first that starts at or below y + h.
  std::vector<int64_t> starts(records_.size());
  start = 0;
  for (size_t r = 0; r < records_.size(); ++r) {
    starts[r] = start;
    start += records_[r]->TotalHeight();
  }
  size_t lastRecord = records_.size() - 1;
  for (size_t r = 0; r < records_.size(); ++r)
    if (starts[r] >= bottom) {
      lastRecord = r > 0 ? r - 1 : 0;
      break;
    }
  lastRecord = std::max(lastRecord, firstRecord);
  const int64_t lastStart = starts[lastRecord];
  const TOrvaHistData& last = *records_[lastRecord];
  int lastEntry = last.Count() - 1;
  int64_t at = lastStart;
  for (int e = 0; e < last.Count(); ++e) {
    at += last.Entry(e).Height;
    if (at >= bottom) {
      lastEntry = e;
      break;
    }
  }
  for (size_t r = firstRecord; r <= lastRecord; ++r) {
    const TOrvaHistData& record = *records_[r];
    const int from = r == firstRecord ? firstEntry : 0;
    const int to = r == lastRecord ? lastEntry : record.Count() - 1;
    for (int e = from; e <= to; ++e) target.AddEntry(record.Entry(e), record.PageNameAt(e));
  }
}

void TOrvaNewHistory::ShowInMes(int32_t start, int32_t count, TOrvaMes& box) {
  box.Kind = TOrvaMes::kBacklogView;
  TOrvaNewMesData& data = box.MesData();
  if (Formatted()) {
    data.ClearOld();
    int32_t offset = 0;
    CollectRange(start, count, offset, data.Record());
    box.BacklogOffset = offset;
  } else {
    data.Record().Clear();
    data.ClearOld();
    const int64_t end = int64_t{start} + count;
    for (int64_t i = std::max<int64_t>(start, 0); i < end && i < int64_t(old_.size()); ++i) {
      TOldEntry entry = old_[size_t(i)];
      entry.PageName = OldNameAt(old_, size_t(i));
      data.AddOld(entry);
    }
    box.SetOffsetY(0);
  }
  box.RebuildFromCommand(true);
  box.SetIndex(0);
}

// ---- Stored form ----

void TOrvaNewHistory::SaveToStream(TStream& stream) {
  WriteStreamInt(stream, static_cast<int32_t>(old_.size()));
  for (const TOldEntry& e : old_) SaveOld(stream, e);
  WriteStreamString(stream, current_.PageName);
  WriteStreamInt(stream, current_.CommandIndex);
  WriteStreamInt(stream, pageIndex_);
  WriteStreamInt(stream, boxWidth_);
  WriteStreamInt(stream, boxHeight_);
  WriteStreamString(stream, current_.BoxName);
  for (int32_t v : {maxCount_, word_.FontHeight, word_.BorderWidth, word_.ShadowWidth, word_.Width, word_.Height,
                    word_.LineSpace, current_.First, current_.Last})
    WriteStreamInt(stream, v);
  WriteStreamInt(stream, static_cast<int32_t>(records_.size()));
  for (const auto& record : records_) record->SaveToStream(stream);
  WriteStreamString(stream, current_.Snapshot);
}

void TOrvaNewHistory::LoadFromStream(TStream& stream, int version) {
  // Everything is read before anything is taken.
  if (version < 113) ReadString(stream);
  std::vector<TOldEntry> old = LoadOldList(stream, version);
  TCurrent current;
  current.PageName = ReadString(stream);
  current.CommandIndex = ReadInt(stream);
  const int32_t pageIndex = ReadInt(stream);
  const int32_t boxWidth = ReadInt(stream), boxHeight = ReadInt(stream);
  current.BoxName = ReadString(stream);
  std::array<int32_t, 6> format{};
  int32_t maxCount = maxCount_;
  std::vector<std::unique_ptr<TOrvaHistData>> records;
  if (version >= 113) {
    maxCount = ReadInt(stream);
    for (int32_t& v : format) v = ReadInt(stream);
    current.First = ReadInt(stream);
    current.Last = ReadInt(stream);
    // A record takes its entry count and total height at least.
    records.resize(size_t(ReadCount(stream, 8)));
    for (auto& record : records) {
      record = std::make_unique<TOrvaHistData>();
      record->LoadFromStream(stream, version);
    }
  }
  if (version >= 124) current.Snapshot = ReadString(stream);

  Clear();
  old_ = std::move(old);
  current_ = std::move(current);
  pageIndex_ = pageIndex;
  boxWidth_ = boxWidth;
  boxHeight_ = boxHeight;
  maxCount_ = maxCount;
  word_.Clear();
  ApplyFormat(format);
  records_ = std::move(records);
}

}  // namespace orva
