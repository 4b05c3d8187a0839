// The reader of the layered image format: header, frames, layers, the three data modes,
// rows and blocks, composition and the steps after each frame.
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "core/exceptions.h"
#include "core/stream.h"
#include "graphics/graphic_exceptions.h"
#include "graphics/jpeg_codec.h"
#include "graphics/pixel_rows.h"
#include "graphics/vask_frame_list.h"

namespace orva {

namespace {

[[noreturn]] void RaiseShort() { throw EReadError("Stream read error"); }

int32_t LE32(const uint8_t* p) { return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24); }

// Strict stream fields: a stream that ends inside a record raises.
int32_t ReadInt(TStream& s) {
  uint8_t b[4];
  s.ReadBuffer(b, 4);
  return LE32(b);
}

uint8_t ReadByte(TStream& s) {
  uint8_t b;
  s.ReadBuffer(&b, 1);
  return b;
}

void Skip(TStream& s, int64_t count) {
  if (count < 0 || count > s.Remaining()) RaiseShort();
  s.Seek(count, TSeekOrigin::soCurrent);
}

// A stored data block: a view into the stream's memory when it is a memory stream, else a
// copy.
class StoredBytes {
 public:
  StoredBytes(TStream& stream, int64_t size) {
    if (size < 0 || size > stream.Remaining()) RaiseShort();
    if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) {
      bytes_ = {memory->Memory() + memory->GetPosition(), size_t(size)};
      memory->Seek(size, TSeekOrigin::soCurrent);
    } else {
      copy_.resize(size_t(size));
      stream.ReadBuffer(copy_.data(), size);
      bytes_ = copy_;
    }
  }
  std::span<const uint8_t> Bytes() const { return bytes_; }

 private:
  std::span<const uint8_t> bytes_;
  std::vector<uint8_t> copy_;
};

// The plain bytes of a data block in order: the stored bytes, or their zlib form inflated
// only as far as they are asked for. Asking beyond them raises EReadError.
class PlainBytes {
 public:
  PlainBytes(std::span<const uint8_t> stored, bool inflated) : stored_(stored), inflated_(inflated) {
    if (inflated_) {
      if (inflateInit(&z_) != Z_OK) throw ECompressionError("zlib");
      z_.next_in = const_cast<Bytef*>(stored_.data());
      z_.avail_in = 0;
    }
  }
  ~PlainBytes() {
    if (inflated_) inflateEnd(&z_);
  }
  PlainBytes(const PlainBytes&) = delete;
  PlainBytes& operator=(const PlainBytes&) = delete;

  void Read(uint8_t* out, size_t count) {
    if (!inflated_) {
      if (count > stored_.size() - position_) RaiseShort();
      std::memcpy(out, stored_.data() + position_, count);
      position_ += count;
      return;
    }
    // Small reads (rows of blocks) come from a buffer filled a chunk at a time; large ones
    // are inflated in place.
    const size_t buffered = std::min(count, buffer_.size() - taken_);
    if (buffered > 0) {
      std::memcpy(out, buffer_.data() + taken_, buffered);
      taken_ += buffered, out += buffered, count -= buffered;
      if (count == 0) return;
    }
    if (count >= kChunk / 2) {
      Inflate(out, count);
      return;
    }
    buffer_.resize(kChunk);
    buffer_.resize(Inflate(buffer_.data(), kChunk, count));
    taken_ = count;
    std::memcpy(out, buffer_.data(), count);
  }

 private:
  static constexpr size_t kChunk = 65536;

  // Inflates up to count bytes into out; fewer than least raises. Returns the count made.
  size_t Inflate(uint8_t* out, size_t count, size_t least = SIZE_MAX) {
    least = std::min(least, count);
    size_t made = 0;
    while (made < least) {
      if (z_.avail_in == 0 && position_ < stored_.size()) {
        const size_t chunk = std::min<size_t>(stored_.size() - position_, UINT_MAX);
        z_.next_in = const_cast<Bytef*>(stored_.data() + position_);
        z_.avail_in = static_cast<uInt>(chunk);
        position_ += chunk;
      }
      const size_t want = std::min<size_t>(count - made, UINT_MAX);
      z_.next_out = out + made;
      z_.avail_out = static_cast<uInt>(want);
      const int result = inflate(&z_, Z_NO_FLUSH);
      made += want - z_.avail_out;
      if (made >= least) break;
      if (result == Z_STREAM_END || (result == Z_BUF_ERROR && z_.avail_in == 0 && position_ >= stored_.size()))
        RaiseShort();
      if (result != Z_OK && result != Z_BUF_ERROR) throw ECompressionError("zlib: damaged data");
    }
    return made;
  }

