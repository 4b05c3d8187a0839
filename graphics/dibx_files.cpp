// Surface files: BMP, PNG and layered-image input and 24-bit BMP output of TCustomDIBX.
#include <bit>
#include <cctype>
#include <cstring>

#include "core/big_stream.h"
#include "core/game_path.h"
#include "core/paths.h"
#include "core/stream.h"
#include "graphics/custom_dibx.h"
#include "graphics/dib_surface.h"
#include "graphics/picture_to_surface.h"
#include "graphics/pixel_rows.h"
#include "graphics/png_reader.h"
#include "graphics/vask_frame_list.h"

namespace orva {

namespace {

bool HasBmpExtension(std::string_view name) {
  std::string ext = ExtractFileExt(name);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".bmp";
}

// Compares the bytes at an offset from the stream's start.
bool SignatureAt(TStream& stream, int64_t offset, std::string_view signature) {
  char bytes[8];
  stream.Seek(offset, TSeekOrigin::soBeginning);
  return stream.Read(bytes, int64_t(signature.size())) == int64_t(signature.size()) &&
         std::memcmp(bytes, signature.data(), signature.size()) == 0;
}

// 0x00RRGGBB of a raw value, each field widened by repeating its high bits.
class ChannelReader {
 public:
  explicit ChannelReader(TCustomDIBX& s) {
    const uint32_t masks[3] = {s.GetRedMask(), s.GetGreenMask(), s.GetBlueMask()};
    for (int c = 0; c < 3; ++c) {
      mask_[c] = masks[c];
      shift_[c] = masks[c] ? std::countr_zero(masks[c]) : 0;
      width_[c] = std::popcount(masks[c]);
    }
  }
  uint32_t Color(uint32_t raw) const {
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
      if (width_[c] == 0) continue;
      const uint32_t v = (raw & mask_[c]) >> shift_[c];
      uint32_t byte = width_[c] >= 8 ? v >> (width_[c] - 8) : v << (8 - width_[c]);
      if (width_[c] < 8) byte |= byte >> width_[c];
      out |= (byte & 0xFF) << (16 - 8 * c);
    }
    return out;
  }

 private:
  uint32_t mask_[3];
  int shift_[3], width_[3];
};

}  // namespace

void TCustomDIBX::LoadFromFile(std::string_view fileName) {
  if (!GameFileExists(fileName) || !HasBmpExtension(fileName)) return;
  TDIB picture;
  picture.LoadFromFile(OsPath(fileName));
  if (!picture.GetEmpty()) CopyPictureToSurface(picture, *this);
}

void TCustomDIBX::LoadFromStream(TStream* stream) {
  if (!stream) return;
  if (SignatureAt(*stream, 0, "BM")) {
    stream->Seek(0, TSeekOrigin::soBeginning);
    TDIB picture;
    picture.LoadFromStream(*stream);
    if (!picture.GetEmpty()) CopyPictureToSurface(picture, *this);
  } else if (SignatureAt(*stream, 1, "PNG")) {
    stream->Seek(0, TSeekOrigin::soBeginning);
    TDIBSurface picture;
    ReadPng(*stream, picture);
    if (!picture.GetEmpty()) CopyPictureToSurface(picture, *this);
  } else if (SignatureAt(*stream, 0, "Vask")) {
    stream->Seek(0, TSeekOrigin::soBeginning);
    TVaskFrameList list;
    list.LoadFromStream(*stream, true);
    if (list.Count() > 0) CopyPictureToSurface(list.GetFrame(0).Surface, *this);
  }
}

void TCustomDIBX::SaveToFile(std::string_view fileName) {
  if (!HasBmpExtension(fileName) || IsEmpty()) return;
  const int w = GetWidth(), h = GetHeight(), bits = GetStorageBitCount();
  TDIB picture;
  picture.PixelFormat = Layout888();
  picture.SetSize(w, h, 24);
  TRGBQuad palette[256] = {};
  if (bits <= 8) GetPalette(palette);
  const ChannelReader channels(*this);
  uint8_t* top = Lock(0, 0);
  const int64_t step = GetRowStep();
  for (int y = 0; y < h; ++y) {
    uint8_t* out = picture.ScanLine(y);
    const uint8_t* in = top ? top + y * step : nullptr;
    for (int x = 0; x < w; ++x) {
      const uint32_t raw = in ? LoadRowPixel(in, x, bits) : GetPixel(x, y);
      uint32_t color;
      if (bits <= 8) {
        const TRGBQuad& q = palette[raw & 0xFF];
        color = uint32_t{q.rgbRed} << 16 | uint32_t{q.rgbGreen} << 8 | q.rgbBlue;
      } else {
        color = channels.Color(raw);
      }
      StoreRowPixel(out, x, 24, color);
    }
  }
  if (top) Unlock();
  TMemoryStream bytes;
  picture.SaveToStream(bytes);
  TWzBigFileStream file(fileName, TWzBigFileStream::fmCreate);
  file.WriteBuffer(bytes.Memory(), bytes.GetSize());
  file.Commit();
}

}  // namespace orva
