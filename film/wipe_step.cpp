#include "film/wipe_step.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "graphics/custom_dibx.h"

namespace orva {

bool WipeFinished(TCustomWipe& wipe) {
  wipe.ChangedRect = wipe.Dest->GetBoundsRect();
  return wipe.Position >= wipe.Duration;
}

TWipeExtent WipeExtent(TCustomWipe& wipe) {
  TCustomDIBX& dest = *wipe.Dest;
  TCustomDIBX& a = *wipe.SrcA;
  TCustomDIBX& b = *wipe.SrcB;
  const int bits = dest.GetStorageBitCount();
  if (dest.IsEmpty() || a.IsEmpty() || b.IsEmpty() || a.GetStorageBitCount() != bits ||
      b.GetStorageBitCount() != bits)
    return {};
  return {std::min({dest.GetWidth(), a.GetWidth(), b.GetWidth()}),
          std::min({dest.GetHeight(), a.GetHeight(), b.GetHeight()})};
}

void ClipToExtent(TCustomWipe& wipe, const TWipeExtent& extent) {
  TCustomDIBX& dest = *wipe.Dest;
  dest.AddClipRect(dest.GetBoundsRect());
  if (extent.Width < dest.GetWidth() || extent.Height < dest.GetHeight())
    dest.SetClipRect({0, 0, extent.Width, extent.Height});
}

TRect TWipeAxis::Rect(int64_t along, int64_t across, int64_t alongSize, int64_t acrossSize) const {
  return Vertical ? TRect{Saturate32(across), Saturate32(along), Saturate32(across + acrossSize), Saturate32(along + alongSize)}
                  : TRect{Saturate32(along), Saturate32(across), Saturate32(along + alongSize), Saturate32(across + acrossSize)};
}

TWipeExtent DrawingExtent(TCustomWipe& wipe) {
  const TWipeExtent extent = WipeExtent(wipe);
  if (!extent.IsEmpty()) ClipToExtent(wipe, extent);
  return extent;
}

void AssignExtent(TCustomWipe& wipe, TCustomDIBX& source, const TWipeExtent& extent) {
  TCustomDIBX& dest = *wipe.Dest;
  if (extent.Width == dest.GetWidth() && extent.Height == dest.GetHeight())
    dest.Assign(source);
  else
    dest.Draw(0, 0, source, {0, 0, extent.Width, extent.Height}, false, false, false);
}

int32_t Saturate32(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int64_t ScaledProgress(int64_t value, int64_t span, int64_t duration) {
  const __int128 q = static_cast<__int128>(value) * span / std::max<int64_t>(duration, 1);
  constexpr int64_t lo = std::numeric_limits<int64_t>::min(), hi = std::numeric_limits<int64_t>::max();
  return q < lo ? lo : q > hi ? hi : static_cast<int64_t>(q);
}

TLockedRows::TLockedRows(TCustomDIBX& surface) : surface_(surface), top_(surface.IsEmpty() ? nullptr : surface.Lock(0, 0)) {
  if (top_) step_ = surface.GetRowStep();
}

TLockedRows::~TLockedRows() {
  if (top_) surface_.Unlock();
}

int32_t RoundSaturated(double value) {
  if (std::isnan(value)) return 0;
  const double r = std::nearbyint(value);
  if (r <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (r >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(r);
}

}  // namespace orva
