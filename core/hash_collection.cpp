#include "core/hash_collection.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "core/exceptions.h"
#include "core/sjis.h"

namespace orva {
namespace {

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<uint8_t>(c) >= 0x80) return false;
  return true;
}

uint8_t AsciiLower(char c) { return static_cast<uint8_t>((c >= 'A' && c <= 'Z') ? c + 0x20 : c); }

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;
constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ull;

// Lower-cases the capitals A..Z among eight bytes that are all below 0x80.
uint64_t LowerAsciiWord(uint64_t w) {
  const uint64_t atLeastA = w + kOnes * (0x80 - 'A');
  const uint64_t beyondZ = w + kOnes * (0x80 - 'Z' - 1);
  return w | ((atLeastA & ~beyondZ & kHighBits) >> 2);
}

uint64_t MixWord(uint64_t h, uint64_t w) { return (std::rotl(h, 23) ^ w) * kGolden; }

// Spreads every input bit over the low bits that pick a slot.
uint32_t FinishHash(uint64_t h) {
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  return static_cast<uint32_t>(h);
}

template <class T>
T Load(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The last 1..7 bytes of a name as one little-endian word padded with zeros, without a
// byte loop or a call.
uint64_t LoadTail(const char* p, size_t n) {
  if (n >= 4) return Load<uint32_t>(p) | (uint64_t{Load<uint32_t>(p + n - 4)} << (8 * (n - 4)));
  uint64_t w = static_cast<uint8_t>(p[0]);
  if (n > 1) w |= uint64_t{static_cast<uint8_t>(p[1])} << 8;
  if (n > 2) w |= uint64_t{static_cast<uint8_t>(p[2])} << 16;
  return w;
}

// Eight bytes at a time, the last word padded with zeros; `lowerAscii` folds the words on
// the way (only for names without a byte of 0x80 or more).
uint64_t HashWords(std::string_view s, bool lowerAscii, bool& sawHighByte) {
  uint64_t h = (s.size() + 1) * kGolden;
  for (size_t i = 0; i < s.size(); i += 8) {
    const size_t left = s.size() - i;
    uint64_t w = left >= 8 ? Load<uint64_t>(s.data() + i) : LoadTail(s.data() + i, left);
    if (lowerAscii) {
      if (w & kHighBits) {
        sawHighByte = true;
        return 0;
      }
      w = LowerAsciiWord(w);
    }
    h = MixWord(h, w);
  }
  return h;
}

}  // namespace

// Case-insensitive equality of two names, eight bytes at a time without allocating for the
// common ASCII case.
bool SameItemName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i += 8) {
    const size_t left = a.size() - i;
    const uint64_t wa = left >= 8 ? Load<uint64_t>(a.data() + i) : LoadTail(a.data() + i, left);
    const uint64_t wb = left >= 8 ? Load<uint64_t>(b.data() + i) : LoadTail(b.data() + i, left);
    // A byte of 0x80 or more may lead a character whose trail byte must not be folded.
    if ((wa | wb) & kHighBits) return AnsiSameText(a, b);
    if (wa != wb && LowerAsciiWord(wa) != LowerAsciiWord(wb)) return false;
  }
  return true;
}

// The hash of the lower-cased name: folded in place for ASCII names, through the locale's
// lower-casing (which never folds a trail byte) otherwise.
uint32_t FoldedNameHash(std::string_view name) {
  bool highByte = false;
  const uint64_t h = HashWords(name, true, highByte);
  if (!highByte) return FinishHash(h);
  return FinishHash(HashWords(AnsiLowerCase(name), false, highByte));
}

int HashName(std::string_view name) {
  unsigned h = 16u * static_cast<unsigned>(name.size());
  if (name.size() >= 2) {
    // Names are almost always ASCII: fold the two bytes in place instead of copying.
    if (IsAscii(name)) {
      h += AsciiLower(name[0]) + AsciiLower(name[name.size() - 2]);
    } else {
      std::string lowered = AnsiLowerCase(name);
      h += static_cast<uint8_t>(lowered[0]) + static_cast<uint8_t>(lowered[lowered.size() - 2]);
    }
  }
  return static_cast<int>(h % 256);
}

void THashCollectionItem::SetName(std::string_view name) {
  if (name == name_) return;
  if (collection_) {
    collection_->Unlink(*this);
    name_ = name;
    collection_->Link(*this);
  } else {
    name_ = name;
  }
}

std::string THashCollectionItem::DisplayName() const { return name_.empty() ? std::string("THashCollectionItem") : name_; }

THashCollection::~THashCollection() { Clear(); }

THashCollectionItem& THashCollection::Item(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return *items_[static_cast<size_t>(index)];
}

THashCollectionItem* THashCollection::ChainHead(std::string_view name) const { return ChainHead(name, KeyOf(name)); }

THashCollectionItem* THashCollection::ChainHead(std::string_view name, uint32_t key) const {
  if (heads_.empty()) return nullptr;
  return heads_[Probe(key, name)];
}

