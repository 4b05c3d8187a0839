#include "graphics/dib_surface.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "graphics/fast_dib.h"
#include "graphics/pixel_rows.h"
#include "graphics/screen.h"

namespace orva {

int ReportedDepth(const TDIB& dib) {
  return dib.BitCount() == 16 && dib.PixelFormat.GreenMask == 0x3E0 ? 15 : dib.BitCount();
}

TDIBSurface::TDIBSurface() = default;
TDIBSurface::~TDIBSurface() = default;

void TDIBSurface::Clear() {
  TDIB::Clear();
  alpha_.reset();
}

void TDIBSurface::SetSize(int width, int height, int depth) {
  PixelFormat = depth == 15 ? Layout555() : depth == 16 ? Layout565() : Layout888();
  TDIB::SetSize(width, height, depth == 15 ? 16 : depth);
  if (alpha_) {
    alpha_->SetWidth(width);
    alpha_->SetHeight(height);
  }
}

int TDIBSurface::GetBitCount() const { return ReportedDepth(*this); }

// ---- Alpha plane ----

void TDIBSurface::EnsureAlpha() {
  if (!alpha_) alpha_ = std::make_unique<TDIBSurface>();
  if (alpha_->GetWidth() != GetWidth() || alpha_->GetHeight() != GetHeight() || alpha_->BitCount() != 8)
    alpha_->SetSize(GetWidth(), GetHeight(), 8);
}

void TDIBSurface::FreeAlpha() { alpha_.reset(); }

void TDIBSurface::SetAlphaFromDIB(TDIB& source) {
  EnsureAlpha();
  if (alpha_->GetEmpty() || source.BitCount() != 8) return;
  const int rows = std::min(GetHeight(), source.GetHeight());
  const size_t bytes = size_t(std::min(GetWidth(), source.GetWidth()));
  for (int y = 0; y < rows; ++y) std::memcpy(alpha_->ScanLine(y), source.ScanLineReadOnly(y), bytes);
}

void TDIBSurface::CopyAlphaRect(TDIB& source, const TRect& rect) {
  if (!alpha_ || alpha_->GetEmpty() || source.BitCount() != 8) return;
  const TRect r = IntersectRectOf(rect, {0, 0, source.GetWidth(), source.GetHeight()});
  if (r.IsEmpty()) return;
  const int rows = std::min(r.Height(), alpha_->GetHeight());
  const size_t bytes = size_t(std::min(r.Width(), alpha_->GetWidth()));
  for (int y = 0; y < rows; ++y) std::memcpy(alpha_->ScanLine(y), source.ScanLineReadOnly(r.Top + y) + r.Left, bytes);
}

void TDIBSurface::FillAlphaOpaque() {
  if (alpha_ && !alpha_->GetEmpty()) std::memset(alpha_->Bits(), 255, size_t(alpha_->Size()));
}

// ---- Copies ----

void TDIBSurface::AssignDIB(TDIB& source) {
  PixelFormat = source.PixelFormat;
  SetSize(source.GetWidth(), source.GetHeight(), ReportedDepth(source));
  ColorTable = source.ColorTable;
  ApplyColorTable();
  const size_t bytes = size_t(std::min(WidthBytes(), source.WidthBytes()));
  for (int y = 0; y < GetHeight(); ++y) std::memcpy(ScanLine(y), source.ScanLineReadOnly(y), bytes);
  auto* surface = dynamic_cast<TDIBSurface*>(&source);
  if (surface && surface->alpha_) {
    EnsureAlpha();
    SetAlphaFromDIB(*surface->alpha_);
  } else {
    FreeAlpha();
  }
}

void TDIBSurface::AssignSurface(TDIBSurface& source) {
  SetSize(source.GetWidth(), source.GetHeight(), source.GetBitCount());
  ColorTable = source.ColorTable;
  ApplyColorTable();
  Draw(0, 0, source);
  if (source.alpha_) {
    EnsureAlpha();
    SetAlphaFromDIB(*source.alpha_);
  } else {
    FreeAlpha();
  }
}

void TDIBSurface::AssignRect(TDIBSurface& source, const TRect& rect, bool withAlpha) {
  SetSize(rect.Width(), rect.Height(), source.GetBitCount());
  DrawRect(0, 0, source, rect);
  if (withAlpha && source.alpha_) {
    EnsureAlpha();
    CopyAlphaRect(*source.alpha_, rect);
  }
}

void TDIBSurface::Crop(const TRect& rect) {
  TDIBSurface cut;
  cut.AssignRect(*this, rect, true);
  AssignRect(cut, cut.GetBounds(), true);
}

// ---- Opaque bounds ----

TRect TDIBSurface::GetOpaqueBounds(int32_t key) {
  if (key == -1) return GetBounds();
  const uint32_t k = static_cast<uint32_t>(key);
  const int w = GetWidth(), h = GetHeight(), bits = BitCount();
  TRect r{w, h, 0, 0};
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = ScanLineReadOnly(y);
    int first = -1, last = -1;
    for (int x = 0; x < w; ++x)
      if (LoadRowPixel(row, x, bits) != k) {
        if (first < 0) first = x;
        last = x;
      }
    if (first < 0) continue;
    r.Left = std::min(r.Left, first);
    r.Right = std::max(r.Right, last + 1);
    r.Top = std::min(r.Top, y);
    r.Bottom = y + 1;
  }
  return r.IsEmpty() ? TRect{} : r;
}

