#pragma once
// Commands that feed message boxes and manage the message history and the read marks. The
// boxes, the history and the read marks belong to the text subsystem; until it exists the
// commands keep their records and running state and move on.

#include <string>

#include "core/stream.h"
#include "script/command.h"
#include "script/object_wait_command.h"
#include "script/orva_parser.h"
#include "script/scene_link.h"

namespace orva {

// TextIns: int32 n, n bytes of glyph stream; EXPR box name; EXPR record-in-history flag;
// EXPR wait flag; EXPR blocks-events flag (pages of version 107 and later).
class TComTextIns : public TObjectWaitCommand {
 public:
  using TObjectWaitCommand::TObjectWaitCommand;
  void LoadFromStream(TStream& stream) override;
  void Prepare(TCallMan& runner) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

  // The laid-out text as the authoring tool stored it; the message layout reads it here.
  TMemoryStream& Glyphs() { return glyphs_; }
  // The message box filled.
  TObjectHandle Box() const { return object_; }

 protected:
  // The box is taken again only when the name is a message box's, which the message boxes
  // answer; until then the command has no box.
  TObjectHandle FindWaitObject(TCallMan&, const std::string&) override { return {}; }

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

 private:
  TOrvaParser boxName_;
};

// CallHist: EXPR box name; EXPR start; EXPR count; EXPR option flag.
class TComCallHist : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;

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
};

// FormatHist: EXPR object name.
class TComEntryHist : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;

 private:
  TOrvaParser object_;
};

// ClrRead: no fields.
class TComClrRead : public TCommand {
 public:
  using TCommand::TCommand;
};

}  // namespace orva
