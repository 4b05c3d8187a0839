#include "film/track.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "core/number_text.h"
#include "core/stream.h"
#include "film/film.h"
#include "graphics/vask_collection.h"
#include "scene/base_list.h"
#include "scene/geometry.h"
#include "scene/motion.h"

namespace orva {

namespace {

constexpr long double kQuarterTurn = std::numbers::pi_v<long double> / 2;

}  // namespace

// ==== Reader ====

int32_t TFilmReader::Int() {
  uint8_t b[4];
  stream_.ReadBuffer(b, 4);
  return static_cast<int32_t>(uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24);
}

uint8_t TFilmReader::Byte() {
  uint8_t b = 0;
  stream_.ReadBuffer(&b, 1);
  return b;
}

double TFilmReader::Double() {
  uint8_t b[8];
  stream_.ReadBuffer(b, 8);
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | b[i];
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

TPoint TFilmReader::Point() {
  const int32_t x = Int();
  return {x, Int()};
}

std::string TFilmReader::String() { return ReadStreamString(stream_); }

// ==== Frames ====

int32_t TTrackFrame::Width() const { return Picture ? Picture->Image->GetWidth() : 0; }
int32_t TTrackFrame::Height() const { return Picture ? Picture->Image->GetHeight() : 0; }
TPoint TTrackFrame::Offset() const { return Picture ? TPoint{Picture->OffsetX, Picture->OffsetY} : TPoint{}; }

int32_t FrameDurationOfDelay(int32_t delayMs) { return std::max(1, RoundSaturated(delayMs / MotionTickMs)); }

// ==== Track ====

TCustomFrameList::TCustomFrameList(TFilm& film) : film_(film) {}

TCustomFrameList::~TCustomFrameList() = default;

void TCustomFrameList::ClearFrames() {
  Frames.clear();
  Length = 0;
}

int TCustomFrameList::FrameIndexAt(int32_t position) const {
  if (Frames.empty()) return -1;
  int64_t p = int64_t{position} % std::max(1, Cycle);
  for (size_t i = 0; i < Frames.size(); ++i) {
    p -= Frames[i].Duration;
    if (p < 0) return static_cast<int>(i);
  }
  return static_cast<int>(Frames.size()) - 1;
}

void TCustomFrameList::Load(TFilmReader& reader, std::string_view, int version) {
  ParentIndex = reader.Int();
  Length = reader.Int();
  Unnamed = reader.Int();
  Start = reader.Int();
  Cycle = reader.Int();
  Priority = reader.Int();
  FlipH = reader.Bool();
  FlipV = reader.Bool();
  OtherPage = reader.Bool();
  // Older films count in 1/30 s.
  if (version < 107) {
    Start = WrapAdd(Start, Start);
    Length = WrapAdd(Length, Length);
    Cycle = WrapAdd(Cycle, Cycle);
  }
}

int32_t TCustomFrameList::Interpolate(uint8_t mode, int32_t start, int32_t end, int32_t position,
                                      int32_t length) const {
  const int64_t n = int64_t{length} + (child_ ? 1 : 0);
  if (position == 0) return start;
  if (position == n - 1) return end;
  const int64_t d = int64_t{end} - start;
  if (mode == imLinear) {
    if (n - 1 == 0) return start;
    const __int128 step = static_cast<__int128>(d) * position / (n - 1);
    return SaturateInt32(static_cast<int64_t>(std::clamp<__int128>(start + step, INT64_MIN, INT64_MAX)));
  }
  if (n == 0) return start;
  if (mode == imAccelerate)
    return SaturateInt32(end - int64_t{RoundSaturated(std::sin((n - position - 1) * kQuarterTurn / n) * d)});
  return SaturateInt32(start + int64_t{RoundSaturated(std::sin(position * kQuarterTurn / n) * d)});
}

long double TCustomFrameList::InterpolateReal(uint8_t mode, int32_t position, long double start, long double end,
                                              int32_t length) const {
  const int64_t n = int64_t{length} + (child_ ? 1 : 0);
  if (position == 0) return start;
  if (position == n - 1) return end;
  if (n == 0) return start;
  const long double d = end - start;
  if (mode == imLinear) return start + d * position / n;
  if (mode == imAccelerate) return end - std::sin((n - position - 1) * kQuarterTurn / n) * d;
  return start + std::sin(position * kQuarterTurn / n) * d;
}

void TCustomFrameList::GetMotionPositions(TPoint& start, TPoint& end) const {
  start = GetStartPos();
  end = GetEndPos();
  if (!film_.ObjectMotion || !film_.RelativePosition) return;
  const auto move = [this](TPoint p) {
    return TPoint{WrapAdd(WrapSub(p.X, film_.Origin.X), film_.MotionOrigin.X),
                  WrapAdd(WrapSub(p.Y, film_.Origin.Y), film_.MotionOrigin.Y)};
  };
  start = move(start);
  end = move(end);
}

TCustomFrameList* TCustomFrameList::ChainRoot() {
  TCustomFrameList* t = this;
  while (t->Parent && t->Parent->GetTrackType() == GetTrackType()) t = t->Parent;
  return t;
}

bool TCustomFrameList::MotionMode() const { return film_.ObjectMotion; }

bool TCustomFrameList::HostMode() const { return !film_.ObjectMotion && film_.HostObject; }

TOrvaControl* TCustomFrameList::PlaceParent() const {
  if (HostMode()) return film_.HostObject;
  if (!film_.Owner) return nullptr;
  return film_.Owner->GetLayer(film_.PageParityAt(AbsoluteStart()) ^ (OtherPage ? 1 : 0));
}

void TCustomFrameList::NameObject(TOrvaObject& object, TOrvaBaseList& scene) const {
  std::string prefix(1, InternalNameByte);
  if (HostMode()) {
    prefix += film_.HostObject->GetName();
    prefix += InternalNameByte;
  }
  object.SetName(scene.MakeUniqueName(prefix));
}

TOrvaObject* TCustomFrameList::MakeObject(int typeCode) const {
  if (!film_.Owner) return nullptr;
  TOrvaObject* object = film_.Owner->CreateObject(typeCode);
  if (object) NameObject(*object, *film_.Owner);
  return object;
}

TRect TCustomFrameList::ClipAt(uint8_t modeX, uint8_t modeY, TPoint startPos, TPoint startSize, TPoint endPos,
                               TPoint endSize, int32_t position) const {
  const int32_t width = Interpolate(modeX, startSize.X, endSize.X, position, Length);
  const int32_t height = Interpolate(modeY, startSize.Y, endSize.Y, position, Length);
  if (width < 1 || height < 1) return {};
  const int32_t left = Interpolate(modeX, startPos.X, endPos.X, position, Length);
  const int32_t top = Interpolate(modeY, startPos.Y, endPos.Y, position, Length);
  return WrapBounds(left, top, width, height);
}

int32_t TCustomFrameList::AlphaAt(int32_t startAlpha, int32_t endAlpha, int32_t position) const {
  if (startAlpha == 0 && endAlpha == 0) return 255;
  const int32_t alpha =
      Interpolate(imLinear, startAlpha == 0 ? 255 : startAlpha, endAlpha == 0 ? 255 : endAlpha, position, Length);
  return alpha < 0 ? WrapSub(256, alpha) : alpha;
}

TOrvaObject* LiveObject(const TWeakRef<TOrvaObject>& ref) {
  TOrvaObject* object = ref.Get();
  return object && !object->IsQueuedForFree() ? object : nullptr;
}

void ApplyClip(TOrvaObject& object, const TRect& clip) {
  object.SetClipLeft(clip.Left);
  object.SetClipTop(clip.Top);
  object.SetClipWidth(WrapSub(clip.Right, clip.Left));
  object.SetClipHeight(WrapSub(clip.Bottom, clip.Top));
}

int32_t SaturateInt32(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int32_t RoundSaturated(long double value) {
  if (std::isnan(value)) return 0;
  const long double r = std::nearbyint(value);
  if (r <= static_cast<long double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  if (r >= static_cast<long double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(r);
}

int32_t ZoomUnits(double factor) {
  if (std::isnan(factor)) return 0;
  const double v = std::trunc(factor * 256.0);
  if (v <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (v >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

}  // namespace orva
