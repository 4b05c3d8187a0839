#pragma once
// TFastDIB: the top-down working bitmap of the depth change, and QuantizeDIB, which
// converts one into another (with error diffusion to 15 and 16 bits).

#include <cstdint>
#include <vector>

#include "graphics/dib.h"

namespace orva {

class TFastDIB {
 public:
  // Format code: the decimal digits of the red, green and blue widths (555, 565, 888) or 0.
  void SetSize(int width, int height, int bits, int format);
  // Works on rows owned elsewhere (top row and the signed step to the row below) instead
  // of its own block, so a conversion need not copy a picture first.
  void View(uint8_t* topRow, int64_t rowStep, int width, int height, int bits, int format);

  int Width() const { return width_; }
  int AbsHeight() const { return height_; }
  int Bits() const { return bits_; }
  int Format() const { return format_; }
  int RowLength() const { return rowLength_; }
  int Gap() const { return gap_; }
  uint32_t RedMask() const { return masks_[0]; }
  uint32_t GreenMask() const { return masks_[1]; }
  uint32_t BlueMask() const { return masks_[2]; }
  // Field widths from the format code (0 without one).
  int RedWidth() const { return format_ / 100; }
  int GreenWidth() const { return format_ / 10 % 10; }
  int BlueWidth() const { return format_ % 10; }

  uint8_t* Row(int y) { return top_ + y * step_; }
  const uint8_t* Row(int y) const { return top_ + y * step_; }
  // Indices of 1, 4 and 8-bit pictures; other depths read 0 and write nothing.
  uint32_t GetPixel(int row, int column) const;
  void SetPixel(int row, int column, uint32_t index);

  TColorTable Colors{};

 private:
  void Geometry(int width, int height, int bits, int format);

  int width_ = 0, height_ = 0, bits_ = 0, format_ = 0, rowLength_ = 0, gap_ = 0;
  uint32_t masks_[3] = {};
  uint8_t* top_ = nullptr;
  int64_t step_ = 0;
  std::vector<uint8_t> pixels_;
};

// Fills the target (already sized to the source in its format) from the source.
void QuantizeDIB(TFastDIB& target, const TFastDIB& source, bool dither, int colorCount);

}  // namespace orva
