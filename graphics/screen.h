#pragma once
// The device pictures are presented on. The window's backend implements it later; tests use
// the recording memory screen.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orva {

class TDIB;

class TScreenDC {
 public:
  virtual ~TScreenDC() = default;
  // Copies the source rectangle of the bitmap onto the destination rectangle, stretching by
  // nearest neighbour when the sizes differ. As with a DIB, sy counts rows from the bottom
  // row of the bitmap. Returns the number of source rows copied, 0 when nothing was drawn.
  virtual int StretchDIBits(int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh, TDIB& source) = 0;
};

// Nearest-neighbour copy of a bitmap rectangle (bottom-up sy as above) into a top-down
// 0x00RRGGBB picture of the given size; the part outside either picture is left out.
// Returns the number of source rows of the rectangle (0 when nothing could be drawn).
int StretchDIBitsToXRGB(uint32_t* pixels, int width, int height, int dx, int dy, int dw, int dh, int sx, int sy,
                        int sw, int sh, TDIB& source);

// A screen in memory that keeps its picture (0x00RRGGBB, top row first) and every call.
class TMemoryScreen : public TScreenDC {
 public:
  struct Call {
    int dx, dy, dw, dh, sx, sy, sw, sh;
  };

  TMemoryScreen(int width, int height) : width_(width), height_(height), pixels_(size_t(width) * height) {}

  int StretchDIBits(int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh, TDIB& source) override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  uint32_t Pixel(int x, int y) const { return pixels_[size_t(y) * width_ + x]; }
  const std::vector<Call>& Calls() const { return calls_; }

 private:
  int width_, height_;
  std::vector<uint32_t> pixels_;
  std::vector<Call> calls_;
};

}  // namespace orva
