#pragma once
// "orva.opb", the project file the authoring tool writes: the game's title and screen, its
// start page, the texts of the disc request, the status variables the game declares and
// the folders that lie on each installation disc. Fields of later versions are read only
// from the version that introduced them.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "core/string_lists.h"
#include "core/vocabulary.h"

namespace orva {

class TStream;

// One declared status variable. The stored type decides which value bytes follow (1 int32,
// 2 extended, 3 flag byte, 4 text, none for the others); the variable made of it takes the
// low 7 bits of the type, as every stored variable does.
struct TProjectVariable {
  uint8_t Type = PT_NONE;
  std::string Name;
  std::variant<std::monostate, int32_t, long double, bool, std::string> Value;
};

// The fields as the running game keeps them. Before a file is read they hold what the
// player starts with.
struct TProjectFile {
  int32_t Version = 0;
  std::string Title;
  int32_t ScreenWidth = 0;
  int32_t ScreenHeight = 0;
  int32_t FullScreenWidth = 0;
  int32_t FullScreenHeight = 0;
  std::string StartPage;
  std::string RegistryKey;  // below "Software\" of the user, for the CD-audio drive choice
  bool WriteStatus = true;
  bool FramePacing = true;
  // Extensions of the files for which no disc is asked (media files).
  std::string MediaExtensions = "wav.wma.ogg";
  std::string DiscPrompt;  // holds "%d" for the disc number
  std::string QuitText;
  std::vector<TProjectVariable> Variables;
  TFolderDiskList Discs;

  TProjectFile();

  // Reads a whole file from its first byte. A version above MaxPageVersion stops the read
  // after the version; an older file gives pacing off and ".wav.wma.ogg.mid" and, before
  // 104, keeps the write-status setting. Damaged data raises EReadError.
  void LoadFromStream(TStream& stream);
};

}  // namespace orva
