#pragma once
// The variable store the script fuzz targets evaluate against: a few scalars and an array.

#include "script/param_collection.h"

namespace orva {

inline void AddFuzzVariables(TParamCollection& store) {
  for (const char* name : {"a", "b", "x", "s"}) store.AddVariable(name[0] == 's' ? PT_STR : PT_INT).SetName(name);
  const int32_t sizes[] = {3, 4};
  store.Find("x")->Value().SetDims(sizes);
}

}  // namespace orva
