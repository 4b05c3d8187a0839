// Boxes: the fill and border each ALPHA draws, children under a box that draws nothing, real
// pixels at 16 and 32 bits, the film source rule, and the stored form of this version and of
// the oldest one.
#include <gtest/gtest.h>

#include "core/frame_clock.h"
#include "kit/film_doubles.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "kit/scene_builder.h"
#include "image_test_kit.h"
#include "scene/box.h"

namespace orva {
namespace {

using scene_test::ImageFixture;
using scene_test::RecordingSurface;
using scene_test::TargetHost;

class BoxTest : public ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    previous_ = RegisterObjectClass(LT_BOX, [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<TOrvaBox>(s); });
    recorder.SetSize(640, 480, 32);
    host = CreateSceneObject<TargetHost>(Scene());
    host->SetParent(Scene().ActiveLayer());
    host->SetBounds(0, 0, 640, 480);
    host->Target = &recorder;
  }
  void TearDown() override {
    RegisterObjectClass(LT_BOX, previous_);
    ImageFixture::TearDown();
  }
  TOrvaBox* MakeBox(TOrvaControl* parent, TRect r, int32_t color) {
    auto* box = static_cast<TOrvaBox*>(Scene().CreateObject(LT_BOX));
    box->SetParent(parent);
    box->SetBounds(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    box->SetColor(color);
    return box;
  }
  std::vector<std::string> Painted(TOrvaBox& box) {
    recorder.Calls.clear();
    box.Paint();
    return recorder.Calls;
  }

  RecordingSurface recorder;
  TargetHost* host = nullptr;

 private:
  TObjectConstructor previous_;
};

TEST_F(BoxTest, EachAlphaFillsAndFramesWithItsOwnOperation) {
  // A red box with a green border at (10, 20), 30 × 20; the recorder is 32-bit, so a pixel
  // reads 0x00RRGGBB.
  TOrvaBox* box = MakeBox(host, {10, 20, 40, 40}, 0x0000FF);
  box->SetBorderColor(0x00FF00);
  struct Case {
    int32_t alpha, border;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {-1, 0, {}},
      {0, 4, {}},
      {512, 4, {}},
      {1, 0, {"FillRectAlpha [10,20,40,40] pxff0000 a1"}},
      {254, 0, {"FillRectAlpha [10,20,40,40] pxff0000 a254"}},
      {255, 0, {"FillRect [10,20,40,40] pxff0000"}},
      // Added, the colour scaled by ALPHA − 256: black at 256, 255/256 of it at 511.
      {256, 0, {"FillRectAdd [10,20,40,40] px0"}},
      {511, 0, {"FillRectAdd [10,20,40,40] pxfe0000"}},
      {128, 4, {"FrameRectAlpha [10,20,40,40] w4 pxff00 a128", "FillRectAlpha [14,24,36,36] pxff0000 a128"}},
      {255, 4, {"FrameRect [10,20,40,40] w4 pxff00", "FillRect [14,24,36,36] pxff0000"}},
      {384, 4, {"FrameRectAdd [10,20,40,40] w4 px7f00", "FillRectAdd [14,24,36,36] px7f0000"}},
  };
  for (const Case& c : cases) {
    box->SetAlpha(c.alpha);
    box->SetBorderWidth(c.border);
    EXPECT_EQ(Painted(*box), c.calls) << c.alpha << " " << c.border;
  }

  // No fill: only the frame; no border colour: the fill inset, the band unpainted.
  box->SetAlpha(255);
  box->SetColor(-1);
  EXPECT_EQ(Painted(*box), std::vector<std::string>{"FrameRect [10,20,40,40] w4 pxff00"});
  box->SetColor(0x0000FF);
  box->SetBorderColor(-1);
  EXPECT_EQ(Painted(*box), std::vector<std::string>{"FillRect [14,24,36,36] pxff0000"});
}

TEST_F(BoxTest, ABoxThatDrawsNothingStillDrawsItsChildren) {
  TOrvaBox* box = MakeBox(host, {10, 20, 40, 40}, 0x0000FF);
  TOrvaBox* child = MakeBox(box, {1, 1, 3, 3}, 0xFF0000);
  box->SetAlpha(0);
  EXPECT_EQ(Painted(*box), std::vector<std::string>{"FillRect [11,21,13,23] pxff"});
  box->SetAlpha(600);
  child->SetColor(-1);
  EXPECT_TRUE(Painted(*box).empty());
}

TEST_F(BoxTest, PixelsOfBandsFillsAndAThinBoxAtSixteenAndThirtyTwoBits) {
  for (int bits : {16, 32}) {
    UseDepth(bits);
    Scene().ActiveLayer()->SetColor(0x000000);
    // A frame 4 wide in blue around a red fill; beside it a box 6 high whose inner height
    // is −2: only its frame; and one with a border but no border colour.
    TOrvaBox* framed = MakeBox(Scene().ActiveLayer(), {10, 10, 30, 30}, 0x0000FF);
    framed->SetBorderWidth(4);
    framed->SetBorderColor(0xFF0000);
    TOrvaBox* thin = MakeBox(Scene().ActiveLayer(), {40, 10, 60, 16}, 0x00FF00);
    thin->SetBorderWidth(4);
    thin->SetBorderColor(0xFFFFFF);
    TOrvaBox* bare = MakeBox(Scene().ActiveLayer(), {70, 10, 90, 30}, 0x00FF00);
    bare->SetBorderWidth(4);
    bare->SetBorderColor(-1);
    Repaint();
    const auto px = [&](int32_t bgr) { return BackBuffer().ColorToPixel(bgr); };
    EXPECT_EQ(Pixel(10, 10), px(0xFF0000)) << bits;
    EXPECT_EQ(Pixel(13, 20), px(0xFF0000)) << bits;
    EXPECT_EQ(Pixel(14, 14), px(0x0000FF)) << bits;
    EXPECT_EQ(Pixel(25, 25), px(0x0000FF)) << bits;
    EXPECT_EQ(Pixel(26, 26), px(0xFF0000)) << bits;
    for (int x : {40, 50, 59}) EXPECT_EQ(Pixel(x, 12), px(0xFFFFFF)) << bits << " " << x;
    EXPECT_EQ(Pixel(70, 10), px(0)) << bits;
    EXPECT_EQ(Pixel(73, 20), px(0)) << bits;
    EXPECT_EQ(Pixel(74, 14), px(0x00FF00)) << bits;
    for (TOrvaBox* b : {framed, thin, bare}) b->FreeNow();
  }
}

TEST_F(BoxTest, OnlyAFilmSourceGivesAMotion) {
  kit::TestFilms films;
  TOrvaBox* box = MakeBox(host, {0, 0, 10, 10}, 0);
  box->SetSource("walk.OMT");
  ASSERT_NE(box->GetMotion(), nullptr);
  EXPECT_EQ(films.Last->Loaded, "walk.OMT");
  box->SetSource("face.vsk");
  EXPECT_EQ(box->GetMotion(), nullptr);
  EXPECT_EQ(box->GetSource(), "face.vsk");

  // REPEAT turned on plays a finished film again.
  kit::FrameScope frames;
  FrameDelta = 16;
  films.Length = 2;
  box->SetSource("short.omt");
  for (int i = 0; i < 8; ++i) box->Idle();
  ASSERT_TRUE(box->GetMotion()->IsFinished());
  box->SetRepeat(true);
  EXPECT_FALSE(box->GetMotion()->IsFinished());
}

TEST_F(BoxTest, TheStoredFormRoundTripsAndAnOldSaveEndsAfterAlpha) {
  TOrvaBox* box = MakeBox(Scene().ActiveLayer(), {5, 6, 7, 8}, 0x123456);
  box->SetName("b");
  box->SetBorderWidth(3);
  box->SetBorderColor(0x654321);
  box->SetAlpha(300);
  box->SetOnIdle("idle.osb");
  box->SetRepeat(true);
  box->SetAutoScrap(true);
  box->SetOnPlayEnd("end.osb");
  box->SetPaused(true);
  box->SetAniPaused(true);
  TMemoryStream saved;
  box->SaveToStream(saved);
  saved.SetPosition(0);
  auto* copy = static_cast<TOrvaBox*>(Scene().CreateObject(LT_BOX));
  copy->SetParent(Scene().ActiveLayer());
  copy->LoadFromStream(saved, 133);
  EXPECT_EQ(saved.GetPosition(), saved.GetSize());
  EXPECT_EQ(copy->GetBorderWidth(), 3);
  EXPECT_EQ(copy->GetBorderColor(), 0x654321);
  EXPECT_EQ(copy->GetAlpha(), 300);
  EXPECT_EQ(copy->GetOnIdle(), "idle.osb");
  EXPECT_TRUE(copy->GetRepeat() && copy->GetAutoScrap() && copy->GetPaused() && copy->GetAniPaused());
  EXPECT_EQ(copy->GetOnPlayEnd(), "end.osb");

  // Version 103: the control, then border width, border colour and alpha, nothing more.
  kit::ControlRecord record;
  record.Name = "old";
  kit::Fields fields;
  fields.Int(2).Int(0xFF).Int(200);
  record.Extra = fields.Bytes();
  kit::SceneBuilder builder(103);
  builder.Control(record);
  TMemoryStream& old = builder.Done();
  auto* loaded = static_cast<TOrvaBox*>(Scene().CreateObject(LT_BOX));
  loaded->LoadFromStream(old, 103);
  EXPECT_EQ(old.GetPosition(), old.GetSize());
  EXPECT_EQ(loaded->GetBorderWidth(), 2);
  EXPECT_EQ(loaded->GetAlpha(), 200);
  EXPECT_EQ(loaded->GetOnIdle(), "");
}

}  // namespace
}  // namespace orva
