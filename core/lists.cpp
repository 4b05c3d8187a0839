#include "core/lists.h"

#include <algorithm>

#include "core/exceptions.h"
#include "core/sjis.h"

namespace orva {

void RaiseListIndexError(int64_t index) { throw EListError("List index out of bounds (" + std::to_string(index) + ")"); }

int32_t TIntList::GetItem(int index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return items_[static_cast<size_t>(index)];
}

void TIntList::SetItem(int index, int32_t value) {
  if (index < 0) RaiseListIndexError(index);
  if (index >= Count()) items_.resize(static_cast<size_t>(index) + 1, 0);
  items_[static_cast<size_t>(index)] = value;
}

void TIntList::Insert(int index, int32_t value) {
  if (index < 0 || index > Count()) RaiseListIndexError(index);
  items_.insert(items_.begin() + index, value);
}

void TIntList::Delete(int index) {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  items_.erase(items_.begin() + index);
}

int TIntList::IndexOf(int32_t value) const {
  auto it = std::find(items_.begin(), items_.end(), value);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

int32_t TIntArray::GetItem(int index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return items_[static_cast<size_t>(index)];
}

void TTabStrings::SetLine(std::string_view line) {
  fields_.clear();
  size_t start = 0, i = 0;
  while (i < line.size()) {
    if (line[i] == Delimiter) {
      fields_.emplace_back(line.substr(start, i - start));
      start = ++i;
    } else {
      i += (IsLeadByte(line[i]) && i + 1 < line.size()) ? 2 : 1;
    }
  }
  if (start < line.size()) fields_.emplace_back(line.substr(start));
}

const std::string& TTabStrings::GetField(int index) const {
  static const std::string empty;
  if (index < 0 || index >= Count()) return empty;
  return fields_[static_cast<size_t>(index)];
}

}  // namespace orva
