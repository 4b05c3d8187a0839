#pragma once
// What the system variables read of the subsystems above the scene: the message history, the
// screen manager with the main window, and the MIDI manager. Each is a small interface the
// subsystem installs once it exists; until then the variables give the answers of an absent
// part and ignore writes.

#include <cstdint>
#include <string>
#include <string_view>

namespace orva {

// The message history (backlog). Absent: @HistoryCount 0, @HistoryMaxCount 0.
class THistoryLink {
 public:
  virtual ~THistoryLink() = default;
  // The history's size: the total height of its records (or their count in the old format).
  virtual int32_t GetTotal() = 0;
  // The most records kept (below 1: no limit).
  virtual int32_t GetMaxCount() = 0;
  virtual void SetMaxCount(int32_t count) = 0;
};

// The screen manager and the main window. Absent: @FullScr FALSE, @DisplayModeCount 0,
// @DisplayModeIndex -1; writes, and @MouseX/@MouseY writes, ignored.
class TDisplayLink {
 public:
  virtual ~TDisplayLink() = default;
  virtual bool GetFullScreen() = 0;
  // Switches the presentation to full screen or to the window.
  virtual void SetFullScreen(bool flag) = 0;
  // The full-screen display modes enumerated at start.
  virtual int32_t GetModeCount() = 0;
  // The chosen full-screen mode.
  virtual int32_t GetModeIndex() = 0;
  // Chooses the mode, then switches to it when the screen is full.
  virtual void SetModeIndex(int32_t index) = 0;
  // Moves the mouse cursor to x (or y) in scene-panel coordinates, keeping the other.
  virtual void SetMouseX(int32_t x) = 0;
  virtual void SetMouseY(int32_t y) = 0;
};

// The MIDI output devices. Absent: @MidiPort "", @MidiPorts no elements; writes ignored.
class TMidiLink {
 public:
  virtual ~TMidiLink() = default;
  virtual int32_t GetDeviceCount() = 0;
  // The name of device i (the manager answers names outside the list itself).
  virtual std::string GetDeviceNameAt(int32_t index) = 0;
  // The selected device's name.
  virtual std::string GetDeviceName() = 0;
  // Selects the device of that name (a name not in the list selects the first).
  virtual void SelectDeviceName(std::string_view name) = 0;
};

}  // namespace orva
