#pragma once
// A compiled expression: operations in three-address form, each computing one operator or
// built-in function over operand values into a named destination, evaluated against the
// variable store. Its stored form is embedded in pages, saves and glyph streams.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/param.h"

namespace orva {

class TFastForm;
class TParamCollection;
class TParamCollectionItem;
class TStream;
struct TExpressionTemps;

// Destinations beginning with this are temporaries of one evaluation: "____" and a number
// for intermediate results, "____d_" and a number for element references, "____arg" for
// the value of the expression.
inline constexpr std::string_view TempPrefix = "____";
inline constexpr std::string_view SubscriptTempPrefix = "____d_";
inline constexpr std::string_view ResultTempName = "____arg";

// One operation.
class TOpeData {
 public:
  TOpeData() = default;
  TOpeData(uint8_t opcode, std::string_view dest, uint8_t function = 0);

  uint8_t Opcode() const { return opcode_; }
  const std::string& Dest() const { return dest_; }
  // The built-in function of an ocFunc operation.
  uint8_t Function() const { return function_; }
  int OperandCount() const { return static_cast<int>(operands_.size()); }
  const TCustomParam& Operand(int index) const { return *operands_.at(static_cast<size_t>(index)); }
  // A literal (integer, float, flag, string value) or a variable reference (TParamVar).
  void AddOperand(std::unique_ptr<TCustomParam> operand);

  void SaveToStream(TStream& stream) const;
  // One record; operand counts are checked against the bytes left.
  void LoadFromStream(TStream& stream);

 private:
  friend class TOrvaParser;
  friend class TFastForm;

  uint8_t opcode_ = 0;
  uint8_t function_ = 0;
  std::string dest_;
  std::vector<std::unique_ptr<TCustomParam>> operands_;

  // Prepared by the expression that holds the operation: the temporary slot of the
  // destination and of each operand (-1: a store variable), and what a function receives
  // (literals through scratch copies, so a function writing into one leaves it intact).
  int destSlot_ = -1;
  std::vector<int> operandSlots_;
  std::vector<TCustomParam*> args_;
  std::vector<std::unique_ptr<TCustomParam>> literalCopies_;
  // The last lookup of a store destination, valid while the store's lookup stamp stands.
  TParamCollectionItem* destLookup_ = nullptr;
  uint32_t destKey_ = 0;  // the destination's index key, 0 until first needed
  const TParamCollection* destLookupStore_ = nullptr;
  uint64_t destLookupStamp_ = 0;
};

class TOrvaParser;

// Sees every error that ends an evaluation (which the evaluation itself keeps silent), with
// the expression it ended, so that tests can pin its message; none by default.
using TEvaluationErrorHook = std::function<void(const TOrvaParser& expression, const std::exception& error)>;
void SetEvaluationErrorHook(TEvaluationErrorHook hook);

class TOrvaParser {
 public:
  TOrvaParser();
  ~TOrvaParser();
  TOrvaParser(const TOrvaParser&) = delete;
  TOrvaParser& operator=(const TOrvaParser&) = delete;

  // Runs the operations against the store. An error ends the evaluation silently, keeping
  // what earlier operations wrote; only a result held as a reference raises
  // "____arg:不正な変数です" out of here. Each evaluation has its own temporaries, also one
  // that runs inside another (even of this same expression).
  void Evaluate(TParamCollection& vars);
  // The value of the last evaluation: set when the last operation assigns "____arg" and the
  // evaluation reached it; valid until the next evaluation.
  const TCustomParam* Result() const { return hasResult_ ? result_.get() : nullptr; }

  void SaveToStream(TStream& stream) const;
  // Replaces the operations by the stored ones; on a read error the expression is empty.
  void LoadFromStream(TStream& stream);
  // A copy of the other's operations (references by name).
  void Assign(const TOrvaParser& other);
  void Clear();
  // Appends an operation built by hand.
  void Add(std::unique_ptr<TOpeData> operation);

  int Count() const { return static_cast<int>(operations_.size()); }
  const TOpeData& Operation(int index) const { return *operations_.at(static_cast<size_t>(index)); }

 private:
  void Prepare();
  void Execute(TOpeData& op, TExpressionTemps& temps, TParamCollection& vars);
  TParamCollectionItem& MakeTemp(TOpeData& op, TExpressionTemps& temps);

  std::vector<std::unique_ptr<TOpeData>> operations_;
  std::vector<std::string> tempNames_;
  std::unique_ptr<TExpressionTemps> temps_;
  // Translated at the first evaluation after the operations were set.
  std::unique_ptr<TFastForm> fast_;
  bool busy_ = false;
  std::unique_ptr<TCustomParam> result_;
  bool hasResult_ = false;
  // The last operation assigns "____arg".
  bool givesResult_ = false;
};

}  // namespace orva
