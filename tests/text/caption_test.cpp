// Captions over the fake rasteriser: TEXT split and joined, the face of an empty name, the
// quality set before each lay-out, advances, sizes and alignment, the three ways of painting
// (and what paints nothing), the invalidated rectangles, the turned hit test, pixels at 16
// and 32 bits, and the stored forms of this version and of 103.
#include <gtest/gtest.h>

#include "core/encoding.h"
#include "kit/fake_rasteriser.h"
#include "kit/page_builder.h"
#include "kit/scene_builder.h"
#include "scene/image_test_kit.h"
#include "text/caption.h"
#include "text/font_pixel_manager.h"

namespace orva {
namespace {

using scene_test::ImageFixture;
using scene_test::RecordingSurface;
using scene_test::TargetHost;

class CaptionTest : public ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    fake = std::make_shared<kit::FakeRasteriserState>();
    fake->AddFace("IPAGothic");
    // Boxes 8 high whose tops lie 2 below the cell's top (ascent 12, 10 above the base
    // line); advances A 6, B 4, C 3.
    fake->glyphs[U'A'] = kit::FakeGlyph::Box(5, 8, 0, 10, 6);
    fake->glyphs[U'B'] = kit::FakeGlyph::Box(3, 8, 0, 10, 4);
    fake->glyphs[U'C'] = kit::FakeGlyph::Box(2, 8, 0, 10, 3);
    fake->glyphs[U' '] = kit::FakeGlyph::Blank(4);
    previous_ = SetFontPixelManager(std::make_unique<TFontPixelManager>(kit::MakeFakeRasteriser(fake)));
    recorder.SetSize(640, 480, 32);
    host = CreateSceneObject<TargetHost>(Scene());
    host->SetParent(Scene().ActiveLayer());
    host->SetBounds(0, 0, 640, 480);
    host->Target = &recorder;
  }
  void TearDown() override {
    ImageFixture::TearDown();
    SetFontPixelManager(std::move(previous_));
  }
  TOrvaLabel* Caption(std::string_view text, TOrvaControl* parent = nullptr) {
    auto* caption = CreateSceneObject<TOrvaLabel>(Scene());
    caption->SetParent(parent ? parent : host);
    caption->SetLeft(10);
    caption->SetTop(20);
    caption->SetFontName("IPAGothic");
    caption->SetFontColor(0x0000FF);
    caption->SetText(text);
    return caption;
  }
  std::vector<std::string> Painted(TOrvaLabel& caption) {
    recorder.Calls.clear();
    caption.Paint();
    return recorder.Calls;
  }

  std::shared_ptr<kit::FakeRasteriserState> fake;
  RecordingSurface recorder;
  TargetHost* host = nullptr;

 private:
  std::unique_ptr<TFontPixelManager> previous_;
};

TEST_F(CaptionTest, TextIsSplitAtEveryLineBreakAndJoinedWithCrLf) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
    std::string joined;
  };
  const Case cases[] = {
      {"AB\r\nC\r\n", {"AB", "C"}, "AB\r\nC"},
      {"A\r\n\r\n", {"A"}, "A"},
      {"A\n\rB", {"A", "", "B"}, "A\r\n\r\nB"},
      {"A\r\n\r\n\r\n", {"A", ""}, "A\r\n"},
      {"\r\n", {}, ""},
      {"", {}, ""},
  };
  TOrvaLabel* caption = Caption("X");
  for (const Case& c : cases) {
    caption->SetText(c.text);
    EXPECT_EQ(caption->Lines(), c.lines) << c.text;
    EXPECT_EQ(caption->GetText(), c.joined) << c.text;
  }
}

