#include "film/picture_tracks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "core/fonts.h"
#include "core/paths.h"
#include "film/film.h"
#include "graphics/vask_collection.h"
#include "scene/base_list.h"
#include "scene/custom_image.h"
#include "scene/geometry.h"
#include "scene/image_cache.h"

namespace orva {

namespace {

// The angle in 1/256 turns (0..255) from degrees rounded halves to even.
int32_t TurnSteps(long double degrees) {
  const long double exact = 256.0L * degrees / 360.0L;
  // Angles come from 32-bit values, well inside the range of the integer rounding (halves to
  // even, as nearbyint), which is many times quicker than the floating one on every tick.
  if (!(std::fabs(exact) < 0x1p62L)) return 0;
  const long long steps = std::llrint(exact) % 256;
  return static_cast<int32_t>(steps < 0 ? steps + 256 : steps);
}

std::string FilmFileName(std::string_view name, std::string_view baseDir) {
  return name.empty() ? std::string() : ExpandRelativePath(name, baseDir);
}

}  // namespace

// ==== Shared picture update ====

TCustomImageFrameList::~TCustomImageFrameList() { HideObject(); }

void TCustomImageFrameList::HideObject() {
  if (TOrvaObject* object = object_.Get()) {
    object->Invalidate();
    object->SetImage(nullptr);
    object->ScheduleFree();
  }
  object_.Reset();
}

bool TCustomImageFrameList::PrepareUpdate(int32_t tick, bool& inside, TPictureState& state) {
  const int64_t start = AbsoluteStart();
  inside = tick >= start && tick < start + Length;
  if (!inside) {
    if (!MotionMode() && !object_.Handle().IsNone()) HideObject();
    return false;
  }
  if (MotionMode() ? !film_.MotionTarget : !ShowObject()) return false;
  state.Position = WrapSub(tick, AbsoluteStart());
  const int index = FrameIndexAt(state.Position);
  if (index < 0 || index >= static_cast<int>(Frames.size())) return false;
  state.Frame = &Frames[static_cast<size_t>(index)];
  const TPoint offset = state.Frame->Offset();
  state.Pivot = {WrapSub(BasePos.X, offset.X), WrapSub(BasePos.Y, offset.Y)};
  GetMotionPositions(state.Start, state.End);
  const int32_t p = state.Position;
  state.ZoomX = Interpolate(ZoomXMode, ZoomUnits(GetStartZoomX()), ZoomUnits(EndZoomX), p, Length);
  state.ZoomY = Interpolate(ZoomYMode, ZoomUnits(GetStartZoomY()), ZoomUnits(EndZoomY), p, Length);
  state.Clip = ClipAt(ClipXMode, ClipYMode, GetStartClipPos(), GetStartClipSize(), EndClipPos, EndClipSize, p);
  state.Alpha = AlphaAt(GetStartAlpha(), EndAlpha, p);
  return true;
}

void TCustomImageFrameList::ShowPicture(TOrvaControl& control, const TTrackFrame& frame) {
  TVaskItemFrame* picture = frame.Picture;
  control.SetImage(picture ? picture->Image.get() : nullptr);
  control.SetMaskImage(picture ? picture->Mask.get() : nullptr);
  if (TCustomDIBX* shown = control.GetImage())
    shown->TransparentColor = static_cast<int32_t>(shown->ColorToPixel(picture ? picture->KeyColor : -1));
}

bool TCustomImageFrameList::UpdateAt(int32_t tick) {
  bool inside = false;
  TPictureState s;
  if (!PrepareUpdate(tick, inside, s)) return inside;
  const int32_t x = Interpolate(XMode, s.Start.X, s.End.X, s.Position, Length);
  const int32_t y = Interpolate(YMode, s.Start.Y, s.End.Y, s.Position, Length);
  const int32_t startAngle = GetStartAngle();
  const int32_t angle = startAngle == 0 && EndAngle == 0
                            ? 0
                            : TurnSteps(InterpolateReal(AngleMode, s.Position, startAngle, EndAngle, Length));
  if (!MotionMode() && !HostMode())
    if (TOrvaControl* page = PlaceParent()) GetObject()->SetParent(page);
  ApplyFrame(*s.Frame, x, y, s.Pivot, s.ZoomX, s.ZoomY, angle, s.Alpha, s.Clip);
  return true;
}

void TCustomImageFrameList::LoadClip(TFilmReader& reader) {
  StartClipPos = reader.Point();
  StartClipSize = reader.Point();
  EndClipPos = reader.Point();
  EndClipSize = reader.Point();
  ClipXMode = reader.Byte();
  ClipYMode = reader.Byte();
}

void TCustomImageFrameList::Load(TFilmReader& reader, std::string_view baseDir, int version) {
  TCustomFrameList::Load(reader, baseDir, version);
  BasePos = reader.Point();
  StartPos = reader.Point();
  EndPos = reader.Point();
  XMode = reader.Byte();
  YMode = reader.Byte();
  StartAngle = reader.Int();
  EndAngle = reader.Int();
  StartZoomX = reader.Double();
  EndZoomX = reader.Double();
  ZoomXMode = reader.Byte();
  StartAlpha = reader.Int();
  EndAlpha = reader.Int();
  AngleMode = reader.Byte();
  if (version >= 101) LoadClip(reader);
  if (version >= 105) {
    StartZoomY = reader.Double();
    EndZoomY = reader.Double();
    ZoomYMode = reader.Byte();
  } else {
    StartZoomY = StartZoomX;
    EndZoomY = EndZoomX;
    ZoomYMode = ZoomXMode;
  }
}

// ==== Image ====

TImageFrameList::~TImageFrameList() {
  // The object lets go of the picture before the picture goes back.
  HideObject();
  ClearFrames();
}

void TImageFrameList::ClearFrames() {
  TCustomImageFrameList::ClearFrames();
  if (item_) {
    TVaskItem* item = std::exchange(item_, nullptr);
    item->Release(this);
  }
}

void TImageFrameList::SetFileName(std::string_view name) {
  if (name == FileName) return;
  FileName = name;
  HideObject();
  const int32_t length = Length;
  ClearFrames();
  int64_t cycle = 0;
  if (TOrvaImageCache* cache = GetImageCache()) {
    item_ = &cache->Collection().Acquire(this, FileName, false, false);
    ImageWidth = item_->Width;
    ImageHeight = item_->Height;
    for (int i = 0; i < item_->GetFrameCount(); ++i) {
      TVaskItemFrame& picture = item_->GetFrame(i);
      Frames.push_back({&picture, FrameDurationOfDelay(picture.Delay)});
      cycle += Frames.back().Duration;
    }
  }
  Cycle = SaturateInt32(cycle);
  Length = length >= 1 ? length : Cycle;
}

void TImageFrameList::AfterLoad() {
  const std::string name = std::move(FileName);
  const int32_t length = Length;
  FileName.clear();
  SetFileName(name);
  Length = length;
}

TOrvaObject* TImageFrameList::ShowObject() {
  if (TOrvaObject* object = GetObject()) return object;
  if (!film_.Owner) return nullptr;
  auto* image = CreateSceneObject<TOrvaImage>(*film_.Owner);
  NameObject(*image, *film_.Owner);
  object_ = image;
  return image;
}

void TImageFrameList::ApplyFrame(const TTrackFrame& frame, int32_t x, int32_t y, TPoint pivot, int32_t zoomX,
                                 int32_t zoomY, int32_t angle, int32_t alpha, const TRect& clip) {
  TOrvaObject* target = nullptr;
  if (MotionMode()) {
    TOrvaControl& control = *film_.MotionTarget;
    ShowPicture(control, frame);
    control.SetWidth(SaturateInt32(int64_t{frame.Width()} * zoomX / 256));
    control.SetHeight(SaturateInt32(int64_t{frame.Height()} * zoomY / 256));
    control.SetPriorityOffset(Priority);
    control.SetFlipH(FlipH);
    control.SetFlipV(FlipV);
    control.SetMotionX(x);
    control.SetMotionY(y);
    control.SetOffsetX(pivot.X);
    control.SetOffsetY(pivot.Y);
    control.SetZoomX(zoomX);
    control.SetZoomY(zoomY);
    control.SetAngle(angle);
    control.SetAlpha(alpha);
    ApplyClip(control, clip);
    target = &control;
  } else {
    auto* object = dynamic_cast<TOrvaImage*>(GetObject());
    if (!object) return;
    TVaskItemFrame* picture = frame.Picture;
    object->ApplyFrame(HostMode() ? film_.HostObject : nullptr, picture ? picture->Image.get() : nullptr,
                       picture ? picture->Mask.get() : nullptr, picture ? picture->KeyColor : -1, Priority, FlipH,
                       FlipV, x, y, pivot.X, pivot.Y, zoomX, zoomY, angle, alpha, clip);
    target = object;
  }
  // Films hit-test their pictures on their opaque pixels.
  target->SetCaptureMask(true);
}

void TImageFrameList::Load(TFilmReader& reader, std::string_view baseDir, int version) {
  TCustomImageFrameList::Load(reader, baseDir, version);
  FileName = FilmFileName(reader.String(), baseDir);
}

// ==== Tile ====

void TTileFrameList::SetFileName(std::string_view name) {
  const bool first = FileName.empty() && name != FileName;
  TImageFrameList::SetFileName(name);
  if (!first || Frames.empty()) return;
  const int32_t width = Frames.front().Width(), height = Frames.front().Height();
  if (!Parent) {
    if (StartWidth == 0) StartWidth = width;
    if (StartHeight == 0) StartHeight = height;
  }
  if (EndWidth == 0) EndWidth = width;
  if (EndHeight == 0) EndHeight = height;
}

TOrvaObject* TTileFrameList::ShowObject() {
  if (TOrvaObject* object = GetObject()) return object;
  TOrvaObject* object = MakeObject(LT_TILE);
  object_ = object;
  return object;
}

bool TTileFrameList::UpdateAt(int32_t tick) {
  bool inside = false;
  TPictureState s;
  if (!PrepareUpdate(tick, inside, s)) return inside;
  const int32_t p = s.Position;
  const auto last = [](int32_t from, int32_t size) { return WrapSub(WrapAdd(from, size), 1); };
  const int32_t left = Interpolate(XMode, s.Start.X, s.End.X, p, Length);
  const int32_t right = Interpolate(XMode, last(s.Start.X, GetStartWidth()), last(s.End.X, EndWidth), p, Length);
  const int32_t top = Interpolate(YMode, s.Start.Y, s.End.Y, p, Length);
  const int32_t bottom = Interpolate(YMode, last(s.Start.Y, GetStartHeight()), last(s.End.Y, EndHeight), p, Length);
  const int32_t width = WrapAdd(WrapSub(right, left), 1), height = WrapAdd(WrapSub(bottom, top), 1);
  const int32_t scrollX = Interpolate(ScrollXMode, GetStartScrollX(), EndScrollX, p, Length);
  const int32_t scrollY = Interpolate(ScrollYMode, GetStartScrollY(), EndScrollY, p, Length);
  if (MotionMode()) {
    TOrvaControl& control = *film_.MotionTarget;
    ShowPicture(control, *s.Frame);
    control.SetPriority(WrapAdd(film_.PriorityBase, Priority));
    control.SetDistanceX(DistanceX);
    control.SetDistanceY(DistanceY);
    control.SetFlipH(FlipH);
    control.SetFlipV(FlipV);
    control.SetMotionX(left);
    control.SetMotionY(top);
    control.SetWidth(width);
    control.SetHeight(height);
    control.SetOffsetX(s.Pivot.X);
    control.SetOffsetY(s.Pivot.Y);
    control.SetZoomX(s.ZoomX);
    control.SetZoomY(s.ZoomY);
    control.SetAlpha(s.Alpha);
    control.SetScrollX(scrollX);
    control.SetScrollY(scrollY);
    ApplyClip(control, s.Clip);
    return true;
  }
  TOrvaObject& object = *GetObject();
  if (!HostMode())
    if (TOrvaControl* page = PlaceParent()) object.SetParent(page);
  TVaskItemFrame* picture = s.Frame->Picture;
  object.ApplyTileFrame(HostMode() ? film_.HostObject : nullptr, picture ? picture->Image.get() : nullptr,
                        picture ? picture->Mask.get() : nullptr, picture ? picture->KeyColor : -1, Priority, DistanceX,
                        DistanceY, FlipH, FlipV, left, top, width, height, s.Pivot.X, s.Pivot.Y, s.ZoomX, s.ZoomY,
                        s.Alpha, scrollX, scrollY, s.Clip);
  return true;
}

void TTileFrameList::Load(TFilmReader& reader, std::string_view baseDir, int version) {
  TImageFrameList::Load(reader, baseDir, version);
  StartWidth = reader.Int();
  StartHeight = reader.Int();
  EndWidth = reader.Int();
  EndHeight = reader.Int();
  StartScrollX = reader.Int();
  StartScrollY = reader.Int();
  EndScrollX = reader.Int();
  EndScrollY = reader.Int();
  ScrollXMode = reader.Byte();
  ScrollYMode = reader.Byte();
  DistanceX = reader.Int();
  DistanceY = reader.Int();
  // A second clip block replaces the first.
  if (version >= 101) LoadClip(reader);
}

// ==== Label ====

TLabelFrameList::TLabelFrameList(TFilm& film) : TCustomImageFrameList(film) {
  Length = 5;
  Frames.emplace_back();
}

TOrvaObject* TLabelFrameList::ShowObject() {
  if (TOrvaObject* object = GetObject()) return object;
  TOrvaObject* object = MakeObject(LT_LABEL);
  if (!object) return nullptr;
  object_ = object;
  TOrvaBaseList& scene = *film_.Owner;
  object->SetParent(scene.GetLayer(scene.ActiveIndex() ^ (OtherPage ? 1 : 0)));
  return object;
}

void TLabelFrameList::ApplyFrame(const TTrackFrame&, int32_t x, int32_t y, TPoint pivot, int32_t zoomX, int32_t zoomY,
                                 int32_t angle, int32_t alpha, const TRect& clip) {
  TOrvaObject* target = MotionMode() ? film_.MotionTarget : GetObject();
  if (!target) return;
  if (!MotionMode())
    if (TOrvaControl* parent = PlaceParent()) target->SetParent(parent);
  target->SetFontName(FontName);
  target->SetFontHeight(FontHeight);
  target->SetLineSpace(LineSpace);
  target->SetFontColor(FontColor);
  target->SetFontStyle(IntToFontStyles(FontStyle));
  target->SetAntialias(Antialias != 0);
  target->SetHAlign(HAlign);
  target->SetFlipH(FlipH);
  target->SetFlipV(FlipV);
  target->SetText(Text);
  if (MotionMode()) {
    target->SetPriority(WrapAdd(film_.PriorityBase, Priority));
    target->SetMotionX(x);
    target->SetMotionY(y);
  } else {
    target->SetPriority(Priority);
    target->SetLeft(x);
    target->SetTop(y);
  }
  target->SetOffsetX(pivot.X);
  target->SetOffsetY(pivot.Y);
  target->SetAlpha(alpha);
  target->SetAngle(angle);
  target->SetZoomX(zoomX);
  target->SetZoomY(zoomY);
  ApplyClip(*target, clip);
}

void TLabelFrameList::Load(TFilmReader& reader, std::string_view baseDir, int version) {
  TCustomImageFrameList::Load(reader, baseDir, version);
  Text = reader.String();
  Antialias = reader.Byte();
  FontName = reader.String();
  FontHeight = reader.Int();
  if (version >= 103) {
    LineSpace = reader.Int();
  } else {
    reader.Int();
  }
  FontStyle = reader.Byte();
  FontColor = reader.Int();
  if (version >= 103) HAlign = reader.Byte();
}

}  // namespace orva