TRect TDIBSurface::TrimToColor(int32_t key) {
  TRect r = GetOpaqueBounds(key);
  if (r == GetBounds()) return r;
  if (r.IsEmpty()) r = {0, 0, 1, 1};
  Crop(r);
  return r;
}

// ---- Colours ----

void TDIBSurface::PixelToRGB8(uint32_t pixel, uint8_t& r, uint8_t& g, uint8_t& b, bool fill) {
  uint32_t R = 0, G = 0, B = 0;
  switch (GetBitCount()) {
    case 24:
    case 32: B = pixel & 0xFF, G = (pixel >> 8) & 0xFF, R = (pixel >> 16) & 0xFF; break;
    case 16:
      B = (pixel & 0x1F) * 8, G = (pixel & 0x7E0) >> 3, R = (pixel & 0xF800) >> 8;
      if (fill) {
        if (B) B |= 7;
        if (G) G |= 3;
        if (R) R |= 7;
      }
      break;
    case 15:
      B = (pixel & 0x1F) * 8, G = (pixel & 0x3E0) >> 2, R = (pixel & 0x7C00) >> 7;
      if (fill) {
        if (B) B |= 7;
        if (G) G |= 7;
        if (R) R |= 7;
      }
      break;
    default: {
      const TRGBQuad& q = ColorTable[pixel & 0xFF];
      R = q.rgbRed, G = q.rgbGreen, B = q.rgbBlue;
    }
  }
  r = static_cast<uint8_t>(R), g = static_cast<uint8_t>(G), b = static_cast<uint8_t>(B);
}

uint32_t TDIBSurface::RGB8ToPixel(uint32_t r, uint32_t g, uint32_t b) {
  switch (GetBitCount()) {
    case 24:
    case 32: return b | g << 8 | r << 16;
    case 16: return (b >> 3) | ((g * 8) & 0x7E0) | ((r * 256) & 0xF800);
    case 15: return (b >> 3) | ((g * 4) & 0x3E0) | ((r * 128) & 0x7C00);
  }
  return static_cast<uint32_t>(NearestColorIndex(ColorTable.data(), ColorCount(), r, g, b));
}

uint32_t TDIBSurface::RGBToPixel(uint32_t r, uint32_t g, uint32_t b) {
  switch (GetBitCount()) {
    case 15: return (r & 31) << 10 | (g & 31) << 5 | (b & 31);
    case 16: return (r & 31) << 11 | (g & 63) << 5 | (b & 31);
    case 24:
    case 32: return (r & 255) << 16 | (g & 255) << 8 | (b & 255);
  }
  return static_cast<uint32_t>(NearestColorIndex(ColorTable.data(), ColorCount(), r, g, b));
}

// ---- Depth change ----

void TDIBSurface::ChangeBitCount(int depth, int colorCount, bool dither) {
  if (GetEmpty()) return;
  const int w = GetWidth(), h = GetHeight(), oldDepth = GetBitCount(), oldBits = BitCount();
  // The converter reads this surface's rows in place and writes the new store's rows.
  TFastDIB source;
  source.View(const_cast<uint8_t*>(TopBitsReadOnly()), RowStep(), w, h, oldBits,
              oldDepth == 15 ? 555 : oldDepth == 16 ? 565 : oldDepth == 24 ? 0 : 888);
  if (oldBits <= 8) source.Colors = ColorTable;
  if (depth == 1 && oldBits >= 8) {
    TFastDIB four;
    four.SetSize(w, h, 4, 0);
    QuantizeDIB(four, source, dither, 16);
    source = std::move(four);
  }
  TDIBSurface result;
  result.SetSize(w, h, depth);
  TFastDIB target;
  target.View(result.TopBits(), result.RowStep(), w, h, depth == 15 ? 16 : depth, depth == 15 ? 555 : depth == 16 ? 565 : 0);
  QuantizeDIB(target, source, dither, colorCount);
  if (depth == 32) {
    for (int y = 0; y < h; ++y) {
      uint8_t* row = target.Row(y);
      for (int x = 0; x < w; ++x) row[4 * x + 3] = 0xFF;
    }
  }
  // Taking the result's store is the resize to the new depth; the alpha plane keeps its size.
  Assign(&result);
  if (depth <= 8) {
    std::copy_n(target.Colors.begin(), 1 << depth, ColorTable.begin());
    ApplyColorTable();
  }
}

