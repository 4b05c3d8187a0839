#include "platform/fonts.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

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

}  // namespace

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
