#pragma once
// The saves in "save.dat", a "vf" archive: one item "GAMESAVEDATA<slot>" per game save and
// the item "STATUSSAVEDATA" with what outlives every game (status variables, read marks,
// image-cache settings, status data tables). The file is never rewritten in place: a new one
// is written beside it, flushed, and renamed over it, so a crash or a full disk costs no
// save that was there before.

#include <cstdint>
#include <string>
#include <string_view>

#include "script/save_link.h"

namespace orva {

class TMemoryStream;
class TWzBigFileStream;

// The parts written by the subsystems above the interpreter, in the order of the items; a
// part that is none is neither written nor read.
struct TSaveSections {
  TSaveSection* Scene = nullptr;       // game saves
  TSaveSection* History = nullptr;     // game saves
  TSaveSection* ReadMarks = nullptr;   // status data
  TSaveSection* ImageCache = nullptr;  // status data
};

class TSaveFile : public TSaveLink {
 public:
  static constexpr std::string_view GameItemPrefix = "GAMESAVEDATA";
  static constexpr std::string_view StatusItemName = "STATUSSAVEDATA";
  // Saves of older versions cannot be loaded.
  static constexpr int32_t OldestGameSaveVersion = 107;

  explicit TSaveFile(TSaveSections sections = {}) : sections_(sections) {}

  // The captions of the game saves in archive order; a save whose item cannot be read has
  // none. A save file that cannot be opened, or status data that cannot be read, raise with
  // the file's name in the message.
  void LoadSaveCaptions(TProject& project) override;
  void LoadStatus(TProject& project) override;
  // Only once the status data were read at start-up (or there were none), so that a start
  // that failed on them never writes over them; only when the project writes its status and
  // the save file's directory exists. Errors propagate; the file on the disk stays as it was.
  void SaveStatus(TProject& project) override;
  // Nothing for an empty caption. The caption is recorded once the file is written; then
  // the status data are written too. Errors of the save file propagate.
  void SaveGame(TProject& project, int32_t slot, std::string_view afterLoadPage, std::string_view caption,
                int32_t afterLoadIndex) override;
  // A save item that cannot be used (older than 107, damaged) ends the game with
  // "このセーブデータは使用できません\r\n終了してください".
  bool LoadGame(TProject& project, int32_t slot) override;

  static std::string GameItemName(int32_t slot);

 protected:
  // Renames the staged file over the save file (flushed first); overridden by tests to stop
  // in between.
  virtual void Commit(TWzBigFileStream& staged);

 private:
  void WriteSaveFile(const std::string& path, TMemoryStream& bytes);

  TSaveSections sections_;
  bool statusRead_ = false;
};

}  // namespace orva
