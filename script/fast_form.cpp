#include "script/fast_form.h"

#include <climits>
#include <cmath>
#include <string>
#include <typeinfo>

#include "core/hash_collection.h"
#include "script/conversions.h"
#include "script/operator_rules.h"
#include "script/orva_parser.h"
#include "script/param_collection.h"
#include "script/param_var.h"
#include "script/sys_func_man.h"

namespace orva {
namespace {

bool IsData(TParamKind kind) { return kind >= pkInt && kind <= pkStr; }

// One element of a data value.
struct TPlace {
  TCustomParam* value = nullptr;
  int32_t index = 0;
  TParamKind Kind() const { return value->Kind(); }
};

template <class P>
auto& At(const TPlace& place) {
  return static_cast<P*>(place.value)->Items()[static_cast<size_t>(place.index)];
}

template <class P>
bool InRange(const TPlace& place) {
  return static_cast<size_t>(place.index) < static_cast<P*>(place.value)->Items().size();
}

template <class P>
bool HoldsScalar(const TCustomParam& value) {
  const auto& data = static_cast<const P&>(value);
  return data.Dims().empty() && data.Items().size() == 1;
}

size_t Size(const TCustomParam& value) {
  switch (value.Kind()) {
    case pkInt: return static_cast<const TParamInt&>(value).Items().size();
    case pkFloat: return static_cast<const TParamFloat&>(value).Items().size();
    case pkFlag: return static_cast<const TParamFlag&>(value).Items().size();
    default: return static_cast<const TParamStr&>(value).Items().size();
  }
}

// A scalar the setters write without reshaping it first.
bool IsPlainScalar(const TCustomParam& value) {
  switch (value.Kind()) {
    case pkInt: return HoldsScalar<TParamInt>(value);
    case pkFloat: return HoldsScalar<TParamFloat>(value);
    case pkFlag: return HoldsScalar<TParamFlag>(value);
    case pkStr: return HoldsScalar<TParamStr>(value);
    default: return false;
  }
}

void ResetData(TCustomParam& value) {
  switch (value.Kind()) {
    case pkInt: static_cast<TParamInt&>(value).Reset(); break;
    case pkFloat: static_cast<TParamFloat&>(value).Reset(); break;
    case pkFlag: static_cast<TParamFlag&>(value).Reset(); break;
    default: static_cast<TParamStr&>(value).Reset(); break;
  }
}

// Reads by the conversions of the data classes, only those that cannot raise.
bool ReadInt(const TPlace& p, int32_t& out) {
  switch (p.Kind()) {
    case pkInt: return InRange<TParamInt>(p) && ((out = At<TParamInt>(p)), true);
    case pkFlag: return InRange<TParamFlag>(p) && ((out = At<TParamFlag>(p) ? 1 : 0), true);
    default: return false;
  }
}
bool ReadFloat(const TPlace& p, long double& out) {
  switch (p.Kind()) {
    case pkInt: return InRange<TParamInt>(p) && ((out = At<TParamInt>(p)), true);
    case pkFloat: return InRange<TParamFloat>(p) && ((out = At<TParamFloat>(p)), true);
    case pkFlag: return InRange<TParamFlag>(p) && ((out = At<TParamFlag>(p) ? 1.0L : 0.0L), true);
    default: return false;
  }
}
bool ReadBool(const TPlace& p, bool& out) {
  switch (p.Kind()) {
    case pkInt: return InRange<TParamInt>(p) && ((out = At<TParamInt>(p) != 0), true);
    case pkFloat: return InRange<TParamFloat>(p) && ((out = At<TParamFloat>(p) != 0.0L), true);
    case pkFlag: return InRange<TParamFlag>(p) && ((out = At<TParamFlag>(p) != 0), true);
    default: return false;
  }
}
const std::string* ReadText(const TPlace& p) {
  return p.Kind() == pkStr && InRange<TParamStr>(p) ? &At<TParamStr>(p) : nullptr;
}

// Whether a value of the type goes into an element of the kind without a conversion that
// can raise.
bool Accepts(TParamKind kind, TParamType type) {
  switch (type) {
    case PT_INT:
    case PT_BOOL: return kind == pkInt || kind == pkFloat || kind == pkFlag;
    case PT_FLOAT: return kind == pkFloat || kind == pkFlag;
    case PT_STR: return kind == pkStr;
    default: return false;
  }
}
void WriteInt(const TPlace& p, int32_t v) {
  switch (p.Kind()) {
    case pkInt: At<TParamInt>(p) = v; break;
    case pkFloat: At<TParamFloat>(p) = v; break;
    default: At<TParamFlag>(p) = v != 0; break;
  }
}
void WriteFloat(const TPlace& p, long double v) {
  if (p.Kind() == pkFloat)
    At<TParamFloat>(p) = v;
  else
    At<TParamFlag>(p) = v != 0.0L;
}
void WriteBool(const TPlace& p, bool v) {
  switch (p.Kind()) {
    case pkInt: At<TParamInt>(p) = v ? 1 : 0; break;
    case pkFloat: At<TParamFloat>(p) = v ? 1.0L : 0.0L; break;
    default: At<TParamFlag>(p) = v; break;
  }
}

// Operands and destinations: a literal, a store variable (its lookup kept while the store's
// lookup stamp stands) or a temporary slot.
struct TRef {
  enum TSource : uint8_t { rLiteral, rStore, rTemp };
  TSource source = rLiteral;
  int slot = -1;
  TCustomParam* literal = nullptr;
  const std::string* name = nullptr;
  uint32_t key = 0;
  TParamCollectionItem* item = nullptr;
  const TParamCollection* store = nullptr;
  uint64_t stamp = 0;

