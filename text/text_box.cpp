#include "text/text_box.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/sjis.h"
#include "graphics/custom_dibx.h"
#include "platform/text_input.h"
#include "text/font_pixel.h"
#include "text/font_pixel_manager.h"

namespace orva {

namespace {

// The look of a native edit control: the selection's colours, the grey of a disabled text and
// the scroll bar's (0x00BBGGRR).
constexpr int32_t kHighlight = 0xD77800, kHighlightText = 0xFFFFFF, kGrayText = 0x808080;
constexpr int32_t kScrollTrack = 0xF0F0F0, kScrollThumb = 0xC0C0C0, kScrollEdge = 0xE0E0E0;
constexpr int32_t kMinThumb = 8, kWheelLines = 3;
// Line heights beyond this are taken as this, so that positions stay far from overflow.
constexpr int32_t kMaxLineHeight = 4096;
constexpr int32_t kMaxBoxSize = 65536, kMaxOrigin = 1 << 24;
// Pen positions and widths are held below this, so that sums of a few of them fit.
constexpr int64_t kMaxPen = 1 << 28;

constexpr int VK_BACK = 0x08, VK_RETURN = 0x0D, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24,
              VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_DELETE = 0x2E;

bool IsControlByte(char c) { return static_cast<uint8_t>(c) < 0x20; }

// The code of the character at a byte position, as the glyph cache knows it.
uint16_t CodeAt(std::string_view text, size_t i) {
  const auto lead = static_cast<uint8_t>(text[i]);
  if (IsLeadByte(lead) && i + 1 < text.size()) return static_cast<uint16_t>(lead << 8 | static_cast<uint8_t>(text[i + 1]));
  return lead;
}

// Every line break (CR LF, CR or LF) as CR LF.
std::string CrLfBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      out += "\r\n";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

TTextBox::TTextBox(bool multiLine) : multiLine_(multiLine), fontName_(DefaultFontName()) {}

// ---- Look ----

void TTextBox::SetFontName(std::string_view name) {
  fontName_ = name;
  Changed();
}

void TTextBox::SetFontHeight(int32_t height) {
  fontHeight_ = height;
  Changed();
}

void TTextBox::SetFontStyle(uint8_t style) {
  fontStyle_ = style;
  Changed();
}

void TTextBox::SetAlignment(uint8_t alignment) { alignment_ = alignment; }

void TTextBox::SetSize(int32_t width, int32_t height) {
  // A window has no negative size, and none larger than any screen.
  width = std::clamp(width, 0, kMaxBoxSize);
  height = std::clamp(height, 0, kMaxBoxSize);
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  Changed();
}

// ---- Text ----

void TTextBox::SetText(std::string_view text) {
  text_ = text;
  caret_ = anchor_ = 0;
  composition_.clear();
  topLine_ = scrollX_ = 0;
  Changed();
}

void TTextBox::Select(size_t anchor, size_t caret) {
  anchor_ = std::min(anchor, text_.size());
  caret_ = std::min(caret, text_.size());
  ShowCaret();
}

std::string TTextBox::SelectedText() const {
  const size_t a = std::min(anchor_, caret_), b = std::max(anchor_, caret_);
  return text_.substr(a, b - a);
}

// ---- Editing ----

bool TTextBox::KeyDown(int key, bool shift, bool control) {
  Layout();
  const bool selection = caret_ != anchor_;
  const bool vertical = multiLine_ && (key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT);
  if (!vertical) preferredX_ = -1;
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      if (!vertical) {
        const bool back = key == VK_LEFT || key == VK_UP;
        if (selection && !shift)
          MoveCaret(back ? std::min(caret_, anchor_) : std::max(caret_, anchor_), false);
        else
          MoveCaret(back ? PrevChar(caret_) : NextChar(caret_), shift);
        return true;
      }
      [[fallthrough]];
    case VK_PRIOR:
    case VK_NEXT: {
      if (!multiLine_) return false;
      const int line = LineOf(caret_);
      const int step = key == VK_UP || key == VK_DOWN ? 1 : VisibleLines();
      const int target = std::clamp(key == VK_UP || key == VK_PRIOR ? line - step : line + step, 0, LineCount() - 1);
      if (preferredX_ < 0) preferredX_ = PenOf(lines_[size_t(line)], caret_);
      const int32_t x = preferredX_;
      if (key == VK_PRIOR || key == VK_NEXT) ScrollTo(topLine_ + (target - line));
      MoveCaret(PositionAt(target, x), shift);
      preferredX_ = x;
      return true;
    }
    case VK_HOME:
      MoveCaret(multiLine_ && !control ? lines_[size_t(LineOf(caret_))].Start : 0, shift);
      return true;
    case VK_END:
      MoveCaret(multiLine_ && !control ? lines_[size_t(LineOf(caret_))].End : text_.size(), shift);
      return true;
    case VK_BACK:
      if (ReadOnly) return false;
      if (!DeleteSelection()) {
        if (caret_ == 0) return false;
        const size_t from = PrevChar(caret_);
        text_.erase(from, caret_ - from);
        caret_ = anchor_ = from;
      }
      Changed();
      ShowCaret();
      return true;
    case VK_DELETE:
      if (shift) {
        Cut();
        return true;
      }
      if (ReadOnly) return false;
      if (!DeleteSelection()) {
        if (caret_ >= text_.size()) return false;
        text_.erase(caret_, NextChar(caret_) - caret_);
        anchor_ = caret_;
      }
      Changed();
      ShowCaret();
      return true;
    case VK_INSERT:
      if (control) Copy();
      else if (shift) Paste();
      return control || shift;
    case VK_RETURN:
      if (!multiLine_ || ReadOnly) return false;
      ReplaceSelection("\r\n");
      return true;
    default:
      break;
  }
  if (!control) return false;
  switch (key) {
    case 'A':
      anchor_ = 0;
      caret_ = text_.size();
      ShowCaret();
      return true;
    case 'C':
      Copy();
      return true;
    case 'X':
      Cut();
      return true;
    case 'V':
      Paste();
      return true;
    default:
      return false;
  }
}

void TTextBox::Insert(std::string_view text) {
  if (ReadOnly) return;
  if (multiLine_) {
    ReplaceSelection(CrLfBreaks(text));
  } else {
    const size_t end = text.find_first_of("\r\n");
    ReplaceSelection(text.substr(0, end));
  }
}

void TTextBox::SetComposition(std::string_view text) {
  const std::string_view shown = ReadOnly ? std::string_view() : text.substr(0, text.find_first_of("\r\n"));
  if (shown == composition_) return;
  composition_ = shown;
  ShowCaret();
}

void TTextBox::Copy() {
  if (caret_ != anchor_) TextInputService().SetClipboardText(SjisToUtf8(SelectedText()));
}

void TTextBox::Cut() {
  if (ReadOnly || caret_ == anchor_) return;
  Copy();
  DeleteSelection();
  Changed();
  ShowCaret();
}

void TTextBox::Paste() {
  if (!ReadOnly) Insert(Utf8ToSjisDropping(TextInputService().ClipboardText()));
}

void TTextBox::ReplaceSelection(std::string_view text) {
  DeleteSelection();
  text_.insert(caret_, text);
  caret_ = anchor_ = caret_ + text.size();
  Changed();
  ShowCaret();
}

bool TTextBox::DeleteSelection() {
  if (caret_ == anchor_) return false;
  const size_t a = std::min(anchor_, caret_), b = std::max(anchor_, caret_);
  text_.erase(a, b - a);
  caret_ = anchor_ = a;
  return true;
}

size_t TTextBox::NextChar(size_t position) const {
  if (position >= text_.size()) return text_.size();
  if (text_[position] == '\r' && position + 1 < text_.size() && text_[position + 1] == '\n') return position + 2;
  if (IsLeadByte(text_[position]) && position + 1 < text_.size()) return position + 2;
  return position + 1;
}

size_t TTextBox::PrevChar(size_t position) const {
  position = std::min(position, text_.size());
  if (position == 0) return 0;
  if (text_[position - 1] == '\n') return position >= 2 && text_[position - 2] == '\r' ? position - 2 : position - 1;
  // A line feed is never the second byte of a character: characters are found again from the
  // start of the line.
  const size_t feed = text_.rfind('\n', position - 1);
  size_t p = feed == std::string::npos ? 0 : feed + 1;
  for (size_t q = NextChar(p); q < position; q = NextChar(p)) p = q;
  return p;
}

void TTextBox::MoveCaret(size_t position, bool extend) {
  caret_ = std::min(position, text_.size());
  if (!extend) anchor_ = caret_;
  ShowCaret();
}

// ---- Mouse ----

void TTextBox::MouseDown(TPoint point, bool shift) {
  Layout();
  preferredX_ = -1;
  if (multiLine_ && point.X >= width_ - ScrollBarWidth) {
    TRect thumb;
    if (!ThumbRect(thumb)) return;
    if (point.Y >= thumb.Top && point.Y < thumb.Bottom) {
      thumbDrag_ = true;
      thumbGrip_ = point.Y - thumb.Top;
    } else {
      ScrollTo(point.Y < thumb.Top ? topLine_ - VisibleLines() : topLine_ + VisibleLines());
    }
    return;
  }
  selecting_ = true;
  MoveCaret(PositionAtPoint(point), shift);
}

void TTextBox::MouseMove(TPoint point) {
  if (thumbDrag_) {
    TRect thumb;
    if (!ThumbRect(thumb)) return;
    const int64_t range = int64_t{height_} - thumb.Height(), lines = int64_t{LineCount()} - VisibleLines();
    if (range <= 0) return;
    const int64_t top = std::clamp<int64_t>(int64_t{point.Y} - thumbGrip_, 0, range);
    ScrollTo(static_cast<int32_t>((top * lines + range / 2) / range));
  } else if (selecting_) {
    MoveCaret(PositionAtPoint(point), true);
  }
}

void TTextBox::MouseUp() { selecting_ = thumbDrag_ = false; }

void TTextBox::Wheel(bool down) {
  if (multiLine_) ScrollTo(topLine_ + (down ? kWheelLines : -kWheelLines));
}

// ---- Layout ----

void TTextBox::Changed() { laidOut_ = false; }

int32_t TTextBox::Advance(uint16_t code) {
  if (code < 0x20) return 0;
  try {
    return FontPixelManager().GetGlyph(code, fontName_, fontHeight_, fontStyle_ & (kStyleBold | kStyleItalic))->Advance();
  } catch (const Exception&) {
    return 0;
  }
}

int32_t TTextBox::TextWidth() const {
  return std::max(width_ - 2 * MarginX - (multiLine_ ? ScrollBarWidth : 0), 0);
}

int32_t TTextBox::LineHeight() {
  Layout();
  return lineHeight_;
}

int32_t TTextBox::VisibleLines() { return std::max((height_ - 2 * MarginY) / LineHeight(), 1); }

int32_t TTextBox::LineCount() {
  Layout();
  return static_cast<int32_t>(lines_.size());
}

void TTextBox::Layout() {
  if (laidOut_) return;
  laidOut_ = true;
  TRasterFontMetrics metrics;
  const uint8_t style = fontStyle_ & (kStyleBold | kStyleItalic);
  const int64_t height = FontPixelManager().FontMetrics(fontName_, fontHeight_, style, metrics) && metrics.Height > 0
                             ? metrics.Height
                             : std::abs(int64_t{fontHeight_});
  lineHeight_ = static_cast<int32_t>(std::clamp<int64_t>(height, 1, kMaxLineHeight));
  lines_.clear();
  // A box without room wraps nowhere.
  const int64_t wrap = multiLine_ && TextWidth() > 0 ? TextWidth() : INT64_MAX;
  size_t start = 0;
  while (true) {
    size_t end = multiLine_ ? text_.find_first_of("\r\n", start) : std::string::npos;
    if (end == std::string::npos) end = text_.size();
    // The characters of the paragraph and their advances, then lines as long as fit, broken
    // after the last space that fits where there is one.
    std::vector<size_t> chars;
    std::vector<int32_t> advances;
    for (size_t i = start; i < end; i = NextChar(i)) {
      chars.push_back(i);
      advances.push_back(Advance(CodeAt(text_, i)));
    }
    size_t i = 0;
    do {
      const size_t first = i;
      int64_t pen = 0;
      size_t space = SIZE_MAX;
      while (i < chars.size() && (i == first || pen + advances[i] <= wrap)) {
        if (text_[chars[i]] == ' ') space = i;
        pen += advances[i++];
      }
      if (i < chars.size() && space != SIZE_MAX && space + 1 > first) i = space + 1;
      TLine line;
      line.Start = first < chars.size() ? chars[first] : start;
      line.End = i < chars.size() ? chars[i] : end;
      line.Chars.assign(chars.begin() + std::ptrdiff_t(first), chars.begin() + std::ptrdiff_t(i));
      int32_t x = 0;
      for (size_t k = first; k < i; ++k) {
        line.Pen.push_back(x);
        x = static_cast<int32_t>(std::min<int64_t>(int64_t{x} + advances[k], kMaxPen));
      }
      line.Pen.push_back(x);
      lines_.push_back(std::move(line));
    } while (i < chars.size());
    if (end >= text_.size()) break;
    start = text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n' ? end + 2 : end + 1;
  }
}

int32_t TTextBox::LineOffset(const TLine& line) const {
  if (!multiLine_) return 0;
  const int32_t room = std::max(TextWidth() - line.Pen.back(), 0);
  return alignment_ == AlignRight ? room : alignment_ == AlignCenter ? room / 2 : 0;
}

int TTextBox::LineOf(size_t position) {
  Layout();
  const auto after = std::upper_bound(lines_.begin(), lines_.end(), position,
                                      [](size_t p, const TLine& line) { return p < line.Start; });
  return std::max(static_cast<int>(after - lines_.begin()) - 1, 0);
}

int32_t TTextBox::PenOf(const TLine& line, size_t position) const {
  const auto at = std::lower_bound(line.Chars.begin(), line.Chars.end(), position);
  return line.Pen[size_t(at - line.Chars.begin())];
}

size_t TTextBox::PositionAt(int index, int32_t x) {
  const TLine& line = lines_[size_t(std::clamp(index, 0, LineCount() - 1))];
  for (size_t j = 0; j < line.Chars.size(); ++j)
    if (x < (line.Pen[j] + line.Pen[j + 1]) / 2) return line.Chars[j];
  return line.End;
}

size_t TTextBox::PositionAtPoint(TPoint point) {
  const int32_t height = LineHeight();
  const int64_t dy = int64_t{point.Y} - MarginY;
  const int64_t row = (dy >= 0 ? dy : dy - height + 1) / height;
  const int line = static_cast<int>(std::clamp<int64_t>(topLine_ + row, 0, LineCount() - 1));
  const int64_t x = int64_t{point.X} - MarginX - LineOffset(lines_[size_t(line)]) + scrollX_;
  return PositionAt(line, static_cast<int32_t>(std::clamp<int64_t>(x, -kMaxPen, kMaxPen)));
}

int32_t TTextBox::CompositionWidth() {
  int64_t width = 0;
  for (size_t i = 0; i < composition_.size(); i += IsLeadByte(composition_[i]) && i + 1 < composition_.size() ? 2 : 1)
    width += Advance(CodeAt(composition_, i));
  return static_cast<int32_t>(std::min<int64_t>(width, kMaxPen));
}

void TTextBox::ShowCaret() {
  Layout();
  const int line = LineOf(caret_);
  if (multiLine_) {
    const int visible = VisibleLines();
    if (line < topLine_) topLine_ = line;
    if (line >= topLine_ + visible) topLine_ = line - visible + 1;
    ScrollTo(topLine_);
    return;
  }
  const TLine& only = lines_.front();
  const int64_t room = std::max(TextWidth() - 1, 0);
  const int64_t caret = PenOf(only, caret_), end = caret + CompositionWidth();
  int64_t scroll = scrollX_;
  if (end - scroll > room) scroll = end - room;
  if (caret < scroll) scroll = caret;
  // No empty room kept at the right once the text has moved left.
  scroll = std::min<int64_t>(scroll, std::max<int64_t>(int64_t{only.Pen.back()} + CompositionWidth() - room, 0));
  scrollX_ = static_cast<int32_t>(std::clamp<int64_t>(scroll, 0, caret));
}

bool TTextBox::ThumbRect(TRect& thumb) {
  const int64_t count = LineCount(), visible = VisibleLines();
  if (!multiLine_ || count <= visible || height_ <= 0) return false;
  const int64_t size = std::clamp<int64_t>(int64_t{height_} * visible / count, std::min(kMinThumb, height_), height_);
  const int64_t top = (int64_t{height_} - size) * topLine_ / (count - visible);
  thumb = {width_ - ScrollBarWidth, static_cast<int32_t>(top), width_, static_cast<int32_t>(top + size)};
  return true;
}

void TTextBox::ScrollTo(int32_t topLine) { topLine_ = std::clamp(topLine, 0, std::max(LineCount() - VisibleLines(), 0)); }

int32_t TTextBox::TopLine() {
  Layout();
  return topLine_;
}

int32_t TTextBox::ScrollX() { return scrollX_; }

TRect TTextBox::CaretRect() {
  const int line = LineOf(caret_);
  const TLine& l = lines_[size_t(line)];
  const int64_t x = int64_t{MarginX} + LineOffset(l) + PenOf(l, caret_) - scrollX_;
  const int64_t y = MarginY + int64_t{line - topLine_} * lineHeight_;
  const auto clamp = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, -kMaxPen, kMaxPen)); };
  return {clamp(x), clamp(y), clamp(x + 1), clamp(y + lineHeight_)};
}

