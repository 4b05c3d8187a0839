#pragma once
// What the text commands need of the message boxes, the backlog and the read marks. The text
// subsystem implements it; until one is installed the commands find no boxes and move on.

#include <cstdint>
#include <string_view>

#include "script/scene_link.h"

namespace orva {

class TTextLink {
 public:
  virtual ~TTextLink() = default;
  // The message box of that name in the main scene (FindControl), none for any other object.
  virtual TObjectHandle FindMessageBox(std::string_view name) = 0;
  // TextIns: the box shows the text command at the index of the page from its first page;
  // with `record` the box records its pages in the backlog and the read marks.
  virtual void ShowTextCommand(TObjectHandle box, std::string_view pageName, int32_t commandIndex, bool record) = 0;
  // The box's page count; 0 for a box that is gone.
  virtual int32_t PageCount(TObjectHandle box) = 0;
  // TextClr: the box shows plain text again, none.
  virtual void ClearBox(TObjectHandle box) = 0;
  // The backlog's size: pixels of its history pages, or its records in the older form.
  virtual int32_t HistoryTotal() = 0;
  // CallHist: the box shows that range of the backlog; stacking is the command's option.
  virtual void ShowHistory(TObjectHandle box, int32_t start, int32_t count, bool stacking) = 0;
  // ClrHist empties the backlog; a new game (Reset) also sets its maximum count to 0.
  virtual void ClearHistory(bool newGame) = 0;
  // ClrRead.
  virtual void ClearReadMarks() = 0;
};

}  // namespace orva
