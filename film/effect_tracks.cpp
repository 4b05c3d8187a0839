#include "film/effect_tracks.h"

#include "core/paths.h"
#include "core/vocabulary.h"
#include "film/film.h"
#include "scene/base_list.h"
#include "scene/geometry.h"

namespace orva {

// ==== Chains ====

TOrvaObject* TEffectFrameList::RootEffect() {
  TCustomFrameList* root = ChainRoot();
  for (TCustomFrameList* t = this; t != root; t = t->Parent) t->HideObject();
  return root->GetObject();
}

TOrvaObject* TEffectFrameList::EnsureEffect() {
  auto* root = static_cast<TEffectFrameList*>(ChainRoot());
  if (TOrvaObject* object = root->GetObject()) return object;
  TOrvaObject* object = MakeObject(ObjectType());
  root->object_ = object;
  return object;
}

bool TEffectFrameList::EnterSpan(int32_t tick) {
  const int64_t start = AbsoluteStart(), end = start + Length;
  if (tick >= start && tick < end) return true;
  if (!MotionMode() && !ChildTrack()) {
    TCustomFrameList* root = ChainRoot();
    const bool inChain = root->AbsoluteStart() <= tick && tick < end;
    if (!inChain) root->HideObject();
  }
  return false;
}

TOrvaObject* TEffectFrameList::Target() {
  if (MotionMode()) return film_.MotionTarget;
  EnsureEffect();
  return RootEffect();
}

// ==== Particles ====

TParticleFrameList::TParticleFrameList(TFilm& film) : TEffectFrameList(film) {
  StartWidth = EndWidth = film.Width;
  StartHeight = EndHeight = film.Height;
}

int TParticleFrameList::ObjectType() const { return LT_PARTICLE; }

void TParticleFrameList::SetFileName(std::string_view name) {
  if (name == FileName) return;
  FileName = name;
  HideObject();
}

bool TParticleFrameList::UpdateAt(int32_t tick) {
  if (!EnterSpan(tick)) return false;
  TOrvaObject* target = Target();
  if (!target) return true;
  const int32_t position = WrapSub(tick, AbsoluteStart());
  const TRect edges = EdgesAt(position);
  const int32_t width = WrapAdd(WrapSub(edges.Right, edges.Left), 1);
  const int32_t height = WrapAdd(WrapSub(edges.Bottom, edges.Top), 1);
  const int32_t interval = Interpolate(imLinear, GetStartInterval(), EndInterval, position, Length);
  const int32_t range = Interpolate(imLinear, GetStartIntervalRange(), EndIntervalRange, position, Length);
  const TPoint appearFrom = GetStartAppearPos(), appearSize = GetStartAppearSize();
  TOrvaParticleParam param;
  param.AppearX = Interpolate(AppearXMode, appearFrom.X, EndAppearPos.X, position, Length);
  param.AppearY = Interpolate(AppearYMode, appearFrom.Y, EndAppearPos.Y, position, Length);
  param.AppearWidth = Interpolate(imLinear, appearSize.X, EndAppearSize.X, position, Length);
  param.AppearHeight = Interpolate(imLinear, appearSize.Y, EndAppearSize.Y, position, Length);
  param.IntervalLow = WrapSub(interval, range / 2);
  param.IntervalRange = range;
  const TRect clip = RectClipAt(position);
  const int32_t alpha = AlphaAt(GetStartAlpha(), EndAlpha, position);
  if (MotionMode()) {
    target->SetMotionX(edges.Left);
    target->SetMotionY(edges.Top);
    target->SetWidth(width);
    target->SetHeight(height);
    target->SetPriority(WrapAdd(film_.PriorityBase, Priority));
    target->SetAlpha(alpha);
    ApplyClip(*target, clip);
    return true;
  }
  if (TOrvaControl* parent = PlaceParent()) target->SetParent(parent);
  if (TOrvaControl* control = target->AsControl()) control->SetBounds(edges.Left, edges.Top, width, height);
  target->SetPriority(Priority);
  target->SetAlpha(alpha);
  target->SetSource(FileName);
  target->SetPartMotion(PartMotion);
  target->SetIndex(ParticleIndex);
  for (int k = 1; k <= 3; ++k)
    target->SetParam(k - 1, InterpolateReal(imLinear, position, GetStartParam(k), EndParam[size_t(k - 1)], Length));
  target->SetParticleParam(param);
  ApplyClip(*target, clip);
  return true;
}

void TParticleFrameList::Load(TFilmReader& reader, std::string_view baseDir, int version) {
  TEffectFrameList::Load(reader, baseDir, version);
  const std::string name = reader.String();
  FileName = name.empty() ? name : ExpandRelativePath(name, baseDir);
  PartMotion = reader.Byte();
  ParticleIndex = reader.Int();
  StartInterval = reader.Int();
  EndInterval = reader.Int();
  StartIntervalRange = reader.Int();
  EndIntervalRange = reader.Int();
  StartAppearPos = reader.Point();
  EndAppearPos = reader.Point();
  StartAppearSize = reader.Point();
  EndAppearSize = reader.Point();
  AppearXMode = reader.Byte();
  AppearYMode = reader.Byte();
  for (double& p : StartParam) p = reader.Double();
  for (double& p : EndParam) p = reader.Double();
  LoadRect(reader);
  StartAlpha = reader.Int();
  EndAlpha = reader.Int();
}

// ==== Fire ====

TFireFrameList::TFireFrameList(TFilm& film) : TEffectFrameList(film) {
  StartWidth = EndWidth = film.Width / 4;
  StartHeight = EndHeight = 30;
}

int TFireFrameList::ObjectType() const { return LT_FIRE; }

bool TFireFrameList::UpdateAt(int32_t tick) {
  if (!EnterSpan(tick)) return false;
  TOrvaObject* target = Target();
  if (!target) return true;
  const int32_t position = WrapSub(tick, AbsoluteStart());
  TPoint start, end;
  GetMotionPositions(start, end);
  const int32_t x = Interpolate(XMode, start.X, end.X, position, Length);
  const int32_t y = Interpolate(YMode, start.Y, end.Y, position, Length);
  const int32_t width = Interpolate(XMode, GetStartWidth(), EndWidth, position, Length);
  const int32_t height = Interpolate(YMode, GetStartHeight(), EndHeight, position, Length);
  const int32_t zoomX = Interpolate(ZoomXMode, ZoomUnits(GetStartZoomX()), ZoomUnits(EndZoomX), position, Length);
  const int32_t zoomY = Interpolate(ZoomYMode, ZoomUnits(GetStartZoomY()), ZoomUnits(EndZoomY), position, Length);
  const TRect clip = RectClipAt(position);
  if (MotionMode()) {
    target->SetPriority(WrapAdd(film_.PriorityBase, Priority));
    target->SetMotionX(x);
    target->SetMotionY(y);
  } else {
    if (TOrvaControl* parent = PlaceParent()) target->SetParent(parent);
    target->SetPriority(Priority);
    target->SetLeft(x);
    target->SetTop(y);
  }
  target->SetOrigWidth(width);
  target->SetOrigHeight(height);
  target->SetZoomX(zoomX);
  target->SetZoomY(zoomY);
  target->SetPower(Power);
  ApplyClip(*target, clip);
  return true;
}

void TFireFrameList::Load(TFilmReader& reader, std::string_view baseDir, int version) {
  TEffectFrameList::Load(reader, baseDir, version);
  LoadRect(reader);
  StartZoomX = reader.Double();
  StartZoomY = reader.Double();
  EndZoomX = reader.Double();
  EndZoomY = reader.Double();
  ZoomXMode = reader.Byte();
  ZoomYMode = reader.Byte();
  Power = reader.Int();
}

}  // namespace orva