TEST_F(CaptionTest, SizesAdvancesAlignmentFaceAndQuality) {
  TOrvaLabel* caption = Caption("AB\r\nC");
  caption->SetLineSpace(3);
  // AB: 6 + 4 = 10 wide; two lines of 12 + 3.
  EXPECT_EQ(caption->TextWidth(), 10);
  EXPECT_EQ(caption->TextHeight(), 30);
  EXPECT_EQ(caption->GetWidth(), 10);
  EXPECT_EQ(caption->GetHeight(), 30);
  // Each line's glyph pixels, in the mask: the second line's C starts at 0, then centred
  // 7 narrower it starts 3 in (3.5 truncated), right-aligned 7 in.
  EXPECT_EQ(caption->PaintedRects(), (std::vector<TRect>{{0, 2, 9, 10}, {0, 17, 2, 25}}));
  caption->SetHAlign(HA_CENTER);
  EXPECT_EQ(caption->PaintedRects()[1], (TRect{3, 17, 5, 25}));
  caption->SetHAlign(7);
  EXPECT_EQ(caption->PaintedRects()[1], (TRect{7, 17, 9, 25}));

  // The zoom sizes the control; below 1 is 1.
  caption->SetZoomX(512);
  EXPECT_EQ(caption->GetWidth(), 20);
  caption->SetZoomY(0);
  EXPECT_EQ(caption->GetZoomY(), 1);
  EXPECT_EQ(caption->GetHeight(), 30 / 256);

  // The quality goes with every lay-out; an empty face name is the fixed-pitch Gothic.
  TFontPixelManager& glyphs = FontPixelManager();
  caption->SetAntialias(true);
  EXPECT_EQ(glyphs.Quality, 3);
  glyphs.Quality = 1;
  caption->SetFontName("");
  EXPECT_EQ(glyphs.Quality, 3);
  EXPECT_NE(glyphs.FindGlyph('A', Sjis("ＭＳ ゴシック"), 12, 0, 3), nullptr);
  caption->SetAntialias(false);
  EXPECT_EQ(glyphs.Quality, 0);
  EXPECT_NE(glyphs.FindGlyph('A', Sjis("ＭＳ ゴシック"), 12, 0, 0), nullptr);
}

TEST_F(CaptionTest, ThreeWaysOfPaintingAndWhatPaintsNothing) {
  TOrvaLabel* caption = Caption("AB\r\nC");
  // Unzoomed and unturned: the font colour through the mask, line by line.
  const std::vector<std::string> plain = {"DrawColorMask 10,22 [0,2,9,10] pxff0000 a255",
                                          "DrawColorMask 10,42 [0,22,2,30] pxff0000 a255"};
  caption->SetLineSpace(8);
  EXPECT_EQ(Painted(*caption), plain);
  // ALPHA above 255 is passed on as it is (the colour mask draws it opaque); ANGLE 256 is 0.
  caption->SetAlpha(300);
  caption->SetAngle(256);
  EXPECT_EQ(Painted(*caption)[0], "DrawColorMask 10,22 [0,2,9,10] pxff0000 a300");
  // Zoomed or mirrored (which mirrors the hot spot too): the colour picture stretched
  // through the mask, blended or added.
  caption->SetZoomX(512);
  EXPECT_EQ(Painted(*caption), std::vector<std::string>{"StretchDrawMaskAdd [10,20,30,60] a44"});
  caption->SetAlpha(200);
  caption->SetZoomX(256);
  caption->SetFlipH(true);
  EXPECT_EQ(Painted(*caption), std::vector<std::string>{"StretchDrawMaskAlpha [1,20,11,60] a200 H"});
  // Turned: the whole picture about the hot spot, mirrored and zoomed.
  caption->SetAngle(64);
  caption->SetOffsetX(2);
  EXPECT_EQ(Painted(*caption),
            std::vector<std::string>{"DrawRotateMask 10,20 zoom 256,256 about 7,0 turn 64 a200 H"});
  caption->SetAngle(0);
  caption->SetFlipH(false);
  caption->SetOffsetX(0);

  // A child is painted after the caption, but not when the caption has no lines or ALPHA 0.
  TOrvaLabel* child = Caption("C", caption);
  EXPECT_EQ(Painted(*caption).size(), 3u);
  caption->SetAlpha(0);
  EXPECT_TRUE(Painted(*caption).empty());
  // Below 0 only the caption's own text is gone.
  caption->SetAlpha(-1);
  EXPECT_EQ(Painted(*caption), std::vector<std::string>{"DrawColorMask 20,42 [0,2,2,10] pxff0000 a255"});
  caption->SetAlpha(255);
  caption->SetText("");
  EXPECT_TRUE(Painted(*caption).empty());
  EXPECT_EQ(child->Lines().size(), 1u);
}

