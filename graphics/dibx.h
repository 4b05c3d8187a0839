#pragma once
// TDIBX: the memory drawing surface (back buffer, layer pictures, decoded images, masks).
// Its pixels live in one TDIBSurface that it owns.

#include <memory>

#include "graphics/custom_dibx.h"
#include "graphics/dib_surface.h"

namespace orva {

class TDIBX : public TCustomDIBX {
 public:
  // A new surface holds a 1 × 1 store at 15 bits.
  TDIBX();
  ~TDIBX() override;

  int GetBitCount() override;
  void SetBitCount(int bits) override;
  uint32_t GetRedMask() override;
  uint32_t GetGreenMask() override;
  uint32_t GetBlueMask() override;
  int64_t GetRowStep() override;
  uint32_t GetPixel(int x, int y) override;
  void SetPixel(int x, int y, uint32_t value) override;
  int GetBlueShift() override;
  int GetGreenShift() override;
  int GetRedShift() override;
  int GetStorageBitCount() override;
  void SetSize(int width, int height, int bits) override;
  uint8_t* Lock(int x, int y) override;
  void Unlock() override;
  uint32_t ColorToPixel(int32_t color) override;
  void Fill(uint32_t pixel) override;
  void Clear() override;
  void GetPalette(TRGBQuad* entries) override;
  void GetPaletteEntries(TRGBQuad* entries, int start, int count) override;
  void SetPalette(const TRGBQuad* entries) override;
  void SetPaletteEntries(const TRGBQuad* entries, int start, int count) override;
  int StretchToDC(TScreenDC& dc, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh) override;
  void ToMemoryImage() override;

  TDIBSurface& Surface() { return *surface_; }

 private:
  std::unique_ptr<TDIBSurface> surface_;
};

}  // namespace orva
