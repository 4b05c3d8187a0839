#pragma once
// Filled shapes on 8-bit transition masks, drawn row by row: rectangles, discs and pie
// sectors. A pixel belongs to a shape when its centre (x + 0.5, y + 0.5) lies inside it;
// pixels on an outline may go either way. Angles are in radians as seen on the screen, y
// growing downwards: 0 points right, a growing angle turns clockwise.

#include <cstdint>

#include "core/rect.h"
#include "film/wipe_step.h"

namespace orva {

class TCustomDIBX;

// The rows of an 8-bit surface, locked at (0, 0) for as long as the view lives.
class TMaskRows {
 public:
  // Empty (nothing drawn) when the surface is not 8 bits or cannot be locked.
  explicit TMaskRows(TCustomDIBX& mask);

  bool IsEmpty() const { return width_ == 0; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  uint8_t* Row(int y) const { return rows_.Row(y); }

  void Fill(uint8_t value);
  // Cut to the mask.
  void FillRect(const TRect& rect, uint8_t value);
  // The columns [left, right) of row y, cut to the mask.
  void FillSpan(int y, int64_t left, int64_t right, uint8_t value);
  // The disc about (cx, cy) with radius r.
  void FillDisc(double cx, double cy, double r, uint8_t value);
  // The part of the disc about (cx, cy) with radius r swept clockwise from the angle start
  // through the angle span (0 .. 2π; nothing at 0 or below, the whole disc from 2π).
  void FillSector(double cx, double cy, double r, double start, double span, uint8_t value);

 private:
  TLockedRows rows_;
  int width_ = 0, height_ = 0;
};

}  // namespace orva
