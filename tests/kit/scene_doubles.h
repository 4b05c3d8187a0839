#pragma once
// Stand-ins for the object classes whose real ones come later, for the scene's tests,
// benchmarks and fuzz target; register them in the factory under the codes they answer.

#include <cstdint>

#include "core/stream.h"
#include "graphics/custom_dibx.h"
#include "scene/orva_control.h"

namespace orva::kit {

// LT_BOX: fills its client rectangle with COLOR (when not negative), then draws its children.
class FillBox : public TOrvaControl {
 public:
  using TOrvaControl::TOrvaControl;
  uint8_t GetCompoType() override { return LT_BOX; }
  void Paint() override {
    TCustomDIBX* s = GetTargetSurface();
    if (s && GetColor() >= 0) s->FillRect(GetClientRect(), s->ColorToPixel(GetColor()));
    TOrvaControl::Paint();
  }
};

// LT_TIMER: a component whose stored form is the object part followed by its DELAY (int32).
class StoredComponent : public TOrvaComponent {
 public:
  using TOrvaComponent::TOrvaComponent;
  uint8_t GetCompoType() override { return LT_TIMER; }
  int32_t GetDelay() override { return delay_; }
  void SetDelay(int32_t v) override { delay_ = v; }
  void SaveToStream(TStream& s) override {
    TOrvaComponent::SaveToStream(s);
    WriteStreamInt(s, delay_);
  }
  void LoadFromStream(TStream& s, int v) override {
    TOrvaComponent::LoadFromStream(s, v);
    delay_ = ReadStreamInt(s);
  }

 private:
  int32_t delay_ = 0;
};

}  // namespace orva::kit