  std::span<const uint8_t> stored_;
  size_t position_ = 0;
  bool inflated_;
  z_stream z_{};
  std::vector<uint8_t> buffer_;
  size_t taken_ = 0;
};

// Rows of a bitmap by address: the top row and the step to the next. Reading rows leaves a
// store shared with another bitmap shared.
struct RowsOf {
  uint8_t* top;
  int64_t step;
  RowsOf(TDIB& dib, bool write)
      : top(write ? dib.ScanLine(0) : const_cast<uint8_t*>(dib.ScanLineReadOnly(0))), step(dib.RowStep()) {}
  uint8_t* operator[](int64_t y) const { return top + y * step; }
};

// Copies rectangle r of one bitmap to the same size at (x, y) of another of the same bits.
void CopyPixels(const RowsOf& to, int x, int y, const RowsOf& from, const TRect& r, int bits) {
  for (int j = 0; j < r.Height(); ++j) {
    const uint8_t* in = from[r.Top + j];
    uint8_t* out = to[y + j];
    if (bits >= 8) {
      const int bpp = bits / 8;
      std::memmove(out + size_t(x) * bpp, in + size_t(r.Left) * bpp, size_t(r.Width()) * bpp);
    } else {
      for (int i = 0; i < r.Width(); ++i) StoreRowPixel(out, x + i, bits, LoadRowPixel(in, r.Left + i, bits));
    }
  }
}

}  // namespace

class TVaskReader {
 public:
  TVaskReader(TVaskFrameList& list, TStream& stream) : list_(list), stream_(stream) {}

  void Read(bool firstOnly) {
    list_.Clear();
    const int32_t count = ReadHeader();
    const int32_t frames = firstOnly ? std::min(count, 1) : count;
    for (int i = 0; i < frames; ++i) {
      TVaskFrame& frame = list_.Add();
      ReadFrame(frame, i);
      FinishFrame(frame);
    }
    for (auto& frame : list_.frames_) frame->Layers.clear();
  }

 private:
  static constexpr int64_t kFrameRecordBytes = 33, kLayerRecordBytes = 25;

