#pragma once
// The one question the archive writer asks of a layered image before storing it.

namespace orva {

class TStream;

// Reads 7 bytes at the stream's position; true only when they are "Vask" and three digits
// of a version of 103 or later and the header block that follows (int32 byte count, then
// the header) says the pixel data is stored raw (data mode 1). The stream is left after
// what was read.
bool IsRawVaskStream(TStream& stream);

}  // namespace orva
