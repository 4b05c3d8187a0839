#include "scene/custom_image.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/number_text.h"
#include "core/stream.h"
#include "graphics/dibx.h"
#include "graphics/dibx_wave.h"
#include "scene/base_list.h"
#include "scene/geometry.h"
#include "scene/image_cache.h"
#include "scene/picture_draw.h"
#include "scene/scene_services.h"

namespace orva {

namespace {

// A surface that reports 0 × 0 until it is sized.
std::unique_ptr<TDIBX> EmptySurface() {
  auto surface = std::make_unique<TDIBX>();
  surface->Clear();
  return surface;
}

// A row-shifting wave surface gets one whole blit instead of the drawing rectangles.
bool IsWaveSurface(TCustomDIBX& surface) { return dynamic_cast<TDIBXWave*>(&surface) != nullptr; }

TRect PictureRect(TCustomDIBX* picture) { return picture ? picture->GetBoundsRect() : TRect{0, 0, 1, 1}; }

}  // namespace

// ==== TOrvaCustomImage ====

TOrvaCustomImage::TOrvaCustomImage(TOrvaBaseList* owner) : TOrvaControl(owner), own_(EmptySurface()) {}

TOrvaCustomImage::~TOrvaCustomImage() {
  Invalidate();
  own_.reset();
}

TCustomDIBX* TOrvaCustomImage::GetImage() { return picture_ ? picture_ : own_.get(); }

void TOrvaCustomImage::SetImage(TCustomDIBX* image) {
  if (image == picture_) return;
  Invalidate();
  picture_ = image;
  Invalidate();
}

int32_t TOrvaCustomImage::GetOrigWidth() {
  TCustomDIBX* picture = GetImage();
  return picture ? picture->GetWidth() : 0;
}

int32_t TOrvaCustomImage::GetOrigHeight() {
  TCustomDIBX* picture = GetImage();
  return picture ? picture->GetHeight() : 0;
}

void TOrvaCustomImage::SetWidth(int32_t value) {
  TOrvaControl::SetWidth(value);
  if (IsAutoSized()) zoomX_ = 0;
}

void TOrvaCustomImage::SetHeight(int32_t value) {
  TOrvaControl::SetHeight(value);
  if (IsAutoSized()) zoomY_ = 0;
}

void TOrvaCustomImage::MarkChildrenSizePending() {
  for (TOrvaControl* child : Children())
    if (child->GetPosZoomed()) child->SetImageFlag(true);
}

void TOrvaCustomImage::ChangeZoom(int32_t& zoom, int32_t value) {
  if (value == zoom) return;
  Invalidate();
  zoom = std::max(value, 1);
  sizePending_ = true;
  MarkChildrenSizePending();
}

void TOrvaCustomImage::SetZoomX(int32_t value) { ChangeZoom(zoomX_, value); }
void TOrvaCustomImage::SetZoomY(int32_t value) { ChangeZoom(zoomY_, value); }

void TOrvaCustomImage::SetPosZoomed(bool value) {
  if (value == GetPosZoomed()) return;
  Invalidate();
  AssignPosZoomed(value);
  sizePending_ = true;
  MarkChildrenSizePending();
}

void TOrvaCustomImage::ChangeFlip(bool& flip, bool value, bool vertical) {
  if (value == flip) return;
  Invalidate();
  flip = value;
  FitToParent(vertical);
  Invalidate();
}

void TOrvaCustomImage::SetFlipH(bool value) { ChangeFlip(flipH_, value, false); }
void TOrvaCustomImage::SetFlipV(bool value) { ChangeFlip(flipV_, value, true); }

void TOrvaCustomImage::SetAlpha(int32_t value) {
  if (value == alpha_) return;
  alpha_ = value;
  Invalidate();
}

void TOrvaCustomImage::SetAngle(int32_t value) {
  if (value == angle_) return;
  Invalidate();
  angle_ = value;
  Invalidate();
}

// ---- Geometry ----

TOrvaObject::TRotationCenter TOrvaCustomImage::GetRotationCenter() {
  TCustomDIBX* picture = GetImage();
  TPoint center{GetOffsetX(), GetOffsetY()};
  if (picture && flipH_) center.X = WrapSub(WrapSub(picture->GetWidth(), 1), center.X);
  if (picture && flipV_) center.Y = WrapSub(WrapSub(picture->GetHeight(), 1), center.Y);
  return {GetDrawOrigin(), center};
}

TRect TOrvaCustomImage::GetRotatedBounds(const TRect& source) {
  TCustomDIBX* picture = GetImage();
  const TPoint origin = GetDrawOrigin();
  return CalcRotatedBounds(origin.X, origin.Y, GetOffsetX(), GetOffsetY(), TurnSteps(), source, zoomX_, zoomY_,
                           picture ? picture->GetWidth() : 1, picture ? picture->GetHeight() : 1, flipH_, flipV_);
}

TRect TOrvaCustomImage::GetClientRect() {
  return TurnSteps() ? GetRotatedBounds(PictureRect(GetImage())) : GetScreenRect();
}

void TOrvaCustomImage::FitToParentX() { FitToParent(false); }
void TOrvaCustomImage::FitToParentY() { FitToParent(true); }

void TOrvaCustomImage::FitToParent(bool vertical) {
  if (!IsAutoSized()) return;
  if (GetSource().empty() && !picture_) {
    AssignWidth(0);
    AssignHeight(0);
    return;
  }
  TCustomDIBX* picture = GetImage();
  const int32_t zoom = vertical ? zoomY_ : zoomX_;
  const int32_t pictureSize = picture ? (vertical ? picture->GetHeight() : picture->GetWidth()) : 0;
  int32_t size = WrapMul(pictureSize, zoom) / 256;

  TOrvaControl* parent = GetParent();
  if (GetPosZoomed() && parent && !parent->AsLayer() && picture && !GetMotion()) {
    TCustomDIBX* parentPicture = parent->GetImage();
    const int32_t parentSize = vertical ? parent->GetHeight() : parent->GetWidth();
    // A parent without a size has no scale: the plain zoom rule applies.
    if (parentPicture && (vertical ? parent->GetZoomY() : parent->GetZoomX()) == zoom && parentSize > 0) {
      const int32_t pw = vertical ? parentPicture->GetHeight() : parentPicture->GetWidth();
      const int64_t k = PictureStep(pw, parentSize);
      const int32_t l = vertical ? WrapSub(GetTop(), GetOffsetY()) : WrapSub(GetLeft(), GetOffsetX());
      int64_t a, b;
      if (!(vertical ? flipV_ : flipH_)) {
        a = StepDivide(l, k, 32767);
        b = StepDivide(WrapAdd(pictureSize, l), k, 0);
      } else {
        a = StepDivide(WrapSub(WrapSub(pw, l), pictureSize), k, 32767);
        b = StepDivide(WrapSub(pw, l), k, 0);
      }
      size = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(b - a)));
    }
  }
  if (vertical)
    AssignHeight(size);
  else
    AssignWidth(size);
}

