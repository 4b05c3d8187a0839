#pragma once
// The shared style records of laid-out text: every character or variable glyph points at a
// record of its word's pool; glyphs with the same ten style values share one record, whose
// reference count is the number of glyphs using it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orva {

class TStream;

// The ten style values. −1 colours and widths, size 0 and an empty name mean the word's own;
// a new glyph starts with border and shadow width 0 (no border), not −1.
struct TDecorateValues {
  int32_t Color = -1;
  int32_t BorderColor = -1;
  int32_t ShadowColor = -1;
  int32_t Size = 0;
  uint8_t Style = 0;  // bold 1, italic 2, underline 4, strike-out 8
  std::string FontName;
  bool NoBr = false;
  std::string Ruby;
  int32_t BorderWidth = 0;
  int32_t ShadowWidth = 0;

  bool operator==(const TDecorateValues&) const = default;
};

struct TDecorate {
  int32_t RefCount = 0;
  TDecorateValues Values;
};

class TDecorateList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises the list-index error outside the pool.
  TDecorate* At(int64_t index) const;
  int IndexOf(const TDecorate* record) const;

  // The first record with these values, nil when none (names compared byte for byte).
  TDecorate* Find(const TDecorateValues& values) const;
  // Find, counting one more user; else a new record with count 1 at the end.
  TDecorate* FindOrAdd(const TDecorateValues& values);
  // One user less; below 1 the record leaves the pool.
  void Release(TDecorate* record);
  // A glyph's record for new values: another record with them is shared; a shared current
  // record is left for FindOrAdd; the only user's record is changed in place.
  TDecorate* Change(TDecorate* current, const TDecorateValues& values);
  void Clear() { items_.clear(); }

  // The decoration part of a glyph stream: the count, then the records, appended in order.
  void LoadFromStream(TStream& stream, int version);
  // Drops the records from index `count` on (undoing an append).
  void Truncate(int count);

 private:
  std::vector<std::unique_ptr<TDecorate>> items_;
};

// A glyph's hold on a record of its word's pool.
class TDecorationRef {
 public:
  const TDecorateValues& Values() const;
  TDecorate* Record() const { return record_; }
  // A record for the values (FindOrAdd).
  void Take(TDecorateList& pool, const TDecorateValues& values);
  // New values through the pool's change rule.
  void Change(TDecorateList& pool, const TDecorateValues& values);
  void Release(TDecorateList& pool);
  // A record of a stream being read: no user is counted (the reader counts them all at the
  // end); Detach lets go without counting either.
  void Attach(TDecorate* record) { record_ = record; }
  void Detach() { record_ = nullptr; }

 private:
  TDecorate* record_ = nullptr;
};

}  // namespace orva
