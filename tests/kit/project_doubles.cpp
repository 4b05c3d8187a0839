#include "kit/project_doubles.h"

#include "script/param_collection.h"

namespace orva::kit {

void TestSaves::LoadSaveCaptions(TProject& project) {
  calls.push_back("captions");
  project.SaveCaptions() = captions;
}

void TestSaves::LoadStatus(TProject& project) {
  calls.push_back("status");
  if (restore) restore(project);
}

void TestSaves::SaveStatus(TProject&) { calls.push_back("save status"); }

void TestSaves::SaveGame(TProject&, int32_t slot, std::string_view afterLoadPage, std::string_view caption,
                         int32_t afterLoadIndex) {
  calls.push_back("save " + std::to_string(slot) + " " + std::string(afterLoadPage) + " " +
                  std::to_string(afterLoadIndex) + " " + std::string(caption));
}

bool TestSaves::LoadGame(TProject&, int32_t slot) {
  calls.push_back("load " + std::to_string(slot));
  return !loadFails;
}

void RestoreStatusInt(TProject& project, std::string_view name, int32_t value) {
  TParamCollectionItem& item = project.Vars().AddVariable(PT_INT);
  item.SetName(name);
  item.SetStatus(true);
  item.SetAsInteger(value);
}

}  // namespace orva::kit
