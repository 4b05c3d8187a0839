#include "text/cache_pictures.h"

#include "core/exceptions.h"
#include "core/file_manager.h"
#include "scene/image_cache.h"

namespace orva {

namespace {

// The cache item's frames, held for one user; the cache refills the same surfaces after a
// display change, so the frames stay valid.
class TCachePicture final : public TInlinePicture {
 public:
  TCachePicture(TVaskItem& item, const void* user) : item_(item), user_(user) {}
  ~TCachePicture() override { item_.Release(user_); }

  int Count() override { return item_.GetFrameCount(); }
  TInlineFrame Frame(int index) override {
    TVaskItemFrame& frame = item_.GetFrame(index);
    return {frame.Image.get(), frame.Mask.get(), frame.Delay};
  }

 private:
  TVaskItem& item_;
  const void* user_;
};

}  // namespace

std::unique_ptr<TInlinePicture> TCachePictureSource::Load(const std::string& name, const void* user) {
  TOrvaImageCache* cache = GetImageCache();
  if (!cache || !FileManager || !FileManager->FileExists(name)) return nullptr;
  try {
    return std::make_unique<TCachePicture>(cache->Collection().Acquire(user, name, false, false), user);
  } catch (const Exception&) {
    // A damaged picture lays out as none.
    return nullptr;
  }
}

}  // namespace orva
