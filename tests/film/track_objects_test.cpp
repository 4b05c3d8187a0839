// Box and label tracks with the classes the player registers: the film's span makes a real
// box and a real caption (glyphs from the fake rasteriser), drawn on the page, and frees them
// after it.
#include <gtest/gtest.h>

#include "film_test_kit.h"
#include "kit/fake_rasteriser.h"
#include "scene/box.h"
#include "text/caption.h"
#include "text/font_pixel_manager.h"

namespace orva {
namespace {

using namespace film_test;
using kit::FilmBuilder;

class TrackObjectsTest : public FilmFixture {
 protected:
  void SetUp() override {
    FilmFixture::SetUp();
    auto fake = std::make_shared<kit::FakeRasteriserState>();
    fake->AddFace("IPAGothic");
    // A box 5 wide and 8 high, 2 below the top of its 12-pixel cell; advance 6.
    fake->glyphs[U'A'] = kit::FakeGlyph::Box(5, 8, 0, 10, 6);
    previousFont_ = SetFontPixelManager(std::make_unique<TFontPixelManager>(kit::MakeFakeRasteriser(fake)));
    // The player's own classes in place of the probes.
    RegisterObjectClass(LT_BOX, [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<TOrvaBox>(s); });
    RegisterObjectClass(LT_LABEL, [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<TOrvaLabel>(s); });
  }
  void TearDown() override {
    FilmFixture::TearDown();
    SetFontPixelManager(std::move(previousFont_));
  }

 private:
  std::unique_ptr<TFontPixelManager> previousFont_;
};

TEST_F(TrackObjectsTest, BoxAndLabelTracksMakeARealBoxAndCaptionForTheirSpan) {
  const kit::BoxTrack box{.Common = {.Length = 4},
                          .StartPos = {4, 6},
                          .EndPos = {4, 6},
                          .StartWidth = 20,
                          .StartHeight = 10,
                          .EndWidth = 20,
                          .EndHeight = 10,
                          .StartColor = 0x0000FF,
                          .EndColor = 0x0000FF,
                          .StartBorderWidth = 2,
                          .EndBorderWidth = 2,
                          .StartBorderColor = 0xFF0000,
                          .EndBorderColor = 0xFF0000};
  const kit::LabelTrack label{.Common = {.Length = 4, .Priority = 1},
                              .Picture = {.StartPos = {40, 20}, .EndPos = {40, 20}},
                              .Text = "AA",
                              .FontName = "IPAGothic",
                              .FontColor = 0x00FF00};
  Scene().ActiveLayer()->SetColor(0);
  const auto film = InPages(FilmBuilder().Size(64, 48).Add(box).Add(label), Scene());
  film->SetTime(1);
  auto* madeBox = dynamic_cast<TOrvaBox*>(film->GetTrack(0)->GetObject());
  auto* caption = dynamic_cast<TOrvaLabel*>(film->GetTrack(1)->GetObject());
  ASSERT_NE(madeBox, nullptr);
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(madeBox->GetParent(), Scene().ActiveLayer());
  EXPECT_EQ(caption->GetText(), "AA");
  EXPECT_EQ(caption->GetWidth(), 12) << "two advances of 6";

  Repaint();
  const auto px = [&](int32_t bgr) { return BackBuffer().ColorToPixel(bgr); };
  EXPECT_EQ(Pixel(4, 6), px(0xFF0000)) << "the border";
  EXPECT_EQ(Pixel(10, 10), px(0x0000FF)) << "the fill";
  // A glyph, within the rounding of a full coverage drawn through the mask.
  const uint32_t glyph = Pixel(40, 22);
  EXPECT_EQ(glyph & 0xFF00FF, 0u) << std::hex << glyph;
  EXPECT_GE(glyph >> 8 & 0xFF, 0xF8u) << std::hex << glyph;
  EXPECT_EQ(Pixel(45, 22), px(0)) << "between the glyphs";

  film->SetTime(4);
  EXPECT_TRUE(madeBox->IsQueuedForFree());
  EXPECT_TRUE(caption->IsQueuedForFree());
}

}  // namespace
}  // namespace orva
