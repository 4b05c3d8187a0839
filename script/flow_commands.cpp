#include "script/flow_commands.h"

#include "core/stream.h"
#include "script/call_manager.h"
#include "script/page.h"
#include "script/param_collection.h"

namespace orva {
namespace {

// Passes the commands from `index` on that lie inside the block of `head` (a greater indent).
void SkipBlock(const TCommand& head, int32_t& index) {
  const TPage& owner = head.Owner();
  while (owner.Contains(index) && owner.GetCommand(index).Indent() > head.Indent()) ++index;
}

}  // namespace

// ---- If, Elseif, Else ----

void TComIf::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  condition_.LoadFromStream(stream);
  blockEnd_ = -1;
}

int32_t TComIf::BlockEnd(int32_t index) {
  if (blockEnd_ < 0) {
    SkipBlock(*this, index);
    blockEnd_ = index;
  }
  return blockEnd_;
}

void TComIf::Step(TCallMan& runner, TPage*& page, int32_t& index) {
  ++index;
  if (ExprHolds(condition_, runner.Vars())) return;
  const TPage& owner = Owner();
  index = BlockEnd(index);
  // Past a block the indent is at most the head's.
  while (owner.Contains(index)) {
    TCommand& next = owner.GetCommand(index);
    if (next.Indent() < Indent()) return;
    switch (next.GetCommandType()) {
      case TCommandCode::Elseif: {
        auto& elseif = static_cast<TComElseif&>(next);
        ++index;
        if (ExprHolds(elseif.Condition(), runner.Vars())) return;
        index = elseif.BlockEnd(index);
        continue;
      }
      case TCommandCode::Else: ++index; return;
      default: return;
    }
  }
}

// Reached only by running off the end of the block before it: the chain is done.
void TComElseif::Step(TCallMan&, TPage*&, int32_t& index) {
  ++index;
  SkipBlock(*this, index);
}

void TComElse::Step(TCallMan&, TPage*&, int32_t& index) {
  ++index;
  SkipBlock(*this, index);
}

// ---- Loops ----

void TComRuntime::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  expression_.LoadFromStream(stream);
}

// An empty expression (a loop without a step) has nothing to run.
void TComRuntime::Evaluate(TCallMan& runner) {
  if (expression_.Count() > 0) expression_.Evaluate(runner.Vars());
}

void TComRuntime::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  Evaluate(runner);
}

void TComWhileLoop::LoadFromStream(TStream& stream) {
  TComWhileInit::LoadFromStream(stream);
  back_ = ReadStreamInt(stream);
}

void TComWhileLoop::Step(TCallMan& runner, TPage*&, int32_t& index) {
  index = back_;
  Evaluate(runner);
}

void TComWhile::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  condition_.LoadFromStream(stream);
  exit_ = ReadStreamInt(stream);
}

void TComWhile::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  if (!ExprHolds(condition_, runner.Vars())) index = exit_;
}

// ---- Labels ----

void TComLabel::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  ReadStreamString(stream, text_);
}

// ---- Jump and Call ----

void TComJump::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  ReadStreamString(stream, pageName_);
  target_ = ReadStreamInt(stream);
  condition_.LoadFromStream(stream);
}

void TComJump::Step(TCallMan& runner, TPage*& page, int32_t& index) {
  ++index;
  if (!ExprHolds(condition_, runner.Vars()) || !runner.FileAvailable(pageName_)) return;
  page = runner.GetPage(pageName_);
  index = target_;
}

void TComCall::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  ReadStreamString(stream, pageName_);
  target_ = ReadStreamInt(stream);
  ReadStreamString(stream, resultName_);
  condition_.LoadFromStream(stream);
  ReadExpressionList(stream, arguments_);
}

void TComCall::Step(TCallMan& runner, TPage*& page, int32_t& index) {
  ++index;
  TParamCollection& vars = runner.Vars();
  if (!ExprHolds(condition_, vars) || !runner.FileAvailable(pageName_)) return;
  // Arguments without a value are dropped; the later ones move up.
  TArrayString args;
  for (auto& argument : arguments_)
    if (const TCustomParam* value = EvaluateExpr(*argument, vars)) args.Add(value->GetAsString());
  // The callee is loaded before its frame is pushed: a page that cannot be loaded leaves
  // the stack as it was, and the script goes on after the Call.
  const int32_t returnIndex = index;
  TPage* callee = runner.GetPage(pageName_);
  TStack& frame = runner.Stack().Push();
  frame.PageName = Owner().Name();
  frame.ReturnIndex = returnIndex;
  frame.ResultName = resultName_;
  frame.Continue = runner.Continue();
  frame.Sender = runner.Sender();
  frame.Args.Assign(runner.Args());
  frame.Result = CreateParam(callee->ResultType());
  runner.Args() = std::move(args);
  page = callee;
  index = target_;
}

// ---- Exit, Break, Continue ----

void TComExit::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  condition_.LoadFromStream(stream);
}

void TComExit::Step(TCallMan& runner, TPage*& page, int32_t& index) {
  if (ExprHolds(condition_, runner.Vars()))
    page = nullptr;
  else
    ++index;
}

void TComExit::GoTo(int32_t target, TPage*& page, int32_t& index) {
  if (target < 0)
    page = nullptr;
  else
    index = target;
}

void TComTargetExit::LoadFromStream(TStream& stream) {
  TComExit::LoadFromStream(stream);
  target_ = ReadStreamInt(stream);
}

void TComBreak::Step(TCallMan& runner, TPage*& page, int32_t& index) {
  if (ExprHolds(Condition(), runner.Vars()))
    GoTo(Target(), page, index);
  else
    ++index;
}

void TComContinue::Step(TCallMan& runner, TPage*& page, int32_t& index) {
  ++index;
  if (ExprHolds(Condition(), runner.Vars())) GoTo(Target(), page, index);
}

}  // namespace orva
