#include "graphics/dib.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/stream.h"
#include "graphics/graphic_exceptions.h"
#include "graphics/pixel_rows.h"

namespace orva {

namespace {

TColorTable GreyRamp() {
  TColorTable t;
  for (int i = 0; i < 256; ++i) t[i] = MakeRGBQuad(i, i, i);
  return t;
}

void PutLE32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

const std::shared_ptr<TDIBSharedImage>& EmptyDIBImage() {
  static const std::shared_ptr<TDIBSharedImage> empty = std::make_shared<TDIBSharedImage>();
  return empty;
}

}  // namespace

// ---- TDIBSharedImage ----

TDIBSharedImage::TDIBSharedImage() { Reset(); }

void TDIBSharedImage::Reset() {
  bits_ = width_ = height_ = 0;
  rowLength_ = pixelBytes_ = 0;
  colorCount_ = compression_ = 0;
  layout_ = Layout888();
  colorTable_ = GreyRamp();
  header_.clear();
  pixels_.reset();
}

void TDIBSharedImage::Allocate(int64_t bytes) {
  if (bytes <= 0) return;
  // calloc: a block the decoder or reader does not cover reads as zero, and large zero
  // blocks cost nothing until touched.
  pixels_.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bytes), 1)));
  if (!pixels_) throw std::bad_alloc();
}

void TDIBSharedImage::AllocImage(int width, int height, int bits, const PixelLayout& layout,
                                 const TColorTable& table, int compression) {
  Reset();
  switch (bits) {
    case 1: case 4: case 8: case 24: case 32:
      if (!layout.SameMasks(Layout888())) RaiseInvalidPixelFormat();
      break;
    case 16:
      if (!layout.SameMasks(Layout555()) && !layout.SameMasks(Layout565())) RaiseInvalidPixelFormat();
      break;
    default:
      RaiseInvalidBitCount(bits);
  }
  if (width < 1 || height < 1) RaiseInvalidDIB();
  const int64_t rowLength = DIBRowLength(width, bits);
  const int64_t bytes = DIBPixelBytes(rowLength, height);
  if (bytes < 0) RaiseCannotCreate("DIB");
  bits_ = bits;
  width_ = width;
  height_ = height;
  rowLength_ = rowLength;
  layout_ = layout;
  colorCount_ = bits <= 8 ? 1 << bits : 0;
  compression_ = (compression == 1 && bits == 8) || (compression == 2 && bits == 4) ? compression : 0;
  colorTable_ = table;
  if (!Compressed()) {
    pixelBytes_ = bytes;
    Allocate(bytes);
  }
  BuildHeader();
}

void TDIBSharedImage::BuildHeader() {
  const bool masks = bits_ == 16 || bits_ == 32;
  const size_t tablePos = masks ? 52 : 40;
  header_.assign(tablePos + 4 * colorCount_, 0);
  PutLE32(header_, 0, 40);
  PutLE32(header_, 4, static_cast<uint32_t>(width_));
  PutLE32(header_, 8, static_cast<uint32_t>(height_));
  header_[12] = 1;
  header_[14] = static_cast<uint8_t>(bits_);
  PutLE32(header_, 16, masks ? 3 : static_cast<uint32_t>(compression_));
  PutLE32(header_, 20, static_cast<uint32_t>(pixelBytes_));
  if (masks) {
    PutLE32(header_, 40, layout_.RedMask);
    PutLE32(header_, 44, layout_.GreenMask);
    PutLE32(header_, 48, layout_.BlueMask);
  }
  if (colorCount_) std::memcpy(header_.data() + tablePos, colorTable_.data(), 4 * colorCount_);
}

void TDIBSharedImage::CopyImage(const TDIBSharedImage& source) {
  if (source.bits_ == 0) {
    Reset();
    return;
  }
  AllocImage(source.width_, source.height_, source.bits_, source.layout_, source.colorTable_, source.compression_);
  if (Compressed()) {
    pixelBytes_ = source.pixelBytes_;
    Allocate(pixelBytes_);
    BuildHeader();
  }
  if (pixelBytes_) std::memcpy(pixels_.get(), source.pixels_.get(), static_cast<size_t>(pixelBytes_));
}

void TDIBSharedImage::Duplicate(const TDIBSharedImage& source) {
  if (!source.Compressed()) {
    CopyImage(source);
    return;
  }
  AllocImage(source.width_, source.height_, source.bits_, source.layout_, source.colorTable_, 0);
  DecodeRLE(source);
}

void TDIBSharedImage::SetColorTable(const TColorTable& table) {
  colorTable_ = table;
  if (bits_ && colorCount_) std::memcpy(header_.data() + header_.size() - 4 * colorCount_, table.data(), 4 * colorCount_);
}

// RLE8 and RLE4 records, decoded from the bottom row. Runs are cut at the row's right edge
// and decoding stops at the top of the picture or the end of the data.
void TDIBSharedImage::DecodeRLE(const TDIBSharedImage& source) {
  const uint8_t* data = source.pixels_.get();
  const int64_t size = source.pixelBytes_;
  const bool four = source.compression_ == 2;
  int64_t pos = 0;
  int64_t x = 0, row = 0;
  auto put = [&](uint32_t v) {
    if (x < width_ && row < height_) {
      uint8_t* line = pixels_.get() + row * rowLength_;
      if (four) {
        uint8_t& byte = line[x >> 1];
        byte = (x & 1) ? static_cast<uint8_t>((byte & 0xF0) | (v & 15)) : static_cast<uint8_t>((byte & 0x0F) | (v << 4));
      } else {
        line[x] = static_cast<uint8_t>(v);
      }
    }
    ++x;
  };
  while (pos + 2 <= size && row < height_) {
    const uint8_t n = data[pos], v = data[pos + 1];
    pos += 2;
    if (n > 0) {
      for (int i = 0; i < n && x < width_; ++i) put(four ? ((i & 1) ? v & 15 : v >> 4) : v);
    } else if (v == 0) {
      x = 0;
      ++row;
    } else if (v == 1) {
      break;
    } else if (v == 2) {
      if (pos + 2 > size) break;
      x += data[pos];
      row += data[pos + 1];
      pos += 2;
    } else {
      const int64_t bytes = four ? (v + 1) / 2 : v;
      if (pos + bytes > size) break;
      for (int i = 0; i < v && x < width_; ++i) put(four ? ((i & 1) ? data[pos + i / 2] & 15 : data[pos + i / 2] >> 4) : data[pos + i]);
      pos += bytes;
    }
    pos += pos & 1;
  }
}

