#pragma once
// Commands that steer the command index: conditional blocks (a block is the run of commands
// after its head with a greater indent), loops with the indexes the compiler resolved,
// labels and comments, jumps, calls with arguments and a result, and leaving a page.

#include <memory>
#include <string>
#include <vector>

#include "script/command.h"
#include "script/orva_parser.h"

namespace orva {

// If: record EXPR condition.
class TComIf : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
  TOrvaParser& Condition() { return condition_; }
  // The index after this command's block; `index` is the one after the command. A page's
  // commands never change, so the first answer stands.
  int32_t BlockEnd(int32_t index);

 private:
  TOrvaParser condition_;
  int32_t blockEnd_ = -1;
};

// Elseif: as If. Stepped only by running off the end of the block before it.
class TComElseif : public TComIf {
 public:
  using TComIf::TComIf;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
};

// Else: no fields.
class TComElse : public TCommand {
 public:
  using TCommand::TCommand;
  bool GetContinue() const override { return true; }
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
};

// A command that evaluates one expression when stepped: EXPR.
class TComRuntime : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
  TOrvaParser& Expression() { return expression_; }

 protected:
  void Evaluate(TCallMan& runner);

 private:
  TOrvaParser expression_;
};

// WhileInit: EXPR initial expression.
class TComWhileInit : public TComRuntime {
 public:
  using TComRuntime::TComRuntime;
  bool GetContinue() const override { return true; }
};

// WhileLoop: EXPR step expression; int32 back index (the loop's While).
class TComWhileLoop : public TComWhileInit {
 public:
  using TComWhileInit::TComWhileInit;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
  int32_t BackIndex() const { return back_; }

 private:
  int32_t back_ = 0;
};

// While: EXPR condition; int32 exit index.
class TComWhile : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
  int32_t ExitIndex() const { return exit_; }

 private:
  TOrvaParser condition_;
  int32_t exit_ = 0;
};

// Label: STR name, matched exactly.
class TComLabel : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  bool MatchesLabel(std::string_view name) const override { return name == text_; }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// Comment: STR text; always disabled, so never stepped, but its text answers as a label.
class TComComment : public TComLabel {
 public:
  using TComLabel::TComLabel;
  bool GetContinue() const override { return false; }
  bool GetDisabled() const override { return true; }
};

// Jump: STR page name; int32 target index; EXPR condition. The call stack stays.
class TComJump : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
  const std::string& PageName() const { return pageName_; }
  int32_t Target() const { return target_; }

 private:
  std::string pageName_;
  int32_t target_ = 0;
  TOrvaParser condition_;
};

// Call: STR page name; int32 target index; STR result variable; EXPR condition; int32 n;
// n × EXPR argument.
class TComCall : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
  const std::string& PageName() const { return pageName_; }
  int32_t Target() const { return target_; }
  const std::string& ResultName() const { return resultName_; }
  int ArgumentCount() const { return static_cast<int>(arguments_.size()); }

 private:
  std::string pageName_;
  int32_t target_ = 0;
  std::string resultName_;
  TOrvaParser condition_;
  std::vector<std::unique_ptr<TOrvaParser>> arguments_;
};

// Exit: EXPR condition; ends the page when it holds.
class TComExit : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 protected:
  TOrvaParser& Condition() { return condition_; }
  // A target below 0 ends the page; any other becomes the index.
  static void GoTo(int32_t target, TPage*& page, int32_t& index);

 private:
  TOrvaParser condition_;
};

// An Exit that carries a target index after its condition: a target below 0 ends the page.
class TComTargetExit : public TComExit {
 public:
  using TComExit::TComExit;
  void LoadFromStream(TStream& stream) override;
  int32_t Target() const { return target_; }

 private:
  int32_t target_ = 0;
};

// Break: EXPR condition; int32 target index (the command after the loop).
class TComBreak : public TComTargetExit {
 public:
  using TComTargetExit::TComTargetExit;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
};

// Continue: EXPR condition; int32 target index (where the loop goes on).
class TComContinue : public TComTargetExit {
 public:
  using TComTargetExit::TComTargetExit;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
};

}  // namespace orva