// ---- Resize ----

void TDIBSurface::StretchFrom(TDIBSurface& source) {
  const int w = GetWidth(), h = GetHeight(), sw = source.GetWidth(), sh = source.GetHeight(), bits = BitCount();
  if (GetEmpty() || source.GetEmpty()) return;
  std::vector<int> columns(w);
  for (int x = 0; x < w; ++x) columns[x] = static_cast<int>(int64_t{x} * sw / w);
  for (int y = 0; y < h; ++y) {
    const uint8_t* in = source.ScanLineReadOnly(static_cast<int>(int64_t{y} * sh / h));
    uint8_t* out = ScanLine(y);
    for (int x = 0; x < w; ++x) StoreRowPixel(out, x, bits, LoadRowPixel(in, columns[x], bits));
  }
}

void TDIBSurface::Resize(int width, int height, bool smooth, int32_t key) {
  if (width == GetWidth() && height == GetHeight()) return;
  if (GetEmpty()) return;
  if (width < 1 || height < 1) {
    Clear();
    return;
  }
  std::unique_ptr<TDIBSurface> plane = std::move(alpha_);
  if (plane) plane->Resize(width, height, smooth, -1);
  if (!smooth) {
    // The temporary shares the store (copy on write): no pixels are copied.
    TDIBSurface old;
    old.TDIB::Assign(this);
    SetSize(width, height, GetBitCount());
    StretchFrom(old);
  } else {
    ResizeSmooth(width, height, key);
  }
  alpha_ = std::move(plane);
}

