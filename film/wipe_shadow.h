#pragma once
// The mask-image transitions: the game's grey mask image decides the order in which pixels
// change, bright parts first, repeated over the picture from the top-left corner. The mask
// fade (WP_MASKFADE) blends each pixel over half of the transition; through white and through
// black (WP_MASKWHITE, WP_MASKBLACK) each pixel flares up to white (down to black) on the old
// picture and comes back on the new one. Reverse inverts the mask image. Without a mask file
// every level is 0 and the transition is uniform.

#include <cstdint>
#include <vector>

#include "film/wipe_mask.h"

namespace orva {

class TMaskImages;

class TWipeShadow : public TWipeMask {
 public:
  // images: where MaskName is read from (not owned); none: no mask file.
  TWipeShadow(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB, TMaskImages* images)
      : TWipeMask(dest, srcA, srcB), images_(images) {}
  // The mask and the levels of the mask image; a file that cannot be read raises, leaving
  // the levels 0.
  void Prepare() override;
  bool BuildMask() override;

  // Grey level − 255 of every mask pixel, row by row.
  std::vector<int32_t> Levels;

 private:
  TMaskImages* images_;
};

class TWipeShadowWhite : public TCustomWipe {
 public:
  TWipeShadowWhite(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB, TMaskImages* images)
      : TCustomWipe(dest, srcA, srcB), images_(images) {}
  // The levels at the size of Dest.
  void Prepare() override;
  bool Step() override;

  // Grey level − 255 of every pixel of Dest, row by row.
  std::vector<int32_t> Levels;
  int LevelsWidth = 0, LevelsHeight = 0;

 protected:
  // Through black: the light is taken away instead of added.
  virtual bool Darkens() { return false; }

 private:
  TMaskImages* images_;
};

class TWipeShadowBlack : public TWipeShadowWhite {
 public:
  using TWipeShadowWhite::TWipeShadowWhite;

 protected:
  bool Darkens() override { return true; }
};

}  // namespace orva
