#pragma once
// TDIBXWave: a drawing surface without pixels that decorates another one, its target, and
// shifts every row of what is drawn through it sideways by that row's own offset. The wave
// object draws its children through one to make them ripple.
//
// Coordinates given to the wave are the target's. Row y of the target takes the offset
// RowOffsets[y - OriginY]; rows outside the table are not drawn. Every drawing operation is
// forwarded to the same operation of the target in pieces that share one offset: runs of
// rows for the fills and unscaled draws, one row at a time for the colour-reduced and
// indexed draws, one destination row under a row-high clip of the target for the scaled,
// rotated and frame draws. Everything the base class builds from these (frames, tiles) is
// shifted with them; Lock gives no pixels.
//
// The wave's own clip rectangle (as a tiled draw or a control's paint sets it) clips what is
// drawn before the shift: it moves with the rows. The target's clip cuts after the shift.
// Each operation gives the target its clip back as it found it.

#include <cstdint>
#include <vector>

#include "graphics/custom_dibx.h"

namespace orva {

class TDIBXWave : public TCustomDIBX {
 public:
  int GetBitCount() override;
  TCustomDIBX* GetSurface() override { return Target; }
  // 0 without a target.
  int GetStorageBitCount() override;
  // One offset per row; new rows get 0.
  void SetSize(int width, int height, int bits) override;
  void ClearClipRect() override;
  // The rectangle cut to the wave area joins the wave's clip, which then joins the target's.
  void AddClipRect(const TRect& rect) override;
  // The wave's clip as it is; without one, what may reach the target's clip: its rows of the
  // wave widened by the largest offset.
  TRect GetClipRect() override;
  uint32_t ColorToPixel(int32_t color) override;

  void Fill(uint32_t pixel) override;
  void FillRect(const TRect& rect, uint32_t pixel) override;
  void FillRectAlpha(const TRect& rect, uint32_t pixel, int alpha) override;
  void FillRectAdd(const TRect& rect, uint32_t pixel) override;
  void FillRectSub(const TRect& rect, uint32_t pixel) override;
  void Assign(TCustomDIBX& source) override;

  void Draw(int x, int y, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV) override;
  void DrawMask(int x, int y, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                TCustomDIBX& mask) override;
  void DrawAlpha(int x, int y, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV,
                 int alpha) override;
  void DrawMaskAlpha(int x, int y, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV, TCustomDIBX& mask,
                     int alpha) override;
  void DrawAdd(int x, int y, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV,
               int alpha) override;
  void DrawMaskAdd(int x, int y, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV, TCustomDIBX& mask,
                   int alpha) override;
  void DrawColorMask(int x, int y, TCustomDIBX& mask, const TRect& sr, bool flipH, bool flipV, uint32_t pixel,
                     int alpha) override;

  void StretchDrawAlpha(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV,
                        uint32_t alpha) override;
  void StretchDrawMaskAlpha(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                            TCustomDIBX& mask, uint32_t alpha) override;
  void StretchDrawAdd(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV,
                      uint32_t alpha) override;
  void StretchDrawMaskAdd(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                          TCustomDIBX& mask, uint32_t alpha) override;
  void StretchDrawEx(const TRect& dr, int zoomX, int zoomY, TCustomDIBX& source, int scrollX, int scrollY,
                     bool useKey, bool flipH, bool flipV, uint32_t alpha) override;
  void StretchDrawMaskEx(const TRect& dr, int zoomX, int zoomY, TCustomDIBX& source, int scrollX, int scrollY,
                         bool flipH, bool flipV, TCustomDIBX& mask, uint32_t alpha) override;
  void DrawRotate(int x, int y, int zoomX, int zoomY, TCustomDIBX& source, const TRect& sr, int pivotX, int pivotY,
                  int angle, bool useKey, bool flipH, bool flipV, uint32_t alpha) override;
  void DrawRotateMask(int x, int y, int zoomX, int zoomY, TCustomDIBX& source, const TRect& sr, int pivotX,
                      int pivotY, int angle, bool flipH, bool flipV, TCustomDIBX& mask, uint32_t alpha) override;

  void DrawColorReduce(int x, int y, TCustomDIBX& source, const TRect& sr, uint32_t pixel, bool flipH, bool flipV,
                       int alpha, int factor) override;
  void DrawColorReduceEx(int x, int y, TCustomDIBX& source, const TRect& sr, const std::array<uint32_t, 3>& colours,
                         bool flipH, bool flipV, int alpha, int factor) override;
  void DrawIndexed(int x, int y, TCustomDIBX& source, const TRect& sr, int unused, bool flipH, bool flipV, int alpha,
                   const std::array<uint32_t, 16>& table) override;
  void DrawIndexedAdd(int x, int y, TCustomDIBX& source, const TRect& sr, int threshold, bool flipH, bool flipV,
                      int alpha, TIndexTable table) override;
  void StretchDrawIndexed(const TRect& dr, TCustomDIBX& source, const TRect& sr, int threshold, bool flipH, bool flipV,
                          int alpha, TIndexTable table) override;
  // Runs of rows that continue the pattern of dr from row to row, each shifted.
  void FillPattern(const TRect& dr, TCustomDIBX& source, int scrollX, int scrollY, bool flipH, bool flipV) override;
  void FramePattern(const TRect& dr, int borderWidth, TCustomDIBX& source, const TRect& sr, int unused, int scrollX,
                    int scrollY) override;

  // The target's clip rectangle while an operation forwards.
  TRect SavedClip{};
  // Borrowed, never freed here; none draws nothing.
  TCustomDIBX* Target = nullptr;
  std::vector<int32_t> RowOffsets;
  int32_t OriginX = 0, OriginY = 0;
};

}  // namespace orva
