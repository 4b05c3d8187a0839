#include "script/save_commands.h"

#include "core/stream.h"
#include "script/call_manager.h"
#include "script/page.h"
#include "script/project_link.h"

namespace orva {

void TComGameSave::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  slot_.LoadFromStream(stream);
  ReadStreamString(stream, afterLoadPage_);
  afterLoadIndex_ = Owner().Version() >= 105 ? ReadStreamInt(stream) : 0;
  caption_.LoadFromStream(stream);
}

void TComGameSave::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  const int32_t slot = ExprInt(slot_, runner.Vars(), 0);
  const std::string caption = ExprStr(caption_, runner.Vars());
  if (TProjectLink* project = runner.Project()) project->RequestSave(slot, afterLoadPage_, afterLoadIndex_, caption);
}

void TComGameLoad::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  slot_.LoadFromStream(stream);
}

void TComGameLoad::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  const int32_t slot = ExprInt(slot_, runner.Vars(), 0);
  if (TProjectLink* project = runner.Project()) project->RequestLoad(slot);
}

}  // namespace orva
