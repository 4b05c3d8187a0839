#include "kit/cursor_builder.h"

#include <png.h>

#include <stdexcept>

namespace orva::kit {

namespace {

void U16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void U32(std::string& out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((v >> shift) & 0xFF);
}

void Chunk(std::string& out, const char* id, const std::string& data) {
  out.append(id, 4);
  U32(out, static_cast<uint32_t>(data.size()));
  out += data;
  if (data.size() & 1) out += '\0';
}

}  // namespace

CursorPicture::CursorPicture(int width, int height, int bits)
    : width_(width),
      height_(height),
      bits_(bits),
      pixels_(size_t(width) * size_t(height), 0),
      table_(bits <= 8 ? size_t{1} << bits : 0, 0),
      mask_(size_t(width) * size_t(height), false) {
  if (bits <= 8 && table_.size() > 1) table_[1] = 0xFFFFFF;
}

CursorPicture& CursorPicture::Pixel(int x, int y, uint32_t value) {
  pixels_.at(size_t(y) * size_t(width_) + size_t(x)) = value;
  return *this;
}

CursorPicture& CursorPicture::Mask(int x, int y, bool through) {
  mask_.at(size_t(y) * size_t(width_) + size_t(x)) = through;
  return *this;
}

CursorPicture& CursorPicture::Colour(int index, uint32_t rgb) {
  table_.at(size_t(index)) = rgb;
  return *this;
}

CursorPicture& CursorPicture::ColoursUsed(uint32_t count) {
  coloursUsed_ = count;
  return *this;
}

std::string CursorPicture::Bytes() const {
  std::string out;
  U32(out, 40);
  U32(out, static_cast<uint32_t>(width_));
  U32(out, static_cast<uint32_t>(height_ * 2));
  U16(out, 1);
  U16(out, static_cast<uint32_t>(bits_));
  U32(out, 0);  // no compression
  U32(out, 0);
  U32(out, 0);
  U32(out, 0);
  U32(out, coloursUsed_);
  U32(out, 0);
  const size_t stored = bits_ > 8 ? 0 : coloursUsed_ ? coloursUsed_ : table_.size();
  for (size_t i = 0; i < stored; ++i) U32(out, i < table_.size() ? table_[i] : 0);
  const size_t xorRow = (size_t(width_) * size_t(bits_) + 31) / 32 * 4;
  for (int y = height_ - 1; y >= 0; --y) {
    std::string row(xorRow, '\0');
    for (int x = 0; x < width_; ++x) {
      const uint32_t v = pixels_[size_t(y) * size_t(width_) + size_t(x)];
      switch (bits_) {
        case 1: row[size_t(x) / 8] = static_cast<char>(row[size_t(x) / 8] | ((v & 1) << (7 - x % 8))); break;
        case 4: row[size_t(x) / 2] = static_cast<char>(row[size_t(x) / 2] | ((v & 15) << (x % 2 ? 0 : 4))); break;
        case 8: row[size_t(x)] = static_cast<char>(v); break;
        case 24:
          for (int k = 0; k < 3; ++k) row[size_t(x) * 3 + size_t(k)] = static_cast<char>(v >> (8 * k));
          break;
        case 32:
          for (int k = 0; k < 4; ++k) row[size_t(x) * 4 + size_t(k)] = static_cast<char>(v >> (8 * k));
          break;
        default: throw std::invalid_argument("depth");
      }
    }
    out += row;
  }
  const size_t andRow = (size_t(width_) + 31) / 32 * 4;
  for (int y = height_ - 1; y >= 0; --y) {
    std::string row(andRow, '\0');
    for (int x = 0; x < width_; ++x)
      if (mask_[size_t(y) * size_t(width_) + size_t(x)]) row[size_t(x) / 8] = static_cast<char>(row[size_t(x) / 8] | (0x80 >> (x % 8)));
    out += row;
  }
  return out;
}

std::string PngPicture(int width, int height, const std::vector<uint32_t>& argb) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_BGRA;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, argb.data(), 0, nullptr))
    throw std::runtime_error("png size");
  std::string out(size, '\0');
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, argb.data(), 0, nullptr))
    throw std::runtime_error("png write");
  out.resize(size);
  return out;
}

CursorFile& CursorFile::Add(const CursorPicture& picture, int hotX, int hotY) {
  return AddRaw(picture.Bytes(), picture.Width(), picture.Height(), hotX, hotY);
}

CursorFile& CursorFile::AddRaw(const std::string& bytes, int width, int height, int hotX, int hotY) {
  entries_.push_back({bytes, width, height, hotX, hotY});
  return *this;
}

std::string CursorFile::Bytes() const {
  std::string out;
  U16(out, 0);
  U16(out, static_cast<uint32_t>(type_));
  U16(out, static_cast<uint32_t>(entries_.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * entries_.size());
  for (const Entry& e : entries_) {
    out += static_cast<char>(e.width >= 256 ? 0 : e.width);
    out += static_cast<char>(e.height >= 256 ? 0 : e.height);
    out += '\0';
    out += '\0';
    U16(out, static_cast<uint32_t>(e.hotX));
    U16(out, static_cast<uint32_t>(e.hotY));
    U32(out, static_cast<uint32_t>(e.bytes.size()));
    U32(out, offset);
    offset += static_cast<uint32_t>(e.bytes.size());
  }
  for (const Entry& e : entries_) out += e.bytes;
  return out;
}

AnimatedCursor& AnimatedCursor::Frame(const std::string& cursorFile) {
  frames_.push_back(cursorFile);
  return *this;
}

AnimatedCursor& AnimatedCursor::DefaultRate(uint32_t jiffies) {
  rate_ = jiffies;
  return *this;
}

AnimatedCursor& AnimatedCursor::Rates(const std::vector<uint32_t>& jiffies) {
  rates_ = jiffies;
  return *this;
}

AnimatedCursor& AnimatedCursor::Sequence(const std::vector<uint32_t>& frames) {
  sequence_ = frames;
  return *this;
}

AnimatedCursor& AnimatedCursor::Counts(uint32_t frames, uint32_t steps) {
  frameCount_ = frames;
  stepCount_ = steps;
  return *this;
}

std::string AnimatedCursor::Bytes() const {
  const uint32_t frames = frameCount_ >= 0 ? static_cast<uint32_t>(frameCount_) : static_cast<uint32_t>(frames_.size());
  const uint32_t steps = stepCount_ >= 0   ? static_cast<uint32_t>(stepCount_)
                         : !sequence_.empty() ? static_cast<uint32_t>(sequence_.size())
                         : !rates_.empty()    ? static_cast<uint32_t>(rates_.size())
                                              : frames;
  std::string header;
  U32(header, 36);
  U32(header, frames);
  U32(header, steps);
  for (int i = 0; i < 4; ++i) U32(header, 0);  // width, height, bits, planes
  U32(header, rate_);
  U32(header, sequence_.empty() ? 1 : 3);  // icon frames, and a sequence
  std::string body = "ACON";
  Chunk(body, "anih", header);
  if (!rates_.empty()) {
    std::string rates;
    for (uint32_t r : rates_) U32(rates, r);
    Chunk(body, "rate", rates);
  }
  if (!sequence_.empty()) {
    std::string sequence;
    for (uint32_t s : sequence_) U32(sequence, s);
    Chunk(body, "seq ", sequence);
  }
  std::string list = "fram";
  for (const std::string& frame : frames_) Chunk(list, "icon", frame);
  Chunk(body, "LIST", list);
  std::string out = "RIFF";
  U32(out, static_cast<uint32_t>(body.size()));
  return out + body;
}

}  // namespace orva::kit