  // The tag and the list header; returns the frame count.
  int32_t ReadHeader() {
    char tag[7];
    const int64_t got = stream_.Read(tag, 7);
    int version = 0;
    if (got < 4 || std::memcmp(tag, "Vask", 4) != 0) {
      stream_.Seek(-got, TSeekOrigin::soCurrent);
    } else {
      const std::string digits(tag + 4, size_t(got - 4));
      if (digits.size() != 3 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw EConvertError("'" + digits + "' is not a valid integer value");
      version = std::stoi(digits);
    }
    list_.Version = version;
    version_ = version;
    mode_ = TVaskFrameList::ModeRaw;
    int32_t frames;
    if (version < 103) {
      frames = ReadInt(stream_);
      ReadByte(stream_);
      if (version >= 102) list_.BackgroundColor = ReadInt(stream_);
      list_.FirstLayerOpaque = false;
    } else {
      const int32_t size = ReadInt(stream_);
      if (size < 0) RaiseShort();
      uint8_t h[TVaskFrameList::HeaderSize] = {};
      stream_.ReadBuffer(h, std::min(size, TVaskFrameList::HeaderSize));
      Skip(stream_, size - int64_t{std::min(size, TVaskFrameList::HeaderSize)});
      version_ = LE32(h);
      frames = LE32(h + 16);
      mode_ = h[22];
      list_.BackgroundColor = LE32(h + 24);
      blockWidth_ = LE32(h + 28);
      blockHeight_ = LE32(h + 32);
      list_.FirstLayerOpaque = version >= 105 && h[36] != 0;
      if (mode_ > TVaskFrameList::ModeJpeg) throw EReadError("Unknown data mode " + std::to_string(mode_));
    }
    if (frames < 0 || frames > stream_.Remaining() / kFrameRecordBytes) RaiseShort();
    return frames;
  }

  // Pixels of a new surface, counted against the cap on the whole file.
  void Claim(int64_t width, int64_t height, int bits) {
    const int64_t bytes = DIBPixelBytes(DIBRowLength(width, bits == 15 ? 16 : bits), height);
    if (bytes < 0 || bytes > kMaxPixelBytes - decoded_) RaiseInvalidDIB();
    decoded_ += bytes;
  }

  void ReadFrame(TVaskFrame& frame, int index) {
    frame.Name = ReadStreamString(stream_);
    const int32_t value = ReadInt(stream_);
    frame.Delay = ReadInt(stream_);
    ReadByte(stream_);
    ReadInt(stream_);
    const int32_t layers = ReadInt(stream_);
    const int32_t width = ReadInt(stream_), height = ReadInt(stream_), bits = ReadInt(stream_);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 15 && bits != 16 && bits != 24 && bits != 32)
      RaiseInvalidBitCount(bits);
    if (width < 1 || height < 1) RaiseInvalidDIB();
    if (layers < 0 || layers > stream_.Remaining() / kLayerRecordBytes) RaiseShort();
    Claim(width, height, bits);
    FrameShape shape{width, height, bits, {}};
    if (bits <= 8) {
      uint8_t entries[256 * 4];
      stream_.ReadBuffer(entries, 4 << bits);
      for (int i = 0; i < (1 << bits); ++i)
        shape.table[i] = MakeRGBQuad(entries[4 * i + 2], entries[4 * i + 1], entries[4 * i]);
    }
    // The picture is made when the first layer is composed: damaged data fail before that.
    bool made = false;
    auto make = [&] {
      if (made) return;
      made = true;
      TDIBSurface& picture = frame.Surface;
      picture.SetSize(width, height, bits);
      picture.ColorTable = shape.table;
      picture.ApplyColorTable();
      frame.SetTransparentValue(value);
      const uint32_t background = static_cast<uint32_t>(list_.BackgroundColor);
      picture.FillRect(picture.GetBounds(),
                       picture.RGBToPixel(background & 0xFF, (background >> 8) & 0xFF, (background >> 16) & 0xFF));
    };

    bool first = true;  // until a visible layer has been drawn
    for (int i = 0; i < layers; ++i) {
      frame.Layers.push_back(std::make_unique<TVaskLayer>(&frame));
      TVaskLayer& layer = *frame.Layers.back();
      ReadLayer(shape, index, layer);
      if (!layer.Visible) continue;
      if (!made && CopiedWhole(layer, i, first)) {
        // The first layer drawn covers the background as a copy: the picture shares its
        // pixels instead.
        made = true;
        frame.Surface.TDIB::Assign(&layer.Surface);
        frame.SetTransparentValue(value);
        TakeMask(frame, layer, i);
      } else {
        make();
        Compose(frame, layer, i, first);
      }
      first = false;
    }
    make();
    if (version_ >= 104) {
      ReadRects(frame.Rects);
      ReadRects(frame.Rects2);
    }
  }

  void ReadRects(std::vector<TRect>& rects) {
    const int32_t n = ReadStreamCount(stream_, 16);
    rects.resize(size_t(n));
    for (TRect& r : rects) {
      r.Left = ReadInt(stream_);
      r.Top = ReadInt(stream_);
      r.Right = ReadInt(stream_);
      r.Bottom = ReadInt(stream_);
    }
  }

  struct FrameShape {
    int32_t width, height, bits;
    TColorTable table;
  };

  void ReadLayer(const FrameShape& shape, int frameIndex, TVaskLayer& layer) {
    Skip(stream_, 8);
    layer.Visible = ReadByte(stream_) != 0;
    layer.TransparentValue = ReadInt(stream_);
    layer.Opacity = ReadInt(stream_);
    layer.UseMask = version_ >= 101 && ReadByte(stream_) != 0;
    ReadStreamString(stream_);  // the layer's name
    const int width = shape.width, height = shape.height;
    TDIBSurface& surface = layer.Surface;
    auto make = [&] {
      Claim(width, height, shape.bits);
      surface.SetSize(width, height, shape.bits);
      surface.ColorTable = shape.table;
      surface.ApplyColorTable();
    };

    const int32_t pixelSize = ReadInt(stream_);
    {
      StoredBytes stored(stream_, pixelSize);
      if (mode_ == TVaskFrameList::ModeJpeg && shape.bits == 24) {
        Claim(width, height, 24);
        DecodeJpeg(stored.Bytes(), width, height, surface);
      } else if (mode_ == TVaskFrameList::ModeJpeg) {
        TDIBSurface decoded;
        Claim(width, height, 24);
        DecodeJpeg(stored.Bytes(), width, height, decoded);
        make();
        surface.DrawPalettized(0, 0, decoded, -1);  // the frame's depth, so the layer composes
      } else {
        CheckRawSize(stored, width, height, shape.bits);
        make();
        PlainBytes plain(stored.Bytes(), mode_ == TVaskFrameList::ModeZlib);
        ReadPlain(plain, surface, false, frameIndex);
      }
    }
    if (version_ >= 100) {
      const int32_t maskSize = ReadInt(stream_);
      if (maskSize != 0) {
        StoredBytes stored(stream_, maskSize);
        CheckRawSize(stored, width, height, 8);
        Claim(width, height, 8);
        surface.EnsureAlpha();
        PlainBytes plain(stored.Bytes(), mode_ != TVaskFrameList::ModeRaw);
        ReadPlain(plain, *surface.Alpha(), true, frameIndex);
        layer.TransparentValue = -1;
      }
    }
  }

