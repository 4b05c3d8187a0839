#pragma once
// Named collection with case-insensitive lookup: the base of the variable store, the archive
// directory, the read marks and the image cache. Equal names may coexist and the newest
// linked one wins. Items of one name (ignoring case) form a chain, newest first; an open
// hash table keyed by the case-folded name holds each chain's head, so a lookup costs the
// same however many names the collection holds.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

class THashCollection;

// Bucket 0..255 of a name: 16 x length, plus the first and second-to-last bytes of the
// lower-cased name when it has two bytes or more.
int HashName(std::string_view name);
// The name comparison of every lookup: equal ignoring case through the system locale.
bool SameItemName(std::string_view a, std::string_view b);
// A hash of the name as SameItemName sees it: names it calls equal hash equal.
uint32_t FoldedNameHash(std::string_view name);

class THashCollectionItem {
 public:
  THashCollectionItem() = default;
  virtual ~THashCollectionItem() = default;
  THashCollectionItem(const THashCollectionItem&) = delete;
  THashCollectionItem& operator=(const THashCollectionItem&) = delete;

  const std::string& GetName() const { return name_; }
  // Relinks at the head of the new name's chain when the bytes differ.
  virtual void SetName(std::string_view name);
  int GetIndex() const { return index_; }
  // HashName of the name while it belongs to a collection; -1 when it does not.
  int GetBucket() const { return collection_ ? HashName(name_) : -1; }
  THashCollection* GetCollection() const { return collection_; }
  virtual void Assign(const THashCollectionItem& source) { SetName(source.name_); }
  // The name, or the class's generic text when it has none.
  virtual std::string DisplayName() const;
  // The next older item of an equal name (ignoring case), or none.
  THashCollectionItem* NextInChain() const { return next_; }

 private:
  friend class THashCollection;
  THashCollection* collection_ = nullptr;  // set exactly while the item is linked
  uint32_t key_ = 0;                        // KeyOf the name it is linked under
  int index_ = -1;
  std::string name_;
  THashCollectionItem* previous_ = nullptr;
  THashCollectionItem* next_ = nullptr;
};

class THashCollection {
 public:
  THashCollection() = default;
  virtual ~THashCollection();
  THashCollection(const THashCollection&) = delete;
  THashCollection& operator=(const THashCollection&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError outside 0..Count()-1.
  THashCollectionItem& Item(int index) const;
  // Index of the newest item of that name, ignoring case; -1 when none.
  virtual int IndexOf(std::string_view name) const;
  THashCollectionItem* Find(std::string_view name) const;

  // Appends a new item (made by CreateItem) and names it.
  THashCollectionItem& AddNamed(std::string_view name);
  // Appends an item and links it under its current name.
  THashCollectionItem& Add(std::unique_ptr<THashCollectionItem> item);
  // Frees the item; later items move up and keep their stored index exact.
  void Delete(int index);
  // Frees every item, last to first.
  void Clear();
  // Makes room for this many items without growing again.
  void Reserve(int count);

  // Counts every link and unlink (add, delete, rename): while it stands still, a name
  // resolves to the same item and no item has been freed.
  uint64_t Changes() const { return changes_; }
  // The newest item of that name (ignoring case), or none; NextInChain walks the older ones.
  THashCollectionItem* ChainHead(std::string_view name) const;
  // The key a name is indexed under (FoldedNameHash, never 0): a caller that looks one name
  // up again and again keeps it and passes it with the name.
  static uint32_t KeyOf(std::string_view name);
  THashCollectionItem* ChainHead(std::string_view name, uint32_t key) const;

 protected:
  virtual std::unique_ptr<THashCollectionItem> CreateItem();

 private:
  friend class THashCollectionItem;
  void Link(THashCollectionItem& item);
  void Unlink(THashCollectionItem& item);
  // The slot of the chain whose head has that key and name, or the empty slot that ends
  // the probe.
  size_t Probe(uint32_t key, std::string_view name) const;
  void Rehash(size_t capacity);

  std::vector<std::unique_ptr<THashCollectionItem>> items_;
  // Chain heads by key, linear probing; empty, or a power of two at most three quarters full.
  // The keys sit apart from the heads so that a probe reads no item until a key matches.
  std::vector<uint32_t> keys_;
  std::vector<THashCollectionItem*> heads_;
  size_t chains_ = 0;
  uint64_t changes_ = 0;
};

// Typed view over a collection whose items are all of class T.
template <class T>
class THashCollectionOf : public THashCollection {
 public:
  T& Item(int index) const { return static_cast<T&>(THashCollection::Item(index)); }
  T* Find(std::string_view name) const { return static_cast<T*>(THashCollection::Find(name)); }
  T& AddNamed(std::string_view name) { return static_cast<T&>(THashCollection::AddNamed(name)); }
  T& Add(std::unique_ptr<T> item) { return static_cast<T&>(THashCollection::Add(std::move(item))); }

 protected:
  std::unique_ptr<THashCollectionItem> CreateItem() override { return std::make_unique<T>(); }
};

}  // namespace orva
