#pragma once
// The base of every script command: the common record {indent, disabled, continue, line}
// and the operations the call manager calls on the command it steps. Subclasses add their
// record fields and override what they do.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/vocabulary.h"
#include "script/orva_parser.h"

namespace orva {

class TCallMan;
class TMemoryStream;
class TPage;
class TParamCollection;
class TStream;

class TCommand {
 public:
  TCommand(TPage& owner, TCommandCode code);
  virtual ~TCommand() = default;
  TCommand(const TCommand&) = delete;
  TCommand& operator=(const TCommand&) = delete;

  TCommandCode GetCommandType() const { return code_; }
  // Whether the interpreter goes on with the next command in the same frame. Fixed once the
  // command is loaded.
  virtual bool GetContinue() const { return continue_; }
  // A disabled command is skipped without being prepared or stepped. Fixed once loaded but
  // for SetDisabled.
  virtual bool GetDisabled() const { return disabled_; }
  void SetDisabled(bool disabled) {
    disabled_ = disabled;
    stepFlags_ = 0;
  }
  // While a prepared command answers true, queued events are not dispatched.
  virtual bool BlocksEvents() const { return false; }
  virtual bool MatchesLabel(std::string_view name) const { return false; }
  // The common record, then the command's own fields; overrides read the base first.
  virtual void LoadFromStream(TStream& stream);
  // Called once when the command is reached, before its first step.
  virtual void Prepare(TCallMan& runner) {}
  // One step; `page` and `index` are the call manager's: a step moves on by changing them,
  // and ends the page by setting `page` to none.
  virtual void Step(TCallMan& runner, TPage*& page, int32_t& index) { ++index; }
  // The running state of a command interrupted by an event or a save: "orva100", then the
  // command's fields. Only commands that keep one write anything.
  virtual bool KeepsRunState() const { return false; }
  virtual void WriteRunState(TStream& stream, const TCallMan& runner) const {}
  virtual void LoadRunState(TStream& stream, TCallMan& runner) {}
  // Writes the running state into a frame's stream, made when none.
  void SaveRunState(std::unique_ptr<TMemoryStream>& stream, const TCallMan& runner) const;
  // Completes the command at once; called by the program-counter reset on the commands the
  // call stack would have resumed.
  virtual void Finish(TCallMan& runner) {}
  // A running event handler stopped here lets nested events be dispatched.
  virtual bool IsEventPoint() const { return false; }

  TPage& Owner() const { return *owner_; }
  int32_t Line() const { return line_; }
  int32_t Indent() const { return indent_; }
  // Unique for the life of the program (the trace compares commands by it).
  uint64_t Serial() const { return serial_; }

  // The step loop's copy of the answers of a loaded command whose class keeps the base's
  // Prepare, IsEventPoint and BlocksEvents (`plain`): such a command is stepped without
  // asking it anything but Step. Other commands are asked every time.
  void NoteLoaded(bool plain) {
    stepFlags_ = plain ? static_cast<uint8_t>(kPlainStep | (GetContinue() ? kStepContinues : 0) |
                                              (GetDisabled() ? kStepDisabled : 0))
                       : 0;
  }
  bool PlainStep() const { return stepFlags_ & kPlainStep; }
  // Only for a plain step: the answers of GetContinue and GetDisabled.
  bool StepContinues() const { return stepFlags_ & kStepContinues; }
  bool StepDisabled() const { return stepFlags_ & kStepDisabled; }

 private:
  static constexpr uint8_t kPlainStep = 1, kStepContinues = 2, kStepDisabled = 4;

  TPage* owner_;
  TCommandCode code_;
  bool continue_ = false;
  bool disabled_ = false;
  int32_t line_ = 0;
  int32_t indent_ = 0;
  uint8_t stepFlags_ = 0;
  uint64_t serial_;
};

// Expression readings shared by the commands. An expression yields a value when its
// evaluation leaves a result; the fallback stands for none.
inline const TCustomParam* EvaluateExpr(TOrvaParser& expr, TParamCollection& vars) {
  expr.Evaluate(vars);
  return expr.Result();
}
// Yields a value that reads true.
inline bool ExprHolds(TOrvaParser& expr, TParamCollection& vars) {
  const TCustomParam* value = EvaluateExpr(expr, vars);
  return value && value->GetAsBoolean();
}
int32_t ExprInt(TOrvaParser& expr, TParamCollection& vars, int32_t fallback);
bool ExprBool(TOrvaParser& expr, TParamCollection& vars, bool fallback);
std::string ExprStr(TOrvaParser& expr, TParamCollection& vars, std::string_view fallback = {});

// A list of expressions: int32 count, then that many (the count checked against the bytes
// left).
void ReadExpressionList(TStream& stream, std::vector<std::unique_ptr<TOrvaParser>>& list);

// The tag that begins a command's running state.
inline constexpr std::string_view StateTag = "orva";
constexpr int StateFormat = 100;
// Reads a running-state tag: its three-digit number (0 when not digits). Without a tag, or
// with fewer than 7 bytes left, the stream stays where it was and the answer is 0, the
// oldest form, which has no tag.
int ReadStateTag(TStream& stream);
void WriteStateTag(TStream& stream);

}  // namespace orva
