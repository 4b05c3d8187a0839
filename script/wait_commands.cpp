#include "script/wait_commands.h"

#include "core/frame_clock.h"
#include "core/stream.h"
#include "script/call_manager.h"
#include "script/conversions.h"
#include "script/page.h"

namespace orva {

void TComWait::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  condition_.LoadFromStream(stream);
  time_.LoadFromStream(stream);
  if (Owner().Version() >= 107) blocks_.LoadFromStream(stream);
}

void TComWait::Prepare(TCallMan& runner) {
  remaining_ = ExprInt(time_, runner.Vars(), 0);
  firstFrame_ = 1;
  blocksEvents_ = ExprBool(blocks_, runner.Vars(), false);
}

void TComWait::Step(TCallMan& runner, TPage*&, int32_t& index) {
  // A condition without a value counts as holding.
  if (const TCustomParam* value = EvaluateExpr(condition_, runner.Vars()); value && !value->GetAsBoolean()) {
    ++index;
    return;
  }
  if (remaining_ == 0) {
    runner.SetContinue(false);
    return;
  }
  // The frame in which the Wait was reached does not count.
  if (firstFrame_ > 0) {
    --firstFrame_;
    runner.SetContinue(false);
    return;
  }
  remaining_ = WrapSub(remaining_, FrameDelta);
  if (remaining_ > 0)
    runner.SetContinue(false);
  else
    ++index;
}

void TComWait::WriteRunState(TStream& stream, const TCallMan&) const {
  WriteStateTag(stream);
  WriteStreamInt(stream, remaining_);
  WriteStreamInt(stream, firstFrame_);
  WriteStreamBool(stream, blocksEvents_);
}

void TComWait::LoadRunState(TStream& stream, TCallMan&) {
  const int format = ReadStateTag(stream);
  remaining_ = ReadStreamInt(stream);
  firstFrame_ = ReadStreamInt(stream);
  if (format >= StateFormat) blocksEvents_ = ReadStreamBool(stream);
}

}  // namespace orva
