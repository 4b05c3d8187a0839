// Animated images over kit-written layered images: frame timing, the end of a pass (repeat,
// free, rest with ONPLAYEND), the DELAY expression, INDEX, brightness, the source rule, motion
// sources and the stored form; and the frame list's own step.
#include <gtest/gtest.h>

#include "core/frame_clock.h"
#include "kit/film_doubles.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "image_test_kit.h"
#include "scene/image_cache.h"
#include "script/param_collection.h"

namespace orva {
namespace {

using scene_test::ImageFixture;
using scene_test::PictureFrame;

std::vector<PictureFrame> Frames(std::initializer_list<int32_t> delays, int32_t size = 4) {
  std::vector<PictureFrame> frames;
  uint32_t colour = 0x102030;
  for (int32_t d : delays) frames.push_back({.Width = size, .Height = size, .Colour = colour += 0x010101, .Delay = d});
  return frames;
}

std::unique_ptr<TOrvaParser> Compiled(std::string_view text) {
  auto expr = std::make_unique<TOrvaParser>();
  TMemoryStream stream(kit::Expr(text));
  expr->LoadFromStream(stream);
  return expr;
}

class AnimatedImage : public ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    FrameDelta = 16;
    SetSceneVariables(&vars);
  }
  void TearDown() override {
    SetSceneVariables(nullptr);
    ImageFixture::TearDown();
  }
  // The scene's update n times; the steps (1-based) at which INDEX changed.
  std::vector<int> Changes(TOrvaImages& image, int n) {
    std::vector<int> steps;
    for (int step = 1; step <= n; ++step) {
      const int32_t before = image.GetIndex();
      Scene().Idle();
      if (image.GetIndex() != before) steps.push_back(step);
    }
    return steps;
  }

  kit::FrameScope frameScope;
  TParamCollection vars;
};

TEST_F(AnimatedImage, OneOrTwoFramesDropTheOvershootThreeCarryIt) {
  AddPicture("two.vsk", Frames({100, 100}));
  AddPicture("three.vsk", Frames({100, 100, 100}));
  TOrvaImages* two = Image("two", "two.vsk");
  two->SetRepeat(true);
  // 100 − 7 × 16 < 0 at each change, and the 12 ms left over are dropped.
  EXPECT_EQ(Changes(*two, 30), (std::vector<int>{7, 14, 21, 28}));
  TOrvaImages* three = Image("three", "three.vsk");
  three->SetRepeat(true);
  // 100 − 112 = −12 carried into frame 1 (88), then −8 into frame 2 (92); the wrap to frame
  // 0 drops what is left.
  EXPECT_EQ(Changes(*three, 30), (std::vector<int>{7, 13, 19, 26}));
  EXPECT_TRUE(three->GetPlaying());
}

TEST_F(AnimatedImage, AtTheLastFrameAPassRestsQueuingOnPlayEndAtEveryUpdate) {
  AddPicture("one.vsk", Frames({20}));
  TOrvaImages* image = Image("one", "one.vsk");
  image->SetOnPlayEnd("end.osb");
  EXPECT_EQ(image->GetCount(), 1);
  Scene().Idle();
  EXPECT_EQ(Scene().Events().Count(), 0) << "20 − 16 ms still to show";
  EXPECT_TRUE(image->GetPlaying());
  Scene().Idle();
  Scene().Idle();
  Scene().Idle();
  ASSERT_EQ(Scene().Events().Count(), 3) << "one event at every update while it rests";
  EXPECT_EQ(Scene().Events().GetEvent(0)->Kind, PR_ONPLAYEND);
  EXPECT_EQ(Scene().Events().GetEvent(0)->Handler, "end.osb");
  EXPECT_EQ(image->GetIndex(), 0) << "one frame never advances";
  EXPECT_FALSE(image->GetPlaying());
  // Paused, hidden or another index: no more events.
  Scene().Events().Clear();
  image->SetPaused(true);
  Scene().Idle();
  image->SetPaused(false);
  image->SetAniPaused(true);
  Scene().Idle();
  EXPECT_EQ(Scene().Events().Count(), 0);
}

TEST_F(AnimatedImage, AutoScrapFreesTheImageAndItsSpotIsDrawnAgain) {
  AddPicture("puff.vsk", Frames({20, 20}));
  TOrvaImages* image = Image("puff", "puff.vsk");
  image->SetLeft(30);
  image->SetTop(40);
  image->SetAutoScrap(true);
  Scene().Idle();
  Scene().Idle();
  ASSERT_EQ(image->GetIndex(), 1);
  ClearDirty();
  Scene().Idle();
  Scene().Idle();
  EXPECT_EQ(Scene().FindObject("puff"), nullptr);
  EXPECT_EQ(ObjectNames(), std::vector<std::string>{});
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{30, 40, 34, 44}}));
}

