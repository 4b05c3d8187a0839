#pragma once
// The layouts the window's shown picture can be kept in, and the row conversions between
// them: 16-bit words widened to 0x00RRGGBB (each field's high bits copied into its low bits,
// as a 16-bit display's colours are read) and 0x00RRGGBB packed to words (each field's high
// bits kept, as a 16-bit display shows a colour). SSE2 takes eight pixels at a time; the
// scalar forms give the same results and take the tails.

#include <cstddef>
#include <cstdint>

namespace orva {

enum class TShownLayout : uint8_t {
  XRGB8888,  // 0x00RRGGBB
  RGB565,
  RGB555,  // the top bit 0
};

inline int ShownPixelBytes(TShownLayout layout) { return layout == TShownLayout::XRGB8888 ? 4 : 2; }

// Rows of the shown picture opened for drawing: the top-left pixel of the opened
// rectangle, the bytes from one row to the next, and the layout of the pixels.
struct TShownRows {
  uint8_t* Pixels = nullptr;
  ptrdiff_t Pitch = 0;
  TShownLayout Layout = TShownLayout::XRGB8888;
};

// count little-endian 5-6-5 (is565) or 5-5-5 words to 0x00RRGGBB; the words need no alignment.
void WidenWordRow(bool is565, const uint8_t* in, int count, uint32_t* out);
// count 0x00RRGGBB pixels (the top byte ignored) to little-endian words of the 16-bit layout.
void PackWordRow(TShownLayout layout, const uint32_t* in, int count, uint8_t* out);
// count 32-bit pixels with their top byte cleared.
void ClearTopByteRow(const uint8_t* in, int count, uint32_t* out);

// A row of the shown layout to 0x00RRGGBB, and back (the top byte cleared).
void ShownRowToXRGB(TShownLayout layout, const uint8_t* in, int count, uint32_t* out);
void XRGBToShownRow(TShownLayout layout, const uint32_t* in, int count, uint8_t* out);

}  // namespace orva
