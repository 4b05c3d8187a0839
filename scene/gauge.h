#pragma once
// TOrvaGauge (LT_GAUGE): a bar showing VALUE between MIN and MAX by tiling the first cell of a
// two-cell strip picture along a length proportional to the value. A rise grows the bar at
// one whole range per DELAY ms; a fall shortens it at once and shows the lost amount with the
// second cell, held for DURATION ms and then shrinking at the same speed. The size is the
// bar's; no events of its own.

#include <cstdint>
#include <string>

#include "scene/orva_control.h"

namespace orva {

class TVaskItem;

class TOrvaGauge : public TOrvaControl {
 public:
  explicit TOrvaGauge(TOrvaBaseList* owner);
  ~TOrvaGauge() override;

  uint8_t GetCompoType() override { return LT_GAUGE; }
  std::string GetSource() override { return source_; }
  void SetSource(std::string_view value) override;
  int32_t GetMin() override { return min_; }
  void SetMin(int32_t value) override { ChangeRange(min_, value); }
  int32_t GetMax() override { return max_; }
  void SetMax(int32_t value) override { ChangeRange(max_, value); }
  // The stored value clamped to MIN .. MAX, MIN winning when MAX is below it.
  int32_t GetValue() override;
  void SetValue(int32_t value) override;
  int32_t GetAlpha() override { return alpha_; }
  void SetAlpha(int32_t value) override { ChangeDrawn(alpha_, value); }
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override { paused_ = value; }
  uint8_t GetOrientation() override { return orientation_; }
  void SetOrientation(uint8_t value) override;
  int32_t GetDelay() override { return delay_; }
  void SetDelay(int32_t value) override { delay_ = value; }
  int32_t GetDuration() override { return duration_; }
  void SetDuration(int32_t value) override { duration_ = value; }
  bool GetReverse() override { return reverse_; }
  void SetReverse(bool value) override;
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view value) override { onIdle_ = value; }
  int32_t GetBarSize() override { return barSize_; }
  void SetBarSize(int32_t value) override;
  bool GetPlaying() override { return state_ != Rest; }

  bool Idle() override;
  void Paint() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  // What the filled and the lost part show now.
  int32_t ShownValue() const { return shown_; }
  int32_t LostAmount() const { return lost_; }

 private:
  enum TState : int32_t { Rest = 0, Falling = 100, Rising = 200 };
  void ChangeRange(int32_t& field, int32_t value);
  void ChangeDrawn(int32_t& field, int32_t value);
  void ReleaseImage();
  // The bar size from the picture, orientation and BARSIZE; WIDTH and HEIGHT follow it.
  void Resize();
  void EndAnimation();

  std::string source_;
  int32_t min_ = 0, max_ = 0, value_ = 0;
  // Nothing is drawn until a page sets ALPHA: a new object starts at 0.
  int32_t alpha_ = 0;
  bool paused_ = false;
  uint8_t orientation_ = OT_HORIZONTAL;
  int32_t delay_ = 0, duration_ = 0;
  TVaskItem* image_ = nullptr;
  int32_t barWidth_ = 0, barHeight_ = 0;
  int32_t shown_ = 0, lost_ = 0;
  TState state_ = Rest;
  double position_ = 0;
  int32_t hold_ = 0;
  bool reverse_ = false;
  std::string onIdle_;
  int32_t barSize_ = 0;
};

}  // namespace orva
