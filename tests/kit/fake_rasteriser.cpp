#include "kit/fake_rasteriser.h"

namespace orva::kit {

FakeGlyph FakeGlyph::Box(int32_t w, int32_t h, int32_t originX, int32_t above, int32_t advance) {
  FakeGlyph g;
  g.width = w;
  g.height = h;
  g.originX = originX;
  g.originY = above;
  g.cellInc = advance ? advance : originX + w;
  g.coverage.assign(size_t(w) * h, 255);
  g.abc = {originX, w, g.cellInc - originX - w};
  return g;
}

FakeGlyph FakeGlyph::Picture(const std::vector<std::string>& rows, int32_t originX, int32_t above, int32_t advance) {
  FakeGlyph g;
  g.height = static_cast<int32_t>(rows.size());
  g.width = rows.empty() ? 0 : static_cast<int32_t>(rows[0].size());
  g.originX = originX;
  g.originY = above;
  g.cellInc = advance ? advance : originX + g.width;
  for (const std::string& row : rows)
    for (char c : row) g.coverage.push_back(c == '#' ? 255 : c >= '1' && c <= '9' ? uint8_t(28 * (c - '0')) : 0);
  g.abc = {originX, g.width, g.cellInc - originX - g.width};
  return g;
}

FakeGlyph FakeGlyph::Blank(int32_t advance) {
  FakeGlyph g;
  g.blank = true;
  g.cellInc = advance;
  return g;
}

namespace {

class FakeFont : public TRasterFont {
 public:
  FakeFont(std::shared_ptr<FakeRasteriserState> state) : state_(std::move(state)) {}

  const TRasterFontMetrics& Metrics() override { return state_->metrics; }

  TOutcome RenderGlyph(char32_t code, int levels, TRasterGlyph& glyph) override {
    ++state_->counts.render;
    state_->levelsAsked.push_back(levels);
    if (state_->failAll || (state_->failGrey && levels > 2)) return TOutcome::Failed;
    const FakeGlyph& g = Find(code);
    glyph.CellIncX = g.cellInc;
    if (g.blank) return TOutcome::Blank;
    glyph.Width = g.width;
    glyph.Height = g.height;
    glyph.OriginX = g.originX;
    glyph.OriginY = g.originY;
    glyph.Levels.clear();
    for (uint8_t v : g.coverage) glyph.Levels.push_back(static_cast<uint8_t>((v * (levels - 1) + 127) / 255));
    return TOutcome::Ok;
  }

  TAbcWidths AbcWidths(char32_t code) override {
    ++state_->counts.abc;
    return Find(code).abc;
  }

  int32_t TextWidth(std::u32string_view text) override {
    ++state_->counts.textWidth;
    int32_t width = 0;
    for (char32_t c : text) width += Find(c).cellInc;
    return width;
  }

 private:
  const FakeGlyph& Find(char32_t code) const {
    auto it = state_->glyphs.find(code);
    return it == state_->glyphs.end() ? state_->fallback : it->second;
  }

  std::shared_ptr<FakeRasteriserState> state_;
};

class FakeRasteriser : public TGlyphRasteriser {
 public:
  explicit FakeRasteriser(std::shared_ptr<FakeRasteriserState> state) : state_(std::move(state)) {}

  int FindFace(std::string_view name) override {
    ++state_->counts.findFace;
    for (size_t i = 0; i < state_->faces.size(); ++i)
      if (state_->faces[i] == name) return static_cast<int>(i);
    return -1;
  }

  std::unique_ptr<TRasterFont> CreateFont(const TRasterFontSpec& spec) override {
    ++state_->counts.createFont;
    state_->fontsMade.push_back(spec);
    const bool known = spec.Face >= 0 && spec.Face < static_cast<int>(state_->faces.size());
    if (known ? state_->failingFaces.count(state_->faces[size_t(spec.Face)]) != 0 : state_->failDefaultFace)
      return nullptr;
    return std::make_unique<FakeFont>(state_);
  }

 private:
  std::shared_ptr<FakeRasteriserState> state_;
};

}  // namespace

std::unique_ptr<TGlyphRasteriser> MakeFakeRasteriser(std::shared_ptr<FakeRasteriserState> state) {
  return std::make_unique<FakeRasteriser>(std::move(state));
}

}  // namespace orva::kit
