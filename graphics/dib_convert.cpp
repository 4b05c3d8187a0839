// Depth change in place, grey, blur and invert of a TDIB; presentation of a whole bitmap.
#include <algorithm>
#include <array>
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

namespace {

// One row's colour fields, each in a plane of its own.
struct TColourPlanes {
  std::vector<uint32_t> R, G, B;
  explicit TColourPlanes(size_t n) : R(n), G(n), B(n) {}
};

// Fields 1 to 8 bits wide that sit at or above their 8-bit place, blue at or below it: every
// pixel of a row moves its fields by the same shifts.
bool PlainShifts(const PixelLayout& l) {
  const auto width = [](uint32_t w) { return w >= 1 && w <= 8; };
  const auto shift = [](int32_t s) { return s >= 0 && s < 32; };
  return width(l.RedWidth) && width(l.GreenWidth) && width(l.BlueWidth) && shift(l.RedShift) && shift(l.GreenShift) &&
         shift(l.BlueShift);
}

// DIBPixelToRGB for a row of 16- or 32-bit pixels with plain shifts.
template <int Bits>
void DecodePlainRow(const PixelLayout& l, const uint8_t* row, int width, uint32_t* r, uint32_t* g, uint32_t* b) {
  for (int x = 0; x < width; ++x) {
    const uint32_t p = LoadRowPixel(row, x, Bits);
    uint32_t rr = ((p & l.RedMask) >> l.RedShift) & 0xFF, gg = ((p & l.GreenMask) >> l.GreenShift) & 0xFF,
             bb = ((p & l.BlueMask) << l.BlueShift) & 0xFF;
    r[x] = rr | rr >> l.RedWidth, g[x] = gg | gg >> l.GreenWidth, b[x] = bb | bb >> l.BlueWidth;
  }
}

// The colour fields of a row's pixels, the depth's decoding chosen once for the row.
void DecodeRow(const TDIBSharedImage& image, const uint8_t* row, int width, uint32_t* r, uint32_t* g, uint32_t* b) {
  const PixelLayout& l = image.Layout();
  const int bits = image.BitCount();
  if (bits == 32 && PlainShifts(l)) {
    DecodePlainRow<32>(l, row, width, r, g, b);
  } else if (bits == 16 && PlainShifts(l)) {
    DecodePlainRow<16>(l, row, width, r, g, b);
  } else if (bits == 24) {
    for (int x = 0; x < width; ++x) r[x] = row[3 * x + 2], g[x] = row[3 * x + 1], b[x] = row[3 * x];
  } else {
    for (int x = 0; x < width; ++x) {
      const uint32_t c = DIBPixelColor(image, row, x);
      r[x] = Red(c), g[x] = Green(c), b[x] = Blue(c);
    }
  }
}

// DIBPixelFromRGB for a row of 16- or 32-bit pixels with plain shifts.
template <int Bits>
void EncodePlainRow(const PixelLayout& l, uint8_t* row, int width, const uint32_t* r, const uint32_t* g, const uint32_t* b) {
  for (int x = 0; x < width; ++x)
    StoreRowPixel(row, x, Bits,
                  ((r[x] << l.RedShift) & l.RedMask) | ((g[x] << l.GreenShift) & l.GreenMask) | ((b[x] >> l.BlueShift) & l.BlueMask));
}

// sum[x] = the sum of column[lo .. hi] with lo, hi the window x ± r clipped to the row, as the
// difference of the running totals (total[i] = column[0] + … + column[i − 1]); exact, as both
// wrap at 32 bits.
void WindowSums(const uint32_t* total, int width, int64_t r, uint32_t* sum) {
  const int64_t first = std::min<int64_t>(r, width), last = std::max<int64_t>(first, width - r);
  const auto clipped = [&](int64_t x) {
    sum[x] = total[std::min<int64_t>(width - 1, x + r) + 1] - total[std::max<int64_t>(0, x - r)];
  };
  for (int64_t x = 0; x < first; ++x) clipped(x);
  for (int64_t x = first; x < last; ++x) sum[x] = total[x + r + 1] - total[x - r];
  for (int64_t x = last; x < width; ++x) clipped(x);
}

// (v + ½) × (1 / n) truncated, which is v div n exactly for every v and n below 2^32. The
// 32-bit v goes to a double through a signed value, which vectorises; the mean is below 2^31
// (it is at most v, and v > 255 only when n > 1).
void Means(const uint32_t* sum, const double* reciprocals, int width, uint32_t* mean) {
  for (int x = 0; x < width; ++x) {
    const double v = static_cast<double>(static_cast<int32_t>(sum[x] ^ 0x80000000u)) + 2147483648.0;
    mean[x] = static_cast<uint32_t>(static_cast<int32_t>((v + 0.5) * reciprocals[x]));
  }
}

}  // namespace

