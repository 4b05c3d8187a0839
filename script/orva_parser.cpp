#include "script/orva_parser.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <new>
#include <unordered_map>

#include "core/encoding.h"
#include "core/stream.h"
#include "script/conversions.h"
#include "script/fast_form.h"
#include "script/operator_rules.h"
#include "script/param_collection.h"
#include "script/param_var.h"
#include "script/script_error.h"
#include "script/sys_func_man.h"

namespace orva {
namespace {

TEvaluationErrorHook& ErrorHook() {
  static TEvaluationErrorHook hook;
  return hook;
}

bool IsTempName(std::string_view name) { return name.substr(0, TempPrefix.size()) == TempPrefix; }

// The fewest bytes of a stored operation (opcode, empty destination, operand count) and of
// a stored operand (tag and a flag byte).
constexpr int64_t kMinOperationBytes = 9;
constexpr int64_t kMinOperandBytes = 2;

enum : uint8_t { tagInt = 1, tagFloat = 2, tagFlag = 3, tagStr = 4, tagVar = 0 };

std::unique_ptr<TCustomParam> ReadOperand(TStream& stream) {
  const uint8_t tag = ReadStreamByte(stream);
  switch (tag) {
    case tagInt: {
      auto v = std::make_unique<TParamInt>();
      v->SetAsInteger(ReadStreamInt(stream));
      return v;
    }
    case tagFloat: {
      uint8_t bytes[10] = {};
      stream.Read(bytes, 10);
      auto v = std::make_unique<TParamFloat>();
      v->SetAsFloat(FloatFromBytes(bytes));
      return v;
    }
    case tagFlag: {
      auto v = std::make_unique<TParamFlag>();
      v->SetAsBoolean(ReadStreamByte(stream) != 0);
      return v;
    }
    case tagStr: {
      auto v = std::make_unique<TParamStr>();
      v->SetAsString(ReadStreamString(stream));
      return v;
    }
    default: {
      auto v = std::make_unique<TParamVar>();
      v->SetName(ReadStreamString(stream));
      return v;
    }
  }
}

void WriteOperand(TStream& stream, const TCustomParam& operand) {
  switch (operand.Kind()) {
    case pkInt:
      WriteStreamByte(stream, tagInt);
      WriteStreamInt(stream, operand.GetAsInteger());
      break;
    case pkFloat: {
      WriteStreamByte(stream, tagFloat);
      uint8_t bytes[10];
      FloatToBytes(operand.GetAsFloat(), bytes);
      stream.WriteBuffer(bytes, 10);
      break;
    }
    case pkFlag:
      WriteStreamByte(stream, tagFlag);
      WriteStreamByte(stream, operand.GetAsBoolean() ? 1 : 0);
      break;
    case pkStr:
      WriteStreamByte(stream, tagStr);
      WriteStreamString(stream, operand.GetAsString());
      break;
    default:
      WriteStreamByte(stream, tagVar);
      WriteStreamString(stream, operand.Kind() == pkVar ? static_cast<const TParamVar&>(operand).Name() : std::string());
      break;
  }
}

std::unique_ptr<TCustomParam> CopyOperand(const TCustomParam& operand) {
  if (operand.Kind() == pkVar) {
    auto v = std::make_unique<TParamVar>();
    v->SetName(static_cast<const TParamVar&>(operand).Name());
    return v;
  }
  std::unique_ptr<TCustomParam> v = CreateParam(operand.Kind());
  v->CopyFrom(operand);
  return v;
}

// The zero of the value's own type again, keeping what it has allocated.
void ResetValue(TCustomParam& value) {
  switch (value.Kind()) {
    case pkInt: static_cast<TParamInt&>(value).Reset(); break;
    case pkFloat: static_cast<TParamFloat&>(value).Reset(); break;
    case pkFlag: static_cast<TParamFlag&>(value).Reset(); break;
    case pkStr: static_cast<TParamStr&>(value).Reset(); break;
    case pkVar: {
      auto& var = static_cast<TParamVar&>(value);
      var.Unbind();
      var.SetName({});
      var.SetElementIndex(0);
      break;
    }
    default: break;
  }
}

// Operands an opcode reads (operand 0 types every temporary but a call's).
int RequiredOperands(uint8_t opcode) {
  switch (opcode) {
    case ocTo:
    case ocDimTo: return 1;
    case ocNone:
    case ocFunc: return 0;
    default: return opcode < OperatorCount ? 2 : 0;
  }
}

[[noreturn]] void RaiseBadOperation(const TOpeData& op) {
  std::string text = Sjis("不正な式\r\n\r\n代入先:") + op.Dest() + Sjis("演算タイプ:");
  text += op.Opcode() < OperatorCount ? std::string(OperatorNames[op.Opcode()]) : IntToText(op.Opcode());
  for (int i = 0; i < op.OperandCount(); ++i) {
    text += "\r\n";
    try {
      text += op.Operand(i).GetAsString();
    } catch (const std::exception&) {
    }
  }
  throw EScriptError(text);
}

// The type of the temporary an operation makes; the left type is operand 0's.
int TempType(const TOpeData& op) {
  const uint8_t opcode = op.Opcode();
  const TParamType left = op.OperandCount() > 0 ? op.Operand(0).GetParamType() : PT_NONE;
  if (opcode == ocFunc && op.Function() >= BuiltinFunctionCount) RaiseBadOperation(op);
  if (opcode < OperatorCount && opcode != ocNone && (opcode != ocFunc || op.Function() != bfGetProp))
    return TempTypeOf(opcode, op.Function(), left);
  if (opcode != ocFunc) RaiseBadOperation(op);
  // GetProp: the type of the property read, by the low byte of its code.
  if (op.OperandCount() < 2) RaiseBadOperation(op);
  const uint8_t code = static_cast<uint8_t>(op.Operand(1).GetAsInteger());
  if (code >= PropertyCount) RaiseScriptError("GetPropの引数が違います");
  return PropertyTypes[code];
}

bool Compare(uint8_t opcode, const TCustomParam& a, const TCustomParam& b) {
  switch (a.GetParamType()) {
    case PT_STR: {
      // Bytes as unsigned numbers; a prefix is the smaller.
      const int c = a.GetAsString().compare(b.GetAsString());
      return CompareHolds(opcode, c < 0 ? -1 : c > 0 ? 1 : 0);
    }
    case PT_FLOAT: {
      const long double x = a.GetAsFloat(), y = b.GetAsFloat();
      if (std::isnan(x) || std::isnan(y)) return opcode == ocNEqual;
      return CompareHolds(opcode, Order(x, y));
    }
    case PT_BOOL: return CompareHolds(opcode, Order<int>(a.GetAsBoolean(), b.GetAsBoolean()));
    default: return CompareHolds(opcode, Order(a.GetAsInteger(), b.GetAsInteger()));
  }
}

void Arithmetic(uint8_t opcode, TParamCollectionItem& dest, const TCustomParam& a, const TCustomParam& b) {
  if (dest.GetParamType() == PT_FLOAT) {
    const long double x = a.GetAsFloat(), y = b.GetAsFloat();
    const long double r = FloatArithmetic(opcode, x, y);
    if (FloatFaults(x, y, r)) throw EMathError("Floating point overflow or invalid operation");
    dest.SetAsFloat(r);
    return;
  }
  const int32_t x = a.GetAsInteger(), y = b.GetAsInteger();
  dest.SetAsInteger(IntegerArithmetic(opcode, x, y));
}

}  // namespace

void SetEvaluationErrorHook(TEvaluationErrorHook hook) { ErrorHook() = std::move(hook); }

// ---- TOpeData ----

TOpeData::TOpeData(uint8_t opcode, std::string_view dest, uint8_t function)
    : opcode_(opcode), function_(function), dest_(dest) {}

void TOpeData::AddOperand(std::unique_ptr<TCustomParam> operand) { operands_.push_back(std::move(operand)); }

void TOpeData::SaveToStream(TStream& stream) const {
  WriteStreamByte(stream, opcode_);
  WriteStreamString(stream, dest_);
  WriteStreamInt(stream, static_cast<int32_t>(operands_.size()));
  if (opcode_ == ocFunc) WriteStreamByte(stream, function_);
  for (const auto& operand : operands_) WriteOperand(stream, *operand);
}

void TOpeData::LoadFromStream(TStream& stream) {
  opcode_ = ReadStreamByte(stream);
  ReadStreamString(stream, dest_);
  destKey_ = 0;
  const int32_t count = ReadStreamCount(stream, kMinOperandBytes);
  function_ = opcode_ == ocFunc ? ReadStreamByte(stream) : 0;
  operands_.clear();
  operands_.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) operands_.push_back(ReadOperand(stream));
}

