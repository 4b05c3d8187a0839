#include "shell/cursor_file.h"

#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/exceptions.h"

namespace orva {

namespace {

constexpr int kMaxSide = 256;
constexpr uint32_t kMaxFrames = 1024;
constexpr uint32_t kMaxSteps = 4096;

[[noreturn]] void Bad(const char* why) { throw EReadError(std::string("cursor: ") + why); }

uint32_t U16(std::span<const uint8_t> b, size_t at) {
  if (at > b.size() || b.size() - at < 2) Bad("truncated");
  return b[at] | uint32_t{b[at + 1]} << 8;
}

uint32_t U32(std::span<const uint8_t> b, size_t at) {
  if (at > b.size() || b.size() - at < 4) Bad("truncated");
  return b[at] | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

// A bounded piece of the bytes.
std::span<const uint8_t> Piece(std::span<const uint8_t> b, uint64_t offset, uint64_t size) {
  if (offset > b.size() || size > b.size() - offset) Bad("entry outside the file");
  return b.subspan(static_cast<size_t>(offset), static_cast<size_t>(size));
}

TCursorImage DecodePng(std::span<const uint8_t> data) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) Bad("bad PNG");
  if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide) {
    png_image_free(&image);
    Bad("bad PNG size");
  }
  image.format = PNG_FORMAT_BGRA;  // 0xAARRGGBB words on a little-endian machine
  TCursorImage out;
  out.Width = static_cast<int>(image.width);
  out.Height = static_cast<int>(image.height);
  out.Pixels.resize(size_t(image.width) * image.height);
  if (!png_image_finish_read(&image, nullptr, out.Pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    Bad("bad PNG data");
  }
  return out;
}

TCursorImage DecodeDib(std::span<const uint8_t> data) {
  const uint32_t headerSize = U32(data, 0);
  if (headerSize < 40 || headerSize > data.size()) Bad("bad header");
  const auto width = static_cast<int32_t>(U32(data, 4));
  const auto doubledHeight = static_cast<int32_t>(U32(data, 8));
  const uint32_t bits = U16(data, 14);
  const uint32_t compression = U32(data, 16);
  uint32_t colorsUsed = U32(data, 32);
  if (width <= 0 || width > kMaxSide || doubledHeight <= 0 || doubledHeight > 2 * kMaxSide) Bad("bad size");
  if (compression != 0) Bad("compressed picture");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) Bad("bad depth");
  // The stored height covers the picture and its AND mask.
  const int32_t height = std::max(doubledHeight / 2, 1);
  uint32_t tableCount = 0;
  if (bits <= 8) tableCount = colorsUsed == 0 || colorsUsed > (1u << bits) ? 1u << bits : colorsUsed;
  const uint64_t tableAt = headerSize;
  const uint64_t xorAt = tableAt + uint64_t{tableCount} * 4;
  const uint64_t xorRow = (uint64_t{static_cast<uint32_t>(width)} * bits + 31) / 32 * 4;
  const uint64_t andAt = xorAt + xorRow * static_cast<uint32_t>(height);
  const uint64_t andRow = (uint64_t{static_cast<uint32_t>(width)} + 31) / 32 * 4;
  if (xorAt > data.size() || andAt > data.size()) Bad("picture outside the entry");
  const bool hasMask = data.size() - andAt >= andRow * static_cast<uint32_t>(height);

  TCursorImage out;
  out.Width = width;
  out.Height = height;
  out.Pixels.resize(size_t(width) * size_t(height));
  bool anyAlpha = false;
  for (int y = 0; y < height; ++y) {
    const size_t stored = static_cast<size_t>(height - 1 - y);  // rows are stored bottom-up
    const uint8_t* in = data.data() + xorAt + xorRow * stored;
    for (int x = 0; x < width; ++x) {
      uint32_t argb;
      if (bits <= 8) {
        const uint32_t index = bits == 8   ? in[x]
                               : bits == 4 ? (x & 1 ? in[x / 2] & 15 : in[x / 2] >> 4)
                                           : (in[x / 8] >> (7 - x % 8)) & 1;
        if (index >= tableCount) Bad("colour index outside the table");
        const uint8_t* q = data.data() + tableAt + 4 * index;
        argb = 0xFF000000u | uint32_t{q[2]} << 16 | uint32_t{q[1]} << 8 | q[0];
      } else if (bits == 24) {
        const uint8_t* p = in + 3 * x;
        argb = 0xFF000000u | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
      } else {
        const uint8_t* p = in + 4 * x;
        argb = uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
        anyAlpha = anyAlpha || p[3] != 0;
      }
      out.Pixels[size_t(y) * width + x] = argb;
    }
  }
  if (bits == 32 && anyAlpha) return out;
  // The AND mask decides: set bits are the screen showing through. A set bit under a colour
  // inverts the screen there, which a colour cursor cannot; it is shown black.
  for (int y = 0; y < height; ++y) {
    const size_t stored = static_cast<size_t>(height - 1 - y);
    const uint8_t* mask = hasMask ? data.data() + andAt + andRow * stored : nullptr;
    for (int x = 0; x < width; ++x) {
      uint32_t& p = out.Pixels[size_t(y) * width + x];
      const bool through = mask && ((mask[x / 8] >> (7 - x % 8)) & 1);
      if (!through) p |= 0xFF000000u;
      else p = (p & 0xFFFFFF) != 0 ? 0xFF000000u : 0;
    }
  }
  return out;
}

