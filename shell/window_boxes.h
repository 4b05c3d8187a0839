#pragma once
// The player's message boxes: the window's own boxes, and where the display offers none (a
// bare X server without fonts, say) a box drawn over the player's window and answered there.

#include "platform/message_box.h"
#include "platform/window_system.h"

namespace orva {

class TWindowBoxes final : public TMessageBoxService {
 public:
  explicit TWindowBoxes(TWindowSystem& window) : window_(window) {}
  TMsgResult Show(const std::string& text, const std::string& caption, TMsgButtons buttons, TMsgIcon icon) override;

 private:
  TWindowSystem& window_;
};

// A box drawn in the middle of the window's client picture, answered by a click on one of
// its buttons, Enter (the first button) or Escape (the last); the picture is given back
// afterwards. Closing the window answers None.
TMsgResult ShowDrawnBox(TWindowSystem& window, const std::string& text, const std::string& caption,
                        TMsgButtons buttons);

}  // namespace orva