// ---- Drawing ----

void TTextBox::DrawRun(TCustomDIBX& target, int32_t x, int32_t y, std::string_view text, uint32_t pixel) {
  if (!text.empty())
    FontPixelManager().DrawTextLine(target, x, y, text, fontName_, fontHeight_, fontStyle_ & (kStyleBold | kStyleItalic),
                                    pixel);
}

void TTextBox::PaintText(TCustomDIBX& target, const TRect& box, const TRect& textArea, bool focused) {
  const uint32_t ink = target.ColorToPixel(Enabled ? FontColor : kGrayText);
  const uint32_t highlight = target.ColorToPixel(kHighlight), highlightInk = target.ColorToPixel(kHighlightText);
  // The selection shows only while the box has the focus, as a native control's does.
  const size_t selA = focused ? std::min(anchor_, caret_) : 0, selB = focused ? std::max(anchor_, caret_) : 0;
  TRasterFontMetrics metrics;
  const bool known = FontPixelManager().FontMetrics(fontName_, fontHeight_, fontStyle_ & 3, metrics);
  const int32_t ascent = known && metrics.Ascent > 0 ? std::min(metrics.Ascent, lineHeight_ - 1) : lineHeight_ - 2;

  const int last = std::min<int>(LineCount(), topLine_ + VisibleLines() + 1);
  for (int k = topLine_; k < last; ++k) {
    const TLine& line = lines_[size_t(k)];
    const int64_t y64 = int64_t{box.Top} + MarginY + int64_t{k - topLine_} * lineHeight_;
    const int64_t x64 = int64_t{box.Left} + MarginX + LineOffset(line) - scrollX_;
    if (y64 >= box.Bottom || x64 < -kMaxPen || x64 > kMaxPen) break;
    const auto y = static_cast<int32_t>(y64), x0 = static_cast<int32_t>(x64);
    // Runs of characters of one look, without the control characters, only those in sight.
    size_t j = 0;
    while (j < line.Chars.size()) {
      const size_t at = line.Chars[j];
      const bool selected = at >= selA && at < selB;
      size_t k2 = j;
      while (k2 < line.Chars.size() && (line.Chars[k2] >= selA && line.Chars[k2] < selB) == selected &&
             !IsControlByte(text_[line.Chars[k2]]))
        ++k2;
      if (k2 == j) {  // a control character: nothing to draw
        ++j;
        continue;
      }
      const int32_t left = x0 + line.Pen[j], right = x0 + line.Pen[k2];
      if (right >= textArea.Left && left < textArea.Right) {
        if (selected) target.FillRect({left, y, right, y + lineHeight_}, highlight);
        const size_t endByte = k2 < line.Chars.size() ? line.Chars[k2] : line.End;
        DrawRun(target, left, y, std::string_view(text_).substr(at, endByte - at), selected ? highlightInk : ink);
        if (fontStyle_ & kStyleUnderline) target.FillRect({left, y + ascent + 1, right, y + ascent + 2}, ink);
        if (fontStyle_ & kStyleStrikeOut) target.FillRect({left, y + lineHeight_ / 2, right, y + lineHeight_ / 2 + 1}, ink);
      }
      j = k2;
    }
  }

  const TRect caret = CaretRect();
  const int32_t compositionWidth = CompositionWidth();
  const int32_t cx = box.Left + caret.Left, cy = box.Top + caret.Top;
  if (!composition_.empty()) {
    target.FillRect({cx, cy, cx + compositionWidth, cy + lineHeight_}, target.ColorToPixel(Color));
    DrawRun(target, cx, cy, composition_, ink);
    target.FillRect({cx, cy + lineHeight_ - 1, cx + compositionWidth, cy + lineHeight_}, ink);
  }
  if (focused && Enabled) target.FillRect({cx + compositionWidth, cy, cx + compositionWidth + 1, cy + lineHeight_}, ink);
}