TEST_F(AnimatedImage, TheDelayExpressionLengthensTheLastFrameOfEveryPass) {
  AddPicture("blink.vsk", Frames({100, 100}));
  vars.AddVariable(PT_INT).SetName("x");
  vars.Find("x")->SetAsInteger(5);
  TOrvaImages* image = Image("blink", "blink.vsk");
  image->AssignExpression(PR_DELAY, *Compiled("x * 100"));
  image->SetRepeat(true);
  // Frame 1 shows 100 + 500 ms: 38 steps (600 − 38 × 16 < 0).
  EXPECT_EQ(Changes(*image, 60), (std::vector<int>{7, 45, 52}));
  EXPECT_EQ(image->GetFrameCountdown(), 100 + 500 - 8 * 16);
  // Evaluated anew at each pass: the 472 ms left run out at step 30, then 100 ms a frame.
  vars.Find("x")->SetAsInteger(0);
  EXPECT_EQ(Changes(*image, 45), (std::vector<int>{30, 37, 44}));
}

TEST_F(AnimatedImage, AnIndexOutsideTheFramesIsKeptAndStopsTheAnimation) {
  AddPicture("abc.vsk", Frames({50, 50, 50}));
  TOrvaImages* image = Image("abc", "abc.vsk");
  image->SetRepeat(true);
  TCustomDIBX* first = image->GetImage();
  image->SetIndex(5);
  EXPECT_EQ(image->GetIndex(), 5);
  EXPECT_EQ(image->GetImage(), first) << "no change";
  EXPECT_EQ(Changes(*image, 20), std::vector<int>{});
  image->SetIndex(0);
  EXPECT_EQ(Changes(*image, 5), std::vector<int>{4});
  // The list's own frame pictures and masks are shown.
  TOrvaImageList& frames = *image->GetFrameList();
  EXPECT_EQ(image->GetImage(), frames.GetItem(1)->GetDIB());
  EXPECT_EQ(frames.GetItem(3), nullptr);
  EXPECT_EQ(frames.GetItem(-1), nullptr);
}

TEST_F(AnimatedImage, BrightnessChangesTheFrameCopyAndTheKeyAlike) {
  PictureFrame plain{.Width = 2, .Height = 1, .Rows = {{0x808080, 0x204060}}};
  PictureFrame keyed{.Width = 2, .Height = 1, .Key = 0x204060, .Rows = {{0x808080, 0x204060}}};
  AddPicture("plain.vsk", {plain});
  AddPicture("keyed.vsk", {keyed});
  TOrvaImages* image = Image("plain", "plain.vsk");
  TCustomDIBX* cached = image->GetImage();
  image->SetBrightness(-255);
  TCustomDIBX* dark = image->GetImage();
  ASSERT_NE(dark, cached);
  EXPECT_EQ(dark->GetPixel(0, 0), 0u);
  EXPECT_EQ(dark->GetPixel(1, 0), 0u);
  EXPECT_EQ(dark->TransparentColor, -1);
  image->SetBrightness(0x10);
  EXPECT_EQ(image->GetImage()->GetPixel(1, 0), 0x305070u);
  image->SetBrightness(0);
  EXPECT_EQ(image->GetImage(), cached) << "the cache's picture again";

  // With a key every pixel turns into the darkened key: nothing is left to draw.
  image->SetSource("keyed.vsk");
  image->SetBrightness(-255);
  dark = image->GetImage();
  EXPECT_EQ(dark->TransparentColor, int32_t(dark->GetPixel(0, 0)));
  EXPECT_EQ(dark->TransparentColor, int32_t(dark->GetPixel(1, 0)));
  image->SetBrightness(-0x10);
  EXPECT_EQ(image->GetImage()->TransparentColor, 0x103050);
  EXPECT_EQ(image->GetImage()->GetPixel(1, 0), 0x103050u);
  EXPECT_EQ(image->GetImage()->GetPixel(0, 0), 0x707070u);
}

