#include "film/wipe_crack.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/random.h"
#include "graphics/custom_dibx.h"

namespace orva {

namespace {

// How far a chip has fallen e units after its start: up by as much as 112 pixels, back at its
// place at 300, then ever faster down.
int64_t Fall(int64_t e) {
  const __int128 y = static_cast<__int128>(e) * (static_cast<__int128>(e) * 5 - 1500) / 1000;
  constexpr int64_t lo = std::numeric_limits<int64_t>::min(), hi = std::numeric_limits<int64_t>::max();
  return y < lo ? lo : y > hi ? hi : static_cast<int64_t>(y);
}

// The first unit from which a chip starting on the top row is below a picture of the height.
int64_t FallSpanOf(int64_t height) {
  if (height <= 0) return 0;
  // Fall rises from 150 on; the root of 5t² − 1500t − 1000 height is a close start.
  int64_t t = std::max<int64_t>(300, int64_t((1500 + std::sqrt(1500.0 * 1500 + 20000.0 * double(height))) / 10) - 2);
  while (Fall(t) < height) ++t;
  while (t > 300 && Fall(t - 1) >= height) --t;
  return t;
}

}  // namespace

bool TWipeCrackDraw::Draw(int64_t t, const TWipeExtent& extent) {
  const int64_t s = Owner.GetParam(0), left = s * CellX, top = s * CellY;
  int64_t x = left, y = top;
  bool fallen = false;
  if (t >= Delay) {
    const int64_t e = t - Delay;
    x += static_cast<int64_t>(static_cast<__int128>(e) * Drift / 100);
    y = Fall(e) > std::numeric_limits<int64_t>::max() - top ? std::numeric_limits<int64_t>::max() : top + Fall(e);
    fallen = y >= Owner.Dest->GetHeight();
  }
  const int64_t width = std::min(s, extent.Width - left), height = std::min(s, extent.Height - top);
  if (width > 0 && height > 0)
    Owner.Dest->Draw(Saturate32(x), Saturate32(y), *Owner.SrcA,
                     Bounds(int32_t(left), int32_t(top), int32_t(width), int32_t(height)), false, false, false);
  return fallen;
}

void TWipeCrack::SetParam(int index, int32_t value) {
  if ((index & 1) == 1) {
    TCustomWipe::SetParam(1, std::max(value, 0));
    TotalDelay = (int64_t(Chips.size()) - 1) * Param[1];
    for (size_t k = 0; k < Chips.size(); ++k)
      if (Chips[k]) Chips[k]->Delay = int64_t{Param[1]} * int64_t(k);
    return;
  }
  TCustomWipe::SetParam(0, std::max(value, 16));
  Chips.clear();
  const int64_t s = Param[0], w = std::max(Dest->GetWidth(), 0), h = std::max(Dest->GetHeight(), 0);
  const int64_t nx = (w + s - 1) / s, ny = (h + s - 1) / s;
  FallSpan = FallSpanOf(h);
  // The cells in a uniformly random order, each taken from those left.
  std::vector<int32_t> cells(size_t(nx * ny));
  for (size_t c = 0; c < cells.size(); ++c) cells[c] = int32_t(c);
  Chips.reserve(cells.size());
  for (int64_t k = 0; !cells.empty(); ++k) {
    const size_t j = size_t(RuntimeRandom(int32_t(cells.size())));
    auto chip = std::make_unique<TWipeCrackDraw>(*this);
    chip->Delay = int64_t{Param[1]} * k;
    chip->CellX = int32_t(cells[j] % nx);
    chip->CellY = int32_t(cells[j] / nx);
    chip->Drift = RuntimeRandom(200) - 100;
    Chips.push_back(std::move(chip));
    cells[j] = cells.back();
    cells.pop_back();
  }
  TotalDelay = (nx * ny - 1) * Param[1];
}

bool TWipeCrack::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = DrawingExtent(*this);
  if (extent.IsEmpty()) return false;
  const int64_t t = ScaledProgress(Position, FallSpan + TotalDelay, Duration);
  AssignExtent(*this, *SrcB, extent);
  // The chips at rest first; then the moving ones from the last to the first, so that the
  // earliest lie on top.
  for (const auto& chip : Chips)
    if (chip && t < chip->Delay) chip->Draw(t, extent);
  for (size_t k = Chips.size(); k-- > 0;)
    if (Chips[k] && t >= Chips[k]->Delay && Chips[k]->Draw(t, extent)) Chips[k].reset();
  return false;
}

}  // namespace orva
