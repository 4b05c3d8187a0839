#include "text/caption.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/number_text.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "graphics/custom_dibx.h"
#include "graphics/dib.h"
#include "scene/base_list.h"
#include "scene/geometry.h"
#include "scene/picture_draw.h"
#include "scene/scene_services.h"
#include "text/font_pixel_manager.h"
#include "text/mes_data.h"

namespace orva {

namespace {
// The face of a caption whose FONTNAME is empty.
const std::string& EmptyNameFace() {
  static const std::string face = Sjis("ＭＳ ゴシック");
  return face;
}
}  // namespace

TOrvaLabel::TOrvaLabel(TOrvaBaseList* owner) : TOrvaControl(owner), fontName_(Sjis("ＭＳ Ｐゴシック")) {
  mask_.SetSize(0, 0, 8);
}

TOrvaLabel::~TOrvaLabel() { Invalidate(); }

// ---- Text and font ----

std::string TOrvaLabel::GetText() {
  std::string text;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines_[i];
  }
  return text;
}

void TOrvaLabel::SetText(std::string_view value) {
  if (value == GetText()) return;
  // The old text's place is drawn again: once the lines change, an empty caption marks
  // nothing.
  Invalidate();
  lines_ = SplitLines(value);
  if (!lines_.empty() && lines_.back().empty()) lines_.pop_back();
  Layout();
}

template <class T>
void TOrvaLabel::Relayout(T& field, T value) {
  if (field == value) return;
  field = value;
  Layout();
}

void TOrvaLabel::SetFontName(std::string_view value) {
  if (value == fontName_) return;
  fontName_ = value;
  Layout();
}
void TOrvaLabel::SetFontHeight(int32_t value) { Relayout(fontHeight_, value); }
void TOrvaLabel::SetFontStyle(TFontStyles value) { Relayout(fontStyle_, static_cast<uint8_t>(FontStylesToInt(value))); }
void TOrvaLabel::SetLineSpace(int32_t value) { Relayout(lineSpace_, value); }
void TOrvaLabel::SetHAlign(uint8_t value) { Relayout(halign_, value); }
void TOrvaLabel::SetAntialias(bool value) { Relayout(antialias_, value); }

void TOrvaLabel::SetFontColor(int32_t value) {
  if (value == fontColor_) return;
  fontColor_ = value;
  Layout();
  Invalidate();
}

void TOrvaLabel::SetAlpha(int32_t value) { StoreAndInvalidate(alpha_, value); }
void TOrvaLabel::SetFlipH(bool value) { StoreAndInvalidate(flipH_, value); }
void TOrvaLabel::SetFlipV(bool value) { StoreAndInvalidate(flipV_, value); }

void TOrvaLabel::SetAngle(int32_t value) {
  if (value == angle_) return;
  Invalidate();
  angle_ = value;
  Invalidate();
}

void TOrvaLabel::ChangeZoom(int32_t& zoom, int32_t value) {
  value = std::max(value, 1);
  if (value == zoom) return;
  Invalidate();
  zoom = value;
  AssignWidth(WrapMul(textWidth_, zoomX_) / 256);
  AssignHeight(WrapMul(textHeight_, zoomY_) / 256);
  Invalidate();
}

void TOrvaLabel::SetZoomX(int32_t value) { ChangeZoom(zoomX_, value); }
void TOrvaLabel::SetZoomY(int32_t value) { ChangeZoom(zoomY_, value); }

void TOrvaLabel::SetSource(std::string_view value) {
  if (value == source_) return;
  source_ = value;
  LoadMotionSource(value);
}

void TOrvaLabel::SetRepeat(bool value) {
  repeat_ = value;
  if (value) RewindFinishedMotion();
}

// ---- Lay-out ----

TCustomDIBX* TOrvaLabel::LayerPicture() {
  TOrvaBase* layer = GetBase();
  return layer ? layer->GetImage() : nullptr;
}

