#include "scene/timer_list.h"

#include <algorithm>

#include "core/lists.h"
#include "core/stream.h"
#include "scene/base_list.h"

namespace orva {

TTimerData* TTimerList::GetEvent(int index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return events_[size_t(index)].get();
}

TTimerData* TTimerList::Append(TObjectHandle sender, uint8_t kind) {
  auto event = std::make_unique<TTimerData>(this);
  event->sender_ = sender;
  event->kind_ = kind;
  ++counts_[{sender, kind}];
  events_.push_back(std::move(event));
  return events_.back().get();
}

TTimerData* TTimerList::AddEvent(const TOrvaObject* sender, std::string_view handler, uint8_t kind,
                                 const TArrayString* args) {
  TTimerData* event = Append(sender ? sender->Handle() : TObjectHandle{}, kind);
  event->Handler = handler;
  if (args) event->Args.Assign(*args);
  return event;
}

int TTimerList::IndexOfEvent(const TOrvaObject* sender, uint8_t kind) const {
  const TObjectHandle handle = sender ? sender->Handle() : TObjectHandle{};
  for (size_t i = 0; i < events_.size(); ++i)
    if (events_[i]->sender_ == handle && events_[i]->kind_ == kind) return static_cast<int>(i);
  return -1;
}

bool TTimerList::HasEvent(const TOrvaObject* sender, uint8_t kind) const {
  return counts_.contains({sender ? sender->Handle() : TObjectHandle{}, kind});
}

TTimerData* TTimerList::FirstPending() const {
  for (const auto& event : events_)
    if (event->Level == 0) return event.get();
  return nullptr;
}

void TTimerList::Uncount(const TTimerData& event) {
  auto it = counts_.find({event.sender_, event.kind_});
  if (it != counts_.end() && --it->second <= 0) counts_.erase(it);
}

template <class Pred>
void TTimerList::RemoveIf(Pred pred) {
  // One pass keeping the order of the events that stay.
  auto kept = events_.begin();
  for (auto it = events_.begin(); it != events_.end(); ++it) {
    if (pred(**it)) {
      Uncount(**it);
      it->reset();
    } else {
      if (kept != it) *kept = std::move(*it);
      ++kept;
    }
  }
  events_.erase(kept, events_.end());
}

void TTimerList::RemoveLevel(int32_t level) {
  RemoveIf([level](const TTimerData& e) { return e.Level == level; });
}

void TTimerList::RemoveDispatched() {
  RemoveIf([](const TTimerData& e) { return e.Level != 0; });
}

void TTimerList::RemoveObject(const TOrvaObject* sender) {
  const TObjectHandle handle = sender ? sender->Handle() : TObjectHandle{};
  RemoveIf([handle](const TTimerData& e) { return e.Level == 0 && e.sender_ == handle; });
}

void TTimerList::Clear() {
  events_.clear();
  counts_.clear();
}

void TTimerList::SaveToStream(TStream& stream) const {
  TOrvaBaseList* main = GetMainScene();
  WriteStreamInt(stream, Count());
  for (const auto& event : events_) {
    WriteStreamString(stream, event->Handler);
    // Layers, objects of a private scene and senders that are gone are saved without a name.
    TOrvaObject* sender = event->GetSender();
    const bool named = sender && main && sender->GetOwner() == main && sender->IsListed();
    WriteStreamString(stream, named ? std::string_view(sender->GetName()) : std::string_view());
    WriteStreamByte(stream, event->kind_);
    WriteStreamInt(stream, event->Level);
    event->Args.SaveToStream(stream);
  }
}

void TTimerList::LoadFromStream(TStream& stream, int version) {
  Clear();
  // handler and sender lengths, kind, level and the argument count at least.
  const int32_t count = ReadStreamCount(stream, version >= 114 ? 17 : 14);
  for (int32_t i = 0; i < count; ++i) {
    std::string handler = ReadStreamString(stream);
    const std::string senderName = ReadStreamString(stream);
    TOrvaObject* sender = senderName.empty() || !scene_ ? nullptr : scene_->FindObject(senderName);
    const uint8_t kind = ReadStreamByte(stream);
    TTimerData* event = Append(sender ? sender->Handle() : TObjectHandle{}, kind);
    event->Handler = std::move(handler);
    event->Level = version >= 114 ? ReadStreamInt(stream) : (ReadStreamByte(stream) != 0 ? 1 : 0);
    event->Args.LoadFromStream(stream);
  }
}

}  // namespace orva
