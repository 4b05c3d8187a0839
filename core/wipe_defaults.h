#pragma once
// The default parameter pair of every transition, by WP_ number: what a new transition is
// given before the script sets its own. The table belongs to the program, not to one
// transition, and changes at run time: the project points WP_ZOOMIN at the middle of its
// screen once it knows the screen's size.

#include <array>
#include <cstdint>

#include "core/vocabulary.h"

namespace orva {

struct TWipeParams {
  int32_t Param0 = 0;
  int32_t Param1 = 0;
  friend bool operator==(const TWipeParams&, const TWipeParams&) = default;
};

using TWipeParamTable = std::array<TWipeParams, WipeTypeCount>;

// The table the transitions are made with (row WP_NONE is not used).
TWipeParamTable& WipeDefaultParams();
// The pairs the program starts with.
const TWipeParamTable& InitialWipeParams();

}  // namespace orva