void TOrvaLabel::Layout() {
  TFontPixelManager& glyphs = FontPixelManager();
  // The quality is part of each glyph's key.
  glyphs.Quality = antialias_ ? 3 : 0;
  const std::string& face = fontName_.empty() ? EmptyNameFace() : fontName_;
  const auto glyphOf = [&](uint16_t code) -> TFontPixel* {
    try {
      return glyphs.GetGlyph(code, face, fontHeight_, fontStyle_);
    } catch (const Exception&) {
      return nullptr;  // a face without metrics has no glyphs
    }
  };

  std::vector<int64_t> widths;
  int64_t widest = 0;
  for (const std::string& line : lines_) {
    int64_t width = 0;
    ForEachCharCode(line, [&](uint16_t code, bool) {
      if (TFontPixel* glyph = glyphOf(code)) width += glyph->Advance();
    });
    widths.push_back(width);
    widest = std::max(widest, width);
  }
  const int64_t pitch = int64_t{fontHeight_} + lineSpace_;
  textWidth_ = static_cast<int32_t>(static_cast<uint32_t>(widest));
  textHeight_ = WrapMul(static_cast<int32_t>(static_cast<uint32_t>(pitch)), static_cast<int32_t>(lines_.size()));
  SetBounds(GetLeft(), GetTop(), WrapMul(textWidth_, zoomX_) / 256, WrapMul(textHeight_, zoomY_) / 256);
  painted_.clear();

  // Nothing to draw, or more than a picture may hold: the pictures are emptied, so that
  // nothing of an earlier text is drawn.
  TCustomDIBX* layer = LayerPicture();
  const int depth = layer ? layer->GetBitCount() : ScreenBitCount();
  if (textWidth_ <= 0 || textHeight_ <= 0 || DIBPixelBytes(DIBRowLength(textWidth_, 32), textHeight_) < 0) {
    colour_.SetSize(0, 0, depth);
    mask_.SetSize(0, 0, 8);
    return;
  }
  if (colour_.GetWidth() != textWidth_ || colour_.GetHeight() != textHeight_ || colour_.GetBitCount() != depth) {
    colour_.SetSize(textWidth_, textHeight_, depth);
    mask_.SetSize(textWidth_, textHeight_, 8);
  }
  mask_.Fill(0);

  TCustomDIBX* target = GetTargetSurface();
  const uint32_t pixel = (target ? *target : static_cast<TCustomDIBX&>(colour_)).ColorToPixel(fontColor_);
  const TRect bounds = mask_.GetBoundsRect();
  for (size_t i = 0; i < lines_.size(); ++i) {
    const int64_t y = pitch * static_cast<int64_t>(i);
    int64_t x = halign_ == HA_LEFT ? 0 : halign_ == HA_CENTER ? (textWidth_ - widths[i]) / 2 : textWidth_ - widths[i];
    TRect lineRect{};
    bool first = true;
    ForEachCharCode(lines_[i], [&](uint16_t code, bool last) {
      TFontPixel* glyph = glyphOf(code);
      if (!glyph) return;
      const int32_t advance = glyph->Advance();
      // Cells beyond the picture are clipped by the drawing; their place stays in range.
      const TRect cell{static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)),
                       static_cast<int32_t>(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX)),
                       static_cast<int32_t>(std::clamp<int64_t>(x + advance, INT32_MIN, INT32_MAX)),
                       static_cast<int32_t>(std::clamp<int64_t>(y + fontHeight_, INT32_MIN, INT32_MAX))};
      const TRect drawn = glyph->DrawText(colour_, mask_, cell, 0, 0, first, last, pixel, 0, 0);
      if (!drawn.IsEmpty()) lineRect = lineRect.IsEmpty() ? drawn : UnionRectOf(lineRect, drawn);
      first = false;
      x += advance;
    });
    lineRect = IntersectRectOf(lineRect, bounds);
    if (!lineRect.IsEmpty()) painted_.push_back(lineRect);
  }
  Invalidate();
}

// ---- Drawing ----

TRect TOrvaLabel::GetClientRect() {
  if (TurnSteps() == 0) return GetScreenRect();
  const TPoint origin = GetDrawOrigin();
  return CalcRotatedBounds(origin.X, origin.Y, GetOffsetX(), GetOffsetY(), TurnSteps(), colour_.GetBoundsRect(),
                           zoomX_, zoomY_, colour_.GetWidth(), colour_.GetHeight(), flipH_, flipV_);
}

TOrvaObject::TRotationCenter TOrvaLabel::GetRotationCenter() {
  TPoint center{GetOffsetX(), GetOffsetY()};
  if (flipH_) center.X = WrapSub(WrapSub(colour_.GetWidth(), 1), center.X);
  if (flipV_) center.Y = WrapSub(WrapSub(colour_.GetHeight(), 1), center.Y);
  return {GetDrawOrigin(), center};
}

void TOrvaLabel::Invalidate() {
  if (!IsEffectivelyVisible() || lines_.empty()) return;
  TOrvaBase* layer = GetBase();
  if (!layer) return;
  TRect r = GetClientRect();
  if (TOrvaControl* parent = GetParent(); parent && !parent->ClipToClient(r)) return;
  const TRect clip = GetClipRect();
  if (!clip.IsEmpty() && !IntersectClipRect(r, clip)) return;
  NotifyInvalidate(r);
  layer->AddDirtyRect(r);
}

