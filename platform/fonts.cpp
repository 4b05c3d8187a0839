#include "platform/fonts.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <type_traits>

namespace orva {
namespace {

std::string FamilyName(FcPattern* font) {
  FcChar8* family = nullptr;
  FcChar8* lang = nullptr;
  for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &family) == FcResultMatch; ++i)
    if (FcPatternGetString(font, FC_FAMILYLANG, i, &lang) == FcResultMatch &&
        std::strcmp(reinterpret_cast<const char*>(lang), "ja") == 0)
      return reinterpret_cast<const char*>(family);
  if (FcPatternGetString(font, FC_FAMILY, 0, &family) == FcResultMatch) return reinterpret_cast<const char*>(family);
  return {};
}

bool IsScalableFormat(FcPattern* font) {
  FcChar8* format = nullptr;
  if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) != FcResultMatch) return false;
  const char* f = reinterpret_cast<const char*>(format);
  return std::strcmp(f, "TrueType") == 0 || std::strcmp(f, "CFF") == 0;
}

// The configuration is loaded once and released at exit.
bool InitFontConfig() {
  static const bool ready = [] {
    if (!FcInit()) return false;
    std::atexit(FcFini);
    return true;
  }();
  return ready;
}

template <class T, void (*Free)(T*)>
using FcPtr = std::unique_ptr<T, std::integral_constant<decltype(Free), Free>>;

}  // namespace

std::vector<TSystemFace> ListScalableFaces() {
  std::vector<TSystemFace> faces;
  if (!InitFontConfig()) return faces;
  FcPtr<FcPattern, FcPatternDestroy> pattern(FcPatternCreate());
  FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
  FcPtr<FcObjectSet, FcObjectSetDestroy> objects(
      FcObjectSetBuild(FC_FAMILY, FC_FONTFORMAT, FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, nullptr));
  FcPtr<FcFontSet, FcFontSetDestroy> set(FcFontList(nullptr, pattern.get(), objects.get()));
  if (!set) return faces;
  for (int i = 0; i < set->nfont; ++i) {
    FcPattern* font = set->fonts[i];
    FcChar8* file = nullptr;
    if (!IsScalableFormat(font) || FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
    TSystemFace face;
    face.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(font, FC_INDEX, 0, &face.index);
    FcChar8* family = nullptr;
    for (int n = 0; FcPatternGetString(font, FC_FAMILY, n, &family) == FcResultMatch; ++n)
      face.names.emplace_back(reinterpret_cast<const char*>(family));
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(font, FC_SLANT, 0, &slant);
    face.regular = slant == FC_SLANT_ROMAN && weight >= FC_WEIGHT_BOOK && weight <= FC_WEIGHT_MEDIUM;
    faces.push_back(std::move(face));
  }
  return faces;
}

bool MatchFontFile(const std::string& text, std::string& file, int& index) {
  if (!InitFontConfig()) return false;
  FcPtr<FcPattern, FcPatternDestroy> pattern(FcNameParse(reinterpret_cast<const FcChar8*>(text.c_str())));
  if (!pattern) return false;
  FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  FcPtr<FcPattern, FcPatternDestroy> match(FcFontMatch(nullptr, pattern.get(), &result));
  FcChar8* path = nullptr;
  if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &path) != FcResultMatch) return false;
  file = reinterpret_cast<const char*>(path);
  index = 0;
  FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
  return true;
}

std::vector<TSystemFont> ListJapaneseFonts() {
  std::vector<TSystemFont> fonts;
  if (!InitFontConfig()) return fonts;
  std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(FcPatternCreate(), FcPatternDestroy);
  std::unique_ptr<FcLangSet, decltype(&FcLangSetDestroy)> langs(FcLangSetCreate(), FcLangSetDestroy);
  FcLangSetAdd(langs.get(), reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddLangSet(pattern.get(), FC_LANG, langs.get());
  FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
  std::unique_ptr<FcObjectSet, decltype(&FcObjectSetDestroy)> objects(
      FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_SPACING, FC_FONTFORMAT, FC_FILE, nullptr), FcObjectSetDestroy);
  std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)> set(FcFontList(nullptr, pattern.get(), objects.get()),
                                                              FcFontSetDestroy);
  if (!set) return fonts;
  std::map<std::string, size_t> byFamily;
  for (int i = 0; i < set->nfont; ++i) {
    FcPattern* font = set->fonts[i];
    if (!IsScalableFormat(font)) continue;
    std::string family = FamilyName(font);
    if (family.empty()) continue;
    int spacing = FC_PROPORTIONAL;
    FcPatternGetInteger(font, FC_SPACING, 0, &spacing);
    bool fixed = spacing == FC_MONO || spacing == FC_DUAL || spacing == FC_CHARCELL;
    auto [it, added] = byFamily.emplace(family, fonts.size());
    if (added) {
      FcChar8* file = nullptr;
      FcPatternGetString(font, FC_FILE, 0, &file);
      fonts.push_back({family, fixed, file ? reinterpret_cast<const char*>(file) : ""});
    } else {
      fonts[it->second].fixedPitch = fonts[it->second].fixedPitch || fixed;
    }
  }
  return fonts;
}

}  // namespace orva
