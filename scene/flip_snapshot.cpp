#include "scene/flip_snapshot.h"

namespace orva {

void TFlipSnapshot::Paint() {
  if (TCustomDIBX* surface = GetTargetSurface()) {
    const TRect at = GetClientRect();
    surface->Draw(at.Left, at.Top, Picture, Picture.GetBoundsRect(), false, false, false);
  }
  TOrvaControl::Paint();
}

}  // namespace orva
