#pragma once
// A picture of the decoded-image cache that a control holds for its strip of cells (a
// slider's bar, thumb and buttons, a list box's scroll bar and check marks): cell k of n
// starts at k × (width div n). The holder is the cache item's user, so that two strips of
// one control naming the same file each hold it. A name the cache cannot decode, or an
// empty one, holds nothing.

#include <string_view>

#include "core/rect.h"
#include "graphics/vask_collection.h"

namespace orva {

class TStripImage {
 public:
  TStripImage() = default;
  ~TStripImage() { Release(); }
  TStripImage(const TStripImage&) = delete;
  TStripImage& operator=(const TStripImage&) = delete;

  // Gives back the picture held and acquires the one of the name from the scene globals'
  // cache (none without a cache).
  void Load(std::string_view name);
  void Release();
  bool IsEmpty() const { return Frame() == nullptr; }
  // Frame 0; none without a picture or when it has no frame.
  TVaskItemFrame* Frame() const;
  int32_t Width() const;
  int32_t Height() const;
  // The cell size of a strip of `cells` cells; (0, 0) without a picture.
  int32_t CellWidth(int cells) const { return Width() / cells; }
  // Cell k of a strip whose cells are cellWidth wide, at full height.
  TRect Cell(int k, int32_t cellWidth) const { return Bounds(k * cellWidth, 0, cellWidth, Height()); }
  // The mask value at (x, y) of frame 0, 0 outside it; -1 when the frame has no mask.
  int MaskAt(int32_t x, int32_t y) const;

 private:
  TVaskItem* item_ = nullptr;
};

}  // namespace orva
