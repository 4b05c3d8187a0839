#include "graphics/fast_dib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "graphics/graphic_exceptions.h"
#include "graphics/pixel_rows.h"

namespace orva {

void TFastDIB::SetSize(int width, int height, int bits, int format) {
  height = std::abs(height);
  if (bits == bits_ && width == width_ && height == height_ && format == format_ && top_ == pixels_.data()) return;
  Geometry(width, height, bits, format);
  pixels_.assign(size_t(rowLength_) * height_, 0);
  top_ = pixels_.data();
  step_ = rowLength_;
}

void TFastDIB::View(uint8_t* topRow, int64_t rowStep, int width, int height, int bits, int format) {
  Geometry(width, std::abs(height), bits, format);
  pixels_.clear();
  top_ = topRow;
  step_ = rowStep;
}

void TFastDIB::Geometry(int width, int height, int bits, int format) {
  switch (bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: RaiseInvalidBitCount(bits);
  }
  const int64_t rowLength = ((int64_t{bits} * width + 31) & ~int64_t{31}) >> 3;
  if (width < 0 || DIBPixelBytes(rowLength, height) < 0) RaiseCannotCreate("DIB");
  width_ = width;
  height_ = height;
  bits_ = bits;
  format_ = format;
  rowLength_ = static_cast<int>(rowLength);
  gap_ = bits >= 8 ? rowLength_ - width * (bits / 8) : rowLength_ - width / (8 / bits);
  masks_[0] = masks_[1] = masks_[2] = 0;
  if (bits == 16 || bits == 32) {
    const int r = RedWidth(), g = GreenWidth(), b = BlueWidth();
    const uint64_t all = (uint64_t{1} << bits) - 1;
    masks_[2] = static_cast<uint32_t>(all >> (bits - b));
    masks_[1] = static_cast<uint32_t>(all >> (bits - b - g)) & ~masks_[2];
    masks_[0] = static_cast<uint32_t>(all >> (bits - b - g - r)) & ~(masks_[2] | masks_[1]);
  }
}

uint32_t TFastDIB::GetPixel(int row, int column) const {
  return bits_ <= 8 ? LoadRowPixel(Row(row), column, bits_) : 0;
}

void TFastDIB::SetPixel(int row, int column, uint32_t index) {
  if (bits_ <= 8) StoreRowPixel(Row(row), column, bits_, index);
}

namespace {

struct Widths {
  int r, g, b;
};

// A source row as 8-bit blue, green, red and a fourth byte per pixel.
void LoadRowBGRA(const TFastDIB& source, int y, uint8_t* out) {
  const uint8_t* in = source.Row(y);
  const int w = source.Width();
  switch (source.Bits()) {
    case 32: std::memcpy(out, in, size_t(w) * 4); break;
    case 24:
      for (int x = 0; x < w; ++x) out[4 * x] = in[3 * x], out[4 * x + 1] = in[3 * x + 1], out[4 * x + 2] = in[3 * x + 2], out[4 * x + 3] = 0;
      break;
    case 16: {
      const int b = source.BlueWidth(), g = source.GreenWidth(), r = source.RedWidth();
      for (int x = 0; x < w; ++x) {
        const uint32_t p = in[2 * x] | in[2 * x + 1] << 8;
        out[4 * x] = static_cast<uint8_t>((p & 0xFF) << (8 - b));
        out[4 * x + 1] = static_cast<uint8_t>(((p >> b) & 0xFF) << (8 - g));
        out[4 * x + 2] = static_cast<uint8_t>(((p >> (b + g)) & 0xFF) << (8 - r));
        out[4 * x + 3] = 0;
      }
      break;
    }
    default:
      for (int x = 0; x < w; ++x) std::memcpy(out + 4 * x, &source.Colors[LoadRowPixel(in, x, source.Bits())], 4);
  }
}

// Error diffusion of a 24 or 32-bit source into 5-5-5 or 5-6-5, serpentine, in sixteenths.
void DiffuseErrors(TFastDIB& target, const TFastDIB& source) {
  const int w = source.Width(), h = source.AbsHeight();
  struct Channel {
    int width, loss, shift, maxq, low, half;
  };
  Channel channels[3];
  const int widths[3] = {target.BlueWidth(), target.GreenWidth(), target.RedWidth()};
  const int shifts[3] = {0, target.BlueWidth(), target.BlueWidth() + target.GreenWidth()};
  for (int c = 0; c < 3; ++c)
    channels[c] = {widths[c], 8 - widths[c], shifts[c], (1 << widths[c]) - 1, (1 << (8 - widths[c])) - 1,
                   (1 << (7 - widths[c])) - 1};
  const int step = source.Bits() / 8;
  // Entry x + 1 holds pixel x; one spare entry at each end takes the errors that fall off.
  std::vector<int32_t> rows[2] = {std::vector<int32_t>(size_t(w + 2) * 3), std::vector<int32_t>(size_t(w + 2) * 3)};
  auto load = [&](std::vector<int32_t>& row, int y) {
    const uint8_t* in = source.Row(y);
    int32_t* out = row.data() + 3;
    for (int x = 0; x < w; ++x, in += step, out += 3) out[0] = in[0] * 16, out[1] = in[1] * 16, out[2] = in[2] * 16;
  };
  load(rows[0], 0);
  for (int y = 0; y < h; ++y) {
    int32_t* cur = rows[y & 1].data();
    int32_t* next = rows[(y + 1) & 1].data();
    if (y + 1 < h) load(rows[(y + 1) & 1], y + 1);
    const int dir = (y & 1) ? -3 : 3;
    uint16_t* out = reinterpret_cast<uint16_t*>(target.Row(y));
    int x = (y & 1) ? w - 1 : 0;
    const int dx = (y & 1) ? -1 : 1;
    for (int i = 0; i < w; ++i, x += dx) {
      const int e = (x + 1) * 3;
      uint32_t pixel = 0;
      for (int c = 0; c < 3; ++c) {
        const Channel& ch = channels[c];
        const int v = std::clamp(cur[e + c] / 16, 0, 255);
        int q = v >> ch.loss;
        q += ((v & ch.low) > ch.half) & (q < ch.maxq);
        pixel |= uint32_t(q) << ch.shift;
        const int err = v - (q << ch.loss);
        cur[e + dir + c] += 7 * err;
        next[e - dir + c] += 3 * err;
        next[e + c] += 5 * err;
        next[e + dir + c] += err;
      }
      out[x] = static_cast<uint16_t>(pixel);
    }
  }
}

}  // namespace

void QuantizeDIB(TFastDIB& target, const TFastDIB& source, bool dither, int colorCount) {
  const int w = std::min(target.Width(), source.Width()), h = std::min(target.AbsHeight(), source.AbsHeight());
  const int tb = target.Bits(), sb = source.Bits();
  if (tb == 32 && sb == 32) {
    for (int y = 0; y < h; ++y) std::memcpy(target.Row(y), source.Row(y), size_t(w) * 4);
    return;
  }
  if (tb == 16 && dither && (sb == 24 || sb == 32) && w == source.Width() && h == source.AbsHeight()) {
    DiffuseErrors(target, source);
    return;
  }
  std::vector<uint8_t> bgra(size_t(source.Width()) * 4);
  if (tb == 16) {
    // Narrowing tables, one per channel, built once per call.
    const int b = target.BlueWidth(), g = target.GreenWidth(), r = target.RedWidth();
    uint16_t blue[256], green[256], red[256];
    for (int c = 0; c < 256; ++c) {
      blue[c] = static_cast<uint16_t>(c >> (8 - b));
      green[c] = static_cast<uint16_t>((c >> (8 - g)) << b);
      red[c] = static_cast<uint16_t>((c >> (8 - r)) << (b + g));
    }
    for (int y = 0; y < h; ++y) {
      uint8_t* out = target.Row(y);
      if (sb == 24) {
        const uint8_t* in = source.Row(y);
        for (int x = 0; x < w; ++x) {
          const uint16_t p = blue[in[3 * x]] | green[in[3 * x + 1]] | red[in[3 * x + 2]];
          std::memcpy(out + 2 * x, &p, 2);
        }
        continue;
      }
      LoadRowBGRA(source, y, bgra.data());
      for (int x = 0; x < w; ++x) {
        const uint16_t p = blue[bgra[4 * x]] | green[bgra[4 * x + 1]] | red[bgra[4 * x + 2]];
        std::memcpy(out + 2 * x, &p, 2);
      }
    }
    return;
  }
  if (tb == 32 || tb == 24) {
    const int step = tb / 8;
    for (int y = 0; y < h; ++y) {
      LoadRowBGRA(source, y, bgra.data());
      uint8_t* out = target.Row(y);
      if (step == 4) {
        std::memcpy(out, bgra.data(), size_t(w) * 4);
      } else {
        for (int x = 0; x < w; ++x) out[3 * x] = bgra[4 * x], out[3 * x + 1] = bgra[4 * x + 1], out[3 * x + 2] = bgra[4 * x + 2];
      }
    }
    return;
  }
  // Targets of 1 to 8 bits: the fixed colour table of the depth, nearest colour per pixel.
  (void)colorCount;
  target.Colors = FixedColorTable(tb);
  const int count = 1 << tb;
  for (int y = 0; y < h; ++y) {
    LoadRowBGRA(source, y, bgra.data());
    for (int x = 0; x < w; ++x)
      target.SetPixel(y, x, NearestColorIndex(target.Colors.data(), count, bgra[4 * x + 2], bgra[4 * x + 1], bgra[4 * x]));
  }
}

}  // namespace orva
