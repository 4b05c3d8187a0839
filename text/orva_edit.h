#pragma once
// TOrvaEdit (LT_EDIT) and TOrvaMemo (LT_MEMO): text boxes the player types into, one line or
// many. Each stands for a window of its own above the scene panel (TWindowControl): placed
// exactly over the control's screen rectangle, shown only while the control is visible on the
// shown layer, drawn over everything else. The box itself (TTextBox) holds the text, the look
// and the caret.
//
// Focus: the box holding the text focus (platform/text_input.h) gets the keys, the typed text
// and the input method's composition instead of the scene, and text input is on only then. A
// box takes the text focus when it is placed on screen, clicked, or given the scene's focus
// while shown and enabled; taking it moves the scene's focus to the control and clears the
// scene's keys. It lets go when hidden, disabled, freed, or when the scene's focus moves to
// another control.
//
// ONNOTIFY (33) comes at every key down, repeats included, with the virtual-key code and the
// text before the key; text the input method composed or committed without a key down notifies
// 229. The edit takes no line breaks; Enter in the memo starts a new line.

#include <cstdint>
#include <string>

#include "platform/text_input.h"
#include "scene/orva_control.h"
#include "scene/window_control.h"
#include "text/text_box.h"

namespace orva {

class TOrvaEdit : public TOrvaControl, public TWindowControl, public TTextInputClient {
 public:
  explicit TOrvaEdit(TOrvaBaseList* owner) : TOrvaEdit(owner, false) {}
  ~TOrvaEdit() override;

  uint8_t GetCompoType() override { return LT_EDIT; }

  // ---- Properties ----
  std::string GetText() override { return box_.Text(); }
  void SetText(std::string_view value) override;
  std::string GetFontName() override { return box_.FontName(); }
  void SetFontName(std::string_view value) override;
  // The height as an absolute value, whatever sign it was given.
  int32_t GetFontHeight() override;
  void SetFontHeight(int32_t value) override;
  TFontStyles GetFontStyle() override;
  void SetFontStyle(TFontStyles value) override;
  int32_t GetFontColor() override { return box_.FontColor; }
  void SetFontColor(int32_t value) override;
  int32_t GetColor() override { return box_.Color; }
  void SetColor(int32_t value) override;
  bool GetReadOnly() override { return box_.ReadOnly; }
  void SetReadOnly(bool value) override;
  // PAUSED: not enabled.
  bool GetPaused() override { return !box_.Enabled; }
  void SetPaused(bool value) override;
  bool GetHandleKey() override { return true; }
  std::string GetOnNotify() override { return onNotify_; }
  void SetOnNotify(std::string_view value) override { onNotify_ = value; }

  // Position, size, parent and offsets place the box again.
  void SetWidth(int32_t value) override;
  void SetHeight(int32_t value) override;
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
  void SetParent(TOrvaControl* parent) override;
  void SetPlusX(int32_t value) override;
  void SetPlusY(int32_t value) override;
  void SetVisible(bool value) override;
  void PositionChanged() override;

  bool Idle() override;
  void FocusGained() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  // ---- The box as a window ----
  bool WindowShown() override { return shown_; }
  TRect WindowBounds() override { return bounds_; }
  void PaintWindow(TCustomDIBX& picture) override;
  void WindowMouseDown(TPoint point, bool left, bool shift) override;
  void WindowMouseMove(TPoint point) override;
  void WindowMouseUp() override;
  void WindowWheel(bool down) override;

  // ---- Text focus ----
  void TextKeyDown(int virtualKey, bool repeat, bool shift, bool control) override;
  void TextKeyUp(int virtualKey) override;
  void TextCommit(std::string_view text) override;
  void TextCompose(std::string_view text) override;
  bool HasTextFocus() const { return TextFocus() == this; }

  TTextBox& Box() { return box_; }

 protected:
  TOrvaEdit(TOrvaBaseList* owner, bool multiLine);
  // The part of the stored form between the read-only flag and the handler.
  virtual void SaveAlignment(TStream& stream) {}
  virtual void LoadAlignment(TStream& stream) {}
  // The box drawn again where it stands.
  void Repaint();

 private:
  // Over its screen rectangle and shown as VISIBLE says while the parent is shown on the
  // shown layer; else hidden. A box that comes out shown takes the text focus.
  void Place();
  bool OnShownLayer();
  void SetShown(bool shown);
  void TakeTextFocus();
  void ReleaseTextFocus();
  void Notify(int virtualKey);
  void TellCandidateRect();

  TTextBox box_;
  std::string onNotify_;
  bool shown_ = false;
  TRect bounds_{};
  // A key went down since the last text event: the text that follows is that key's.
  bool keyPending_ = false;
};

class TOrvaMemo : public TOrvaEdit {
 public:
  explicit TOrvaMemo(TOrvaBaseList* owner) : TOrvaEdit(owner, true) {}

  uint8_t GetCompoType() override { return LT_MEMO; }
  // HALIGN: 0 left, 1 right, 2 centred.
  uint8_t GetHAlign() override { return Box().Alignment(); }
  void SetHAlign(uint8_t value) override;

 protected:
  void SaveAlignment(TStream& stream) override;
  void LoadAlignment(TStream& stream) override;
};

}  // namespace orva