void TOrvaCustomImage::FitSizeToParent() {
  if (!sizePending_) return;
  FitToParentX();
  FitToParentY();
}

// ---- Drawing ----

void TOrvaCustomImage::Invalidate() {
  if (!IsEffectivelyVisible()) return;
  TOrvaBase* layer = GetBase();
  if (!layer) return;
  TCustomDIBX* picture = GetImage();
  if (!picture || picture->IsEmpty()) return;
  TRect r = TurnSteps() ? GetRotatedBounds(picture->GetBoundsRect()) : GetScreenRect();
  if (TOrvaControl* parent = GetParent(); parent && !parent->ClipToClient(r)) return;
  const TRect clip = GetClipRect();
  if (!clip.IsEmpty() && !IntersectClipRect(r, clip)) return;
  NotifyInvalidate(r);
  layer->AddDirtyRect(r);
}

void TOrvaCustomImage::Paint() {
  TCustomDIBX* picture = GetImage();
  if (picture && !picture->IsEmpty()) DrawPicture();
  TOrvaControl::Paint();
}

void TOrvaCustomImage::DrawPicture() {
  TCustomDIBX* picture = GetImage();
  if (!picture || alpha_ <= 0 || GetWidth() <= 0 || GetHeight() <= 0) return;
  TCustomDIBX* target = GetTargetSurface();
  if (!target) return;
  if (TurnSteps() != 0) {
    const TRotationCenter rc = GetRotationCenter();
    RotatePicture(*target, rc.Position, zoomX_, zoomY_, *picture, rc.Center, TurnSteps(), mask_, flipH_, flipV_,
                  alpha_);
  } else if (picture->GetWidth() == GetWidth() && picture->GetHeight() == GetHeight()) {
    DrawOneToOne(*target, *picture);
  } else {
    StretchPicture(*target, GetScreenRect(), *picture, mask_, flipH_, flipV_, alpha_);
  }
}

