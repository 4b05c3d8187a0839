#pragma once
// Font styles and the lists of installed fonts that the script's font variables read.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

struct TFontStyles {
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  friend bool operator==(const TFontStyles&, const TFontStyles&) = default;
};

// Bold 1, italic 2, underline 4, strike-out 8; higher bits are ignored.
int32_t FontStylesToInt(const TFontStyles& styles);
TFontStyles IntToFontStyles(int32_t value);

// Face names (Shift-JIS) of the installed scalable fonts that cover Japanese. Vertical
// faces (names beginning with "@") only when asked for; fixedPitchOnly keeps the faces of
// fixed pitch. Sorted ignoring case when asked. Names Shift-JIS cannot spell are left out.
std::vector<std::string> ListFonts(bool sorted, bool includeVertical, bool fixedPitchOnly);

// What the platform knows of an installed face.
struct TFontDescription {
  std::string FaceName;  // Shift-JIS
  uint8_t CharSet = 0;   // 128 (Shift-JIS) for a face that was found
  bool FixedPitch = false;
  std::string FileName;  // real path of the font file
};

// The face whose name equals faceName exactly; all empty and zero when it is not installed.
TFontDescription GetFontLogFont(std::string_view faceName);

}  // namespace orva