void TTextBox::Paint(TCustomDIBX& target, TPoint origin, bool focused) {
  Layout();
  const TRect box = Bounds(std::clamp(origin.X, -kMaxOrigin, kMaxOrigin), std::clamp(origin.Y, -kMaxOrigin, kMaxOrigin),
                           width_, height_);
  const TRect outerClip = target.GetClipRect();
  TRect clip = IntersectRectOf(box, outerClip);
  if (clip.IsEmpty()) return;
  target.SetClipRect(clip);
  target.FillRect(box, target.ColorToPixel(Color));
  FontPixelManager().Quality = 3;

  TRect textArea = box;
  if (multiLine_) textArea.Right = std::max(box.Right - ScrollBarWidth, box.Left);
  // An empty clip would mean none: a box without room for text draws none.
  const TRect textClip = IntersectRectOf(textArea, outerClip);
  if (!textClip.IsEmpty()) {
    target.SetClipRect(textClip);
    PaintText(target, box, textArea, focused);
  }

  if (multiLine_) {
    target.SetClipRect(clip);
    const TRect bar{std::max(box.Right - ScrollBarWidth, box.Left), box.Top, box.Right, box.Bottom};
    target.FillRect(bar, target.ColorToPixel(kScrollTrack));
    target.FillRect({bar.Left, bar.Top, bar.Left + 1, bar.Bottom}, target.ColorToPixel(kScrollEdge));
    TRect thumb;
    if (ThumbRect(thumb))
      target.FillRect({box.Left + thumb.Left + 2, box.Top + thumb.Top + 1, box.Left + thumb.Right - 2,
                       box.Top + thumb.Bottom - 1},
                      target.ColorToPixel(kScrollThumb));
  }
  target.SetClipRect(outerClip);
}

}  // namespace orva
