#pragma once
// The settings window "動作設定" shown for "/config" instead of the game: the check box for
// the sound output, the sound delay's track bar with its value, and OK and キャンセル, drawn
// in the player's own window (client area 270 × 179, centred on the desktop) over a
// settings model.

#include "platform/window_system.h"
#include "shell/config_model.h"

namespace orva {

class TConfigWindow {
 public:
  static constexpr int ClientWidth = 270, ClientHeight = 179;
  static constexpr TWinRect FrameRect{8, 8, 261, 121};
  static constexpr TWinRect CheckRect{28, 24, 245, 41};
  static constexpr TWinRect LabelPos{28, 56, 173, 68};
  static constexpr TWinRect InfoRect{173, 56, 241, 68};
  static constexpr TWinRect TrackRect{28, 72, 249, 97};
  static constexpr TWinRect OkRect{100, 140, 175, 165};
  static constexpr TWinRect CancelRect{180, 140, 255, 165};

  TConfigWindow(TWindowSystem& window, TConfigModel& model);

  // Creates and shows the window and reads the settings (the model's Load).
  void Open();
  // Handles events until the window is closed; returns the process's exit code (0).
  int Run();
  void HandleEvent(const TWindowEvent& event);
  // Cleared by OK (when the settings were written), キャンセル and closing the window.
  bool Running() const { return running_; }
  // The track bar position under a client x (nearest step).
  static int TrackPositionAt(int x);

 private:
  enum TButton { NoButton, OkButton, CancelButton };
  void Draw();
  void Press(TWinPoint p);
  void Release(TWinPoint p);
  void Confirm();
  void Cancel();

  TWindowSystem& window_;
  TConfigModel& model_;
  bool running_ = false;
  TButton pressed_ = NoButton;
  bool dragging_ = false;
};

// The main block's "/config" branch: the window, until it closes.
int RunConfigWindow(TWindowSystem& window, TConfigModel& model);

}  // namespace orva