// ---- TOrvaParser ----

TOrvaParser::TOrvaParser() = default;

TOrvaParser::~TOrvaParser() = default;

void TOrvaParser::Clear() {
  operations_.clear();
  Prepare();
}

void TOrvaParser::Add(std::unique_ptr<TOpeData> operation) {
  operations_.push_back(std::move(operation));
  Prepare();
}

void TOrvaParser::SaveToStream(TStream& stream) const {
  WriteStreamInt(stream, static_cast<int32_t>(operations_.size()));
  for (const auto& op : operations_) op->SaveToStream(stream);
}

void TOrvaParser::LoadFromStream(TStream& stream) {
  Clear();
  std::vector<std::unique_ptr<TOpeData>> operations(static_cast<size_t>(ReadStreamCount(stream, kMinOperationBytes)));
  for (auto& op : operations) {
    op = std::make_unique<TOpeData>();
    op->LoadFromStream(stream);
  }
  operations_ = std::move(operations);
  Prepare();
}

void TOrvaParser::Assign(const TOrvaParser& other) {
  if (&other == this) return;
  std::vector<std::unique_ptr<TOpeData>> operations;
  for (const auto& source : other.operations_) {
    auto op = std::make_unique<TOpeData>(source->opcode_, source->dest_, source->function_);
    for (const auto& operand : source->operands_) op->AddOperand(CopyOperand(*operand));
    operations.push_back(std::move(op));
  }
  operations_ = std::move(operations);
  Prepare();
}

