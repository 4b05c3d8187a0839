#include "core/wipe_defaults.h"

namespace orva {

namespace {

constexpr TWipeParamTable MakeInitial() {
  TWipeParamTable t{};
  t[WP_BLINDH] = t[WP_BLINDV] = {20, 1};
  t[WP_CURTAINH] = t[WP_CURTAINV] = {30, 1};
  t[WP_GRID] = t[WP_GRIDH] = t[WP_GRIDV] = {80, 30};
  t[WP_RIPPLE] = {5, 0};
  t[WP_CRACK] = {64, 3};
  t[WP_BLOCKCOIL] = t[WP_BLOCKRANDOM] = {60, 0};
  return t;
}

constexpr TWipeParamTable kInitial = MakeInitial();

}  // namespace

TWipeParamTable& WipeDefaultParams() {
  static TWipeParamTable table = kInitial;
  return table;
}

const TWipeParamTable& InitialWipeParams() { return kInitial; }

}  // namespace orva
