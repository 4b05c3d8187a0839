#pragma once
// The read marks: which pages of which recorded text commands the player has seen to the
// end, kept across games in the status data. A message box arms a pending mark when it
// shows a page of a recorded command and commits it once that page has been revealed.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/hash_collection.h"
#include "script/save_link.h"

namespace orva {

class TStream;

// The pages seen of one script page: (command index, page index) pairs.
class TOrvaRead : public THashCollectionItem {
 public:
  void Add(int32_t commandIndex, int32_t pageIndex);
  bool Contains(int32_t commandIndex, int32_t pageIndex) const;
  int Count() const { return static_cast<int>(commands_.size()); }
  // STR page name; int32 k; k command indexes; k page indexes.
  void SaveToStream(TStream& stream) const;
  // Raises EReadError when the count passes the bytes left.
  void LoadFromStream(TStream& stream);

 private:
  std::vector<int32_t> commands_, pages_;
};

// A page of a recorded text command as a box shows it.
struct TReadPlace {
  std::string PageName;
  int32_t CommandIndex = 0;
  int32_t PageIndex = 0;
};

class TOrvaReadList : public TSaveSection {
 public:
  // Page names compared without regard to case.
  bool IsRead(std::string_view pageName, int32_t commandIndex, int32_t pageIndex) const;
  bool IsRead(const TReadPlace& place) const { return IsRead(place.PageName, place.CommandIndex, place.PageIndex); }
  // Replaces the pending mark.
  void SetPending(std::string_view boxName, std::string_view pageName, int32_t pageIndex, int32_t commandIndex);
  // The box finished its page (none: it shows no recorded page): a pending mark of that box
  // (names compared exactly) is committed when it is that page, else dropped, so a page left
  // unfinished is never marked; a mark of another box stays.
  void Commit(std::string_view boxName, const TReadPlace* current);
  // Every mark and the pending one.
  void Clear();
  int Count() const { return items_.Count(); }
  const TOrvaRead* Find(std::string_view pageName) const { return items_.Find(pageName); }
  bool HasPending() const { return !pending_.PageName.empty(); }

  // The status record: the items, then the pending mark.
  void SaveToStream(TStream& stream) override;
  // Clears first; reads only from status version 100. A count beyond the bytes left raises
  // EReadError, and the list stays empty.
  void LoadFromStream(TStream& stream, int version) override;

 private:
  THashCollectionOf<TOrvaRead> items_;
  TReadPlace pending_;
  std::string pendingBox_;
};

}  // namespace orva
