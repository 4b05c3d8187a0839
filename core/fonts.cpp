#include "core/fonts.h"

#include <algorithm>

#include "core/encoding.h"
#include "core/sjis.h"
#include "platform/fonts.h"

namespace orva {

int32_t FontStylesToInt(const TFontStyles& s) {
  return (s.Bold ? 1 : 0) | (s.Italic ? 2 : 0) | (s.Underline ? 4 : 0) | (s.StrikeOut ? 8 : 0);
}

TFontStyles IntToFontStyles(int32_t value) {
  return {(value & 1) != 0, (value & 2) != 0, (value & 4) != 0, (value & 8) != 0};
}

namespace {

constexpr uint8_t kShiftJisCharSet = 128;

std::vector<TFontDescription> InstalledFaces() {
  std::vector<TFontDescription> faces;
  for (const TSystemFont& font : ListJapaneseFonts()) {
    std::string name = Utf8ToSjis(font.family);
    if (SjisToUtf8(name) != font.family) continue;
    faces.push_back({std::move(name), kShiftJisCharSet, font.fixedPitch, font.file});
  }
  return faces;
}

}  // namespace

std::vector<std::string> ListFonts(bool sorted, bool includeVertical, bool fixedPitchOnly) {
  std::vector<std::string> names;
  for (const TFontDescription& face : InstalledFaces()) {
    if (!includeVertical && face.FaceName.starts_with('@')) continue;
    if (fixedPitchOnly && !face.FixedPitch) continue;
    names.push_back(face.FaceName);
  }
  if (sorted)
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; });
  return names;
}

TFontDescription GetFontLogFont(std::string_view faceName) {
  for (TFontDescription& face : InstalledFaces())
    if (face.FaceName == faceName) return face;
  return {};
}

}  // namespace orva
