#pragma once
// Owning object lists, integer lists and the delimited-field splitter.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

[[noreturn]] void RaiseListIndexError(int64_t index);

// A list that owns its objects; clearing and destroying free them in list order.
template <class T>
class TObjList {
 public:
  TObjList() = default;
  ~TObjList() { Clear(); }
  TObjList(TObjList&&) noexcept = default;
  TObjList& operator=(TObjList&& other) noexcept {
    Clear();
    items_ = std::move(other.items_);
    return *this;
  }

  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  T* operator[](int index) const { return items_[Check(index)].get(); }
  T* Items(int index) const { return (*this)[index]; }

  T* Add(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return items_.back().get();
  }
  T* Insert(int index, std::unique_ptr<T> item) {
    if (index < 0 || index > Count()) RaiseListIndexError(index);
    return items_.insert(items_.begin() + index, std::move(item))->get();
  }
  // Frees the object at the index and removes its entry.
  void Delete(int index) {
    std::unique_ptr<T> owned = std::move(items_[Check(index)]);
    items_.erase(items_.begin() + index);
  }
  // Removes the entry and hands the object to the caller.
  std::unique_ptr<T> Extract(int index) {
    std::unique_ptr<T> owned = std::move(items_[Check(index)]);
    items_.erase(items_.begin() + index);
    return owned;
  }
  int IndexOf(const T* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].get() == item) return static_cast<int>(i);
    return -1;
  }
  void Clear() {
    for (auto& item : items_) item.reset();
    items_.clear();
  }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  size_t Check(int index) const {
    if (index < 0 || index >= Count()) RaiseListIndexError(index);
    return static_cast<size_t>(index);
  }
  std::vector<std::unique_ptr<T>> items_;
};

// int32 values in a list.
class TIntList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError outside 0..Count()-1.
  int32_t GetItem(int index) const;
  // Appends zeros until the index exists, then stores the value.
  void SetItem(int index, int32_t value);
  int Add(int32_t value) {
    items_.push_back(value);
    return Count() - 1;
  }
  void Insert(int index, int32_t value);
  void Delete(int index);
  int IndexOf(int32_t value) const;
  void Clear() { items_.clear(); }
  const std::vector<int32_t>& Values() const { return items_; }

 private:
  std::vector<int32_t> items_;
};

// A plain array of int32.
class TIntArray {
 public:
  void Add(int32_t value) { items_.push_back(value); }
  int Count() const { return static_cast<int>(items_.size()); }
  // Range-checked: raises EListError outside 0..Count()-1.
  int32_t GetItem(int index) const;
  void Clear() { items_.clear(); }

 private:
  std::vector<int32_t> items_;
};

// The fields of one delimited line of Shift-JIS text (TAB after construction). A trailing
// delimiter gives no empty last field; a trail byte is never taken for the delimiter.
class TTabStrings {
 public:
  void SetLine(std::string_view line);
  // The empty string beyond the last field.
  const std::string& GetField(int index) const;
  int Count() const { return static_cast<int>(fields_.size()); }
  char Delimiter = '\t';

 private:
  std::vector<std::string> fields_;
};

}  // namespace orva