TEST_F(CaptionTest, AnEmptiedTextMarksWhereItWasAndAZeroHeightLeavesNoPicture) {
  TOrvaLabel* caption = Caption("AB");
  ClearDirty();
  caption->SetText("");
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{10, 20, 20, 32}}));
  caption->SetText("AB");
  caption->SetAngle(32);
  // No height, or lines so far apart that the picture would pass the pixel cap.
  struct Case {
    int32_t height, lineSpace;
  };
  for (const Case c : {Case{0, 0}, Case{-12, 0}, Case{12, 600'000'000}}) {
    const int32_t height = c.height;
    caption->SetText("AB\r\nC");
    caption->SetFontHeight(height);
    caption->SetLineSpace(c.lineSpace);
    EXPECT_TRUE(caption->ColourPicture().IsEmpty()) << height;
    EXPECT_TRUE(caption->Mask().IsEmpty()) << height;
    EXPECT_TRUE(caption->PaintedRects().empty()) << height;
    recorder.Calls.clear();
    caption->Paint();
    for (const std::string& call : recorder.Calls) EXPECT_EQ(call.find("[0,0,0,0]"), std::string::npos) << call;
  }
}

TEST_F(CaptionTest, AHitOnATurnedCaptionIsTestedTurnedBack) {
  TOrvaLabel* caption = Caption("AAAA");  // 24 × 12 at (10, 20)
  EXPECT_EQ(caption->HitTest({33, 31}, 0xFF), caption);
  EXPECT_EQ(caption->HitTest({34, 31}, 0xFF), nullptr);
  // A quarter turn about its origin: the caption hangs downwards and to the left of it.
  caption->SetAngle(64);
  EXPECT_EQ(caption->HitTest({33, 21}, 0xFF), nullptr);
  EXPECT_EQ(caption->HitTest({5, 40}, 0xFF), caption);
  caption->SetIgnoreMouse(IM_ALL);
  EXPECT_EQ(caption->HitTest({5, 40}, IgnoreMouseBit(IM_NONE)), nullptr);
}

class CaptionPixels : public CaptionTest, public testing::WithParamInterface<int> {};

TEST_P(CaptionPixels, GlyphsInTheFontColourOnTheLayer) {
  UseDepth(GetParam());
  Scene().ActiveLayer()->SetColor(0x101010);
  TOrvaLabel* caption = Caption("AB", Scene().ActiveLayer());
  caption->SetFontColor(0x00FFFF);
  Repaint();
  // The colour of a pixel, each channel scaled to 8 bits: within the rounding of a full
  // coverage drawn through the mask.
  TCustomDIBX& screen = BackBuffer();
  const auto rgb = [&](int x, int y) {
    const uint32_t p = Pixel(x, y);
    uint32_t out = 0;
    for (auto [mask, shift] : {std::pair{screen.GetRedMask(), screen.GetRedShift()},
                               {screen.GetGreenMask(), screen.GetGreenShift()},
                               {screen.GetBlueMask(), screen.GetBlueShift()}})
      out = out << 8 | ((p & mask) >> shift) * 255 / (mask >> shift);
    return out;
  };
  const auto near = [](uint32_t a, uint32_t b) {
    for (int shift : {0, 8, 16})
      if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > 10) return false;
    return true;
  };
  EXPECT_TRUE(near(rgb(10, 22), 0xFFFF00)) << std::hex << rgb(10, 22);
  EXPECT_TRUE(near(rgb(14, 29), 0xFFFF00)) << std::hex << rgb(14, 29);
  EXPECT_TRUE(near(rgb(15, 22), 0x101010)) << std::hex << rgb(15, 22);
  EXPECT_TRUE(near(rgb(16, 22), 0xFFFF00)) << std::hex << rgb(16, 22);
  EXPECT_TRUE(near(rgb(10, 21), 0x101010)) << std::hex << rgb(10, 21);
  // Half transparent over the ground.
  caption->SetAlpha(128);
  Repaint();
  EXPECT_TRUE(near(rgb(10, 22), 0x888808)) << std::hex << rgb(10, 22);
}

