#include "core/hash_collection.h"

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

}  // namespace

// Case-insensitive equality of two names without allocating for the common ASCII case.
bool SameItemName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (static_cast<uint8_t>(a[i]) >= 0x80 || static_cast<uint8_t>(b[i]) >= 0x80) return AnsiSameText(a, b);
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
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
  name_ = name;
  if (collection_) {
    collection_->Unlink(*this);
    collection_->Link(*this);
  }
}

std::string THashCollectionItem::DisplayName() const { return name_.empty() ? std::string("THashCollectionItem") : name_; }

THashCollection::~THashCollection() { Clear(); }

THashCollectionItem& THashCollection::Item(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return *items_[static_cast<size_t>(index)];
}

int THashCollection::IndexOf(std::string_view name) const {
  for (const THashCollectionItem* p = buckets_[static_cast<size_t>(HashName(name))]; p; p = p->next_)
    if (SameItemName(p->name_, name)) return p->index_;
  return -1;
}

THashCollectionItem* THashCollection::Find(std::string_view name) const {
  int index = IndexOf(name);
  return index < 0 ? nullptr : items_[static_cast<size_t>(index)].get();
}

std::unique_ptr<THashCollectionItem> THashCollection::CreateItem() { return std::make_unique<THashCollectionItem>(); }

THashCollectionItem& THashCollection::AddNamed(std::string_view name) {
  THashCollectionItem& item = Add(CreateItem());
  item.SetName(name);
  return item;
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
  while (!items_.empty()) Delete(Count() - 1);
}

void THashCollection::Link(THashCollectionItem& item) {
  ++changes_;
  int bucket = HashName(item.name_);
  THashCollectionItem*& head = buckets_[static_cast<size_t>(bucket)];
  item.bucket_ = bucket;
  item.previous_ = nullptr;
  item.next_ = head;
  if (head) head->previous_ = &item;
  head = &item;
}

void THashCollection::Unlink(THashCollectionItem& item) {
  if (item.bucket_ < 0) return;
  ++changes_;
  if (item.previous_)
    item.previous_->next_ = item.next_;
  else
    buckets_[static_cast<size_t>(item.bucket_)] = item.next_;
  if (item.next_) item.next_->previous_ = item.previous_;
  item.previous_ = item.next_ = nullptr;
  item.bucket_ = -1;
}

}  // namespace orva
