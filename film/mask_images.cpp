#include "film/mask_images.h"

#include <algorithm>

#include "core/file_manager.h"
#include "core/stream.h"
#include "graphics/dib.h"
#include "graphics/vask_frame_list.h"
#include "script/project_link.h"

namespace orva {

std::unique_ptr<TDIB> TGameMaskImages::FirstFrame(std::string_view name) {
  if (!project_ || !FileManager || !reader_ || !project_->FileAvailable(name)) return nullptr;
  TMemoryStream stream;
  FileManager->LoadToStream(stream, name);
  stream.SetPosition(0);
  return reader_(stream);
}

std::unique_ptr<TDIB> ReadMaskImageFrame(TStream& stream) {
  TVaskFrameList frames;
  frames.LoadFromStream(stream, true);
  if (frames.Count() == 0) return nullptr;
  auto picture = std::make_unique<TDIB>();
  picture->Assign(&frames.GetFrame(0).Surface);
  return picture;
}

void TileMaskLevels(std::vector<int32_t>& levels, int width, int height, TDIB* picture, bool inverted) {
  levels.assign(size_t(std::max(width, 0)) * size_t(std::max(height, 0)), 0);
  if (!picture || picture->GetEmpty() || levels.empty()) return;
  if (inverted) picture->Invert();
  // One tile of grey levels, of the part that is used; (v, v, v) keeps v.
  const int tw = picture->GetWidth(), th = picture->GetHeight();
  const int usedWidth = std::min(tw, width), usedHeight = std::min(th, height);
  std::vector<int32_t> tile(size_t(usedWidth) * size_t(usedHeight));
  for (int y = 0; y < usedHeight; ++y) {
    const uint8_t* row = picture->ScanLineReadOnly(y);
    for (int x = 0; x < usedWidth; ++x) {
      const uint32_t c = DIBPixelColor(picture->Image(), row, x);
      const uint32_t grey = ((c >> 16 & 0xFF) * 299 + (c >> 8 & 0xFF) * 587 + (c & 0xFF) * 114 + 500) / 1000;
      tile[size_t(y) * usedWidth + x] = static_cast<int32_t>(grey) - 255;
    }
  }
  for (int y = 0; y < height; ++y) {
    const int32_t* from = &tile[size_t(y % th) * usedWidth];
    int32_t* to = &levels[size_t(y) * width];
    for (int x = 0; x < width; ++x) to[x] = from[x % tw];
  }
}

}  // namespace orva
