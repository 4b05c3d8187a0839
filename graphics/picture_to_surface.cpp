#include "graphics/picture_to_surface.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "graphics/custom_dibx.h"
#include "graphics/dib.h"
#include "graphics/pixel_rows.h"

namespace orva {

namespace {

// Packs 0x00RRGGBB colours into a raw value through the surface's channel masks.
class ChannelPacker {
 public:
  explicit ChannelPacker(TCustomDIBX& s) {
    const uint32_t masks[3] = {s.GetRedMask(), s.GetGreenMask(), s.GetBlueMask()};
    for (int c = 0; c < 3; ++c) {
      shift_[c] = masks[c] ? std::countr_zero(masks[c]) : 0;
      drop_[c] = 8 - std::min(8, std::popcount(masks[c]));
      mask_[c] = masks[c];
    }
  }
  uint32_t Pack(uint32_t color) const {
    uint32_t v = 0;
    for (int c = 0; c < 3; ++c) v |= (((color >> (16 - 8 * c)) & 0xFF) >> drop_[c] << shift_[c]) & mask_[c];
    return v;
  }

 private:
  int shift_[3], drop_[3];
  uint32_t mask_[3];
};

// Runs convert(out, in, width) over the rows; a surface without direct access gets each
// converted row through SetPixel.
template <class Convert>
void EachRow(TDIB& picture, TCustomDIBX& surface, Convert convert) {
  const int w = picture.GetWidth(), h = picture.GetHeight(), bits = surface.GetStorageBitCount();
  uint8_t* top = surface.Lock(0, 0);
  const int64_t step = surface.GetRowStep();
  std::vector<uint8_t> scratch(top ? 0 : size_t(DIBRowLength(w, bits)));
  for (int y = 0; y < h; ++y) {
    uint8_t* out = top ? top + y * step : scratch.data();
    convert(out, picture.ScanLineReadOnly(y), w);
    if (!top)
      for (int x = 0; x < w; ++x) surface.SetPixel(x, y, LoadRowPixel(out, x, bits));
  }
  if (top) surface.Unlock();
}

}  // namespace

void CopyPictureToSurface(TDIB& picture, TCustomDIBX& surface) {
  surface.SetSize(picture.GetWidth(), picture.GetHeight(), surface.GetBitCount());
  if (picture.GetEmpty() || surface.IsEmpty()) return;
  const int bits = surface.GetStorageBitCount(), from = picture.BitCount();
  picture.BitsReadOnly();  // decodes RLE data
  const TDIBSharedImage& image = picture.Image();
  const PixelLayout& layout = image.Layout();
  auto copy = [&](uint8_t* out, const uint8_t* in, int w) {
    std::memcpy(out, in, size_t(std::min(DIBRowLength(w, bits), picture.WidthBytes())));
  };

  if (bits <= 8) {
    if (from == bits) {
      // Index pictures of equal bits keep their indices and bring their colour table.
      surface.SetPalette(image.ColorTable().data());
      EachRow(picture, surface, copy);
      return;
    }
    TRGBQuad palette[256];
    surface.GetPalette(palette);
    std::unordered_map<uint32_t, uint32_t> nearest;
    EachRow(picture, surface, [&](uint8_t* out, const uint8_t* in, int w) {
      for (int x = 0; x < w; ++x) {
        const uint32_t c = DIBPixelColor(image, in, x);
        auto it = nearest.find(c);
        if (it == nearest.end())
          it = nearest.emplace(c, NearestColorIndex(palette, 1 << bits, c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF)).first;
        StoreRowPixel(out, x, bits, it->second);
      }
    });
    return;
  }

  const ChannelPacker packer(surface);
  if (from == bits && (from == 24 || (layout.RedMask == surface.GetRedMask() && layout.GreenMask == surface.GetGreenMask() &&
                                      layout.BlueMask == surface.GetBlueMask()))) {
    EachRow(picture, surface, copy);
  } else if (from == 24 && bits == 32) {
    EachRow(picture, surface, [](uint8_t* out, const uint8_t* in, int w) {
      for (int x = 0; x < w; ++x) {
        const uint32_t v = uint32_t{in[3 * x]} | uint32_t{in[3 * x + 1]} << 8 | uint32_t{in[3 * x + 2]} << 16;
        std::memcpy(out + 4 * x, &v, 4);
      }
    });
  } else if (from <= 8) {
    std::vector<uint32_t> table(size_t(1) << from);
    for (size_t i = 0; i < table.size(); ++i) {
      const TRGBQuad& q = image.ColorTable()[i];
      table[i] = packer.Pack(uint32_t{q.rgbRed} << 16 | uint32_t{q.rgbGreen} << 8 | q.rgbBlue);
    }
    EachRow(picture, surface, [&](uint8_t* out, const uint8_t* in, int w) {
      for (int x = 0; x < w; ++x) StoreRowPixel(out, x, bits, table[LoadRowPixel(in, x, from)]);
    });
  } else {
    EachRow(picture, surface, [&](uint8_t* out, const uint8_t* in, int w) {
      for (int x = 0; x < w; ++x) StoreRowPixel(out, x, bits, packer.Pack(DIBPixelColor(image, in, x)));
    });
  }
}

void CopyXRGBToSurface(const uint32_t* pixels, int width, int height, int64_t pitch, TCustomDIBX& surface) {
  const int w = std::min(width, surface.GetWidth()), h = std::min(height, surface.GetHeight());
  if (!pixels || w <= 0 || h <= 0) return;
  const int bits = surface.GetStorageBitCount();
  uint8_t* top = surface.Lock(0, 0);
  if (!top || (bits != 15 && bits != 16 && bits != 32)) {
    if (top) surface.Unlock();
    const ChannelPacker packer(surface);
    for (int y = 0; y < h; ++y) {
      const uint32_t* in = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(pixels) + y * pitch);
      for (int x = 0; x < w; ++x) surface.SetPixel(x, y, packer.Pack(in[x]));
    }
    return;
  }
  const int64_t step = surface.GetRowStep();
  const uint32_t r = surface.GetRedMask(), g = surface.GetGreenMask(), b = surface.GetBlueMask();
  const ChannelPacker packer(surface);
  for (int y = 0; y < h; ++y) {
    const uint32_t* in = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(pixels) + y * pitch);
    uint8_t* out = top + y * step;
    if (bits == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF) {
      std::memcpy(out, in, size_t(w) * 4);
    } else if (bits == 16 && r == 0xF800 && g == 0x07E0 && b == 0x001F) {
      for (int x = 0; x < w; ++x) {
        const uint32_t c = in[x];
        const auto v = static_cast<uint16_t>((c >> 8 & 0xF800) | (c >> 5 & 0x07E0) | (c >> 3 & 0x001F));
        std::memcpy(out + 2 * x, &v, 2);
      }
    } else if (bits == 16 && r == 0x7C00 && g == 0x03E0 && b == 0x001F) {
      for (int x = 0; x < w; ++x) {
        const uint32_t c = in[x];
        const auto v = static_cast<uint16_t>((c >> 9 & 0x7C00) | (c >> 6 & 0x03E0) | (c >> 3 & 0x001F));
        std::memcpy(out + 2 * x, &v, 2);
      }
    } else {
      for (int x = 0; x < w; ++x) StoreRowPixel(out, x, bits == 15 ? 16 : bits, packer.Pack(in[x]));
    }
  }
  surface.Unlock();
}

}  // namespace orva
