#pragma once
// Commands that feed message boxes and manage the message history and the read marks. The
// boxes, the history and the read marks belong to the text subsystem; until it exists the
// commands keep their records and running state and move on.

#include <string>

#include "core/stream.h"
#include "script/command.h"
#include "script/orva_parser.h"
#include "script/scene_link.h"

namespace orva {

// TextIns: int32 n, n bytes of glyph stream; EXPR box name; EXPR record-in-history flag;
// EXPR wait flag; EXPR blocks-events flag (pages of version 107 and later).
class TComTextIns : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Prepare(TCallMan& runner) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
  bool IsEventPoint() const override { return wait_; }
  bool BlocksEvents() const override { return blocksEvents_; }
  bool KeepsRunState() const override { return true; }
  // "orva100", STR box name (empty once the box has left the scene), byte wait, byte blocks
  // events.
  void WriteRunState(TStream& stream, const TCallMan& runner) const override;
  void LoadRunState(TStream& stream, TCallMan& runner) override;

  // The laid-out text as the authoring tool stored it; the message layout reads it here.
  TMemoryStream& Glyphs() { return glyphs_; }
  TObjectHandle Box() const { return box_; }

 private:
  TMemoryStream glyphs_;
  TOrvaParser boxName_;
  TOrvaParser history_;
  TOrvaParser waitExpr_;
  TOrvaParser blocksExpr_;

  // The message box filled, held across frames by handle.
  TObjectHandle box_;
  bool wait_ = false;
  bool blocksEvents_ = false;
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
