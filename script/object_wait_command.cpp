#include "script/object_wait_command.h"

#include "core/stream.h"
#include "script/call_manager.h"
#include "script/page.h"

namespace orva {

void TObjectWaitCommand::LoadWaitExpressions(TStream& stream) {
  waitExpr_.LoadFromStream(stream);
  if (Owner().Version() >= 107) blocksExpr_.LoadFromStream(stream);
}

TObjectHandle TObjectWaitCommand::FindWaitObject(TCallMan& runner, const std::string& name) {
  return runner.FindObject(name);
}

void TObjectWaitCommand::WriteRunState(TStream& stream, const TCallMan& runner) const {
  WriteStateTag(stream);
  WriteStreamString(stream, runner.NameInScene(object_));
  WriteStreamBool(stream, wait_);
  WriteStreamBool(stream, blocksEvents_);
}

void TObjectWaitCommand::LoadRunState(TStream& stream, TCallMan& runner) {
  const int format = ReadStateTag(stream);
  object_ = FindWaitObject(runner, ReadStreamString(stream));
  wait_ = ReadStreamBool(stream);
  if (format >= StateFormat) blocksEvents_ = ReadStreamBool(stream);
}

}  // namespace orva
