#pragma once
// The scene panel's mouse cursor: the arrow, or the game's custom cursor loaded from a cursor
// file (animated ones step through their frames on the clock). The window shows the panel's
// cursor only while the mouse is over the panel.

#include <cstdint>
#include <string>

#include "platform/window_system.h"
#include "scene/scene_services.h"
#include "shell/cursor_file.h"

namespace orva {

class TPanelCursor final : public TSceneCursor {
 public:
  explicit TPanelCursor(TWindowSystem& window) : window_(window) {}

  void LoadCustomCursor(const std::string& realPath) override;
  TKind GetPanelCursor() override { return kind_; }
  void SetPanelCursor(TKind cursor) override;

  // Whether the mouse is over the panel (else the window shows the arrow).
  void SetOverPanel(bool over);
  // Moves an animated cursor on to the frame of this time (ms).
  void Animate(uint32_t now);

 private:
  void Show();

  TWindowSystem& window_;
  TKind kind_ = Arrow;
  bool overPanel_ = true;
  TCursorFile custom_;
  size_t step_ = 0;
  uint32_t stepStart_ = 0;
  // What the window shows now: none, or the frame index shown.
  bool showingCustom_ = false;
  int shownFrame_ = -1;
};

}  // namespace orva
