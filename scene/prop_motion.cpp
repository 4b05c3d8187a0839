#include "scene/prop_motion.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <numbers>

#include "core/frame_clock.h"
#include "core/stream.h"
#include "scene/base_list.h"
#include "scene/property_access.h"
#include "script/conversions.h"
#include "script/param_collection.h"

namespace orva {

namespace {

// The value at elapsed time t of a motion of duration d from s to e.
long double MotionValue(uint8_t type, long double s, long double e, int64_t d, int64_t t) {
  constexpr long double halfPi = std::numbers::pi_v<long double> / 2;
  if (d == 0) return s;  // only with a stored negative time
  const long double td = static_cast<long double>(t), dd = static_cast<long double>(d);
  switch (type) {
    case MT_INC: return e - std::sin(static_cast<long double>(d - t - 1) * halfPi / dd) * (e - s);
    case MT_DEC: return s + std::sin(td * halfPi / dd) * (e - s);
    default: return s + (e - s) * td / dd;
  }
}

}  // namespace

bool TOrvaPropMotion::Idle() {
  if (paused_) return false;
  TOrvaBaseList* scene = GetMainScene();
  TOrvaObject* target = nullptr;
  try {
    if (!resolved_) {
      target = scene ? scene->FindObject(TargetName) : nullptr;
      if (!target || PropertyCode >= PropertyCount) return true;
      target_ = target;
      resolved_ = true;
      // A motion restored from a save keeps the start value it had.
      if (elapsed_ == 0) {
        TParamCollectionItem start(std::make_unique<TParamFloat>());
        GetProp(start, *target, PropertyCode);
        start_ = start.GetAsFloat();
      }
    } else {
      target = target_.Get();
      if (!target || !scene || scene->IndexOfObject(target) < 0) return true;
    }
    const int64_t d = Duration, t = elapsed_;
    bool ended = false;
    long double v;
    if (t == 0) {
      v = start_;
    } else if (t >= d - 1) {
      v = EndValue;
      ended = true;
    } else {
      v = MotionValue(MotionType, start_, EndValue, d, t);
    }
    value_.SetAsFloat(v);
    SetProp(*target, PropertyCode, value_);
    elapsed_ = static_cast<int32_t>(std::min<int64_t>(t + FrameDelta, std::numeric_limits<int32_t>::max()));
    return ended;
  } catch (const std::exception&) {
    // A property that refuses the value ends the motion; the scene's update goes on.
    return true;
  }
}

void TOrvaPropMotion::SaveToStream(TStream& stream) {
  TOrvaComponent::SaveToStream(stream);
  TOrvaObject* target = target_.Get();
  TOrvaBaseList* scene = GetMainScene();
  const bool present = target && scene && scene->IndexOfObject(target) >= 0;
  // A motion that has not looked for its target yet keeps its name; one whose target is
  // gone is stored without a property, so that it ends untouched once loaded.
  WriteStreamString(stream, !resolved_ ? std::string_view(TargetName)
                            : present  ? std::string_view(target->GetName())
                                       : std::string_view());
  WriteStreamInt(stream, resolved_ && !present ? 255 : PropertyCode);
  WriteStreamExtended(stream, EndValue);
  WriteStreamInt(stream, Duration);
  WriteStreamInt(stream, MotionType);
  WriteStreamExtended(stream, start_);
  WriteStreamInt(stream, elapsed_);
  WriteStreamBool(stream, paused_);
}

void TOrvaPropMotion::LoadFromStream(TStream& stream, int version) {
  TOrvaComponent::LoadFromStream(stream, version);
  ReadStreamString(stream, TargetName);
  const int32_t code = ReadStreamInt(stream);
  PropertyCode = code >= 0 && code <= 255 ? static_cast<uint8_t>(code) : 255;
  EndValue = ReadStreamExtended(stream);
  Duration = ReadStreamInt(stream);
  MotionType = static_cast<uint8_t>(ReadStreamInt(stream));
  start_ = ReadStreamExtended(stream);
  elapsed_ = ReadStreamInt(stream);
  if (version >= 126) paused_ = ReadStreamBool(stream);
  target_.Reset();
  resolved_ = false;
}

}  // namespace orva