  // Raw data hold at least the rows, or the block entries, before anything is made.
  void CheckRawSize(const StoredBytes& stored, int64_t width, int64_t height, int bits) const {
    if (mode_ != TVaskFrameList::ModeRaw) return;
    const int64_t need = Blocks() ? (width + blockWidth_ - 1) / blockWidth_ * ((height + blockHeight_ - 1) / blockHeight_) * 8
                                  : DIBRowLength(width, bits == 15 ? 16 : bits) * height;
    if (int64_t(stored.Bytes().size()) < need) RaiseShort();
  }

  bool Blocks() const { return version_ >= 103 && blockWidth_ > 0 && blockHeight_ > 0; }

  void ReadPlain(PlainBytes& plain, TDIB& target, bool mask, int frameIndex) {
    const RowsOf rows(target, true);
    if (!Blocks()) {
      const size_t row = size_t(target.WidthBytes());
      for (int y = 0; y < target.GetHeight(); ++y) plain.Read(rows[y], row);
      return;
    }
    ReadBlocks(plain, target, rows, mask, frameIndex);
  }

  // Blocks numbered row by row: first all entries (a, b), then the rows of the literal ones.
  void ReadBlocks(PlainBytes& plain, TDIB& target, const RowsOf& rows, bool mask, int frameIndex) {
    const int64_t width = target.GetWidth(), height = target.GetHeight();
    const int64_t bw = blockWidth_, bh = blockHeight_;
    const int64_t columns = (width + bw - 1) / bw, blockRows = (height + bh - 1) / bh, count = columns * blockRows;
    // The entries live only while the picture is read, but count against the cap too.
    if (count > (kMaxPixelBytes - decoded_) / 8) RaiseInvalidDIB();
    std::vector<uint8_t> entries(size_t(count) * 8);
    plain.Read(entries.data(), entries.size());
    const int bits = target.BitCount();
    std::vector<uint8_t> scratch;
    auto blockRect = [&](int64_t k) {
      const int64_t left = k % columns * bw, top = k / columns * bh;
      return TRect{int32_t(left), int32_t(top), int32_t(std::min(width, left + bw)), int32_t(std::min(height, top + bh))};
    };
    for (int64_t k = 0; k < count; ++k) {
      const int32_t a = LE32(&entries[size_t(k) * 8]), b = LE32(&entries[size_t(k) * 8 + 4]);
      const TRect r = blockRect(k);
      if (a == -1) {
        const size_t rowBytes = size_t((r.Width() * int64_t{bits} + 7) / 8);
        for (int y = r.Top; y < r.Bottom; ++y) {
          if (bits >= 8) {
            plain.Read(rows[y] + size_t(r.Left) * (bits / 8), rowBytes);
          } else {
            scratch.resize(rowBytes);
            plain.Read(scratch.data(), rowBytes);
            uint8_t* out = rows[y];
            for (int i = 0; i < r.Width(); ++i) StoreRowPixel(out, r.Left + i, bits, LoadRowPixel(scratch.data(), i, bits));
          }
        }
      } else if (a == -2) {
        // An earlier block of this picture, at its own place.
        if (b < 0 || b >= k) throw EReadError("Block refers forward");
        const TRect from = blockRect(b);
        const TRect source = Bounds(from.Left, from.Top, r.Width(), r.Height());
        if (source.Right > width || source.Bottom > height) throw EReadError("Block outside the picture");
        CopyPixels(rows, r.Left, r.Top, rows, source, bits);
      } else if (a >= 0) {
        // The same place in layer b of an earlier frame.
        if (a >= frameIndex) throw EReadError("Block refers to a frame not read");
        TVaskFrame& frame = list_.GetFrame(a);
        if (b < 0 || b >= static_cast<int32_t>(frame.Layers.size())) throw EReadError("Block refers to a missing layer");
        TDIBSurface& layer = frame.Layers[size_t(b)]->Surface;
        TDIB* from = mask ? layer.Alpha() : static_cast<TDIB*>(&layer);
        if (!from || ReportedDepth(*from) != ReportedDepth(target) || r.Right > from->GetWidth() ||
            r.Bottom > from->GetHeight())
          throw EReadError("Block does not fit its source");
        CopyPixels(rows, r.Left, r.Top, RowsOf(*from, false), r, bits);
      } else {
        throw EReadError("Unknown block entry");
      }
    }
  }

