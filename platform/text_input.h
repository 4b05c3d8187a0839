#pragma once
// Typed text: the platform's input method and clipboard, and the one widget of the player's
// own that holds the text focus (an edit or memo). While no widget holds it, text input is off
// and the input method never sees the game's keys; while one does, the window hands it the
// keys, the committed text and the composition instead of giving them to the scene. Texts are
// UTF-8: the widget converts at this boundary.

#include <string>
#include <string_view>

#include "platform/window_system.h"

namespace orva {

class TTextInputService {
 public:
  virtual ~TTextInputService() = default;
  // Input method and text events on or off.
  virtual void SetTextInput(bool on) = 0;
  virtual bool TextInputOn() = 0;
  // Where the input method puts its candidates: the caret's rectangle in client coordinates.
  virtual void SetCandidateRect(const TWinRect& rect) = 0;
  virtual std::string ClipboardText() = 0;
  virtual void SetClipboardText(const std::string& text) = 0;
};

// The service of a window without input method: a flag, a rectangle and a clipboard in memory,
// each change counted. The headless window's, the default, and the tests' recording fake.
class TMemoryTextInput : public TTextInputService {
 public:
  void SetTextInput(bool on) override {
    if (on != on_) ++switches;
    on_ = on;
  }
  bool TextInputOn() override { return on_; }
  void SetCandidateRect(const TWinRect& rect) override { candidate = rect; }
  std::string ClipboardText() override { return clipboard; }
  void SetClipboardText(const std::string& text) override { clipboard = text; }

  TWinRect candidate;
  std::string clipboard;
  int switches = 0;

 private:
  bool on_ = false;
};

// The widget holding the text focus.
class TTextInputClient {
 public:
  virtual ~TTextInputClient() = default;
  // Every key down (repeat: an auto-repeat) and key up while it holds the focus.
  virtual void TextKeyDown(int virtualKey, bool repeat, bool shift, bool control) = 0;
  virtual void TextKeyUp(int virtualKey) = 0;
  // Text the keyboard or the input method committed.
  virtual void TextCommit(std::string_view text) = 0;
  // The input method's text being composed; empty when the composition ends.
  virtual void TextCompose(std::string_view text) = 0;
};

// The installed service (not owned), else an in-memory one.
TTextInputService& TextInputService();
// Installs a service (nullptr: the in-memory one) and switches its input to match the focus.
void SetTextInputService(TTextInputService* service);

// The widget holding the text focus, or none. A change switches the service's input on or off.
TTextInputClient* TextFocus();
void SetTextFocus(TTextInputClient* client);

// Hands a window's text and key events to the widget holding the text focus; false for any
// other event, or when no widget holds it.
bool DispatchTextEvent(const TWindowEvent& event);

}  // namespace orva
