#include "shell/chrome_paint.h"

#include <algorithm>
#include <cstddef>

namespace orva {

void ChromeFill(uint32_t* pixels, int pitch, const TWinRect& clip, TWinRect r, uint32_t color) {
  r.Left = std::max(r.Left, clip.Left);
  r.Top = std::max(r.Top, clip.Top);
  r.Right = std::min(r.Right, clip.Right);
  r.Bottom = std::min(r.Bottom, clip.Bottom);
  // A rectangle wholly outside the clip (a button beyond a narrow window) fills nothing.
  if (r.Left >= r.Right) return;
  for (int y = r.Top; y < r.Bottom; ++y) {
    uint32_t* row = pixels + static_cast<ptrdiff_t>(y) * pitch;
    std::fill(row + r.Left, row + r.Right, color);
  }
}

void ChromeEdge(uint32_t* pixels, int pitch, const TWinRect& clip, const TWinRect& r, bool raised) {
  const uint32_t topLeft = raised ? ChromeHighlight : ChromeShadow;
  const uint32_t bottomRight = raised ? ChromeShadow : ChromeHighlight;
  ChromeFill(pixels, pitch, clip, {r.Left, r.Top, r.Right, r.Top + 1}, topLeft);
  ChromeFill(pixels, pitch, clip, {r.Left, r.Top, r.Left + 1, r.Bottom}, topLeft);
  ChromeFill(pixels, pitch, clip, {r.Left, r.Bottom - 1, r.Right, r.Bottom}, bottomRight);
  ChromeFill(pixels, pitch, clip, {r.Right - 1, r.Top, r.Right, r.Bottom}, bottomRight);
}

}  // namespace orva
