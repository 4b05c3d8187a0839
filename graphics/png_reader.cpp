#include "graphics/png_reader.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/stream.h"
#include "graphics/dib_surface.h"
#include "graphics/graphic_exceptions.h"

namespace orva {

namespace {

// libpng reports errors by a long jump. Every function below that calls into libpng sets
// its jump point itself and holds only trivially destructible locals, so the jump never
// passes a C++ object; the callbacks copy the message and jump.
struct PngErrorText {
  char text[200] = {};
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<PngErrorText*>(png_get_error_ptr(png));
  std::snprintf(error->text, sizeof error->text, "%s", message ? message : "");
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void ReadFromStream(png_structp png, png_bytep out, size_t count) {
  auto* stream = static_cast<TStream*>(png_get_io_ptr(png));
  bool ok;
  try {
    ok = stream->Read(out, static_cast<int64_t>(count)) == static_cast<int64_t>(count);
  } catch (...) {
    ok = false;
  }
  if (!ok) png_error(png, "Read error");
}

[[noreturn]] void RaisePng(const char* message) {
  throw EInvalidGraphic(std::string("PNG: ") + (message[0] ? message : "invalid data"));
}

// How the rows after libpng's transforms become the picture's rows.
enum class RowKind { Index, Grey16, GreyAlpha8, GreyAlpha16, Rgb8, Rgb16, Rgba8, Rgba16 };

struct RowWriter {
  RowKind kind;
  int width;
  std::vector<uint8_t*> pixels, alpha;  // picture and alpha-plane rows, top first
  uint8_t indexAlpha[256];              // per palette index, when the plane comes from tRNS
  bool paletteAlpha = false;
  int32_t key16 = -1;  // the 16-bit grey key
  uint16_t keyRgb16[3] = {};  // the 16-bit colour key
  bool keyed16 = false;

  static void Write(void* self, int y, const uint8_t* in) { static_cast<RowWriter*>(self)->Row(y, in); }

  void Row(int y, const uint8_t* in) {
    uint8_t* out = pixels[size_t(y)];
    uint8_t* a = alpha.empty() ? nullptr : alpha[size_t(y)];
    const int w = width;
    auto sample16 = [](const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; };
    switch (kind) {
      case RowKind::Index:
        std::memcpy(out, in, size_t(w));
        if (paletteAlpha)
          for (int x = 0; x < w; ++x) a[x] = indexAlpha[in[x]];
        break;
      case RowKind::Grey16:
        for (int x = 0; x < w; ++x) out[x] = in[2 * x];
        if (keyed16)
          for (int x = 0; x < w; ++x) a[x] = sample16(in + 2 * x) == uint32_t(key16) ? 0 : 255;
        break;
      case RowKind::GreyAlpha8:
        for (int x = 0; x < w; ++x) out[x] = in[2 * x], a[x] = in[2 * x + 1];
        break;
      case RowKind::GreyAlpha16:
        for (int x = 0; x < w; ++x) out[x] = in[4 * x], a[x] = in[4 * x + 2];
        break;
      case RowKind::Rgb8:
        for (int x = 0; x < w; ++x) out[3 * x] = in[3 * x + 2], out[3 * x + 1] = in[3 * x + 1], out[3 * x + 2] = in[3 * x];
        break;
      case RowKind::Rgb16:
        for (int x = 0; x < w; ++x) {
          const uint8_t* p = in + 6 * x;
          out[3 * x] = p[4], out[3 * x + 1] = p[2], out[3 * x + 2] = p[0];
          if (keyed16)
            a[x] = sample16(p) == keyRgb16[0] && sample16(p + 2) == keyRgb16[1] && sample16(p + 4) == keyRgb16[2] ? 0 : 255;
        }
        break;
      case RowKind::Rgba8:
        for (int x = 0; x < w; ++x) {
          const uint8_t* p = in + 4 * x;
          out[3 * x] = p[2], out[3 * x + 1] = p[1], out[3 * x + 2] = p[0], a[x] = p[3];
        }
        break;
      case RowKind::Rgba16:
        for (int x = 0; x < w; ++x) {
          const uint8_t* p = in + 8 * x;
          out[3 * x] = p[4], out[3 * x + 1] = p[2], out[3 * x + 2] = p[0], a[x] = p[6];
        }
        break;
    }
  }
};

struct PngHeader {
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, passes = 1;
  size_t rowBytes = 0;
  png_colorp palette = nullptr;
  int paletteCount = 0;
  uint8_t transAlpha[256] = {};
  int transCount = 0;  // palette entries with an alpha, or 1 for a grey or RGB key
  png_color_16 transColor{};
};

class PngDecoder {
 public:
  explicit PngDecoder(TStream& stream) {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error_, OnPngError, OnPngWarning);
    if (!png_) RaisePng("out of memory");
    info_ = png_create_info_struct(png_);
    if (!info_) {
      png_destroy_read_struct(&png_, nullptr, nullptr);
      RaisePng("out of memory");
    }
    png_set_read_fn(png_, &stream, ReadFromStream);
  }
  ~PngDecoder() { png_destroy_read_struct(&png_, &info_, nullptr); }
  PngDecoder(const PngDecoder&) = delete;
  PngDecoder& operator=(const PngDecoder&) = delete;

