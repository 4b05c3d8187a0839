#include "text/orva_edit.h"

#include "core/encoding.h"
#include "core/stream.h"
#include "core/string_lists.h"
#include "scene/base_list.h"

namespace orva {

namespace {

// The code a native edit hears for a key the input method took.
constexpr int kProcessKey = 229;

}  // namespace

TOrvaEdit::TOrvaEdit(TOrvaBaseList* owner, bool multiLine) : TOrvaControl(owner), box_(multiLine) {
  if (owner) owner->AddWindowControl(this);
}

TOrvaEdit::~TOrvaEdit() {
  if (HasTextFocus()) SetTextFocus(nullptr);
  Repaint();
  if (TOrvaBaseList* scene = GetOwner()) scene->RemoveWindowControl(this);
}

// ---- Properties ----

void TOrvaEdit::SetText(std::string_view value) {
  box_.SetText(value);
  Repaint();
  TellCandidateRect();
}

void TOrvaEdit::SetFontName(std::string_view value) {
  box_.SetFontName(value);
  Repaint();
}

int32_t TOrvaEdit::GetFontHeight() {
  const int32_t height = box_.FontHeight();
  // Wrapping as a 32-bit absolute value does.
  return height < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(height)) : height;
}

void TOrvaEdit::SetFontHeight(int32_t value) {
  box_.SetFontHeight(value);
  Repaint();
  TellCandidateRect();
}

TFontStyles TOrvaEdit::GetFontStyle() { return IntToFontStyles(box_.FontStyle()); }

void TOrvaEdit::SetFontStyle(TFontStyles value) {
  box_.SetFontStyle(static_cast<uint8_t>(FontStylesToInt(value)));
  Repaint();
}

void TOrvaEdit::SetFontColor(int32_t value) {
  box_.FontColor = value;
  Repaint();
}

void TOrvaEdit::SetColor(int32_t value) {
  box_.Color = value;
  Repaint();
}

void TOrvaEdit::SetReadOnly(bool value) {
  box_.ReadOnly = value;
  if (value) box_.SetComposition({});
  Repaint();
}

void TOrvaEdit::SetPaused(bool value) {
  if (value == !box_.Enabled) return;
  box_.Enabled = !value;
  // A disabled window takes no keys.
  if (value) ReleaseTextFocus();
  Repaint();
}

void TOrvaEdit::SetWidth(int32_t value) {
  if (value == GetWidth()) return;
  TOrvaControl::SetWidth(value);
  Place();
}

void TOrvaEdit::SetHeight(int32_t value) {
  if (value == GetHeight()) return;
  TOrvaControl::SetHeight(value);
  Place();
}

void TOrvaEdit::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  TOrvaControl::SetBounds(left, top, width, height);
  Place();
}

void TOrvaEdit::SetParent(TOrvaControl* parent) {
  TOrvaControl::SetParent(parent);
  Place();
}

void TOrvaEdit::SetPlusX(int32_t value) {
  TOrvaControl::SetPlusX(value);
  Place();
}

void TOrvaEdit::SetPlusY(int32_t value) {
  TOrvaControl::SetPlusY(value);
  Place();
}

void TOrvaEdit::SetVisible(bool value) {
  if (value == GetVisible()) return;
  TOrvaControl::SetVisible(value);
  // Shown or hidden as the flag says, without taking the focus; where it cannot be shown the
  // next update hides it again anyway.
  const bool shown = value && OnShownLayer();
  if (shown) {
    bounds_ = GetScreenRect();
    box_.SetSize(GetWidth(), GetHeight());
  }
  SetShown(shown);
}

void TOrvaEdit::PositionChanged() {
  TOrvaControl::PositionChanged();
  Place();
}

// ---- Placing and focus ----

bool TOrvaEdit::OnShownLayer() {
  TOrvaControl* parent = GetParent();
  return parent && parent->IsActiveOnScreen();
}

void TOrvaEdit::Place() {
  if (!OnShownLayer()) {
    SetShown(false);
    return;
  }
  const TRect bounds = GetScreenRect();
  if (!(bounds == bounds_)) {
    Repaint();
    bounds_ = bounds;
    box_.SetSize(GetWidth(), GetHeight());
    Repaint();
  }
  SetShown(GetVisible());
  if (shown_) TakeTextFocus();
}

void TOrvaEdit::SetShown(bool shown) {
  if (shown == shown_) return;
  // Hiding the window shows again what lay under it.
  Repaint();
  shown_ = shown;
  Repaint();
  if (!shown_) ReleaseTextFocus();
}

void TOrvaEdit::Repaint() {
  TOrvaBaseList* scene = GetOwner();
  // A scene being freed may have no layers left.
  TOrvaBase* layer = scene ? scene->ActiveLayer() : nullptr;
  if (shown_ && layer) layer->AddDirtyRect(bounds_);
}

void TOrvaEdit::TakeTextFocus() {
  if (!shown_ || !box_.Enabled || HasTextFocus()) return;
  if (auto* other = dynamic_cast<TOrvaEdit*>(TextFocus())) other->ReleaseTextFocus();
  SetTextFocus(this);
  keyPending_ = false;
  TellCandidateRect();
  Repaint();
  // Keys typed into the box are not the scene's.
  if (TOrvaBaseList* scene = GetOwner()) {
    scene->SetFocus(this);
    scene->ClearKeys();
  }
}

