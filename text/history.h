#pragma once
// The backlog: every page of a recorded text command that a message box leaves. With a
// history format (FormatHist) the pages are laid out again at the format's width and grouped
// into history pages up to its height; without one (the older form) each entry remembers the
// box size and page index it was shown with. The backlog keeps references to the commands,
// not text; CallHist lays a range of it out again in a message box.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scene/engine_links.h"
#include "script/save_link.h"
#include "text/mes_data.h"
#include "text/word.h"

namespace orva {

class TCallMan;
class TOrvaMes;

class TOrvaNewHistory : public TSaveSection, public THistoryLink {
 public:
  TOrvaNewHistory();
  ~TOrvaNewHistory() override;

  // The page a box shows now, committed when the box leaves it. Without a history format
  // the box's size and the page index are kept for the older form; on an empty backlog the
  // history format in force becomes the layout of the history pages.
  void BeginRecord(TOrvaMes& box, std::string_view pageName, std::string_view snapshot, int32_t pageIndex,
                   int32_t last, int32_t first, int32_t commandIndex);
  // The box's current record enters the backlog (another box's commit does nothing).
  void Commit(std::string_view boxName);
  // ClrHist: every record and the current one.
  void Clear();
  // Reset: cleared, and the maximum count back to 0.
  void Reset();
  // History pages (formatted) or records of the older form.
  int32_t GetCount() const;
  // Pixels of all history pages (formatted), or the number of older-form records.
  int32_t GetTotal() override;
  int32_t GetMaxCount() override { return maxCount_; }
  void SetMaxCount(int32_t count) override { maxCount_ = count; }
  // Fills the box with that range: pixels of the total height, or older-form record indexes.
  void ShowInMes(int32_t start, int32_t count, TOrvaMes& box);
  // The formatted form: whether the history pages have a width.
  bool Formatted() const { return word_.Width != 0; }

  // The entries of the history pages that cover y .. y + h into the target; the first
  // entry's top less y into offset.
  void CollectRange(int32_t y, int32_t h, int32_t& offset, TOrvaHistData& target) const;

  const std::vector<std::unique_ptr<TOrvaHistData>>& Records() const { return records_; }
  const std::vector<TOldEntry>& OldRecords() const { return old_; }
  bool HasCurrent() const { return !current_.PageName.empty(); }
  // The word the history pages are laid out in; its size is the history format's.
  const TWzWord& Word() const { return word_; }
  // Page files loaded by commits (pages the interpreter holds are taken from it).
  int PageLoads() const { return pageLoads_; }

  // The interpreter whose loaded pages a commit looks in first; none: pages are loaded.
  void SetInterpreter(TCallMan* interpreter) { interpreter_ = interpreter; }

  void SaveToStream(TStream& stream) override;
  // Counts beyond the bytes left raise EReadError and leave the backlog as it was.
  void LoadFromStream(TStream& stream, int version) override;

 private:
  struct TCurrent {
    std::string BoxName, PageName;
    int32_t CommandIndex = 0, First = 0, Last = -1;
    std::string Snapshot;
  };
  void CommitFormatted();
  void CommitOld();
  // The history word takes the format: font height, border, shadow, width, height, line space.
  void ApplyFormat(const std::array<int32_t, 6>& format);
  // Drops the oldest records while the maximum count is passed.
  void Evict();

  TWzWord word_;
  TWdPageList pages_;
  std::vector<std::unique_ptr<TOrvaHistData>> records_;
  int32_t boxWidth_ = 0, boxHeight_ = 0, pageIndex_ = 0;
  std::vector<TOldEntry> old_;
  TCurrent current_;
  int32_t maxCount_ = 0;
  // The command whose glyph stream the history word holds, by page name and index.
  std::string lastPage_;
  int32_t lastCommand_ = -1;
  TCallMan* interpreter_ = nullptr;
  int pageLoads_ = 0;
};

}  // namespace orva