// A box of (2 × radius + 1)² pixels clipped to the picture: the column sums of the rows in the
// window are kept as the window moves down, and each row sums them across.
void TDIB::Blur(int bits, int radius) {
  if (GetEmpty() || radius == 0) return;
  const int64_t r = std::abs(int64_t{radius});
  const int width = GetWidth(), height = GetHeight();
  const auto w = size_t(width);
  TDIB old;
  TakeGreyOutput(*this, old, bits);
  // At the same depth the blur works in place: a row is decoded when it enters the window,
  // before the output reaches it.
  TDIB& source = &old.Image() == &Image() ? *this : old;
  if (&source == this) old.Clear();
  // The colours of the rows in the window, each row decoded once when it enters.
  const int64_t ring = std::min<int64_t>(height, 2 * r + 2);
  std::vector<TColourPlanes> decoded(size_t(ring), TColourPlanes{w});
  TColourPlanes columns(w), totals(w + 1), sums(w), means(w);
  const auto planes = [](TColourPlanes& p) { return std::array{&p.R, &p.G, &p.B}; };
  const auto moveWindow = [&](int64_t y, bool add) {
    TColourPlanes& row = decoded[size_t(y % ring)];
    if (add) DecodeRow(source.Image(), source.ScanLineReadOnly(int(y)), width, row.R.data(), row.G.data(), row.B.data());
    for (int c = 0; c < 3; ++c) {
      const uint32_t* in = planes(row)[c]->data();
      uint32_t* sum = planes(columns)[c]->data();
      if (add)
        for (size_t x = 0; x < w; ++x) sum[x] += in[x];
      else
        for (size_t x = 0; x < w; ++x) sum[x] -= in[x];
    }
  };
  std::vector<double> reciprocals(w);
  uint32_t reciprocalRows = 0;
  const GreyWriter writer{BitCount(), Layout()};
  const PixelLayout layout = Layout();
  const bool plain = (BitCount() == 32 || BitCount() == 16) && PlainShifts(layout);
  int64_t top = 0, bottom = -1;
  for (int y = 0; y < height; ++y) {
    for (const int64_t last = std::min<int64_t>(height - 1, y + r); bottom < last;) moveWindow(++bottom, true);
    for (const int64_t first = std::max<int64_t>(0, y - r); top < first;) moveWindow(top++, false);
    const auto rows = static_cast<uint32_t>(bottom - top + 1);
    if (rows != reciprocalRows) {
      reciprocalRows = rows;
      for (int x = 0; x < width; ++x) {
        const int64_t cols = std::min<int64_t>(width - 1, x + r) - std::max<int64_t>(0, x - r) + 1;
        reciprocals[size_t(x)] = 1.0 / (rows * static_cast<uint32_t>(cols));
      }
    }
    for (int c = 0; c < 3; ++c) {
      const uint32_t* in = planes(columns)[c]->data();
      uint32_t* total = planes(totals)[c]->data();
      for (size_t x = 0; x < w; ++x) total[x + 1] = total[x] + in[x];
      WindowSums(total, width, r, planes(sums)[c]->data());
      Means(planes(sums)[c]->data(), reciprocals.data(), width, planes(means)[c]->data());
    }
    uint8_t* out = ScanLine(y);
    if (plain && BitCount() == 32) {
      EncodePlainRow<32>(layout, out, width, means.R.data(), means.G.data(), means.B.data());
    } else if (plain) {
      EncodePlainRow<16>(layout, out, width, means.R.data(), means.G.data(), means.B.data());
    } else {
      for (size_t x = 0; x < w; ++x) {
        const uint32_t n = rows * static_cast<uint32_t>(std::min<int64_t>(width - 1, int64_t(x) + r) -
                                                        std::max<int64_t>(0, int64_t(x) - r) + 1);
        const uint32_t grey = BitCount() <= 8 ? (sums.R[x] + sums.G[x] + sums.B[x]) / n / 3 : 0;
        writer.Store(out, int(x), means.R[x], means.G[x], means.B[x], grey);
      }
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
