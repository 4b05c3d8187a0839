#pragma once
// JPEG pictures through libjpeg: the pixel data of layered images stored in JPEG mode.

#include <cstdint>
#include <span>
#include <vector>

namespace orva {

class TDIBSurface;

// Decodes a JPEG picture into a 24-bit picture. A picture whose size is not width × height,
// damaged data or an unsupported colour space raise EInvalidGraphic.
void DecodeJpeg(std::span<const uint8_t> bytes, int width, int height, TDIBSurface& picture);

// A JPEG file of a 24-bit picture at the quality (0..100).
std::vector<uint8_t> EncodeJpeg(TDIBSurface& picture, int quality);

}  // namespace orva
