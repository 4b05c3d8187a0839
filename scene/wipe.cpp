#include "scene/wipe.h"

#include <utility>

#include "core/lists.h"
#include "core/vocabulary.h"
#include "core/wipe_defaults.h"

namespace orva {

namespace {

std::array<TWipeConstructor, WipeTypeCount>& Classes() {
  static std::array<TWipeConstructor, WipeTypeCount> classes;
  return classes;
}

}  // namespace

TWipeConstructor RegisterWipeClass(int number, TWipeConstructor constructor) {
  if (number < 1 || number >= WipeTypeCount) RaiseListIndexError(number);
  return std::exchange(Classes()[size_t(number)], std::move(constructor));
}

std::unique_ptr<TCustomWipe> CreateWipe(int number, TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB) {
  number &= 0xFF;
  if (number == 0 || number >= WipeTypeCount) return nullptr;
  const TWipeConstructor& constructor = Classes()[size_t(number)];
  if (!constructor) return nullptr;
  std::unique_ptr<TCustomWipe> wipe = constructor(dest, srcA, srcB);
  if (!wipe) return nullptr;
  const TWipeParams& defaults = WipeDefaultParams()[size_t(number)];
  wipe->SetParam(0, defaults.Param0);
  wipe->SetParam(1, defaults.Param1);
  return wipe;
}

}  // namespace orva
