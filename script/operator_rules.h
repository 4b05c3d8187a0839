#pragma once
// The rules of the expression operators shared by the general evaluation and the fast form:
// which family an opcode belongs to, what a comparison's order means, the integer
// operations, and when a float operation counts as a fault.

#include <climits>
#include <cmath>
#include <cstdint>

#include "core/vocabulary.h"
#include "script/conversions.h"
#include "script/script_error.h"

namespace orva {

inline bool IsArithmetic(uint8_t opcode) { return opcode >= ocPlus && opcode <= ocDiv; }
inline bool IsIntegerOperation(uint8_t opcode) {
  return (opcode >= ocMod && opcode <= ocXor) || opcode == ocShiftL || opcode == ocShiftR;
}
inline bool IsComparison(uint8_t opcode) { return (opcode >= ocEqual && opcode <= ocESmall) || opcode == ocNEqual; }

// The type of the temporary an operation makes, by the type of its operand 0 (not for
// GetProp, typed by the property it reads).
inline TParamType TempTypeOf(uint8_t opcode, uint8_t function, TParamType left) {
  if (opcode == ocTo) return left;
  if (opcode == ocPlus) return left == PT_STR || left == PT_FLOAT ? left : PT_INT;
  if (IsArithmetic(opcode)) return left == PT_FLOAT ? PT_FLOAT : PT_INT;
  if (IsIntegerOperation(opcode)) return PT_INT;
  if (IsComparison(opcode)) return PT_BOOL;
  if (opcode == ocComboStr) return PT_STR;
  if (opcode == ocFunc) return BuiltinFunctionResultTypes[function];
  return PT_NONE;  // ocDimTo
}

template <class T>
int Order(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

inline bool CompareHolds(uint8_t opcode, int order) {
  switch (opcode) {
    case ocEqual: return order == 0;
    case ocNEqual: return order != 0;
    case ocBig: return order > 0;
    case ocSmall: return order < 0;
    case ocEBig: return order >= 0;
    default: return order <= 0;  // ocESmall
  }
}

// What the x87 reports as exceptions: a finite operation that overflows, or an invalid one
// that makes a NaN from numbers.
inline bool FloatFaults(long double a, long double b, long double r) {
  return (std::isnan(r) && !std::isnan(a) && !std::isnan(b)) || (std::isinf(r) && std::isfinite(a) && std::isfinite(b));
}

// Whether an integer division or remainder faults (the divide instruction, on both).
inline bool DivisionFaults(int32_t x, int32_t y) { return y == 0 || (x == INT32_MIN && y == -1); }

inline long double FloatArithmetic(uint8_t opcode, long double x, long double y) {
  switch (opcode) {
    case ocPlus: return x + y;
    case ocMinus: return x - y;
    case ocMul: return x * y;
    default:
      if (y == 0.0L) throw EMathError("Floating point division by zero");
      return x / y;
  }
}

// +, - and * wrap around; / truncates.
inline int32_t IntegerArithmetic(uint8_t opcode, int32_t x, int32_t y) {
  switch (opcode) {
    case ocPlus: return WrapAdd(x, y);
    case ocMinus: return WrapSub(x, y);
    case ocMul: return WrapMul(x, y);
    default:
      if (y == 0) throw EMathError("Division by zero");
      if (x == INT32_MIN && y == -1) throw EMathError("Integer overflow");
      return x / y;
  }
}

inline int32_t IntegerOperation(uint8_t opcode, int32_t x, int32_t y) {
  switch (opcode) {
    case ocMod:
      // The divide instruction faults on both, as for "/".
      if (y == 0) throw EMathError("Division by zero");
      if (x == INT32_MIN && y == -1) throw EMathError("Integer overflow");
      return x % y;
    case ocOr: return x | y;
    case ocAnd: return x & y;
    case ocXor: return x ^ y;
    case ocShiftL: return static_cast<int32_t>(static_cast<uint32_t>(x) << (y & 31));
    default: return static_cast<int32_t>(static_cast<uint32_t>(x) >> (y & 31));  // ocShiftR
  }
}

}  // namespace orva
