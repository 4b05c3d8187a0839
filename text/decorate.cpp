#include "text/decorate.h"

#include <algorithm>

#include "core/lists.h"
#include "text/stream_read.h"

namespace orva {

TDecorate* TDecorateList::At(int64_t index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return items_[size_t(index)].get();
}

int TDecorateList::IndexOf(const TDecorate* record) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == record) return static_cast<int>(i);
  return -1;
}

TDecorate* TDecorateList::Find(const TDecorateValues& values) const {
  for (const auto& item : items_)
    if (item->Values == values) return item.get();
  return nullptr;
}

TDecorate* TDecorateList::FindOrAdd(const TDecorateValues& values) {
  if (TDecorate* found = Find(values)) {
    ++found->RefCount;
    return found;
  }
  items_.push_back(std::make_unique<TDecorate>(TDecorate{1, values}));
  return items_.back().get();
}

void TDecorateList::Release(TDecorate* record) {
  if (!record) return;
  if (--record->RefCount >= 1) return;
  auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& item) { return item.get() == record; });
  if (it != items_.end()) items_.erase(it);
}

TDecorate* TDecorateList::Change(TDecorate* current, const TDecorateValues& values) {
  TDecorate* found = Find(values);
  if (found && found != current) {
    ++found->RefCount;
    Release(current);
    return found;
  }
  if (!current) return FindOrAdd(values);
  if (current->RefCount > 1) {
    --current->RefCount;
    return FindOrAdd(values);
  }
  current->Values = values;
  return current;
}

void TDecorateList::LoadFromStream(TStream& stream, int version) {
  const int32_t count = ReadCount(stream, kMinDecorationBytes);
  for (int32_t i = 0; i < count; ++i) {
    auto record = std::make_unique<TDecorate>();
    TDecorateValues& v = record->Values;
    record->RefCount = ReadInt(stream);
    v.Color = ReadInt(stream);
    v.BorderColor = ReadInt(stream);
    v.Size = ReadInt(stream);
    v.Style = ReadByte(stream);
    v.NoBr = ReadByte(stream) != 0;
    if (version < 100) {
      v.BorderWidth = ReadByte(stream) != 0 ? 1 : 0;
      v.ShadowWidth = 0;
      v.ShadowColor = 0;
    } else {
      v.BorderWidth = ReadInt(stream);
    }
    v.FontName = ReadString(stream);
    v.Ruby = ReadString(stream);
    if (version >= 100) {
      v.ShadowWidth = ReadInt(stream);
      v.ShadowColor = ReadInt(stream);
    }
    items_.push_back(std::move(record));
  }
}

void TDecorateList::Truncate(int count) {
  if (count >= 0 && count < Count()) items_.resize(size_t(count));
}

// ---- TDecorationRef ----

const TDecorateValues& TDecorationRef::Values() const {
  static const TDecorateValues defaults;
  return record_ ? record_->Values : defaults;
}

void TDecorationRef::Take(TDecorateList& pool, const TDecorateValues& values) { record_ = pool.FindOrAdd(values); }

void TDecorationRef::Change(TDecorateList& pool, const TDecorateValues& values) {
  record_ = pool.Change(record_, values);
}

void TDecorationRef::Release(TDecorateList& pool) {
  pool.Release(record_);
  record_ = nullptr;
}

}  // namespace orva
