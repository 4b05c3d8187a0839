// A glyph stream and a page state record on any bytes, over the fake rasteriser: four bytes
// of layout (width, height, flags, text delay), then the stream; what the reader leaves is
// the state record of the first page. What loads is laid out, rendered, revealed frame by
// frame with hover and painting, saved and loaded again.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/exceptions.h"
#include "core/frame_clock.h"
#include "core/stream.h"
#include "graphics/dibx.h"
#include "kit/fake_rasteriser.h"
#include "text/font_pixel_manager.h"
#include "text/glyph_page.h"
#include "text/word.h"

namespace {

using namespace orva;

void InstallFakeRasteriser() {
  static const bool ready = [] {
    auto fake = std::make_shared<kit::FakeRasteriserState>();
    fake->AddFace("IPAGothic");
    fake->glyphs[U'a'] = kit::FakeGlyph::Picture({"#5", "1#"}, 1, 10, 6);
    fake->glyphs[U' '] = kit::FakeGlyph::Blank(4);
    SetFontPixelManager(std::make_unique<TFontPixelManager>(kit::MakeFakeRasteriser(fake)));
    return true;
  }();
  (void)ready;
}

void Reveal(TWdPage& page, TWzWord& word, int frames) {
  bool finished = false;
  std::string text;
  for (int f = 0; f < frames; ++f) {
    page.Step(finished, text);
    page.SetHoverAt(word.TextLeft + f * 7 % 64, word.TextTop + f * 5 % 32);
    page.Paint();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  InstallFakeRasteriser();
  FrameDelta = 16;
  TWzWord word;
  word.Width = data[0];
  word.Height = data[1];
  word.Paging = (data[2] & 1) == 0;
  word.Notify = (data[2] & 2) != 0;
  word.FadeTime = data[2] >> 4;
  word.BorderWidth = (data[2] >> 2) & 1;
  word.TextDelay = static_cast<int8_t>(data[3]) * 4;
  word.FontHeight = 12;
  TMemoryStream input(std::string(reinterpret_cast<const char*>(data + 4), size - 4));
  try {
    word.LoadFromStream(input);
  } catch (const Exception&) {
    return 0;
  }
  TWdPageList pages;
  word.ExpandVars(0, -1);
  word.Paginate(pages, 0, -1);
  if (pages.empty()) return 0;
  TDIBX target;
  target.SetSize(64, 48, 15);
  word.Target = &target;
  word.PaintRect = target.GetBoundsRect();
  TWdPage& page = *pages[0];
  page.Start();
  page.Render(true);
  Reveal(page, word, 24);
  TMemoryStream saved;
  page.SaveState(saved);
  page.SnapshotVars();
  try {
    page.LoadState(input);
  } catch (const Exception&) {
  }
  Reveal(page, word, 4);
  saved.SetPosition(0);
  page.LoadState(saved);
  for (auto& other : pages) other->Render(false);
  pages.clear();
  word.CollapseVars(0, -1);
  return 0;
}
