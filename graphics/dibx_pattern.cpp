// Pattern drawing of TCustomDIBX: a rectangle filled with the whole source repeated from a
// scroll offset, mirrored on request, and a border of four such fills. Pixels are copied as
// they are; the packed path copies whole runs of a row, the plain one pixel by pixel.
#include <algorithm>
#include <cstring>
#include <vector>

#include "graphics/custom_dibx.h"
#include "graphics/pixel_rows.h"

namespace orva {

namespace {

// v mod size, made non-negative.
int64_t Wrap(int64_t v, int64_t size) {
  const int64_t r = v % size;
  return r < 0 ? r + size : r;
}

int32_t Saturate(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

void TCustomDIBX::FillPattern(const TRect& rect, TCustomDIBX& source, int scrollX, int scrollY, bool flipH,
                              bool flipV) {
  const int bits = GetStorageBitCount();
  if (bits == 0 || source.GetStorageBitCount() != bits || source.IsEmpty()) return;
  // A clipped left (top) edge moves the pattern with it; the flips do not enter.
  int64_t sx = scrollX, sy = scrollY;
  TRect dr = rect;
  if (!ClipScrolled(dr, sx, sy)) return;
  const int64_t w = source.GetWidth(), h = source.GetHeight();
  // The first source column and row; under a flip they count down from there.
  int64_t ox = Wrap(sx, w), oy = Wrap(sy, h);
  if (flipH) ox = w - 1 - ox;
  if (flipV) oy = h - 1 - oy;
  // Rows from their start: sub-byte pixels are addressed by column.
  uint8_t* d = Lock(0, dr.Top);
  if (!d) return;
  const uint8_t* s0 = source.Lock(0, 0);
  if (!s0) {
    Unlock();
    return;
  }
  const int64_t dstep = GetRowStep(), sstep = source.GetRowStep();
  const int n = dr.Width();
  const bool runs = UseMMX && (bits == 15 || bits == 16 || bits == 32);
  const size_t bpp = size_t(bits / 8);
  // A mirrored source row, read forward: column k of it is source column w - 1 - k, so a
  // flipped run from ox is a forward run from w - 1 - ox.
  std::vector<uint8_t> mirrored(flipH && runs ? size_t(w) * bpp : 0);
  for (int j = 0; j < dr.Height(); ++j, d += dstep) {
    const int64_t sy0 = flipV ? Wrap(oy - j, h) : Wrap(oy + j, h);
    const uint8_t* s = s0 + sy0 * sstep;
    if (runs) {
      int64_t from = ox;
      if (flipH) {
        for (int64_t k = 0; k < w; ++k) std::memcpy(&mirrored[size_t(k) * bpp], s + size_t(w - 1 - k) * bpp, bpp);
        s = mirrored.data();
        from = w - 1 - ox;
      }
      for (int64_t x = 0; x < n;) {
        const int64_t length = std::min<int64_t>(w - from, n - x);
        std::memmove(d + size_t(dr.Left + x) * bpp, s + size_t(from) * bpp, size_t(length) * bpp);
        x += length;
        from = 0;
      }
      continue;
    }
    int64_t column = ox;
    for (int x = 0; x < n; ++x) {
      StoreRowPixel(d, dr.Left + x, bits, LoadRowPixel(s, int(column), bits));
      column = flipH ? (column == 0 ? w - 1 : column - 1) : (column + 1 == w ? 0 : column + 1);
    }
  }
  source.Unlock();
  Unlock();
}

void TCustomDIBX::FramePattern(const TRect& rect, int borderWidth, TCustomDIBX& source, const TRect&, int,
                               int scrollX, int scrollY) {
  const int64_t l = rect.Left, t = rect.Top, r = rect.Right, b = rect.Bottom, w = borderWidth;
  auto side = [&](int64_t left, int64_t top, int64_t right, int64_t bottom) {
    FillPattern({Saturate(left), Saturate(top), Saturate(right), Saturate(bottom)}, source, scrollX, scrollY, false,
                false);
  };
  side(l, t, r, t + w);
  side(l, b - w, r, b);
  side(l, t, l + w, b);
  side(r - w, t, r, b);
}

}  // namespace orva
