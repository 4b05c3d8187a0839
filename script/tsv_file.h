#pragma once
// A data table filled from a tab-separated text file of the game.

#include <string_view>

namespace orva {

class TDBTable;
class TProjectLink;

// False, the table untouched, when the project cannot provide the file (it may ask for its
// disc first) or the file is empty; otherwise the import's own result (always false).
// Errors of the file manager propagate.
bool LoadTsvFile(TDBTable& table, TProjectLink& project, std::string_view name);

}  // namespace orva