INSTANTIATE_TEST_SUITE_P(Depths, CaptionPixels, testing::Values(16, 32));

// The screen changes depth under a zoomed caption (which draws its colour picture): the
// surfaces are released and made again, and the caption lays itself out at the new depth.
TEST_F(CaptionTest, ARecreatedScreenLaysTheCaptionOutAgainAtItsDepth) {
  Scene().ActiveLayer()->SetColor(0);
  TOrvaLabel* caption = Caption("AB", Scene().ActiveLayer());
  caption->SetFontColor(0x00FF00);
  caption->SetZoomY(512);
  Repaint();
  UseDepth(16);
  Repaint();
  EXPECT_EQ(caption->ColourPicture().GetBitCount(), 16);
  // Rows 2..9 of the glyph cell, twice as high.
  const uint32_t glyph = Pixel(10, 26);
  EXPECT_EQ(glyph & BackBuffer().GetGreenMask(), BackBuffer().GetGreenMask()) << std::hex << glyph;
  EXPECT_EQ(Pixel(10, 21), 0u);
}

TEST_F(CaptionTest, StoredFormsOfThisVersionAnd103) {
  TOrvaLabel* caption = Caption("AB\r\nC");
  caption->SetZoomX(300);
  caption->SetZoomY(512);
  caption->SetHAlign(HA_RIGHT);
  caption->SetOnIdle("idle.osb");
  caption->SetPaused(true);
  TMemoryStream saved;
  caption->SaveToStream(saved);
  saved.SetPosition(0);
  auto* copy = CreateSceneObject<TOrvaLabel>(Scene());
  copy->SetParent(host);
  copy->LoadFromStream(saved, 133);
  EXPECT_EQ(saved.GetPosition(), saved.GetSize());
  EXPECT_EQ(copy->GetText(), "AB\r\nC");
  EXPECT_EQ(copy->GetOnIdle(), "idle.osb");
  EXPECT_TRUE(copy->GetPaused());
  // The bounds follow both saved zooms.
  EXPECT_EQ(copy->GetWidth(), 10 * 300 / 256);
  EXPECT_EQ(copy->GetHeight(), 24 * 2);
  EXPECT_EQ(copy->PaintedRects(), caption->PaintedRects());

  kit::ControlRecord record;
  record.Name = "old";
  record.Left = 5;
  kit::Fields fields;
  fields.Str("IPAGothic").Int(12).Int(0).Byte(0).Int(255).Int(0xFF).Byte(0).Byte(1).Byte(0).Byte(0).Int(0).Int(256);
  fields.Str("ABC");
  record.Extra = fields.Bytes();
  kit::SceneBuilder builder(103);
  builder.Control(record);
  TMemoryStream& old = builder.Done();
  auto* loaded = CreateSceneObject<TOrvaLabel>(Scene());
  loaded->SetParent(host);
  loaded->LoadFromStream(old, 103);
  EXPECT_EQ(old.GetPosition(), old.GetSize());
  EXPECT_EQ(loaded->GetText(), "ABC");
  EXPECT_TRUE(loaded->GetAntialias());
  EXPECT_EQ(loaded->GetWidth(), 13);
  EXPECT_EQ(loaded->GetZoomY(), 256);
}

}  // namespace
}  // namespace orva
