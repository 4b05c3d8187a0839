#pragma once
// PNG pictures read with libpng. Palette pictures and grey pictures of up to 8 bits become
// 8-bit index pictures with their colour table (grey as a grey ramp), every other kind a
// 24-bit picture; 16-bit samples keep their high byte. Transparency that one exact raw value
// states (one fully transparent palette entry, the tRNS colour of an 8-bit picture) is given
// back as that value; everything else that is not opaque goes into the alpha plane.

#include <cstdint>

namespace orva {

class TDIBSurface;
class TStream;

// Decodes the PNG at the stream's position into the picture and returns its transparent
// raw value, -1 when none. Damaged data, bad checksums and unsupported pictures raise
// EInvalidGraphic; the picture is then left empty.
int32_t ReadPng(TStream& stream, TDIBSurface& picture);

}  // namespace orva
