#pragma once
// STAND-IN until the image objects exist: the picture that freezes the screen while Flip
// changes the layers. A control with a picture of its own, drawn at its place; it is only made
// by the scene link's CreateSnapshot, which the image object's version replaces.

#include "graphics/dibx.h"
#include "scene/orva_control.h"

namespace orva {

class TFlipSnapshot : public TOrvaControl {
 public:
  using TOrvaControl::TOrvaControl;
  TCustomDIBX* GetImage() override { return &Picture; }
  void Paint() override;

  TDIBX Picture;
};

}  // namespace orva