void TDIBSurface::ResizeSmooth(int width, int height, int32_t key) {
  const int oldDepth = GetBitCount();
  const TColorTable oldTable = ColorTable;
  // The key is a raw value of the old depth; the filter works on 24-bit colours, so it
  // compares (and writes) the key's colour.
  int64_t key24 = -1;
  if (key != -1) {
    if (oldDepth == 24 || oldDepth == 32) {
      key24 = static_cast<uint32_t>(key) & 0xFFFFFF;
    } else {
      uint8_t r, g, b;
      PixelToRGB8(static_cast<uint32_t>(key), r, g, b, false);
      key24 = uint32_t{r} << 16 | uint32_t{g} << 8 | b;
    }
  }
  TDIBSurface old;
  old.TDIB::Assign(this);
  if (old.BitCount() != 24) {
    old.PixelFormat = Layout888();
    old.SetBitCount(24);
  }
  const int ow = old.GetWidth(), oh = old.GetHeight();
  PixelFormat = Layout888();
  SetSize(width, height, 24);
  const long double sx = static_cast<long double>(width) / ow, sy = static_cast<long double>(height) / oh;
  auto put = [](uint8_t* out, int x, long double r, long double g, long double b) {
    out[3 * x] = static_cast<uint8_t>(std::nearbyint(b));
    out[3 * x + 1] = static_cast<uint8_t>(std::nearbyint(g));
    out[3 * x + 2] = static_cast<uint8_t>(std::nearbyint(r));
  };
  if (width <= ow && height <= oh) {
    // Box average over the source pixels each destination pixel covers. The mean is
    // sum × (1 / n) in extended precision, rounded half to even; per count n the results
    // for every possible sum are tabled once.
    std::vector<std::vector<uint8_t>> means;
    auto mean = [&](uint32_t sum, uint32_t n) -> uint8_t {
      if (n >= 256) return static_cast<uint8_t>(std::nearbyint(sum * (1.0L / n)));
      if (means.size() <= n) means.resize(n + 1);
      std::vector<uint8_t>& table = means[n];
      if (table.empty()) {
        table.resize(255 * n + 1);
        const long double f = 1.0L / n;
        for (uint32_t k = 0; k <= 255 * n; ++k) table[k] = static_cast<uint8_t>(std::nearbyint(k * f));
      }
      return table[sum];
    };
    std::vector<int> x0(width), x1(width);
    for (int x = 0; x < width; ++x) {
      x0[x] = std::min(static_cast<int>(std::trunc(x / sx)), ow - 1);
      x1[x] = std::clamp(static_cast<int>(std::trunc((x + 1) / sx)), x0[x] + 1, ow);
    }
    std::vector<const uint8_t*> rows(oh);
    for (int y = 0; y < oh; ++y) rows[y] = old.ScanLineReadOnly(y);
    for (int y = 0; y < height; ++y) {
      const int y0 = std::min(static_cast<int>(std::trunc(y / sy)), oh - 1);
      const int y1 = std::clamp(static_cast<int>(std::trunc((y + 1) / sy)), y0 + 1, oh);
      uint8_t* out = ScanLine(y);
      for (int x = 0; x < width; ++x) {
        uint32_t sr = 0, sg = 0, sb = 0, n = 0;
        for (int v = y0; v < y1; ++v) {
          const uint8_t* in = rows[v] + 3 * x0[x];
          for (int u = x0[x]; u < x1[x]; ++u, in += 3) {
            if (key24 >= 0 && (in[0] | in[1] << 8 | in[2] << 16) == key24) continue;
            sb += in[0], sg += in[1], sr += in[2], ++n;
          }
        }
        if (n == 0) {
          StoreRowPixel(out, x, 24, static_cast<uint32_t>(key24));
          continue;
        }
        out[3 * x] = mean(sb, n);
        out[3 * x + 1] = mean(sg, n);
        out[3 * x + 2] = mean(sr, n);
      }
    }
  } else {
    // Bilinear; a neighbour past the source's edge reads the edge pixel.
    struct Tap {
      int i0, i1;
      long double f;
    };
    auto taps = [](int n, long double s, int limit) {
      std::vector<Tap> t(n);
      for (int k = 0; k < n; ++k) {
        const long double u = k / s;
        const int i = std::min(static_cast<int>(std::trunc(u)), limit - 1);
        t[k] = {i, std::min(i + 1, limit - 1), u - i};
      }
      return t;
    };
    const std::vector<Tap> tx = taps(width, sx, ow), ty = taps(height, sy, oh);
    for (int y = 0; y < height; ++y) {
      const uint8_t* r0 = old.ScanLineReadOnly(ty[y].i0);
      const uint8_t* r1 = old.ScanLineReadOnly(ty[y].i1);
      const long double fy = ty[y].f;
      uint8_t* out = ScanLine(y);
      for (int x = 0; x < width; ++x) {
        const long double fx = tx[x].f;
        const float w00 = static_cast<float>((1 - fx) * (1 - fy)), w01 = static_cast<float>((1 - fx) * fy),
                    w10 = static_cast<float>(fx * (1 - fy)), w11 = static_cast<float>(fx * fy);
        const uint8_t *p00 = r0 + 3 * tx[x].i0, *p01 = r1 + 3 * tx[x].i0, *p10 = r0 + 3 * tx[x].i1,
                      *p11 = r1 + 3 * tx[x].i1;
        long double c[3];
        for (int k = 0; k < 3; ++k)
          c[k] = p00[k] * static_cast<long double>(w00) + p01[k] * static_cast<long double>(w01) +
                 p10[k] * static_cast<long double>(w10) + p11[k] * static_cast<long double>(w11);
        put(out, x, c[2], c[1], c[0]);
      }
    }
  }
  if (oldDepth <= 8) {
    TDIBSurface result;
    result.AssignDIB(*this);
    SetSize(width, height, oldDepth);
    ColorTable = oldTable;
    ApplyColorTable();
    DrawPalettized(0, 0, result, -1);
  } else if (oldDepth == 15 || oldDepth == 16) {
    TDIBSurface result;
    result.AssignDIB(*this);
    SetSize(width, height, oldDepth);
    for (int y = 0; y < height; ++y) {
      const uint8_t* in = result.ScanLineReadOnly(y);
      uint8_t* out = ScanLine(y);
      for (int x = 0; x < width; ++x)
        StoreRowPixel(out, x, 16, DIBPixelFromRGB(Layout(), in[3 * x + 2], in[3 * x + 1], in[3 * x]));
    }
  }
}

void TDIBSurface::DrawToDC(TScreenDC& dc, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh) {
  dc.StretchDIBits(dx, dy, dw, dh, sx, GetHeight() - sy - sh, sw, sh, *this);
}

}  // namespace orva
