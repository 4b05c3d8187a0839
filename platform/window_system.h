#pragma once
// The player's one window as the shell drives it: a client picture (0x00RRGGBB, top row
// first) that the shell draws into and flushes, the window's events, the mouse cursor, the
// display device, message boxes and the clock. Two backends: SDL for a real display
// (platform/sdl_window_system.h) and a deterministic headless one
// (platform/headless_window_system.h).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/display_control.h"
#include "platform/shown_rows.h"

namespace orva {

class TMessageBoxService;
class TTextInputService;

struct TWinPoint {
  int X = 0, Y = 0;
  bool operator==(const TWinPoint&) const = default;
};

// Right and bottom exclusive.
struct TWinRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Left >= Right || Top >= Bottom; }
  bool Contains(TWinPoint p) const { return Left <= p.X && p.X < Right && Top <= p.Y && p.Y < Bottom; }
  bool operator==(const TWinRect&) const = default;
};

struct TWindowEvent {
  enum class TKind : uint8_t {
    Close,       // the window's close button, or a close posted by the program
    Activate,    // the player came to the foreground
    Deactivate,  // it left it
    Expose,      // the window must be drawn again
    MouseDown,
    MouseUp,
    MouseMove,
    Wheel,
    KeyDown,
    KeyUp,
    AudioDeviceRemoved,  // an audio output device went away
    TextInput,           // text typed or committed by the input method (only while text input is on)
    TextEditing,         // the input method's composition changed (only while text input is on)
  };
  enum class TButton : uint8_t { Left, Right, Middle, Other };

  TKind Kind = TKind::Close;
  TButton Button = TButton::Left;
  TWinPoint Pos;           // mouse events: client coordinates
  bool WheelDown = false;  // towards the user
  int VirtualKey = 0;      // key events: the virtual-key code (0x08 Back .. 0x7B F12)
  bool Repeat = false;     // an auto-repeated key-down
  bool Shift = false, Control = false;  // key and mouse events: the modifiers held
  std::string Text;        // TextInput, TextEditing: UTF-8 (an empty composition has ended)
  uint32_t AudioDevice = 0;  // AudioDeviceRemoved: the device's id
};

inline TWindowEvent WindowEvent(TWindowEvent::TKind kind) {
  TWindowEvent event;
  event.Kind = kind;
  return event;
}

// A cursor picture: 0xAARRGGBB, top row first, with its hot spot.
struct TCursorImage {
  int Width = 0, Height = 0;
  int HotX = 0, HotY = 0;
  std::vector<uint32_t> Pixels;
};

class TWindowSystem {
 public:
  virtual ~TWindowSystem() = default;

  // ---- Clock ----
  // Milliseconds since an arbitrary start, wrapping.
  virtual uint32_t Milliseconds() = 0;
  virtual void Sleep(uint32_t ms) = 0;
  // True for the headless backend, whose clock moves only by Sleep and FrameStepped.
  virtual bool IsVirtual() const = 0;
  // Told once after every frame step.
  virtual void FrameStepped() {}

  // ---- Window ----
  // Creates the window, hidden, with a client picture of that size (black).
  virtual void CreateWindow(const std::string& title, int clientWidth, int clientHeight) = 0;
  virtual void ShowWindow() = 0;
  virtual bool IsShown() = 0;
  virtual void SetTitle(const std::string& title) = 0;
  // A new client size clears the picture to black.
  virtual void SetClientSize(int width, int height) = 0;
  virtual int ClientWidth() = 0;
  virtual int ClientHeight() = 0;
  // The window's outer rectangle on the desktop (frame included).
  virtual TWinRect FrameRect() = 0;
  // Moves the outer top-left corner.
  virtual void MoveWindow(int left, int top) = 0;
  virtual void SetBordered(bool bordered) = 0;
  // The usable part of the desktop (without panels and task bars).
  virtual TWinRect WorkArea() = 0;
  // The client picture as shown: ClientWidth() pixels per row. Ask again after drawing
  // through OpenRect.
  virtual uint32_t* Pixels() = 0;
  // Shows the changed rectangles of the client picture.
  virtual void Flush(const std::vector<TWinRect>& changed) = 0;
  // The scene is drawn every frame straight into what is shown, without the copy through
  // Pixels(). The backend may keep the shown picture in the scene's layout, so that
  // presenting the scene is a copy.
  virtual void SetSceneLayout(TShownLayout layout) {}
  // Opens a rectangle inside the client picture for drawing, until the next OpenRect,
  // ShowOpened or Flush.
  virtual TShownRows OpenRect(const TWinRect& rect) = 0;
  // Shows what was drawn into the opened rectangles.
  virtual void ShowOpened() = 0;

  // ---- Events ----
  virtual bool PollEvent(TWindowEvent& event) = 0;
  // Returns once an event is pending.
  virtual void WaitEvent() = 0;
  // Queues a Close.
  virtual void PostClose() = 0;

  // ---- Mouse, screen saver ----
  // The cursor's position in client coordinates, now.
  virtual TWinPoint CursorPos() = 0;
  virtual void WarpMouse(TWinPoint client) = 0;
  // nullptr: the arrow. The window makes its own copy of the picture.
  virtual void SetCursor(const TCursorImage* image) = 0;
  virtual void InhibitScreenSaver() = 0;
  // Opens a web address (UTF-8) with the desktop's own handler and returns at once.
  virtual void OpenAddress(const std::string& address) = 0;

  // ---- Display and boxes ----
  virtual TDisplayControl& Display() = 0;
  // Boxes shown over the window. An answer of None means that no box could be shown.
  virtual TMessageBoxService& MessageBoxes() = 0;
  // The input method and the clipboard (platform/text_input.h).
  virtual TTextInputService& TextInput() = 0;
};

}  // namespace orva
