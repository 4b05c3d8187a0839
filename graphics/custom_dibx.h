#pragma once
// TCustomDIBX: the abstract drawing surface every visual part draws through. The clip
// rectangle, fills, frames, whole-surface copy, colour-mask painting and the six blits are
// built here on a handful of primitives (Lock, GetRowStep, GetPixel, SetPixel, the masks).
// Every drawing operation is virtual so that a decorating surface sees each piece.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "graphics/pixel_layout.h"
#include "core/rect.h"

namespace orva {

class TScreenDC;
class TStream;

// A table of 256 raw pixel values read by index, 16 bits wide (for 15 and 16-bit
// destinations) or 32 bits wide (for 32-bit ones); the table is borrowed.
class TIndexTable {
 public:
  TIndexTable(const std::array<uint16_t, 256>& pixels) : pixels16_(pixels.data()) {}  // NOLINT: implicit on purpose
  TIndexTable(const std::array<uint32_t, 256>& pixels) : pixels32_(pixels.data()) {}  // NOLINT: implicit on purpose
  uint32_t operator[](uint8_t index) const { return pixels16_ ? pixels16_[index] : pixels32_[index]; }

 private:
  const uint16_t* pixels16_ = nullptr;
  const uint32_t* pixels32_ = nullptr;
};

// The packed-arithmetic paths of the fills and blits at 15, 16 and 32 bits run only while
// this is set: true on processors with the packed instructions, set once at start; tests
// turn it off to check the plain paths.
extern bool UseMMX;

// How wide the rows of the packed blits run: the scalar forms alone, SSE2, or AVX2. Set
// once to what the processor has; tests lower it to compare the narrower rows.
enum class TPackedRows : uint8_t { Scalar, SSE2, AVX2 };
extern TPackedRows PackedRows;
// The widest rows this processor runs.
TPackedRows ProcessorPackedRows();

class TCustomDIBX {
 public:
  TCustomDIBX() = default;
  virtual ~TCustomDIBX() = default;
  TCustomDIBX(const TCustomDIBX&) = delete;
  TCustomDIBX& operator=(const TCustomDIBX&) = delete;

  // Size, depth and channels.
  virtual bool IsEmpty();
  virtual int GetBitCount();
  virtual void SetBitCount(int bits);
  virtual uint32_t GetRedMask();
  virtual uint32_t GetGreenMask();
  virtual uint32_t GetBlueMask();
  virtual int64_t GetRowStep();
  virtual uint32_t GetPixel(int x, int y);
  virtual void SetPixel(int x, int y, uint32_t value);
  virtual int GetBlueShift();
  virtual int GetGreenShift();
  virtual int GetRedShift();
  virtual int GetHeight();
  virtual int GetWidth();
  virtual TCustomDIBX* GetSurface();
  virtual int GetStorageBitCount();
  virtual void SetSize(int width, int height, int bits);
  // Address of pixel (x, y), nullptr when the pixels cannot be reached.
  virtual uint8_t* Lock(int x, int y);
  virtual void Unlock();

  // Clip rectangle.
  virtual void ClearClipRect();
  virtual void AddClipRect(const TRect& rect);

  // Fills and frames; P is a raw pixel value of this surface.
  virtual uint32_t ColorToPixel(int32_t color);
  virtual void Fill(uint32_t pixel);
  virtual void FillRect(const TRect& rect, uint32_t pixel);
  virtual void FillRectAlpha(const TRect& rect, uint32_t pixel, int alpha);
  virtual void FillRectAdd(const TRect& rect, uint32_t pixel);
  virtual void FillRectSub(const TRect& rect, uint32_t pixel);
  virtual void FrameRect(const TRect& rect, int width, uint32_t pixel);
  virtual void FrameRectAlpha(const TRect& rect, int width, uint32_t pixel, int alpha);
  virtual void FrameRectAdd(const TRect& rect, int width, uint32_t pixel);
  virtual void Assign(TCustomDIBX& source);

  // Blits: source rectangle sr of the source drawn with its top-left (after mirroring) at
  // x, y; the mask is an 8-bit surface read at the source's coordinates.
  virtual void Draw(int x, int y, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV);
  virtual void DrawMask(int x, int y, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                        TCustomDIBX& mask);
  virtual void DrawAlpha(int x, int y, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV,
                         int alpha);
  virtual void DrawMaskAlpha(int x, int y, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                             TCustomDIBX& mask, int alpha);
  virtual void DrawAdd(int x, int y, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV,
                       int alpha);
  virtual void DrawMaskAdd(int x, int y, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                           TCustomDIBX& mask, int alpha);

