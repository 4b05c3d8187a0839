// The frames of a layered image, the picture imports and the writer.
#include "graphics/vask_frame_list.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "core/big_stream.h"
#include "core/compression.h"
#include "core/game_path.h"
#include "core/lists.h"
#include "core/paths.h"
#include "core/stream.h"
#include "graphics/custom_dibx.h"
#include "graphics/jpeg_codec.h"
#include "graphics/picture_to_surface.h"
#include "graphics/pixel_rows.h"
#include "graphics/png_reader.h"

namespace orva {

// ---- Frames ----

void TVaskFrame::SetTransparentValue(int32_t value) {
  TransparentValue = value;
  TransparentColor = -1;
  if (value == -1 || Surface.GetEmpty()) return;
  const int bits = Surface.BitCount();
  uint32_t r, g, b;
  if (bits <= 8) {
    if (value < 0 || value >= (1 << bits)) return;
    const TRGBQuad& q = Surface.ColorTable[size_t(value)];
    r = q.rgbRed, g = q.rgbGreen, b = q.rgbBlue;
  } else if (bits == 24) {
    const uint32_t v = static_cast<uint32_t>(value);
    r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
  } else {
    DIBPixelToRGB(Surface.Layout(), static_cast<uint32_t>(value), r, g, b);
  }
  TransparentColor = static_cast<int32_t>(r | g << 8 | b << 16);
}

void TVaskFrame::BuildMask() {
  if (HasMask()) return;
  Surface.EnsureAlpha();
  Surface.FillAlphaOpaque();
  if (TransparentValue == -1 || Surface.GetEmpty()) return;
  const int bits = Surface.BitCount();
  const uint32_t key = static_cast<uint32_t>(TransparentValue);
  TDIBSurface& alpha = *Surface.Alpha();
  for (int y = 0; y < Surface.GetHeight(); ++y) {
    const uint8_t* row = Surface.ScanLineReadOnly(y);
    uint8_t* a = alpha.ScanLine(y);
    for (int x = 0; x < Surface.GetWidth(); ++x)
      if (LoadRowPixel(row, x, bits) == key) a[x] = 0;
  }
}

void TVaskFrame::CopyToSurface(TCustomDIBX& dest) {
  CopyPictureToSurface(Surface, dest);
  dest.Rects = Rects;
  dest.Rects2 = Rects2;
}

void TVaskFrame::CopyMaskToSurface(TCustomDIBX& dest) {
  if (!HasMask()) return;
  dest.SetSize(Surface.GetWidth(), Surface.GetHeight(), 8);
  CopyPictureToSurface(*Surface.Alpha(), dest);
}

void TVaskFrame::CopyMaskToDIB(TDIB& dest) {
  if (!HasMask()) return;
  TDIBSurface& alpha = *Surface.Alpha();
  dest.PixelFormat = Layout888();
  dest.SetSize(alpha.GetWidth(), alpha.GetHeight(), 8);
  for (int i = 0; i < 256; ++i) dest.ColorTable[i] = MakeRGBQuad(i, i, i);
  dest.ApplyColorTable();
  for (int y = 0; y < alpha.GetHeight(); ++y)
    std::memcpy(dest.ScanLine(y), alpha.ScanLineReadOnly(y), size_t(alpha.GetWidth()));
}

TRect TVaskFrame::TrimBounds() {
  TRect bounds;
  if (HasMask())
    bounds = Surface.Alpha()->GetOpaqueBounds(0);
  else if (TransparentValue != -1)
    bounds = Surface.GetOpaqueBounds(TransparentValue);
  else
    return Surface.GetBounds();
  if (bounds == Surface.GetBounds()) return bounds;
  auto cut = [&](std::vector<TRect>& rects) {
    std::vector<TRect> kept;
    for (const TRect& r : rects) {
      const TRect part = IntersectRectOf(r, bounds);
      if (part.IsEmpty()) continue;
      kept.push_back({part.Left - bounds.Left, part.Top - bounds.Top, part.Right - bounds.Left, part.Bottom - bounds.Top});
    }
    rects = std::move(kept);
  };
  cut(Rects);
  cut(Rects2);
  return bounds;
}

// ---- The list ----

TVaskFrame& TVaskFrameList::Add() {
  frames_.push_back(std::make_unique<TVaskFrame>(this));
  return *frames_.back();
}

TVaskFrame& TVaskFrameList::GetFrame(int index) {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return *frames_[size_t(index)];
}

void TVaskFrameList::BuildMasks() {
  for (auto& frame : frames_) frame->BuildMask();
}

namespace {
std::string LowerExtension(std::string_view name) {
  std::string ext = ExtractFileExt(name);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}
}  // namespace

void TVaskFrameList::LoadFromFile(std::string_view fileName, bool firstOnly) {
  const std::string ext = LowerExtension(fileName);
  if (ext != ".vsk" && ext != ".png" && ext != ".bmp" && ext != ".dib") return;
  TFileStream file(OsPath(fileName), TFileStream::fmOpenRead);
  LoadFromNamedStream(file, fileName, firstOnly);
}

void TVaskFrameList::LoadFromNamedStream(TStream& stream, std::string_view fileName, bool firstOnly) {
  const std::string ext = LowerExtension(fileName);
  if (ext == ".png")
    ImportPng(stream);
  else if (ext == ".bmp" || ext == ".dib")
    ImportBmp(stream);
  else
    LoadFromStream(stream, firstOnly);
}

void TVaskFrameList::ImportPng(TStream& stream) {
  Clear();
  TVaskFrame& frame = Add();
  try {
    frame.SetTransparentValue(ReadPng(stream, frame.Surface));
  } catch (...) {
    Clear();
    throw;
  }
}

void TVaskFrameList::ImportBmp(TStream& stream) {
  Clear();
  TVaskFrame& frame = Add();
  TDIBSurface& picture = frame.Surface;
  try {
    picture.LoadFromStream(stream);
  } catch (...) {
    Clear();
    throw;
  }
  if (picture.GetEmpty()) {
    Clear();
    return;
  }
  picture.Decompress();
  const int bits = picture.BitCount();
  if (bits == 32 && picture.Layout() == Layout888()) {
    // The fourth byte is the alpha; a picture whose fourth bytes are all 0 has none.
    bool any = false;
    for (int y = 0; y < picture.GetHeight() && !any; ++y) {
      const uint8_t* row = picture.ScanLineReadOnly(y);
      for (int x = 0; x < picture.GetWidth() && !any; ++x) any = row[4 * x + 3] != 0;
    }
    if (any) {
      picture.EnsureAlpha();
      TDIBSurface& alpha = *picture.Alpha();
      for (int y = 0; y < picture.GetHeight(); ++y) {
        const uint8_t* row = picture.ScanLineReadOnly(y);
        uint8_t* a = alpha.ScanLine(y);
        for (int x = 0; x < picture.GetWidth(); ++x) a[x] = row[4 * x + 3];
      }
    }
  }
  // 32 bits, and bit fields other than the two 16-bit layouts, become 24 bits.
  const bool standard16 = bits == 16 && (picture.Layout() == Layout555() || picture.Layout() == Layout565());
  if (bits > 8 && bits != 24 && !standard16) {
    picture.PixelFormat = Layout888();
    picture.SetBitCount(24);
  }
}

// ---- Writing ----

namespace {

void PutLE32(uint8_t* p, int32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

// int32 size, then the bytes: the rows of the bitmap top first, zlib-compressed unless raw.
void WriteRows(TStream& stream, TDIB& dib, bool raw) {
  TMemoryStream rows;
  const int64_t rowBytes = dib.WidthBytes();
  for (int y = 0; y < dib.GetHeight(); ++y) rows.WriteBuffer(dib.ScanLineReadOnly(y), rowBytes);
  if (!raw) CompressStream(rows);
  WriteStreamInt(stream, static_cast<int32_t>(rows.GetSize()));
  stream.WriteBuffer(rows.Memory(), rows.GetSize());
}

}  // namespace

void TVaskFrameList::SaveToStream(TStream& stream, int mode) {
  stream.WriteBuffer("Vask106", 7);
  WriteStreamInt(stream, HeaderSize);
  uint8_t header[HeaderSize] = {};
  PutLE32(header, WriteVersion);
  if (!frames_.empty()) {
    TDIBSurface& first = frames_[0]->Surface;
    PutLE32(header + 4, first.GetWidth());
    PutLE32(header + 8, first.GetHeight());
    PutLE32(header + 12, first.GetBitCount());
  }
  PutLE32(header + 16, Count());
  header[22] = static_cast<uint8_t>(mode);
  PutLE32(header + 24, BackgroundColor);
  header[36] = FirstLayerOpaque ? 1 : 0;
  header[37] = JpegQuality;
  stream.WriteBuffer(header, HeaderSize);

  for (int i = 0; i < Count(); ++i) {
    TVaskFrame& frame = *frames_[size_t(i)];
    TDIBSurface& picture = frame.Surface;
    const int bits = picture.GetBitCount();
    WriteStreamString(stream, "Frame" + std::to_string(i + 1));
    WriteStreamInt(stream, frame.TransparentColor);
    WriteStreamInt(stream, frame.Delay);
    WriteStreamByte(stream, 2);
    WriteStreamInt(stream, 0);
    WriteStreamInt(stream, 1);
    WriteStreamInt(stream, picture.GetWidth());
    WriteStreamInt(stream, picture.GetHeight());
    WriteStreamInt(stream, bits);
    if (bits <= 8) {
      for (int k = 0; k < (1 << bits); ++k) {
        const TRGBQuad& q = picture.ColorTable[size_t(k)];
        const uint8_t entry[4] = {q.rgbBlue, q.rgbGreen, q.rgbRed, q.rgbReserved};
        stream.WriteBuffer(entry, 4);
      }
    }
    // One layer with the composed picture.
    WriteStreamInt(stream, 0);
    WriteStreamInt(stream, 0);
    WriteStreamByte(stream, 1);
    WriteStreamInt(stream, -1);
    WriteStreamInt(stream, 255);
    WriteStreamByte(stream, frame.HasMask() ? 1 : 0);
    WriteStreamString(stream, "Layer");
    if (mode == ModeJpeg) {
      TDIBSurface colours;
      colours.AssignDIB(picture);
      if (colours.BitCount() != 24) {
        colours.PixelFormat = Layout888();
        colours.SetBitCount(24);
      }
      const std::vector<uint8_t> jpeg = EncodeJpeg(colours, JpegQuality);
      WriteStreamInt(stream, static_cast<int32_t>(jpeg.size()));
      stream.WriteBuffer(jpeg.data(), static_cast<int64_t>(jpeg.size()));
    } else {
      WriteRows(stream, picture, mode == ModeRaw);
    }
    if (frame.HasMask())
      WriteRows(stream, *picture.Alpha(), mode == ModeRaw);
    else
      WriteStreamInt(stream, 0);
    WriteStreamInt(stream, 0);  // Rects
    WriteStreamInt(stream, 0);  // Rects2
  }
}

void TVaskFrameList::SaveToFile(std::string_view fileName) {
  TMemoryStream bytes;
  SaveToStream(bytes, ModeZlib);
  TWzBigFileStream file(fileName, TWzBigFileStream::fmCreate);
  file.WriteBuffer(bytes.Memory(), bytes.GetSize());
  file.Commit();
}

}  // namespace orva
