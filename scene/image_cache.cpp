#include "scene/image_cache.h"

#include "core/file_manager.h"
#include "script/project_link.h"

namespace orva {

TOrvaImageCache::TOrvaImageCache() : collection_(services_) {}
TOrvaImageCache::~TOrvaImageCache() = default;

bool TOrvaImageCache::Services::FileAvailable(std::string_view name) {
  return Project ? Project->FileAvailable(name) : FileExists(name);
}

bool GameFileAvailable(std::string_view name) {
  if (TOrvaImageCache* cache = GetImageCache()) return cache->FileAvailable(name);
  return FileManager && FileManager->FileExists(name);
}

}  // namespace orva
