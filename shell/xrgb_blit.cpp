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

// Colours of source pixels [x, x + count) of a row.
void ConvertRow(const TDIBSharedImage& image, const uint8_t* row, int x, int count, uint32_t* out) {
  switch (image.BitCount()) {
    case 15:
    case 16: {
      const PixelLayout& layout = image.Layout();
      const uint8_t* in = row + 2 * int64_t{x};
      if (layout.SameMasks(Layout565())) return WidenWordRow(true, in, count, out);
      if (layout.SameMasks(Layout555())) return WidenWordRow(false, in, count, out);
      const TWordTables& t = WordTables(layout);
      for (int i = 0; i < count; ++i) out[i] = t.low[in[2 * i]] | t.high[in[2 * i + 1]];
      return;
    }
    case 24: {
      const uint8_t* in = row + 3 * int64_t{x};
      for (int i = 0; i < count; ++i) out[i] = in[3 * i] | in[3 * i + 1] << 8 | uint32_t{in[3 * i + 2]} << 16;
      return;
    }
    case 32:
      if (IsPlain888(image.Layout())) return ClearTopByteRow(row + 4 * int64_t{x}, count, out);
      break;
  }
  for (int i = 0; i < count; ++i) out[i] = DIBPixelColor(image, row, x + i);
}

// The same pixels in the shown layout: a 16-bit row of that layout is copied, any other is
// taken through its colours.
void ConvertRow(const TDIBSharedImage& image, const uint8_t* row, int x, int count, TShownLayout layout,
                uint8_t* out) {
  if (layout == TShownLayout::XRGB8888) return ConvertRow(image, row, x, count, reinterpret_cast<uint32_t*>(out));
  const PixelLayout& words = layout == TShownLayout::RGB565 ? Layout565() : Layout555();
  if ((image.BitCount() == 15 || image.BitCount() == 16) && image.Layout().SameMasks(words)) {
    std::memcpy(out, row + 2 * int64_t{x}, 2 * static_cast<size_t>(count));
    return;
  }
  constexpr int kChunk = 256;
  uint32_t colours[kChunk];
  for (int done = 0; done < count; done += kChunk) {
    const int n = std::min(kChunk, count - done);
    ConvertRow(image, row, x + done, n, colours);
    PackWordRow(layout, colours, n, out + 2 * done);
  }
}

// Destination pixels [c0, c1) of a row taken from the converted source span by column.
template <typename TPixel>
void PickColumns(const uint8_t* converted, const int32_t* columns, int32_t first, int64_t count, uint8_t* out) {
  const auto* from = reinterpret_cast<const TPixel*>(converted);
  auto* to = reinterpret_cast<TPixel*>(out);
  for (int64_t i = 0; i < count; ++i) to[i] = from[columns[i] - first];
}

}  // namespace

int StretchDIBToShown(const TShownRows& rows, const TRect& area, int dx, int dy, int dw, int dh, int sx, int sy,
                      int sw, int sh, TDIB& source) {
  if (source.GetEmpty() || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return 0;
  const int64_t sourceTop = int64_t{source.GetHeight()} - sy - sh;
  source.BitsReadOnly();  // decodes RLE data before the store is looked at
  const TDIBSharedImage& image = source.Image();
  const int64_t x0 = std::max<int64_t>(area.Left, dx), x1 = std::min<int64_t>(area.Right, int64_t{dx} + dw);
  const int64_t y0 = std::max<int64_t>(area.Top, dy), y1 = std::min<int64_t>(area.Bottom, int64_t{dy} + dh);
  if (x0 >= x1 || y0 >= y1) return sh;

  const TShownLayout layout = rows.Layout;
  const int bytes = ShownPixelBytes(layout);
  // Destination pixel (x, y).
  const auto at = [&](int64_t x, int64_t y) { return rows.Pixels + (y - area.Top) * rows.Pitch + (x - area.Left) * bytes; };
  const int64_t width = source.GetWidth();
  if (dw == sw && dh == sh) {
    // In place: the source column and row follow the destination's one to one.
    const int64_t c0 = std::max(x0, int64_t{dx} - sx), c1 = std::min(x1, int64_t{dx} - sx + width);
    if (c0 >= c1) return sh;
    for (int64_t y = y0; y < y1; ++y) {
      const int64_t row = sourceTop + (y - dy);
      if (row < 0 || row >= source.GetHeight()) continue;
      ConvertRow(image, source.ScanLineReadOnly(static_cast<int>(row)), static_cast<int>(sx + (c0 - dx)),
                 static_cast<int>(c1 - c0), layout, at(c0, y));
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
  std::vector<uint8_t> converted(unscaled ? 0 : static_cast<size_t>(last - first + 1) * static_cast<size_t>(bytes));
  const int32_t* spanColumns = columns.data() + (c0 - x0);

  int64_t previousRow = -1;
  const uint8_t* previousOut = nullptr;
  for (int64_t y = y0; y < y1; ++y) {
    const int64_t row = sourceTop + (y - dy) * sh / dh;
    if (row < 0 || row >= source.GetHeight()) continue;
    uint8_t* out = at(c0, y);
    if (row == previousRow && previousOut) {
      std::memcpy(out, previousOut, static_cast<size_t>(c1 - c0) * static_cast<size_t>(bytes));
      continue;
    }
    const uint8_t* in = source.ScanLineReadOnly(static_cast<int>(row));
    if (unscaled) {
      ConvertRow(image, in, first, static_cast<int>(c1 - c0), layout, out);
    } else {
      ConvertRow(image, in, first, last - first + 1, layout, converted.data());
      if (bytes == 4) PickColumns<uint32_t>(converted.data(), spanColumns, first, c1 - c0, out);
      else PickColumns<uint16_t>(converted.data(), spanColumns, first, c1 - c0, out);
    }
    previousRow = row;
    previousOut = out;
  }
  return sh;
}

int StretchDIBToXRGB(uint32_t* pixels, int64_t pitch, const TRect& clip, int dx, int dy, int dw, int dh, int sx,
                     int sy, int sw, int sh, TDIB& source) {
  const TShownRows rows{reinterpret_cast<uint8_t*>(pixels + clip.Top * pitch + clip.Left), pitch * 4,
                        TShownLayout::XRGB8888};
  return StretchDIBToShown(rows, clip, dx, dy, dw, dh, sx, sy, sw, sh, source);
}

}  // namespace orva
