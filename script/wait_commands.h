#pragma once
// Wait holds the script at one command for a time or while a condition holds, yielding the
// frame each step; DoEvent only yields. Both are event points, where a running handler lets
// nested events run.

#include "script/command.h"
#include "script/orva_parser.h"

namespace orva {

// Wait: EXPR condition; EXPR time in milliseconds; EXPR blocks-events flag (pages of
// version 107 and later).
class TComWait : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Prepare(TCallMan& runner) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
  bool BlocksEvents() const override { return blocksEvents_; }
  bool IsEventPoint() const override { return true; }
  bool KeepsRunState() const override { return true; }
  // "orva100", int32 remaining, int32 first frame, byte blocks events.
  void WriteRunState(TStream& stream, const TCallMan& runner) const override;
  void LoadRunState(TStream& stream, TCallMan& runner) override;

  int32_t Remaining() const { return remaining_; }
  int32_t FirstFrame() const { return firstFrame_; }

 private:
  TOrvaParser condition_;
  TOrvaParser time_;
  TOrvaParser blocks_;
  int32_t remaining_ = 0;  // 0: no time limit
  int32_t firstFrame_ = 0;  // frames to let pass before the countdown starts
  bool blocksEvents_ = false;
};

// DoEvent: no fields; ends the frame's run in the main script.
class TComDoEvent : public TCommand {
 public:
  using TCommand::TCommand;
  bool GetContinue() const override { return false; }
  bool IsEventPoint() const override { return true; }
};

}  // namespace orva
