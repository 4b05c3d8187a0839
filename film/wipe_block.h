#pragma once
// Blocks (WP_BLOCKCOIL, WP_BLOCKRANDOM): square blocks of the new picture switched on one at a
// time, along a clockwise spiral from the top-left corner inwards or in a random order. Blocks
// already filled stay when the position goes back.

#include <vector>

#include "core/rect.h"
#include "film/wipe_mask.h"

namespace orva {

class TWipeBlock : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  // A plain store: Prepare clamps the block size.
  void SetParam(int index, int32_t value) override { TCustomWipe::SetParam(index, value); }
  // Block size := min(mask height, mask width, max(10, Param0)); then the order of the blocks.
  void Prepare() override;
  bool BuildMask() override;

  // The last block filled (-1: none).
  int64_t LastBlock = -1;
  std::vector<TRect> Blocks;

 protected:
  virtual void MakeBlocks(int32_t size) = 0;
  // The spiral fills from its centre outwards when reversed.
  virtual bool FillsBackwards() { return false; }
  void FillBlocks(int64_t from, int64_t to);
};

class TWipeBlockCoil : public TWipeBlock {
 public:
  using TWipeBlock::TWipeBlock;

 protected:
  void MakeBlocks(int32_t size) override;
  bool FillsBackwards() override { return Reverse; }
};

class TWipeBlockRandom : public TWipeBlock {
 public:
  using TWipeBlock::TWipeBlock;

 protected:
  // Drawn with the runtime's generator.
  void MakeBlocks(int32_t size) override;
};

}  // namespace orva
