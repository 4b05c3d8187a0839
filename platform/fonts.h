#pragma once
// The installed fonts that can show Japanese text, as the font lists of the game see them.

#include <string>
#include <vector>

namespace orva {

struct TSystemFont {
  std::string family;  // UTF-8; the Japanese name where the font has one
  bool fixedPitch = false;
  std::string file;    // real path of one face of the family
};

// Scalable TrueType and OpenType fonts covering Japanese, one entry per family, in the
// order the font configuration lists them.
std::vector<TSystemFont> ListJapaneseFonts();

}  // namespace orva