void TOrvaCustomImage::DrawOneToOne(TCustomDIBX& target, TCustomDIBX& picture) {
  const int32_t x = GetScreenLeft(), y = GetScreenTop();
  const TRect whole = picture.GetBoundsRect();
  if (picture.Rects.empty() || IsWaveSurface(target)) {
    BlitPicture(target, x, y, picture, whole, mask_, flipH_, flipV_, alpha_);
    return;
  }
  // One blit per drawing rectangle, each under a clip cut to that rectangle (mirrored with
  // the picture); the clip is given back afterwards.
  const TRect saved = target.GetClipRect();
  const TRect savedField = target.ClipRect;
  const int32_t w = picture.GetWidth(), h = picture.GetHeight();
  for (const TRect& r : picture.Rects) {
    const int32_t left = WrapAdd(x, flipH_ ? WrapSub(w, r.Right) : r.Left);
    const int32_t top = WrapAdd(y, flipV_ ? WrapSub(h, r.Bottom) : r.Top);
    const TRect d = IntersectRectOf(WrapBounds(left, top, WrapSub(r.Right, r.Left), WrapSub(r.Bottom, r.Top)), saved);
    if (d.IsEmpty()) continue;
    target.ClearClipRect();
    target.AddClipRect(d);
    BlitPicture(target, x, y, picture, whole, mask_, flipH_, flipV_, alpha_);
  }
  target.ClipRect = savedField;
}

// ---- Hit test ----

TOrvaObject* TOrvaCustomImage::HitTest(TPoint point, TIgnoreMouseSet accepted) {
  if (!IsEffectivelyVisible() || !PointInRect(point, GetClientRect())) return nullptr;
  const std::vector<TOrvaControl*>& children = Children();
  for (size_t i = children.size(); i-- > 0;)
    if (TOrvaObject* hit = children[i]->HitTest(point, accepted)) return hit;
  if (!(accepted & IgnoreMouseBit(GetIgnoreMouse()))) return nullptr;
  return (TurnSteps() != 0 ? RotatedHit(point) : PictureHit(point)) ? this : nullptr;
}

bool TOrvaCustomImage::MaskHit(TPoint point) {
  if (!captureMask_ || !mask_) return true;
  // A size set by a script leaves a zoom of 0: the rectangle alone decides.
  if (zoomX_ <= 0 || zoomY_ <= 0) return true;
  int64_t mx = int64_t{WrapSub(point.X, GetScreenLeft())} * 256 / zoomX_;
  int64_t my = int64_t{WrapSub(point.Y, GetScreenTop())} * 256 / zoomY_;
  if (flipH_) mx = mask_->GetWidth() - 1 - mx;
  if (flipV_) my = mask_->GetHeight() - 1 - my;
  if (mx < 0 || my < 0 || mx >= mask_->GetWidth() || my >= mask_->GetHeight()) return false;
  return mask_->GetPixel(int(mx), int(my)) >= 128;
}

bool TOrvaCustomImage::PictureHit(TPoint point) {
  return PointInRect(point, GetClientRect()) && MaskHit(point);
}

bool TOrvaCustomImage::RotatedHit(TPoint point) {
  // The point turned back about the draw origin, the exact inverse of the drawing's turn.
  const TPoint o = GetDrawOrigin();
  const long double theta = -static_cast<long double>(TurnSteps()) * 2 * std::numbers::pi_v<long double> / 256;
  const long double dx = static_cast<long double>(point.X) - o.X, dy = static_cast<long double>(point.Y) - o.Y;
  const long double c = std::cos(theta), s = std::sin(theta);
  TPoint turned;
  if (!RoundToInt32(dx * c - dy * s + o.X, turned.X) || !RoundToInt32(dx * s + dy * c + o.Y, turned.Y)) return false;
  return PointInRect(turned, GetScreenRect()) && MaskHit(turned);
}

// ---- Update ----

bool TOrvaCustomImage::Idle() {
  const bool result = TOrvaControl::Idle();
  if (sizePending_) {
    sizePending_ = false;
    Invalidate();
    FitToParentX();
    FitToParentY();
    Invalidate();
  }
  return result;
}

// ---- Stored form and display changes ----

void TOrvaCustomImage::SaveToStream(TStream& stream) {
  TOrvaControl::SaveToStream(stream);
  WriteStreamInt(stream, alpha_);
  WriteStreamInt(stream, zoomX_);
  WriteStreamInt(stream, angle_);
  WriteStreamBool(stream, flipH_);
  WriteStreamBool(stream, flipV_);
  WriteStreamBool(stream, captureMask_);
  WriteStreamInt(stream, zoomY_);
}

