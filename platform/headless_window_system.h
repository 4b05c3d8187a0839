#pragma once
// The headless backend: a window in memory on a fake display, a virtual clock that moves
// only when the program sleeps and by 1 ms per frame step, input played from a script at
// virtual times, and message boxes printed on standard error and answered from a list.
// The window is active as soon as it is shown. Waiting for events jumps the clock to the
// next scripted input; with none left the window is closed.
//
// Input script: entries separated by ";" or new lines, each "<ms> <action> [arguments]":
//   close | activate | deactivate | expose
//   move X Y | click X Y | rclick X Y | down left|right|middle X Y | up left|right|middle X Y
//   wheel up|down | keydown K | keyup K | key K (down and up) | repeat K (an auto-repeat)
//   type TEXT (each letter, digit or space with its key; other characters as committed text)
//   compose TEXT (the input method's composition; empty ends it) | commit TEXT
// X, Y are client coordinates; K is a virtual-key code (decimal or 0x hex), a letter or
// digit, or one of SPACE RETURN ESCAPE TAB BACK LEFT UP RIGHT DOWN SHIFT CONTROL HOME END
// DELETE INSERT PAGEUP PAGEDOWN F1..F12. TEXT is UTF-8, the rest of the entry without the
// spaces around it; text events are dropped while text input is off. Key and mouse events
// carry the modifiers of the SHIFT and CONTROL keys held before them.
// Box answers: "ok", "cancel", "yes", "no" separated by ",". Addresses to open are recorded
// and printed on standard error as "[open] <address>".

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_box.h"
#include "platform/text_input.h"
#include "platform/window_system.h"

namespace orva {

struct TScriptedInput {
  uint32_t Time = 0;
  TWindowEvent Event;
};

// Raises std::invalid_argument naming the entry that cannot be read.
std::vector<TScriptedInput> ParseInputScript(std::string_view text);
std::deque<TMsgResult> ParseBoxAnswers(std::string_view text);

class THeadlessWindowSystem : public TWindowSystem {
 public:
  THeadlessWindowSystem(std::vector<TScriptedInput> input, std::deque<TMsgResult> answers);

  uint32_t Milliseconds() override { return clock_; }
  void Sleep(uint32_t ms) override { clock_ += ms; }
  bool IsVirtual() const override { return true; }
  void FrameStepped() override { clock_ += 1; }

  void CreateWindow(const std::string& title, int clientWidth, int clientHeight) override;
  void ShowWindow() override;
  bool IsShown() override { return shown_; }
  void SetTitle(const std::string& title) override { title_ = title; }
  void SetClientSize(int width, int height) override;
  int ClientWidth() override { return width_; }
  int ClientHeight() override { return height_; }
  TWinRect FrameRect() override { return {left_, top_, left_ + width_, top_ + height_}; }
  void MoveWindow(int left, int top) override {
    left_ = left;
    top_ = top;
  }
  void SetBordered(bool bordered) override { bordered_ = bordered; }
  TWinRect WorkArea() override;
  uint32_t* Pixels() override { return pixels_.data(); }
  void Flush(const std::vector<TWinRect>& changed) override { ++flushes_; }
  // Always 0x00RRGGBB: captured frames are read from it.
  TShownRows OpenRect(const TWinRect& rect) override {
    return {reinterpret_cast<uint8_t*>(pixels_.data() + static_cast<ptrdiff_t>(rect.Top) * width_ + rect.Left),
            static_cast<ptrdiff_t>(width_) * 4, TShownLayout::XRGB8888};
  }
  void ShowOpened() override { ++flushes_; }

  bool PollEvent(TWindowEvent& event) override;
  void WaitEvent() override;
  void PostClose() override;

  TWinPoint CursorPos() override { return cursor_; }
  void WarpMouse(TWinPoint client) override { cursor_ = client; }
  void SetCursor(const TCursorImage* image) override { customCursor_ = image != nullptr; }
  void InhibitScreenSaver() override {}
  void OpenAddress(const std::string& address) override;

  TDisplayControl& Display() override { return display_; }
  TMessageBoxService& MessageBoxes() override { return boxes_; }
  TTextInputService& TextInput() override { return textInput_; }

  TFakeDisplay& FakeDisplay() { return display_; }
  const std::string& Title() const { return title_; }
  bool Bordered() const { return bordered_; }
  bool CustomCursor() const { return customCursor_; }
  int Flushes() const { return flushes_; }
  const std::vector<std::string>& OpenedAddresses() const { return opened_; }

 private:
  // Prints each box and answers it from the list; once the list is used up, OK for a box
  // with only OK and nothing for any other.
  class TBoxes : public TMessageBoxService {
   public:
    explicit TBoxes(std::deque<TMsgResult> answers) : answers_(std::move(answers)) {}
    TMsgResult Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                    TMsgIcon icon) override;

   private:
    std::deque<TMsgResult> answers_;
  };

  // Moves the scripted inputs that are due into the queue.
  void TakeDueInput();

  uint32_t clock_ = 0;
  std::deque<TScriptedInput> script_;
  std::deque<TWindowEvent> queue_;
  TFakeDisplay display_;
  TBoxes boxes_;
  TMemoryTextInput textInput_;
  std::string title_;
  int width_ = 0, height_ = 0, left_ = 0, top_ = 0;
  bool shown_ = false, bordered_ = true, customCursor_ = false;
  int flushes_ = 0;
  TWinPoint cursor_;
  std::vector<uint32_t> pixels_;
  std::vector<std::string> opened_;
};

}  // namespace orva
