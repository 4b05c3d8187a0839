#include "text/cache_pictures.h"

#include "core/exceptions.h"
#include "core/file_manager.h"
#include "scene/image_cache.h"
#include "scene/image_list.h"

namespace orva {

namespace {

// The frames of one layered image held in a frame list for one user; the cache refills the
// same surfaces after a display change, so the frames stay valid.
class TCachePicture final : public TInlinePicture {
 public:
  int Count() override { return Frames.Count(); }
  TInlineFrame Frame(int index) override {
    TOrvaImageData* frame = Frames.GetItem(index);
    if (!frame) return {};
    return {frame->GetDIB(), frame->GetMask(), frame->GetDelay()};
  }
  void ReleaseSurfaces() override { Frames.ReleaseSurfaces(); }
  void RecreateSurfaces() override { Frames.RecreateSurfaces(); }

  TOrvaImageList Frames;
};

}  // namespace

std::unique_ptr<TInlinePicture> TCachePictureSource::Load(const std::string& name, const void* user) {
  TOrvaImageCache* cache = GetImageCache();
  if (!cache || !FileManager || !FileManager->FileExists(name)) return nullptr;
  auto picture = std::make_unique<TCachePicture>();
  try {
    picture->Frames.LoadFromCache(cache->Collection(), user, name, false);
  } catch (const Exception&) {
    // A damaged picture lays out as none.
    return nullptr;
  }
  return picture;
}

}  // namespace orva
