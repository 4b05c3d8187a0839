#include "script/sys_func_man.h"

namespace orva {

// The function families are added by their own units; until then a call leaves the
// destination at its initial value.
void TSysFuncMan::Execute(TParamCollectionItem&, uint8_t, std::span<TCustomParam* const>) {}

}  // namespace orva