  const char* Message() const { return error_.text; }

  bool ReadHeader(PngHeader& h) {
    if (setjmp(png_jmpbuf(png_))) return false;
    png_set_crc_action(png_, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    png_read_info(png_, info_);
    png_get_IHDR(png_, info_, &h.width, &h.height, &h.bitDepth, &h.colorType, nullptr, nullptr, nullptr);
    // Palette and transparency as stored, before the transforms touch them.
    if (h.colorType == PNG_COLOR_TYPE_PALETTE) png_get_PLTE(png_, info_, &h.palette, &h.paletteCount);
    if (png_get_valid(png_, info_, PNG_INFO_tRNS)) {
      png_bytep alpha = nullptr;
      png_color_16p color = nullptr;
      png_get_tRNS(png_, info_, &alpha, &h.transCount, &color);
      if (alpha && h.colorType == PNG_COLOR_TYPE_PALETTE)
        std::memcpy(h.transAlpha, alpha, size_t(std::clamp(h.transCount, 0, 256)));
      else if (color)
        h.transColor = *color, h.transCount = 1;
    }
    if (h.colorType == PNG_COLOR_TYPE_PALETTE) png_set_packing(png_);
    if (h.colorType == PNG_COLOR_TYPE_GRAY && h.bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png_);
    h.passes = png_set_interlace_handling(png_);
    png_read_update_info(png_, info_);
    h.rowBytes = png_get_rowbytes(png_, info_);
    return true;
  }

  // Rows one by one through a single buffer, or, interlaced, the whole image into rows.
  bool ReadRows(int height, uint8_t* buffer, uint8_t* const* image, void (*write)(void*, int, const uint8_t*),
                void* writer) {
    if (setjmp(png_jmpbuf(png_))) return false;
    if (image) {
      png_read_image(png_, const_cast<png_bytepp>(image));
      for (int y = 0; y < height; ++y) write(writer, y, image[y]);
    } else {
      for (int y = 0; y < height; ++y) {
        png_read_row(png_, buffer, nullptr);
        write(writer, y, buffer);
      }
    }
    png_read_end(png_, nullptr);
    return true;
  }

 private:
  PngErrorText error_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

}  // namespace

int32_t ReadPng(TStream& stream, TDIBSurface& picture) {
  picture.Clear();
  PngDecoder decoder(stream);
  PngHeader h;
  if (!decoder.ReadHeader(h)) RaisePng(decoder.Message());
  const bool index = h.colorType == PNG_COLOR_TYPE_PALETTE || (h.colorType == PNG_COLOR_TYPE_GRAY && h.bitDepth <= 8);
  const bool grey = h.colorType == PNG_COLOR_TYPE_GRAY || h.colorType == PNG_COLOR_TYPE_GRAY_ALPHA;
  const bool wide = h.bitDepth == 16;
  const int bits = index || grey ? 8 : 24;
  // Sizes are checked before anything is allocated.
  const int64_t w = h.width, ht = h.height;
  if (w < 1 || ht < 1 || w > INT32_MAX || ht > INT32_MAX || DIBPixelBytes(DIBRowLength(w, bits), ht) < 0 ||
      DIBPixelBytes(DIBRowLength(w, 8), ht) < 0 || (h.passes > 1 && DIBPixelBytes(int64_t(h.rowBytes), ht) < 0))
    RaisePng("picture too large");

  RowWriter writer;
  writer.width = static_cast<int>(w);
  int32_t key = -1;
  bool plane = h.colorType == PNG_COLOR_TYPE_GRAY_ALPHA || h.colorType == PNG_COLOR_TYPE_RGB_ALPHA;
  switch (h.colorType) {
    case PNG_COLOR_TYPE_PALETTE: {
      writer.kind = RowKind::Index;
      std::fill(std::begin(writer.indexAlpha), std::end(writer.indexAlpha), 255);
      int clear = 0, partial = 0, clearIndex = -1;
      for (int i = 0; i < std::clamp(h.transCount, 0, 256); ++i) {
        const uint8_t a = h.transAlpha[i];
        writer.indexAlpha[i] = a;
        if (a == 0) ++clear, clearIndex = i;
        else if (a != 255) ++partial;
      }
      if (partial > 0 || clear > 1)
        plane = writer.paletteAlpha = true;
      else if (clear == 1)
        key = clearIndex;
      break;
    }
    case PNG_COLOR_TYPE_GRAY:
      writer.kind = wide ? RowKind::Grey16 : RowKind::Index;
      if (h.transCount == 1 && (h.transColor.gray >> h.bitDepth) == 0) {
        if (wide) {
          plane = writer.keyed16 = true;
          writer.key16 = h.transColor.gray;
        } else {
          key = h.transColor.gray * (255 / ((1 << h.bitDepth) - 1));
        }
      }
      break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: writer.kind = wide ? RowKind::GreyAlpha16 : RowKind::GreyAlpha8; break;
    case PNG_COLOR_TYPE_RGB:
      writer.kind = wide ? RowKind::Rgb16 : RowKind::Rgb8;
      if (h.transCount == 1) {
        const png_color_16& c = h.transColor;
        if (wide) {
          plane = writer.keyed16 = true;
          writer.keyRgb16[0] = c.red, writer.keyRgb16[1] = c.green, writer.keyRgb16[2] = c.blue;
        } else if (c.red < 256 && c.green < 256 && c.blue < 256) {
          key = int32_t(c.red) << 16 | int32_t(c.green) << 8 | c.blue;
        }
      }
      break;
    case PNG_COLOR_TYPE_RGB_ALPHA: writer.kind = wide ? RowKind::Rgba16 : RowKind::Rgba8; break;
    default: RaisePng("unsupported colour type");
  }

  picture.SetSize(static_cast<int>(w), static_cast<int>(ht), bits);
  if (index || grey) {
    TColorTable table{};
    if (h.colorType == PNG_COLOR_TYPE_PALETTE) {
      for (int i = 0; i < std::min(h.paletteCount, 256); ++i)
        table[i] = MakeRGBQuad(h.palette[i].red, h.palette[i].green, h.palette[i].blue);
    } else {
      for (int i = 0; i < 256; ++i) table[i] = MakeRGBQuad(i, i, i);
    }
    picture.ColorTable = table;
    picture.ApplyColorTable();
  }
  if (plane) picture.EnsureAlpha();
  for (int y = 0; y < ht; ++y) {
    writer.pixels.push_back(picture.ScanLine(y));
    if (plane) writer.alpha.push_back(picture.Alpha()->ScanLine(y));
  }

  std::vector<uint8_t> buffer, image;
  std::vector<uint8_t*> imageRows;
  if (h.passes > 1) {
    image.resize(h.rowBytes * size_t(ht));
    for (int64_t y = 0; y < ht; ++y) imageRows.push_back(image.data() + size_t(y) * h.rowBytes);
  } else {
    buffer.resize(h.rowBytes);
  }
  if (!decoder.ReadRows(static_cast<int>(ht), buffer.data(), imageRows.empty() ? nullptr : imageRows.data(),
                        RowWriter::Write, &writer)) {
    picture.Clear();
    RaisePng(decoder.Message());
  }
  return key;
}

}  // namespace orva
