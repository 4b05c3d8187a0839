#pragma once
// The one executor of the 142 built-in functions. An expression's call operation hands it
// the destination variable, the function number and the argument values; the function
// writes its result into the destination and may write into variable arguments.

#include <cstdint>
#include <span>

namespace orva {

class TCustomParam;
class TParamCollectionItem;

class TSysFuncMan {
 public:
  virtual ~TSysFuncMan() = default;
  // Carries out function `index` (0..141); an index above 141 does nothing. Failures are
  // exceptions, which end the evaluation of the expression.
  virtual void Execute(TParamCollectionItem& dest, uint8_t index, std::span<TCustomParam* const> args);
};

}  // namespace orva
