#include "film/wipe_block.h"

#include <algorithm>

#include "core/random.h"
#include "film/mask_shapes.h"
#include "film/wipe_step.h"

namespace orva {

void TWipeBlock::Prepare() {
  TWipeMask::Prepare();
  Blocks.clear();
  if (!MaskPrepared()) return;
  const int32_t size = std::min({Mask.GetHeight(), Mask.GetWidth(), std::max(10, Param[0])});
  Param[0] = size;
  MakeBlocks(size);
  LastBlock = FillsBackwards() ? static_cast<int64_t>(Blocks.size()) : -1;
}

void TWipeBlockRandom::MakeBlocks(int32_t s) {
  std::vector<TRect> all;
  for (int32_t y = 0; y < Mask.GetHeight(); y += s)
    for (int32_t x = 0; x < Mask.GetWidth(); x += s) all.push_back(Bounds(x, y, s, s));
  while (!all.empty()) {
    const auto at = all.begin() + RuntimeRandom(static_cast<int32_t>(all.size()));
    Blocks.push_back(*at);
    all.erase(at);
  }
}

void TWipeBlockCoil::MakeBlocks(int32_t s) {
  // The frame still to cover shrinks by one side at every turn.
  TRect frame = Mask.GetBoundsRect();
  TRect b = Bounds(frame.Left, frame.Top, s, s);
  enum { Right, Down, Left, Up } direction = Right;
  auto move = [&](int dx, int dy) { b = Bounds(b.Left + dx * s, b.Top + dy * s, s, s); };
  while (!frame.IsEmpty()) {
    Blocks.push_back(b);
    switch (direction) {
      case Right:
        if (b.Right >= frame.Right) {
          frame.Top = b.Bottom;
          direction = Down;
          move(0, 1);
        } else {
          move(1, 0);
        }
        break;
      case Down:
        if (b.Bottom >= frame.Bottom) {
          frame.Right = b.Left;
          direction = Left;
          move(-1, 0);
        } else {
          move(0, 1);
        }
        break;
      case Left:
        if (b.Left <= frame.Left) {
          frame.Bottom = b.Top;
          direction = Up;
          move(0, -1);
        } else {
          move(-1, 0);
        }
        break;
      case Up:
        if (b.Top <= frame.Top) {
          frame.Left = b.Right;
          direction = Right;
          move(1, 0);
        } else {
          move(0, -1);
        }
        break;
    }
  }
}

void TWipeBlock::FillBlocks(int64_t from, int64_t to) {
  // Indices beyond the list (positions before the start) fill nothing.
  const int64_t last = static_cast<int64_t>(Blocks.size()) - 1;
  TMaskRows rows(Mask);
  if (from <= to) {
    for (int64_t i = std::max<int64_t>(from, 0); i <= std::min(to, last); ++i) rows.FillRect(Blocks[size_t(i)], 255);
  } else {
    for (int64_t i = std::min(from, last); i >= std::max<int64_t>(to, 0); --i) rows.FillRect(Blocks[size_t(i)], 255);
  }
}

bool TWipeBlock::BuildMask() {
  const int64_t n = static_cast<int64_t>(Blocks.size()) - 1;
  if (FillsBackwards()) {
    const int64_t k = ScaledProgress(n, int64_t{Duration} - Position, Duration);
    if (k == LastBlock) return false;
    if (k <= LastBlock - 1) FillBlocks(LastBlock - 1, k);
    LastBlock = k;
    return true;
  }
  const int64_t k = ScaledProgress(n, Position, Duration);
  if (k == LastBlock) return false;
  if (k >= LastBlock + 1) FillBlocks(LastBlock + 1, k);
  LastBlock = k;
  return true;
}

}  // namespace orva