  [[gnu::always_inline]] TParamCollectionItem* Lookup(TParamCollection& vars) {
    const uint64_t now = vars.LookupStamp();
    if (store != &vars || stamp != now) {
      if (!key) key = THashCollection::KeyOf(*name);
      item = vars.Find(*name, key);
      store = &vars;
      stamp = now;
    }
    return item;
  }
};

// Where a temporary's element reference points, when it points at a data element.
bool ElementOf(TCustomParam& value, TPlace& out) {
  auto& ref = static_cast<TParamVar&>(value);
  TParamCollectionItem* target = ref.Target();
  if (!target) return false;
  TCustomParam& data = target->Value();
  if (!IsData(data.Kind())) return false;
  out = {&data, ref.ElementIndex()};
  return out.index >= 0 && static_cast<size_t>(out.index) < Size(data);
}

// The element an operand reads, as the general path would bind it (the readers check that
// it exists).
[[gnu::always_inline]] inline bool ResolveOperand(TRef& ref, const TExpressionTemps& temps, TParamCollection& vars, TPlace& out) {
  switch (ref.source) {
    case TRef::rLiteral: out = {ref.literal, 0}; break;
    case TRef::rStore: {
      TParamCollectionItem* item = ref.Lookup(vars);
      if (!item || !IsData(item->Value().Kind())) return false;
      out = {&item->Value(), 0};
      break;
    }
    case TRef::rTemp: {
      if (!temps.Live(ref.slot)) return false;
      TCustomParam& value = temps.Item(ref.slot).Value();
      if (value.Kind() == pkVar) return ElementOf(value, out);
      if (!IsData(value.Kind())) return false;
      out = {&value, 0};
      break;
    }
  }
  return true;
}

}  // namespace

TExpressionTemps::TExpressionTemps() = default;
TExpressionTemps::~TExpressionTemps() = default;


struct TFastForm::TStep {
  bool fast = false;
  // With the next operation: `s = s ++ x` through a temporary nothing else reads.
  bool appendInPlace = false;
  // With the next operation, which only copies this one's temporary into its destination.
  bool copyToNext = false;
  uint8_t opcode = 0;
  uint8_t function = 0;
  TRef dest;
  std::vector<TRef> operands;
  const std::string* baseName = nullptr;  // ocDimTo: the array's name
  std::vector<int32_t> indices;           // ocDimTo: scratch

