#pragma once
// GameSave and GameLoad record a request that the project carries out after the frame's
// interpreter run, when no command is in the middle of its step.

#include <string>

#include "script/command.h"
#include "script/orva_parser.h"

namespace orva {

// GameSave: EXPR slot; STR after-load page; int32 after-load index (pages of version 105 and
// later); EXPR caption.
class TComGameSave : public TCommand {
 public:
  using TCommand::TCommand;
  bool GetContinue() const override { return false; }
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 private:
  TOrvaParser slot_;
  std::string afterLoadPage_;
  int32_t afterLoadIndex_ = 0;
  TOrvaParser caption_;
};

// GameLoad: EXPR slot.
class TComGameLoad : public TCommand {
 public:
  using TCommand::TCommand;
  bool GetContinue() const override { return false; }
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 private:
  TOrvaParser slot_;
};

}  // namespace orva