void TOrvaCustomImage::LoadFromStream(TStream& stream, int version) {
  TOrvaControl::LoadFromStream(stream, version);
  alpha_ = ReadStreamInt(stream);
  zoomX_ = ReadStreamInt(stream);
  angle_ = ReadStreamInt(stream);
  flipH_ = ReadStreamBool(stream);
  flipV_ = ReadStreamBool(stream);
  captureMask_ = ReadStreamBool(stream);
  if (version >= 104) zoomY_ = ReadStreamInt(stream);
}

TDIBX& TOrvaCustomImage::EnsureOwnSurface() {
  if (!own_) own_ = EmptySurface();
  return *own_;
}

void TOrvaCustomImage::ReleaseSurfaces() {
  own_.reset();
  picture_ = nullptr;
}

void TOrvaCustomImage::RecreateSurfaces() {
  own_ = std::make_unique<TDIBX>();
  own_->SetSize(1, 1, ScreenBitCount());
  TOrvaControl::RecreateSurfaces();
}

// ==== TOrvaImage ====

TOrvaImage::TOrvaImage(TOrvaBaseList* owner) : TOrvaCustomImage(owner) {}

void TOrvaImage::SetSource(std::string_view value) {
  if (value == source_) return;
  source_ = value;
  LoadPicture();
}

void TOrvaImage::SetBrightness(int32_t value) {
  value = std::clamp(value, 0, 255);
  if (value == brightness_) return;
  brightness_ = value;
  LoadPicture();
}

void TOrvaImage::LoadPicture() {
  Invalidate();
  int32_t width = 0, height = 0;
  if (TOrvaImageCache* cache = GetImageCache()) {
    TVaskItem& item = cache->Collection().Acquire(this, source_, false, false);
    // The item goes back to the cache whatever happens here.
    struct TRelease {
      TVaskItem& item;
      const void* user;
      ~TRelease() { item.Release(user); }
    } release{item, this};
    width = item.Width;
    height = item.Height;
    AssignWidth(WrapMul(GetZoomX(), width) / 256);
    AssignHeight(WrapMul(GetZoomY(), height) / 256);
    if (item.GetFrameCount() > 0) {
      TCustomDIBX& first = *item.GetFrame(0).Image;
      TDIBX& own = EnsureOwnSurface();
      own.SetSize(first.GetWidth(), first.GetHeight(), first.GetBitCount());
      own.Assign(first);
    }
  } else {
    AssignWidth(0);
    AssignHeight(0);
  }
  TDIBX* own = OwnSurface();
  if (own && !own->IsEmpty() && brightness_ < 255) {
    const int32_t d = 255 - brightness_;
    own->FillRectSub(own->GetBoundsRect(), own->ColorToPixel(d | d << 8 | d << 16));
  }
  Invalidate();
}

void TOrvaImage::RecreateSurfaces() {
  TOrvaCustomImage::RecreateSurfaces();
  if (!PictureField()) LoadPicture();
}

void TOrvaImage::ApplyFrame(TOrvaControl* parent, TCustomDIBX* picture, TCustomDIBX* mask, int32_t keyColor,
                            int32_t priority, bool flipH, bool flipV, int32_t left, int32_t top, int32_t offsetX,
                            int32_t offsetY, int32_t zoomX, int32_t zoomY, int32_t angle, int32_t alpha,
                            const TRect& clip) {
  SetImage(picture);
  // The size of a picture at 100 %, before the new zoom comes in.
  if (picture && GetZoomX() == 256) AssignWidth(picture->GetWidth());
  if (picture && GetZoomY() == 256) AssignHeight(picture->GetHeight());
  if (parent) SetParent(parent);
  SetMaskImage(mask);
  if (picture) picture->TransparentColor = static_cast<int32_t>(picture->ColorToPixel(keyColor));
  SetZoomX(zoomX);
  SetZoomY(zoomY);
  SetPriority(priority);
  SetFlipH(flipH);
  SetFlipV(flipV);
  SetOffsetX(offsetX);
  SetOffsetY(offsetY);
  SetLeft(left);
  SetTop(top);
  SetAngle(angle);
  SetAlpha(alpha);
  SetClipLeft(clip.Left);
  SetClipTop(clip.Top);
  SetClipWidth(WrapSub(clip.Right, clip.Left));
  SetClipHeight(WrapSub(clip.Bottom, clip.Top));
}

}  // namespace orva
