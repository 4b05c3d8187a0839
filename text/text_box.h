#pragma once
// TTextBox: the text box the player draws itself for edits and memos, in place of a native
// edit control: Shift-JIS text with a caret and a selection, keys and the mouse as such a
// control takes them (arrows, Home/End, Page Up/Down, Backspace/Delete, Ctrl+A/C/X/V,
// Ctrl+Insert, Shift+Insert, Shift+Delete, Shift to select), the input method's composition
// shown underlined at the caret, and drawing through the glyph cache. One line (an edit,
// scrolled sideways) or many (a memo, wrapped to its width and scrolled down, with a vertical
// scroll bar). No undo and no context menu.
//
// Coordinates are the box's own: (0, 0) its top-left corner.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/rect.h"

namespace orva {

class TCustomDIBX;

class TTextBox {
 public:
  // Width of the memo's scroll bar, and the space around the text.
  static constexpr int32_t ScrollBarWidth = 16, MarginX = 2, MarginY = 1;
  // Alignments of a memo's lines.
  enum TAlign : uint8_t { AlignLeft = 0, AlignRight = 1, AlignCenter = 2 };

  explicit TTextBox(bool multiLine);

  bool MultiLine() const { return multiLine_; }

  // ---- Look ----
  // Colours are 0x00BBGGRR; the style holds the FS_ bits; a negative height is the characters'
  // height, a positive one the cell's.
  const std::string& FontName() const { return fontName_; }
  void SetFontName(std::string_view name);
  int32_t FontHeight() const { return fontHeight_; }
  void SetFontHeight(int32_t height);
  uint8_t FontStyle() const { return fontStyle_; }
  void SetFontStyle(uint8_t style);
  int32_t FontColor = 0;
  int32_t Color = 0xFFFFFF;
  bool ReadOnly = false;
  // A disabled box shows its text grey.
  bool Enabled = true;
  uint8_t Alignment() const { return alignment_; }
  void SetAlignment(uint8_t alignment);
  void SetSize(int32_t width, int32_t height);

  // ---- Text ----
  const std::string& Text() const { return text_; }
  // The caret goes to the start, the selection and the composition away.
  void SetText(std::string_view text);
  // Bytes of the caret and of the selection's other end.
  size_t Caret() const { return caret_; }
  size_t Anchor() const { return anchor_; }
  void Select(size_t anchor, size_t caret);
  std::string SelectedText() const;

  // ---- Editing ----
  // A key down with the modifiers held; true when the box changed in any way.
  bool KeyDown(int virtualKey, bool shift, bool control);
  // Typed or committed text in place of the selection: an edit keeps what comes before the
  // first line break, a memo turns every line break into CR LF. Nothing while read-only.
  void Insert(std::string_view text);
  const std::string& Composition() const { return composition_; }
  void SetComposition(std::string_view text);
  // Ctrl+C, Ctrl+X and Ctrl+V through the platform's clipboard.
  void Copy();
  void Cut();
  void Paste();

  // ---- Mouse ----
  void MouseDown(TPoint point, bool shift);
  void MouseMove(TPoint point);
  void MouseUp();
  // The memo scrolls three lines a notch; an edit does nothing.
  void Wheel(bool down);

  // ---- Layout and drawing ----
  // The caret's rectangle (a line high).
  TRect CaretRect();
  // The first line shown (a memo) and the sideways scroll in pixels (an edit).
  int32_t TopLine();
  int32_t ScrollX();
  int32_t LineCount();
  // Draws the box with its top-left corner at the point; the caret only when focused.
  void Paint(TCustomDIBX& target, TPoint origin, bool focused);

 private:
  // A line as shown: bytes [Start, End) of the text, the start of each character and the
  // pen position before it (Pen has one more entry: the line's width).
  struct TLine {
    size_t Start = 0, End = 0;
    std::vector<size_t> Chars;
    std::vector<int32_t> Pen;
  };

  void Changed();
  void Layout();
  int32_t LineHeight();
  int32_t TextWidth() const;
  int32_t VisibleLines();
  int32_t Advance(uint16_t code);
  int32_t LineOffset(const TLine& line) const;
  // The shown line holding a byte position: the last whose start is not after it.
  int LineOf(size_t position);
  // The byte position nearest to x on a shown line.
  size_t PositionAt(int line, int32_t x);
  size_t PositionAtPoint(TPoint point);
  int32_t PenOf(const TLine& line, size_t position) const;
  size_t NextChar(size_t position) const;
  size_t PrevChar(size_t position) const;
  void MoveCaret(size_t position, bool extend);
  void ReplaceSelection(std::string_view text);
  bool DeleteSelection();
  // Scrolls so that the caret (and the composition after it) can be seen.
  void ShowCaret();
  int32_t CompositionWidth();
  // The memo's scroll bar: its thumb within the track, none when everything fits.
  bool ThumbRect(TRect& thumb);
  void ScrollTo(int32_t topLine);
  void DrawRun(TCustomDIBX& target, int32_t x, int32_t y, std::string_view text, uint32_t pixel);
  // The lines, the composition and the caret, inside the text area.
  void PaintText(TCustomDIBX& target, const TRect& box, const TRect& textArea, bool focused);

  bool multiLine_;
  std::string fontName_;
  int32_t fontHeight_ = 12;
  uint8_t fontStyle_ = 0;
  uint8_t alignment_ = AlignLeft;
  int32_t width_ = 0, height_ = 0;
  std::string text_;
  size_t caret_ = 0, anchor_ = 0;
  std::string composition_;
  // Where Up and Down aim, in pixels from the text's left edge; -1 none.
  int32_t preferredX_ = -1;
  int32_t topLine_ = 0, scrollX_ = 0;
  bool selecting_ = false;
  // Dragging the scroll bar's thumb: the grip's offset in the thumb.
  bool thumbDrag_ = false;
  int32_t thumbGrip_ = 0;

  bool laidOut_ = false;
  std::vector<TLine> lines_;
  int32_t lineHeight_ = 1;
};

}  // namespace orva