void TOrvaLabel::Paint() {
  // No lines or ALPHA 0 hide the children too; a negative ALPHA hides only the text.
  if (lines_.empty() || alpha_ == 0) return;
  TCustomDIBX* target = GetTargetSurface();
  if (!target) return;
  if (alpha_ < 0) {
    // Nothing of its own to draw.
  } else if (TurnSteps() != 0) {
    const TRotationCenter rc = GetRotationCenter();
    RotatePicture(*target, rc.Position, zoomX_, zoomY_, colour_, rc.Center, TurnSteps(), &mask_, flipH_, flipV_, alpha_);
  } else if (GetWidth() == textWidth_ && GetHeight() == textHeight_ && !flipH_ && !flipV_) {
    TCustomDIBX* picture = LayerPicture();
    const uint32_t pixel = (picture ? *picture : *target).ColorToPixel(fontColor_);
    const int32_t left = GetScreenLeft(), top = GetScreenTop();
    for (const TRect& r : painted_)
      target->DrawColorMask(WrapAdd(r.Left, left), WrapAdd(r.Top, top), mask_, r, false, false, pixel, alpha_);
  } else if (GetWidth() > 0 && GetHeight() > 0) {
    StretchPicture(*target, GetScreenRect(), colour_, &mask_, flipH_, flipV_, alpha_);
  }
  TOrvaControl::Paint();
}

TOrvaObject* TOrvaLabel::HitTest(TPoint point, TIgnoreMouseSet accepted) {
  if (!IsEffectivelyVisible()) return nullptr;
  bool inside;
  if (TurnSteps() == 0) {
    inside = PointInRect(point, GetScreenRect());
  } else {
    // The point turned back about the draw origin, each coordinate to the nearest integer.
    const TPoint o = GetDrawOrigin();
    const long double a = static_cast<long double>(TurnSteps()) * 2 * std::numbers::pi_v<long double> / 256;
    const long double dx = static_cast<long double>(point.X) - o.X, dy = static_cast<long double>(point.Y) - o.Y;
    TPoint turned;
    inside = RoundToInt32(dx * std::cos(a) + dy * std::sin(a) + o.X, turned.X) &&
             RoundToInt32(-dx * std::sin(a) + dy * std::cos(a) + o.Y, turned.Y) &&
             PointInRect(turned, GetScreenRect());
  }
  if (!inside) return nullptr;
  TOrvaObject* result = (accepted & IgnoreMouseBit(GetIgnoreMouse())) ? this : nullptr;
  const std::vector<TOrvaControl*>& children = Children();
  for (size_t i = children.size(); i-- > 0;)
    if (TOrvaObject* hit = children[i]->HitTest(point, accepted)) return hit;
  return result;
}

void TOrvaLabel::RecreateSurfaces() {
  Layout();
  TOrvaControl::RecreateSurfaces();
}

// ---- Stored form ----

void TOrvaLabel::SaveToStream(TStream& stream) {
  TOrvaControl::SaveToStream(stream);
  WriteStreamString(stream, fontName_);
  WriteStreamInt(stream, fontHeight_);
  WriteStreamInt(stream, lineSpace_);
  WriteStreamByte(stream, fontStyle_);
  WriteStreamInt(stream, alpha_);
  WriteStreamInt(stream, fontColor_);
  WriteStreamByte(stream, halign_);
  WriteStreamBool(stream, antialias_);
  WriteStreamBool(stream, flipH_);
  WriteStreamBool(stream, flipV_);
  WriteStreamInt(stream, angle_);
  WriteStreamInt(stream, zoomX_);
  WriteStreamString(stream, GetText());
  WriteStreamString(stream, onIdle_);
  WriteStreamString(stream, source_);
  WriteStreamBool(stream, repeat_);
  WriteStreamBool(stream, autoScrap_);
  WriteStreamString(stream, onPlayEnd_);
  WriteStreamBool(stream, paused_);
  WriteStreamInt(stream, zoomY_);
}

void TOrvaLabel::LoadFromStream(TStream& stream, int version) {
  TOrvaControl::LoadFromStream(stream, version);
  ReadStreamString(stream, fontName_);
  fontHeight_ = ReadStreamInt(stream);
  lineSpace_ = ReadStreamInt(stream);
  fontStyle_ = ReadStreamByte(stream);
  alpha_ = ReadStreamInt(stream);
  fontColor_ = ReadStreamInt(stream);
  halign_ = ReadStreamByte(stream);
  antialias_ = ReadStreamBool(stream);
  flipH_ = ReadStreamBool(stream);
  flipV_ = ReadStreamBool(stream);
  angle_ = ReadStreamInt(stream);
  zoomX_ = ReadStreamInt(stream);
  SetText(ReadStreamString(stream));
  if (version < 104) return;
  ReadStreamString(stream, onIdle_);
  SetSource(ReadStreamString(stream));
  repeat_ = ReadStreamBool(stream);
  autoScrap_ = ReadStreamBool(stream);
  ReadStreamString(stream, onPlayEnd_);
  paused_ = ReadStreamBool(stream);
  zoomY_ = ReadStreamInt(stream);
  // The bounds follow both zoom factors.
  Layout();
}

}  // namespace orva
