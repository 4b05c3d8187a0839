#pragma once
// Base of the commands that may stay on their step while one scene object lives (MovieStop,
// TextIns): they keep that object, their wait flag and their blocks-events flag across frames
// and in the interpreter's saved state.

#include <string>

#include "script/command.h"
#include "script/orva_parser.h"
#include "script/scene_link.h"

namespace orva {

class TObjectWaitCommand : public TCommand {
 public:
  using TCommand::TCommand;
  bool IsEventPoint() const override { return wait_; }
  bool BlocksEvents() const override { return blocksEvents_; }
  bool KeepsRunState() const override { return true; }
  // "orva100", STR object name (empty once it has left the scene), byte wait, byte blocks
  // events.
  void WriteRunState(TStream& stream, const TCallMan& runner) const override;
  void LoadRunState(TStream& stream, TCallMan& runner) override;

 protected:
  // EXPR wait flag; EXPR blocks-events flag (pages of version 107 and later).
  void LoadWaitExpressions(TStream& stream);
  // The object a loaded run state names; any scene object of that name by default.
  virtual TObjectHandle FindWaitObject(TCallMan& runner, const std::string& name);

  TOrvaParser waitExpr_;
  TOrvaParser blocksExpr_;
  // Held across frames by handle.
  TObjectHandle object_;
  bool wait_ = false;
  bool blocksEvents_ = false;
};

}  // namespace orva
