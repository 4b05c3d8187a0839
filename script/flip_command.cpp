#include "script/flip_command.h"

#include <exception>

#include "core/frame_clock.h"
#include "core/stream.h"
#include "script/call_manager.h"
#include "script/page.h"
#include "script/scene_link.h"

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

  const bool reverse = ExprBool(reverseExpr_, vars, false);
  blocksEvents_ = ExprBool(blocksExpr_, vars, false);
  freeOld_ = ExprBool(freeOldExpr_, vars, false);
  const TCustomParam* carry = EvaluateExpr(carryExpr_, vars);
  hasCarry_ = carry != nullptr;
  carryMode_ = carry ? carry->GetAsInteger() : 0;
  for (auto& list : nameLists_) list->Evaluate(vars);

  TSceneLink* scene = runner.Scene();
  if (hasCarry_) {
    // With a carry mode and no duration the layers change at once, without a snapshot.
    TObjectHandle snapshot;
    if (!hasDuration_) {
      state_ = fsFinish;
    } else if (scene) {
      scene->Paint();
      snapshot = scene->CreateSnapshot(TransitionSnapshotName);
    }
    if (scene) {
      const int active = scene->ActiveLayerIndex();
      const std::vector<TObjectHandle> children = scene->LayerChildren(active);
      for (auto child = children.rbegin(); child != children.rend(); ++child)
        if (*child != snapshot && IsCarried(scene->GetName(*child), carryMode_)) scene->MoveToLayer(*child, 1 - active);
    }
  }
  if (state_ == fsFinish || !scene) return;
  if (!scene->SetActiveBase(scene->ActiveLayerIndex(), transition_, duration_, 0, true, reverse)) return;
  if (const TCustomParam* value = EvaluateExpr(param0Expr_, vars)) scene->SetTransitionParam(0, value->GetAsInteger());
  if (const TCustomParam* value = EvaluateExpr(param1Expr_, vars)) scene->SetTransitionParam(1, value->GetAsInteger());
  if (const TCustomParam* value = EvaluateExpr(maskExpr_, vars)) scene->SetTransitionMaskName(value->GetAsString());
  try {
    scene->PrepareTransition();
  } catch (const std::exception&) {
    // A mask image that cannot be read: dropped here, so that the Flip runs on (the transition
    // runs uniform) instead of being prepared again, with a new snapshot, every frame.
  }
}

void TComFlip::Step(TCallMan& runner, TPage*& page, int32_t& index) {
  switch (state_) {
    case fsPrepared: state_ = fsStarted; return;
    case fsStarted:
      startTime_ = GameClock;
      state_ = fsRunning;
      return;
    case fsRunning:
      if (TSceneLink* scene = runner.Scene()) {
        const int64_t elapsed = static_cast<uint32_t>(GameClock - startTime_);
        if (elapsed < scene->GetTransitionDuration()) {
          scene->SetTransitionPosition(static_cast<int32_t>(elapsed));
          return;
        }
      }
      break;
    default: break;
  }
  EndFlip(runner, false);
  ++index;
}

void TComFlip::Finish(TCallMan& runner) { EndFlip(runner, true); }

void TComFlip::EndFlip(TCallMan& runner, bool freeCabinets) {
  TSceneLink* scene = runner.Scene();
  if (!scene) return;
  const int old = scene->ActiveLayerIndex();
  scene->SetActiveBase(1 - old, WP_NONE, 0, 0, true, false);
  const TObjectHandle snapshot = scene->FindControl(TransitionSnapshotName);
  if (!snapshot.IsNone()) scene->ScheduleFree(snapshot);
  if (!freeOld_) return;
  for (TObjectHandle child : scene->LayerChildren(old))
    if (freeCabinets || !scene->IsCabinet(child)) scene->ScheduleFree(child);
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
