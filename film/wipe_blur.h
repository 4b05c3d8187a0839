#pragma once
// Through a blur (WP_BLURWHITE, WP_BLURBLACK): the old picture blurs, its blurred copy goes to
// white (black), the blurred new picture comes back from it and sharpens.

#include "graphics/dibx.h"
#include "scene/wipe.h"

namespace orva {

class TWipeBlurWhite : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;

  // The blurred copies of the old and the new picture, made at the first step that draws:
  // the scene has painted both pages by then, which it may not have when the transition is
  // made.
  TDIBX BlurA, BlurB;
  bool Blurred = false;

 protected:
  // Through black: the light is taken away instead of added.
  virtual bool Darkens() { return false; }

 private:
  void MakeBlurs();
};

class TWipeBlurBlack final : public TWipeBlurWhite {
 public:
  using TWipeBlurWhite::TWipeBlurWhite;

 protected:
  bool Darkens() override { return true; }
};

}  // namespace orva