void TOrvaParser::Prepare() {
  tempNames_.clear();
  std::unordered_map<std::string_view, int> slots;
  auto slotOf = [&](const std::string& name) {
    if (!IsTempName(name)) return -1;
    auto [it, added] = slots.emplace(name, static_cast<int>(tempNames_.size()));
    if (added) tempNames_.push_back(name);
    return it->second;
  };
  for (auto& op : operations_) {
    op->destSlot_ = slotOf(op->dest_);
    op->operandSlots_.clear();
    op->args_.clear();
    op->literalCopies_.clear();
    op->destLookupStore_ = nullptr;
    for (auto& operand : op->operands_) {
      const bool isVar = operand->Kind() == pkVar;
      op->operandSlots_.push_back(isVar ? slotOf(static_cast<TParamVar&>(*operand).Name()) : -1);
      if (op->opcode_ != ocFunc) continue;
      if (isVar) {
        op->args_.push_back(operand.get());
      } else {
        op->literalCopies_.push_back(CopyOperand(*operand));
        op->args_.push_back(op->literalCopies_.back().get());
      }
    }
  }
  givesResult_ = !operations_.empty() && operations_.back()->opcode_ == ocTo &&
                 operations_.back()->dest_ == ResultTempName;
  // The frames of earlier operations no longer match the slots; made again at the next
  // evaluation (most expressions of a page are read and never run).
  temps_.reset();
  fast_.reset();
}

void TOrvaParser::Evaluate(TParamCollection& vars) {
  hasResult_ = false;
  if (busy_) {
    // Run inside its own evaluation (a function evaluating this expression again): a copy
    // has operands and temporaries of its own.
    TOrvaParser copy;
    copy.Assign(*this);
    copy.Evaluate(vars);
    result_ = std::move(copy.result_);
    hasResult_ = copy.hasResult_;
    return;
  }
  struct BusyGuard {
    bool& busy;
    ~BusyGuard() { busy = false; }
  } guard{busy_};
  busy_ = true;
  if (!temps_) temps_ = std::make_unique<TExpressionTemps>();
  TExpressionTemps& temps = *temps_;
  temps.Begin(tempNames_.size());

  TFastForm* fast = nullptr;
  if (FastFormEnabled()) {
    if (!fast_) fast_ = std::make_unique<TFastForm>(operations_);
    fast = fast_.get();
  }
  try {
    for (size_t i = 0, n = operations_.size(); i < n;) {
      const int ran = fast ? fast->Run(i, temps, vars) : 0;
      if (ran) {
        i += static_cast<size_t>(ran);
      } else {
        Execute(*operations_[i], temps, vars);
        ++i;
      }
    }
  } catch (const std::exception& error) {
    // The expression ends here; what earlier operations wrote stays.
    if (ErrorHook()) ErrorHook()(*this, error);
  }

  if (!givesResult_) return;
  const TOpeData& last = *operations_.back();
  if (!temps.Live(last.destSlot_)) return;
  const TParamCollectionItem& arg = temps.Item(last.destSlot_);
  const TParamType type = arg.GetParamType();
  if (type < PT_INT || type > PT_STR) RaiseScriptError(ResultTempName, ":不正な変数です");
  if (!result_ || result_->Kind() != static_cast<TParamKind>(type)) result_ = CreateParam(type);
  result_->CopyFrom(arg.Value());
  hasResult_ = true;
}