// An icon directory with cursor (2) or icon (1) entries: the entry nearest to 32 × 32.
TCursorImage ReadIconDirectory(std::span<const uint8_t> b) {
  if (U16(b, 0) != 0) Bad("not a cursor file");
  const uint32_t type = U16(b, 2);
  const uint32_t count = U16(b, 4);
  if ((type != 1 && type != 2) || count == 0) Bad("not a cursor file");
  int best = -1;
  uint64_t bestScore = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = 6 + size_t{i} * 16;
    const int w = b.size() > at ? (b[at] == 0 ? 256 : b[at]) : 0;
    const int h = b.size() > at + 1 ? (b[at + 1] == 0 ? 256 : b[at + 1]) : 0;
    U32(b, at + 12);  // the whole entry is there
    const uint64_t score = static_cast<uint64_t>(std::abs(w - 32) + std::abs(h - 32));
    if (best < 0 || score < bestScore) {
      best = static_cast<int>(i);
      bestScore = score;
    }
  }
  const size_t at = 6 + size_t(best) * 16;
  const std::span<const uint8_t> data = Piece(b, U32(b, at + 12), U32(b, at + 8));
  static constexpr uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  TCursorImage image = data.size() >= 8 && std::memcmp(data.data(), kPng, 8) == 0 ? DecodePng(data) : DecodeDib(data);
  if (type == 2) {
    image.HotX = std::min(static_cast<int>(U16(b, at + 4)), image.Width - 1);
    image.HotY = std::min(static_cast<int>(U16(b, at + 6)), image.Height - 1);
  }
  return image;
}

bool Tag(std::span<const uint8_t> b, size_t at, const char* tag) {
  return at <= b.size() && b.size() - at >= 4 && std::memcmp(b.data() + at, tag, 4) == 0;
}

TCursorFile ReadAnimated(std::span<const uint8_t> b) {
  const uint64_t riffSize = U32(b, 4);
  const std::span<const uint8_t> body = Piece(b, 8, std::min<uint64_t>(riffSize, b.size() - 8));
  if (!Tag(body, 0, "ACON")) Bad("not an animated cursor");
  TCursorFile file;
  uint32_t frameCount = 0, stepCount = 0, defaultRate = 0;
  bool haveHeader = false;
  std::vector<uint32_t> rates, sequence;
  const auto readList = [](std::span<const uint8_t> chunk, uint32_t count) {
    if (uint64_t{count} * 4 > chunk.size()) Bad("short list");
    std::vector<uint32_t> list(count);
    for (uint32_t i = 0; i < count; ++i) list[i] = U32(chunk, size_t{i} * 4);
    return list;
  };
  // Chunks: id, size, data, padded to an even length.
  for (size_t at = 4; at + 8 <= body.size();) {
    const uint32_t size = U32(body, at + 4);
    const std::span<const uint8_t> chunk = Piece(body, at + 8, size);
    if (Tag(body, at, "anih")) {
      if (size < 36) Bad("short header");
      frameCount = U32(chunk, 4);
      stepCount = U32(chunk, 8);
      defaultRate = U32(chunk, 28);
      if ((U32(chunk, 32) & 1) == 0) Bad("raw frames");
      if (frameCount == 0 || frameCount > kMaxFrames || stepCount > kMaxSteps) Bad("bad counts");
      haveHeader = true;
    } else if (Tag(body, at, "rate")) {
      if (!haveHeader) Bad("rates before the header");
      rates = readList(chunk, stepCount);
    } else if (Tag(body, at, "seq ")) {
      if (!haveHeader) Bad("sequence before the header");
      sequence = readList(chunk, stepCount);
    } else if (Tag(body, at, "LIST") && Tag(chunk, 0, "fram")) {
      for (size_t f = 4; f + 8 <= chunk.size();) {
        const uint32_t frameSize = U32(chunk, f + 4);
        const std::span<const uint8_t> frame = Piece(chunk, f + 8, frameSize);
        if (Tag(chunk, f, "icon")) {
          if (file.Frames.size() >= kMaxFrames) Bad("too many frames");
          file.Frames.push_back(ReadIconDirectory(frame));
        }
        f += 8 + uint64_t{frameSize} + (frameSize & 1);
      }
    }
    at += 8 + uint64_t{size} + (size & 1);
  }
  if (!haveHeader || file.Frames.empty()) Bad("no frames");
  if (file.Frames.size() > frameCount) file.Frames.resize(frameCount);
  if (stepCount == 0) stepCount = static_cast<uint32_t>(file.Frames.size());
  if (stepCount > kMaxSteps) Bad("bad counts");
  // A later header may have raised the count the lists were read with.
  if ((!rates.empty() && rates.size() < stepCount) || (!sequence.empty() && sequence.size() < stepCount))
    Bad("short list");
  for (uint32_t i = 0; i < stepCount; ++i) {
    const uint32_t frame = sequence.empty() ? i : sequence[i];
    if (frame >= file.Frames.size()) Bad("sequence outside the frames");
    const uint32_t jiffies = rates.empty() ? defaultRate : rates[i];
    file.Steps.push_back({static_cast<int>(frame), static_cast<uint32_t>(uint64_t{jiffies} * 1000 / 60)});
  }
  return file;
}

}  // namespace

TCursorFile ReadCursorFile(std::span<const uint8_t> bytes) {
  if (Tag(bytes, 0, "RIFF")) return ReadAnimated(bytes);
  TCursorFile file;
  file.Frames.push_back(ReadIconDirectory(bytes));
  file.Steps.push_back({0, 0});
  return file;
}

}  // namespace orva
