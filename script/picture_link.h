#pragma once
// What the screen-capture and wallpaper functions need of the scene and the picture code: the
// screen's size, a layer's picture written as a layered image, the shown picture as a BMP
// file, and the decoded-image cache (a picture held by name, a name dropped). The player
// installs it on the function executor; without one those functions answer FALSE.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace orva {

class TStream;

// A picture of the decoded-image cache held by its user; freeing the hold releases it.
class TPictureHold {
 public:
  virtual ~TPictureHold() = default;
  virtual int FrameCount() = 0;
  // The first frame's image as a 24-bit BMP file (a real path).
  virtual void SaveFirstFrame(const std::string& path) = 0;
};

class TPictureLink {
 public:
  // Data modes of a written layered image.
  static constexpr int ModeZlib = 0, ModeRaw = 1;

  virtual ~TPictureLink() = default;
  // The main scene's width and height.
  virtual int32_t ScreenWidth() = 0;
  virtual int32_t ScreenHeight() = 0;
  // Paints the shown layer (otherLayer: the other one) and writes its picture as a layered
  // image of one 24-bit frame without a transparent colour into the stream, resampled to
  // width × height (both at least 1) when that is not the screen's size.
  virtual void WriteCapture(TStream& stream, bool otherLayer, int32_t width, int32_t height, int mode) = 0;
  // The shown layer's current picture as a 24-bit BMP file (a real path).
  virtual void WriteScreenBmp(const std::string& path) = 0;
  // The cache forgets the name and its variants, so that the next use reads the file again.
  virtual void RemoveCachedPicture(std::string_view name) = 0;
  // The named picture from the cache, held until the hold is freed; a file that cannot be
  // decoded raises.
  virtual std::unique_ptr<TPictureHold> AcquirePicture(std::string_view name) = 0;
};

}  // namespace orva
