#include "scene/tile.h"

#include <algorithm>

#include "core/paths.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "graphics/dibx.h"
#include "scene/geometry.h"
#include "scene/motion.h"
#include "scene/picture_draw.h"

namespace orva {

namespace {

// The first of start, start + step, start + 2 step, ... whose span [v, v + extent) can reach
// past `from`; the loops skip the copies that lie wholly before the clip.
int64_t FirstReaching(int64_t start, int64_t step, int64_t extent, int64_t from) {
  if (start + extent > from) return start;
  return start + ((from - extent - start) / step + 1) * step;
}

// The scroll reduced into one cell: 0 .. cell, the cell itself for a negative multiple.
int64_t CellScroll(int32_t scroll, int32_t cell) {
  if (scroll >= 0) return scroll % cell;
  return cell - (-int64_t{scroll}) % cell;
}

}  // namespace

TOrvaTile::TOrvaTile(TOrvaBaseList* owner) : TOrvaCustomImages(owner) {}

TOrvaTile::~TOrvaTile() { DetachFrame(); }

void TOrvaTile::Change(int32_t& field, int32_t value) {
  if (value == field) return;
  field = value;
  Invalidate();
}

int32_t TOrvaTile::TilePos(bool vertical) {
  if (GetMotion()) return vertical ? GetMotionY() : GetMotionX();
  const int32_t pos = vertical ? GetTop() : GetLeft();
  TOrvaControl* parent = GetParent();
  if (!parent) return pos;
  const int32_t parentPos = vertical ? parent->GetScreenTop() : parent->GetScreenLeft();
  const int32_t scroll = vertical ? parent->GetScrollY() : parent->GetScrollX();
  return WrapAdd(WrapSub(parentPos, scroll), pos);
}

int32_t TOrvaTile::GetScreenLeft() { return TilePos(false); }
int32_t TOrvaTile::GetScreenTop() { return TilePos(true); }
int32_t TOrvaTile::GetOriginX() { return GetMotion() ? GetMotionX() : GetLeft(); }
int32_t TOrvaTile::GetOriginY() { return GetMotion() ? GetMotionY() : GetTop(); }

void TOrvaTile::SetSource(std::string_view value) {
  if (value == source_) return;
  Invalidate();
  source_ = value;
  ForgetIndex();
  AssignPicture(nullptr);
  EnsureOwnSurface().Clear();
  SetMaskImage(nullptr);
  frames_.Clear();
  FreeMotion();
  const std::string extension = ExtractFileExt(value);
  if (SameTextAscii(extension, ".vsk"))
    frames_.LoadFromCache(this, value, false);
  else if (SameTextAscii(extension, ".omt"))
    LoadMotion(value);
  if (frames_.Count() > 0) SetIndex(0);
}

void TOrvaTile::ApplyTileFrame(TOrvaControl* parent, TCustomDIBX* picture, TCustomDIBX* mask, int32_t keyColor,
                               int32_t priority, int32_t distanceX, int32_t distanceY, bool flipH, bool flipV,
                               int32_t left, int32_t top, int32_t width, int32_t height, int32_t offsetX,
                               int32_t offsetY, int32_t zoomX, int32_t zoomY, int32_t alpha, int32_t scrollX,
                               int32_t scrollY, const TRect& clip) {
  SetWidth(width);
  SetHeight(height);
  if (parent) SetParent(parent);
  SetImage(picture);
  SetMaskImage(mask);
  if (picture) picture->TransparentColor = static_cast<int32_t>(picture->ColorToPixel(keyColor));
  SetZoomX(zoomX);
  SetZoomY(zoomY);
  SetPriority(priority);
  SetDistanceX(distanceX);
  SetDistanceY(distanceY);
  SetFlipH(flipH);
  SetFlipV(flipV);
  SetOffsetX(offsetX);
  SetOffsetY(offsetY);
  SetLeft(left);
  SetTop(top);
  SetAlpha(alpha);
  SetScrollX(scrollX);
  SetScrollY(scrollY);
  SetClipLeft(clip.Left);
  SetClipTop(clip.Top);
  SetClipWidth(WrapSub(clip.Right, clip.Left));
  SetClipHeight(WrapSub(clip.Bottom, clip.Top));
}

// ---- Drawing ----

void TOrvaTile::DrawPicture() {
  TCustomDIBX* picture = GetImage();
  const int32_t alpha = GetAlpha(), zoomX = GetZoomX(), zoomY = GetZoomY();
  if (!picture || alpha <= 0 || GetWidth() <= 0 || GetHeight() <= 0 || zoomX <= 0 || zoomY <= 0) return;
  TCustomDIBX* target = GetTargetSurface();
  if (!target) return;
  const int32_t w = picture->GetWidth(), h = picture->GetHeight();
  if (w <= 0 || h <= 0) return;
  const TRect s = GetScreenRect();
  TCustomDIBX* mask = GetMaskImage();
  const bool flipH = GetFlipH(), flipV = GetFlipV();
  const bool useKey = picture->TransparentColor != -1;

  // A distance below half the picture is ignored.
  const bool gridX = distanceX_ > 0 && distanceX_ >= w / 2;
  const bool gridY = distanceY_ > 0 && distanceY_ >= h / 2;
  if (gridX || gridY) {
    const int32_t cellW = gridX ? distanceX_ : w, cellH = gridY ? distanceY_ : h;
    if (!picture->Rects.empty() && zoomX == 256 && zoomY == 256) {
      DrawRectGrid(*target, *picture, s, cellW, cellH);
    } else if (!mask) {
      target->StretchDrawTile(s, cellW, cellH, zoomX, zoomY, *picture, picture->GetBoundsRect(), useKey, flipH, flipV,
                              static_cast<uint32_t>(alpha), scrollX_, scrollY_);
    } else {
      target->StretchDrawTileMask(s, cellW, cellH, zoomX, zoomY, *picture, picture->GetBoundsRect(), *mask, flipH,
                                  flipV, static_cast<uint32_t>(alpha), scrollX_, scrollY_);
    }
    return;
  }
  if (zoomX == 256 && zoomY == 256 && !useKey && !mask && alpha == 255)
    target->FillPattern(s, *picture, scrollX_, scrollY_, flipH, flipV);
  else if (!mask)
    target->StretchDrawEx(s, zoomX, zoomY, *picture, scrollX_, scrollY_, useKey, flipH, flipV,
                          static_cast<uint32_t>(alpha));
  else
    target->StretchDrawMaskEx(s, zoomX, zoomY, *picture, scrollX_, scrollY_, flipH, flipV, *mask,
                              static_cast<uint32_t>(alpha));
}

void TOrvaTile::DrawRectGrid(TCustomDIBX& target, TCustomDIBX& picture, const TRect& s, int32_t cellW,
                             int32_t cellH) {
  const TRect saved = target.GetClipRect();
  const TRect savedField = target.ClipRect;
  const TRect clip = IntersectRectOf(s, saved);
  if (clip.IsEmpty()) return;
  target.ClearClipRect();
  target.AddClipRect(clip);
  const int32_t w = picture.GetWidth(), h = picture.GetHeight();
  const bool flipH = GetFlipH(), flipV = GetFlipV();
  const int64_t sx = CellScroll(scrollX_, cellW), sy = CellScroll(scrollY_, cellH);
  TCustomDIBX* mask = GetMaskImage();
  const int32_t alpha = GetAlpha();
  for (const TRect& r : picture.Rects) {
    const int64_t rw = int64_t{r.Right} - r.Left, rh = int64_t{r.Bottom} - r.Top;
    if (rw <= 0 || rh <= 0) continue;
    const int64_t x0 = int64_t{s.Left} + (flipH ? int64_t{w} - r.Right : r.Left) - sx;
    const int64_t y0 = int64_t{s.Top} + (flipV ? int64_t{h} - r.Bottom : r.Top) - sy;
    // Only the copies that reach into the clip are blitted; the others would draw nothing.
    const int64_t xEnd = std::min<int64_t>(s.Right, clip.Right), yEnd = std::min<int64_t>(s.Bottom, clip.Bottom);
    for (int64_t y = FirstReaching(y0, cellH, rh, clip.Top); y < yEnd; y += cellH)
      for (int64_t x = FirstReaching(x0, cellW, rw, clip.Left); x < xEnd; x += cellW)
        BlitPicture(target, static_cast<int32_t>(x), static_cast<int32_t>(y), picture, r, mask, flipH, flipV, alpha);
  }
  target.ClipRect = savedField;
}

// ---- Stored form ----

void TOrvaTile::SaveToStream(TStream& stream) {
  TOrvaCustomImages::SaveToStream(stream);
  WriteStreamInt(stream, scrollX_);
  WriteStreamInt(stream, scrollY_);
  WriteStreamString(stream, source_);
  WriteStreamString(stream, onIdle_);
  WriteStreamInt(stream, distanceX_);
  WriteStreamInt(stream, distanceY_);
}

void TOrvaTile::LoadFromStream(TStream& stream, int version) {
  TOrvaCustomImages::LoadFromStream(stream, version);
  scrollX_ = ReadStreamInt(stream);
  scrollY_ = ReadStreamInt(stream);
  // The frames come back through the source, at frame 0 whatever frame was saved.
  SetSource(ReadStreamString(stream));
  ReadStreamString(stream, onIdle_);
  distanceX_ = ReadStreamInt(stream);
  distanceY_ = ReadStreamInt(stream);
}

}  // namespace orva
