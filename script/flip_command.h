#pragma once
// Flip changes the screen from the active layer to the other one with a transition: it
// freezes the picture in a snapshot, carries chosen objects over to the other layer, lets the
// scene's transition run for its duration, then shows the other layer and frees the snapshot
// and, when asked, what was left on the old layer.

#include <memory>
#include <string_view>
#include <vector>

#include "script/command.h"
#include "script/orva_parser.h"

namespace orva {

// Record: EXPR transition; EXPR duration; EXPR reverse; EXPR carry mode; int32 n, n × EXPR
// name list; EXPR free old objects; EXPR parameter 0; EXPR parameter 1; EXPR mask (pages of
// version 101 and later); EXPR blocks events (107 and later).
class TComFlip : public TCommand {
 public:
  enum TFlipState : int32_t { fsPrepared = 0, fsStarted = 1, fsRunning = 2, fsFinish = 3 };

  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Prepare(TCallMan& runner) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
  void Finish(TCallMan& runner) override;
  bool IsEventPoint() const override { return hasDuration_; }
  bool BlocksEvents() const override { return blocksEvents_; }
  bool KeepsRunState() const override { return true; }
  // "orva100", byte blocks events, byte free old objects.
  void WriteRunState(TStream& stream, const TCallMan& runner) const override;
  void LoadRunState(TStream& stream, TCallMan& runner) override;

  // Whether the object of that name goes over to the new layer: FL_OUT carries every object
  // but the named ones, FL_STAY only the named ones, other modes none. The names are the
  // lines of the last values of the name lists.
  bool IsCarried(std::string_view name, int32_t mode) const;

  int32_t State() const { return state_; }
  // The transition (WP_ number, 0 for an unknown one) and its duration, as prepared.
  uint8_t Transition() const { return transition_; }
  int32_t Duration() const { return duration_; }
  bool FreesOldObjects() const { return freeOld_; }
  // Whether the carry mode yielded a value, and which.
  bool HasCarryMode() const { return hasCarry_; }
  int32_t CarryMode() const { return carryMode_; }
  uint32_t StartTime() const { return startTime_; }

 private:
  // Shows the other layer, frees the snapshot and, when asked, the old layer's children
  // (cabinets only with freeCabinets).
  void EndFlip(TCallMan& runner, bool freeCabinets);

  TOrvaParser transitionExpr_;
  TOrvaParser durationExpr_;
  TOrvaParser reverseExpr_;
  TOrvaParser carryExpr_;
  std::vector<std::unique_ptr<TOrvaParser>> nameLists_;
  TOrvaParser freeOldExpr_;
  TOrvaParser param0Expr_;
  TOrvaParser param1Expr_;
  TOrvaParser maskExpr_;
  TOrvaParser blocksExpr_;

  int32_t state_ = fsPrepared;
  uint32_t startTime_ = 0;
  bool blocksEvents_ = false;
  bool freeOld_ = false;
  bool hasDuration_ = false;  // the duration's last value was an integer above 0
  bool hasCarry_ = false;
  int32_t carryMode_ = 0;
  uint8_t transition_ = 0;
  int32_t duration_ = 1;
};

}  // namespace orva
