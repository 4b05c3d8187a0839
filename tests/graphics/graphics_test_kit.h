#pragma once
// Builders for the graphics tests: BMP files byte by byte, and small surfaces from rows of
// raw pixel values.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "graphics/custom_dibx.h"
#include "graphics/dib.h"

namespace orva::test {

inline void PutLE(std::string& s, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}

// A BMP file: file header, an info header (40) or a core header (12), masks, table, data.
struct BmpFile {
  int headerSize_ = 40;
  int32_t width_ = 1, height_ = 1;
  int bits_ = 24;
  uint32_t compression_ = 0, imageSize_ = 0, colorsUsed_ = 0;
  std::vector<uint32_t> masks_;  // written when not empty
  std::vector<uint32_t> table_;  // 0x00RRGGBB entries
  std::string data_;             // pixel bytes as stored
  int64_t pixelOffset_ = -1;     // -1: right after the table

  BmpFile& headerSize(int v) { return headerSize_ = v, *this; }
  BmpFile& width(int32_t v) { return width_ = v, *this; }
  BmpFile& height(int32_t v) { return height_ = v, *this; }
  BmpFile& bits(int v) { return bits_ = v, *this; }
  BmpFile& compression(uint32_t v) { return compression_ = v, *this; }
  BmpFile& imageSize(uint32_t v) { return imageSize_ = v, *this; }
  BmpFile& colorsUsed(uint32_t v) { return colorsUsed_ = v, *this; }
  BmpFile& masks(std::vector<uint32_t> v) { return masks_ = std::move(v), *this; }
  BmpFile& table(std::vector<uint32_t> v) { return table_ = std::move(v), *this; }
  BmpFile& data(std::string v) { return data_ = std::move(v), *this; }
  BmpFile& pixelOffset(int64_t v) { return pixelOffset_ = v, *this; }
};

inline std::string MakeBmp(const BmpFile& layout) {
  struct {
    int headerSize;
    int32_t width, height;
    int bits;
    uint32_t compression, imageSize, colorsUsed;
    const std::vector<uint32_t>&masks, &table;
    const std::string& data;
    int64_t pixelOffset;
  } b{layout.headerSize_, layout.width_, layout.height_, layout.bits_, layout.compression_, layout.imageSize_,
      layout.colorsUsed_, layout.masks_, layout.table_, layout.data_, layout.pixelOffset_};
  std::string info;
  PutLE(info, b.headerSize, 4);
  if (b.headerSize == 12) {
    PutLE(info, static_cast<uint16_t>(b.width), 2);
    PutLE(info, static_cast<uint16_t>(b.height), 2);
    PutLE(info, 1, 2);
    PutLE(info, b.bits, 2);
  } else {
    PutLE(info, static_cast<uint32_t>(b.width), 4);
    PutLE(info, static_cast<uint32_t>(b.height), 4);
    PutLE(info, 1, 2);
    PutLE(info, b.bits, 2);
    PutLE(info, b.compression, 4);
    PutLE(info, b.imageSize, 4);
    PutLE(info, 0, 8);
    PutLE(info, b.colorsUsed, 4);
    PutLE(info, 0, 4);
  }
  for (uint32_t m : b.masks) PutLE(info, m, 4);
  for (uint32_t c : b.table) PutLE(info, c, b.headerSize == 12 ? 3 : 4);
  const int64_t offset = b.pixelOffset >= 0 ? b.pixelOffset : 14 + static_cast<int64_t>(info.size());
  std::string file = "BM";
  PutLE(file, 14 + info.size() + b.data.size(), 4);
  PutLE(file, 0, 4);
  PutLE(file, static_cast<uint64_t>(offset), 4);
  return file + info + b.data;
}

inline std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

// Raw pixel values of a bitmap's rows, top row first.
inline std::vector<std::vector<uint32_t>> Pixels(TDIB& dib) {
  std::vector<std::vector<uint32_t>> rows(dib.GetHeight(), std::vector<uint32_t>(dib.GetWidth()));
  for (int y = 0; y < dib.GetHeight(); ++y)
    for (int x = 0; x < dib.GetWidth(); ++x) rows[y][x] = dib.GetPixel(x, y);
  return rows;
}

template <class Surface>
void Fill(Surface& s, int depth, const std::vector<std::vector<uint32_t>>& rows) {
  s.SetSize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), depth);
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) s.SetPixel(static_cast<int>(x), static_cast<int>(y), rows[y][x]);
}

// Holds a setting at a value for a scope, restoring it.
template <class T>
class ScopedSetting {
 public:
  ScopedSetting(T& setting, T value) : setting_(setting), saved_(setting) { setting = value; }
  ~ScopedSetting() { setting_ = saved_; }
  ScopedSetting(const ScopedSetting&) = delete;
  ScopedSetting& operator=(const ScopedSetting&) = delete;

 private:
  T& setting_;
  T saved_;
};

// Runs a body with the packed paths on or off.
struct PathScope : ScopedSetting<bool> {
  explicit PathScope(bool packed) : ScopedSetting(UseMMX, packed) {}
};

// Runs a body with the packed rows held to a width.
struct RowsScope : ScopedSetting<TPackedRows> {
  explicit RowsScope(TPackedRows rows) : ScopedSetting(PackedRows, rows) {}
};

// Every row width this processor runs, the scalar rows first.
inline std::vector<TPackedRows> RowWidths() {
  std::vector<TPackedRows> widths;
  for (int w = 0; w <= static_cast<int>(ProcessorPackedRows()); ++w) widths.push_back(static_cast<TPackedRows>(w));
  return widths;
}

// Source, destination and mask of one row of 11 pixels, each filled with one value: wide
// enough for the vector rows and a scalar tail.
template <class Surface>
struct OneRowMix {
  Surface src, dst, mask;
  OneRowMix(int bits, uint32_t s, uint32_t d, uint8_t m) {
    src.SetSize(11, 1, bits);
    dst.SetSize(11, 1, bits);
    mask.SetSize(11, 1, 8);
    src.FillRect(src.GetBoundsRect(), s);
    dst.FillRect(dst.GetBoundsRect(), d);
    mask.Fill(m);
  }
};

// Raw pixel values of a drawing surface's rows, top row first.
inline std::vector<std::vector<uint32_t>> SurfacePixels(TCustomDIBX& s) {
  std::vector<std::vector<uint32_t>> rows(s.GetHeight(), std::vector<uint32_t>(s.GetWidth()));
  for (int y = 0; y < s.GetHeight(); ++y)
    for (int x = 0; x < s.GetWidth(); ++x) rows[y][x] = s.GetPixel(x, y);
  return rows;
}

}  // namespace orva::test
