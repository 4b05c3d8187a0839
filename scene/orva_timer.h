#pragma once
// TOrvaTimer (LT_TIMER): a component that queues ONNOTIFY every DELAY milliseconds of game
// time, keeping its own rhythm (a late update does not shift the next tick) and dropping
// ticks while its last event still waits or runs. A negative DELAY switches it off, 0 fires
// at every update; with AUTOSCRAP it fires once and frees itself when that event is done.

#include <cstdint>
#include <string>

#include "scene/orva_object.h"

namespace orva {

class TOrvaTimer : public TOrvaComponent {
 public:
  explicit TOrvaTimer(TOrvaBaseList* owner);

  uint8_t GetCompoType() override { return LT_TIMER; }
  std::string GetOnNotify() override { return onNotify_; }
  void SetOnNotify(std::string_view value) override;
  int32_t GetDelay() override { return interval_; }
  void SetDelay(int32_t value) override;
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override;
  bool GetAutoScrap() override { return autoScrap_; }
  void SetAutoScrap(bool value) override { autoScrap_ = value; }

  bool Idle() override;
  void SaveToStream(TStream& stream) override;
  // The first interval after a load counts from the load.
  void LoadFromStream(TStream& stream, int version) override;

  // Drops the timer's waiting events and counts the interval from now.
  void Restart();
  bool HasFired() const { return fired_; }

 private:
  std::string onNotify_;
  int32_t interval_ = 0;
  bool paused_ = false;
  bool autoScrap_ = false;
  uint32_t last_ = 0;
  bool fired_ = false;
};

}  // namespace orva