int THashCollection::IndexOf(std::string_view name) const {
  const THashCollectionItem* head = ChainHead(name);
  return head ? head->index_ : -1;
}

THashCollectionItem* THashCollection::Find(std::string_view name) const {
  int index = IndexOf(name);
  return index < 0 ? nullptr : items_[static_cast<size_t>(index)].get();
}

std::unique_ptr<THashCollectionItem> THashCollection::CreateItem() { return std::make_unique<THashCollectionItem>(); }

THashCollectionItem& THashCollection::AddNamed(std::string_view name) {
  // Named before it joins, so that it is linked once, under its name.
  std::unique_ptr<THashCollectionItem> item = CreateItem();
  item->SetName(name);
  return Add(std::move(item));
}

THashCollectionItem& THashCollection::Add(std::unique_ptr<THashCollectionItem> item) {
  THashCollectionItem& ref = *item;
  ref.collection_ = this;
  ref.index_ = Count();
  items_.push_back(std::move(item));
  Link(ref);
  return ref;
}

void THashCollection::Delete(int index) {
  THashCollectionItem& item = Item(index);
  for (size_t i = static_cast<size_t>(index) + 1; i < items_.size(); ++i) --items_[i]->index_;
  Unlink(item);
  std::unique_ptr<THashCollectionItem> owned = std::move(items_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  owned->collection_ = nullptr;
}

void THashCollection::Clear() {
  // The whole index goes at once rather than chain by chain.
  if (!items_.empty()) ++changes_;
  keys_ = {};
  heads_ = {};
  chains_ = 0;
  while (!items_.empty()) {
    std::unique_ptr<THashCollectionItem> owned = std::move(items_.back());
    items_.pop_back();
    owned->collection_ = nullptr;
    owned->previous_ = owned->next_ = nullptr;
  }
}

void THashCollection::Reserve(int count) {
  items_.reserve(static_cast<size_t>(std::max(count, 0)));
  size_t capacity = heads_.empty() ? 16 : heads_.size();
  while (static_cast<size_t>(std::max(count, 0)) * 4 > capacity * 3) capacity *= 2;
  if (capacity > heads_.size()) Rehash(capacity);
}

uint32_t THashCollection::KeyOf(std::string_view name) { return std::max<uint32_t>(FoldedNameHash(name), 1); }

size_t THashCollection::Probe(uint32_t key, std::string_view name) const {
  const size_t mask = keys_.size() - 1;
  for (size_t i = key & mask;; i = (i + 1) & mask) {
    const uint32_t k = keys_[i];
    if (k == 0 || (k == key && SameItemName(heads_[i]->name_, name))) return i;
  }
}

void THashCollection::Rehash(size_t capacity) {
  const std::vector<uint32_t> oldKeys = std::exchange(keys_, std::vector<uint32_t>(capacity));
  const std::vector<THashCollectionItem*> oldHeads = std::exchange(heads_, std::vector<THashCollectionItem*>(capacity));
  const size_t mask = capacity - 1;
  for (size_t k = 0; k < oldKeys.size(); ++k) {
    if (!oldKeys[k]) continue;
    size_t i = oldKeys[k] & mask;
    while (keys_[i]) i = (i + 1) & mask;
    keys_[i] = oldKeys[k];
    heads_[i] = oldHeads[k];
  }
}

void THashCollection::Link(THashCollectionItem& item) {
  ++changes_;
  if ((chains_ + 1) * 4 > heads_.size() * 3) Rehash(heads_.empty() ? 16 : heads_.size() * 2);
  item.key_ = KeyOf(item.name_);
  const size_t slot = Probe(item.key_, item.name_);
  THashCollectionItem*& head = heads_[slot];
  item.previous_ = nullptr;
  item.next_ = head;
  if (head) {
    head->previous_ = &item;
  } else {
    keys_[slot] = item.key_;
    ++chains_;
  }
  head = &item;
}

void THashCollection::Unlink(THashCollectionItem& item) {
  ++changes_;
  if (item.previous_) {
    item.previous_->next_ = item.next_;
    if (item.next_) item.next_->previous_ = item.previous_;
  } else {
    const size_t mask = heads_.size() - 1;
    size_t slot = item.key_ & mask;
    while (heads_[slot] != &item) slot = (slot + 1) & mask;
    if (item.next_) {
      heads_[slot] = item.next_;
      item.next_->previous_ = nullptr;
    } else {
      // Backward shift: later heads of the probe run move into the hole when their home
      // slot allows, so that no probe ever stops early at it.
      size_t hole = slot;
      for (size_t j = (hole + 1) & mask; keys_[j]; j = (j + 1) & mask) {
        const size_t home = keys_[j] & mask;
        if (((j - home) & mask) >= ((j - hole) & mask)) {
          keys_[hole] = keys_[j];
          heads_[hole] = heads_[j];
          hole = j;
        }
      }
      keys_[hole] = 0;
      heads_[hole] = nullptr;
      --chains_;
    }
  }
  item.previous_ = item.next_ = nullptr;
}

}  // namespace orva
