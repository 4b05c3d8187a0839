#include "text/text_globals.h"

#include <memory>

#include "scene/base_list.h"
#include "scene/object_factory.h"
#include "text/caption.h"
#include "text/history.h"
#include "text/menu.h"
#include "text/orva_edit.h"
#include "text/orva_mes.h"
#include "text/read_marks.h"

namespace orva {
namespace {

std::unique_ptr<TOrvaNewHistory>& HistorySlot() {
  static std::unique_ptr<TOrvaNewHistory> history;
  return history;
}

std::unique_ptr<TOrvaReadList>& ReadMarksSlot() {
  static std::unique_ptr<TOrvaReadList> marks;
  return marks;
}

}  // namespace

void RegisterTextSubsystem() {
  RegisterObjectClass(LT_MES, [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaMes>(scene); });
  RegisterObjectClass(LT_LABEL,
                      [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaLabel>(scene); });
  RegisterObjectClass(LT_MENU, [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaMenu>(scene); });
  RegisterObjectClass(LT_EDIT, [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaEdit>(scene); });
  RegisterObjectClass(LT_MEMO, [](TOrvaBaseList& scene) -> TOrvaObject* { return CreateSceneObject<TOrvaMemo>(scene); });
  static bool added = false;
  if (added) return;
  added = true;
  // Freed in reverse order: the read marks before the backlog.
  AddSceneGlobals([] { HistorySlot() = std::make_unique<TOrvaNewHistory>(); }, [] { HistorySlot().reset(); });
  AddSceneGlobals([] { ReadMarksSlot() = std::make_unique<TOrvaReadList>(); }, [] { ReadMarksSlot().reset(); });
}

TOrvaNewHistory* GetHistory() { return HistorySlot().get(); }
TOrvaReadList* GetReadMarks() { return ReadMarksSlot().get(); }

}  // namespace orva
