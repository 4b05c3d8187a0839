#include "scene/timer_list.h"

#include "core/lists.h"
#include "core/stream.h"
#include "scene/base_list.h"

namespace orva {

TOrvaObject* EventSender(const TTimerData& event) { return ResolveHandle(event.Sender); }

TTimerData* TTimerList::GetEvent(int index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return events_[size_t(index)].Event.get();
}

TTimerData* TTimerList::Append(TObjectHandle sender, uint8_t kind) {
  auto event = std::make_unique<TTimerData>();
  event->Sender = sender;
  event->Kind = kind;
  const Key key{sender, kind};
  ++counts_[key];
  ++senders_[sender];
  events_.push_back({std::move(event), key});
  return events_.back().Event.get();
}

TTimerData* TTimerList::AddEvent(const TOrvaObject* sender, std::string_view handler, uint8_t kind,
                                 const TArrayString* args) {
  TTimerData* event = Append(HandleOf(sender), kind);
  event->Handler = handler;
  if (args) event->Args.Assign(*args);
  return event;
}

int TTimerList::IndexOfEvent(const TOrvaObject* sender, uint8_t kind) const {
  const Key key{HandleOf(sender), kind};
  for (size_t i = 0; i < events_.size(); ++i)
    if (events_[i].Counted == key) return static_cast<int>(i);
  return -1;
}

bool TTimerList::HasEvent(const TOrvaObject* sender, uint8_t kind) const {
  return counts_.contains({HandleOf(sender), kind});
}

TTimerData* TTimerList::FirstPending() {
  for (const Entry& entry : events_)
    if (entry.Event->Level == 0) return entry.Event.get();
  return nullptr;
}

void TTimerList::Uncount(const Key& key) {
  auto it = counts_.find(key);
  if (it != counts_.end() && --it->second <= 0) counts_.erase(it);
  auto sender = senders_.find(key.Sender);
  if (sender != senders_.end() && --sender->second <= 0) senders_.erase(sender);
}

template <class Pred>
void TTimerList::RemoveIf(Pred pred) {
  // One pass keeping the order of the events that stay.
  auto kept = events_.begin();
  for (auto it = events_.begin(); it != events_.end(); ++it) {
    if (pred(*it->Event)) {
      Uncount(it->Counted);
      it->Event.reset();
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

void TTimerList::RemoveEvent(const TTimerData* event) {
  RemoveIf([event](const TTimerData& e) { return &e == event; });
}

void TTimerList::RemoveDispatched() {
  RemoveIf([](const TTimerData& e) { return e.Level != 0; });
}

void TTimerList::RemoveObject(const TOrvaObject* sender) {
  const TObjectHandle handle = HandleOf(sender);
  if (!senders_.contains(handle)) return;
  RemoveIf([handle](const TTimerData& e) { return e.Level == 0 && e.Sender == handle; });
}

void TTimerList::Clear() {
  events_.clear();
  counts_.clear();
  senders_.clear();
}

void TTimerList::SaveToStream(TStream& stream) const {
  TOrvaBaseList* main = GetMainScene();
  WriteStreamInt(stream, Count());
  for (const Entry& entry : events_) {
    const TTimerData& event = *entry.Event;
    WriteStreamString(stream, event.Handler);
    // Layers, objects of a private scene and senders that are gone are saved without a name.
    TOrvaObject* sender = EventSender(event);
    const bool named = sender && main && sender->GetOwner() == main && sender->IsListed();
    WriteStreamString(stream, named ? std::string_view(sender->GetName()) : std::string_view());
    WriteStreamByte(stream, event.Kind);
    WriteStreamInt(stream, event.Level);
    event.Args.SaveToStream(stream);
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
    TTimerData* event = Append(HandleOf(sender), kind);
    event->Handler = std::move(handler);
    event->Level = version >= 114 ? ReadStreamInt(stream) : (ReadStreamByte(stream) != 0 ? 1 : 0);
    event->Args.LoadFromStream(stream);
  }
}

}  // namespace orva
