#pragma once
// Commands that feed message boxes and manage the message history (backlog) and the read
// marks. The boxes, the backlog and the read marks belong to the text subsystem, which the
// commands reach through the call manager's text link; without one they move on.

#include <string>

#include "core/stream.h"
#include "script/command.h"
#include "script/object_wait_command.h"
#include "script/orva_parser.h"
#include "script/scene_link.h"

namespace orva {

// TextIns: int32 n, n bytes of glyph stream; EXPR box name; EXPR record-in-history flag;
// EXPR wait flag; EXPR blocks-events flag (pages of version 107 and later).
//
// Prepared, it fills the message box it names from its glyph stream (as its page and index
// say, through the layout cache); with the wait flag it stays while the box is in the scene
// and holds pages.
class TComTextIns : public TObjectWaitCommand {
 public:
  using TObjectWaitCommand::TObjectWaitCommand;
  void LoadFromStream(TStream& stream) override;
  void Prepare(TCallMan& runner) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
  bool Waits() const { return wait_; }

  // The laid-out text as the authoring tool stored it; the message layout reads it here.
  TMemoryStream& Glyphs() { return glyphs_; }
  // The message box filled.
  TObjectHandle Box() const { return object_; }

 protected:
  // Only a message box is taken back from a saved run state.
  TObjectHandle FindWaitObject(TCallMan& runner, const std::string& name) override;

 private:
  TMemoryStream glyphs_;
  TOrvaParser boxName_;
  TOrvaParser history_;
};

// TextClr: EXPR box name.
class TComTextClr : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 private:
  TOrvaParser boxName_;
};

// CallHist: EXPR box name; EXPR start; EXPR count; EXPR option flag. Shows the range of the
// backlog from start (below 0: 0) for count (1 when none, cut at the backlog's end).
class TComCallHist : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 private:
  TOrvaParser boxName_;
  TOrvaParser start_;
  TOrvaParser count_;
  TOrvaParser option_;
};

// ClrHist: no fields.
class TComClrHist : public TCommand {
 public:
  using TCommand::TCommand;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
};

// FormatHist: EXPR object name. The object's font height, border, shadow, width, height and
// line space become the history format.
class TComEntryHist : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 private:
  TOrvaParser object_;
};

// ClrRead: no fields.
class TComClrRead : public TCommand {
 public:
  using TCommand::TCommand;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
};

}  // namespace orva
