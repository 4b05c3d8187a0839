#include "graphics/pixel_layout.h"

namespace orva {

PixelLayout MakePixelLayout(uint32_t r, uint32_t g, uint32_t b) {
  // Widths come from file masks (up to 32 each): fields pushed past bit 31 vanish.
  auto field = [](uint64_t width, uint64_t shift) {
    return width >= 64 || shift >= 32 ? 0u : static_cast<uint32_t>(((uint64_t{1} << width) - 1) << shift);
  };
  PixelLayout l;
  l.RedMask = field(r, uint64_t{g} + b);
  l.GreenMask = field(g, b);
  l.BlueMask = field(b, 0);
  l.RedWidth = r;
  l.GreenWidth = g;
  l.BlueWidth = b;
  l.RedShift = static_cast<int32_t>(g + b) - (8 - static_cast<int32_t>(r));
  l.GreenShift = static_cast<int32_t>(b) - (8 - static_cast<int32_t>(g));
  l.BlueShift = 8 - static_cast<int32_t>(b);
  l.RedLoss = 8 - r;
  l.GreenLoss = 8 - g;
  l.BlueLoss = 8 - b;
  return l;
}

namespace {
uint32_t RunWidth(uint32_t mask) {
  int bit = 0;
  while (bit <= 30 && !(mask & (1u << bit))) ++bit;
  if (bit > 30) return 0;
  uint32_t n = 0;
  while (bit < 32 && (mask & (1u << bit))) ++n, ++bit;
  return n;
}
}  // namespace

PixelLayout MakePixelLayoutFromMasks(uint32_t redMask, uint32_t greenMask, uint32_t blueMask) {
  return MakePixelLayout(RunWidth(redMask), RunWidth(greenMask), RunWidth(blueMask));
}

const PixelLayout& Layout888() {
  static const PixelLayout l = MakePixelLayout(8, 8, 8);
  return l;
}
const PixelLayout& Layout555() {
  static const PixelLayout l = MakePixelLayout(5, 5, 5);
  return l;
}
const PixelLayout& Layout565() {
  static const PixelLayout l = MakePixelLayout(5, 6, 5);
  return l;
}

}  // namespace orva
