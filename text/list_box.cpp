#include "text/list_box.h"

#include <cmath>

#include "core/exceptions.h"
#include "core/file_manager.h"
#include "core/frame_clock.h"
#include "core/stream.h"
#include "core/string_lists.h"
#include "graphics/custom_dibx.h"
#include "scene/base_list.h"
#include "scene/geometry.h"
#include "scene/picture_draw.h"
#include "script/param_collection.h"
#include "text/mes_data.h"

namespace orva {

namespace {

constexpr int VkPageUp = 33, VkPageDown = 34, VkUp = 38, VkDown = 40;

int32_t Wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

TRect Span64(int64_t left, int64_t top, int64_t right, int64_t bottom) {
  return {Wrap32(left), Wrap32(top), Wrap32(right), Wrap32(bottom)};
}

bool FileFound(std::string_view name) { return FileManager && !name.empty() && FileManager->FileExists(name); }

bool IsPiece(int index) { return index >= 0 && index < 9; }

}  // namespace

TOrvaCustomListBox::TOrvaCustomListBox(TOrvaBaseList* owner) : TOrvaControl(owner) { SetColor(-1); }

TOrvaCustomListBox::~TOrvaCustomListBox() {
  Invalidate();
  scrollImage_.Release();
  checkImage_.Release();
  for (TOrvaImageList& piece : pieces_) piece.Clear();
}

// ---- Properties ----

void TOrvaCustomListBox::SetText(std::string_view value) {
  if (value == text_) return;
  Invalidate();
  std::string_view text = value;
  while (!text.empty() && static_cast<uint8_t>(text.front()) < 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<uint8_t>(text.back()) < 32) text.remove_suffix(1);
  text_ = text;
  const std::vector<std::string> lines = SplitLines(text_);
  checks_.assign(lines.size(), 0);
  // New labels for every line; those of unchanged lines keep their measure for the layout.
  normal_.SetTexts(lines);
  hover_.SetTexts(lines);
  SetTopIndex(0);
  layoutDirty_ = true;
}

void TOrvaCustomListBox::SetTopIndex(int32_t value) {
  if (value < 0) value = 0;
  if (Scrolling()) {
    const int64_t last = int64_t{GetCount()} - rowCount_;
    if (value > last) value = Wrap32(last);
  } else {
    value = 0;
  }
  StoreAndInvalidate(topIndex_, value);
}

void TOrvaCustomListBox::SetBorderColor(int32_t value) { StoreAndInvalidate(borderColor_, value); }
void TOrvaCustomListBox::SetHAlign(uint8_t value) { StoreAndInvalidate(halign_, value); }

void TOrvaCustomListBox::SetAlpha(int32_t value) {
  if (value == alpha_) return;
  alpha_ = normal_.Alpha = hover_.Alpha = value;
  Invalidate();
}

void TOrvaCustomListBox::SetFontName(std::string_view value) {
  if (value == normal_.FontName) return;
  Invalidate();
  normal_.FontName = hover_.FontName = value;
  layoutDirty_ = true;
}

void TOrvaCustomListBox::SetFontHeight(int32_t value) {
  if (value == normal_.FontSize) return;
  Invalidate();
  normal_.SetFontSize(value);
  hover_.SetFontSize(value);
  layoutDirty_ = true;
}

void TOrvaCustomListBox::SetFontStyle(TFontStyles value) {
  const auto style = static_cast<uint8_t>(FontStylesToInt(value));
  if (style == normal_.Style) return;
  Invalidate();
  normal_.Style = style;
  layoutDirty_ = true;
}

void TOrvaCustomListBox::SetFontColor(int32_t value) { StoreAndInvalidate(normal_.Color, value); }

void TOrvaCustomListBox::SetAntialias(bool value) {
  if (value == GetAntialias()) return;
  Invalidate();
  normal_.Quality = hover_.Quality = value ? 3 : 0;
  layoutDirty_ = true;
}

void TOrvaCustomListBox::SetFontBorder(int32_t value) { ChangeLayout(normal_.BorderWidth, value); }
void TOrvaCustomListBox::SetFontShadow(int32_t value) { ChangeLayout(normal_.ShadowWidth, value); }
void TOrvaCustomListBox::SetFontBorderColor(int32_t value) { StoreAndInvalidate(normal_.BorderColor, value); }
void TOrvaCustomListBox::SetFontShadowColor(int32_t value) { StoreAndInvalidate(normal_.ShadowColor, value); }
void TOrvaCustomListBox::SetFontHoverBorder(int32_t value) { ChangeLayout(hover_.BorderWidth, value); }
void TOrvaCustomListBox::SetFontHoverShadow(int32_t value) { ChangeLayout(hover_.ShadowWidth, value); }
void TOrvaCustomListBox::SetFontHoverBorderColor(int32_t value) { StoreAndInvalidate(hover_.BorderColor, value); }
void TOrvaCustomListBox::SetFontHoverShadowColor(int32_t value) { StoreAndInvalidate(hover_.ShadowColor, value); }

std::string TOrvaCustomListBox::GetBorderSource(int index) {
  return IsPiece(index) ? pieceNames_[size_t(index)] : std::string();
}

void TOrvaCustomListBox::SetBorderSource(int index, std::string_view value) {
  if (!IsPiece(index) || value == pieceNames_[size_t(index)]) return;
  Invalidate();
  pieceNames_[size_t(index)] = value;
  TOrvaImageList& piece = pieces_[size_t(index)];
  piece.Clear();
  if (FileFound(value)) {
    try {
      // Each piece is its own user of the cache, so that two pieces of one file each hold it.
      piece.LoadFromCache(&piece, value, false);
    } catch (const Exception&) {
      piece.Clear();
    }
  }
  TOrvaImageData* frame = piece.GetItem(0);
  TCustomDIBX* picture = frame ? frame->GetDIB() : nullptr;
  pieceSizes_[size_t(index)] = picture ? TPoint{picture->GetWidth(), picture->GetHeight()} : TPoint{};
  layoutDirty_ = true;
}

uint8_t TOrvaCustomListBox::GetBorderHAlign(int index) { return IsPiece(index) ? pieceHAlign_[size_t(index)] : 0; }
uint8_t TOrvaCustomListBox::GetBorderVAlign(int index) { return IsPiece(index) ? pieceVAlign_[size_t(index)] : 0; }

void TOrvaCustomListBox::SetBorderHAlign(int index, uint8_t value) {
  if (IsPiece(index)) StoreAndInvalidate(pieceHAlign_[size_t(index)], value);
}

void TOrvaCustomListBox::SetBorderVAlign(int index, uint8_t value) {
  if (IsPiece(index)) StoreAndInvalidate(pieceVAlign_[size_t(index)], value);
}

void TOrvaCustomListBox::SetScrollSource(std::string_view value) {
  if (value == scrollSource_) return;
  Invalidate();
  scrollSource_ = value;
  if (FileFound(value)) {
    scrollImage_.Load(value);
    scrollW_ = scrollImage_.CellWidth(7);
    scrollH_ = scrollImage_.Height();
  }
  layoutDirty_ = true;
}

void TOrvaCustomListBox::SetCheckSource(std::string_view value) {
  if (value == checkSource_) return;
  Invalidate();
  checkSource_ = value;
  if (FileFound(value)) {
    checkImage_.Load(value);
    checkW_ = checkImage_.CellWidth(2);
    checkH_ = checkImage_.Height();
  }
  layoutDirty_ = true;
}

void TOrvaCustomListBox::SetPaused(bool value) {
  if (value == paused_) return;
  paused_ = value;
  TOrvaBaseList* scene = GetOwner();
  if (!scene) return;
  TOrvaControl* focus = scene->GetFocus();
  if ((value && focus && (focus == this || Contains(focus))) || (!value && !focus)) {
    scene->SetFocus(nullptr);
    scene->RequestFocusUpdate(true);
  }
}

bool TOrvaCustomListBox::GetItemCheck(int index) {
  return index >= 0 && index < GetCount() && checks_[size_t(index)] != 0;
}

void TOrvaCustomListBox::SetItemCheck(int index, bool value) {
  if (index < 0 || index >= GetCount() || (checks_[size_t(index)] != 0) == value) return;
  checks_[size_t(index)] = value;
  Invalidate();
}

// ---- Geometry ----

namespace {
int32_t Widest(const std::array<TPoint, 9>& sizes, int a, int b, int c) {
  return std::max({sizes[size_t(a)].X, sizes[size_t(b)].X, sizes[size_t(c)].X});
}
int32_t Highest(const std::array<TPoint, 9>& sizes, int a, int b, int c) {
  return std::max({sizes[size_t(a)].Y, sizes[size_t(b)].Y, sizes[size_t(c)].Y});
}
}  // namespace

int32_t TOrvaCustomListBox::LeftW() { return Widest(pieceSizes_, 0, 3, 6); }
int32_t TOrvaCustomListBox::RightW() { return Widest(pieceSizes_, 2, 5, 8); }
int32_t TOrvaCustomListBox::TopH() { return Highest(pieceSizes_, 0, 1, 2); }
int32_t TOrvaCustomListBox::BottomH() { return Highest(pieceSizes_, 6, 7, 8); }

void TOrvaCustomListBox::Relayout() {
  normal_.Measure();
  hover_.Measure();
  const int64_t scroll = Scrolling() ? scrollW_ : 0;
  const int64_t width = int64_t{std::max(normal_.MaxWidth(), hover_.MaxWidth())} + 2 * int64_t{borderWidth_} + LeftW() +
                        RightW() + 2 * int64_t{marginX_} + scroll + checkW_;
  // The row height is the font size, not the measured label height.
  const int64_t rows = std::min(rowCount_, GetCount());
  const int64_t height = rows * normal_.FontSize + (rows - 1) * lineSpace_ + 2 * int64_t{borderWidth_} + TopH() +
                         BottomH() + 2 * int64_t{marginY_};
  SetWidth(Wrap32(width));
  SetHeight(Wrap32(height));
  layoutDirty_ = false;
}

TRect TOrvaCustomListBox::PieceRect(int i) {
  const TRect s = GetScreenRect();
  const int64_t bw = borderWidth_;
  const int64_t left = int64_t{s.Left} + bw, top = int64_t{s.Top} + bw;
  const int64_t right = int64_t{s.Left} + GetWidth() - bw, bottom = int64_t{s.Top} + GetHeight() - bw;
  const int64_t lw = LeftW(), rw = RightW(), th = TopH(), bh = BottomH();
  const int64_t w = pieceSizes_[size_t(i)].X, h = pieceSizes_[size_t(i)].Y;
  int64_t l, r, t, b;
  switch (i % 3) {
    case 0: l = left + lw - w, r = left + lw; break;
    case 1: l = left + lw, r = right - rw; break;
    default: l = right - rw, r = right - rw + w; break;
  }
  switch (i / 3) {
    case 0: t = top + th - h, b = top + th; break;
    case 1: t = top + th, b = bottom - bh; break;
    default:
      t = bottom - bh, b = bottom - bh + h;
      if (th > bottom - top) b = t;
      break;
  }
  t = std::max(t, top);
  b = std::min(b, bottom);
  if (l >= r || t >= b) return {};
  return Span64(l, t, r, b);
}

int64_t TOrvaCustomListBox::TrackLength() {
  return int64_t{GetHeight()} - 2 * int64_t{borderWidth_} - TopH() - BottomH() - 3 * int64_t{scrollH_};
}

TOrvaCustomListBox::TScrollParts TOrvaCustomListBox::ScrollParts() {
  TScrollParts parts;
  if (!Scrolling()) return parts;
  const TRect s = GetScreenRect();
  const int64_t n = int64_t{GetCount()} - rowCount_;
  const int64_t x1 = int64_t{s.Left} + GetWidth() - borderWidth_ - RightW() - scrollW_, x2 = x1 + scrollW_;
  const int64_t upTop = int64_t{s.Top} + borderWidth_ + TopH();
  const int64_t downTop = int64_t{s.Top} + GetHeight() - borderWidth_ - BottomH() - scrollH_;
  const int64_t length = TrackLength();
  // A track without length keeps the thumb at its start.
  const int64_t thumbTop = upTop + scrollH_ + (length > 0 ? length * topIndex_ / n : 0);
  parts.Up = Span64(x1, upTop, x2, upTop + scrollH_);
  parts.Down = Span64(x1, downTop, x2, downTop + scrollH_);
  parts.Thumb = Span64(x1, thumbTop, x2, thumbTop + scrollH_);
  parts.Above = Span64(x1, upTop + scrollH_, x2, thumbTop);
  parts.Below = Span64(x1, thumbTop + scrollH_, x2, downTop);
  return parts;
}

int TOrvaCustomListBox::ButtonAt(TPoint p) {
  const TScrollParts parts = ScrollParts();
  if (PointInRect(p, parts.Up)) return -1;
  if (PointInRect(p, parts.Down)) return 1;
  return 0;
}

int TOrvaCustomListBox::TrackAt(TPoint p) {
  const TScrollParts parts = ScrollParts();
  if (PointInRect(p, parts.Above)) return -1;
  if (PointInRect(p, parts.Below)) return 1;
  return 0;
}

bool TOrvaCustomListBox::ThumbAt(TPoint p) { return PointInRect(p, ScrollParts().Thumb); }

bool TOrvaCustomListBox::ThumbDragIndex(int32_t v, int32_t& index) {
  const int64_t length = TrackLength();
  if (!Scrolling() || length <= 0) return false;
  const int64_t n = int64_t{GetCount()} - rowCount_;
  const int64_t middle = int64_t{GetScreenTop()} + borderWidth_ + TopH() + scrollH_ + scrollH_ / 2;
  const double at = std::nearbyint(static_cast<double>(n) * static_cast<double>(v - middle) / static_cast<double>(length));
  index = static_cast<int32_t>(std::clamp<double>(at, 0, static_cast<double>(n)));
  return true;
}

int32_t TOrvaCustomListBox::ItemAt(TPoint p) {
  const TRect s = GetScreenRect();
  const int64_t hm = HalfMargin(), bw = borderWidth_;
  const int64_t left = int64_t{s.Left} + LeftW() + bw;
  const int64_t top = int64_t{s.Top} + marginY_ + TopH() + bw - hm;
  const int64_t right = int64_t{s.Left} + GetWidth() - RightW() - bw - (Scrolling() ? scrollW_ : 0);
  const int64_t bottom = int64_t{s.Top} + GetHeight() - marginY_ - BottomH() - bw + hm;
  if (p.X < left || p.X >= right || p.Y < top || p.Y >= bottom) return -1;
  // Each row owns the band from half a line space above it to half a line space below.
  const int64_t y0 = top + hm - lineSpace_ / 2, pitch = int64_t{normal_.FontSize} + lineSpace_;
  int64_t k = 0;
  while (k <= rowCount_ && y0 + k * pitch <= p.Y) ++k;
  return Wrap32(int64_t{topIndex_} - 1 + k);
}

// ---- Selection and hover ----

void TOrvaCustomListBox::SetHoverIndex(int32_t value) {
  if (value == hoverIndex_) return;
  hoverIndex_ = value;
  SetIndex(-1);
  Invalidate();
}

void TOrvaCustomListBox::Select() {
  if (!HoverIsItem()) return;
  SetIndex(hoverIndex_);
  const std::string& text = normal_.Get(index_)->Text();
  if (TParamCollection* vars = GetSceneVariables()) {
    vars->SelStr = text;
    vars->SelIndex = index_;
  }
  if (onSelect_.empty() || HasEvent(PR_ONSELECT)) return;
  TArrayString args;
  args.Add(text);
  args.Add(std::to_string(index_));
  QueueEvent(PR_ONSELECT, onSelect_, &args);
}

// ---- Drawing ----

void TOrvaCustomListBox::Paint() {
  TCustomDIBX* target = GetTargetSurface();
  if (!target) return;
  const TRect r0 = GetScreenRect();
  if (!RectsOverlap(r0, target->GetClipRect())) return;
  if (alpha_ <= 0 || GetWidth() <= 0 || GetHeight() <= 0) {
    TOrvaControl::Paint();
    return;
  }
  normal_.Target = hover_.Target = target;
  TOrvaBase* layer = GetBase();
  TCustomDIBX* picture = layer ? layer->GetImage() : nullptr;
  TCustomDIBX& pixels = picture ? *picture : *target;
  if (borderWidth_ > 0 && borderColor_ != -1 && borderWidth_ <= r0.Height())
    FrameColor(*target, pixels, r0, borderWidth_, borderColor_, alpha_);
  const int64_t bw = borderWidth_;
  const TRect inner = Span64(r0.Left + bw, r0.Top + bw, int64_t{r0.Left} + GetWidth() - bw,
                             int64_t{r0.Top} + GetHeight() - bw);
  if (inner.IsEmpty()) return;
  if (GetColor() != -1) FillColor(*target, pixels, inner, GetColor(), alpha_);

  const bool scrolling = Scrolling();
  for (int i = 0; i < 9; ++i) {
    TOrvaImageData* frame = pieces_[size_t(i)].GetItem(pieces_[size_t(i)].GetIndex());
    TCustomDIBX* dib = frame ? frame->GetDIB() : nullptr;
    TRect rect = PieceRect(i);
    if (i == 4 && scrolling && animState_ == 0) rect.Right = WrapSub(rect.Right, scrollW_);
    // A frame without pixels is no piece: its alignment would divide by its size.
    if (!dib || rect.IsEmpty() || dib->GetWidth() <= 0 || dib->GetHeight() <= 0) continue;
    int32_t dx = 0, dy = 0;
    const auto align = [](uint8_t how, int32_t f, int32_t r) -> int32_t {
      if (how == HA_CENTER) return f >= r ? (r - f) / 2 : -(r % f) / 2;
      if (how == HA_RIGHT) return f >= r ? r - f : -(r % f);
      return 0;
    };
    if (i % 3 == 1) dx = align(pieceHAlign_[size_t(i)], dib->GetWidth(), rect.Width());
    if (i / 3 == 1) dy = align(pieceVAlign_[size_t(i)], dib->GetHeight(), rect.Height());
    frame->DrawTiled(*target, rect, dx, dy, alpha_);
  }
  if (animState_ == 0) {
    PaintScrollBar(*target);
    PaintItems(*target, pixels, inner);
  }
  TOrvaControl::Paint();
}

void TOrvaCustomListBox::PaintScrollBar(TCustomDIBX& target) {
  TVaskItemFrame* frame = scrollImage_.Frame();
  if (!Scrolling() || !frame || scrollW_ <= 0 || scrollH_ <= 0) return;
  const TScrollParts parts = ScrollParts();
  const int up = pressedPart_ == UpButton && buttonHighlight_ ? 1 : 0;
  const int down = pressedPart_ == DownButton && buttonHighlight_ ? 3 : 2;
  const int above = pressedPart_ == TrackAbove && trackHighlight_ ? 5 : 4;
  const int below = pressedPart_ == TrackBelow && trackHighlight_ ? 5 : 4;
  // Blended and added without a mask, the lower track continues the upper one's pattern.
  const bool continued = alpha_ != 255 && !frame->Mask;
  const int32_t belowOffset = continued ? -(WrapSub(parts.Below.Top, parts.Above.Top) % scrollH_) : 0;
  const auto tile = [&](const TRect& r, int cell, int32_t offY) {
    if (!r.IsEmpty()) frame->DrawTiled(target, r, scrollImage_.Cell(cell, scrollW_), 0, offY, false, false, alpha_);
  };
  tile(parts.Up, up, 0);
  tile(parts.Down, down, 0);
  tile(parts.Above, above, 0);
  tile(parts.Below, below, belowOffset);
  tile(parts.Thumb, 6, 0);
}

void TOrvaCustomListBox::PaintItems(TCustomDIBX& target, TCustomDIBX& pixels, const TRect& r) {
  const int64_t x0 = int64_t{r.Left} + LeftW() + marginX_ + checkW_;
  int64_t y = int64_t{r.Top} + TopH() + marginY_;
  const int64_t wa = int64_t{r.Right} - RightW() - marginX_ - x0 - (Scrolling() ? scrollW_ : 0);
  const int64_t hm = HalfMargin();
  const int32_t hoverBar = HoverBarColor();
  TVaskItemFrame* check = checkImage_.Frame();
  for (int64_t row = 0; row < rowCount_; ++row) {
    const int64_t i = int64_t{topIndex_} + row;
    if (i < 0 || i >= GetCount()) break;
    const bool hovered = i == hoverIndex_;
    if (hovered && hoverBar != -1)
      FillColor(target, pixels,
                Span64(int64_t{r.Left} + LeftW() + 1, y - hm,
                       int64_t{r.Left} + LeftW() + 1 + 2 * int64_t{marginX_} + checkW_ + wa - 2,
                       y - hm + normal_.FontSize + 2 * hm),
                hoverBar, alpha_);
    TWzLabelDIB* label = (hovered ? hover_ : normal_).Get(int(i));
    int64_t x = x0;
    if (halign_ == HA_CENTER) x = x0 + (wa - label->Width) / 2;
    if (halign_ == HA_RIGHT) x = x0 + wa - label->Width;
    label->Draw(Wrap32(x), Wrap32(y));
    if (checks_[size_t(i)] && check && checkW_ > 0)
      check->Draw(target, Wrap32(x0 - checkW_), Wrap32(y + (int64_t{normal_.FontSize} - checkH_) / 2),
                  checkImage_.Cell(hovered ? 1 : 0, checkW_), false, false, alpha_);
    y += int64_t{normal_.FontSize} + lineSpace_;
  }
}

// ---- Update ----

void TOrvaCustomListBox::StepPieces() {
  if (GetAniPaused()) return;
  TOrvaBase* layer = GetBase();
  for (int i = 0; i < 9; ++i)
    if (pieces_[size_t(i)].Tick() && layer && IsEffectivelyVisible()) layer->AddDirtyRect(PieceRect(i));
}

bool TOrvaCustomListBox::Idle() {
  RelayoutIfDirty();
  StepPieces();
  return false;
}

// ---- Mouse and keys ----

void TOrvaCustomListBox::LButtonDown() {
  if (paused_) {
    TOrvaControl::LButtonDown();
    return;
  }
  TOrvaBase* layer = GetBase();
  if (!layer) return;
  layer->LeftClick = false;
  layer->Capture |= TOrvaBase::CaptureLeft;
  const TPoint m = layer->GetMousePos();
  if (ThumbAt(m)) {
    dragOffset_ = WrapSub(m.Y, WrapAdd(ScrollParts().Thumb.Top, scrollH_ / 2));
    pressedPart_ = Thumb;
    return;
  }
  const int button = ButtonAt(m), track = TrackAt(m);
  if (button != 0 || track != 0) {
    pressedPart_ = button < 0 ? UpButton : button > 0 ? DownButton : track < 0 ? TrackAbove : TrackBelow;
    // The first move at the press, the next after the repeat delay.
    pressTime_ = GameClock;
    repeatTimer_ = 0;
    MouseHold();
    repeatTimer_ = KeyRepeatDelay;
    return;
  }
  pressedPart_ = Items;
}

void TOrvaCustomListBox::MouseHold() {
  TOrvaBase* layer = GetBase();
  if (!layer || pressedPart_ < UpButton || pressedPart_ > TrackBelow) return;
  const TPoint m = layer->GetMousePos();
  bool& highlight = pressedPart_ <= DownButton ? buttonHighlight_ : trackHighlight_;
  const bool over = pressedPart_ == UpButton     ? ButtonAt(m) < 0
                    : pressedPart_ == DownButton ? ButtonAt(m) > 0
                    : pressedPart_ == TrackAbove ? TrackAt(m) < 0
                                                 : TrackAt(m) > 0;
  if (over != highlight) {
    highlight = over;
    Invalidate();
  }
  const uint32_t elapsed = GameClock - pressTime_;
  pressTime_ = GameClock;
  repeatTimer_ = WrapSub(repeatTimer_, static_cast<int32_t>(elapsed));
  if (repeatTimer_ >= 1) return;
  repeatTimer_ = WrapAdd(repeatTimer_, KeyRepeatInterval);
  if (highlight) RepeatMove();
}

void TOrvaCustomListBox::RepeatMove() {
  const int64_t count = GetCount(), top = topIndex_, rows = rowCount_;
  switch (pressedPart_) {
    case DownButton:
      if (count > top + rows) SetTopIndex(Wrap32(top + 1));
      break;
    case UpButton:
      if (top >= 1) SetTopIndex(Wrap32(top - 1));
      break;
    case TrackBelow:
      if (count > top + rows) SetTopIndex(Wrap32(std::min(top + rows, count - rows)));
      break;
    case TrackAbove:
      if (top >= 1) SetTopIndex(Wrap32(std::max<int64_t>(top - rows, 0)));
      break;
    default:
      break;
  }
}

void TOrvaCustomListBox::MouseMove() {
  TOrvaBase* layer = GetBase();
  if (!layer) return;
  if (pressedPart_ == Thumb) {
    int32_t index = 0;
    if (ThumbDragIndex(WrapSub(layer->GetMousePos().Y, dragOffset_), index)) SetTopIndex(index);
    return;
  }
  if (pressedPart_ != NoPart && pressedPart_ != Items) return;
  if (!paused_) SetHoverIndex(ItemAt(layer->GetMousePos()));
  TOrvaControl::MouseMove();
}

void TOrvaCustomListBox::LButtonUp() {
  if (!IsInputLocked() && pressedPart_ == Items && hoverIndex_ >= 0) Select();
  pressedPart_ = NoPart;
  buttonHighlight_ = trackHighlight_ = false;
  Invalidate();
}

void TOrvaCustomListBox::MouseOut(TOrvaObject* next) {
  if (!paused_ && GetIgnoreMouse() != IM_ALL) SetHoverIndex(-1);
  TOrvaControl::MouseOut(next);
}

void TOrvaCustomListBox::ListKeys() {
  if (TOrvaBaseList* scene = GetOwner()) {
    const int64_t h = hoverIndex_, n = GetCount(), rows = rowCount_;
    int64_t next = h;
    if (scene->IsKeyRepeated(VkUp)) {
      if (h >= 1) next = h - 1;
      else if (h < 0) next = n - 1;
    } else if (scene->IsKeyRepeated(VkDown)) {
      if (h >= 0 && h < n - 1) next = h + 1;
      else if (h < 0) next = 0;
    } else if (scene->IsKeyRepeated(VkPageUp)) {
      if (h > 0) next = std::max<int64_t>(0, h - rows);
      else if (h < 0) next = n - 1;
    } else if (scene->IsKeyRepeated(VkPageDown)) {
      if (h >= 0 && h < n - 1) next = std::min(n - 1, h + rows);
      else if (h < 0) next = 0;
    }
    if (next != h) {
      SetHoverIndex(Wrap32(next));
      if (next < topIndex_)
        SetTopIndex(Wrap32(next));
      else if (next >= int64_t{topIndex_} + rows)
        SetTopIndex(Wrap32(next - rows + 1));
    }
  }
  TOrvaControl::KeyRepeat();
}

void TOrvaCustomListBox::KeyRepeat() { ListKeys(); }

// ---- Surfaces and the stored form ----

void TOrvaCustomListBox::ReleaseSurfaces() {
  for (TOrvaImageList& piece : pieces_) piece.ReleaseSurfaces();
  TOrvaControl::ReleaseSurfaces();
}

void TOrvaCustomListBox::RecreateSurfaces() {
  for (TOrvaImageList& piece : pieces_) piece.RecreateSurfaces();
  normal_.InvalidateAll();
  hover_.InvalidateAll();
  TOrvaControl::RecreateSurfaces();
}

void TOrvaCustomListBox::SaveToStream(TStream& stream) {
  TOrvaControl::SaveToStream(stream);
  normal_.SaveToStream(stream);
  hover_.SaveToStream(stream);
  WriteStreamString(stream, text_);
  for (int32_t v : {lineSpace_, alpha_, marginX_, marginY_, borderWidth_, borderColor_, rowCount_})
    WriteStreamInt(stream, v);
  for (size_t i = 0; i < 9; ++i) {
    WriteStreamString(stream, pieceNames_[i]);
    WriteStreamByte(stream, pieceHAlign_[i]);
    WriteStreamByte(stream, pieceVAlign_[i]);
  }
  WriteStreamString(stream, scrollSource_);
  WriteStreamString(stream, checkSource_);
  WriteStreamInt(stream, topIndex_);
  WriteStreamByte(stream, halign_);
  for (uint8_t check : checks_) WriteStreamByte(stream, check);
  WriteStreamString(stream, onSelect_);
  WriteStreamBool(stream, paused_);
  WriteStreamInt(stream, index_);
  WriteStreamInt(stream, animState_);
  WriteStreamString(stream, onIdle_);
}

void TOrvaCustomListBox::LoadFromStream(TStream& stream, int version) {
  TOrvaControl::LoadFromStream(stream, version);
  normal_.LoadFromStream(stream, version);
  hover_.LoadFromStream(stream, version);
  SetText(ReadStreamString(stream));
  for (int32_t* v : {&lineSpace_, &alpha_, &marginX_, &marginY_, &borderWidth_, &borderColor_, &rowCount_})
    *v = ReadStreamInt(stream);
  for (int i = 0; i < 9; ++i) {
    SetBorderSource(i, ReadStreamString(stream));
    pieceHAlign_[size_t(i)] = ReadStreamByte(stream);
    pieceVAlign_[size_t(i)] = ReadStreamByte(stream);
  }
  SetScrollSource(ReadStreamString(stream));
  SetCheckSource(ReadStreamString(stream));
  topIndex_ = ReadStreamInt(stream);
  if (version < 104) ReadStreamByte(stream);
  halign_ = ReadStreamByte(stream);
  for (uint8_t& check : checks_) check = ReadStreamBool(stream) ? 1 : 0;
  ReadStreamString(stream, onSelect_);
  paused_ = ReadStreamBool(stream);
  index_ = ReadStreamInt(stream);
  animState_ = ReadStreamInt(stream);
  if (version >= 131) ReadStreamString(stream, onIdle_);
  layoutDirty_ = true;
}

}  // namespace orva
