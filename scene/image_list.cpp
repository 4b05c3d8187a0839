#include "scene/image_list.h"

#include <algorithm>

#include "core/frame_clock.h"
#include "graphics/dibx.h"
#include "scene/image_cache.h"
#include "scene/orva_control.h"
#include "scene/picture_draw.h"

namespace orva {

// ==== TOrvaImageData ====

namespace {

// The grey |offset| in each colour byte (the low bits of a larger offset run into the next
// byte, as they always did).
int32_t GreyOf(int32_t offset) {
  const uint32_t d = offset < 0 ? 0u - static_cast<uint32_t>(offset) : static_cast<uint32_t>(offset);
  return static_cast<int32_t>(d | d << 8 | d << 16);
}

void ApplyGrey(TCustomDIBX& surface, const TRect& rect, int32_t offset, uint32_t grey) {
  if (offset < 0)
    surface.FillRectSub(rect, grey);
  else
    surface.FillRectAdd(rect, grey);
}

}  // namespace

void TOrvaImageData::SetBrightness(int32_t offset) {
  if (offset == brightness_) return;
  brightness_ = offset;
  if (offset == 0) return;
  TCustomDIBX& picture = *frame_.Image;
  if (!own_) {
    own_ = std::make_unique<TDIBX>();
    own_->SetSize(picture.GetWidth(), picture.GetHeight(), picture.GetBitCount());
  }
  const uint32_t grey = own_->ColorToPixel(GreyOf(offset));
  if (frame_.KeyColor >= 0) {
    // The key goes through the same change, so that keyed pixels still match it.
    own_->SetPixel(0, 0, static_cast<uint32_t>(picture.TransparentColor));
    ApplyGrey(*own_, {0, 0, 1, 1}, offset, grey);
    own_->TransparentColor = static_cast<int32_t>(own_->GetPixel(0, 0));
  } else {
    own_->TransparentColor = -1;
  }
  own_->Assign(picture);
  ApplyGrey(*own_, own_->GetBoundsRect(), offset, grey);
}

void TOrvaImageData::RecreateSurface() {
  const int32_t offset = brightness_;
  brightness_ = WrapAdd(offset, 1);
  SetBrightness(offset);
}

void TOrvaImageData::DrawFor(TOrvaObject& object, TCustomDIBX* mask) {
  const int32_t alpha = object.GetAlpha();
  if (alpha <= 0 || alpha >= 512) return;
  TCustomDIBX* picture = GetDIB();
  TCustomDIBX* target = object.GetTargetSurface();
  if (!picture || !target) return;
  const bool flipH = object.GetFlipH(), flipV = object.GetFlipV();
  const int angle = object.GetAngle() & 255;
  if (angle != 0) {
    TPoint center{object.GetOffsetX(), object.GetOffsetY()};
    if (flipH) center.X = WrapSub(WrapSub(picture->GetWidth(), 1), center.X);
    if (flipV) center.Y = WrapSub(WrapSub(picture->GetHeight(), 1), center.Y);
    TPoint position{object.GetLeft(), object.GetTop()};
    if (TOrvaControl* parent = object.GetParent()) {
      position.X = WrapAdd(WrapSub(parent->GetScreenLeft(), parent->GetScrollX()), position.X);
      position.Y = WrapAdd(WrapSub(parent->GetScreenTop(), parent->GetScrollY()), position.Y);
    }
    RotatePicture(*target, position, object.GetZoomX(), object.GetZoomY(), *picture, center, angle, mask, flipH,
                  flipV, alpha);
  } else if (picture->GetWidth() == object.GetWidth() && picture->GetHeight() == object.GetHeight()) {
    BlitPicture(*target, object.GetScreenLeft(), object.GetScreenTop(), *picture, picture->GetBoundsRect(), mask,
                flipH, flipV, alpha);
  } else {
    StretchPicture(*target, object.GetScreenRect(), *picture, mask, flipH, flipV, alpha);
  }
}

void TOrvaImageData::DrawAt(TOrvaObject& object, int32_t x, int32_t y, const TRect& source) {
  const int32_t alpha = object.GetAlpha();
  if (alpha <= 0 || alpha >= 512) return;
  TCustomDIBX* picture = GetDIB();
  TCustomDIBX* target = object.GetTargetSurface();
  if (!picture || !target) return;
  BlitPicture(*target, x, y, *picture, source, GetMask(), object.GetFlipH(), object.GetFlipV(), alpha);
}

void TOrvaImageData::DrawTiled(TCustomDIBX& target, const TRect& rect, int32_t offsetX, int32_t offsetY,
                               int32_t alpha) {
  TCustomDIBX* picture = GetDIB();
  if (!picture) return;
  TCustomDIBX* mask = GetMask();
  const bool key = picture->TransparentColor != -1;
  const auto a = static_cast<uint32_t>(alpha);
  if (mask)
    target.StretchDrawMaskEx(rect, 256, 256, *picture, offsetX, offsetY, false, false, *mask, a);
  else if (alpha == 255 && !key)
    target.FillPattern(rect, *picture, offsetX, offsetY, false, false);
  else
    target.StretchDrawEx(rect, 256, 256, *picture, offsetX, offsetY, key, false, false, a);
}

// ==== TOrvaImageList ====

void TOrvaImageList::Clear() {
  frames_.clear();
  if (item_) {
    TVaskItem* item = item_;
    item_ = nullptr;
    item->Release(user_);
  }
}

TOrvaImageData* TOrvaImageList::GetItem(int index) {
  return index >= 0 && index < Count() ? frames_[size_t(index)].get() : nullptr;
}

void TOrvaImageList::LoadFromCache(TVaskUser user, std::string_view name, bool mask) {
  TOrvaImageCache* cache = GetImageCache();
  if (cache) {
    LoadFromCache(cache->Collection(), user, name, mask);
    return;
  }
  Clear();
  user_ = user;
  index_ = 0;
}

void TOrvaImageList::LoadFromCache(TVaskCollection& cache, TVaskUser user, std::string_view name, bool mask) {
  Clear();
  user_ = user;
  index_ = 0;
  TVaskItem& item = cache.Acquire(user, name, mask, false);
  item_ = &item;
  for (int i = 0; i < item.GetFrameCount(); ++i) frames_.push_back(std::make_unique<TOrvaImageData>(item.GetFrame(i)));
  if (!frames_.empty()) countdown_ = WrapAdd(frames_.front()->GetDelay(), 1);
}

void TOrvaImageList::SetIndex(int index) {
  index_ = std::min(index, Count() - 1);
  if (index_ >= 0) countdown_ = WrapAdd(frames_[size_t(index_)]->GetDelay(), 1);
}

bool TOrvaImageList::Tick() {
  return AdvanceFrame(index_, countdown_, Count(), FrameDelta, [this](int i) {
    TOrvaImageData* frame = GetItem(i);
    return frame ? frame->GetDelay() : 0;
  });
}

void TOrvaImageList::ReleaseSurfaces() {
  for (auto& frame : frames_) frame->ReleaseSurface();
}

void TOrvaImageList::RecreateSurfaces() {
  for (auto& frame : frames_) frame->RecreateSurface();
}

}  // namespace orva
