#include "graphics/screen.h"

#include <algorithm>

#include "graphics/dib.h"

namespace orva {

int StretchDIBitsToXRGB(uint32_t* pixels, int width, int height, int dx, int dy, int dw, int dh, int sx, int sy,
                        int sw, int sh, TDIB& source) {
  if (source.GetEmpty() || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return 0;
  // Top-down source row of the rectangle's top edge.
  const int64_t sourceTop = int64_t{source.GetHeight()} - sy - sh;
  source.BitsReadOnly();  // decodes RLE data before the store is looked at
  const TDIBSharedImage& image = source.Image();
  const int64_t x0 = std::max<int64_t>(0, dx), x1 = std::min<int64_t>(width, int64_t{dx} + dw);
  const int64_t y0 = std::max<int64_t>(0, dy), y1 = std::min<int64_t>(height, int64_t{dy} + dh);
  std::vector<int64_t> columns;
  for (int64_t x = x0; x < x1; ++x) columns.push_back(sx + (x - dx) * sw / dw);
  for (int64_t y = y0; y < y1; ++y) {
    const int64_t row = sourceTop + (y - dy) * sh / dh;
    if (row < 0 || row >= source.GetHeight()) continue;
    const uint8_t* in = source.ScanLineReadOnly(static_cast<int>(row));
    uint32_t* out = pixels + y * width;
    for (int64_t x = x0; x < x1; ++x) {
      const int64_t column = columns[x - x0];
      if (column >= 0 && column < source.GetWidth()) out[x] = DIBPixelColor(image, in, static_cast<int>(column));
    }
  }
  return sh;
}

int TMemoryScreen::StretchDIBits(int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh, TDIB& source) {
  calls_.push_back({dx, dy, dw, dh, sx, sy, sw, sh});
  return StretchDIBitsToXRGB(pixels_.data(), width_, height_, dx, dy, dw, dh, sx, sy, sw, sh, source);
}

}  // namespace orva
