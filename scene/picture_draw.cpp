#include "scene/picture_draw.h"

#include "core/color.h"
#include "graphics/custom_dibx.h"

namespace orva {

namespace {
bool UsesKey(TCustomDIBX& picture) { return picture.TransparentColor != -1; }
}  // namespace

void BlitPicture(TCustomDIBX& target, int32_t x, int32_t y, TCustomDIBX& picture, const TRect& source,
                 TCustomDIBX* mask, bool flipH, bool flipV, int32_t alpha) {
  if (mask) {
    if (alpha < 255)
      target.DrawMaskAlpha(x, y, picture, source, flipH, flipV, *mask, alpha);
    else if (alpha == 255)
      target.DrawMask(x, y, picture, source, flipH, flipV, *mask);
    else
      target.DrawMaskAdd(x, y, picture, source, flipH, flipV, *mask, alpha - 256);
    return;
  }
  const bool useKey = UsesKey(picture);
  if (alpha < 255)
    target.DrawAlpha(x, y, picture, source, useKey, flipH, flipV, alpha);
  else if (alpha == 255)
    target.Draw(x, y, picture, source, useKey, flipH, flipV);
  else
    target.DrawAdd(x, y, picture, source, useKey, flipH, flipV, alpha - 256);
}

void StretchPicture(TCustomDIBX& target, const TRect& dest, TCustomDIBX& picture, TCustomDIBX* mask, bool flipH,
                    bool flipV, int32_t alpha) {
  const TRect source = picture.GetBoundsRect();
  const bool add = alpha > 255;
  const auto strength = static_cast<uint32_t>(add ? alpha - 256 : alpha);
  if (mask) {
    if (add)
      target.StretchDrawMaskAdd(dest, picture, source, flipH, flipV, *mask, strength);
    else
      target.StretchDrawMaskAlpha(dest, picture, source, flipH, flipV, *mask, strength);
    return;
  }
  if (add)
    target.StretchDrawAdd(dest, picture, source, UsesKey(picture), flipH, flipV, strength);
  else
    target.StretchDrawAlpha(dest, picture, source, UsesKey(picture), flipH, flipV, strength);
}

void RotatePicture(TCustomDIBX& target, TPoint position, int32_t zoomX, int32_t zoomY, TCustomDIBX& picture,
                   TPoint center, int angle, TCustomDIBX* mask, bool flipH, bool flipV, int32_t alpha) {
  const TRect source = picture.GetBoundsRect();
  if (mask)
    target.DrawRotateMask(position.X, position.Y, zoomX, zoomY, picture, source, center.X, center.Y, angle, flipH,
                          flipV, *mask, static_cast<uint32_t>(alpha));
  else
    target.DrawRotate(position.X, position.Y, zoomX, zoomY, picture, source, center.X, center.Y, angle,
                      UsesKey(picture), flipH, flipV, static_cast<uint32_t>(alpha));
}

void FillColor(TCustomDIBX& target, TCustomDIBX& pixels, const TRect& rect, int32_t color, int32_t alpha) {
  if (alpha < 255)
    target.FillRectAlpha(rect, pixels.ColorToPixel(color), alpha);
  else if (alpha == 255)
    target.FillRect(rect, pixels.ColorToPixel(color));
  else
    target.FillRectAdd(rect, pixels.ColorToPixel(ScaleColor(color, alpha - 256)));
}

void FrameColor(TCustomDIBX& target, TCustomDIBX& pixels, const TRect& rect, int32_t width, int32_t color,
                int32_t alpha) {
  if (alpha < 255)
    target.FrameRectAlpha(rect, width, pixels.ColorToPixel(color), alpha);
  else if (alpha == 255)
    target.FrameRect(rect, width, pixels.ColorToPixel(color));
  else
    target.FrameRectAdd(rect, width, pixels.ColorToPixel(ScaleColor(color, alpha - 256)));
}

}  // namespace orva
