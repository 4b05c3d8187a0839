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
  LoadWaitExpressions(stream);
}

void TComTextIns::Prepare(TCallMan& runner) {
  object_ = {};
  blocksEvents_ = ExprBool(blocksExpr_, runner.Vars(), false);
  // Filling a message box from the glyph stream (which sets the wait flag) is the message
  // box's; without one the box stays none and the wait flag keeps its earlier value.
}

void TComTextIns::Step(TCallMan&, TPage*&, int32_t& index) {
  // Staying while the box is in the scene and shows pages is for the message box to
  // answer; without one the command has no box and moves on.
  ++index;
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
