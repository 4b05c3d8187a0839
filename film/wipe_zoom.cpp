#include "film/wipe_zoom.h"

#include <algorithm>

#include "film/wipe_step.h"
#include "graphics/custom_dibx.h"

namespace orva {

namespace {

// The picture turned and zoomed about the centre over the other one: zoom and alpha z in
// 1/256 (255 at most), angle in 1/256 turns.
void DrawTurned(TCustomWipe& wipe, const TWipeExtent& extent, TCustomDIBX& under, TCustomDIBX& over, int32_t z,
                int64_t angle) {
  AssignExtent(wipe, under, extent);
  const int w = extent.Width, h = extent.Height;
  const int32_t turn = Saturate32(wipe.Reverse ? -angle : angle);
  wipe.Dest->DrawRotate(w / 2, h / 2, z, z, over, {0, 0, w, h}, w / 2, h / 2, turn, false, false, false,
                        static_cast<uint32_t>(std::max(z, 0)));
}

}  // namespace

bool TWipeSmall::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = DrawingExtent(*this);
  if (extent.IsEmpty()) return false;
  // A position before the start shows the start.
  const double d = std::max(Duration, 1), p = std::max(Position, 0);
  const int32_t z = RoundSaturated(255 * ((d - 1 - p) / d));
  DrawTurned(*this, extent, *SrcB, *SrcA, z, RoundSaturated(Param[0] * p / d));
  return false;
}

bool TWipeBig::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = DrawingExtent(*this);
  if (extent.IsEmpty()) return false;
  const double d = std::max(Duration, 1), p = std::max(Position, 0);
  const int32_t z = RoundSaturated(255 * (p / d));
  DrawTurned(*this, extent, *SrcA, *SrcB, z, RoundSaturated(Param[0] * ((d - 1 - p) / d)));
  return false;
}

bool TWipeZoomin::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = DrawingExtent(*this);
  if (extent.IsEmpty()) return false;
  const double g = 2.0 * std::max(Position, 0) / std::max(Duration, 1);
  // u: the share of the picture shown; v: how far the view has moved towards the point.
  const bool old = g <= 1;
  const double u = old ? 1 - g : g - 1, v = old ? g : 2 - g;
  const int w = extent.Width, h = extent.Height;
  auto view = [&](int32_t point, int size, int64_t& at, int64_t& span) {
    span = std::max(1, RoundSaturated(size * u));
    at = std::clamp<int64_t>(int64_t{RoundSaturated((point - size / 2.0) * v)} + size / 2 - span / 2, 0, size - span);
  };
  int64_t sx, sy, sw, sh;
  view(Param[0], w, sx, sw);
  view(Param[1], h, sy, sh);
  Dest->StretchDrawAlpha({0, 0, w, h}, old ? *SrcA : *SrcB, Bounds(int32_t(sx), int32_t(sy), int32_t(sw), int32_t(sh)),
                         false, false, false, 255);
  return false;
}

}  // namespace orva
