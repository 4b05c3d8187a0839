#include "text/font_pixel.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "graphics/custom_dibx.h"
#include "text/font_pixel_manager.h"

namespace orva {
namespace {

constexpr std::array<uint8_t, 2> kQuality0 = {0, 255};
constexpr std::array<uint8_t, 5> kQuality1 = {0, 79, 127, 207, 255};
constexpr std::array<uint8_t, 17> kQuality2 = {0, 43, 55, 67, 79, 91, 103, 115, 159, 171, 183, 195, 207, 219, 231, 243, 255};
constexpr std::array<uint8_t, 65> kQuality3 = {
    0,   18,  21,  24,  27,  30,  33,  36,  55,  58,  61,  64,  67,  70,  73,  76,  79,  82,  85,  88,  91,  94,
    97,  100, 119, 122, 125, 128, 131, 134, 137, 140, 143, 146, 149, 152, 155, 158, 161, 164, 183, 186, 189, 192,
    195, 198, 201, 204, 207, 210, 213, 216, 219, 222, 225, 228, 231, 234, 237, 240, 243, 246, 249, 252, 255};

// Rectangles of the drawing arithmetic, in 64 bits so that hostile cells cannot overflow.
struct TRect64 {
  int64_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool IsEmpty() const { return Left >= Right || Top >= Bottom; }
};

TRect64 Bounds64(int64_t left, int64_t top, int64_t width, int64_t height) {
  return {left, top, left + width, top + height};
}

// Union that ignores empty rectangles, as the platform's does.
TRect64 Union(const TRect64& a, const TRect64& b) {
  if (b.IsEmpty()) return a;
  if (a.IsEmpty()) return b;
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

// Far beyond any surface, near enough that no int32 arithmetic of the surfaces overflows.
constexpr int64_t kFar = int64_t{1} << 29;
int32_t Narrow(int64_t v) { return static_cast<int32_t>(std::clamp(v, -kFar, kFar)); }
TRect Narrow(const TRect64& r) { return {Narrow(r.Left), Narrow(r.Top), Narrow(r.Right), Narrow(r.Bottom)}; }

// Round-to-nearest of n / d with halves to even (d != 0).
int64_t RoundDivEven(int64_t n, int64_t d) {
  if (d < 0) n = -n, d = -d;
  int64_t q = n / d, r = n % d;
  if (r < 0) --q, r += d;
  if (2 * r > d || (2 * r == d && (q & 1))) ++q;
  return q;
}

// The part of a w × h bitmap at (x, y) that falls inside the clip: the first target pixel
// and the bitmap's sub-box.
struct TClipped {
  int64_t X = 0, Y = 0;
  int Col = 0, Row = 0, Cols = 0, Rows = 0;
};

bool ClipBox(const TRect& clip, int64_t x, int64_t y, int w, int h, TClipped& out) {
  int64_t col = 0, row = 0, cols = w, rows = h;
  if (clip.Left > x) col = clip.Left - x, cols -= col, x = clip.Left;
  if (x + cols > clip.Right) cols = clip.Right - x;
  if (clip.Top > y) row = clip.Top - y, rows -= row, y = clip.Top;
  if (y + rows > clip.Bottom) rows = clip.Bottom - y;
  if (cols <= 0 || rows <= 0) return false;
  out = {x, y, static_cast<int>(col), static_cast<int>(row), static_cast<int>(cols), static_cast<int>(rows)};
  return true;
}

// A surface locked at an area's top-left, addressed by surface coordinates.
class TLockedArea {
 public:
  TLockedArea(TCustomDIBX& surface, int64_t left, int64_t top)
      : surface_(surface), left_(left), top_(top), step_(surface.GetRowStep()), bpp_(surface.BytesPerPixel()) {
    base_ = surface.Lock(static_cast<int>(left), static_cast<int>(top));
  }
  ~TLockedArea() {
    if (base_) surface_.Unlock();
  }
  TLockedArea(const TLockedArea&) = delete;
  TLockedArea& operator=(const TLockedArea&) = delete;
  bool Ok() const { return base_ != nullptr; }
  uint8_t* At(int64_t x, int64_t y) const { return base_ + (y - top_) * step_ + (x - left_) * bpp_; }

 private:
  TCustomDIBX& surface_;
  uint8_t* base_ = nullptr;
  int64_t left_, top_, step_;
  int bpp_;
};

template <class P>
P LoadPixel(const uint8_t* p) {
  P v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class P>
void StorePixel(uint8_t* p, uint32_t v) {
  const P narrow = static_cast<P>(v);
  std::memcpy(p, &narrow, sizeof narrow);
}

// Channel arithmetic on each channel's bits in place: (K × w + D × (255 − w)) shr 8.
struct TChannelMasks {
  uint32_t R, G, B;
  explicit TChannelMasks(TCustomDIBX& s) : R(s.GetRedMask()), G(s.GetGreenMask()), B(s.GetBlueMask()) {}
  uint32_t Mix(uint32_t k, uint32_t d, uint32_t w) const {
    auto channel = [&](uint32_t m) {
      return static_cast<uint32_t>(((uint64_t{k & m} * w + uint64_t{d & m} * (255 - w)) >> 8) & m);
    };
    return channel(R) | channel(G) | channel(B);
  }
};

// The DrawOver rule on one pixel and its mask.
inline void Over(uint8_t c, uint32_t& d, uint8_t& m, uint32_t k, const TChannelMasks& masks) {
  if (c == 255) {
    d = k;
    m = 255;
    return;
  }
  m = static_cast<uint8_t>(m + ((255 - m) * c) / 255);
  const uint32_t w = m == 0 ? 255 : (uint32_t{c} * 255) / m;
  d = masks.Mix(k, d, w);
}

bool IsMaskSurface(TCustomDIBX& mask) { return mask.GetStorageBitCount() == 8; }

// The colour surface's clip, cut to the mask where the rule writes both.
TRect ColourClip(TCustomDIBX& colour, TCustomDIBX* mask) {
  TRect clip = colour.GetClipRect();
  if (mask) clip = IntersectRectOf(clip, mask->GetBoundsRect());
  return clip;
}

// Walks the clipped box on the colour surface (and the mask) calling f(c, pixel, maskByte)
// for every bitmap pixel, at the pixel size of the colour surface's depth.
template <class F>
void ForEachColourPixel(const TFontPixel& g, TCustomDIBX& colour, TCustomDIBX* mask, int64_t x, int64_t y, F&& f) {
  if (g.IsEmpty()) return;
  const int bits = colour.GetBitCount();
  if (bits != 15 && bits != 16 && bits != 32) return;
  if (mask && !IsMaskSurface(*mask)) return;
  TClipped box;
  if (!ClipBox(ColourClip(colour, mask), x, y, g.Width(), g.Height(), box)) return;
  TLockedArea dst(colour, box.X, box.Y);
  if (!dst.Ok()) return;
  std::optional<TLockedArea> msk;
  if (mask) {
    msk.emplace(*mask, box.X, box.Y);
    if (!msk->Ok()) return;
  }
  const TChannelMasks masks(colour);
  for (int j = 0; j < box.Rows; ++j) {
    const uint8_t* src = g.Row(box.Row + j) + box.Col;
    uint8_t* d = dst.At(box.X, box.Y + j);
    uint8_t* m = msk ? msk->At(box.X, box.Y + j) : nullptr;
    if (bits == 32) {
      for (int i = 0; i < box.Cols; ++i) f(src[i], d + 4 * i, m ? m + i : nullptr, masks, 4);
    } else {
      for (int i = 0; i < box.Cols; ++i) f(src[i], d + 2 * i, m ? m + i : nullptr, masks, 2);
    }
  }
}

inline uint32_t LoadSized(const uint8_t* p, int size) {
  return size == 4 ? LoadPixel<uint32_t>(p) : LoadPixel<uint16_t>(p);
}
inline void StoreSized(uint8_t* p, int size, uint32_t v) {
  if (size == 4)
    StorePixel<uint32_t>(p, v);
  else
    StorePixel<uint16_t>(p, v);
}

// Walks the clipped box on the mask surface.
template <class F>
void ForEachMaskPixel(const TFontPixel& g, TCustomDIBX& mask, int64_t x, int64_t y, F&& f) {
  if (g.IsEmpty() || !IsMaskSurface(mask)) return;
  TClipped box;
  if (!ClipBox(mask.GetClipRect(), x, y, g.Width(), g.Height(), box)) return;
  TLockedArea area(mask, box.X, box.Y);
  if (!area.Ok()) return;
  for (int j = 0; j < box.Rows; ++j) f(g.Row(box.Row + j) + box.Col, area.At(box.X, box.Y + j), box.Cols);
}

}  // namespace

std::span<const uint8_t> CoverageTable(int quality) {
  switch (quality) {
    case 0: return kQuality0;
    case 1: return kQuality1;
    case 2: return kQuality2;
    default: return kQuality3;
  }
}

TFontPixel::TFontPixel(uint16_t charCode, std::string fontName, int32_t fontHeight, uint8_t style, int32_t quality,
                       TFontPixelManager* manager)
    : CharCode(charCode),
      FontName(std::move(fontName)),
      FontHeight(fontHeight),
      Style(style),
      Quality(quality),
      manager_(manager) {}

void TFontPixel::SetSize(int width, int height) {
  if (width <= 0 || height <= 0) width = height = 0;
  width_ = width;
  height_ = height;
  coverage_.assign(size_t(width) * size_t(height), 0);
}

// ---- Pixel rules ----

void TFontPixel::DrawSolid(TCustomDIBX& colour, int64_t x, int64_t y, uint32_t color) const {
  ForEachColourPixel(*this, colour, nullptr, x, y,
                     [&](uint8_t c, uint8_t* d, uint8_t*, const TChannelMasks&, int size) {
                       if (c != 0) StoreSized(d, size, color);
                     });
}

void TFontPixel::DrawOnColor(TCustomDIBX& colour, int64_t x, int64_t y, uint32_t color, uint32_t under) const {
  ForEachColourPixel(*this, colour, nullptr, x, y,
                     [&](uint8_t c, uint8_t* d, uint8_t*, const TChannelMasks& masks, int size) {
                       if (c == 255)
                         StoreSized(d, size, color);
                       else if (c != 0)
                         StoreSized(d, size, masks.Mix(color, under, c));
                     });
}

void TFontPixel::DrawOver(TCustomDIBX& colour, TCustomDIBX& mask, int64_t x, int64_t y, uint32_t color) const {
  ForEachColourPixel(*this, colour, &mask, x, y,
                     [&](uint8_t c, uint8_t* d, uint8_t* m, const TChannelMasks& masks, int size) {
                       if (c == 0) return;
                       uint32_t pixel = LoadSized(d, size);
                       Over(c, pixel, *m, color, masks);
                       StoreSized(d, size, pixel);
                     });
}

void TFontPixel::MaskSolid(TCustomDIBX& mask, int64_t x, int64_t y) const {
  ForEachMaskPixel(*this, mask, x, y, [](const uint8_t* src, uint8_t* m, int n) {
    for (int i = 0; i < n; ++i)
      if (src[i] != 0) m[i] = 255;
  });
}

void TFontPixel::MaskMax(TCustomDIBX& mask, int64_t x, int64_t y) const {
  ForEachMaskPixel(*this, mask, x, y, [](const uint8_t* src, uint8_t* m, int n) {
    for (int i = 0; i < n; ++i) m[i] = std::max(m[i], src[i]);
  });
}

void TFontPixel::CopyToMask(TCustomDIBX& mask, int64_t x, int64_t y) const {
  ForEachMaskPixel(*this, mask, x, y, [](const uint8_t* src, uint8_t* m, int n) { std::memcpy(m, src, size_t(n)); });
}

void TFontPixel::DrawBorder(TCustomDIBX& colour, TCustomDIBX& mask, int64_t x, int64_t y, uint32_t color,
                            int32_t width) const {
  if (IsEmpty() || width < 1 || !IsMaskSurface(mask)) return;
  const int bits = colour.GetBitCount();
  if (bits != 15 && bits != 16 && bits != 32) return;
  const TRect clip = ColourClip(colour, &mask);
  if (clip.IsEmpty()) return;
  const int size = bits == 32 ? 4 : 2;
  TLockedArea dst(colour, clip.Left, clip.Top);
  TLockedArea msk(mask, clip.Left, clip.Top);
  if (!dst.Ok() || !msk.Ok()) return;
  const TChannelMasks masks(colour);
  const int64_t w = width;
  // Offsets run dy ascending, then dx ascending. Only those landing inside the clip write a
  // pixel, so each pixel's window is cut to the clip; the order of the writes is unchanged.
  for (int row = 0; row < height_; ++row) {
    const int64_t py = y + row;
    const int64_t dy0 = std::max(-w, clip.Top - py), dy1 = std::min(w, clip.Bottom - 1 - py);
    if (dy0 > dy1) continue;
    const uint8_t* src = Row(row);
    for (int col = 0; col < width_; ++col) {
      const uint8_t c = src[col];
      if (c == 0) continue;
      const int64_t px = x + col;
      const int64_t dx0 = std::max(-w, clip.Left - px), dx1 = std::min(w, clip.Right - 1 - px);
      if (dx0 > dx1) continue;
      for (int64_t dy = dy0; dy <= dy1; ++dy) {
        uint8_t* d = dst.At(px + dx0, py + dy);
        uint8_t* m = msk.At(px + dx0, py + dy);
        for (int64_t dx = dx0; dx <= dx1; ++dx, d += size, ++m) {
          if (dx == 0 && dy == 0) continue;
          uint32_t pixel = LoadSized(d, size);
          Over(c, pixel, *m, color, masks);
          StoreSized(d, size, pixel);
        }
      }
    }
  }
}

// ---- DrawText ----

int64_t TFontPixel::CentringOffset(int64_t cellWidth) {
  const int64_t m = std::min<int64_t>(cellWidth, FontHeight) - width_;
  if (int64_t{OriginX} + RightGap >= m) return 0;
  if (!abc_) abc_ = manager_ ? manager_->AbcWidths(*this) : TAbcWidths{};
  const int64_t a = abc_->A, b = abc_->B, c = abc_->C;
  int64_t xo = a + c == 0 || a + b + c == 0 ? m / 2 : RoundDivEven((a + b / 2) * m, a + b + c);
  xo -= OriginX;
  return std::max<int64_t>(xo, 0);
}

TRect TFontPixel::DrawText(TCustomDIBX& colour, TCustomDIBX& mask, const TRect& cell, int32_t border, int32_t shadow,
                           bool prevDiffers, bool nextDiffers, uint32_t color, uint32_t borderColor,
                           uint32_t shadowColor) {
  if (IsEmpty()) return {};
  const int64_t L = cell.Left, T = cell.Top;
  const int64_t CW = int64_t{cell.Right} - cell.Left, CH = int64_t{cell.Bottom} - cell.Top;
  const int64_t B = border, S = shadow, w = width_, h = height_;
  const int64_t xo = CentringOffset(CW);
  TRect64 result = Bounds64(L + OriginX + xo, T + OriginY, w + 2 * B + S, h + 2 * B + S);
  auto line = [&](int64_t left, int64_t top, int64_t width, int64_t height, uint32_t pixel) {
    const TRect64 r = Bounds64(left, top, width, height);
    if (r.IsEmpty()) return;
    colour.FillRect(Narrow(r), pixel);
    mask.FillRect(Narrow(r), 255);
    result = Union(result, r);
  };

  if (B == 0 && S == 0) {
    const int64_t x = L + OriginX + xo, y = T + OriginY;
    DrawSolid(colour, x, y, color);
    MaskMax(mask, x, y);
    if (UnderlineSize > 0) line(L, T + CH - UnderlineSize, CW, UnderlineSize, color);
    if (StrikeoutSize > 0) line(L, T + StrikeoutTop, CW, StrikeoutSize, color);
    return Narrow(result);
  }

  const int64_t X = L + B + OriginX + xo, Y = T + B + OriginY;
  const int64_t U = UnderlineSize, ST = StrikeoutTop, SS = StrikeoutSize;
  if (S > 0) {
    const int64_t start = prevDiffers ? S : 0;
    if (U > 0) line(L + start, T + CH - 2 * B - U, CW - start, 2 * B + U, shadowColor);
    if (B > 0) {
      DrawBorder(colour, mask, X + S, Y + S, shadowColor, border);
      result = Union(result, Bounds64(X + S - B, Y + S - B, w + 2 * B, h + 2 * B));
    } else {
      CopyToMask(mask, X + S, Y + S);
      DrawSolid(colour, X + S, Y + S, shadowColor);
      result = Union(result, Bounds64(X + S, Y + S, w, h));
    }
    if (SS > 0) line(L + start, T + S + ST, CW - start, 2 * B + SS, shadowColor);
  }
  const int64_t cut = nextDiffers ? S : 0;
  if (U > 0) {
    line(L, T + CH - S - B - U, CW - cut, U, color);
    if (B > 0) {
      line(L, T + CH - S - 2 * B - U, CW - cut, B, borderColor);
      line(L, T + CH - S - B, CW - cut, B, borderColor);
    }
  }
  if (B > 0) {
    DrawBorder(colour, mask, X, Y, borderColor, border);
    MaskSolid(mask, X, Y);
    DrawOnColor(colour, X, Y, color, borderColor);
  } else {
    DrawOver(colour, mask, X, Y, color);
  }
  if (SS > 0) {
    line(L, T + B + ST, CW - cut, SS, color);
    if (B > 0) {
      line(L, T + ST, CW - cut, B, borderColor);
      line(L, T + ST + B + SS, CW - cut, B, borderColor);
    }
  }
  return Narrow(result);
}

}  // namespace orva
