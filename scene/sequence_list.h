#pragma once
// Values in ascending order of their sequence numbers, found by binary search and taken out
// without moving the rest: a taken value leaves a hole that a later compaction closes (at
// once when holes make half the list). A value that comes out of order is appended and the
// list sorted when it is next read, so that many such cost one sort. Values are tested for
// emptiness: a pointer or a unique_ptr, never null while listed; a sequence is listed once.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace orva {

template <class V>
class TSequenceList {
 public:
  struct TSlot {
    uint64_t Sequence;
    V Value;
  };

  void Insert(uint64_t sequence, V value) {
    if (!slots_.empty() && slots_.back().Sequence > sequence) unsorted_ = true;
    slots_.push_back({sequence, std::move(value)});
  }

  // The value of that sequence, taken out of the list; an empty one when none is listed.
  V Take(uint64_t sequence) {
    Settle();
    const size_t at = Find(sequence);
    if (at == slots_.size() || slots_[at].Sequence != sequence || !slots_[at].Value) return V{};
    V value = std::move(slots_[at].Value);
    slots_[at].Value = V{};
    ++holes_;
    // Holes at either end cost nothing to skip or drop.
    while (head_ < slots_.size() && !slots_[head_].Value) ++head_;
    while (!slots_.empty() && !slots_.back().Value) {
      slots_.pop_back();
      --holes_;
    }
    head_ = std::min(head_, slots_.size());
    if (holes_ > 16 && holes_ * 2 > slots_.size()) Compact();
    return value;
  }

  size_t Size() const { return slots_.size() - holes_; }
  bool Empty() const { return Size() == 0; }
  // The first value, or an empty one.
  const V& Front() const {
    static const V none{};
    Settle();
    return head_ < slots_.size() ? slots_[head_].Value : none;
  }
  // The index among the values of that sequence, -1 when it is not listed.
  int IndexOf(uint64_t sequence) const {
    Compact();
    const size_t at = Find(sequence);
    return at < slots_.size() && slots_[at].Sequence == sequence ? static_cast<int>(at) : -1;
  }
  // The index-th value.
  V& At(size_t index) const {
    Compact();
    return slots_[index].Value;
  }
  // Every slot in order, holes (empty values) included.
  const std::vector<TSlot>& Slots() const {
    Settle();
    return slots_;
  }
  void Compact() const {
    Settle();
    if (holes_ == 0) return;
    std::erase_if(slots_, [](const TSlot& slot) { return !slot.Value; });
    holes_ = 0;
    head_ = 0;
  }

 private:
  void Settle() const {
    if (!unsorted_) return;
    unsorted_ = false;
    std::erase_if(slots_, [](const TSlot& slot) { return !slot.Value; });
    holes_ = 0;
    head_ = 0;
    std::sort(slots_.begin(), slots_.end(), [](const TSlot& a, const TSlot& b) { return a.Sequence < b.Sequence; });
  }
  size_t Find(uint64_t sequence) const {
    return size_t(std::lower_bound(slots_.begin() + ptrdiff_t(head_), slots_.end(), sequence,
                                   [](const TSlot& slot, uint64_t s) { return slot.Sequence < s; }) -
                  slots_.begin());
  }

  mutable std::vector<TSlot> slots_;
  // Empty slots, those before head_ included; every slot before head_ is one.
  mutable size_t holes_ = 0, head_ = 0;
  mutable bool unsorted_ = false;
};

}  // namespace orva
