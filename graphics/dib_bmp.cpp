// BMP files: reading (core and info headers, bit fields, RLE8 and RLE4) and writing.
#include <algorithm>
#include <climits>
#include <cstring>

#include "core/exceptions.h"
#include "core/stream.h"
#include "graphics/dib.h"
#include "graphics/graphic_exceptions.h"

namespace orva {

namespace {

constexpr int kFileHeaderSize = 14;

uint32_t LE16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t LE32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

int LowestBit(uint32_t mask) {
  int bit = 0;
  while (bit < 32 && !(mask & (1u << bit))) ++bit;
  return bit;
}

bool Contiguous(uint32_t mask) {
  if (!mask) return true;
  const uint32_t run = mask >> LowestBit(mask);
  return (run & (run + 1)) == 0;
}

// Bit fields whose widths fit a layout but whose positions differ from it: each field is
// moved to the layout's position, so the picture keeps its colours.
void MoveFieldsToLayout(uint8_t* bits, int64_t bytes, int bitCount, const uint32_t (&masks)[3],
                        const PixelLayout& layout) {
  const uint32_t to[3] = {layout.RedMask, layout.GreenMask, layout.BlueMask};
  if (masks[0] == to[0] && masks[1] == to[1] && masks[2] == to[2]) return;
  int from[3], at[3];
  for (int c = 0; c < 3; ++c) from[c] = LowestBit(masks[c]), at[c] = LowestBit(to[c]);
  auto move = [&](uint32_t p) {
    uint32_t v = 0;
    for (int c = 0; c < 3; ++c)
      if (masks[c]) v |= ((p & masks[c]) >> from[c]) << at[c];
    return v;
  };
  const int step = bitCount / 8;
  for (int64_t i = 0; i + step <= bytes; i += step) {
    uint32_t p = 0;
    std::memcpy(&p, bits + i, step);
    p = move(p);
    std::memcpy(bits + i, &p, step);
  }
}

}  // namespace

void TDIBSharedImage::ReadData(TStream& stream, int64_t pixelOffset) {
  const int64_t start = stream.GetPosition();
  uint8_t h[40] = {};
  const int64_t got = stream.Read(h, 4);
  if (got == 0) {
    Reset();
    return;
  }
  if (got != 4) throw EReadError("Stream read error");
  const uint32_t headerSize = LE32(h);
  int64_t width, height;
  int bits;
  uint32_t compression = 0, colorsUsed = 0;
  int entrySize;
  if (headerSize == 12) {
    stream.ReadBuffer(h + 4, 8);
    width = LE16(h + 4);
    height = LE16(h + 6);
    bits = static_cast<int>(LE16(h + 10));
    entrySize = 3;
  } else if (headerSize == 40) {
    stream.ReadBuffer(h + 4, 36);
    width = static_cast<int32_t>(LE32(h + 4));
    height = static_cast<int32_t>(LE32(h + 8));
    bits = static_cast<int>(LE16(h + 14));
    compression = LE32(h + 16);
    colorsUsed = LE32(h + 32);
    entrySize = 4;
  } else {
    RaiseInvalidDIB();
  }
  const uint32_t imageSize = headerSize == 40 ? LE32(h + 20) : 0;

  uint32_t masks[3] = {};
  PixelLayout layout = bits == 16 ? Layout555() : Layout888();
  if (compression == 3) {
    uint8_t m[12];
    stream.ReadBuffer(m, 12);
    for (int c = 0; c < 3; ++c) masks[c] = LE32(m + 4 * c);
    layout = MakePixelLayoutFromMasks(masks[0], masks[1], masks[2]);
  }

  int64_t entries = colorsUsed ? colorsUsed : (bits <= 8 ? int64_t{1} << bits : 0);
  if (entries > 256) entries = 256;
  // A pixel position that lies after the header tells where the table ends and the pixels
  // begin: short tables and gaps before the pixels read as written.
  const int64_t tableStart = stream.GetPosition() - start;
  const bool offsetKnown = pixelOffset >= tableStart;
  if (offsetKnown) entries = std::min<int64_t>(entries, (pixelOffset - tableStart) / entrySize);
  TColorTable table{};
  for (int64_t i = 0; i < entries; ++i) {
    uint8_t e[4];
    stream.ReadBuffer(e, entrySize);
    table[i] = MakeRGBQuad(e[2], e[1], e[0]);
  }
  if (compression > 3) RaiseInvalidDIB();
  if (offsetKnown) {
    const int64_t skip = pixelOffset - (stream.GetPosition() - start);
    if (skip > stream.Remaining()) RaiseInvalidDIB();
    if (skip > 0) stream.Seek(skip, TSeekOrigin::soCurrent);
  }

  const bool rle = compression == 1 || compression == 2;
  if (rle && !((bits == 8 && compression == 1) || (bits == 4 && compression == 2))) RaiseInvalidDIB();
  if (compression == 3) {
    for (uint32_t m : masks)
      if (!Contiguous(m)) RaiseInvalidPixelFormat();
  }
  if (width <= 0 || height == 0 || height == INT_MIN) RaiseInvalidDIB();
  const bool topDown = height < 0;
  if (topDown) height = -height;

  TDIBSharedImage result;
  // Bits and layout are checked before the sizes, so an unsupported depth names itself.
  result.AllocImage(1, 1, bits, layout, table, 0);
  const int64_t rowLength = DIBRowLength(width, bits);
  const int64_t pixelBytes = DIBPixelBytes(rowLength, height);
  if (pixelBytes < 0) RaiseInvalidDIB();
  if (rle) {
    if (imageSize == 0 || imageSize > stream.Remaining()) RaiseInvalidDIB();
    result.AllocImage(static_cast<int>(width), static_cast<int>(height), bits, layout, table, compression);
    result.pixelBytes_ = imageSize;
    result.Allocate(imageSize);
    result.BuildHeader();
    stream.ReadBuffer(result.pixels_.get(), imageSize);
  } else {
    if (pixelBytes > stream.Remaining()) RaiseInvalidDIB();
    result.AllocImage(static_cast<int>(width), static_cast<int>(height), bits, layout, table, 0);
    if (!topDown) {
      stream.ReadBuffer(result.pixels_.get(), result.pixelBytes_);
    } else {
      for (int64_t y = 0; y < height; ++y) stream.ReadBuffer(result.TopRow() - y * rowLength, rowLength);
    }
    if (compression == 3 && (bits == 16 || bits == 32))
      MoveFieldsToLayout(result.pixels_.get(), result.pixelBytes_, bits, masks, layout);
  }
  *this = std::move(result);
}

void TDIB::ReadData(TStream& stream) {
  auto image = std::make_shared<TDIBSharedImage>();
  image->ReadData(stream);
  SetImage(std::move(image));
}

void TDIB::LoadFromStream(TStream& stream) {
  uint8_t header[kFileHeaderSize];
  const int64_t got = stream.Read(header, kFileHeaderSize);
  if (got == 0) return;
  if (got != kFileHeaderSize || header[0] != 'B' || header[1] != 'M') RaiseInvalidDIB();
  auto image = std::make_shared<TDIBSharedImage>();
  image->ReadData(stream, static_cast<int64_t>(LE32(header + 10)) - kFileHeaderSize);
  SetImage(std::move(image));
}

void TDIB::WriteData(TStream& stream) {
  const auto& header = image_->HeaderBlock();
  stream.WriteBuffer(header.data(), static_cast<int64_t>(header.size()));
  stream.WriteBuffer(image_->Bits(), image_->PixelBytes());
}

void TDIB::SaveToStream(TStream& stream) {
  if (GetEmpty()) return;
  const uint32_t headerBytes = static_cast<uint32_t>(image_->HeaderBlock().size()) + kFileHeaderSize;
  uint8_t file[kFileHeaderSize] = {'B', 'M'};
  const uint32_t fileSize = headerBytes + static_cast<uint32_t>(image_->PixelBytes());
  for (int i = 0; i < 4; ++i) {
    file[2 + i] = static_cast<uint8_t>(fileSize >> (8 * i));
    file[10 + i] = static_cast<uint8_t>(headerBytes >> (8 * i));
  }
  stream.WriteBuffer(file, kFileHeaderSize);
  WriteData(stream);
}

}  // namespace orva
