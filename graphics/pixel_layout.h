#pragma once
// Pixel layouts of the bit-field formats and the colour-table entry.

#include <cstdint>

namespace orva {

struct PixelLayout {
  uint32_t RedMask = 0, GreenMask = 0, BlueMask = 0;
  uint32_t RedWidth = 0, GreenWidth = 0, BlueWidth = 0;
  int32_t RedShift = 0, GreenShift = 0, BlueShift = 0;
  uint32_t RedLoss = 0, GreenLoss = 0, BlueLoss = 0;

  bool SameMasks(const PixelLayout& other) const {
    return RedMask == other.RedMask && GreenMask == other.GreenMask && BlueMask == other.BlueMask;
  }
  bool operator==(const PixelLayout&) const = default;
};

// Field widths r, g, b with blue lowest, green above it and red above green.
PixelLayout MakePixelLayout(uint32_t r, uint32_t g, uint32_t b);
// Only the widths of the masks count (the run of set bits from each mask's lowest set bit).
PixelLayout MakePixelLayoutFromMasks(uint32_t redMask, uint32_t greenMask, uint32_t blueMask);

const PixelLayout& Layout888();
const PixelLayout& Layout555();
const PixelLayout& Layout565();

inline uint32_t ShiftLeft(uint32_t v, int32_t s) { return s >= 0 ? v << s : v >> -s; }
inline uint32_t ShiftRight(uint32_t v, int32_t s) { return s >= 0 ? v >> s : v << -s; }

inline uint32_t DIBPixelFromRGB(const PixelLayout& l, uint32_t r, uint32_t g, uint32_t b) {
  return (ShiftLeft(r, l.RedShift) & l.RedMask) | (ShiftLeft(g, l.GreenShift) & l.GreenMask) |
         (ShiftRight(b, l.BlueShift) & l.BlueMask);
}

// Each field's high bits are replicated into the low bits it lacks: a 5-bit v becomes
// (v shl 3) or (v shr 2), a 6-bit v (v shl 2) or (v shr 4).
inline void DIBPixelToRGB(const PixelLayout& l, uint32_t p, uint32_t& r, uint32_t& g, uint32_t& b) {
  r = ShiftRight(p & l.RedMask, l.RedShift) & 0xFF;
  if (l.RedWidth) r |= r >> l.RedWidth;
  g = ShiftRight(p & l.GreenMask, l.GreenShift) & 0xFF;
  if (l.GreenWidth) g |= g >> l.GreenWidth;
  b = ShiftLeft(p & l.BlueMask, l.BlueShift) & 0xFF;
  if (l.BlueWidth) b |= b >> l.BlueWidth;
}

// The platform's RGBQUAD: blue, green, red, reserved.
struct TRGBQuad {
  uint8_t rgbBlue = 0, rgbGreen = 0, rgbRed = 0, rgbReserved = 0;
  bool operator==(const TRGBQuad&) const = default;
};
inline TRGBQuad MakeRGBQuad(uint8_t r, uint8_t g, uint8_t b) { return {b, g, r, 0}; }

}  // namespace orva
