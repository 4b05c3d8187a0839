#pragma once
// A glyph outline service with scripted faces, metrics and bitmaps, and counters of every
// call, for exact-pixel tests of the glyph cache and the text that uses it. The test keeps
// the shared state after handing the rasteriser to a manager:
//
//   auto fake = std::make_shared<kit::FakeRasteriserState>();
//   fake->AddFace("IPAGothic");
//   fake->glyphs[U'A'] = kit::FakeGlyph::Box(3, 3);
//   TFontPixelManager manager(kit::MakeFakeRasteriser(fake));

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/glyph_rasteriser.h"

namespace orva::kit {

struct FakeGlyph {
  int32_t width = 0, height = 0, originX = 0, originY = 0, cellInc = 0;
  std::vector<uint8_t> coverage;  // 0..255 per pixel, top row first
  TAbcWidths abc{};
  bool blank = false;

  // A w × h box of full coverage whose top sits `above` pixels over the base line.
  static FakeGlyph Box(int32_t w, int32_t h, int32_t originX = 0, int32_t above = 10, int32_t advance = 0);
  // Rows of characters: '#' full, '.' none, digits 1..9 coverage 28 × digit.
  static FakeGlyph Picture(const std::vector<std::string>& rows, int32_t originX = 0, int32_t above = 10,
                           int32_t advance = 0);
  static FakeGlyph Blank(int32_t advance);
};

struct FakeRasteriserState {
  struct Counters {
    int findFace = 0, createFont = 0, render = 0, abc = 0, textWidth = 0;
  };

  std::vector<std::string> faces;              // id = position
  std::map<char32_t, FakeGlyph> glyphs;
  FakeGlyph fallback = FakeGlyph::Box(2, 2);   // characters not scripted
  TRasterFontMetrics metrics{12, 1, 1, 5};
  std::set<std::string> failingFaces;          // fonts of these faces have no metrics
  bool failDefaultFace = false;
  bool failGrey = false;                       // grey bitmaps fail, one-bit ones work
  bool failAll = false;                        // every bitmap fails
  std::vector<TRasterFontSpec> fontsMade;
  std::vector<int> levelsAsked;
  Counters counts;

  int AddFace(std::string name) {
    faces.push_back(std::move(name));
    return static_cast<int>(faces.size()) - 1;
  }
};

std::unique_ptr<TGlyphRasteriser> MakeFakeRasteriser(std::shared_ptr<FakeRasteriserState> state);

}  // namespace orva::kit
