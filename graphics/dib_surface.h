#pragma once
// TDIBSurface: the pixel surface of every decoded picture and memory drawing surface. A TDIB
// kept in plain memory with an optional 8-bit alpha plane (0 transparent, 255 opaque); its
// depth is 15 for 5-5-5. It converts, resizes, copies, crops and trims itself and carries
// its own small set of same-depth drawing operations.

#include <cstdint>
#include <memory>

#include "graphics/dib.h"
#include "core/rect.h"

namespace orva {

class TDIBSurface : public TDIB {
 public:
  TDIBSurface();
  ~TDIBSurface() override;

  void Clear() override;
  // Depth 15 stores 16 bits as 5-5-5, 16 as 5-6-5, any other depth 8-8-8.
  void SetSize(int width, int height, int depth) override;
  // 1, 4, 8, 15, 16, 24 or 32 (0 when empty).
  int GetBitCount() const;

  TDIBSurface* Alpha() const { return alpha_.get(); }
  void EnsureAlpha();
  void FreeAlpha();
  void SetAlphaFromDIB(TDIB& source);
  void CopyAlphaRect(TDIB& source, const TRect& rect);
  void FillAlphaOpaque();

  TRect GetBounds() const { return {0, 0, GetWidth(), GetHeight()}; }

  void AssignDIB(TDIB& source);
  void AssignSurface(TDIBSurface& source);
  void AssignRect(TDIBSurface& source, const TRect& rect, bool withAlpha);
  void Crop(const TRect& rect);

  // Key -1: the whole surface. All key pixels: the empty rectangle.
  TRect GetOpaqueBounds(int32_t key);
  TRect TrimToColor(int32_t key);

  void PixelToRGB8(uint32_t pixel, uint8_t& r, uint8_t& g, uint8_t& b, bool fillLowBits);
  uint32_t RGB8ToPixel(uint32_t r, uint32_t g, uint32_t b);
  // Components in the surface's own field widths.
  uint32_t RGBToPixel(uint32_t r, uint32_t g, uint32_t b);

  void ChangeBitCount(int depth, int colorCount, bool dither);
  void Resize(int width, int height, bool smooth, int32_t key);
  // Source rectangle counted from the top.
  void DrawToDC(TScreenDC& dc, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh);

  // Same-depth drawing; rectangles are cut to both surfaces. A key of -1 means none.
  using TDIB::Draw;
  void DrawRect(int x, int y, TDIBSurface& source, TRect sourceRect);
  void Draw(int x, int y, TDIBSurface& source);
  void DrawTransparent(int x, int y, TDIBSurface& source, TRect sourceRect, int32_t key);
  void DrawAlpha(int x, int y, TDIBSurface& source, TRect sourceRect, int32_t key, int opacity);
  void DrawMask(int x, int y, TDIBSurface& source, TRect sourceRect, int opacity);
  void FillRect(TRect rect, uint32_t value);
  void DrawPalettized(int x, int y, TDIBSurface& source, int32_t key);

 private:
  bool ClipBlitRect(int& x, int& y, TDIBSurface& source, TRect& sourceRect) const;
  void ResizeSmooth(int width, int height, int32_t key);
  void StretchFrom(TDIBSurface& source);

  std::unique_ptr<TDIBSurface> alpha_;
};

// The reported depth of any bitmap: 15 for a 16-bit 5-5-5 picture.
int ReportedDepth(const TDIB& dib);

}  // namespace orva
