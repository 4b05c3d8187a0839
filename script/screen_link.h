#pragma once
// What the system variables need of the shell's screen: full screen, the display modes and
// the choice of the full-screen mode, and moving the mouse cursor. The shell installs it
// while its screen exists; without one the variables read 0 and assignments do nothing.

#include <cstdint>

namespace orva {

struct TDisplayModeRecord {
  uint32_t Width = 0, Height = 0, BitCount = 0, RefreshRate = 0;
};

class TScreenLink {
 public:
  virtual ~TScreenLink() = default;
  // @FullScr.
  virtual bool GetFullScreen() = 0;
  virtual void SetFullScreen(bool value) = 0;
  // @DisplayModeCount, and the mode records by index (a zero record outside the list).
  virtual int32_t GetModeCount() = 0;
  virtual TDisplayModeRecord GetMode(int32_t index) = 0;
  // @DisplayModeIndex: the mode used for full screen (-1 none); assigning it switches an
  // active full screen to the new mode.
  virtual int32_t GetBestMode() = 0;
  virtual void SetBestMode(int32_t index) = 0;
  // @MouseX, @MouseY: move the cursor to that scene-panel coordinate, keeping the other.
  virtual void SetMouseX(int32_t x) = 0;
  virtual void SetMouseY(int32_t y) = 0;
};

TScreenLink* GetScreenLink();
void SetScreenLink(TScreenLink* link);

}  // namespace orva
