#include "shell/window_panel.h"

#include <algorithm>

#include "graphics/custom_dibx.h"
#include "shell/xrgb_blit.h"

namespace orva {

TWinRect TWindowPanel::Clip() {
  TWinRect clip = bounds_;
  clip.Left = std::max(clip.Left, 0);
  clip.Top = std::max({clip.Top, 0, coveredRows_});
  clip.Right = std::min(clip.Right, window_.ClientWidth());
  clip.Bottom = std::min(clip.Bottom, window_.ClientHeight());
  return clip;
}

int TWindowPanel::StretchDIBits(int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh, TDIB& source) {
  const TWinRect clip = Clip();
  if (clip.IsEmpty()) return 0;
  const int64_t left = int64_t{dx} + bounds_.Left, top = int64_t{dy} + bounds_.Top;
  const TWinRect drawn{static_cast<int>(std::clamp<int64_t>(left, clip.Left, clip.Right)),
                       static_cast<int>(std::clamp<int64_t>(top, clip.Top, clip.Bottom)),
                       static_cast<int>(std::clamp<int64_t>(left + std::max(dw, 0), clip.Left, clip.Right)),
                       static_cast<int>(std::clamp<int64_t>(top + std::max(dh, 0), clip.Top, clip.Bottom))};
  if (drawn.IsEmpty()) return 0;
  const int rows = StretchDIBToShown(window_.OpenRect(drawn), {drawn.Left, drawn.Top, drawn.Right, drawn.Bottom},
                                     static_cast<int>(left), static_cast<int>(top), dw, dh, sx, sy, sw, sh, source);
  if (rows > 0) changed_.push_back(drawn);
  return rows;
}

void TWindowPanel::ReleaseDC() {
  if (changed_.empty()) return;
  window_.ShowOpened();
  changed_.clear();
}

void TWindowPanel::SetDepth(int bitCount) {
  window_.SetSceneLayout(bitCount == 16   ? TShownLayout::RGB565
                         : bitCount == 15 ? TShownLayout::RGB555
                                          : TShownLayout::XRGB8888);
}

void TWindowPanel::PaintAll(TCustomDIBX& picture) {
  if (picture.IsEmpty()) return;
  picture.StretchToDC(*this, 0, 0, bounds_.Width(), bounds_.Height(), 0, 0, picture.GetWidth(), picture.GetHeight());
  ReleaseDC();
}

}  // namespace orva
