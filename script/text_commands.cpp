#include "script/text_commands.h"

#include <algorithm>
#include <array>

#include "script/call_manager.h"
#include "script/page.h"
#include "script/param.h"
#include "script/param_collection.h"
#include "script/text_link.h"

namespace orva {

void TComTextIns::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  glyphs_.Clear();
  CopyBytes(glyphs_, stream, ReadStreamCount(stream, 1));
  glyphs_.SetPosition(0);
  boxName_.LoadFromStream(stream);
  history_.LoadFromStream(stream);
  LoadWaitExpressions(stream);
}

void TComTextIns::Prepare(TCallMan& runner) {
  object_ = {};
  blocksEvents_ = ExprBool(blocksExpr_, runner.Vars(), false);
  TTextLink* text = runner.Text();
  if (glyphs_.GetSize() == 0 || !text) return;
  const std::string name = ExprStr(boxName_, runner.Vars());
  if (name.empty()) return;
  const TObjectHandle box = text->FindMessageBox(name);
  if (box.IsNone()) return;
  object_ = box;
  const bool record = ExprHolds(history_, runner.Vars());
  text->ShowTextCommand(box, Owner().Name(), Owner().IndexOfCommand(this), record);
  wait_ = ExprBool(waitExpr_, runner.Vars(), false);
}

void TComTextIns::Step(TCallMan& runner, TPage*&, int32_t& index) {
  TSceneLink* scene = runner.Scene();
  TTextLink* text = runner.Text();
  // A box that left the scene counts as none.
  if (!object_.IsNone() && wait_ && scene && text && scene->IndexOfObject(object_) >= 0 &&
      text->PageCount(object_) != 0)
    return;
  ++index;
}

TObjectHandle TComTextIns::FindWaitObject(TCallMan& runner, const std::string& name) {
  TTextLink* text = runner.Text();
  return text && !name.empty() ? text->FindMessageBox(name) : TObjectHandle{};
}

void TComTextClr::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  boxName_.LoadFromStream(stream);
}

void TComTextClr::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  TTextLink* text = runner.Text();
  const std::string name = ExprStr(boxName_, runner.Vars());
  if (!text || name.empty()) return;
  if (const TObjectHandle box = text->FindMessageBox(name); !box.IsNone()) text->ClearBox(box);
}

void TComCallHist::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  for (TOrvaParser* expr : {&boxName_, &start_, &count_, &option_}) expr->LoadFromStream(stream);
}

void TComCallHist::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  TTextLink* text = runner.Text();
  const std::string name = ExprStr(boxName_, runner.Vars());
  if (!text || name.empty()) return;
  const TObjectHandle box = text->FindMessageBox(name);
  const TCustomParam* startValue = box.IsNone() ? nullptr : EvaluateExpr(start_, runner.Vars());
  if (!startValue) return;
  const int64_t start = std::max(0, startValue->GetAsInteger());
  int64_t count = ExprInt(count_, runner.Vars(), 1);
  const bool option = ExprBool(option_, runner.Vars(), false);
  // In 64 bits: a start and count near the int32 limits do not wrap past the end.
  const int64_t total = text->HistoryTotal();
  if (start + count > total) count = total - start;
  if (count > 0) text->ShowHistory(box, static_cast<int32_t>(start), static_cast<int32_t>(count), option);
}

void TComClrHist::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  if (TTextLink* text = runner.Text()) text->ClearHistory(false);
}

void TComEntryHist::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  object_.LoadFromStream(stream);
}

void TComEntryHist::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  TSceneLink* scene = runner.Scene();
  const std::string name = ExprStr(object_, runner.Vars());
  if (!scene || name.empty()) return;
  const TObjectHandle object = scene->FindObject(name);
  if (object.IsNone()) return;
  static constexpr uint8_t kFormat[6] = {PR_FONTHEIGHT, PR_FONTBORDER, PR_FONTSHADOW, PR_WIDTH, PR_HEIGHT, PR_LINESPACE};
  std::array<int32_t, 6>& format = runner.Vars().HistoryFormat;
  for (size_t i = 0; i < format.size(); ++i) {
    TParamCollectionItem value(std::make_unique<TParamInt>());
    scene->GetProp(value, object, kFormat[i]);
    format[i] = value.GetAsInteger();
  }
}

void TComClrRead::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  if (TTextLink* text = runner.Text()) text->ClearReadMarks();
}

}  // namespace orva
