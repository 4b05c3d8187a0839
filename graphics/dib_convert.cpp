// Depth change in place, grey, blur and invert of a TDIB; presentation of a whole bitmap.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "graphics/dib.h"
#include "graphics/pixel_rows.h"
#include "graphics/screen.h"

namespace orva {

namespace {

uint32_t Red(uint32_t c) { return (c >> 16) & 0xFF; }
uint32_t Green(uint32_t c) { return (c >> 8) & 0xFF; }
uint32_t Blue(uint32_t c) { return c & 0xFF; }

// A pixel of the new depth from 8-bit components (24 bits as bytes, 16 and 32 by layout).
uint32_t PackColor(const PixelLayout& layout, int bits, uint32_t r, uint32_t g, uint32_t b) {
  return bits == 24 ? (r << 16 | g << 8 | b) : DIBPixelFromRGB(layout, r, g, b);
}

TColorTable GreyTable(int bits) {
  TColorTable t{};
  const int shift = 8 - bits;
  for (int i = 0; i < (1 << bits); ++i) {
    const int v = (i << shift) | ((i << shift) >> bits);
    t[i] = MakeRGBQuad(v, v, v);
  }
  return t;
}

}  // namespace

TColorTable FixedColorTable(int bits) {
  TColorTable t{};
  if (bits == 1) {
    t[1] = MakeRGBQuad(255, 255, 255);
    return t;
  }
  const int r = bits == 4 ? 1 : 3, g = bits == 4 ? 2 : 3, b = bits == 4 ? 1 : 2;
  const int rm = (1 << r) - 1, gm = (1 << g) - 1, bm = (1 << b) - 1;
  for (int i = 0; i < 256; ++i)
    t[i] = MakeRGBQuad(((i >> (g + b)) & rm) * 255 / rm, ((i >> b) & gm) * 255 / gm, (i & bm) * 255 / bm);
  return t;
}

int NearestColorIndex(const TRGBQuad* table, int count, uint32_t r, uint32_t g, uint32_t b) {
  int best = 0;
  int bestDistance = INT32_MAX;
  for (int i = 0; i < count; ++i) {
    const int dr = table[i].rgbRed - static_cast<int>(r), dg = table[i].rgbGreen - static_cast<int>(g),
              db = table[i].rgbBlue - static_cast<int>(b);
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) bestDistance = d, best = i;
  }
  return best;
}

void TDIB::SetBitCount(int bits) {
  if (bits < 1) {
    Clear();
    return;
  }
  const int width = GetWidth(), height = GetHeight();
  if (GetEmpty()) {
    SetSize(std::max(width, 1), std::max(height, 1), bits);
    return;
  }
  Decompress();  // the rows below are read from the store as it is now
  TDIB old;
  old.Assign(this);
  SetSize(width, height, bits);
  if (SharesImageWith(old)) return;
  const int oldBits = old.BitCount(), newBits = BitCount();
  const TDIBSharedImage& source = old.Image();
  if (newBits > 8) {
    for (int y = 0; y < height; ++y) {
      const uint8_t* in = old.ScanLineReadOnly(y);
      uint8_t* out = ScanLine(y);
      for (int x = 0; x < width; ++x) {
        const uint32_t c = DIBPixelColor(source, in, x);
        StoreRowPixel(out, x, newBits, PackColor(Layout(), newBits, Red(c), Green(c), Blue(c)));
      }
    }
  } else if (oldBits <= 8 && newBits > oldBits) {
    for (int y = 0; y < height; ++y) {
      const uint8_t* in = old.ScanLineReadOnly(y);
      uint8_t* out = ScanLine(y);
      for (int x = 0; x < width; ++x) StoreRowPixel(out, x, newBits, LoadRowPixel(in, x, oldBits));
    }
  } else {
    ColorTable = FixedColorTable(newBits);
    ApplyColorTable();
    const int count = 1 << newBits;
    std::unordered_map<uint32_t, int> nearest;
    for (int y = 0; y < height; ++y) {
      const uint8_t* in = old.ScanLineReadOnly(y);
      uint8_t* out = ScanLine(y);
      for (int x = 0; x < width; ++x) {
        const uint32_t c = DIBPixelColor(source, in, x);
        auto it = nearest.find(c);
        if (it == nearest.end())
          it = nearest.emplace(c, NearestColorIndex(ColorTable.data(), count, Red(c), Green(c), Blue(c))).first;
        StoreRowPixel(out, x, newBits, static_cast<uint32_t>(it->second));
      }
    }
  }
}

namespace {

// Grey and blur write their result at the output depth from 8-bit components.
struct GreyWriter {
  int bits;
  PixelLayout layout;
  void Store(uint8_t* row, int x, uint32_t r, uint32_t g, uint32_t b, uint32_t grey) const {
    switch (bits) {
      case 16:
      case 32: StoreRowPixel(row, x, bits, DIBPixelFromRGB(layout, r, g, b)); break;
      case 24: StoreRowPixel(row, x, 24, r << 16 | g << 8 | b); break;
      case 8: row[x] = static_cast<uint8_t>(grey); break;
      case 4: StoreRowPixel(row, x, 4, grey >> 4); break;
      case 1: StoreRowPixel(row, x, 1, grey >= 128 ? 1 : 0); break;
    }
  }
};

// The picture moves into old; the bitmap takes the output depth, with the grey ramp as its
// table up to 8 bits.
void TakeGreyOutput(TDIB& dib, TDIB& old, int bits) {
  dib.Decompress();
  old.Assign(&dib);
  dib.SetSize(dib.GetWidth(), dib.GetHeight(), bits);
  if (dib.BitCount() <= 8) {
    dib.ColorTable = GreyTable(dib.BitCount());
    dib.ApplyColorTable();
  }
}

}  // namespace

