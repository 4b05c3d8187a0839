#include "shell/xrgb_blit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "graphics/dib.h"
#include "graphics/pixel_rows.h"

namespace orva {

namespace {

// A 16-bit pixel's colour is the OR of what its two bytes give on their own: every bit of
// the colour is a copy of one bit of the pixel.
struct TWordTables {
  PixelLayout layout;
  std::array<uint32_t, 256> low{}, high{};
};

const TWordTables& WordTables(const PixelLayout& layout) {
  static thread_local TWordTables tables{};
  static thread_local bool made = false;
  if (!made || !(tables.layout == layout)) {
    tables.layout = layout;
    for (uint32_t b = 0; b < 256; ++b) {
      uint32_t r, g, bl;
      DIBPixelToRGB(layout, b, r, g, bl);
      tables.low[b] = r << 16 | g << 8 | bl;
      DIBPixelToRGB(layout, b << 8, r, g, bl);
      tables.high[b] = r << 16 | g << 8 | bl;
    }
    made = true;
  }
  return tables;
}

bool IsPlain888(const PixelLayout& layout) {
  return layout.RedMask == 0xFF0000 && layout.GreenMask == 0xFF00 && layout.BlueMask == 0xFF;
}

// 5-6-5 and 5-5-5 words widened with each field's high bits copied into its low bits, in a
// form the compiler turns into vector code.
template <int GreenBits>
void WidenWords(const uint8_t* in, int count, uint32_t* out) {
  constexpr int redShift = 5 + GreenBits;
  constexpr uint32_t greenMask = (1u << GreenBits) - 1;
  for (int i = 0; i < count; ++i) {
    uint16_t word;
    std::memcpy(&word, in + 2 * i, 2);  // rows are little-endian, as this machine is
    const uint32_t v = word;
    const uint32_t r = (v >> redShift) & 31, g = (v >> 5) & greenMask, b = v & 31;
    out[i] = (r << 3 | r >> 2) << 16 | (g << (8 - GreenBits) | g >> (2 * GreenBits - 8)) << 8 | (b << 3 | b >> 2);
  }
}

// Colours of source pixels [x, x + count) of a row.
void ConvertRow(const TDIBSharedImage& image, const uint8_t* row, int x, int count, uint32_t* out) {
  switch (image.BitCount()) {
    case 15:
    case 16: {
      const PixelLayout& layout = image.Layout();
      const uint8_t* words = row + 2 * int64_t{x};
      if (layout.SameMasks(Layout565())) return WidenWords<6>(words, count, out);
      if (layout.SameMasks(Layout555())) return WidenWords<5>(words, count, out);
      const TWordTables& t = WordTables(layout);
      const uint8_t* in = row + 2 * int64_t{x};
      for (int i = 0; i < count; ++i) out[i] = t.low[in[2 * i]] | t.high[in[2 * i + 1]];
      return;
    }
    case 24: {
      const uint8_t* in = row + 3 * int64_t{x};
      for (int i = 0; i < count; ++i) out[i] = in[3 * i] | in[3 * i + 1] << 8 | uint32_t{in[3 * i + 2]} << 16;
      return;
    }
    case 32:
      if (IsPlain888(image.Layout())) {
        const uint8_t* in = row + 4 * int64_t{x};
        for (int i = 0; i < count; ++i) {
          uint32_t v;
          std::memcpy(&v, in + 4 * i, 4);
          out[i] = v & 0xFFFFFF;
        }
        return;
      }
      break;
  }
  for (int i = 0; i < count; ++i) out[i] = DIBPixelColor(image, row, x + i);
}

}  // namespace

int StretchDIBToXRGB(uint32_t* pixels, int64_t pitch, const TRect& clip, int dx, int dy, int dw, int dh, int sx,
                     int sy, int sw, int sh, TDIB& source) {
  if (source.GetEmpty() || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return 0;
  const int64_t sourceTop = int64_t{source.GetHeight()} - sy - sh;
  source.BitsReadOnly();  // decodes RLE data before the store is looked at
  const TDIBSharedImage& image = source.Image();
  const int64_t x0 = std::max<int64_t>(clip.Left, dx), x1 = std::min<int64_t>(clip.Right, int64_t{dx} + dw);
  const int64_t y0 = std::max<int64_t>(clip.Top, dy), y1 = std::min<int64_t>(clip.Bottom, int64_t{dy} + dh);
  if (x0 >= x1 || y0 >= y1) return sh;

  const int64_t width = source.GetWidth();
  if (dw == sw && dh == sh) {
    // In place: the source column and row follow the destination's one to one.
    const int64_t c0 = std::max(x0, int64_t{dx} - sx), c1 = std::min(x1, int64_t{dx} - sx + width);
    if (c0 >= c1) return sh;
    for (int64_t y = y0; y < y1; ++y) {
      const int64_t row = sourceTop + (y - dy);
      if (row < 0 || row >= source.GetHeight()) continue;
      ConvertRow(image, source.ScanLineReadOnly(static_cast<int>(row)), static_cast<int>(sx + (c0 - dx)),
                 static_cast<int>(c1 - c0), pixels + y * pitch + c0);
    }
    return sh;
  }

  // The destination columns whose source column lies inside the bitmap, and that column.
  int64_t c0 = x1, c1 = x0;  // destination span with a source pixel
  std::vector<int32_t> columns(static_cast<size_t>(x1 - x0));
  for (int64_t x = x0; x < x1; ++x) {
    const int64_t column = sx + (x - dx) * sw / dw;
    columns[static_cast<size_t>(x - x0)] = static_cast<int32_t>(std::clamp<int64_t>(column, -1, width));
    if (column >= 0 && column < width) {
      c0 = std::min(c0, x);
      c1 = std::max(c1, x + 1);
    }
  }
  if (c0 >= c1) return sh;
  const int32_t first = columns[static_cast<size_t>(c0 - x0)];
  const int32_t last = columns[static_cast<size_t>(c1 - 1 - x0)];
  const bool unscaled = dw == sw;
  std::vector<uint32_t> converted(unscaled ? 0 : static_cast<size_t>(last - first + 1));

  int64_t previousRow = -1;
  uint32_t* previousOut = nullptr;
  for (int64_t y = y0; y < y1; ++y) {
    const int64_t row = sourceTop + (y - dy) * sh / dh;
    if (row < 0 || row >= source.GetHeight()) continue;
    uint32_t* out = pixels + y * pitch;
    if (row == previousRow && previousOut) {
      std::memcpy(out + c0, previousOut + c0, static_cast<size_t>(c1 - c0) * 4);
      continue;
    }
    const uint8_t* in = source.ScanLineReadOnly(static_cast<int>(row));
    if (unscaled) {
      ConvertRow(image, in, first, static_cast<int>(c1 - c0), out + c0);
    } else {
      ConvertRow(image, in, first, last - first + 1, converted.data());
      for (int64_t x = c0; x < c1; ++x) out[x] = converted[static_cast<size_t>(columns[static_cast<size_t>(x - x0)] - first)];
    }
    previousRow = row;
    previousOut = out;
  }
  return sh;
}

}  // namespace orva
