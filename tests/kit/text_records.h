#pragma once
// The stored records of the text subsystem as a given save version has them, written
// independently of the player's writers: a message box's fields after its control record,
// the backlog's part of a game save and the read marks' part of the status data.
//
//   kit::MesBoxRecord box;
//   box.Old.push_back({"start.osb", 1, -1, 100, 40});
//   control.Extra = kit::MesBoxFields(112, box);

#include <cstdint>
#include <string>
#include <vector>

namespace orva::kit {

struct HistEntryRecord {
  std::string Page;
  int32_t Command = 0, First = 0, Last = -1, Height = 0;
  std::string Snapshot;  // from 124
};

struct HistDataRecord {
  std::vector<HistEntryRecord> Entries;
  int32_t TotalHeight = 0;
};

struct OldEntryRecord {
  std::string Page;
  int32_t Command = 0, PageIndex = 0, Width = 0, Height = 0;
};

struct MesBoxRecord {
  // The word's settings.
  int32_t TextLeft = 0, TextTop = 0, FontHeight = 20;
  std::string FontName;
  int32_t FontColor = 0, Height = 40, Width = 100, Quality = 3, LineSpace = 0;
  bool Paging = true;
  int32_t LinkColor = 0xFF0000, HoverColor = 0x008000, FadeTime = 1, BorderColor = 0x808080, Alpha = 255;
  bool WordPaused = false;
  int32_t CaretX = 0, CaretY = 0, WordTextDelay = 0;
  bool Notify = false;
  int32_t ShadowColor = 0;                  // from 110
  int32_t BorderWidth = 0, ShadowWidth = 0;  // from 111
  // The message data: the older form's entries, then the record (from 113).
  std::vector<OldEntryRecord> Old;
  HistDataRecord Record;
  // The box's own fields.
  bool Stacking = false;
  int32_t BacklogOffset = 0;  // from 113
  std::string Text;
  int32_t PageIndex = 0, ScrollY = 0, MessageInt = 0;
  std::string Strings[3];
  std::string OnPlaying, OnPlayStart, OnPlayEnd, OnLink, OnNotify;
  bool Paused = false, TextPaused = false;
  int32_t TextDelay = 0;
  uint8_t Kind = 0;
  std::string PageName;
  int32_t CommandIndex = 0;
  std::string OnIdle;       // from 104
  bool CaptureLink = false;  // from 120
  std::string PageStates;    // counted bytes
};

struct HistoryRecord {
  std::vector<OldEntryRecord> Old;  // before 113 written column by column, after a STR
  std::string CurrentPage;
  int32_t CurrentCommand = 0, PageIndex = 0, BoxWidth = 0, BoxHeight = 0;
  std::string BoxName;
  // From 113.
  int32_t MaxCount = 0;
  int32_t Format[6] = {};  // font height, border, shadow, width, height, line space
  int32_t First = 0, Last = -1;
  std::vector<HistDataRecord> Records;
  std::string Snapshot;  // from 124
};

struct ReadMarkRecord {
  std::string Page;
  std::vector<int32_t> Commands, Pages;
};

std::string MesBoxFields(int version, const MesBoxRecord& box);
std::string HistoryBytes(int version, const HistoryRecord& history);
// The status record of the read marks and the pending mark.
std::string ReadMarksBytes(const std::vector<ReadMarkRecord>& items, const std::string& pendingPage = {},
                           int32_t pendingCommand = 0, int32_t pendingIndex = 0, const std::string& pendingBox = {});

}  // namespace orva::kit
