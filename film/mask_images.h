#pragma once
// Where the mask-image transitions take their grey pictures from: the first frame of the
// layered image a game names, read when the game can read that file now.

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace orva {

class TDIB;
class TProjectLink;
class TStream;

class TMaskImages {
 public:
  virtual ~TMaskImages() = default;
  // None when the file is not available, which is no error; what the file manager and the
  // reader raise passes to the caller.
  virtual std::unique_ptr<TDIB> FirstFrame(std::string_view name) = 0;
};

// The game's: the project says whether the file can be read now, the file manager reads it
// whole into memory, and the frame reader takes the first frame of the layered image from it.
class TGameMaskImages final : public TMaskImages {
 public:
  using TFrameReader = std::function<std::unique_ptr<TDIB>(TStream& stream)>;
  explicit TGameMaskImages(TFrameReader reader) : reader_(std::move(reader)) {}
  // Not owned; none: no file is available.
  void SetProject(TProjectLink* project) { project_ = project; }
  std::unique_ptr<TDIB> FirstFrame(std::string_view name) override;

 private:
  TFrameReader reader_;
  TProjectLink* project_ = nullptr;
};

// The first frame of the layered image at the stream's position; none when it has no frame.
std::unique_ptr<TDIB> ReadMaskImageFrame(TStream& stream);

// The grey levels of a picture repeated from the top-left corner over width × height pixels,
// row by row: the luminance of each pixel minus 255 (-255 black .. 0 white), of the inverted
// picture when inverted. The levels are all 0 before the picture is read, and stay 0 without
// a picture or with one that has no pixels.
void TileMaskLevels(std::vector<int32_t>& levels, int width, int height, TDIB* picture, bool inverted);

}  // namespace orva
