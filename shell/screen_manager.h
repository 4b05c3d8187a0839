#pragma once
// The one screen manager: the back buffer the scene composes each frame into, its colour
// depth (taken from the display), the presentation of the changed parts on the scene panel,
// and the display's modes with the switch between the window and exclusive full screen.
// Every picture is made in memory; the display device is only asked for its modes, for
// exclusive control and for mode changes.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/display_control.h"

namespace orva {

class TCustomDIBX;
class TDIBX;
class TOrvaBaseList;
class TScreenDC;

// The panel the frames are shown on: its device context, held from GetDC until ReleaseDC,
// which shows what was drawn.
class TScreenPanel {
 public:
  virtual ~TScreenPanel() = default;
  virtual TScreenDC& GetDC() = 0;
  virtual void ReleaseDC() = 0;
  // The depth of the back buffer the frames are made in (15: 5-5-5).
  virtual void SetDepth(int bitCount) {}
};

using TDisplayMode = TDisplayModeInfo;

class TScreenManager {
 public:
  // Lists the full-screen modes and picks the best one, then sets up the window. Raises
  // "DirectDrawを初期化できません" when the display service exists but its control
  // object or exclusive level cannot be had.
  TScreenManager(TDisplayControl& display, TScreenPanel& panel, int32_t width, int32_t height,
                 int32_t preferredWidth, int32_t preferredHeight);
  ~TScreenManager();
  TScreenManager(const TScreenManager&) = delete;
  TScreenManager& operator=(const TScreenManager&) = delete;

  int GetModeCount() const { return static_cast<int>(modes_.size()); }
  // A copy of the entry; a zero record outside the list.
  TDisplayMode GetMode(int index) const;
  // -1 windowed, an index of the mode list full screen.
  void SetMode(int index);
  void Reset();
  // Shows the scene's changed rectangles (or all of it), then empties both layers' lists.
  void Present(TOrvaBaseList& scene);
  TScreenDC& GetDC();
  void ReleaseDC();
  // Frees the back buffer and the control object: Mode -2.
  void ReleaseAll();

  // Whether a mode index names an entry of the list.
  bool IsModeIndex(int index) const { return index >= 0 && index < GetModeCount(); }
  bool DisplayServiceAvailable() { return display_.Available(); }

  int32_t Mode() const { return mode_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  TCustomDIBX* BackBuffer() const;
  bool FullScreen() const { return fullScreen_; }
  int32_t BackBufferBitCount() const { return backBufferBitCount_; }
  int32_t DisplayBitCount() const { return displayBitCount_; }
  int32_t DesktopBitCount() const { return desktopBitCount_; }
  int32_t PreferredWidth() const { return preferredWidth_; }
  int32_t PreferredHeight() const { return preferredHeight_; }
  // The mode used for full screen; -1 none. The script may choose another.
  int32_t BestMode = -1;

 private:
  void EnumModesCallback(const TDisplayMode& mode);
  void MakeBackBuffer(int bits);

  TDisplayControl& display_;
  TScreenPanel& panel_;
  std::vector<TDisplayMode> modes_;
  int32_t mode_ = -2;
  int32_t width_, height_;
  TScreenDC* dc_ = nullptr;
  std::unique_ptr<TDIBX> backBuffer_;
  bool fullScreen_ = false;
  int32_t backBufferBitCount_ = 16;
  int32_t displayBitCount_ = 0;
  int32_t preferredWidth_, preferredHeight_;
  int32_t desktopBitCount_ = 24;
};

// The global screen manager; none without a screen (a screen size that is not positive).
extern std::unique_ptr<TScreenManager> ScreenManager;

}  // namespace orva