// ---- TDIB ----

TDIB::TDIB() { SetImage(EmptyDIBImage()); }
TDIB::~TDIB() = default;

void TDIB::SetImage(std::shared_ptr<TDIBSharedImage> image) {
  if (image == image_) return;
  image_ = std::move(image);
  ColorTable = image_->ColorTable();
  PixelFormat = image_->Layout();
}

void TDIB::Assign(const TDIB* source) {
  if (!source) {
    Clear();
    return;
  }
  if (source != this) SetImage(source->image_);
}

bool TDIB::GetEmpty() const { return image_->PixelBytes() == 0; }
int TDIB::GetWidth() const { return image_->Width(); }
int TDIB::GetHeight() const { return image_->Height(); }

void TDIB::Clear() { SetImage(EmptyDIBImage()); }

void TDIB::SetSize(int width, int height, int bits) {
  if (width == GetWidth() && height == GetHeight() && bits == BitCount() && image_->Layout().SameMasks(PixelFormat))
    return;
  if (width < 1 || height < 1) {
    Clear();
    return;
  }
  auto image = std::make_shared<TDIBSharedImage>();
  image->AllocImage(width, height, bits, PixelFormat, ColorTable, 0);
  SetImage(std::move(image));
}

void TDIB::SetWidth(int width) {
  if (width < 1)
    Clear();
  else if (GetEmpty())
    SetSize(width, std::max(GetHeight(), 1), 8);
  else
    SetSize(width, GetHeight(), BitCount());
}

void TDIB::SetHeight(int height) {
  if (height < 1)
    Clear();
  else if (GetEmpty())
    SetSize(std::max(GetWidth(), 1), height, 8);
  else
    SetSize(GetWidth(), height, BitCount());
}

void TDIB::Changing() {
  if (image_.use_count() > 1 || image_->Compressed()) {
    if (image_ == EmptyDIBImage()) return;
    auto image = std::make_shared<TDIBSharedImage>();
    image->Duplicate(*image_);
    SetImage(std::move(image));
  }
}

void TDIB::Decompress() {
  if (!image_->Compressed()) return;
  auto image = std::make_shared<TDIBSharedImage>();
  image->Duplicate(*image_);
  SetImage(std::move(image));
}

uint8_t* TDIB::Bits() {
  Changing();
  return image_->Bits();
}
uint8_t* TDIB::TopBits() {
  Changing();
  return image_->TopRow();
}
const uint8_t* TDIB::BitsReadOnly() {
  Decompress();
  return image_->Bits();
}
const uint8_t* TDIB::TopBitsReadOnly() {
  Decompress();
  return image_->TopRow();
}

uint8_t* TDIB::ScanLine(int y) {
  Changing();
  if (y < 0 || y >= GetHeight()) RaiseScanLineRange(y);
  return image_->TopRow() - int64_t{y} * image_->RowLength();
}

const uint8_t* TDIB::ScanLineReadOnly(int y) {
  Decompress();
  if (y < 0 || y >= GetHeight()) RaiseScanLineRange(y);
  return image_->TopRow() - int64_t{y} * image_->RowLength();
}

uint32_t TDIB::GetPixel(int x, int y) {
  Decompress();
  if (x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return 0;
  return LoadRowPixel(image_->TopRow() - int64_t{y} * image_->RowLength(), x, BitCount());
}

void TDIB::SetPixel(int x, int y, uint32_t value) {
  Changing();
  if (x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight()) return;
  StoreRowPixel(image_->TopRow() - int64_t{y} * image_->RowLength(), x, BitCount(), value);
}

void TDIB::ApplyColorTable() {
  if (ColorTable == image_->ColorTable()) return;
  const TColorTable wanted = ColorTable;
  if (image_ == EmptyDIBImage()) {
    // The shared empty store is never written; an empty bitmap takes a private empty store.
    SetImage(std::make_shared<TDIBSharedImage>());
  }
  Changing();
  ColorTable = wanted;
  image_->SetColorTable(wanted);
}

void TDIB::LoadFromFile(const std::string& path) {
  TFileStream stream(path, TFileStream::fmOpenRead);
  LoadFromStream(stream);
}

void TDIB::SaveToFile(const std::string& path) {
  TFileStream stream(path, TFileStream::fmCreate);
  SaveToStream(stream);
}

// ---- Colours of pixels ----

uint32_t DIBPixelColor(const TDIBSharedImage& image, const uint8_t* row, int x) {
  const int bits = image.BitCount();
  const uint32_t v = LoadRowPixel(row, x, bits);
  if (bits <= 8) {
    const TRGBQuad& q = image.ColorTable()[v];
    return uint32_t{q.rgbRed} << 16 | uint32_t{q.rgbGreen} << 8 | q.rgbBlue;
  }
  if (bits == 24) return v;
  uint32_t r, g, b;
  DIBPixelToRGB(image.Layout(), v, r, g, b);
  return r << 16 | g << 8 | b;
}

}  // namespace orva