  // Layer 0 with a mask it is told to use gives the frame its mask.
  void TakeMask(TVaskFrame& frame, TVaskLayer& layer, int index) {
    if (index != 0 || !layer.Surface.Alpha() || !layer.UseMask) return;
    Claim(frame.Surface.GetWidth(), frame.Surface.GetHeight(), 8);
    frame.Surface.SetAlphaFromDIB(*layer.Surface.Alpha());
  }

  // Whether the layer is copied over the whole picture as it is.
  bool CopiedWhole(const TVaskLayer& layer, int index, bool first) const {
    const bool masked = layer.Surface.Alpha() && layer.UseMask;
    return (!masked || index == 0) && (layer.TransparentValue == -1 || (first && list_.FirstLayerOpaque)) &&
           layer.Opacity >= 255;
  }

  void Compose(TVaskFrame& frame, TVaskLayer& layer, int index, bool first) {
    TDIBSurface& picture = frame.Surface;
    TDIBSurface& l = layer.Surface;
    TakeMask(frame, layer, index);
    if (l.Alpha() && layer.UseMask && index > 0)
      picture.DrawMask(0, 0, l, l.GetBounds(), 255);
    else if (CopiedWhole(layer, index, first))
      picture.Draw(0, 0, l);
    else
      picture.DrawAlpha(0, 0, l, l.GetBounds(), layer.TransparentValue, layer.Opacity);
  }

  void FinishFrame(TVaskFrame& frame) {
    TDIBSurface& picture = frame.Surface;
    if (!frame.HasMask() && frame.TransparentColor != -1) {
      Claim(picture.GetWidth(), picture.GetHeight(), 8);
      frame.BuildMask();
    }
    if ((frame.HasMask() || frame.TransparentColor == -1) && list_.TargetBitCount >= 1) {
      Claim(picture.GetWidth(), picture.GetHeight(), list_.TargetBitCount);
      picture.ChangeBitCount(list_.TargetBitCount, 0, true);
    } else if (picture.GetBitCount() <= 8) {
      Claim(picture.GetWidth(), picture.GetHeight(), 24);
      // The key is found again as the 24-bit value of its first pixel.
      int keyX = -1, keyY = -1;
      if (frame.TransparentValue != -1) {
        for (int y = 0; y < picture.GetHeight() && keyX < 0; ++y) {
          const uint8_t* row = picture.ScanLineReadOnly(y);
          for (int x = 0; x < picture.GetWidth(); ++x)
            if (LoadRowPixel(row, x, picture.BitCount()) == uint32_t(frame.TransparentValue)) {
              keyX = x, keyY = y;
              break;
            }
        }
      }
      picture.PixelFormat = Layout888();
      picture.SetBitCount(24);
      frame.TransparentValue = keyX >= 0 ? static_cast<int32_t>(picture.GetPixel(keyX, keyY)) : -1;
    }
  }

  TVaskFrameList& list_;
  TStream& stream_;
  int version_ = 0;  // the header's own version, which the frame and layer fields follow
  int mode_ = TVaskFrameList::ModeRaw;
  int32_t blockWidth_ = 0, blockHeight_ = 0;
  int64_t decoded_ = 0;
};

void TVaskFrameList::LoadFromStream(TStream& stream, bool firstOnly) { TVaskReader(*this, stream).Read(firstOnly); }

}  // namespace orva
