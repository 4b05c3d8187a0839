#include "film/rect_tracks.h"

#include "core/vocabulary.h"
#include "film/film.h"
#include "scene/base_list.h"
#include "scene/geometry.h"

namespace orva {

// ==== Rectangle ====

TRectFrameList::TRectFrameList(TFilm& film) : TCustomFrameList(film) {
  Length = 1;
  Frames.emplace_back();
}

TRectFrameList::~TRectFrameList() { HideObject(); }

void TRectFrameList::HideObject() {
  if (TOrvaObject* object = object_.Get()) {
    object->Invalidate();
    object->ScheduleFree();
  }
  object_.Reset();
}

TRect TRectFrameList::EdgesAt(int32_t position) const {
  TPoint start, end;
  GetMotionPositions(start, end);
  const auto last = [](int32_t from, int32_t size) { return WrapSub(WrapAdd(from, size), 1); };
  return {Interpolate(XMode, start.X, end.X, position, Length), Interpolate(YMode, start.Y, end.Y, position, Length),
          Interpolate(XMode, last(start.X, GetStartWidth()), last(end.X, EndWidth), position, Length),
          Interpolate(YMode, last(start.Y, GetStartHeight()), last(end.Y, EndHeight), position, Length)};
}

TRect TRectFrameList::RectClipAt(int32_t position) const {
  return ClipAt(ClipXMode, ClipYMode, GetStartClipPos(), GetStartClipSize(), EndClipPos, EndClipSize, position);
}

void TRectFrameList::LoadPositions(TFilmReader& reader) {
  StartPos = reader.Point();
  EndPos = reader.Point();
  XMode = reader.Byte();
  YMode = reader.Byte();
}

void TRectFrameList::LoadSizes(TFilmReader& reader) {
  StartWidth = reader.Int();
  StartHeight = reader.Int();
  EndWidth = reader.Int();
  EndHeight = reader.Int();
}

void TRectFrameList::LoadRect(TFilmReader& reader) {
  LoadPositions(reader);
  LoadSizes(reader);
  LoadClip(reader);
}

void TRectFrameList::LoadClip(TFilmReader& reader) {
  StartClipPos = reader.Point();
  StartClipSize = reader.Point();
  EndClipPos = reader.Point();
  EndClipSize = reader.Point();
  ClipXMode = reader.Byte();
  ClipYMode = reader.Byte();
}

TOrvaObject* TRectFrameList::ShowObjectOf(int typeCode) {
  if (TOrvaObject* object = GetObject()) return object;
  TOrvaObject* object = MakeObject(typeCode);
  object_ = object;
  return object;
}

// ==== Box ====

int32_t TBoxFrameList::ColorAt(int32_t start, int32_t end, int32_t position) const {
  if (start == end) return start;
  int32_t color = 0;
  for (int shift : {0, 8, 16}) {
    const int32_t byte = Interpolate(imLinear, start >> shift & 0xFF, end >> shift & 0xFF, position, Length);
    color = WrapAdd(color, WrapMul(byte, 1 << shift));
  }
  return color;
}

bool TBoxFrameList::UpdateAt(int32_t tick) {
  const int64_t start = AbsoluteStart();
  if (tick < start || tick >= start + Length) {
    if (!MotionMode() && !object_.Handle().IsNone()) HideObject();
    return false;
  }
  TOrvaObject* target = MotionMode() ? film_.MotionTarget : ShowObjectOf(LT_BOX);
  if (!target) return true;
  const int32_t position = WrapSub(tick, AbsoluteStart());
  const TRect edges = EdgesAt(position);
  const TRect clip = RectClipAt(position);
  const int32_t alpha = AlphaAt(GetStartAlpha(), EndAlpha, position);
  const int32_t color = ColorAt(GetStartColor(), EndColor, position);
  const int32_t startBorder = GetStartBorderWidth();
  const int32_t border = startBorder == EndBorderWidth
                             ? startBorder
                             : Interpolate(imLinear, startBorder, EndBorderWidth, position, Length);
  const int32_t borderColor = ColorAt(GetStartBorderColor(), EndBorderColor, position);
  const int32_t width = WrapAdd(WrapSub(edges.Right, edges.Left), 1);
  const int32_t height = WrapAdd(WrapSub(edges.Bottom, edges.Top), 1);
  if (MotionMode()) {
    target->SetMotionX(edges.Left);
    target->SetMotionY(edges.Top);
    target->SetWidth(width);
    target->SetHeight(height);
    target->SetPriority(WrapAdd(film_.PriorityBase, Priority));
  } else {
    if (TOrvaControl* parent = PlaceParent()) target->SetParent(parent);
    if (TOrvaControl* control = target->AsControl()) control->SetBounds(edges.Left, edges.Top, width, height);
    target->SetPriority(Priority);
  }
  target->SetAlpha(alpha);
  target->SetColor(color);
  target->SetBorderWidth(border);
  target->SetBorderColor(borderColor);
  ApplyClip(*target, clip);
  return true;
}

void TBoxFrameList::Load(TFilmReader& reader, std::string_view baseDir, int version) {
  TRectFrameList::Load(reader, baseDir, version);
  LoadPositions(reader);
  StartAlpha = reader.Int();
  EndAlpha = reader.Int();
  LoadSizes(reader);
  StartColor = reader.Int();
  EndColor = reader.Int();
  StartBorderWidth = reader.Int();
  EndBorderWidth = reader.Int();
  StartBorderColor = reader.Int();
  EndBorderColor = reader.Int();
  if (version >= 101) LoadClip(reader);
}

}  // namespace orva
