// The same-depth drawing operations of TDIBSurface: copies, keyed copies, constant opacity,
// drawing through the source's alpha plane, fills and the palette-mapping copy.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "graphics/dib_surface.h"
#include "graphics/pixel_rows.h"

namespace orva {

namespace {

// Ranks of the 4 × 4 ordered pattern: a position is on at every level from its rank up.
constexpr uint8_t kPatternRank[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// Runs f(destination row, source row, row index) for every row of the clipped rectangle.
template <class F>
void EachRow(TDIBSurface& dst, int y, TDIBSurface& src, const TRect& sr, F f) {
  for (int j = 0; j < sr.Height(); ++j) {
    uint8_t* d = dst.ScanLine(y + j);
    f(d, src.ScanLineReadOnly(sr.Top + j), j);
  }
}

uint32_t Mix32(uint32_t d, uint32_t s, uint32_t a) {
  const uint32_t rb = (((d & 0xFF00FF) * (255 - a) + (s & 0xFF00FF) * a) >> 8) & 0xFF00FF;
  const uint32_t g = (((d & 0xFF00) * (255 - a) + (s & 0xFF00) * a) >> 8) & 0xFF00;
  return rb | g;
}

}  // namespace

bool TDIBSurface::ClipBlitRect(int& x, int& y, TDIBSurface& source, TRect& sr) const {
  if (GetEmpty() || source.GetEmpty() || source.BitCount() != BitCount()) return false;
  int64_t left = sr.Left, top = sr.Top, right = sr.Right, bottom = sr.Bottom, dx = x, dy = y;
  // Cut to the source first, moving the destination point with the source's edge.
  if (left < 0) dx -= left, left = 0;
  if (top < 0) dy -= top, top = 0;
  right = std::min<int64_t>(right, source.GetWidth());
  bottom = std::min<int64_t>(bottom, source.GetHeight());
  if (dx < 0) left -= dx, dx = 0;
  if (dy < 0) top -= dy, dy = 0;
  right = std::min<int64_t>(right, left + (GetWidth() - dx));
  bottom = std::min<int64_t>(bottom, top + (GetHeight() - dy));
  if (left >= right || top >= bottom) return false;
  sr = {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
        static_cast<int32_t>(bottom)};
  x = static_cast<int>(dx);
  y = static_cast<int>(dy);
  return true;
}

void TDIBSurface::DrawRect(int x, int y, TDIBSurface& source, TRect sr) {
  if (!ClipBlitRect(x, y, source, sr)) return;
  const int bits = BitCount();
  const int w = sr.Width();
  EachRow(*this, y, source, sr, [&](uint8_t* d, const uint8_t* s, int) {
    if (bits >= 8) {
      const int bpp = bits / 8;
      std::memmove(d + size_t(x) * bpp, s + size_t(sr.Left) * bpp, size_t(w) * bpp);
    } else {
      for (int i = 0; i < w; ++i) StoreRowPixel(d, x + i, bits, LoadRowPixel(s, sr.Left + i, bits));
    }
  });
}

void TDIBSurface::Draw(int x, int y, TDIBSurface& source) { DrawRect(x, y, source, source.GetBounds()); }

void TDIBSurface::DrawTransparent(int x, int y, TDIBSurface& source, TRect sr, int32_t key) {
  if (key == -1) {
    DrawRect(x, y, source, sr);
    return;
  }
  if (!ClipBlitRect(x, y, source, sr)) return;
  const int bits = BitCount();
  const uint32_t k = bits == 1 ? (key != 0 ? 1 : 0) : static_cast<uint32_t>(key);
  const int w = sr.Width();
  EachRow(*this, y, source, sr, [&](uint8_t* d, const uint8_t* s, int) {
    switch (bits) {
      case 32: {
        uint32_t* dp = reinterpret_cast<uint32_t*>(d) + x;
        const uint32_t* sp = reinterpret_cast<const uint32_t*>(s) + sr.Left;
        for (int i = 0; i < w; ++i)
          if (sp[i] != k) dp[i] = sp[i];
        break;
      }
      case 16: {
        uint16_t* dp = reinterpret_cast<uint16_t*>(d) + x;
        const uint16_t* sp = reinterpret_cast<const uint16_t*>(s) + sr.Left;
        for (int i = 0; i < w; ++i)
          if (sp[i] != k) dp[i] = sp[i];
        break;
      }
      case 8:
        for (int i = 0; i < w; ++i)
          if (s[sr.Left + i] != k) d[x + i] = s[sr.Left + i];
        break;
      default:
        for (int i = 0; i < w; ++i) {
          const uint32_t v = LoadRowPixel(s, sr.Left + i, bits);
          if (v != k) StoreRowPixel(d, x + i, bits, v);
        }
    }
  });
}

void TDIBSurface::DrawAlpha(int x, int y, TDIBSurface& source, TRect sr, int32_t key, int opacity) {
  if (opacity == 0) return;
  const int depth = GetBitCount(), bits = BitCount();
  if (opacity < 0 || (bits <= 8 ? opacity / 16 >= 15 : opacity >= 255)) {
    DrawTransparent(x, y, source, sr, key);
    return;
  }
  if (!ClipBlitRect(x, y, source, sr)) return;
  const bool keyed = key != -1;
  const uint32_t k = static_cast<uint32_t>(key);
  const uint32_t a = static_cast<uint32_t>(opacity);
  const int w = sr.Width();
  if (bits <= 8) {
    const int level = opacity / 16;
    EachRow(*this, y, source, sr, [&](uint8_t* d, const uint8_t* s, int j) {
      const uint8_t* ranks = kPatternRank[(y + j) & 3];
      for (int i = 0; i < w; ++i) {
        if (ranks[(x + i) & 3] > level) continue;
        const uint32_t v = LoadRowPixel(s, sr.Left + i, bits);
        if (!keyed || v != (bits == 1 ? (key != 0 ? 1u : 0u) : k)) StoreRowPixel(d, x + i, bits, v);
      }
    });
    return;
  }
  const uint32_t masks[3] = {PixelFormat.RedMask, PixelFormat.GreenMask, PixelFormat.BlueMask};
  EachRow(*this, y, source, sr, [&](uint8_t* d, const uint8_t* s, int) {
    for (int i = 0; i < w; ++i) {
      const uint32_t sv = LoadRowPixel(s, sr.Left + i, depth);
      if (keyed && sv == k) continue;
      const uint32_t dv = LoadRowPixel(d, x + i, depth);
      uint32_t out = 0;
      if (depth == 32) {
        out = Mix32(dv, sv, a);
      } else if (depth == 24) {
        for (int c = 0; c < 24; c += 8)
          out |= (((255 - a) * ((dv >> c) & 0xFF) + a * ((sv >> c) & 0xFF)) / 255) << c;
      } else {
        for (uint32_t m : masks) out |= (((255 - a) * (dv & m) + a * (sv & m)) / 255) & m;
      }
      StoreRowPixel(d, x + i, depth, out);
    }
  });
}

void TDIBSurface::DrawMask(int x, int y, TDIBSurface& source, TRect sr, int opacity) {
  TDIBSurface* plane = source.Alpha();
  if (!plane || plane->GetEmpty()) {
    DrawAlpha(x, y, source, sr, -1, opacity);
    return;
  }
  if (!ClipBlitRect(x, y, source, sr)) return;
  const int depth = GetBitCount(), bits = BitCount();
  const uint32_t masks[3] = {PixelFormat.RedMask, PixelFormat.GreenMask, PixelFormat.BlueMask};
  const int w = sr.Width();
  EachRow(*this, y, source, sr, [&](uint8_t* d, const uint8_t* s, int j) {
    const uint8_t* m = plane->ScanLineReadOnly(sr.Top + j) + sr.Left;
    for (int i = 0; i < w; ++i) {
      uint32_t a = m[i];
      const uint32_t sv = LoadRowPixel(s, sr.Left + i, bits);
      if (bits <= 8) {
        if (a >= 128) StoreRowPixel(d, x + i, bits, sv);
        continue;
      }
      if (depth == 24 && opacity < 255) a = opacity > 0 ? (a * opacity) >> 8 : 0;
      if (a == 0) continue;
      if (a >= 255) {
        StoreRowPixel(d, x + i, depth, sv);
        continue;
      }
      const uint32_t dv = LoadRowPixel(d, x + i, depth);
      uint32_t out = 0;
      if (depth == 32) {
        out = Mix32(dv, sv, a);
      } else if (depth == 24) {
        for (int c = 0; c < 24; c += 8) out |= ((((sv >> c) & 0xFF) * a + ((dv >> c) & 0xFF) * (255 - a)) >> 8) << c;
      } else {
        for (uint32_t mk : masks) out |= (((dv & mk) * (255 - a) + (sv & mk) * a) >> 8) & mk;
      }
      StoreRowPixel(d, x + i, depth, out);
    }
  });
}

void TDIBSurface::FillRect(TRect rect, uint32_t value) {
  const TRect r = IntersectRectOf(rect, GetBounds());
  if (r.IsEmpty()) return;
  const int depth = GetBitCount(), bits = BitCount();
  if (depth == 15) value &= 0x7FFF;
  for (int y = r.Top; y < r.Bottom; ++y) {
    uint8_t* row = ScanLine(y);
    switch (bits) {
      case 8: std::memset(row + r.Left, static_cast<int>(value & 0xFF), size_t(r.Width())); break;
      case 16: std::fill_n(reinterpret_cast<uint16_t*>(row) + r.Left, r.Width(), static_cast<uint16_t>(value)); break;
      case 32: std::fill_n(reinterpret_cast<uint32_t*>(row) + r.Left, r.Width(), value); break;
      case 1:
      case 4: {
        // Whole bytes at once between the partly covered ones at the ends.
        const int perByte = 8 / bits;
        int x = r.Left;
        for (; x < r.Right && x % perByte != 0; ++x) StoreRowPixel(row, x, bits, value);
        const int whole = (r.Right - x) / perByte;
        const uint8_t pattern = bits == 1 ? ((value & 1) ? 0xFF : 0x00) : static_cast<uint8_t>((value & 15) * 0x11);
        std::memset(row + x / perByte, pattern, size_t(whole));
        for (x += whole * perByte; x < r.Right; ++x) StoreRowPixel(row, x, bits, value);
        break;
      }
      default:
        for (int x = r.Left; x < r.Right; ++x) StoreRowPixel(row, x, bits, value);
    }
  }
}

void TDIBSurface::DrawPalettized(int x, int y, TDIBSurface& source, int32_t key) {
  if (GetEmpty() || source.GetEmpty()) return;
  const int bits = BitCount(), sbits = source.BitCount();
  const int w = GetWidth(), h = GetHeight();
  // Runs put(destination row, its x, source row, source x) for every source pixel of the
  // first columns and rows that lands inside this surface.
  auto each = [&](int columns, int rows, auto put) {
    for (int sy = 0; sy < rows; ++sy) {
      if (y + sy < 0 || y + sy >= h) continue;
      const uint8_t* in = source.ScanLineReadOnly(sy);
      uint8_t* out = ScanLine(y + sy);
      for (int sx = 0; sx < columns; ++sx)
        if (x + sx >= 0 && x + sx < w) put(out, x + sx, in, sx);
    }
  };
  if (bits > 8) {
    // A plain format conversion of the whole source; the key is not used.
    const int depth = GetBitCount();
    each(source.GetWidth(), source.GetHeight(), [&](uint8_t* out, int dx, const uint8_t* in, int sx) {
      const uint32_t c = DIBPixelColor(source.Image(), in, sx);
      StoreRowPixel(out, dx, depth, depth == 24 ? c : DIBPixelFromRGB(Layout(), c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF));
    });
    return;
  }
  const int count = 1 << bits;
  if (sbits <= 8) {
    if (sbits == bits && std::equal(ColorTable.begin(), ColorTable.begin() + count, source.ColorTable.begin())) {
      if (key >= 0)
        DrawTransparent(x, y, source, source.GetBounds(), key);
      else
        DrawRect(x, y, source, source.GetBounds());
      return;
    }
    uint8_t map[256];
    for (int i = 0; i < (1 << sbits); ++i) {
      const TRGBQuad& q = source.ColorTable[i];
      map[i] = static_cast<uint8_t>(NearestColorIndex(ColorTable.data(), count, q.rgbRed, q.rgbGreen, q.rgbBlue));
    }
    each(std::min(source.GetWidth(), w), std::min(source.GetHeight(), h),
         [&](uint8_t* out, int dx, const uint8_t* in, int sx) {
           const uint32_t v = LoadRowPixel(in, sx, sbits);
           if (key < 0 || v != static_cast<uint32_t>(key)) StoreRowPixel(out, dx, bits, map[v]);
         });
    return;
  }
  std::unordered_map<uint32_t, uint8_t> nearest;
  each(source.GetWidth(), source.GetHeight(), [&](uint8_t* out, int dx, const uint8_t* in, int sx) {
    const uint32_t c = DIBPixelColor(source.Image(), in, sx);
    auto it = nearest.find(c);
    if (it == nearest.end())
      it = nearest.emplace(c, static_cast<uint8_t>(NearestColorIndex(ColorTable.data(), count, c >> 16 & 0xFF,
                                                                     c >> 8 & 0xFF, c & 0xFF))).first;
    StoreRowPixel(out, dx, bits, it->second);
  });
}

}  // namespace orva
