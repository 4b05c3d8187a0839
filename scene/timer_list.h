#pragma once
// The scene's event queue. Objects never call the interpreter: they append an event
// {handler, sender, kind, arguments}; the call manager takes the first waiting one between
// command steps, runs its handler page and marks the event with the handler's dispatch
// level. The event stays queued until that level ends, so an object can ask whether an
// event of its own of a kind waits or runs, and a save taken inside a handler resumes it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/string_lists.h"
#include "scene/object_handle.h"
#include "script/scene_link.h"

namespace orva {

class TOrvaBaseList;
class TOrvaObject;
class TStream;

// The object an event is about (@Sender while its handler runs), or none once it is gone.
TOrvaObject* EventSender(const TTimerData& event);

// The queue; events are the interpreter's TTimerData records. Sender and Kind are fixed once
// an event is queued (the call manager only sets Level).
class TTimerList : public TEventQueue {
 public:
  explicit TTimerList(TOrvaBaseList* scene) : scene_(scene) {}
  TTimerList(const TTimerList&) = delete;
  TTimerList& operator=(const TTimerList&) = delete;

  TOrvaBaseList* GetScene() const { return scene_; }
  int Count() const { return static_cast<int>(events_.size()); }
  // Raises EListError outside 0..Count()-1.
  TTimerData* GetEvent(int index) const;

  // Appends a waiting event; the arguments, when given, are copied.
  TTimerData* AddEvent(const TOrvaObject* sender, std::string_view handler, uint8_t kind,
                       const TArrayString* args = nullptr);
  // The first event of that sender and kind, waiting or running; -1 when none.
  int IndexOfEvent(const TOrvaObject* sender, uint8_t kind) const;
  // IndexOfEvent != -1, answered from a count instead of a walk of the queue.
  bool HasEvent(const TOrvaObject* sender, uint8_t kind) const;
  // The first event in queue order whose Level is 0, or none.
  TTimerData* FirstPending() override;

  // Remove and free every event whose Level equals the level (a handler level ended).
  void RemoveLevel(int32_t level) override;
  // Remove and free that event; nothing when it is not queued.
  void RemoveEvent(const TTimerData* event) override;
  // Remove and free every dispatched event (Level not 0).
  void RemoveDispatched() override;
  // Remove and free the waiting events of the sender; running ones stay.
  void RemoveObject(const TOrvaObject* sender);
  void Clear() override;

  // int32 count, then per event: handler, sender name ("" when there is none or it is not an
  // object of the main scene's list), kind byte, level (int32; one byte before 114), args.
  void SaveToStream(TStream& stream) const;
  // Senders are found by name in the queue's scene. Counts beyond the data raise EReadError.
  void LoadFromStream(TStream& stream, int version);

 private:
  struct Key {
    TObjectHandle Sender;
    uint8_t Kind;
    friend bool operator==(const Key&, const Key&) = default;
  };
  static uint64_t Mix(TObjectHandle h) { return (uint64_t{h.Id} << 32 | h.Generation) * 0x9E3779B97F4A7C15ull; }
  struct KeyHash {
    size_t operator()(const Key& k) const noexcept { return std::hash<uint64_t>()(Mix(k.Sender) ^ k.Kind); }
  };
  struct HandleHash {
    size_t operator()(TObjectHandle h) const noexcept { return std::hash<uint64_t>()(Mix(h)); }
  };

  // An event with the key it was counted under.
  struct Entry {
    std::unique_ptr<TTimerData> Event;
    Key Counted;
  };

  TTimerData* Append(TObjectHandle sender, uint8_t kind);
  void Uncount(const Key& key);
  template <class Pred>
  void RemoveIf(Pred pred);

  TOrvaBaseList* scene_;
  std::vector<Entry> events_;
  std::unordered_map<Key, int, KeyHash> counts_;
  // Events per sender, of any kind: a sender without any (nearly every object freed) costs
  // no walk of the queue.
  std::unordered_map<TObjectHandle, int, HandleHash> senders_;
};

}  // namespace orva
