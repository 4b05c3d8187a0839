#pragma once
// Small stored string containers: a plain string array and the folder-to-disc map.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

class TStream;

// The lines of a text: breaks are CR LF, CR or LF; a break at the very end starts no further
// line, so an empty text has none.
std::vector<std::string> SplitLines(std::string_view text);

// An owned array of strings; unsorted, duplicates allowed.
class TArrayString {
 public:
  void Add(std::string_view s) { items_.emplace_back(s); }
  void Assign(const TArrayString& other) { items_ = other.items_; }
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& operator[](int i) const { return items_.at(static_cast<size_t>(i)); }
  std::string& operator[](int i) { return items_.at(static_cast<size_t>(i)); }
  const std::vector<std::string>& Items() const { return items_; }

  void SaveToStream(TStream& stream) const;
  // Clears, then reads; a count beyond the bytes left raises EReadError.
  void LoadFromStream(TStream& stream);

 private:
  std::vector<std::string> items_;
};

// Folders of the game mapped to the installation disc that holds them.
class TFolderDiskList {
 public:
  struct Entry {
    std::string folder;
    int32_t disk;
  };

  void AddEntry(std::string_view folder, int32_t disk) { entries_.push_back({std::string(folder), disk}); }
  void Clear() { entries_.clear(); }
  int Count() const { return static_cast<int>(entries_.size()); }
  const Entry& operator[](int i) const { return entries_.at(static_cast<size_t>(i)); }

  // Compares with a trailing backslash added to both sides, ignoring ASCII case; -1 when none.
  int IndexOfPath(std::string_view path) const;
  // The disc of the nearest listed folder that holds the path; 0 when none.
  int32_t DiskOfPath(std::string_view path) const;

  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream);

 private:
  std::vector<Entry> entries_;
};

}  // namespace orva
