#pragma once
// The toolbar strip along the top of the main window: a dock 22 pixels high with two
// buttons, "終了" (exit) and "画面切替" (window / full screen). It is drawn into the
// window's client picture; a click is a press and a release on the same button.

#include "platform/window_system.h"

namespace orva {

class TToolbar {
 public:
  static constexpr int DockHeight = 22;
  static constexpr int ButtonWidth = 67;
  static constexpr int ButtonHeight = 18;
  enum TButton { NoButton = -1, ExitButton = 0, ScreenButton = 1 };

  // Draws the strip across the client width and shows it (nothing while hidden).
  void Draw(TWindowSystem& window) const;
  TButton HitTest(TWinPoint p) const;
  // A press on a button holds it down; the release gives the button clicked, if any.
  void Press(TWinPoint p);
  TButton Release(TWinPoint p);
  TButton Pressed() const { return pressed_; }

  bool Visible = true;

 private:
  TButton pressed_ = NoButton;
};

}  // namespace orva
