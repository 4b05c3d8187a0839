#pragma once
// TOrvaPropMotion (LT_PROPMOTION): moves one property of another object of the main scene,
// given by its property code, from its value at the start to an end value over a duration in
// milliseconds, linearly (MT_NORMAL), accelerating (MT_INC) or decelerating (MT_DEC) on a
// quarter sine, and then frees itself. The property is read and written by code, so anything
// a script can set by code can be moved; the property's own setter converts the float.

#include <cstdint>
#include <string>

#include "scene/object_handle.h"
#include "scene/orva_object.h"
#include "script/param.h"

namespace orva {

class TOrvaPropMotion : public TOrvaComponent {
 public:
  using TOrvaComponent::TOrvaComponent;

  uint8_t GetCompoType() override { return LT_PROPMOTION; }
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override { paused_ = value; }
  // One step of the motion; true when it has ended (the end value written, the target not
  // found or gone, no property, or a write that failed).
  bool Idle() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  // What the creating command fills in.
  std::string TargetName;
  uint8_t PropertyCode = 255;  // none
  long double EndValue = 0;
  int32_t Duration = 0;
  uint8_t MotionType = MT_NORMAL;

  int32_t GetElapsed() const { return elapsed_; }
  long double GetStartValue() const { return start_; }

 private:
  TWeakRef<TOrvaObject> target_;
  bool resolved_ = false;
  int32_t elapsed_ = 0;
  long double start_ = 0;
  bool paused_ = false;
  TParamFloat value_;
};

}  // namespace orva