void TDIB::Greyscale(int bits) {
  if (GetEmpty()) return;
  const int width = GetWidth(), height = GetHeight();
  TDIB old;
  TakeGreyOutput(*this, old, bits);
  uint8_t redTable[256], greenTable[256], blueTable[256];
  for (int i = 0; i < 256; ++i) {
    redTable[i] = static_cast<uint8_t>(std::trunc(static_cast<long double>(i) * 0.3588L));
    greenTable[i] = static_cast<uint8_t>(std::trunc(static_cast<long double>(i) * 0.402L));
    blueTable[i] = static_cast<uint8_t>(std::trunc(static_cast<long double>(i) * 0.2392L));
  }
  const GreyWriter writer{BitCount(), Layout()};
  for (int y = 0; y < height; ++y) {
    const uint8_t* in = old.ScanLineReadOnly(y);
    uint8_t* out = ScanLine(y);
    for (int x = 0; x < width; ++x) {
      const uint32_t c = DIBPixelColor(old.Image(), in, x);
      const uint32_t grey = redTable[Red(c)] + greenTable[Green(c)] + blueTable[Blue(c)];
      writer.Store(out, x, grey, grey, grey, grey);
    }
  }
}

void TDIB::Blur(int bits, int radius) {
  if (GetEmpty() || radius == 0) return;
  const int64_t r = std::abs(int64_t{radius});
  const int width = GetWidth(), height = GetHeight();
  TDIB old;
  TakeGreyOutput(*this, old, bits);
  // The colours of the rows in the window, each row decoded once when it enters.
  const int64_t ring = std::min<int64_t>(height, 2 * r + 2);
  std::vector<uint32_t> decoded(size_t(ring) * size_t(width));
  struct Sums {
    uint32_t r = 0, g = 0, b = 0, n = 0;
  };
  std::vector<Sums> columns(width);
  auto addRow = [&](int64_t y, int sign) {
    uint32_t* colours = &decoded[size_t(y % ring) * size_t(width)];
    if (sign > 0) {
      const uint8_t* in = old.ScanLineReadOnly(int(y));
      for (int x = 0; x < width; ++x) colours[x] = DIBPixelColor(old.Image(), in, x);
    }
    for (int x = 0; x < width; ++x) {
      const uint32_t c = colours[x];
      Sums& s = columns[size_t(x)];
      s.r += sign * Red(c);
      s.g += sign * Green(c);
      s.b += sign * Blue(c);
      s.n += sign;
    }
  };
  int64_t top = 0, bottom = std::min<int64_t>(height - 1, r);
  for (int64_t y = top; y <= bottom; ++y) addRow(y, 1);
  const GreyWriter writer{BitCount(), Layout()};
  const bool grey = BitCount() <= 8;
  for (int y = 0; y < height; ++y) {
    if (y - top == r + 1) addRow(top++, -1);
    if (bottom - y == r - 1 && bottom < height - 1) addRow(++bottom, 1);
    uint8_t* out = ScanLine(y);
    Sums s;
    int64_t left = 0, right = std::min<int64_t>(width - 1, r);
    for (int64_t x = left; x <= right; ++x) {
      const Sums& c = columns[size_t(x)];
      s.r += c.r, s.g += c.g, s.b += c.b, s.n += c.n;
    }
    // The count changes only near the edges: its reciprocal is kept, and (v + ½) / n truncated
    // is v div n exactly for every v and n below 2^32.
    uint32_t count = 0;
    double reciprocal = 0;
    for (int x = 0; x < width; ++x) {
      if (x - left == r + 1) {
        const Sums& c = columns[size_t(left++)];
        s.r -= c.r, s.g -= c.g, s.b -= c.b, s.n -= c.n;
      }
      if (right - x == r - 1 && right < width - 1) {
        const Sums& c = columns[size_t(++right)];
        s.r += c.r, s.g += c.g, s.b += c.b, s.n += c.n;
      }
      if (s.n != count) count = s.n, reciprocal = 1.0 / count;
      auto divide = [reciprocal](uint32_t v) { return static_cast<uint32_t>((v + 0.5) * reciprocal); };
      writer.Store(out, x, divide(s.r), divide(s.g), divide(s.b), grey ? (s.r + s.g + s.b) / s.n / 3 : 0);
    }
  }
}

void TDIB::Invert() {
  if (GetEmpty()) return;
  if (BitCount() > 8) {
    uint8_t* p = Bits();
    const int64_t n = Size();
    for (int64_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(~p[i]);
    return;
  }
  for (TRGBQuad& q : ColorTable) {
    q.rgbRed = static_cast<uint8_t>(~q.rgbRed);
    q.rgbGreen = static_cast<uint8_t>(~q.rgbGreen);
    q.rgbBlue = static_cast<uint8_t>(~q.rgbBlue);
  }
  ApplyColorTable();
}

void TDIB::Draw(TScreenDC& dc, int left, int top, int right, int bottom) {
  if (GetEmpty()) return;
  Decompress();
  dc.StretchDIBits(left, top, right - left, bottom - top, 0, 0, GetWidth(), GetHeight(), *this);
}

}  // namespace orva
