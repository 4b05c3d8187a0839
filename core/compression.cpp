#include "core/compression.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "core/exceptions.h"
#include "core/stream.h"

namespace orva {
namespace {

[[noreturn]] void RaiseZlibError(int code, const z_stream* zs) {
  std::string message = zs && zs->msg ? zs->msg : zError(code);
  throw ECompressionError("zlib: " + message);
}

}  // namespace

void CompressStream(TMemoryStream& stream) {
  const std::vector<uint8_t>& input = stream.Bytes();
  uLongf size = compressBound(static_cast<uLong>(input.size()));
  std::vector<uint8_t> output(size);
  int rc = compress2(output.data(), &size, input.data(), static_cast<uLong>(input.size()), Z_BEST_SPEED);
  if (rc != Z_OK) RaiseZlibError(rc, nullptr);
  output.resize(size);
  stream.Assign(std::move(output));
}

void DecompressStream(TMemoryStream& stream) {
  stream.SetPosition(0);
  std::vector<uint8_t> output;
  InflateInto(stream.Bytes(), output);
  stream.Assign(std::move(output));
}

void InflateInto(std::span<const uint8_t> input, std::vector<uint8_t>& output) {
  z_stream zs{};
  int rc = inflateInit(&zs);
  if (rc != Z_OK) RaiseZlibError(rc, &zs);
  constexpr size_t kMaxChunk = std::numeric_limits<uInt>::max();
  // Bytes already there are overwritten, not cleared: growing only fills what is new.
  output.resize(std::max({output.size(), input.size() * 3, size_t{1024}}));
  size_t produced = 0;
  size_t consumed = 0;
  for (;;) {
    if (produced == output.size()) output.resize(output.size() * 2);
    zs.next_in = const_cast<Bytef*>(input.data() + consumed);
    zs.avail_in = static_cast<uInt>(std::min(input.size() - consumed, kMaxChunk));
    zs.next_out = output.data() + produced;
    zs.avail_out = static_cast<uInt>(std::min(output.size() - produced, kMaxChunk));
    const uInt inBefore = zs.avail_in, outBefore = zs.avail_out;
    rc = inflate(&zs, Z_NO_FLUSH);
    consumed += inBefore - zs.avail_in;
    produced += outBefore - zs.avail_out;
    if (rc == Z_STREAM_END) break;
    // Out of input before the end of the zlib data: a truncated stream.
    bool stalled = rc == Z_BUF_ERROR && zs.avail_out > 0;
    if ((rc != Z_OK && rc != Z_BUF_ERROR) || stalled) {
      std::string message = zs.msg ? zs.msg : "unexpected end of data";
      inflateEnd(&zs);
      throw ECompressionError("zlib: " + message);
    }
  }
  inflateEnd(&zs);
  output.resize(produced);
}

uint32_t StreamCrc32(TStream& stream) {
  uLong crc = crc32_z(0, nullptr, 0);
  stream.SetPosition(0);
  if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) {
    crc = crc32_z(crc, memory->Memory(), memory->Bytes().size());
    memory->Seek(0, TSeekOrigin::soEnd);
    return static_cast<uint32_t>(crc);
  }
  constexpr int64_t kChunk = 1 << 20;
  std::vector<uint8_t> buffer(kChunk);
  for (;;) {
    int64_t n = stream.Read(buffer.data(), kChunk);
    if (n <= 0) break;
    crc = crc32_z(crc, buffer.data(), static_cast<size_t>(n));
  }
  return static_cast<uint32_t>(crc);
}

}  // namespace orva
