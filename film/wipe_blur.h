#pragma once
// Through a blur (WP_BLURWHITE, WP_BLURBLACK): the old picture blurs, its blurred copy goes to
// white (black), the blurred new picture comes back from it and sharpens.

#include <array>
#include <memory>

#include "graphics/dibx.h"
#include "scene/wipe.h"

namespace orva {

class TWipeBlurWhite : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;

  // Copies of the old and the new picture as the first step that draws finds them: the scene
  // has painted both pages by then, which it may not have when the transition is made. Each
  // is blurred when it is first shown, or ahead of that at a step that blurs nothing else, so
  // that a step blurs one picture unless it shows both. The pictures they are copied into are
  // kept for the next blur of the same size.
  struct TCopies {
    TDIBX BlurA, BlurB;
  };
  std::shared_ptr<TCopies> Copies;
  std::array<bool, 2> Blurred{};

 protected:
  // Through black: the light is taken away instead of added.
  virtual bool Darkens() { return false; }

 private:
  void Copy();
  void BlurCopy(int which);

  int radius_ = 0;
};

class TWipeBlurBlack final : public TWipeBlurWhite {
 public:
  using TWipeBlurWhite::TWipeBlurWhite;

 protected:
  bool Darkens() override { return true; }
};

}  // namespace orva
