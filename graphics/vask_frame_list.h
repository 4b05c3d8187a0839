#pragma once
// TVaskFrameList: the maker's layered, animated image format (".vsk"): frames made of
// layers composed when read, with masks, a transparent colour, a delay per frame, and
// pixel data stored raw, zlib-compressed or as JPEG, optionally cut into blocks that repeat
// blocks of earlier frames. Also imports single PNG and BMP pictures into the same model,
// and writes the format (screen captures).
//
// Stored data is hostile: every count, size and offset is checked against the bytes there,
// and a file may decode to at most kMaxPixelBytes of pixels in total.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/rect.h"
#include "graphics/dib_surface.h"

namespace orva {

class TCustomDIBX;
class TStream;
class TVaskFrame;
class TVaskFrameList;

class TVaskLayer {
 public:
  explicit TVaskLayer(TVaskFrame* owner) : Owner(owner) {}

  TVaskFrame* Owner;
  TDIBSurface Surface;  // the frame's size and depth; an alpha plane when it had mask data
  bool Visible = true;
  int32_t TransparentValue = -1;
  int32_t Opacity = 255;
  bool UseMask = false;
};

class TVaskFrame {
 public:
  explicit TVaskFrame(TVaskFrameList* owner) : Owner(owner) {}

  bool HasMask() const { return Surface.Alpha() != nullptr; }
  // TransparentValue, and TransparentColor as the colour that value has in the picture (its
  // palette entry at 8 bits and below; -1 for a value the picture cannot hold).
  void SetTransparentValue(int32_t value);
  // An alpha plane, opaque except where the picture holds TransparentValue; nothing when
  // there is one already.
  void BuildMask();
  // The picture at the surface's own depth, with the two rectangle lists.
  void CopyToSurface(TCustomDIBX& dest);
  // The alpha plane as an 8-bit surface of the frame's size; nothing without a mask.
  void CopyMaskToSurface(TCustomDIBX& dest);
  // The alpha plane as an 8-bit grey bitmap; nothing without a mask.
  void CopyMaskToDIB(TDIB& dest);
  // The bounds of the visible pixels (mask not 0; else not the transparent value; the whole
  // frame when neither). When they are smaller than the frame, the rectangle lists are cut
  // to them and moved by their top-left; rectangles outside them are dropped. An invisible
  // frame gives the empty rectangle.
  TRect TrimBounds();

  TVaskFrameList* Owner;
  int32_t Delay = 0;
  TDIBSurface Surface;
  int32_t TransparentValue = -1;  // raw value of the picture; -1 none
  int32_t TransparentColor = -1;  // its colour 0x00BBGGRR; -1 none
  std::string Name;
  std::vector<TRect> Rects, Rects2;
  // Only while the list is read.
  std::vector<std::unique_ptr<TVaskLayer>> Layers;
};

class TVaskFrameList {
 public:
  // Data modes of the stored pixel data.
  static constexpr int ModeZlib = 0, ModeRaw = 1, ModeJpeg = 2;
  static constexpr int WriteVersion = 106, HeaderSize = 40, JpegQuality = 70;

  TVaskFrameList() = default;
  TVaskFrameList(const TVaskFrameList&) = delete;
  TVaskFrameList& operator=(const TVaskFrameList&) = delete;

  // A real file by game path, by extension (any case): ".vsk" the format, ".png" and
  // ".bmp"/".dib" an imported picture; any other extension loads nothing.
  void LoadFromFile(std::string_view fileName, bool firstOnly);
  // The format from the stream's position; no "Vask" tag reads as version 0 from the
  // first byte. A tag whose version is not three digits raises EConvertError; damaged or
  // short data EReadError (or the graphic errors).
  void LoadFromStream(TStream& stream, bool firstOnly);
  // The data of a file named fileName: ".png" and ".bmp"/".dib" are imported pictures,
  // everything else the format.
  void LoadFromNamedStream(TStream& stream, std::string_view fileName, bool firstOnly);
  // One frame from a PNG or BMP picture; the list is cleared first.
  void ImportPng(TStream& stream);
  void ImportBmp(TStream& stream);

  // "Vask106" with one layer per frame holding the composed picture; mode 0 zlib, 1 raw,
  // 2 JPEG (mask zlib).
  void SaveToStream(TStream& stream, int mode);
  // Mode 0, written beside the file and renamed over it (a game path).
  void SaveToFile(std::string_view fileName);

  TVaskFrame& Add();
  TVaskFrame& GetFrame(int index);
  int Count() const { return static_cast<int>(frames_.size()); }
  void BuildMasks();
  void Clear() { frames_.clear(); }

  int32_t BackgroundColor = 0;  // 0x00BBGGRR
  int32_t Version = 0;
  int32_t TargetBitCount = 0;
  bool FirstLayerOpaque = false;

 private:
  friend class TVaskReader;
  std::vector<std::unique_ptr<TVaskFrame>> frames_;
};

}  // namespace orva
