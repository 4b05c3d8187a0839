#include "scene/orva_timer.h"

#include "core/frame_clock.h"
#include "core/stream.h"
#include "scene/base_list.h"

namespace orva {

TOrvaTimer::TOrvaTimer(TOrvaBaseList* owner) : TOrvaComponent(owner), last_(GameClock) {}

void TOrvaTimer::Restart() {
  if (TOrvaBaseList* scene = GetOwner()) scene->Events().RemoveObject(this);
  last_ = GameClock;
}

void TOrvaTimer::SetOnNotify(std::string_view value) {
  onNotify_ = value;
  Restart();
}

void TOrvaTimer::SetDelay(int32_t value) {
  interval_ = value;
  Restart();
}

void TOrvaTimer::SetPaused(bool value) {
  if (value == paused_) return;
  paused_ = value;
  Restart();
}

bool TOrvaTimer::Idle() {
  if (fired_ && autoScrap_) return !HasEvent(PR_ONNOTIFY);
  if (interval_ < 0 || paused_) return false;
  if (interval_ != 0 && GameClock - last_ < static_cast<uint32_t>(interval_)) return false;
  last_ += static_cast<uint32_t>(interval_);
  if (HasEvent(PR_ONNOTIFY)) return false;
  // An event without a handler would never run and would hold back every later event.
  if (!onNotify_.empty()) QueueEvent(PR_ONNOTIFY, onNotify_);
  fired_ = true;
  return false;
}

void TOrvaTimer::SaveToStream(TStream& stream) {
  TOrvaComponent::SaveToStream(stream);
  WriteStreamString(stream, onNotify_);
  WriteStreamInt(stream, interval_);
  WriteStreamBool(stream, paused_);
  WriteStreamBool(stream, autoScrap_);
  WriteStreamBool(stream, fired_);
}

void TOrvaTimer::LoadFromStream(TStream& stream, int version) {
  TOrvaComponent::LoadFromStream(stream, version);
  ReadStreamString(stream, onNotify_);
  interval_ = ReadStreamInt(stream);
  paused_ = ReadStreamBool(stream);
  if (version >= 104) {
    autoScrap_ = ReadStreamBool(stream);
    fired_ = ReadStreamBool(stream);
  }
  last_ = GameClock;
}

}  // namespace orva