  // Scaled drawing, nearest neighbour: source rectangle sr onto the destination rectangle
  // dr; alpha 0..255 (above 255 as 255). The key is the source's TransparentColor when
  // useKey; the mask is an 8-bit surface read at the source's coordinates.
  virtual void StretchDrawAlpha(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH,
                                bool flipV, uint32_t alpha);
  virtual void StretchDrawMaskAlpha(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                                    TCustomDIBX& mask, uint32_t alpha);
  virtual void StretchDrawAdd(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH,
                              bool flipV, uint32_t alpha);
  virtual void StretchDrawMaskAdd(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                                  TCustomDIBX& mask, uint32_t alpha);
  // The whole source repeated over dr at a zoom in 1/256 from a scroll offset, with the
  // extended alpha 0..511 (blend, 255 copy, above 255 add).
  virtual void StretchDrawEx(const TRect& dr, int zoomX, int zoomY, TCustomDIBX& source, int scrollX, int scrollY,
                             bool useKey, bool flipH, bool flipV, uint32_t alpha);
  virtual void StretchDrawMaskEx(const TRect& dr, int zoomX, int zoomY, TCustomDIBX& source, int scrollX,
                                 int scrollY, bool flipH, bool flipV, TCustomDIBX& mask, uint32_t alpha);

  // Rotated and scaled drawing, nearest neighbour by inverse mapping: the picture of sr's
  // size (origin 0,0) turned by angle 1/256 turns clockwise about (pivotX, pivotY), which
  // lands on (x, y), zoomed in 1/256; extended alpha 0..511.
  virtual void DrawRotate(int x, int y, int zoomX, int zoomY, TCustomDIBX& source, const TRect& sr, int pivotX,
                          int pivotY, int angle, bool useKey, bool flipH, bool flipV, uint32_t alpha);
  virtual void DrawRotateMask(int x, int y, int zoomX, int zoomY, TCustomDIBX& source, const TRect& sr, int pivotX,
                              int pivotY, int angle, bool flipH, bool flipV, TCustomDIBX& mask, uint32_t alpha);

  // Tiled drawing: dr filled with copies of sr laid side by side from the scroll offset,
  // spacing destination pixels after each copy; each copy is one call of the draw named
  // (through this surface's own interface), clipped to dr for the time of the draw.
  virtual void DrawTile(const TRect& dr, int spacingX, int spacingY, TCustomDIBX& source, const TRect& sr, bool useKey,
                        int scrollX, int scrollY);
  virtual void DrawTileAlpha(const TRect& dr, int spacingX, int spacingY, TCustomDIBX& source, const TRect& sr,
                             bool useKey, int alpha, int scrollX, int scrollY);
  virtual void DrawTileAdd(const TRect& dr, int spacingX, int spacingY, TCustomDIBX& source, const TRect& sr,
                           bool useKey, int alpha, int scrollX, int scrollY);
  virtual void DrawTileMask(const TRect& dr, int spacingX, int spacingY, TCustomDIBX& source, const TRect& sr,
                            TCustomDIBX& mask, int scrollX, int scrollY);
  virtual void DrawTileMaskAlpha(const TRect& dr, int spacingX, int spacingY, TCustomDIBX& source, const TRect& sr,
                                 TCustomDIBX& mask, int alpha, int scrollX, int scrollY);
  virtual void DrawTileMaskAdd(const TRect& dr, int spacingX, int spacingY, TCustomDIBX& source, const TRect& sr,
                               TCustomDIBX& mask, int alpha, int scrollX, int scrollY);
  // Zoomed copies of the whole of sr every periodW × periodH source pixels (before the
  // zoom), with the extended alpha 0..511.
  virtual void StretchDrawTile(const TRect& dr, int periodW, int periodH, int zoomX, int zoomY, TCustomDIBX& source,
                               const TRect& sr, bool useKey, bool flipH, bool flipV, uint32_t alpha, int scrollX,
                               int scrollY);
  virtual void StretchDrawTileMask(const TRect& dr, int periodW, int periodH, int zoomX, int zoomY, TCustomDIBX& source,
                                   const TRect& sr, TCustomDIBX& mask, bool flipH, bool flipV, uint32_t alpha,
                                   int scrollX, int scrollY);

