#pragma once
// The transitions through light: through white (WP_WHITE) and through black (WP_BLACK) the old
// picture goes to white (black) and the new one comes back from it; the flash (WP_FLASH) shows
// the new picture at once in a white light that fades away.

#include <cstdint>

#include "film/wipe_step.h"

namespace orva {

class TWipeWhite : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;

 protected:
  // Through black: the light is taken away instead of added.
  virtual bool Darkens() { return false; }
};

class TWipeBlack final : public TWipeWhite {
 public:
  using TWipeWhite::TWipeWhite;

 protected:
  bool Darkens() override { return true; }
};

class TWipeFlash final : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

// Grey 0 .. 255 added to (taken from) every pixel of the extent, saturating per field; grey 0
// leaves the picture as it is.
void FillGrey(TCustomWipe& wipe, const TWipeExtent& extent, int64_t grey, bool darkens);

}  // namespace orva
