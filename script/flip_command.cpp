#include "script/flip_command.h"

#include "core/frame_clock.h"
#include "core/stream.h"
#include "script/call_manager.h"
#include "script/page.h"

namespace orva {

void TComFlip::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  transitionExpr_.LoadFromStream(stream);
  durationExpr_.LoadFromStream(stream);
  reverseExpr_.LoadFromStream(stream);
  carryExpr_.LoadFromStream(stream);
  ReadExpressionList(stream, nameLists_);
  freeOldExpr_.LoadFromStream(stream);
  param0Expr_.LoadFromStream(stream);
  param1Expr_.LoadFromStream(stream);
  if (Owner().Version() >= 101) maskExpr_.LoadFromStream(stream);
  if (Owner().Version() >= 107) blocksExpr_.LoadFromStream(stream);
}

void TComFlip::Prepare(TCallMan& runner) {
  TParamCollection& vars = runner.Vars();
  state_ = fsPrepared;
  const TCustomParam* transition = EvaluateExpr(transitionExpr_, vars);
  transition_ = transition ? static_cast<uint8_t>(transition->GetAsInteger()) : 0;
  if (transition_ >= WipeTypeCount) transition_ = WP_NONE;
  const TCustomParam* duration = EvaluateExpr(durationExpr_, vars);
  hasDuration_ = duration && duration->GetAsInteger() > 0;
  duration_ = hasDuration_ ? duration->GetAsInteger() : 1;

  reverseExpr_.Evaluate(vars);
  blocksEvents_ = ExprBool(blocksExpr_, vars, false);
  freeOld_ = ExprBool(freeOldExpr_, vars, false);
  const TCustomParam* carry = EvaluateExpr(carryExpr_, vars);
  hasCarry_ = carry != nullptr;
  carryMode_ = carry ? carry->GetAsInteger() : 0;
  for (auto& list : nameLists_) list->Evaluate(vars);
  // With a carry mode and no duration the layers change at once, without a snapshot.
  if (hasCarry_ && !hasDuration_) state_ = fsFinish;
}

void TComFlip::Step(TCallMan& runner, TPage*& page, int32_t& index) {
  switch (state_) {
    case fsPrepared: state_ = fsStarted; return;
    case fsStarted:
      startTime_ = GameClock;
      state_ = fsRunning;
      return;
    case fsRunning:
      // The scene's transition runs from the start time for its duration; without a scene
      // there is none to wait for.
      break;
    default: break;
  }
  Finish(runner);
  ++index;
}

void TComFlip::Finish(TCallMan&) {
  // The scene makes the inactive layer active, frees the snapshot and, when asked, the
  // objects left on the old layer.
}

bool TComFlip::IsCarried(std::string_view name, int32_t mode) const {
  for (const auto& list : nameLists_) {
    const TCustomParam* value = list->Result();
    if (!value) continue;
    // Lines end with CR LF, LF or CR; a break at the very end starts no further line.
    const std::string text = value->GetAsString();
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find_first_of("\r\n", start);
      if (end == std::string::npos) end = text.size();
      if (std::string_view(text).substr(start, end - start) == name) return mode == FL_STAY;
      if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
      start = end + 1;
    }
  }
  return mode == FL_OUT;
}

void TComFlip::WriteRunState(TStream& stream, const TCallMan&) const {
  WriteStateTag(stream);
  WriteStreamBool(stream, blocksEvents_);
  WriteStreamBool(stream, freeOld_);
}

void TComFlip::LoadRunState(TStream& stream, TCallMan&) {
  if (ReadStateTag(stream) < StateFormat) return;
  blocksEvents_ = ReadStreamBool(stream);
  freeOld_ = ReadStreamBool(stream);
}

}  // namespace orva
