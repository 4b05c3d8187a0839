#include "script/tsv_file.h"

#include "core/data_tables.h"
#include "core/file_manager.h"
#include "core/stream.h"
#include "script/project_link.h"

namespace orva {

bool LoadTsvFile(TDBTable& table, TProjectLink& project, std::string_view name) {
  if (!FileManager || !project.FileAvailable(name)) return false;
  TMemoryStream text;
  FileManager->LoadToStream(text, name);
  return LoadTsvText(table, text.View());
}

}  // namespace orva
