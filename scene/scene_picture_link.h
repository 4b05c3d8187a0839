#pragma once
// The scene's side of the screen-capture and wallpaper functions (script/picture_link.h):
// the main scene's size, a layer's picture captured as a 24-bit picture, the shown picture
// as a BMP file, captures written as layered images, and pictures of the scene globals'
// decoded-image cache (held without a frame while there is no cache).

#include <memory>
#include <string>
#include <string_view>

#include "script/picture_link.h"

namespace orva {

class TCustomDIBX;
class TDIBSurface;
class TOrvaBaseList;

// The picture's pixels as 24-bit colours into the target's top-left (a plain copy between the
// two depths); the target keeps its size, and what the picture does not cover stays as it is.
void CopyPictureTo24(TCustomDIBX& picture, TDIBSurface& target);

// Paints the shown layer (otherLayer: the other one) and gives its picture as a 24-bit
// picture of the scene's size (black where the layer's picture does not reach), resampled to
// width × height when that differs.
void CaptureLayer(TOrvaBaseList& scene, bool otherLayer, int32_t width, int32_t height, TDIBSurface& picture);

class TScenePictureLink : public TPictureLink {
 public:
  explicit TScenePictureLink(TOrvaBaseList& scene) : scene_(scene) {}

  int32_t ScreenWidth() override;
  int32_t ScreenHeight() override;
  void WriteCapture(TStream& stream, bool otherLayer, int32_t width, int32_t height, int mode) override;
  void WriteScreenBmp(const std::string& path) override;
  void RemoveCachedPicture(std::string_view name) override;
  std::unique_ptr<TPictureHold> AcquirePicture(std::string_view name) override;

 private:
  TOrvaBaseList& scene_;
};

}  // namespace orva