void TOrvaEdit::ReleaseTextFocus() {
  if (!HasTextFocus()) return;
  SetTextFocus(nullptr);
  box_.SetComposition({});
  box_.MouseUp();
  keyPending_ = false;
  Repaint();
}

void TOrvaEdit::FocusGained() { TakeTextFocus(); }

bool TOrvaEdit::Idle() {
  const bool free = TOrvaControl::Idle();
  if (IsActiveOnScreen() != shown_) Place();
  // The scene's focus went to another control: the game's keys are the game's again.
  if (HasTextFocus() && GetOwner() && GetOwner()->GetFocus() != this) ReleaseTextFocus();
  return free;
}

void TOrvaEdit::TellCandidateRect() {
  if (!HasTextFocus()) return;
  const TRect caret = box_.CaretRect();
  TextInputService().SetCandidateRect({bounds_.Left + caret.Left, bounds_.Top + caret.Top, bounds_.Left + caret.Right,
                                       bounds_.Top + caret.Bottom});
}

// ---- Keys and text ----

void TOrvaEdit::Notify(int virtualKey) {
  if (onNotify_.empty()) return;
  TArrayString args;
  args.Add(std::to_string(virtualKey));
  args.Add(box_.Text());
  QueueEvent(PR_ONNOTIFY, onNotify_, &args);
}

void TOrvaEdit::TextKeyDown(int virtualKey, bool repeat, bool shift, bool control) {
  if (!box_.Enabled) return;
  keyPending_ = true;
  Notify(virtualKey);
  if (box_.KeyDown(virtualKey, shift, control)) {
    Repaint();
    TellCandidateRect();
  }
}

void TOrvaEdit::TextKeyUp(int) { keyPending_ = false; }

void TOrvaEdit::TextCommit(std::string_view text) {
  if (!box_.Enabled) return;
  if (!keyPending_) Notify(kProcessKey);
  keyPending_ = false;
  box_.SetComposition({});
  box_.Insert(Utf8ToSjisDropping(text));
  Repaint();
  TellCandidateRect();
}

void TOrvaEdit::TextCompose(std::string_view text) {
  if (!box_.Enabled) return;
  const std::string composed = Utf8ToSjisDropping(text);
  if (composed == box_.Composition()) return;
  if (!keyPending_) Notify(kProcessKey);
  keyPending_ = false;
  box_.SetComposition(composed);
  Repaint();
  TellCandidateRect();
}

// ---- The window ----

void TOrvaEdit::PaintWindow(TCustomDIBX& picture) { box_.Paint(picture, {bounds_.Left, bounds_.Top}, HasTextFocus()); }

void TOrvaEdit::WindowMouseDown(TPoint point, bool left, bool shift) {
  // A disabled window takes no clicks; the right button opens no menu here.
  if (!box_.Enabled || !left) return;
  TakeTextFocus();
  box_.MouseDown({point.X - bounds_.Left, point.Y - bounds_.Top}, shift);
  Repaint();
  TellCandidateRect();
}

void TOrvaEdit::WindowMouseMove(TPoint point) {
  box_.MouseMove({point.X - bounds_.Left, point.Y - bounds_.Top});
  Repaint();
}

void TOrvaEdit::WindowWheel(bool down) {
  if (!box_.Enabled) return;
  box_.Wheel(down);
  Repaint();
}

void TOrvaEdit::WindowMouseUp() {
  box_.MouseUp();
  TellCandidateRect();
}

// ---- Stored form ----

void TOrvaEdit::SaveToStream(TStream& stream) {
  TOrvaControl::SaveToStream(stream);
  WriteStreamBool(stream, !box_.Enabled);
  WriteStreamString(stream, box_.Text());
  WriteStreamString(stream, box_.FontName());
  WriteStreamInt(stream, box_.FontHeight());
  WriteStreamByte(stream, box_.FontStyle());
  WriteStreamInt(stream, box_.FontColor);
  WriteStreamInt(stream, box_.Color);
  WriteStreamBool(stream, box_.ReadOnly);
  SaveAlignment(stream);
  WriteStreamString(stream, onNotify_);
}

void TOrvaEdit::LoadFromStream(TStream& stream, int version) {
  TOrvaControl::LoadFromStream(stream, version);
  SetPaused(ReadStreamBool(stream));
  SetText(ReadStreamString(stream));
  SetFontName(ReadStreamString(stream));
  SetFontHeight(ReadStreamInt(stream));
  SetFontStyle(IntToFontStyles(ReadStreamByte(stream)));
  SetFontColor(ReadStreamInt(stream));
  SetColor(ReadStreamInt(stream));
  SetReadOnly(ReadStreamBool(stream));
  LoadAlignment(stream);
  onNotify_ = ReadStreamString(stream);
  Place();
}

// ---- Memo ----

void TOrvaMemo::SetHAlign(uint8_t value) {
  Box().SetAlignment(value);
  Repaint();
}

void TOrvaMemo::SaveAlignment(TStream& stream) { WriteStreamByte(stream, Box().Alignment()); }

void TOrvaMemo::LoadAlignment(TStream& stream) { SetHAlign(ReadStreamByte(stream)); }

}  // namespace orva
