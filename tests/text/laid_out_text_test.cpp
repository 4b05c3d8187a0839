// Laid-out text over a fake rasteriser and a 16 ms frame: the reveal's budget and fade,
// events, paging off, variables, hover, ruby, painting, the settings record and the page
// state kept in game saves.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/frame_clock.h"
#include "kit/fake_pictures.h"
#include "kit/fake_rasteriser.h"
#include "kit/glyph_stream_builder.h"
#include "scene/base_list.h"
#include "scene/scene_services.h"
#include "script/param_collection.h"
#include "text/font_pixel_manager.h"
#include "text/glyph_char.h"
#include "text/glyph_page.h"
#include "text/glyph_var.h"
#include "text/word.h"

namespace orva {
namespace {

using kit::GlyphStream;

class Screen : public TSceneScreen {
 public:
  int BitCount() override { return bits; }
  TCustomDIBX* BackBuffer() override { return nullptr; }
  TPoint CursorPos() override { return {}; }
  int bits = 32;
};

class LaidOut : public testing::Test {
 protected:
  LaidOut() : fake(std::make_shared<kit::FakeRasteriserState>()) {
    fake->AddFace("IPAGothic");
    previousManager_ = SetFontPixelManager(std::make_unique<TFontPixelManager>(kit::MakeFakeRasteriser(fake)));
    TSceneServices services;
    services.Screen = &screen;
    previousServices_ = SetSceneServices(services);
    previousDelta_ = FrameDelta;
    FrameDelta = 16;
    word.FontHeight = 20;
    word.Width = 100;
    word.Height = 100;
    word.TextDelay = 256;
    word.OnEvent = [this](TWzWord&, const std::string& name) { events.push_back(name); };
  }
  ~LaidOut() override {
    pages.clear();
    word.Clear();
    SetFontPixelManager(std::move(previousManager_));
    SetSceneServices(previousServices_);
    SetSceneVariables(nullptr);
    SetInlinePictureSource(nullptr);
    FrameDelta = previousDelta_;
  }

  TWdPage& Lay(const GlyphStream& s) {
    pages.clear();
    word.Clear();
    TMemoryStream bytes = s.Stream();
    word.LoadFromStream(bytes);
    word.ExpandVars(0, -1);
    word.Paginate(pages, 0, -1);
    pages.at(0)->Start();
    return *pages[0];
  }
  // Glyphs revealed so far on the first page.
  int Revealed() {
    const TWdPage& page = *pages[0];
    int n = page.GlyphCursor;
    for (int r = 0; r < page.RowCursor; ++r) n += page.GetItem(r)->GetCount();
    return n;
  }
  std::vector<int> RevealedPerFrame(int frames) {
    std::vector<int> out;
    bool finished = false;
    std::string text;
    for (int f = 0; f < frames; ++f) {
      pages[0]->Step(finished, text);
      out.push_back(Revealed());
    }
    return out;
  }
  std::string Step() {
    bool finished = false;
    std::string text;
    pages[0]->Step(finished, text);
    return text;
  }

  std::shared_ptr<kit::FakeRasteriserState> fake;
  Screen screen;
  kit::FakePictures pictures;
  TWzWord word;
  TWdPageList pages;
  std::vector<std::string> events;

