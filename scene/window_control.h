#pragma once
// A control that stands for a window of its own above the scene panel (an edit or a memo): it
// is drawn over the finished scene picture, after both layers and the running transition, and
// the main window offers it the mouse before the scene hears of it. Such controls register in
// their scene (TOrvaBaseList::AddWindowControl) and leave it before they go.

#include "core/rect.h"

namespace orva {

class TCustomDIBX;

class TWindowControl {
 public:
  virtual ~TWindowControl() = default;
  // Whether it is shown now, and where, in the scene picture's coordinates.
  virtual bool WindowShown() = 0;
  virtual TRect WindowBounds() = 0;
  // Draws the whole window over the picture; the picture's clip is its bounds.
  virtual void PaintWindow(TCustomDIBX& picture) = 0;
  // The mouse over it, in the scene picture's coordinates; the press holds it until the release.
  virtual void WindowMouseDown(TPoint point, bool left, bool shift) = 0;
  virtual void WindowMouseMove(TPoint point) = 0;
  virtual void WindowMouseUp() = 0;
  // The wheel turned while the mouse is over it.
  virtual void WindowWheel(bool down) {}
};

}  // namespace orva
