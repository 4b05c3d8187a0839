#pragma once
// How an image puts a picture onto a drawing surface under its ALPHA (0..511: below 255
// blended, 255 opaque, above 255 added with strength ALPHA − 256): one drawing-surface
// operation chosen by the mask, the alpha and whether the picture is drawn 1:1, stretched
// or turned. The picture's colour key is used whenever it has one (TransparentColor not −1).

#include <cstdint>

#include "core/rect.h"

namespace orva {

class TCustomDIBX;

// Part `source` of the picture at (x, y), 1:1.
void BlitPicture(TCustomDIBX& target, int32_t x, int32_t y, TCustomDIBX& picture, const TRect& source,
                 TCustomDIBX* mask, bool flipH, bool flipV, int32_t alpha);
// The whole picture stretched onto `dest`.
void StretchPicture(TCustomDIBX& target, const TRect& dest, TCustomDIBX& picture, TCustomDIBX* mask, bool flipH,
                    bool flipV, int32_t alpha);
// The whole picture zoomed, mirrored and turned by angle/256 of a full turn (clockwise)
// about `center` in the picture, which lands on `position`; the alpha is passed whole.
void RotatePicture(TCustomDIBX& target, TPoint position, int32_t zoomX, int32_t zoomY, TCustomDIBX& picture,
                   TPoint center, int angle, TCustomDIBX* mask, bool flipH, bool flipV, int32_t alpha);

// A colour (0x00BBGGRR) filled into `rect`, resp. framed `width` pixels wide along its
// inside, under the same ALPHA rule; an added colour is first scaled by (ALPHA − 256) / 256.
// Raw pixels come from `pixels`, the picture the colour is composed for.
void FillColor(TCustomDIBX& target, TCustomDIBX& pixels, const TRect& rect, int32_t color, int32_t alpha);
void FrameColor(TCustomDIBX& target, TCustomDIBX& pixels, const TRect& rect, int32_t width, int32_t color,
                int32_t alpha);

}  // namespace orva
