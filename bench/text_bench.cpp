// The text engine beside references in the same run: glyph cache hits and misses beside
// FreeType's own rendering of the same characters, Paginate of a 2,000-character page beside
// a loop that only sums cell widths and breaks at the width, and the paint of a revealed
// 400-glyph page beside one DrawColorMask of the whole text area.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "core/encoding.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "graphics/dibx.h"
#include "kit/glyph_stream_builder.h"
#include "scene/scene_services.h"
#include "text/font_pixel_manager.h"
#include "text/glyph_page.h"
#include "text/word.h"

namespace {

using namespace orva;

constexpr int kFontHeight = 24;
const char* const kGothicFile = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

// Shift-JIS codes of hiragana, katakana and kanji rows, in order.
std::vector<uint16_t> Codes(int count) {
  std::vector<uint16_t> codes;
  for (uint16_t lead = 0x82; codes.size() < size_t(count); ++lead)
    for (uint16_t trail = 0x9F; trail <= 0xF1 && codes.size() < size_t(count); ++trail)
      codes.push_back(static_cast<uint16_t>(lead << 8 | trail));
  return codes;
}

void GetGlyphs(benchmark::State& state, int distinct) {
  TFontPixelManager manager(CreateFreeTypeRasteriser());
  const std::vector<uint16_t> codes = Codes(distinct);
  const std::string face = Sjis("ＭＳ ゴシック");
  for (uint16_t c : codes) manager.GetGlyph(c, face, kFontHeight, 0);
  for (auto _ : state)
    for (uint16_t c : codes) benchmark::DoNotOptimize(manager.GetGlyph(c, face, kFontHeight, 0));
  state.SetItemsProcessed(state.iterations() * distinct);
}

void BM_GetGlyphHits200(benchmark::State& state) { GetGlyphs(state, 200); }
// 300 codes rotate through a cache of 256: every request misses.
void BM_GetGlyphMisses300(benchmark::State& state) { GetGlyphs(state, 300); }

// The reference: FreeType loading and rendering the same characters at the em size of a
// 24-pixel cell.
void BM_FreeTypeLoadChar300(benchmark::State& state) {
  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library) || FT_New_Face(library, kGothicFile, 0, &face)) {
    state.SkipWithError("no IPA gothic face");
    return;
  }
  FT_Set_Pixel_Sizes(face, 0, 22);
  std::vector<char32_t> chars;
  for (uint16_t c : Codes(300)) chars.push_back(CharCodeToUnicode(c));
  for (auto _ : state)
    for (char32_t c : chars) benchmark::DoNotOptimize(FT_Load_Char(face, c, FT_LOAD_RENDER));
  state.SetItemsProcessed(state.iterations() * 300);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
}

// 2,000 characters: kana runs with stops and brackets, some western words.
std::string PageText() {
  const std::string pieces[] = {Sjis("あいうえおかきくけこ"), Sjis("「さしすせそ」。"), "Hello world ",
                                Sjis("たちつてと、なにぬねの"), Sjis("（はひふへほ）")};
  std::string text;
  for (int i = 0; JLength(text) < 2000; ++i) text += pieces[i % 5];
  return JCopy(text, 1, 2000);
}

void LoadPage(TWzWord& word, const std::string& text) {
  kit::GlyphStream s;
  s.Decoration({}).Text(text);
  TMemoryStream bytes = s.Stream();
  word.LoadFromStream(bytes);
}

void BM_Paginate2000(benchmark::State& state) {
  TWzWord word;
  word.FontHeight = kFontHeight;
  word.Width = 600;
  word.Height = 100000;
  LoadPage(word, PageText());
  for (auto _ : state) {
    TWdPageList pages;
    word.Paginate(pages, 0, -1);
    benchmark::DoNotOptimize(pages.data());
  }
  state.SetItemsProcessed(state.iterations() * 2000);
}

// The reference: the same cells summed and broken at the width, nothing else.
void BM_SumCellWidths2000(benchmark::State& state) {
  TWzWord word;
  word.FontHeight = kFontHeight;
  LoadPage(word, PageText());
  for (int i = 0; i < word.GlyphCount(); ++i) word.GlyphAt(i)->Measure();
  for (auto _ : state) {
    int rows = 0, x = 0;
    for (int i = 0; i < word.GlyphCount(); ++i) {
      const int w = word.GlyphAt(i)->GetWidth();
      if (x + w > 600) ++rows, x = 0;
      x += w;
    }
    benchmark::DoNotOptimize(rows);
  }
  state.SetItemsProcessed(state.iterations() * 2000);
}

class BenchScreen : public TSceneScreen {
 public:
  explicit BenchScreen(int bits) : bits_(bits) {}
  int BitCount() override { return bits_; }
  TCustomDIBX* BackBuffer() override { return nullptr; }
  TPoint CursorPos() override { return {}; }

 private:
  int bits_;
};

// A revealed page of 400 glyphs (16 rows of 25) in a 640 × 480 target.
struct RevealedPage {
  explicit RevealedPage(int bits) : screen(bits) {
    TSceneServices services;
    services.Screen = &screen;
    previous = SetSceneServices(services);
    word.FontHeight = kFontHeight;
    word.Width = 600;
    word.Height = 400;
    word.TextLeft = 20;
    word.TextTop = 40;
    LoadPage(word, JCopy(PageText(), 1, 400));
    word.Paginate(pages, 0, -1);
    pages[0]->Render(true);
    pages[0]->SetAlphaAll(255);
    target.SetSize(640, 480, bits);
    word.Target = &target;
    word.PaintRect = target.GetBoundsRect();
  }
  ~RevealedPage() {
    pages.clear();
    SetSceneServices(previous);
  }
  BenchScreen screen;
  TSceneServices previous;
  TWzWord word;
  TWdPageList pages;
  TDIBX target;
};

void BM_PagePaint400(benchmark::State& state) {
  RevealedPage page(static_cast<int>(state.range(0)));
  for (auto _ : state) page.pages[0]->Paint();
  state.SetItemsProcessed(state.iterations() * 400);
}

void BM_DrawColorMaskTextArea(benchmark::State& state) {
  RevealedPage page(static_cast<int>(state.range(0)));
  TDIBX& mask = page.word.MaskSurface;
  const uint32_t pixel = page.target.ColorToPixel(0xFFFFFF);
  for (auto _ : state)
    page.target.DrawColorMask(page.word.TextLeft, page.word.TextTop, mask, mask.GetBoundsRect(), false, false, pixel,
                              255);
  state.SetItemsProcessed(state.iterations() * 400);
}

BENCHMARK(BM_GetGlyphHits200);
BENCHMARK(BM_GetGlyphMisses300);
BENCHMARK(BM_FreeTypeLoadChar300);
BENCHMARK(BM_Paginate2000);
BENCHMARK(BM_SumCellWidths2000);
BENCHMARK(BM_PagePaint400)->Arg(16)->Arg(32);
BENCHMARK(BM_DrawColorMaskTextArea)->Arg(16)->Arg(32);

}  // namespace
