#include "core/single_instance.h"

namespace orva {

TSingleInstanceMutex CreateSingleInstanceMutex(std::string_view name) { return TInstanceLock::TryAcquire(name); }

void ReleaseSingleInstanceMutex(TSingleInstanceMutex& handle) { handle.reset(); }

}  // namespace orva
