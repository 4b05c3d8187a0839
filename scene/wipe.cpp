#include "scene/wipe.h"

#include <utility>

#include "core/lists.h"
#include "core/vocabulary.h"

namespace orva {

namespace {

using TParamPair = std::array<int32_t, 2>;

// The default Param0, Param1 of every WP_ number (row 0 unused).
constexpr std::array<TParamPair, WipeNumberCount> BuiltInDefaults = {{
    {0, 0},  {0, 0},  {20, 1}, {20, 1}, {30, 1}, {30, 1}, {0, 0},  {0, 0},  {80, 30}, {80, 30},
    {80, 30}, {0, 0},  {0, 0},  {0, 0},  {0, 0},  {0, 0},  {0, 0},  {0, 0},  {0, 0},   {0, 0},
    {0, 0},  {0, 0},  {0, 0},  {0, 0},  {5, 0},  {0, 0},  {0, 0},  {0, 0},  {0, 0},   {64, 3},
    {0, 0},  {0, 0},  {0, 0},  {0, 0},  {0, 0},  {0, 0},  {0, 0},  {60, 0}, {60, 0},
}};

std::array<TParamPair, WipeNumberCount>& Defaults() {
  static std::array<TParamPair, WipeNumberCount> defaults = BuiltInDefaults;
  return defaults;
}

std::array<TWipeConstructor, WipeNumberCount>& Classes() {
  static std::array<TWipeConstructor, WipeNumberCount> classes;
  return classes;
}

}  // namespace

TWipeConstructor RegisterWipeClass(int number, TWipeConstructor constructor) {
  if (number < 1 || number >= WipeNumberCount) RaiseListIndexError(number);
  return std::exchange(Classes()[size_t(number)], std::move(constructor));
}

std::unique_ptr<TCustomWipe> CreateWipe(int number, TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB) {
  number &= 0xFF;
  if (number == 0 || number >= WipeNumberCount) return nullptr;
  const TWipeConstructor& constructor = Classes()[size_t(number)];
  if (!constructor) return nullptr;
  std::unique_ptr<TCustomWipe> wipe = constructor(dest, srcA, srcB);
  if (!wipe) return nullptr;
  wipe->SetParam(0, Defaults()[size_t(number)][0]);
  wipe->SetParam(1, Defaults()[size_t(number)][1]);
  return wipe;
}

int32_t WipeDefaultParam(int number, int index) {
  if (number < 0 || number >= WipeNumberCount) return 0;
  return Defaults()[size_t(number)][size_t(index & 1)];
}

void SetZoomInDefaultParams(int32_t screenWidth, int32_t screenHeight) {
  Defaults()[WP_ZOOMIN] = {screenWidth / 2, screenHeight / 2};
}

void ResetWipeDefaultParams() { Defaults() = BuiltInDefaults; }

}  // namespace orva
