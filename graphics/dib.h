#pragma once
// TDIB: the in-memory device-independent bitmap. Rows bottom-up, each padded to 4 bytes,
// 1, 4, 8, 16 (5-5-5 or 5-6-5), 24 or 32 bits per pixel, a 256-entry colour table. The pixel
// store is shared between bitmaps and copied on the first write.

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "graphics/pixel_layout.h"

namespace orva {

class TStream;
class TScreenDC;

using TColorTable = std::array<TRGBQuad, 256>;

// Largest pixel block the system allocates; anything larger is refused before allocating.
inline constexpr int64_t kMaxPixelBytes = int64_t{1} << 30;

// Row length of a picture: (width × bits + 31) div 32 × 4, taken in 64 bits.
inline int64_t DIBRowLength(int64_t width, int64_t bits) { return (width * bits + 31) / 32 * 4; }
// Row length × height when it stays within kMaxPixelBytes, else -1 (no product overflows).
inline int64_t DIBPixelBytes(int64_t rowLength, int64_t height) {
  return height > 0 && rowLength > kMaxPixelBytes / height ? -1 : rowLength * height;
}

// The pixel store, shared by every TDIB that holds it.
class TDIBSharedImage {
 public:
  TDIBSharedImage();

  // Resets to empty, checks bits and layout, fills every field; the block is zeroed (a
  // compressed store gets its block from the reader).
  void AllocImage(int width, int height, int bits, const PixelLayout& layout, const TColorTable& table,
                  int compression);
  void CopyImage(const TDIBSharedImage& source);
  // A compressed source is decoded, anything else copied.
  void Duplicate(const TDIBSharedImage& source);
  void SetColorTable(const TColorTable& table);
  // BMP data after the file header. pixelOffset: the file header's pixel position counted
  // from the stream position where the header size begins, or -1 when unknown.
  void ReadData(TStream& stream, int64_t pixelOffset = -1);

  int BitCount() const { return bits_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int64_t RowLength() const { return rowLength_; }
  int64_t PixelBytes() const { return pixelBytes_; }
  int ColorCount() const { return colorCount_; }
  bool Compressed() const { return compression_ == 1 || compression_ == 2; }
  const PixelLayout& Layout() const { return layout_; }
  const TColorTable& ColorTable() const { return colorTable_; }
  const std::vector<uint8_t>& HeaderBlock() const { return header_; }
  uint8_t* Bits() { return pixels_.get(); }
  const uint8_t* Bits() const { return pixels_.get(); }
  uint8_t* TopRow() { return pixels_ ? pixels_.get() + (height_ - 1) * rowLength_ : nullptr; }

 private:
  struct FreeBlock {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  void Reset();
  void BuildHeader();
  void Allocate(int64_t bytes);
  void DecodeRLE(const TDIBSharedImage& source);

  int bits_ = 0;
  int width_ = 0;
  int height_ = 0;
  int64_t rowLength_ = 0;
  int64_t pixelBytes_ = 0;
  int colorCount_ = 0;
  int compression_ = 0;
  PixelLayout layout_;
  TColorTable colorTable_{};
  std::vector<uint8_t> header_;
  std::unique_ptr<uint8_t, FreeBlock> pixels_;
};

class TDIB {
 public:
  TDIB();
  virtual ~TDIB();
  TDIB(const TDIB&) = delete;
  TDIB& operator=(const TDIB&) = delete;

  // nullptr clears; another bitmap shares its store.
  virtual void Assign(const TDIB* source);
  virtual bool GetEmpty() const;
  virtual int GetWidth() const;
  virtual int GetHeight() const;
  virtual void SetWidth(int width);
  virtual void SetHeight(int height);
  virtual void ReadData(TStream& stream);
  virtual void WriteData(TStream& stream);
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream);
  virtual void Clear();
  virtual void SetSize(int width, int height, int bits);

  // Real (UTF-8) paths.
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path);

  int BitCount() const { return image_->BitCount(); }
  void SetBitCount(int bits);
  int64_t WidthBytes() const { return image_->RowLength(); }
  int64_t RowStep() const { return -image_->RowLength(); }
  int64_t Size() const { return image_->PixelBytes(); }
  const PixelLayout& Layout() const { return image_->Layout(); }
  int ColorCount() const { return image_->ColorCount(); }
  const std::vector<uint8_t>& BitmapInfo() const { return image_->HeaderBlock(); }
  bool SharesImageWith(const TDIB& other) const { return image_ == other.image_; }
  bool IsCompressed() const { return image_->Compressed(); }

  // Writing access copies a shared store first and decodes a compressed one.
  uint8_t* Bits();
  uint8_t* TopBits();
  uint8_t* ScanLine(int y);  // y from the top; out of range raises
  // Reading access only decodes.
  const uint8_t* BitsReadOnly();
  const uint8_t* TopBitsReadOnly();
  const uint8_t* ScanLineReadOnly(int y);

  uint32_t GetPixel(int x, int y);
  void SetPixel(int x, int y, uint32_t value);

  // The copy-on-write step.
  void Changing();
  void Decompress();
  void ApplyColorTable();

  void Greyscale(int bits);
  void Blur(int bits, int radius);
  void Invert();

  // Scaled to the rectangle of the screen (nothing for an empty bitmap).
  void Draw(TScreenDC& dc, int left, int top, int right, int bottom);

  TColorTable ColorTable{};
  PixelLayout PixelFormat;

 const TDIBSharedImage& Image() const { return *image_; }

 protected:
  void SetImage(std::shared_ptr<TDIBSharedImage> image);

 private:
  std::shared_ptr<TDIBSharedImage> image_;
};

// The fixed tables of the depth change to 1, 4 and 8 bits and their nearest-colour mapping.
TColorTable FixedColorTable(int bits);
// The nearest entry by squared distance among the first count entries (the first wins a tie).
int NearestColorIndex(const TRGBQuad* table, int count, uint32_t r, uint32_t g, uint32_t b);
// A colour 0x00RRGGBB of any pixel of a bitmap's row (colour table, bytes or layout).
uint32_t DIBPixelColor(const TDIBSharedImage& image, const uint8_t* row, int x);

}  // namespace orva