void TOrvaParser::Execute(TOpeData& op, TExpressionTemps& temps, TParamCollection& vars) {
  // Operands hold their variables only while the operation runs.
  struct UnbindGuard {
    TOpeData& op;
    ~UnbindGuard() {
      for (auto& operand : op.operands_)
        if (operand->Kind() == pkVar) static_cast<TParamVar&>(*operand).Unbind();
    }
  } unbind{op};

  const size_t n = op.operands_.size();
  for (size_t i = 0; i < n; ++i) {
    if (op.operands_[i]->Kind() != pkVar) continue;
    auto& var = static_cast<TParamVar&>(*op.operands_[i]);
    const int slot = op.operandSlots_[i];
    if (slot >= 0 && temps.Live(slot))
      var.BindOperand(&temps.Item(slot));
    else
      var.Resolve(vars);
  }
  if (n < static_cast<size_t>(RequiredOperands(op.opcode_))) RaiseBadOperation(op);

  // A temporary destination is made by the first operation that writes it, typed by it.
  TParamCollectionItem* dest = nullptr;
  if (op.destSlot_ >= 0 && !temps.Live(op.destSlot_)) {
    dest = &MakeTemp(op, temps);
  } else if (op.destSlot_ >= 0) {
    dest = &temps.Item(op.destSlot_);
  } else {
    const uint64_t stamp = vars.LookupStamp();
    if (op.destLookupStore_ != &vars || op.destLookupStamp_ != stamp) {
      if (!op.destKey_) op.destKey_ = THashCollection::KeyOf(op.dest_);
      op.destLookup_ = vars.Find(op.dest_, op.destKey_);
      op.destLookupStore_ = &vars;
      op.destLookupStamp_ = stamp;
    }
    dest = op.destLookup_;
    if (!dest) RaiseQuotedError(op.dest_, " 変数がありません");
  }

  const uint8_t opcode = op.opcode_;
  if (opcode == ocTo) {
    const TCustomParam& source = *op.operands_[0];
    switch (dest->GetParamType()) {
      case PT_INT: dest->SetAsInteger(source.GetAsInteger()); break;
      case PT_FLOAT: dest->SetAsFloat(source.GetAsFloat()); break;
      case PT_BOOL: dest->SetAsBoolean(source.GetAsBoolean()); break;
      case PT_STR: dest->SetAsString(source.GetAsString()); break;
      default: break;  // an unbound reference is not written
    }
  } else if (IsArithmetic(opcode)) {
    Arithmetic(opcode, *dest, *op.operands_[0], *op.operands_[1]);
  } else if (IsIntegerOperation(opcode)) {
    dest->SetAsInteger(IntegerOperation(opcode, op.operands_[0]->GetAsInteger(), op.operands_[1]->GetAsInteger()));
  } else if (IsComparison(opcode)) {
    dest->SetAsBoolean(Compare(opcode, *op.operands_[0], *op.operands_[1]));
  } else if (opcode == ocComboStr) {
    std::string text = op.operands_[0]->GetAsString();
    const std::string tail = op.operands_[1]->GetAsString();
    if (static_cast<int64_t>(text.size() + tail.size()) > MaxTextBytes) throw std::bad_alloc();
    text += tail;
    dest->SetAsString(text);
  } else if (opcode == ocFunc) {
    if (TSysFuncMan* functions = vars.Functions()) {
      for (size_t i = 0, k = 0; i < n; ++i)
        if (op.operands_[i]->Kind() != pkVar) op.literalCopies_[k++]->CopyFrom(*op.operands_[i]);
      functions->Execute(*dest, op.function_, op.args_);
    }
  }
  // ocNone, ocDimTo and codes without an operation do nothing here.
}

TParamCollectionItem& TOrvaParser::MakeTemp(TOpeData& op, TExpressionTemps& temps) {
  const int type = TempType(op);
  std::unique_ptr<TParamCollectionItem>& slot = temps.items[static_cast<size_t>(op.destSlot_)];
  if (!slot) {
    slot = std::make_unique<TParamCollectionItem>(CreateParam(type));
    slot->SetName(tempNames_[static_cast<size_t>(op.destSlot_)]);
  } else if (slot->Value().Kind() != static_cast<TParamKind>(type)) {
    slot->SetParamType(type);
  } else {
    ResetValue(slot->Value());
  }
  temps.made[static_cast<size_t>(op.destSlot_)] = temps.evaluation;
  if (op.opcode_ != ocDimTo) return *slot;

  // An element reference: bound to the variable operand 0 resolved to, at operands 1..n.
  const size_t count = op.operands_.size() - 1;
  std::array<int32_t, 16> fixed;
  std::vector<int32_t> many;
  std::span<int32_t> indices(fixed.data(), std::min(count, fixed.size()));
  if (count > fixed.size()) {
    many.resize(count);
    indices = many;
  }
  for (size_t i = 0; i < count; ++i) indices[i] = op.operands_[i + 1]->GetAsInteger();
  const TCustomParam& base = *op.operands_[0];
  if (base.Kind() == pkVar) {
    const auto& var = static_cast<const TParamVar&>(base);
    slot->DimTo(var.Name(), var.Target(), indices);
  } else {
    slot->DimTo(base.GetAsString(), nullptr, indices);
  }
  return *slot;
}

}  // namespace orva
