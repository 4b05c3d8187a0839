#pragma once
// The scene panel: the part of the window's client picture that shows the scene, and its
// device context. What is drawn through it is clipped to the panel (and kept off the rows
// the full-screen toolbar covers) and shown when the context is released.

#include <vector>

#include "graphics/screen.h"
#include "platform/window_system.h"
#include "shell/screen_manager.h"

namespace orva {

class TCustomDIBX;

class TWindowPanel final : public TScreenPanel, public TScreenDC {
 public:
  explicit TWindowPanel(TWindowSystem& window) : window_(window) {}

  // Client coordinates of the panel.
  void SetBounds(const TWinRect& bounds) { bounds_ = bounds; }
  const TWinRect& Bounds() const { return bounds_; }
  TWinPoint Origin() const { return {bounds_.Left, bounds_.Top}; }
  // Client rows from the top that something else covers now (0: none).
  void SetCoveredRows(int rows) { coveredRows_ = rows; }

  TScreenDC& GetDC() override { return *this; }
  // Shows what was drawn since the last release.
  void ReleaseDC() override;
  void SetDepth(int bitCount) override;
  // Destination coordinates are the panel's.
  int StretchDIBits(int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh, TDIB& source) override;

  // The window asked for a repaint: the whole picture, stretched to the panel's size.
  void PaintAll(TCustomDIBX& picture);

 private:
  TWinRect Clip();

  TWindowSystem& window_;
  TWinRect bounds_;
  int coveredRows_ = 0;
  std::vector<TWinRect> changed_;
};

}  // namespace orva
