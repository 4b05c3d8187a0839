#include "scene/scene_picture_link.h"

#include <algorithm>

#include "core/big_stream.h"
#include "core/exceptions.h"
#include "core/game_path.h"
#include "graphics/custom_dibx.h"
#include "graphics/dib_surface.h"
#include "graphics/pixel_layout.h"
#include "graphics/pixel_rows.h"
#include "graphics/vask_frame_list.h"
#include "scene/base_list.h"
#include "scene/image_cache.h"

namespace orva {

void CopyPictureTo24(TCustomDIBX& picture, TDIBSurface& target) {
  const int w = std::min(picture.GetWidth(), target.GetWidth()), h = std::min(picture.GetHeight(), target.GetHeight());
  const int bits = picture.GetStorageBitCount();
  if (w <= 0 || h <= 0 || (bits != 16 && bits != 24 && bits != 32)) return;
  const PixelLayout layout =
      MakePixelLayoutFromMasks(picture.GetRedMask(), picture.GetGreenMask(), picture.GetBlueMask());
  const uint8_t* top = picture.Lock(0, 0);
  const int64_t step = picture.GetRowStep();
  for (int y = 0; y < h; ++y) {
    uint8_t* out = target.ScanLine(y);
    const uint8_t* in = top ? top + y * step : nullptr;
    for (int x = 0; x < w; ++x) {
      const uint32_t raw = in ? LoadRowPixel(in, x, bits) : picture.GetPixel(x, y);
      uint32_t r, g, b;
      DIBPixelToRGB(layout, raw, r, g, b);
      out[3 * x] = static_cast<uint8_t>(b);
      out[3 * x + 1] = static_cast<uint8_t>(g);
      out[3 * x + 2] = static_cast<uint8_t>(r);
    }
  }
  if (top) picture.Unlock();
}

void CaptureLayer(TOrvaBaseList& scene, bool otherLayer, int32_t width, int32_t height, TDIBSurface& picture) {
  TOrvaBase* layer = scene.GetLayer(otherLayer ? 1 - scene.ActiveIndex() : scene.ActiveIndex());
  layer->Paint();
  const int32_t w = scene.GetWidth(), h = scene.GetHeight();
  picture.SetSize(w, h, 24);
  if (picture.GetEmpty()) return;
  picture.FillRect(picture.GetBounds(), 0);
  if (TCustomDIBX* image = layer->GetImage()) CopyPictureTo24(*image, picture);
  if (width != w || height != h) picture.Resize(width, height, true, -1);
}

int32_t TScenePictureLink::ScreenWidth() { return scene_.GetWidth(); }

int32_t TScenePictureLink::ScreenHeight() { return scene_.GetHeight(); }

void TScenePictureLink::WriteCapture(TStream& stream, bool otherLayer, int32_t width, int32_t height, int mode) {
  TVaskFrameList frames;
  CaptureLayer(scene_, otherLayer, width, height, frames.Add().Surface);
  frames.SaveToStream(stream, mode);
}

void TScenePictureLink::WriteScreenBmp(const std::string& path) {
  TCustomDIBX* image = scene_.ActiveLayer()->GetImage();
  if (!image || image->IsEmpty()) throw EWriteError("no picture to write");
  TDIBSurface picture;
  picture.SetSize(image->GetWidth(), image->GetHeight(), 24);
  CopyPictureTo24(*image, picture);
  TWzBigFileStream file(GamePath(path), TWzBigFileStream::fmCreate);
  picture.SaveToStream(file);
  file.Commit();
}

void TScenePictureLink::RemoveCachedPicture(std::string_view name) {
  if (TOrvaImageCache* cache = GetImageCache()) cache->Collection().RemoveName(name);
}

namespace {

class TNoPicture final : public TPictureHold {
 public:
  int FrameCount() override { return 0; }
  void SaveFirstFrame(const std::string&) override {}
};

// The hold itself is the cache item's user.
class TCachedPicture final : public TPictureHold {
 public:
  TCachedPicture(TVaskCollection& cache, std::string_view name) : item_(cache.Acquire(this, name, false, false)) {}
  ~TCachedPicture() override { item_.Release(this); }
  int FrameCount() override { return item_.GetFrameCount(); }
  void SaveFirstFrame(const std::string& path) override { item_.GetFrame(0).Image->SaveToFile(GamePath(path)); }

 private:
  TVaskItem& item_;
};

}  // namespace

std::unique_ptr<TPictureHold> TScenePictureLink::AcquirePicture(std::string_view name) {
  TOrvaImageCache* cache = GetImageCache();
  if (!cache) return std::make_unique<TNoPicture>();
  return std::make_unique<TCachedPicture>(cache->Collection(), name);
}

}  // namespace orva
