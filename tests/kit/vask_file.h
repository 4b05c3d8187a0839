#pragma once
// Byte-exact layered images (".vsk") of every version, field and data mode, for the
// reader's fixtures: a file is a plain description written with the fields its version
// has and no others.
//
//   kit::VaskFile file;
//   file.Frames.push_back(kit::VaskFrame::Of(2, 1, 24, {{0x102030, 0x405060}}));
//   std::string bytes = kit::MakeVask(file);

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/rect.h"

namespace orva::kit {

struct VaskLayer {
  bool Visible = true;
  int32_t TransparentValue = -1;
  int32_t Opacity = 255;
  bool UseMask = false;  // written from version 101
  std::string Name = "Layer";
  // Plain bytes (rows or blocks), stored by the file's mode; in JPEG mode Pixels is the
  // JPEG file. An empty Mask writes size 0 (no mask); mask data is written from version 100.
  std::string Pixels, Mask;
  // Written as they are, whatever the mode.
  std::optional<std::string> StoredPixels, StoredMask;
};

struct VaskFrame {
  std::string Name = "Frame1";
  int32_t TransparentValue = -1;
  int32_t Delay = 0;
  int32_t Width = 1, Height = 1, Bits = 24;
  std::vector<uint32_t> Table;  // 0x00RRGGBB, written for 8 bits and fewer, 0 beyond it
  std::vector<VaskLayer> Layers;
  std::optional<int32_t> LayerCount;  // written instead of the number of layers
  std::vector<TRect> Rects, Rects2;   // written from version 104

  // One visible layer holding rows of raw pixel values (top row first).
  static VaskFrame Of(int32_t width, int32_t height, int32_t bits, const std::vector<std::vector<uint32_t>>& rows);
};

struct VaskFile {
  int Version = 106;                 // 0: no tag
  std::optional<std::string> Tag;    // the 7 tag bytes as they are
  int32_t HeaderSize = 40;           // bytes beyond 40 are zero; fewer cut the header
  std::optional<int32_t> HeaderVersion, FrameCount;
  int32_t HeaderWidth = 0, HeaderHeight = 0, HeaderBits = 0;
  uint8_t Mode = 0;                  // 0 zlib, 1 raw, 2 JPEG; before 103 always raw
  int32_t Background = 0;            // 0x00BBGGRR, from version 102
  int32_t BlockWidth = 0, BlockHeight = 0;
  bool FirstLayerOpaque = false;
  uint8_t Quality = 70;
  std::vector<VaskFrame> Frames;
};

std::string MakeVask(const VaskFile& file);
// A file of the newest version holding the frames.
std::string MakeVaskFrames(std::vector<VaskFrame> frames);

// A frame of w × h 24-bit pixels from a function of the position (0x00RRGGBB), shown for
// delay ms; transparent: the key colour, -1 none.
template <class F>
VaskFrame DrawnFrame(int32_t w, int32_t h, int32_t delay, int32_t transparent, F pixel) {
  std::vector<std::vector<uint32_t>> rows(static_cast<size_t>(h), std::vector<uint32_t>(static_cast<size_t>(w)));
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) rows[size_t(y)][size_t(x)] = pixel(x, y);
  VaskFrame frame = VaskFrame::Of(w, h, 24, rows);
  frame.Delay = delay;
  frame.TransparentValue = transparent;
  return frame;
}

// A size × size ball as particle sprites show it: a light colour darkening outwards under a
// round mask, opaque to two pixels from its edge and fading over those.
std::string SoftBallVask(int32_t size);

// Plain rows of raw pixel values at 1 to 32 bits (15 as 16), top row first, each padded
// to a multiple of 4 bytes.
std::string VaskRows(int32_t bits, const std::vector<std::vector<uint32_t>>& rows);
// Plain block data: the (a, b) entries, then the literal blocks' bytes.
struct VaskBlock {
  int32_t A = -1, B = 0;
};
std::string VaskBlocks(const std::vector<VaskBlock>& entries, const std::string& literals);
// Rows of one block: (width × bits + 7) div 8 bytes each, no padding.
std::string VaskBlockRows(int32_t bits, const std::vector<std::vector<uint32_t>>& rows);

}  // namespace orva::kit
