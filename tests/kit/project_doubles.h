#pragma once
// A stand-in for the save file as the project reaches it: every call recorded in order,
// the captions it gives, and the status variables it restores.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "script/project.h"
#include "script/save_link.h"

namespace orva::kit {

class TestSaves : public TSaveLink {
 public:
  void LoadSaveCaptions(TProject& project) override;
  // Runs `restore`, as reading the status data of the save file would.
  void LoadStatus(TProject& project) override;
  void SaveStatus(TProject& project) override;
  void SaveGame(TProject& project, int32_t slot, std::string_view afterLoadPage, std::string_view caption,
                int32_t afterLoadIndex) override;
  // False (a failed load) when loadFails is set.
  bool LoadGame(TProject& project, int32_t slot) override;

  // "captions", "status", "save status", "save <slot> <page> <index> <caption>", "load <slot>".
  std::vector<std::string> calls;
  std::vector<TSaveCaption> captions;
  std::function<void(TProject&)> restore;
  bool loadFails = false;
};

// Adds a status variable as the saved status data hold it.
void RestoreStatusInt(TProject& project, std::string_view name, int32_t value);

}  // namespace orva::kit