TEST_F(AnimatedImage, TheSourceRuleTakesLayeredImagesInAnyCaseAndNothingElse) {
  AddPicture("pic.vsk", Frames({10, 10}, 6));
  files.Add("pic.bmp", "BM");
  TOrvaImages* image = Image("pic", "PIC.VSK");
  EXPECT_EQ(image->GetCount(), 2);
  EXPECT_EQ(image->GetIndex(), 0);
  EXPECT_EQ(image->GetWidth(), 6);
  ClearDirty();
  image->SetSource("pic.bmp");
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{0, 0, 6, 6}})) << "the old picture's place is drawn again";
  EXPECT_EQ(image->GetCount(), 0);
  EXPECT_EQ(image->GetIndex(), -1);
  EXPECT_EQ(image->GetImage(), image->OwnSurface());
  EXPECT_TRUE(image->GetImage()->IsEmpty());
  // REPEAT with INDEX outside the frames sets INDEX 0, which shows nothing here.
  image->SetRepeat(true);
  EXPECT_EQ(image->GetIndex(), 0);
  EXPECT_TRUE(image->GetImage()->IsEmpty());
  // A missing file: the cache's invisible 8 × 8 placeholder.
  image->SetSource("missing.vsk");
  EXPECT_EQ(image->GetCount(), 1);
  EXPECT_EQ(image->GetWidth(), 8);
  Repaint();
  EXPECT_EQ(Pixel(3, 3), 0u) << "nothing drawn";
  EXPECT_EQ(GetImageCache()->Collection().Find("pic.vsk")->Users().size(), 0u) << "the old frames went back";
}

TEST_F(AnimatedImage, AMotionSourceCountsItsTicksAndIndexMovesItsClock) {
  kit::TestFilms films;
  films.Length = 90;
  files.Add("walk.omt", "");
  TOrvaImages* image = Image("walker", "walk.OMT");
  ASSERT_NE(image->GetMotion(), nullptr);
  EXPECT_EQ(films.Last->Loaded, "walk.OMT");
  EXPECT_EQ(films.Last->Ticks, std::vector<int32_t>{0}) << "its first step runs at once";
  EXPECT_EQ(image->GetCount(), 90);
  image->SetIndex(60);
  EXPECT_EQ(image->GetMotion()->Clock(), 1000);
  Scene().Idle();
  EXPECT_EQ(image->GetIndex(), 60);
  // A source of frames frees the motion.
  AddPicture("still.vsk", Frames({10}));
  image->SetSource("still.vsk");
  EXPECT_EQ(image->GetMotion(), nullptr);
  EXPECT_EQ(image->GetCount(), 1);
}

