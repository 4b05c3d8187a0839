#pragma once
// The single-instance guard of the main block, named after the game directory.

#include <memory>
#include <string_view>

#include "platform/instance_lock.h"

namespace orva {

using TSingleInstanceMutex = std::unique_ptr<TInstanceLock>;

// A held guard, or none when another instance (in any process, this one too) holds the name.
TSingleInstanceMutex CreateSingleInstanceMutex(std::string_view name);
// Releases the guard; none does nothing.
void ReleaseSingleInstanceMutex(TSingleInstanceMutex& handle);

}  // namespace orva
