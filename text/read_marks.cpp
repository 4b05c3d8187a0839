#include "text/read_marks.h"

#include "core/stream.h"
#include "text/stream_read.h"

namespace orva {

// ---- TOrvaRead ----

void TOrvaRead::Add(int32_t commandIndex, int32_t pageIndex) {
  commands_.push_back(commandIndex);
  pages_.push_back(pageIndex);
}

bool TOrvaRead::Contains(int32_t commandIndex, int32_t pageIndex) const {
  for (size_t i = 0; i < commands_.size(); ++i)
    if (commands_[i] == commandIndex && pages_[i] == pageIndex) return true;
  return false;
}

void TOrvaRead::SaveToStream(TStream& stream) const {
  WriteStreamString(stream, GetName());
  WriteStreamInt(stream, static_cast<int32_t>(commands_.size()));
  for (int32_t v : commands_) WriteStreamInt(stream, v);
  for (int32_t v : pages_) WriteStreamInt(stream, v);
}

void TOrvaRead::LoadFromStream(TStream& stream) {
  SetName(ReadString(stream));
  const int32_t count = ReadCount(stream, 8);
  commands_.resize(size_t(count));
  pages_.resize(size_t(count));
  for (int32_t& v : commands_) v = ReadInt(stream);
  for (int32_t& v : pages_) v = ReadInt(stream);
}

// ---- TOrvaReadList ----

bool TOrvaReadList::IsRead(std::string_view pageName, int32_t commandIndex, int32_t pageIndex) const {
  const TOrvaRead* item = items_.Find(pageName);
  return item && item->Contains(commandIndex, pageIndex);
}

void TOrvaReadList::SetPending(std::string_view boxName, std::string_view pageName, int32_t pageIndex,
                               int32_t commandIndex) {
  pendingBox_ = boxName;
  pending_ = {std::string(pageName), commandIndex, pageIndex};
}

void TOrvaReadList::Commit(std::string_view boxName, const TReadPlace* current) {
  if (!HasPending() || boxName != pendingBox_) return;
  const bool same = current && SameItemName(current->PageName, pending_.PageName) &&
                    current->CommandIndex == pending_.CommandIndex && current->PageIndex == pending_.PageIndex;
  if (same) {
    TOrvaRead* item = items_.Find(pending_.PageName);
    if (!item) item = &items_.AddNamed(pending_.PageName);
    if (!item->Contains(pending_.CommandIndex, pending_.PageIndex)) item->Add(pending_.CommandIndex, pending_.PageIndex);
  }
  pending_ = {};
  pendingBox_.clear();
}

void TOrvaReadList::Clear() {
  items_.Clear();
  pending_ = {};
  pendingBox_.clear();
}

void TOrvaReadList::SaveToStream(TStream& stream) {
  WriteStreamInt(stream, items_.Count());
  for (int i = 0; i < items_.Count(); ++i) items_.Item(i).SaveToStream(stream);
  WriteStreamString(stream, pending_.PageName);
  WriteStreamInt(stream, pending_.CommandIndex);
  WriteStreamInt(stream, pending_.PageIndex);
  WriteStreamString(stream, pendingBox_);
}

void TOrvaReadList::LoadFromStream(TStream& stream, int version) {
  Clear();
  if (version < 100) return;
  // Everything is read before anything is taken, so damaged data leaves no half list.
  // An item takes at least its name's count and its pair count.
  std::vector<std::unique_ptr<TOrvaRead>> items(size_t(ReadCount(stream, 8)));
  for (auto& item : items) {
    item = std::make_unique<TOrvaRead>();
    item->LoadFromStream(stream);
  }
  TReadPlace pending;
  pending.PageName = ReadString(stream);
  pending.CommandIndex = ReadInt(stream);
  pending.PageIndex = ReadInt(stream);
  std::string box = ReadString(stream);
  for (auto& item : items) items_.Add(std::move(item));
  pending_ = std::move(pending);
  pendingBox_ = std::move(box);
}

}  // namespace orva