TEST_F(AnimatedImage, ALoadShowsTheSavedFrameAfterFrameZerosTime) {
  AddPicture("anim.vsk", Frames({30, 40, 50, 60}));
  TOrvaImages* image = Image("anim", "anim.vsk");
  image->SetRepeat(true);
  image->SetOnPlayEnd("end.osb");
  image->SetBrightness(-20);
  image->AssignExpression(PR_DELAY, *Compiled("7"));
  image->SetIndex(2);
  ASSERT_EQ(image->GetFrameCountdown(), 30 + 50);
  Scene().Idle();

  TMemoryStream saved;
  Scene().SaveToStream(saved);
  saved.SetPosition(0);
  Scene().LoadFromStream(saved, GameSaveVersion);
  auto* loaded = dynamic_cast<TOrvaImages*>(Scene().FindObject("anim"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetIndex(), 2);
  EXPECT_EQ(loaded->GetFrameCountdown(), 30 + 50) << "frame 0's time, then frame 2's; the saved one is not kept";
  EXPECT_EQ(loaded->GetImage(), loaded->GetFrameList()->GetItem(2)->GetDIB());
  EXPECT_EQ(loaded->GetBrightness(), -20);
  EXPECT_TRUE(loaded->GetRepeat());
  EXPECT_EQ(loaded->GetOnPlayEnd(), "end.osb");
  EXPECT_EQ(loaded->DelayExpression().Count(), Compiled("7")->Count());
  EXPECT_EQ(loaded->GetWidth(), 4);
}

TEST_F(AnimatedImage, AFrameDrawsItselfAsTheObjectWouldWithoutItsPlacementExtras) {
  AddPicture("cell.vsk", {{.Width = 6, .Height = 4}});
  scene_test::RecordingSurface recorder;
  recorder.SetSize(640, 480, 32);
  auto* host = CreateSceneObject<scene_test::TargetHost>(Scene());
  host->SetParent(Scene().ActiveLayer());
  host->SetBounds(5, 7, 100, 100);
  host->SetScrollX(0);
  host->Target = &recorder;
  TOrvaImages* image = Image("cell", "cell.vsk", host);
  image->SetLeft(10);
  image->SetTop(20);
  image->SetPlusX(100);  // moves the image, not the frame's turned drawing
  TOrvaImageData& frame = *image->GetFrameList()->GetItem(0);
  struct Case {
    int32_t alpha, angle, width;
    const char* call;
  } cases[] = {
      {255, 0, 6, "Draw 115,27"},
      {100, 0, 7, "StretchDrawAlpha [115,27,122,31] a100"},
      {300, 64, 6, "DrawRotate 15,27 zoom 0,256 about 0,0 turn 64 a300"},  // ZOOMX 0 since WIDTH was set
      {511, 0, 6, "DrawAdd 115,27 a255"},
      {512, 0, 6, ""},
      {0, 0, 6, ""},
  };
  for (const Case& c : cases) {
    image->SetAlpha(c.alpha);
    image->SetAngle(c.angle);
    if (c.width != image->GetWidth()) image->SetWidth(c.width);
    recorder.Calls.clear();
    frame.DrawFor(*image);
    EXPECT_EQ(recorder.Calls, *c.call ? std::vector<std::string>{c.call} : std::vector<std::string>{}) << c.alpha;
  }
  image->SetAlpha(254);
  image->SetFlipV(true);
  recorder.Calls.clear();
  frame.DrawAt(*image, 3, 4, {0, 0, 2, 2});
  EXPECT_EQ(recorder.Calls, std::vector<std::string>{"DrawAlpha 3,4 a254 V"});
}

TEST(ImageList, TheStepSkipsShortFramesButStopsAtTheWrapDroppingTheRest) {
  kit::FrameScope frameScope;
  kit::GameFiles files;
  files.Add("fast.vsk", scene_test::PictureFile(Frames({5, 5, 5, 100})));
  TFileManagerVaskServices services;
  TVaskCollection cache(services);
  TOrvaImageList list;
  int user = 0;
  list.LoadFromCache(cache, &user, "fast.vsk", false);
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.GetCountdown(), 6);
  FrameDelta = 16;
  EXPECT_TRUE(list.Tick());
  EXPECT_EQ(list.GetIndex(), 3) << "6 − 16 + 5 + 5 < 1: frames 1 and 2 are passed over";
  EXPECT_EQ(list.GetCountdown(), 100);
  for (int i = 0; i < 6; ++i) EXPECT_FALSE(list.Tick());
  EXPECT_TRUE(list.Tick());
  EXPECT_EQ(list.GetIndex(), 0);
  EXPECT_EQ(list.GetCountdown(), 5) << "the 12 ms overshoot at the wrap are dropped";
  list.SetIndex(9);
  EXPECT_EQ(list.GetIndex(), 3);
  EXPECT_EQ(list.GetCountdown(), 101);
  list.Clear();
  EXPECT_TRUE(cache.Find("fast.vsk")->Users().empty());
  EXPECT_FALSE(list.Tick());
}

}  // namespace
}  // namespace orva

namespace orva {
namespace {

TEST(ImageData, TiledFramesFillAPatternOnlyWhenOpaqueUnkeyedAndUnmasked) {
  TVaskItemFrame cell;
  cell.Image = std::make_unique<TDIBX>();
  cell.Image->SetSize(6, 4, 32);
  TOrvaImageData frame(cell);
  scene_test::RecordingSurface target;
  target.SetSize(64, 64, 32);
  const TRect r{2, 3, 30, 20};
  auto tiled = [&](int32_t alpha) {
    target.Calls.clear();
    frame.DrawTiled(target, r, -5, 7, alpha);
    return target.Calls;
  };
  EXPECT_EQ(tiled(255), std::vector<std::string>{"FillPattern [2,3,30,20] from -5,7"});
  EXPECT_EQ(tiled(100), std::vector<std::string>{"StretchDrawEx [2,3,30,20] zoom 256,256 from -5,7 a100"});
  EXPECT_EQ(tiled(300), std::vector<std::string>{"StretchDrawEx [2,3,30,20] zoom 256,256 from -5,7 a300"});
  cell.Image->TransparentColor = 0;
  EXPECT_EQ(tiled(255), std::vector<std::string>{"StretchDrawEx [2,3,30,20] zoom 256,256 from -5,7 a255 key"});
  cell.Mask = std::make_unique<TDIBX>();
  cell.Mask->SetSize(6, 4, 8);
  EXPECT_EQ(tiled(255), std::vector<std::string>{"StretchDrawMaskEx [2,3,30,20] zoom 256,256 from -5,7 a255"});
}

}  // namespace
}  // namespace orva
