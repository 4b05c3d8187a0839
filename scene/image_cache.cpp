#include "scene/image_cache.h"

#include "script/project_link.h"

namespace orva {

TOrvaImageCache::TOrvaImageCache() : collection_(services_) {}
TOrvaImageCache::~TOrvaImageCache() = default;

bool TOrvaImageCache::Services::FileAvailable(std::string_view name) {
  return Project ? Project->FileAvailable(name) : FileExists(name);
}

}  // namespace orva
