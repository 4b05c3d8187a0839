#pragma once
// Commands on media and menu objects that exist already, the program-counter resets and the
// quit. Stopping and starting media and closing menus belong to the scene's objects; the
// resets act on the call manager, the variables and the event queue.

#include <string>

#include "script/command.h"
#include "script/object_wait_command.h"
#include "script/orva_parser.h"
#include "script/scene_link.h"

namespace orva {

// MovieStop: EXPR object name; EXPR fade time; EXPR wait flag; EXPR blocks-events flag
// (pages of version 107 and later).
class TComMovieStop : public TObjectWaitCommand {
 public:
  using TObjectWaitCommand::TObjectWaitCommand;
  void LoadFromStream(TStream& stream) override;
  void Prepare(TCallMan& runner) override;
  // Stays while it waits on an object that is still in the scene.
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

  TObjectHandle Object() const { return object_; }
  bool Waits() const { return wait_; }

 private:
  TOrvaParser name_;
  TOrvaParser fade_;
};

// MediaPlay: EXPR object name. Moves on first, then starts the object's media again.
class TComMediaPlay : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 private:
  TOrvaParser name_;
};

// MenuClose: EXPR menu name. Closes it animated (LP_STOPFADE); stays until an object of that
// name exists.
class TComMenuClose : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 private:
  TOrvaParser name_;
  TObjectHandle target_;
};

// PCReset: STR page name; int32 target index; byte reset-all flag. With the flag the whole
// script restarts there; without it the script underneath the running handlers resumes
// there once they return.
class TComPCReset : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 protected:
  const std::string& PageName() const { return pageName_; }
  int32_t Target() const { return target_; }

 private:
  void ResetAll(TCallMan& runner, TPage*& page, int32_t& index);
  void ResetUnderHandlers(TCallMan& runner, TPage*& page, int32_t& index);

  std::string pageName_;
  int32_t target_ = 0;
  bool resetAll_ = false;
};

// Reset: as PCReset (the flag is not used); a new game from that page.
class TComReset : public TComPCReset {
 public:
  using TComPCReset::TComPCReset;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
};

// Terminate: no fields. Requests the quit and closes the main window; never advances.
class TComTerminate : public TCommand {
 public:
  using TCommand::TCommand;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
};

}  // namespace orva
