// The text commands' way to the message boxes, the backlog and the read marks.
#include "script/text_link.h"

#include "scene/base_list.h"
#include "text/history.h"
#include "text/orva_mes.h"
#include "text/read_marks.h"
#include "text/text_globals.h"

namespace orva {
namespace {

TOrvaMes* BoxOf(TObjectHandle handle) { return dynamic_cast<TOrvaMes*>(ResolveHandle(handle)); }

class TOrvaTextLink final : public TTextLink {
 public:
  TObjectHandle FindMessageBox(std::string_view name) override {
    TOrvaBaseList* scene = GetMainScene();
    return HandleOf(scene ? dynamic_cast<TOrvaMes*>(scene->FindControl(name)) : nullptr);
  }

  void ShowTextCommand(TObjectHandle handle, std::string_view pageName, int32_t commandIndex, bool record) override {
    TOrvaMes* box = BoxOf(handle);
    if (!box) return;
    // Recorded under the new command's name, the page shown now would reach the backlog with
    // the new command and this page's glyphs.
    box->LeavePage();
    box->Kind = TOrvaMes::kPlainText;
    box->BacklogOffset = 0;
    if (record) {
      box->Kind = TOrvaMes::kTextCommand;
      box->PageName = pageName;
      box->CommandIndex = commandIndex;
    }
    // The command shown directly: its whole text, no height, no snapshot.
    TOrvaNewMesData& data = box->MesData();
    data.ClearOld();
    data.Record().Clear();
    data.Record().Add(pageName, commandIndex, {}, 0, -1, 0);
    box->Stacking = false;
    box->RebuildFromCommand(false);
    if (box->GetCount() > 0) box->SetIndex(0);
  }

  int32_t PageCount(TObjectHandle handle) override {
    TOrvaMes* box = BoxOf(handle);
    return box ? box->GetCount() : 0;
  }

  void ClearBox(TObjectHandle handle) override {
    if (TOrvaMes* box = BoxOf(handle)) {
      box->Kind = TOrvaMes::kPlainText;
      box->SetText("");
    }
  }

  int32_t HistoryTotal() override {
    TOrvaNewHistory* history = GetHistory();
    return history ? history->GetTotal() : 0;
  }

  void ShowHistory(TObjectHandle handle, int32_t start, int32_t count, bool stacking) override {
    TOrvaMes* box = BoxOf(handle);
    TOrvaNewHistory* history = GetHistory();
    if (!box || !history) return;
    box->Stacking = stacking;
    history->ShowInMes(start, count, *box);
  }

  void ClearHistory(bool newGame) override {
    if (TOrvaNewHistory* history = GetHistory()) newGame ? history->Reset() : history->Clear();
  }

  void ClearReadMarks() override {
    if (TOrvaReadList* marks = GetReadMarks()) marks->Clear();
  }
};

}  // namespace

TTextLink& TextLink() {
  static TOrvaTextLink link;
  return link;
}

}  // namespace orva
