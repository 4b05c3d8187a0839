#pragma once
// TOrvaCustomListBox: the scrolling list of the choice menu. One column of text items (the
// lines of TEXT) drawn through two label lists (the hover item through the second), inside
// a frame of a border colour, a background colour and nine optional border pieces (tiled
// layered images), with a scroll bar drawn from a strip of seven cells and a check mark per
// item from a strip of two. It sizes itself from its content, lazily: a change marks the
// layout, the next update lays it out. It is never made alone: the menu derives from it.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "scene/image_list.h"
#include "scene/orva_control.h"
#include "scene/strip_image.h"
#include "text/label_list.h"

namespace orva {

class TOrvaCustomListBox : public TOrvaControl {
 public:
  // What the held left button pressed.
  enum TPart : int32_t { NoPart = -1, Thumb = 0, UpButton, DownButton, TrackAbove, TrackBelow, Items };

  explicit TOrvaCustomListBox(TOrvaBaseList* owner);
  ~TOrvaCustomListBox() override;

  // ---- Properties ----
  std::string GetText() override { return text_; }
  // Control bytes trimmed from both ends; every line, an empty one too, is an item; the
  // check marks are cleared and TOPINDEX goes back to 0.
  void SetText(std::string_view value) override;
  int32_t GetCount() override { return normal_.Count(); }
  int32_t GetIndex() override { return index_; }
  void SetIndex(int32_t value) override { index_ = value; }
  int32_t GetTopIndex() override { return topIndex_; }
  void SetTopIndex(int32_t value) override;
  int32_t GetRowCount() override { return rowCount_; }
  void SetRowCount(int32_t value) override { ChangeLayout(rowCount_, value); }
  int32_t GetMarginX() override { return marginX_; }
  void SetMarginX(int32_t value) override { ChangeLayout(marginX_, value); }
  int32_t GetMarginY() override { return marginY_; }
  void SetMarginY(int32_t value) override { ChangeLayout(marginY_, value); }
  int32_t GetBorderWidth() override { return borderWidth_; }
  void SetBorderWidth(int32_t value) override { ChangeLayout(borderWidth_, value); }
  int32_t GetLineSpace() override { return lineSpace_; }
  void SetLineSpace(int32_t value) override { ChangeLayout(lineSpace_, value); }
  int32_t GetBorderColor() override { return borderColor_; }
  void SetBorderColor(int32_t value) override;
  uint8_t GetHAlign() override { return halign_; }
  void SetHAlign(uint8_t value) override;
  int32_t GetAlpha() override { return alpha_; }
  void SetAlpha(int32_t value) override;
  std::string GetFontName() override { return normal_.FontName; }
  void SetFontName(std::string_view value) override;
  int32_t GetFontHeight() override { return normal_.FontSize; }
  void SetFontHeight(int32_t value) override;
  TFontStyles GetFontStyle() override { return IntToFontStyles(normal_.Style); }
  void SetFontStyle(TFontStyles value) override;
  int32_t GetFontColor() override { return normal_.Color; }
  void SetFontColor(int32_t value) override;
  bool GetAntialias() override { return normal_.Quality > 0; }
  void SetAntialias(bool value) override;
  int32_t GetFontBorder() override { return normal_.BorderWidth; }
  void SetFontBorder(int32_t value) override;
  int32_t GetFontShadow() override { return normal_.ShadowWidth; }
  void SetFontShadow(int32_t value) override;
  int32_t GetFontBorderColor() override { return normal_.BorderColor; }
  void SetFontBorderColor(int32_t value) override;
  int32_t GetFontShadowColor() override { return normal_.ShadowColor; }
  void SetFontShadowColor(int32_t value) override;
  int32_t GetFontHoverBorder() override { return hover_.BorderWidth; }
  void SetFontHoverBorder(int32_t value) override;
  int32_t GetFontHoverShadow() override { return hover_.ShadowWidth; }
  void SetFontHoverShadow(int32_t value) override;
  int32_t GetFontHoverBorderColor() override { return hover_.BorderColor; }
  void SetFontHoverBorderColor(int32_t value) override;
  int32_t GetFontHoverShadowColor() override { return hover_.ShadowColor; }
  void SetFontHoverShadowColor(int32_t value) override;
  std::string GetBorderSource(int index) override;
  // The piece's frames when the file manager finds the file, else none.
  void SetBorderSource(int index, std::string_view value) override;
  uint8_t GetBorderHAlign(int index) override;
  void SetBorderHAlign(int index, uint8_t value) override;
  uint8_t GetBorderVAlign(int index) override;
  void SetBorderVAlign(int index, uint8_t value) override;
  std::string GetScrollSource() override { return scrollSource_; }
  // A file the file manager does not find keeps the picture in use.
  void SetScrollSource(std::string_view value) override;
  std::string GetCheckSource() override { return checkSource_; }
  void SetCheckSource(std::string_view value) override;
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override;
  std::string GetOnSelect() override { return onSelect_; }
  void SetOnSelect(std::string_view value) override { onSelect_ = value; }
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view value) override { onIdle_ = value; }
  bool GetItemCheck(int index) override;
  void SetItemCheck(int index, bool value) override;