  // Colour-reduced drawing: a source rendered at factor times the size (a power of two up to
  // MaxReduceFactor), each factor × factor block of it one destination pixel weighted by what
  // the block holds. 1-bit source, a clear bit covered: pixel painted by the block's
  // coverage, alpha 0..255.
  virtual void DrawColorReduce(int x, int y, TCustomDIBX& source, const TRect& sr, uint32_t pixel, bool flipH,
                               bool flipV, int alpha, int factor);
  // 4-bit source of the values 0..3 (the low two bits of each nibble): colours[0..2] painted
  // for 1..3 by their share of the block, with the extended alpha 0..511.
  virtual void DrawColorReduceEx(int x, int y, TCustomDIBX& source, const TRect& sr,
                                 const std::array<uint32_t, 3>& colours, bool flipH, bool flipV, int alpha,
                                 int factor);
  // Indexed drawing: a 4-bit index surface through 16 raw pixel values (the low 16 bits of
  // each at 15 and 16 bits), with the extended alpha; the index equal to the source's
  // TransparentColor is skipped. unused is not read. 32-bit destinations only on the
  // packed path.
  virtual void DrawIndexed(int x, int y, TCustomDIBX& source, const TRect& sr, int unused, bool flipH, bool flipV,
                           int alpha, const std::array<uint32_t, 16>& table);
  // An 8-bit index surface added through 256 raw pixel values with strength alpha 0..255;
  // indices below threshold are skipped.
  virtual void DrawIndexedAdd(int x, int y, TCustomDIBX& source, const TRect& sr, int threshold, bool flipH,
                              bool flipV, int alpha, TIndexTable table);
  // The same stretched from sr onto dr; only on the packed path at 15, 16 and 32 bits.
  virtual void StretchDrawIndexed(const TRect& dr, TCustomDIBX& source, const TRect& sr, int threshold, bool flipH,
                                  bool flipV, int alpha, TIndexTable table);
  // Pattern drawing: dr filled with the whole source repeated from the scroll offset,
  // optionally mirrored, pixels copied as they are.
  virtual void FillPattern(const TRect& dr, TCustomDIBX& source, int scrollX, int scrollY, bool flipH, bool flipV);
  // The four sides of a border borderWidth wide, each a FillPattern from its own top-left:
  // top, bottom, left, right. sr and unused are not read.
  virtual void FramePattern(const TRect& dr, int borderWidth, TCustomDIBX& source, const TRect& sr, int unused,
                            int scrollX, int scrollY);

  // Picture files. The surface takes the picture's size and keeps its bit count; what is
  // not recognised leaves it as it was, and decoder errors pass on before it changes.
  // A ".bmp" file by game path.
  virtual void LoadFromFile(std::string_view fileName);
  // The picture at the stream's start: "BM" at 0 a bitmap, "PNG" at 1 a PNG picture, "Vask"
  // at 0 the first frame of a layered image. A null stream loads nothing.
  virtual void LoadFromStream(TStream* stream);
  // A 24-bit ".bmp" file by game path, written beside it and renamed into place; other
  // names write nothing.
  virtual void SaveToFile(std::string_view fileName);

  virtual void Clear();
  virtual void ReleaseHandles();
  virtual void GetPalette(TRGBQuad* entries);
  virtual void GetPaletteEntries(TRGBQuad* entries, int start, int count);
  virtual void SetPalette(const TRGBQuad* entries);
  virtual void SetPaletteEntries(const TRGBQuad* entries, int start, int count);
  // Paints P through the coverages of the 8-bit surface mask.
  virtual void DrawColorMask(int x, int y, TCustomDIBX& mask, const TRect& sr, bool flipH, bool flipV, uint32_t pixel,
                             int alpha);
  // Presentation: the rectangle (sx, sy, sw, sh), counted from the top, onto the screen.
  virtual int StretchToDC(TScreenDC& dc, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh);
  virtual void ToMemoryImage();

  TRect GetBoundsRect() { return {0, 0, GetWidth(), GetHeight()}; }
  // The stored clip cut to the surface; the bounds when none is set. Virtual for a
  // decorating surface, whose coordinates are not its own.
  virtual TRect GetClipRect();
  void SetClipRect(const TRect& rect) { ClipRect = rect; }
  int BytesPerPixel() { return (GetStorageBitCount() + 7) / 8; }
  // The clipping step of every blit and fill: cuts dr to the clip and sr to the source (and
  // mask) surface, moving the matching edge of the other (the far edge under a flip).
  bool ClipBlit(TRect& dr, TRect& sr, bool flipH, bool flipV, TCustomDIBX* source = nullptr,
                TCustomDIBX* mask = nullptr);
  // The clipping step of the stretches: dr cut to the clip, sr cut by the whole source
  // pixels that fall away (the far edge under a flip), the scale factors (negative under a
  // flip) and the fractions of a source pixel left at the clipped left and top.
  struct TStretchClip {
    TRect Dest;
    int64_t SourceLeft = 0, SourceTop = 0, SourceRight = 0, SourceBottom = 0;
    double ScaleX = 0, ScaleY = 0, FracX = 0, FracY = 0;
  };
  bool ClipStretch(const TRect& dr, const TRect& sr, bool flipH, bool flipV, TStretchClip& out);
  // The clipping step of the scrolled, repeated draws: dr cut to the clip, a clipped left
  // (top) edge adding the width (height) cut off to the scroll; false when nothing is left.
  bool ClipScrolled(TRect& dr, int64_t& scrollX, int64_t& scrollY);

  TRect ClipRect{};
  int32_t TransparentColor = -1;
  std::vector<TRect> Rects, Rects2;

 protected:
  int Width = 0, Height = 0;
};

// The largest factor of the colour-reduced draws: their weights stay inside 64 bits.
constexpr int MaxReduceFactor = 4096;

// The destination rectangle a rotated draw covers; width and height (the picture's) mirror
// the pivot under a flip.
TRect CalcRotatedBounds(int x, int y, int pivotX, int pivotY, int angle, const TRect& sr, int zoomX, int zoomY,
                        int width, int height, bool flipH, bool flipV);

}  // namespace orva
