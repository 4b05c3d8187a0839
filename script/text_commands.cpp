#include "script/text_commands.h"

#include "script/call_manager.h"
#include "script/page.h"

namespace orva {

void TComTextIns::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  glyphs_.Clear();
  CopyBytes(glyphs_, stream, ReadStreamCount(stream, 1));
  glyphs_.SetPosition(0);
  boxName_.LoadFromStream(stream);
  history_.LoadFromStream(stream);
  waitExpr_.LoadFromStream(stream);
  if (Owner().Version() >= 107) blocksExpr_.LoadFromStream(stream);
}

void TComTextIns::Prepare(TCallMan& runner) {
  box_ = {};
  blocksEvents_ = ExprBool(blocksExpr_, runner.Vars(), false);
  // Filling a message box from the glyph stream (which sets the wait flag) is the message
  // box's; without one the box stays none and the wait flag keeps its earlier value.
}

void TComTextIns::Step(TCallMan&, TPage*&, int32_t& index) {
  // Staying while the box is in the scene and shows pages is for the message box to
  // answer; without one the command has no box and moves on.
  ++index;
}

void TComTextIns::WriteRunState(TStream& stream, const TCallMan& runner) const {
  WriteStateTag(stream);
  WriteStreamString(stream, runner.NameInScene(box_));
  WriteStreamBool(stream, wait_);
  WriteStreamBool(stream, blocksEvents_);
}

void TComTextIns::LoadRunState(TStream& stream, TCallMan&) {
  const int format = ReadStateTag(stream);
  // The box is taken again only when the name is a message box's, which the message boxes
  // answer; until then the command has no box.
  ReadStreamString(stream);
  box_ = {};
  wait_ = ReadStreamBool(stream);
  if (format >= StateFormat) blocksEvents_ = ReadStreamBool(stream);
}

void TComTextClr::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  boxName_.LoadFromStream(stream);
}

void TComCallHist::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  for (TOrvaParser* expr : {&boxName_, &start_, &count_, &option_}) expr->LoadFromStream(stream);
}

void TComEntryHist::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  object_.LoadFromStream(stream);
}

}  // namespace orva
