#include "core/desktop.h"

namespace orva {

bool SetWallPaper(std::string_view, int32_t) { return false; }

}  // namespace orva
