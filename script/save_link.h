#pragma once
// What the project needs of the save file "save.dat": the captions of the game saves and
// the status data, read at start-up and written when the project ends, and the game saves
// and loads it carries out for the script's requests. TSaveFile implements it over the save
// file; a project without one runs without saves.

#include <cstdint>
#include <string_view>

namespace orva {

class TProject;
class TStream;

class TSaveLink {
 public:
  virtual ~TSaveLink() = default;
  // Fills the project's save captions.
  virtual void LoadSaveCaptions(TProject& project) = 0;
  // Reads the status data when the save file holds them; status variables restored here
  // keep their values over the ones the project file declares. Errors propagate out of
  // the start-up.
  virtual void LoadStatus(TProject& project) = 0;
  // Writes the status data; a failure raises, and the project's end reports it.
  virtual void SaveStatus(TProject& project) = 0;
  virtual void SaveGame(TProject& project, int32_t slot, std::string_view afterLoadPage, std::string_view caption,
                        int32_t afterLoadIndex) = 0;
  // False when the save could not be used: the game then ends (QuitRequested), and a save
  // asked for in the same frame is not made. A missing save is no failure.
  virtual bool LoadGame(TProject& project, int32_t slot) = 0;
};

// A part of a save that a subsystem above the interpreter writes and reads: the scene and
// the message history in a game save, the read marks and the image cache's settings in the
// status data.
class TSaveSection {
 public:
  virtual ~TSaveSection() = default;
  virtual void SaveToStream(TStream& stream) = 0;
  // version: the game save's version, or the status data's tag number.
  virtual void LoadFromStream(TStream& stream, int version) = 0;
};

}  // namespace orva