 private:
  std::unique_ptr<TFontPixelManager> previousManager_;
  TSceneServices previousServices_;
  int32_t previousDelta_ = 0;
};

// The budget: (wait × max(0, delay)) >> 8 ms per glyph; a negative wait costs −wait ms unless
// the delay is negative. The first frame waits for the fade's start frame.
TEST_F(LaidOut, RevealBudgetAtSixteenMillisecondFrames) {
  struct Case {
    int32_t delay, wait;
    std::vector<int> revealed;
  };
  const Case cases[] = {
      {256, 50, {0, 1, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4}},
      {128, 50, {0, 1, 1, 2, 2, 3, 4, 4, 5}},
      {0, 50, {0, 5}},
      {256, -100, {0, 1, 1, 1, 1, 1, 1, 1, 2}},
      {0, -100, {0, 1, 1, 1, 1, 1, 1, 1, 2}},
      {-1, -100, {0, 5}},
      {-1, 50, {0, 5}},
  };
  for (const Case& t : cases) {
    word.TextDelay = t.delay;
    Lay(GlyphStream().Decoration({}).Text(Sjis("あいうえお"), 0, t.wait));
    EXPECT_EQ(RevealedPerFrame(int(t.revealed.size())), t.revealed) << t.delay << " " << t.wait;
  }
}

TEST_F(LaidOut, HugeWaitsAndDelaysClampTheBudget) {
  word.TextDelay = INT32_MAX;
  TWdPage& page = Lay(GlyphStream().Decoration({}).Text(Sjis("あい"), 0, INT32_MAX).Text(Sjis("う"), 0, INT32_MIN));
  EXPECT_EQ(RevealedPerFrame(2), (std::vector<int>{0, 1}));
  EXPECT_EQ(page.Budget, INT32_MAX);
  EXPECT_EQ(RevealedPerFrame(1), (std::vector<int>{1}));
  EXPECT_EQ(page.Budget, INT32_MAX - 16);
  word.TextDelay = -5;
  page.Budget = INT32_MIN + 3;
  RevealedPerFrame(1);
  EXPECT_EQ(page.Budget, INT32_MIN);  // a negative wait costs nothing, and −ms clamps
}

TEST_F(LaidOut, FadeAccumulatesAndStartsOneFrameLate) {
  word.TextDelay = 0;
  word.FadeTime = 100;
  TWdPage& page = Lay(GlyphStream().Decoration({}).Text(Sjis("あ")));
  const TWdGlyph* a = page.GetItem(0)->GetItem(0);
  std::vector<int> alphas;
  for (int f = 0; f < 8; ++f) {
    Step();
    alphas.push_back(a->GetAlpha());
  }
  // Start frame, the reveal (no time counted), then 16 × 256 / 100 a frame with the rest kept.
  EXPECT_EQ(alphas, (std::vector<int>{255, 0, 40, 81, 122, 163, 204, 245}));
  word.FadeTime = 0;
  Lay(GlyphStream().Decoration({}).Text(Sjis("あ")));
  EXPECT_EQ(pages[0]->StartDelay, 0);
  Step();
  EXPECT_EQ(pages[0]->GetItem(0)->GetItem(0)->GetAlpha(), 255);  // shown in the frame it appears
  bool finished = false;
  std::string text;
  pages[0]->Step(finished, text);
  EXPECT_TRUE(finished);
  pages[0]->Step(finished, text);
  EXPECT_FALSE(finished);  // reported once
}

TEST_F(LaidOut, EventsAreCollectedTogetherAndFiredOnceFaded) {
  word.TextDelay = 0;
  word.Notify = true;
  Lay(GlyphStream()
          .Decoration({})
          .Text(Sjis("あ"))
          .Event("one")
          .Event("two")
          .Text(Sjis("い"))
          .Event("stop", true)
          .Event("after")
          .Text(Sjis("う")));
  std::vector<std::string> perFrame;
  for (int f = 0; f < 9; ++f) {
    events.clear();
    const std::string text = Step();
    std::string fired;
    for (const std::string& e : events) fired += e + ",";
    perFrame.push_back(SjisToUtf8(text) + ":" + fired);
  }
  EXPECT_EQ(perFrame, (std::vector<std::string>{":", "あ:", ":one,two,", "い:", ":stop,", ":", ":after,", "う:", ":"}));

  word.Notify = false;  // without a notify handler events pass silently
  Lay(GlyphStream().Decoration({}).Text(Sjis("あ")).Event("one").Event("stop", true).Text(Sjis("い")));
  events.clear();
  Step();
  EXPECT_EQ(SjisToUtf8(Step()), "あい");
  EXPECT_TRUE(events.empty());
}

TEST_F(LaidOut, PagingOffStopsAtARowBelowTheTextArea) {
  word.Paging = false;
  word.Height = 30;
  word.TextDelay = 0;
  TWdPage& page = Lay(GlyphStream().Decoration({}).Text(Sjis("あいうえおかきくけこさしすせそ")));
  EXPECT_EQ(RevealedPerFrame(3), (std::vector<int>{0, 10, 10}));
  EXPECT_FALSE(page.IsPlaying());
  page.ScrollOffset = 20;
  EXPECT_FALSE(page.IsPlaying());  // its bottom is still below
  page.ScrollOffset = 30;
  EXPECT_TRUE(page.IsPlaying());
  EXPECT_EQ(RevealedPerFrame(1), (std::vector<int>{15}));
  EXPECT_EQ(page.GetScreenTop(), -30);
}

TEST_F(LaidOut, CaretFollowsTheNextGlyph) {
  word.TextDelay = 256;
  word.TextLeft = 7;
  word.TextTop = 9;
  Lay(GlyphStream().Decoration({}).Text(Sjis("あい"), 0, 50).Return().Text(Sjis("う"), 0, 50));
  RevealedPerFrame(2);
  EXPECT_EQ(word.Caret, (TPoint{20, 0}));
  EXPECT_EQ(word.CaretHeight, 20);
  RevealedPerFrame(6);  // い: the next glyph is the return
  EXPECT_EQ(word.Caret, (TPoint{40, 0}));
  RevealedPerFrame(1);  // the return and う: after the last glyph
  EXPECT_EQ(word.Caret, (TPoint{20, 20}));
  EXPECT_FALSE(pages[0]->RowsLeft());
}

TEST_F(LaidOut, VariablesExpandFromTheStoreOrTheSnapshot) {
  TParamCollection vars;
  vars.AddVariable(PT_STR).SetName("msg");
  vars.FindItem("msg", false)->SetAsString("a\r\nb");
  SetSceneVariables(&vars);
  auto types = [&] {
    std::string out;
    for (int i = 0; i < word.GlyphCount(); ++i) {
      const TWdGlyph* g = word.GlyphAt(i);
      out += g->GetGlyphType() == kGlyphVar ? std::string("V") : g->GetGlyphType() == kGlyphReturn ? "/" : g->GetText();
    }
    return out;
  };
  Lay(GlyphStream().Decoration({.color = 0x0000FF}).Var(" msg ", 0, 30, "ln").Text("z"));
  EXPECT_EQ(types(), "Va/bz");  // CR breaks the line, LF is dropped
  const TWdGlyph* a = word.GlyphAt(1);
  EXPECT_EQ(a->GetColor(), 0x0000FF);
  EXPECT_EQ(a->GetWait(), 30);
  EXPECT_EQ(a->GetLink(), "ln");
  EXPECT_EQ(a->GetStoredWeight(), 0);
  pages[0]->SnapshotVars();
  EXPECT_EQ(pages[0]->VarSnapshot, " msg =a\x01" "b\r\n");

  word.CollapseVars(0, -1);
  EXPECT_EQ(types(), "Vz");
  word.Snapshot = {"other=1", " msg =x\x01y"};
  word.ExpandVars(0, -1);
  EXPECT_EQ(types(), "Vx/yz");

  struct Case {
    int version;
    const char* expression;
    const char* shown;
  };
  for (Case t : {Case{102, "", "Vz"}, Case{102, "  ", "Vz"}, Case{102, "(((", "Vz"}, Case{102, "1 + 2", "V3z"},
                 Case{101, "msg", "Va/bz"}, Case{0, "1 + 2", "V3z"}}) {
    Lay(GlyphStream(t.version).Decoration({}).Var(t.expression).Text("z"));
    EXPECT_EQ(types(), t.shown) << t.version << " " << t.expression;
  }
}

// Hovering a link recolours its run; leaving it restores it, border rings included.
TEST_F(LaidOut, HoveredLinkKeepsItsBorderPixels) {
  fake->glyphs[U'a'] = kit::FakeGlyph::Picture({"#5", "55"}, 9, 11, 20);
  word.BorderWidth = 1;
  word.FontColor = 0xFFFFFF;
  TWdPage& page = Lay(GlyphStream().Decoration({.borderWidth = -1}).Text("aa", 0, 0, "L").Text("a"));
  page.Render(true);
  page.SetAlphaAll(255);
  auto mask = [&] {
    std::vector<uint32_t> out;
    for (int y = 0; y < word.MaskSurface.GetHeight(); ++y)
      for (int x = 0; x < word.MaskSurface.GetWidth(); ++x) out.push_back(word.MaskSurface.GetPixel(x, y));
    return out;
  };
  const std::vector<uint32_t> before = mask();
  const TWdGlyph* first = page.GetItem(0)->GetItem(0);
  for (int round = 0; round < 2; ++round) {
    page.SetHoverAt(word.TextLeft + 30, word.TextTop + 10);
    EXPECT_EQ(page.HoverGlyph, first);
    EXPECT_TRUE(page.GetItem(0)->GetItem(1)->GetHover());
    EXPECT_FALSE(page.GetItem(0)->GetItem(2)->GetHover());
    EXPECT_EQ(page.HoverText(), "aa");
    EXPECT_EQ(word.TextSurface.GetPixel(10, 2), word.TextSurface.ColorToPixel(word.HoverColor));
    page.SetHoverAt(-1, -1);
    EXPECT_EQ(page.HoverGlyph, nullptr);
    EXPECT_EQ(mask(), before) << "round " << round;
  }
}

// A link run that goes on to the next page ends at this page's end: the glyphs of the next
// page are not drawn into this page's surfaces.
TEST_F(LaidOut, HoverRunEndsAtThePageEnd) {
  word.Height = 20;
  TWdPage& page = Lay(GlyphStream().Decoration({}).Text(Sjis("あいうえおか"), 0, 0, "L"));
  ASSERT_EQ(pages.size(), 2u);
  page.Render(true);
  page.SetAlphaAll(255);
  page.SetHoverAt(word.TextLeft + 5, word.TextTop + 5);
  EXPECT_EQ(SjisToUtf8(page.HoverText()), "あいうえお");
  EXPECT_TRUE(page.GetItem(0)->GetItem(4)->GetHover());
  EXPECT_FALSE(pages[1]->GetItem(0)->GetItem(0)->GetHover());
}

TEST_F(LaidOut, RubyIsSpreadOverItsGroupWithHalvesToEven) {
  fake->glyphs[U' '] = kit::FakeGlyph::Blank(20);
  for (char32_t c : {U'a', U'b', U'c', U'd'}) fake->glyphs[c] = kit::FakeGlyph::Box(1, 1, 0, 10, 1);
  TWdPage& page = Lay(GlyphStream().Decoration({.ruby = "abcd"}).Char(' '));
  EXPECT_EQ(page.GetItem(0)->GetItem(0)->GetHeight(), 30);
  page.Render(true);
  std::vector<int> columns;
  for (int x = 0; x < word.Width; ++x)
    if (word.MaskSurface.GetPixel(x, 2)) columns.push_back(x);
  // Centres 2.5, 7.5, 12.5, 17.5 round to 2, 8, 12, 18; a single-byte ruby character starts
  // r div 4 left of its centre and is centred in its r × r cell.
  EXPECT_EQ(columns, (std::vector<int>{4, 10, 14, 20}));
}

TEST_F(LaidOut, PaintingAtSixteenAndThirtyTwoBits) {
  fake->glyphs[U'a'] = kit::FakeGlyph::Box(2, 2, 9, 11, 20);
  SetInlinePictureSource(&pictures);
  for (int bits : {16, 32}) {
    SCOPED_TRACE(bits);
    screen.bits = bits;
    pictures.Add("p.vsk", {{4, 4, 0, bits == 32 ? 0xFFFFFFu : 0xFFFFu, bits}});
    word.FontColor = 0x0000FF;  // red in 0x00BBGGRR
    word.TextLeft = 10;
    word.TextTop = 5;
    TWdPage& page = Lay(GlyphStream().Decoration({}).Text("a").Img("p.vsk"));
    page.Render(true);
    page.SetAlphaAll(255);
    TDIBX target;
    target.SetSize(64, 32, bits);
    target.FillRect(target.GetBoundsRect(), 0);
    word.Target = &target;
    word.PaintRect = target.GetBoundsRect();
    word.Alpha = 128;
    page.Paint();
    // Full coverage blends the colour at 255/256 on the channels' bits: red's field loses
    // its low bit. Characters ignore the word's alpha.
    const uint32_t red = bits == 32 ? 0xFE0000 : 0xF000;
    EXPECT_EQ(target.GetPixel(10 + 9, 5 + 1), red);
    const TWdGlyph* img = page.GetItem(0)->GetItem(1);
    const uint32_t half = target.GetPixel(img->GetScreenLeft(), img->GetScreenTop());
    EXPECT_NE(half, target.ColorToPixel(0xFFFFFF));
    EXPECT_NE(half, 0u);
    // Nothing outside the paint rectangle's rows.
    word.PaintRect = {0, 0, 1, 1};
    target.FillRect(target.GetBoundsRect(), 0);
    page.Paint();
    EXPECT_EQ(target.GetPixel(10 + 9, 5 + 1), 0u);
    word.Target = nullptr;
  }
}

// A font whose metrics cannot be read leaves its characters blank and the others drawn.
TEST_F(LaidOut, CharacterOfAFailingFontDrawsNothing) {
  fake->AddFace("Broken");
  fake->failingFaces = {"Broken"};
  TWdPage& page = Lay(GlyphStream().Decoration({.fontName = "Broken"}).Decoration({}).Char('a', 0).Char('a', 1));
  page.Render(true);
  auto rendered = [&](int i) { return dynamic_cast<const TWdChar*>(page.GetItem(0)->GetItem(i))->RenderedRect(); };
  EXPECT_TRUE(rendered(0).IsEmpty());
  EXPECT_FALSE(rendered(1).IsEmpty());
  EXPECT_EQ(FontPixelManager().FindGlyph('a', "Broken", 20, 0, 3), nullptr);
}

TEST_F(LaidOut, TooLargeTextSurfaceLeavesThePageBlank) {
  word.Width = 70000;
  TWdPage& page = Lay(GlyphStream().Decoration({.size = 1000}).Text("a"));
  page.Render(true);
  EXPECT_TRUE(word.TextSurface.IsEmpty());
  EXPECT_TRUE(dynamic_cast<const TWdChar*>(page.GetItem(0)->GetItem(0))->RenderedRect().IsEmpty());
}

TEST_F(LaidOut, SettingsRecordByVersion) {
  word.TextLeft = 1;
  word.FontName = "F";
  word.ShadowColor = 0x123;
  word.BorderWidth = 2;
  word.ShadowWidth = 3;
  word.Paging = false;
  word.Caret = {4, 5};
  TMemoryStream saved;
  word.SaveSettings(saved);
  EXPECT_EQ(saved.GetSize(), 84);  // 17 int32, a 1-byte name, 3 flags, the caret
  struct Case {
    int version;
    int64_t cut;
    int32_t shadowColor, borderWidth, shadowWidth;
  };
  for (Case t : {Case{109, 12, 0, 0, 0}, Case{110, 8, 0x123, 0, 0}, Case{111, 0, 0x123, 2, 3}}) {
    TWzWord loaded;
    TMemoryStream in(saved.View().substr(0, size_t(saved.GetSize() - t.cut)));
    loaded.LoadSettings(in, t.version);
    EXPECT_EQ(in.Remaining(), 0);
    EXPECT_EQ(loaded.ShadowColor, t.shadowColor);
    EXPECT_EQ(loaded.BorderWidth, t.borderWidth);
    EXPECT_EQ(loaded.ShadowWidth, t.shadowWidth);
    EXPECT_EQ(loaded.TextLeft, 1);
    EXPECT_EQ(loaded.FontName, "F");
    EXPECT_FALSE(loaded.Paging);
    EXPECT_EQ(loaded.Caret, (TPoint{4, 5}));
  }
  TMemoryStream shortRecord(saved.View().substr(0, 10));
  TWzWord loaded;
  EXPECT_THROW(loaded.LoadSettings(shortRecord, 111), EReadError);
}

// A page saved while glyphs were fading comes back with them fully shown; cursors read from
// a record are kept inside the page.
TEST_F(LaidOut, PageStateSavedMidFade) {
  word.FadeTime = 1000;
  word.TextDelay = 256;
  const GlyphStream text = GlyphStream().Decoration({}).Text(Sjis("あいうえお"), 0, 20).Var("1").Event("e");
  SetSceneVariables(nullptr);
  TWdPage& page = Lay(text);
  page.Render(true);
  RevealedPerFrame(5);
  ASSERT_EQ(Revealed(), 3);
  ASSERT_FALSE(page.Fading.empty());
  const int32_t fadingAlpha = page.GetItem(0)->GetItem(0)->GetAlpha();
  ASSERT_GT(fadingAlpha, 0);
  ASSERT_LT(fadingAlpha, 255);
  TMemoryStream saved;
  page.SaveState(saved);

  TWdPage& restored = Lay(text);
  restored.Render(true);
  saved.SetPosition(0);
  restored.LoadState(saved);
  EXPECT_EQ(saved.Remaining(), 0);
  EXPECT_EQ(Revealed(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(restored.GetItem(0)->GetItem(i)->GetAlpha(), 255) << i;
  EXPECT_EQ(restored.GetItem(0)->GetItem(3)->GetAlpha(), 0);
  EXPECT_TRUE(restored.Fading.empty());

  TMemoryStream cut;  // a record that ends inside the page fields changes nothing
  WriteStreamInt(cut, 0);
  WriteStreamInt(cut, -99);
  cut.SetPosition(0);
  EXPECT_THROW(restored.LoadState(cut), EReadError);
  EXPECT_EQ(restored.RowCursor, 0);
  EXPECT_EQ(restored.GlyphCursor, 3);

  TMemoryStream hostile;
  WriteStreamInt(hostile, 0);
  WriteStreamInt(hostile, 99);
  WriteStreamInt(hostile, -4);
  WriteStreamBool(hostile, false);
  WriteStreamString(hostile, "");
  hostile.SetPosition(0);
  EXPECT_THROW(restored.LoadState(hostile), EReadError);  // the glyph alphas are missing
  EXPECT_EQ(restored.RowCursor, restored.GetCount());
  EXPECT_EQ(restored.GlyphCursor, 0);
}

}  // namespace
}  // namespace orva