  // ---- Drawing, update, input ----
  void Paint() override;
  bool Idle() override;
  void LButtonDown() override;
  void LButtonUp() override;
  void MouseMove() override;
  void MouseOut(TOrvaObject* next) override;
  void MouseHold() override;
  void KeyRepeat() override;
  void ReleaseSurfaces() override;
  void RecreateSurfaces() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  // The hover item becomes INDEX, @SelStr and @SelIndex, and ONSELECT is queued with its
  // text and index unless one waits or runs. A hover index outside the items selects
  // nothing.
  virtual void Select();
  // WIDTH and HEIGHT from the content.
  void Relayout();

  // ---- Geometry (layer coordinates) ----
  struct TScrollParts {
    TRect Up, Down, Above, Below, Thumb;
  };
  bool Scrolling() { return GetCount() > rowCount_; }
  // The parts of the scroll bar; all empty when not scrolling.
  TScrollParts ScrollParts();
  // -1 up, +1 down, 0 none; likewise above and below the thumb.
  int ButtonAt(TPoint p);
  int TrackAt(TPoint p);
  bool ThumbAt(TPoint p);
  // The item row under the point: TOPINDEX − 1 plus the rows whose band starts at or above
  // it; −1 outside the item area.
  int32_t ItemAt(TPoint p);
  // Piece i's rectangle inside the control rectangle less the border.
  TRect PieceRect(int i);
  // TOPINDEX for a thumb dragged to v; false (no move) when the track has no length.
  bool ThumbDragIndex(int32_t v, int32_t& index);

  int32_t GetHoverIndex() const { return hoverIndex_; }
  void SetHoverIndex(int32_t value);
  int32_t GetPressedPart() const { return pressedPart_; }
  bool IsLayoutDirty() const { return layoutDirty_; }
  int32_t GetAnimationState() const { return animState_; }
  TWzLabelList& NormalLabels() { return normal_; }
  TWzLabelList& HoverLabels() { return hover_; }

 protected:
  // The hover bar's colour: none in a plain list box.
  virtual int32_t HoverBarColor() { return -1; }
  void SetAnimationState(int32_t state) { animState_ = state; }
  void RelayoutIfDirty() {
    if (layoutDirty_) Relayout();
  }
  // The border pieces' frame step, marking the pieces whose frame changed.
  void StepPieces();
  // Whether the hover index names an item.
  bool HoverIsItem() { return hoverIndex_ >= 0 && hoverIndex_ < GetCount(); }
  void MarkLayout() { layoutDirty_ = true; }
  // The list-box key handling (arrows and pages, then the control's).
  void ListKeys();

 private:
  // Defined here: the inline setters above instantiate it.
  template <class T>
  void ChangeLayout(T& field, T value) {
    if (field == value) return;
    Invalidate();
    field = value;
    layoutDirty_ = true;
  }
  int32_t LeftW();
  int32_t RightW();
  int32_t TopH();
  int32_t BottomH();
  int32_t HalfMargin() { return std::min(lineSpace_ / 2, marginY_); }
  // Track length: the control's height less the border, the pieces and three cells.
  int64_t TrackLength();
  // One move of the held button or track part.
  void RepeatMove();
  void PaintScrollBar(TCustomDIBX& target);
  void PaintItems(TCustomDIBX& target, TCustomDIBX& pixels, const TRect& r);

  std::string text_;
  int32_t lineSpace_ = 0;
  int32_t alpha_ = 0;
  bool layoutDirty_ = false;
  int32_t marginX_ = 0, marginY_ = 0;
  int32_t borderWidth_ = 0;
  int32_t borderColor_ = 0;
  int32_t rowCount_ = 0;
  std::array<std::string, 9> pieceNames_;
  std::array<TOrvaImageList, 9> pieces_;
  std::array<TPoint, 9> pieceSizes_{};
  std::array<uint8_t, 9> pieceHAlign_{}, pieceVAlign_{};
  std::string scrollSource_, checkSource_;
  TStripImage scrollImage_, checkImage_;
  int32_t scrollW_ = 0, scrollH_ = 0;
  int32_t checkW_ = 0, checkH_ = 0;
  int32_t topIndex_ = 0;
  uint8_t halign_ = HA_LEFT;
  int32_t hoverIndex_ = -1;
  int32_t dragOffset_ = 0;
  int32_t pressedPart_ = NoPart;
  uint32_t pressTime_ = 0;
  int32_t repeatTimer_ = 0;
  bool buttonHighlight_ = false, trackHighlight_ = false;
  std::vector<uint8_t> checks_;
  std::string onSelect_;
  bool paused_ = false;
  int32_t index_ = 0;
  std::string onIdle_;
  TWzLabelList normal_, hover_;
  int32_t animState_ = 0;
};

}  // namespace orva
