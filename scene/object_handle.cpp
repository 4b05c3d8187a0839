#include "scene/object_handle.h"

#include <vector>

namespace orva {

namespace {

struct Slot {
  TOrvaObject* Object = nullptr;
  uint32_t Generation = 1;
};

// Slot 0 is never handed out, so a zero handle can never resolve.
std::vector<Slot>& Slots() {
  static std::vector<Slot> slots(1);
  return slots;
}
std::vector<uint32_t>& FreeSlots() {
  static std::vector<uint32_t> free;
  return free;
}

}  // namespace

TOrvaObject* ResolveHandle(TObjectHandle handle) {
  const std::vector<Slot>& slots = Slots();
  if (handle.Id == 0 || handle.Id >= slots.size()) return nullptr;
  const Slot& slot = slots[handle.Id];
  return slot.Generation == handle.Generation ? slot.Object : nullptr;
}

namespace object_handles {

TObjectHandle Acquire(TOrvaObject* object) {
  std::vector<Slot>& slots = Slots();
  std::vector<uint32_t>& free = FreeSlots();
  uint32_t index;
  if (!free.empty()) {
    index = free.back();
    free.pop_back();
  } else {
    index = static_cast<uint32_t>(slots.size());
    slots.emplace_back();
  }
  slots[index].Object = object;
  return {index, slots[index].Generation};
}

void Release(TObjectHandle handle) {
  std::vector<Slot>& slots = Slots();
  if (handle.Id == 0 || handle.Id >= slots.size()) return;
  Slot& slot = slots[handle.Id];
  if (slot.Generation != handle.Generation) return;
  slot.Object = nullptr;
  // Generation 0 means "no object"; a slot that wraps skips it.
  if (++slot.Generation == 0) slot.Generation = 1;
  FreeSlots().push_back(handle.Id);
}

}  // namespace object_handles

}  // namespace orva
