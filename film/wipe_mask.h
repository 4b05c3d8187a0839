#pragma once
// TWipeMask: the transitions shaped by an 8-bit mask that says for every pixel how far the new
// picture has replaced the old one (0 old, 255 new, values between blend). A subclass rebuilds
// the mask when its progress value changes (BuildMask); the step composes the picture from
// the two sources through it. Row y of the picture reads mask row y mod the mask's height, so
// a short mask repeats downwards.

#include <cstdint>

#include "graphics/dibx.h"
#include "scene/wipe.h"

namespace orva {

// ramp(p, d, s): 0 while the delay d is above the progress p, then rising to 255 over s
// progress units (s = 1: a hard edge).
uint8_t MaskRamp(int64_t p, int64_t d, int64_t s);

class TWipeMask : public TCustomWipe {
 public:
  TWipeMask(TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB);

  // Param0 >= 2, Param1 >= 1.
  void SetParam(int index, int32_t value) override;
  // The mask at the width of Dest and GetMaskHeight rows, all 0.
  void Prepare() override;
  // Draws nothing (false) when BuildMask leaves the mask as it was.
  bool Step() override;
  // Rebuilds the mask for Position; false when its progress value did not change.
  virtual bool BuildMask() { return false; }
  virtual int GetMaskHeight();

  TDIBX Mask;
  // The progress value of the last build; -1 before the first.
  int64_t LastProgress = -1;
  // The mask holds only 0 and 255: the 32-bit composition copies instead of blending.
  bool HardEdge = false;

 protected:
  // Prepare made the mask (it was not refused for an empty or mixed-depth picture).
  bool MaskPrepared();
  // Takes the progress value of a build: false when it is that of the last build.
  bool TakeProgress(int64_t progress);

 private:
  void ComposePacked(int width, int height);
  void ComposePlain(int width, int height);
};

}  // namespace orva
