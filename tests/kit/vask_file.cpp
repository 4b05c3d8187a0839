#include "kit/vask_file.h"

#include <algorithm>

#include "core/compression.h"
#include "core/stream.h"
#include "graphics/pixel_rows.h"
#include "kit/stored_bytes.h"

namespace orva::kit {

namespace {

std::string Zlib(const std::string& bytes) {
  TMemoryStream s(bytes);
  CompressStream(s);
  return std::string(s.View());
}

std::string Data(const std::optional<std::string>& stored, const std::string& plain, bool compress) {
  if (stored) return Int(static_cast<int32_t>(stored->size())) + *stored;
  const std::string bytes = compress ? Zlib(plain) : plain;
  return Int(static_cast<int32_t>(bytes.size())) + bytes;
}

std::string PackedRows(int32_t bits, const std::vector<std::vector<uint32_t>>& rows, bool pad) {
  const int storage = bits == 15 ? 16 : bits;
  std::string out;
  for (const auto& row : rows) {
    const size_t width = row.size();
    size_t bytes = (width * storage + 7) / 8;
    if (pad) bytes = (width * storage + 31) / 32 * 4;
    std::string line(bytes, '\0');
    for (size_t x = 0; x < width; ++x)
      StoreRowPixel(reinterpret_cast<uint8_t*>(line.data()), static_cast<int>(x), storage, row[x]);
    out += line;
  }
  return out;
}

}  // namespace

VaskFrame VaskFrame::Of(int32_t width, int32_t height, int32_t bits, const std::vector<std::vector<uint32_t>>& rows) {
  VaskFrame frame;
  frame.Width = width;
  frame.Height = height;
  frame.Bits = bits;
  VaskLayer layer;
  layer.Pixels = VaskRows(bits, rows);
  frame.Layers.push_back(layer);
  return frame;
}

std::string VaskRows(int32_t bits, const std::vector<std::vector<uint32_t>>& rows) {
  return PackedRows(bits, rows, true);
}

std::string VaskBlockRows(int32_t bits, const std::vector<std::vector<uint32_t>>& rows) {
  return PackedRows(bits, rows, false);
}

std::string VaskBlocks(const std::vector<VaskBlock>& entries, const std::string& literals) {
  std::string out;
  for (const VaskBlock& e : entries) out += Int(e.A) + Int(e.B);
  return out + literals;
}

std::string SoftBallVask(int32_t size) {
  const int32_t c = size / 2, inner = (c - 2) * (c - 2);
  const size_t n = static_cast<size_t>(size);
  std::vector<std::vector<uint32_t>> pixels(n, std::vector<uint32_t>(n)), mask = pixels;
  for (int32_t y = 0; y < size; ++y)
    for (int32_t x = 0; x < size; ++x) {
      const int32_t d = (x - c) * (x - c) + (y - c) * (y - c);
      pixels[size_t(y)][size_t(x)] = 0xE0F0FFu - uint32_t(d) * 0x010101u;
      mask[size_t(y)][size_t(x)] = d < inner ? 255u : d < c * c ? uint32_t(255 - (d - inner) * 8) : 0u;
    }
  VaskFile file;
  file.Frames.push_back(VaskFrame::Of(size, size, 24, pixels));
  file.Frames[0].Layers[0].Mask = VaskRows(8, mask);
  file.Frames[0].Layers[0].UseMask = true;
  return MakeVask(file);
}

std::string MakeVaskFrames(std::vector<VaskFrame> frames) {
  VaskFile file;
  file.Frames = std::move(frames);
  return MakeVask(file);
}

std::string MakeVask(const VaskFile& file) {
  std::string out;
  const int32_t frameCount = file.FrameCount.value_or(static_cast<int32_t>(file.Frames.size()));
  const int version = file.Version;
  if (file.Tag) {
    out += *file.Tag;
  } else if (version > 0) {
    std::string digits = std::to_string(version);
    out += "Vask" + std::string(3 - std::min<size_t>(3, digits.size()), '0') + digits;
  }
  const int dataVersion = version >= 103 ? file.HeaderVersion.value_or(version) : version;
  if (version < 103) {
    out += Int(frameCount);
    out.push_back('\0');
    if (version >= 102) out += Int(file.Background);
  } else {
    std::string header(40, '\0');
    auto put = [&](size_t at, int32_t v) { header.replace(at, 4, Int(v)); };
    put(0, dataVersion);
    put(4, file.HeaderWidth);
    put(8, file.HeaderHeight);
    put(12, file.HeaderBits);
    put(16, frameCount);
    header[22] = static_cast<char>(file.Mode);
    put(24, file.Background);
    put(28, file.BlockWidth);
    put(32, file.BlockHeight);
    header[36] = file.FirstLayerOpaque ? 1 : 0;
    header[37] = static_cast<char>(file.Quality);
    header.resize(size_t(std::max(file.HeaderSize, 0)), '\0');
    out += Int(file.HeaderSize) + header;
  }
  // Before 103 there is no data mode: the data are raw.
  const int mode = version >= 103 ? file.Mode : 1;
  const bool zlibPixels = mode == 0, zlibMask = mode != 1;
  for (const VaskFrame& f : file.Frames) {
    out += Str(f.Name) + Int(f.TransparentValue) + Int(f.Delay);
    out.push_back('\x02');
    out += Int(0) + Int(f.LayerCount.value_or(static_cast<int32_t>(f.Layers.size()))) + Int(f.Width) + Int(f.Height) + Int(f.Bits);
    if (f.Bits <= 8) {
      for (int i = 0; i < (1 << f.Bits); ++i) {
        const uint32_t c = i < static_cast<int>(f.Table.size()) ? f.Table[size_t(i)] : 0;
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>((c >> 8) & 0xFF));
        out.push_back(static_cast<char>((c >> 16) & 0xFF));
        out.push_back('\0');
      }
    }
    for (const VaskLayer& l : f.Layers) {
      out += Int(0) + Int(0);
      out.push_back(l.Visible ? 1 : 0);
      out += Int(l.TransparentValue) + Int(l.Opacity);
      if (dataVersion >= 101) out.push_back(l.UseMask ? 1 : 0);
      out += Str(l.Name);
      out += Data(l.StoredPixels, l.Pixels, zlibPixels);
      if (dataVersion >= 100) out += l.Mask.empty() && !l.StoredMask ? Int(0) : Data(l.StoredMask, l.Mask, zlibMask);
    }
    if (dataVersion >= 104) {
      for (const auto* list : {&f.Rects, &f.Rects2}) {
        out += Int(static_cast<int32_t>(list->size()));
        for (const TRect& r : *list) out += Int(r.Left) + Int(r.Top) + Int(r.Right) + Int(r.Bottom);
      }
    }
  }
  return out;
}

}  // namespace orva::kit
