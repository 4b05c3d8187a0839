#pragma once
// The display device as the screen manager drives it: the list of display modes, exclusive
// control of the display for full screen, and mode changes. The control object may fail to
// open (no display service); everything else is asked of an open one.

#include <cstdint>
#include <string>
#include <vector>

namespace orva {

struct TDisplayModeInfo {
  uint32_t Width = 0, Height = 0, BitCount = 0, RefreshRate = 0;
  bool operator==(const TDisplayModeInfo&) const = default;
};

class TDisplayControl {
 public:
  virtual ~TDisplayControl() = default;
  // Whether there is a display service at all; without one full screen is never offered.
  virtual bool Available() = 0;
  // Opens the control object; false when it cannot be had.
  virtual bool Open() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() = 0;
  // Exclusive full-screen control of the display for the player's window, or normal sharing
  // (which also leaves a full-screen mode).
  virtual bool SetExclusive(bool exclusive) = 0;
  // The display's current mode; is555: its pixels have the 5-5-5 masks.
  virtual bool GetCurrentMode(TDisplayModeInfo& mode, bool& is555) = 0;
  // Every mode of the display, in its own order.
  virtual std::vector<TDisplayModeInfo> EnumModes() = 0;
  // Switches the display to the mode and shows the window full screen in it; only while
  // exclusive.
  virtual bool SetDisplayMode(const TDisplayModeInfo& mode) = 0;
};

// A display in memory: a mode list, a desktop mode, switches that make single operations
// fail, and a log of the calls ("open", "close", "exclusive 1", "mode 640x480x32@60",
// "read", "enum"). The headless backend and the tests use it.
class TFakeDisplay : public TDisplayControl {
 public:
  TFakeDisplay();

  bool Available() override { return HasService; }
  bool Open() override;
  void Close() override;
  bool IsOpen() override { return open_; }
  bool SetExclusive(bool exclusive) override;
  bool GetCurrentMode(TDisplayModeInfo& mode, bool& is555) override;
  std::vector<TDisplayModeInfo> EnumModes() override;
  bool SetDisplayMode(const TDisplayModeInfo& mode) override;

  // The display's state.
  std::vector<TDisplayModeInfo> Modes;
  TDisplayModeInfo Desktop{1024, 768, 32, 60};
  bool Desktop555 = false;
  // Whether the 16-bit full-screen modes have the 5-5-5 masks.
  bool FullScreen555 = false;
  // The mode shown while exclusive, or none (the desktop).
  bool InFullScreen() const { return fullScreen_; }
  const TDisplayModeInfo& Current() const { return fullScreen_ ? current_ : Desktop; }
  bool Exclusive() const { return exclusive_; }

  // Failure switches.
  bool HasService = true;
  bool FailOpen = false;
  bool FailExclusive = false;
  bool FailNormal = false;
  bool FailRead = false;
  bool FailSetMode = false;

  std::vector<std::string> Calls;

 private:
  bool open_ = false;
  bool exclusive_ = false;
  bool fullScreen_ = false;
  TDisplayModeInfo current_;
};

}  // namespace orva