  // The destination's element; `make` when it is a temporary this step makes (of type
  // `type`, ready to be reset). Nothing is changed here.
  [[gnu::always_inline]] bool ResolveDest(TExpressionTemps& temps, TParamCollection& vars, TParamType type, TPlace& out, bool& make) {
    make = false;
    TCustomParam* value;
    if (dest.source == TRef::rStore) {
      TParamCollectionItem* item = dest.Lookup(vars);
      if (!item) return false;
      value = &item->Value();
    } else if (!temps.Live(dest.slot)) {
      const auto& slot = temps.items[static_cast<size_t>(dest.slot)];
      if (!slot || slot->Value().Kind() != static_cast<TParamKind>(type)) return false;
      out = {&slot->Value(), 0};
      make = true;
      return IsData(out.Kind());
    } else {
      value = &temps.Item(dest.slot).Value();
      if (value->Kind() == pkVar) return ElementOf(*value, out);
    }
    out = {value, 0};
    return IsPlainScalar(*value);
  }

  void Make(TExpressionTemps& temps, const TPlace& place) {
    if (!IsPlainScalar(*place.value)) ResetData(*place.value);
    temps.MarkMade(dest.slot);
  }
};

TFastForm::TFastForm(const std::vector<std::unique_ptr<TOpeData>>& operations) : steps_(operations.size()) {
  auto refOf = [](const TOpeData& op, int i, TRef& ref) {
    TCustomParam& operand = *op.operands_[static_cast<size_t>(i)];
    if (operand.Kind() == pkVar) {
      const int slot = op.operandSlots_[static_cast<size_t>(i)];
      ref.source = slot >= 0 ? TRef::rTemp : TRef::rStore;
      ref.slot = slot;
      ref.name = &static_cast<const TParamVar&>(operand).Name();
      return true;
    }
    ref.source = TRef::rLiteral;
    ref.literal = &operand;
    return IsData(operand.Kind());
  };
  for (size_t k = 0; k < operations.size(); ++k) {
    const TOpeData& op = *operations[k];
    TStep& step = steps_[k];
    step.opcode = op.Opcode();
    step.function = op.Function();
    const int n = op.OperandCount();
    const uint8_t opcode = op.Opcode();
    bool shape;
    if (opcode == ocTo) shape = n == 1;
    else if (IsArithmetic(opcode) || IsIntegerOperation(opcode) || IsComparison(opcode) || opcode == ocComboStr)
      shape = n == 2;
    else if (opcode == ocFunc)
      shape = n == 1 && (op.Function() == bfAbs || op.Function() == bfLength);
    else if (opcode == ocDimTo)
      shape = n >= 2 && op.destSlot_ >= 0 && op.operands_[0]->Kind() == pkVar && op.operandSlots_[0] < 0;
    else
      shape = false;
    if (!shape) continue;
    step.dest.source = op.destSlot_ >= 0 ? TRef::rTemp : TRef::rStore;
    step.dest.slot = op.destSlot_;
    step.dest.name = &op.Dest();
    step.operands.resize(static_cast<size_t>(n));
    bool all = true;
    for (int i = 0; i < n; ++i) all = refOf(op, i, step.operands[static_cast<size_t>(i)]) && all;
    if (!all) continue;
    if (opcode == ocDimTo) {
      step.baseName = step.operands[0].name;
      step.indices.resize(static_cast<size_t>(n - 1));
    }
    step.fast = true;
  }

  // A temporary that only the next operation reads, copying it into its destination:
  // `s = s ++ x` appends in place, other results go straight to the destination.
  for (size_t k = 0; k + 1 < operations.size(); ++k) {
    TStep& step = steps_[k];
    const TOpeData& next = *operations[k + 1];
    if (!step.fast || !steps_[k + 1].fast || step.dest.source != TRef::rTemp) continue;
    if (step.opcode == ocTo || step.opcode == ocDimTo || next.Opcode() != ocTo) continue;
    if (next.operandSlots_[0] != step.dest.slot || next.destSlot_ == step.dest.slot) continue;
    bool readLater = false;
    for (size_t j = k + 2; j < operations.size(); ++j) {
      const TOpeData& later = *operations[j];
      readLater = readLater || later.destSlot_ == step.dest.slot;
      for (int slot : later.operandSlots_) readLater = readLater || slot == step.dest.slot;
    }
    if (readLater) continue;
    if (step.opcode != ocComboStr)
      step.copyToNext = true;
    else if (step.operands[0].source == TRef::rStore && next.destSlot_ < 0)
      step.appendInPlace = true;
  }
}

TFastForm::~TFastForm() = default;

int TFastForm::Run(size_t index, TExpressionTemps& temps, TParamCollection& vars) {
  TStep& step = steps_[index];
  if (!step.fast) return 0;
  const uint8_t opcode = step.opcode;
  TPlace a, b, d;
  bool make = false;

  if (opcode == ocDimTo) {
    // An element reference of a store array, as TParamCollectionItem::DimTo makes it.
    TParamCollectionItem* base = step.operands[0].Lookup(vars);
    if (!base || !IsData(base->Value().Kind())) return 0;
    for (size_t i = 0; i < step.indices.size(); ++i) {
      TPlace p;
      if (!ResolveOperand(step.operands[i + 1], temps, vars, p) || !ReadInt(p, step.indices[i])) return 0;
    }
    // A data value's dimensions are its own (a scalar has one, of size 1).
    const TCustomParam& array = base->Value();
    const std::vector<int32_t>& dims = array.Dims();
    const size_t count = step.indices.size();
    if (count != (dims.empty() ? 1 : dims.size())) return 0;
    int32_t flat = 0, stride = 1;
    for (size_t k = count; k-- > 0;) {
      flat = WrapAdd(flat, WrapMul(step.indices[k], stride));
      stride = WrapMul(stride, k < dims.size() ? dims[k] : 1);
    }
    if (flat < 0 || static_cast<size_t>(flat) >= Size(array)) return 0;
    if (temps.Live(step.dest.slot)) return 0;
    const auto& slot = temps.items[static_cast<size_t>(step.dest.slot)];
    if (!slot || slot->Value().Kind() != pkVar) return 0;
    auto& ref = static_cast<TParamVar&>(slot->Value());
    ref.SetName(*step.baseName);
    ref.Bind(base);
    ref.SetElementIndex(flat);
    temps.MarkMade(step.dest.slot);
    return 1;
  }

  if (!ResolveOperand(step.operands[0], temps, vars, a)) return 0;

  if (opcode == ocTo) {
    const TParamType type = static_cast<TParamType>(a.Kind());
    if (!step.ResolveDest(temps, vars, type, d, make)) return 0;
    auto copy = [&]<class T>(bool (*read)(const TPlace&, T&), void (*write)(const TPlace&, T)) {
      T v;
      if (!read(a, v)) return 0;
      if (make) step.Make(temps, d);
      write(d, v);
      return 1;
    };
    switch (d.Kind()) {
      case pkInt: return copy(ReadInt, WriteInt);
      case pkFloat: return copy(ReadFloat, WriteFloat);
      case pkFlag: return copy(ReadBool, WriteBool);
      default: {
        const std::string* v = ReadText(a);
        if (!v) return 0;
        if (make) step.Make(temps, d);
        std::string& e = At<TParamStr>(d);
        if (&e != v) e.assign(*v);
        return 1;
      }
    }
  }

  if (opcode != ocFunc && !ResolveOperand(step.operands[1], temps, vars, b)) return 0;

  if (opcode == ocComboStr) {
    const std::string* x = ReadText(a);
    const std::string* y = ReadText(b);
    if (!x || !y || x == y) return 0;
    if (static_cast<int64_t>(x->size() + y->size()) > MaxTextBytes) return 0;
    if (step.appendInPlace) {
      TParamCollectionItem* target = steps_[index + 1].dest.Lookup(vars);
      if (target && &target->Value() == a.value && IsPlainScalar(*a.value)) {
        At<TParamStr>(a).append(*y);
        return 2;
      }
    }
    if (!step.ResolveDest(temps, vars, PT_STR, d, make) || d.Kind() != pkStr) return 0;
    std::string& e = At<TParamStr>(d);
    if (&e == y) return 0;
    if (&e == x) {
      e.append(*y);
      return 1;
    }
    if (make) step.Make(temps, d);
    e.assign(*x);
    e.append(*y);
    return 1;
  }

  // The kind the result is computed for: the temporary's when the next operation only copies
  // it into its destination, else the destination's.
  const TParamType tempType = TempTypeOf(opcode, step.function, static_cast<TParamType>(a.Kind()));
  TParamKind kind;
  if (step.copyToNext) {
    if (temps.Live(step.dest.slot)) return 0;
    kind = static_cast<TParamKind>(tempType);
  } else {
    if (!step.ResolveDest(temps, vars, tempType, d, make)) return 0;
    kind = d.Kind();
  }

  // Stores the result: straight into the next operation's destination when that only copies
  // the temporary (without a conversion: it holds the temporary's type), else into this one's.
  auto finish = [&](TParamType type, auto write) -> int {
    if (step.copyToNext) {
      TStep& next = steps_[index + 1];
      if (static_cast<TParamKind>(type) != kind) return 0;
      if (!next.ResolveDest(temps, vars, tempType, d, make) || d.Kind() != kind) return 0;
      if (make) next.Make(temps, d);
      write(d);
      return 2;
    }
    if (!Accepts(kind, type)) return 0;
    if (make) step.Make(temps, d);
    write(d);
    return 1;
  };

  if (opcode == ocFunc) {
    TSysFuncMan* functions = vars.Functions();
    if (!functions || typeid(*functions) != typeid(TSysFuncMan)) return 0;
    int32_t v;
    if (step.function == bfAbs) {
      if (!ReadInt(a, v)) return 0;
      v = v < 0 ? WrapSub(0, v) : v;
    } else {
      const std::string* text = ReadText(a);
      if (!text) return 0;
      v = static_cast<int32_t>(text->size());
    }
    return finish(PT_INT, [v](const TPlace& p) { WriteInt(p, v); });
  }

  if (IsComparison(opcode)) {
    bool r;
    switch (a.Kind()) {
      case pkStr: {
        const std::string* y = ReadText(b);
        if (!y) return 0;
        const int c = ReadText(a)->compare(*y);
        r = CompareHolds(opcode, c < 0 ? -1 : c > 0 ? 1 : 0);
        break;
      }
      case pkFloat: {
        long double x, y;
        if (!ReadFloat(a, x) || !ReadFloat(b, y)) return 0;
        r = std::isnan(x) || std::isnan(y) ? opcode == ocNEqual : CompareHolds(opcode, Order(x, y));
        break;
      }
      case pkFlag: {
        bool x, y;
        if (!ReadBool(a, x) || !ReadBool(b, y)) return 0;
        r = CompareHolds(opcode, Order<int>(x, y));
        break;
      }
      default: {
        int32_t x, y;
        if (!ReadInt(a, x) || !ReadInt(b, y)) return 0;
        r = CompareHolds(opcode, Order(x, y));
        break;
      }
    }
    return finish(PT_BOOL, [r](const TPlace& p) { WriteBool(p, r); });
  }

  if (IsArithmetic(opcode) && kind == pkFloat) {
    long double x, y;
    if (!ReadFloat(a, x) || !ReadFloat(b, y) || (opcode == ocDiv && y == 0.0L)) return 0;
    const long double r = FloatArithmetic(opcode, x, y);
    if (FloatFaults(x, y, r)) return 0;
    return finish(PT_FLOAT, [r](const TPlace& p) { WriteFloat(p, r); });
  }

  int32_t x, y;
  if (!ReadInt(a, x) || !ReadInt(b, y)) return 0;
  if ((opcode == ocDiv || opcode == ocMod) && DivisionFaults(x, y)) return 0;
  const int32_t r = IsArithmetic(opcode) ? IntegerArithmetic(opcode, x, y) : IntegerOperation(opcode, x, y);
  return finish(PT_INT, [r](const TPlace& p) { WriteInt(p, r); });
}

}  // namespace orva
