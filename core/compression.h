#pragma once
// Whole-stream zlib compression (RFC 1950 form) and the CRC-32 of archive entries.

#include <cstdint>
#include <span>
#include <vector>

namespace orva {

class TMemoryStream;
class TStream;

// Replaces the stream's content by its zlib form, at the fastest level.
void CompressStream(TMemoryStream& stream);
// Replaces the stream's content by the data its zlib form holds. Data that is not a complete
// zlib stream raises ECompressionError and leaves the content as it was.
void DecompressStream(TMemoryStream& stream);
// The data of a complete zlib stream into `output`, whose memory and bytes are reused (its
// size becomes the data's). Raises as DecompressStream; `output` then holds nothing useful.
void InflateInto(std::span<const uint8_t> input, std::vector<uint8_t>& output);

// CRC-32 (IEEE 802.3) of the whole stream from position 0, read in chunks of 1 MiB; the
// stream is left at its end.
uint32_t StreamCrc32(TStream& stream);

}  // namespace orva
