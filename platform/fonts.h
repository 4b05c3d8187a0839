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

// One installed scalable face (TrueType or OpenType) with every family name it answers to.
struct TSystemFace {
  std::vector<std::string> names;  // UTF-8, in the order the font lists them
  std::string file;
  int index = 0;                   // face index inside the file
  bool regular = false;            // upright at normal weight
};

// Every installed scalable face, in the order the font configuration lists them.
std::vector<TSystemFace> ListScalableFaces();
// The file and face index fontconfig picks for a pattern such as "sans-serif:lang=ja";
// false when it picks nothing.
bool MatchFontFile(const std::string& pattern, std::string& file, int& index);

}  // namespace orva
