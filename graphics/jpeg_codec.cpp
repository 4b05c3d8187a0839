#include "graphics/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "graphics/dib_surface.h"
#include "graphics/graphic_exceptions.h"

namespace orva {

namespace {

// libjpeg reports errors through error_exit, which must not return: it jumps back to the
// point set by the function that called into the library. Those functions hold only
// trivially destructible locals, so the jump passes no C++ object.
struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char text[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info) {
  auto* error = reinterpret_cast<JpegError*>(info->err);
  (*info->err->format_message)(info, error->text);
  std::longjmp(error->jump, 1);
}

void OnJpegMessage(j_common_ptr, int) {}

void InitError(JpegError& error) {
  jpeg_std_error(&error.manager);
  error.manager.error_exit = OnJpegError;
  error.manager.emit_message = OnJpegMessage;
  error.text[0] = 0;
}

[[noreturn]] void RaiseJpeg(const char* message) {
  throw EInvalidGraphic(std::string("JPEG: ") + (message[0] ? message : "invalid data"));
}

class JpegDecoder {
 public:
  JpegDecoder() {
    InitError(error_);
    info_.err = &error_.manager;
  }
  ~JpegDecoder() {
    if (created_) jpeg_destroy_decompress(&info_);
  }
  JpegDecoder(const JpegDecoder&) = delete;
  JpegDecoder& operator=(const JpegDecoder&) = delete;

  const char* Message() const { return error_.text; }

  bool ReadHeader(const uint8_t* bytes, size_t size, int& width, int& height) {
    if (setjmp(error_.jump)) return false;
    jpeg_create_decompress(&info_);
    created_ = true;
    jpeg_mem_src(&info_, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(&info_, TRUE);
    info_.out_color_space = JCS_EXT_BGR;
    width = static_cast<int>(info_.image_width);
    height = static_cast<int>(info_.image_height);
    return true;
  }

  bool ReadRows(uint8_t* const* rows, int height) {
    if (setjmp(error_.jump)) return false;
    jpeg_start_decompress(&info_);
    while (static_cast<int>(info_.output_scanline) < height) {
      JSAMPROW row = rows[info_.output_scanline];
      jpeg_read_scanlines(&info_, &row, 1);
    }
    jpeg_finish_decompress(&info_);
    return true;
  }

 private:
  jpeg_decompress_struct info_{};
  JpegError error_;
  bool created_ = false;
};

class JpegEncoder {
 public:
  JpegEncoder() {
    InitError(error_);
    info_.err = &error_.manager;
  }
  ~JpegEncoder() {
    if (created_) jpeg_destroy_compress(&info_);
    std::free(buffer_);
  }
  JpegEncoder(const JpegEncoder&) = delete;
  JpegEncoder& operator=(const JpegEncoder&) = delete;

  const char* Message() const { return error_.text; }
  const uint8_t* Bytes() const { return buffer_; }
  size_t Size() const { return size_; }

  bool Write(const uint8_t* const* rows, int width, int height, int quality) {
    if (setjmp(error_.jump)) return false;
    jpeg_create_compress(&info_);
    created_ = true;
    jpeg_mem_dest(&info_, &buffer_, &size_);
    info_.image_width = static_cast<JDIMENSION>(width);
    info_.image_height = static_cast<JDIMENSION>(height);
    info_.input_components = 3;
    info_.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info_);
    jpeg_set_quality(&info_, quality, TRUE);
    jpeg_start_compress(&info_, TRUE);
    while (static_cast<int>(info_.next_scanline) < height) {
      JSAMPROW row = const_cast<JSAMPROW>(rows[info_.next_scanline]);
      jpeg_write_scanlines(&info_, &row, 1);
    }
    jpeg_finish_compress(&info_);
    return true;
  }

 private:
  jpeg_compress_struct info_{};
  JpegError error_;
  bool created_ = false;
  unsigned char* buffer_ = nullptr;
  unsigned long size_ = 0;
};

}  // namespace

void DecodeJpeg(std::span<const uint8_t> bytes, int width, int height, TDIBSurface& picture) {
  JpegDecoder decoder;
  int w = 0, h = 0;
  if (!decoder.ReadHeader(bytes.data(), bytes.size(), w, h)) RaiseJpeg(decoder.Message());
  if (w != width || h != height) RaiseJpeg("picture of another size");
  picture.PixelFormat = Layout888();
  picture.SetSize(width, height, 24);
  std::vector<uint8_t*> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) rows[size_t(y)] = picture.ScanLine(y);
  if (!decoder.ReadRows(rows.data(), height)) RaiseJpeg(decoder.Message());
}

std::vector<uint8_t> EncodeJpeg(TDIBSurface& picture, int quality) {
  const int width = picture.GetWidth(), height = picture.GetHeight();
  std::vector<const uint8_t*> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) rows[size_t(y)] = picture.ScanLineReadOnly(y);
  JpegEncoder encoder;
  if (!encoder.Write(rows.data(), width, height, quality)) RaiseJpeg(encoder.Message());
  return {encoder.Bytes(), encoder.Bytes() + encoder.Size()};
}

}  // namespace orva
