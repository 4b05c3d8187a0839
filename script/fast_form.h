#pragma once
// The translated form of a compiled expression: each operation of the commonest shapes as a
// step specialised for the values it meets (integers, floats, flags and texts read in place,
// no binding of operands, lookups kept while the store's lookup stamp stands). A step checks
// every guess before it touches anything; when one fails it does nothing and the operation
// runs through the general path, which stays the reference for every case.

#include <cstdint>
#include <memory>
#include <vector>

#include "script/param_collection.h"

namespace orva {

class TOpeData;

// The temporaries of an expression's evaluation: one slot per temporary name. The slots are
// reused from one evaluation to the next; a slot is live when it was made in the current one.
struct TExpressionTemps {
  std::vector<std::unique_ptr<TParamCollectionItem>> items;
  std::vector<uint64_t> made;
  uint64_t evaluation = 0;

  TExpressionTemps();
  ~TExpressionTemps();
  void Begin(size_t count) {
    if (items.size() < count) {
      items.resize(count);
      made.resize(count, 0);
    }
    ++evaluation;
  }
  bool Live(int slot) const { return made[static_cast<size_t>(slot)] == evaluation; }
  TParamCollectionItem& Item(int slot) const { return *items[static_cast<size_t>(slot)]; }
  void MarkMade(int slot) { made[static_cast<size_t>(slot)] = evaluation; }
};

// Off: every operation runs through the general path (the differential tests compare both).
inline bool fastFormEnabled = true;
inline void SetFastFormEnabled(bool enabled) { fastFormEnabled = enabled; }
inline bool FastFormEnabled() { return fastFormEnabled; }

class TFastForm {
 public:
  explicit TFastForm(const std::vector<std::unique_ptr<TOpeData>>& operations);
  ~TFastForm();
  TFastForm(const TFastForm&) = delete;
  TFastForm& operator=(const TFastForm&) = delete;

  // Runs operation `index` (with the one after it when the two were fused); returns the
  // number of operations run, 0 when operation `index` is left to the general path.
  int Run(size_t index, TExpressionTemps& temps, TParamCollection& vars);

  struct TStep;

 private:
  std::vector<TStep> steps_;
};

}  // namespace orva
