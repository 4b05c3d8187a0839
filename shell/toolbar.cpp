#include "shell/toolbar.h"

#include <algorithm>
#include <utility>

#include "shell/chrome_paint.h"
#include "shell/chrome_text.h"

namespace orva {

namespace {

constexpr const char* kCaptions[] = {"終了", "画面切替"};

TWinRect ButtonRect(int index) { return {index * TToolbar::ButtonWidth, 0, (index + 1) * TToolbar::ButtonWidth, TToolbar::ButtonHeight}; }

}  // namespace

void TToolbar::Draw(TWindowSystem& window) const {
  if (!Visible) return;
  const int width = window.ClientWidth();
  const TWinRect strip{0, 0, width, std::min(DockHeight, window.ClientHeight())};
  if (strip.IsEmpty()) return;
  uint32_t* pixels = window.Pixels();
  ChromeFill(pixels, width, strip, strip, ChromeFace);
  // The dock's bound line.
  ChromeFill(pixels, width, strip, {0, DockHeight - 2, width, DockHeight - 1}, ChromeShadow);
  ChromeFill(pixels, width, strip, {0, DockHeight - 1, width, DockHeight}, ChromeHighlight);
  TChromeText& text = TChromeText::Instance();
  for (int i = 0; i < 2; ++i) {
    const TWinRect r = ButtonRect(i);
    const bool down = pressed_ == i;
    ChromeEdge(pixels, width, strip, r, !down);
    const int shift = down ? 1 : 0;
    const int x = r.Left + (ButtonWidth - text.Width(kCaptions[i])) / 2 + shift;
    const int y = r.Top + (ButtonHeight - TChromeText::PixelHeight) / 2 + shift;
    const TWinRect inner{std::max(r.Left + 1, strip.Left), r.Top + 1, std::min(r.Right - 1, strip.Right), r.Bottom - 1};
    text.Draw(pixels, width, inner, x, y, kCaptions[i], ChromeText);
  }
  window.Flush({strip});
}

TToolbar::TButton TToolbar::HitTest(TWinPoint p) const {
  if (!Visible) return NoButton;
  for (int i = 0; i < 2; ++i)
    if (ButtonRect(i).Contains(p)) return static_cast<TButton>(i);
  return NoButton;
}

void TToolbar::Press(TWinPoint p) { pressed_ = HitTest(p); }

TToolbar::TButton TToolbar::Release(TWinPoint p) {
  const TButton pressed = std::exchange(pressed_, NoButton);
  return pressed != NoButton && HitTest(p) == pressed ? pressed : NoButton;
}

}  // namespace orva
