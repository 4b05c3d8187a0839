#include "text/glyph_row.h"

#include <algorithm>

#include "scene/geometry.h"
#include "text/word.h"

namespace orva {

void TWdRow::AddBands(const TWdGlyph* child) {
  const int32_t h = child->GetHeight(), b = Base;
  switch (child->GetAlign()) {
    case kImgCenter: {
      const int32_t half = WrapAdd(WrapSub(h, b), 1) / 2;
      Above = std::max(Above, half);
      Below = std::max(Below, half);
      break;
    }
    case kImgTop: Below = std::max(Below, WrapSub(h, b)); break;
    case kImgBottom: Above = std::max(Above, WrapSub(h, b)); break;
    default: Base = std::max(Base, h);
  }
  Height = WrapAdd(WrapAdd(Above, Base), Below);
}

void TWdRow::AddChild(TWdGlyph* child) {
  TWdComposite::AddChild(child);
  AddBands(child);
}

void TWdRow::Arrange() {
  int32_t x = leftLimit_;
  if (align_ == kAlignRight)
    x = WrapSub(rightLimit_, Width);
  else if (align_ == kAlignCenter)
    x = WrapAdd(leftLimit_, WrapSub(WrapSub(rightLimit_, leftLimit_), Width) / 2);
  Width = WrapAdd(Width, x);
  Base = 0;
  for (TWdGlyph* child : children_) {
    child->Left = x;
    x = WrapAdd(x, child->GetWidth());
    const uint8_t a = child->GetAlign();
    if (a != kImgCenter && a != kImgTop && a != kImgBottom) Base = std::max(Base, child->GetHeight());
  }
  Above = Below = 0;
  for (TWdGlyph* child : children_) AddBands(child);
  Height = WrapAdd(WrapAdd(Above, Base), Below);
  for (TWdGlyph* child : children_) {
    const int32_t h = child->GetHeight();
    const uint8_t a = child->GetAlign();
    if (h == 0)
      child->Top = Above;
    else if (a == kImgCenter)
      child->Top = WrapAdd(WrapSub(Base, h) / 2, Above);
    else if (a == kImgTop)
      child->Top = Above;
    else
      child->Top = WrapSub(WrapSub(Height, Below), h);
  }
}

void TWdRow::Paint() {
  if (RectsOverlap(GetScreenRect(), Owner->PaintRect)) TWdComposite::Paint();
}

TWdGlyph* TWdRow::HitTest(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return nullptr;
  for (TWdGlyph* child : children_)
    if (child->GetAlpha() == 255 && PointInRect({x, y}, WrapBounds(child->Left, child->Top, child->GetWidth(),
                                                                  child->GetHeight())))
      return child;
  return nullptr;
}

}  // namespace orva
