// Flip on the headless scene under the real interpreter: the snapshot that freezes the
// screen, the objects carried to the new layer, the transition it starts and times, the layer
// change at its end with the freeing of the snapshot and of what was left behind, and its end
// from a reset.
#include <gtest/gtest.h>

#include <set>

#include "../scene/scene_test_kit.h"
#include "core/frame_clock.h"
#include "film/wipe_blur.h"
#include "film/wipe_mask.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "scene/base_list.h"
#include "scene/custom_image.h"
#include "script/call_manager.h"
#include "script/flip_command.h"
#include "script/param_collection.h"
#include "wipe_test_kit.h"

namespace orva {
namespace {

using kit::PageBuilder;
using namespace wipe_test;

constexpr int32_t kOld = 0x0000FF, kNew = 0xFF0000;  // 0x00BBGGRR: red, blue

class FlipTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(32); }
  void TearDown() override { Close(); }

  // The main scene at 64 × 48 on a screen of the depth: layer 0 shown in red with the boxes
  // "a", "b", "c" and the cabinet "cab", layer 1 blue; the interpreter on it.
  void Open(int depth) {
    screen_ = std::make_unique<scene_test::THeadlessScreen>(depth);
    previous_ = SetSceneServices({screen_.get(), &media_, &cache_});
    RegisterWipeClasses(&images_);
    CreateSceneGlobals();
    SetupColorTables(depth);
    screen_->BackBufferSurface.SetSize(64, 48, depth);
    Scene().SetWidth(64);
    Scene().SetHeight(48);
    Scene().GetLayer(0)->SetColor(kOld);
    Scene().GetLayer(1)->SetColor(kNew);
    for (const char* name : {"a", "b", "c"}) {
      auto* box = CreateSceneObject<kit::FillBox>(Scene());
      box->SetName(name);
      box->SetParent(Scene().GetLayer(0));
      box->SetBounds(name[0] == 'a' ? 0 : 20, 0, 10, 10);
      box->SetColor(0x00FF00);
    }
    auto* cabinet = CreateSceneObject<TOrvaCabinet>(Scene());
    cabinet->SetName("cab");
    cabinet->SetParent(Scene().GetLayer(0));
    vars_ = std::make_unique<TParamCollection>();
    man_ = std::make_unique<TCallMan>(*vars_);
    man_->SetScene(&Scene().Link());
    vars_->AddVariable(PT_INT).SetName("done");
    vars_->AddVariable(PT_STR).SetName("names");
    Paint();
  }
  void Close() {
    man_.reset();
    vars_.reset();
    FreeSceneGlobals();
    RegisterWipeClasses(nullptr);
    SetSceneServices(previous_);
    SetupColorTables(15);
  }

  TOrvaBaseList& Scene() { return *GetMainScene(); }
  TDIBX& BackBuffer() { return screen_->BackBufferSurface; }
  // The shell's frame: the interpreter, the scene's update and paint, the dirty lists cleared.
  void Paint() {
    Scene().Paint();
    Scene().GetLayer(0)->DirtyRects().Clear();
    Scene().GetLayer(1)->DirtyRects().Clear();
  }
  void Frame() {
    kit::RunFrame(*man_);
    Scene().Idle();
    Paint();
  }
  // Frames until the command after the Flip has run; -1 after 100.
  int FramesUntilDone() {
    for (int n = 1; n <= 100; ++n) {
      Frame();
      if (vars_->Find("done")->GetAsInteger() == 1) return n;
    }
    return -1;
  }
  void Start(const kit::FlipFields& flip) {
    files_.Add("start.osb", PageBuilder().Flip(flip).Calc("done = 1").Wait("100000"));
    man_->Start("start.osb");
  }
  // The layer (0, 1) an object lies on; -1 when it is gone.
  int LayerOf(const char* name) {
    TOrvaObject* object = Scene().FirstNamed(name);
    if (!object) return -1;
    return object->GetParent() == Scene().GetLayer(0) ? 0 : 1;
  }
  TOrvaCustomImage* Snapshot() {
    return dynamic_cast<TOrvaCustomImage*>(Scene().FindControl(TransitionSnapshotName));
  }
  uint32_t Pixel(int32_t colour) { return BackBuffer().ColorToPixel(colour); }

  kit::FrameScope frameScope_;
  kit::GameFiles files_;
  FakeMaskImages images_;
  std::unique_ptr<TParamCollection> vars_;
  std::unique_ptr<TCallMan> man_;
  std::unique_ptr<scene_test::THeadlessScreen> screen_;
  scene_test::TFakeMedia media_;
  scene_test::TFakeImageCache cache_;
  TSceneServices previous_;
};

TEST_F(FlipTest, CarryingSnapshotAndTheEndAsOneTable) {
  struct Case {
    const char* what;
    kit::FlipFields flip;
    std::set<std::string> carried;  // on the new layer at the end
    bool snapshot;                  // made at the start
    int frames;                     // until the command after it runs
    std::set<std::string> freed;
  } cases[] = {
      {"FL_OUT, no names: all", {.transition = "1", .duration = "100", .carry = "0"}, {"a", "b", "c", "cab"}, true, 9, {}},
      {"FL_OUT keeps the named", {.transition = "2", .duration = "100", .carry = "0", .nameLists = {"\"a\""}},
       {"b", "c", "cab"}, true, 9, {}},
      {"FL_STAY, no names: none", {.transition = "36", .duration = "100", .carry = "1"}, {}, true, 9, {}},
      {"FL_STAY, two lines", {.transition = "11", .duration = "100", .carry = "1", .nameLists = {"names"}},
       {"a", "c"}, true, 9, {}},
      {"another mode carries none", {.transition = "1", .duration = "100", .carry = "2", .nameLists = {"\"a\""}},
       {}, true, 9, {}},
      {"no carry mode", {.transition = "1", .duration = "100"}, {}, false, 9, {}},
      {"no carry mode, no duration", {.transition = "1"}, {}, false, 3, {}},
      {"duration 0 with a carry mode", {.transition = "1", .duration = "0", .carry = "0"},
       {"a", "b", "c", "cab"}, false, 1, {}},
      {"transition 0", {.duration = "100", .carry = "1"}, {}, true, 3, {}},
      {"free old", {.transition = "1", .duration = "100", .carry = "0", .nameLists = {"\"a\nb\""}, .freeOld = "TRUE"},
       {"c", "cab"}, true, 9, {"a", "b"}},
      {"free old spares cabinets", {.transition = "1", .duration = "100", .carry = "1", .freeOld = "TRUE"}, {}, true, 9,
       {"a", "b", "c"}},
  };
  for (const Case& c : cases) {
    Close();
    Open(32);
    vars_->Find("names")->SetAsString("a\r\nc");
    Start(c.flip);
    Frame();
    EXPECT_EQ(Snapshot() != nullptr, c.snapshot) << c.what;
    if (Snapshot()) {
      EXPECT_EQ(Snapshot()->GetParent(), Scene().GetLayer(0)) << c.what;
      EXPECT_EQ(Snapshot()->GetIgnoreMouse(), IM_ALL);
    }
    const int frames = vars_->Find("done")->GetAsInteger() == 1 ? 1 : 1 + FramesUntilDone();
    EXPECT_EQ(frames, c.frames) << c.what;
    EXPECT_EQ(Scene().ActiveIndex(), 1) << c.what;
    EXPECT_EQ(Scene().GetTransition(), nullptr) << c.what;
    Frame();  // the deferred freeing
    EXPECT_EQ(Snapshot(), nullptr) << c.what;
    for (const char* name : {"a", "b", "c", "cab"}) {
      const int want = c.freed.contains(name) ? -1 : c.carried.contains(name) ? 1 : 0;
      EXPECT_EQ(LayerOf(name), want) << c.what << ": " << name;
    }
    EXPECT_EQ(BackBuffer().GetPixel(40, 40), Pixel(kNew)) << c.what << ": the new layer is shown";
  }
}

TEST_F(FlipTest, TheSnapshotFreezesWhatTheShownLayerShowed) {
  for (int depth : {15, 16, 32}) {
    Close();
    Open(depth);
    TDIBX before;
    before.SetSize(64, 48, depth);
    before.Assign(BackBuffer());
    ASSERT_EQ(before.GetPixel(5, 5), BackBuffer().ColorToPixel(0x00FF00));
    ASSERT_EQ(before.GetPixel(40, 40), BackBuffer().ColorToPixel(kOld));
    // Everything is carried away; the old layer keeps only the frozen picture.
    Start({.transition = "1", .duration = "160", .carry = "0"});
    Frame();
    EXPECT_TRUE(Scene().RedrawAllRect().IsEmpty()) << "a new transition has changed nothing yet";
    ASSERT_TRUE(Snapshot()) << depth;
    EXPECT_EQ(DifferenceFrom((*Snapshot()->OwnSurface()), before), "") << depth;
    EXPECT_EQ((*Snapshot()->OwnSurface()).TransparentColor, -1);
    EXPECT_EQ(Snapshot()->GetWidth(), 64);
    EXPECT_EQ(LayerOf("a"), 1);
    // The fade: first frame of the transition old, then a blend, at the end the new layer.
    Frame();
    EXPECT_EQ(DifferenceFrom(BackBuffer(), before), "") << depth;
    for (int i = 0; i < 5; ++i) Frame();  // 80 of 160 ms
    const uint32_t mid = BackBuffer().GetPixel(40, 40);
    EXPECT_NE(mid, Pixel(kOld));
    EXPECT_NE(mid, Pixel(kNew));
    EXPECT_EQ(Scene().RedrawAllRect(), (TRect{0, 0, 64, 48}));
    EXPECT_GT(FramesUntilDone(), 0);
    EXPECT_EQ(BackBuffer().GetPixel(40, 40), Pixel(kNew));
    EXPECT_EQ(BackBuffer().GetPixel(5, 5), BackBuffer().ColorToPixel(0x00FF00)) << "the carried box";
  }
}

TEST_F(FlipTest, EveryTransitionEndsOnTheNewLayerAtEveryScreenDepth) {
  for (int depth : {15, 16, 32})
    for (bool packed : {true, false}) {
      PackedScope scope(packed);
      for (int number = 1; number < WipeTypeCount; ++number) {
        Close();
        Open(depth);
        Start({.transition = std::to_string(number), .duration = "100", .reverse = number % 2 ? "TRUE" : "FALSE"});
        Frame();
        ASSERT_NE(Scene().GetTransition(), nullptr) << number;
        EXPECT_GT(FramesUntilDone(), 3) << number << " at " << depth;
        EXPECT_EQ(Scene().GetTransition(), nullptr);
        for (auto [x, y] : {std::pair{0, 0}, std::pair{32, 24}, std::pair{63, 47}})
          EXPECT_EQ(BackBuffer().GetPixel(x, y), Pixel(kNew)) << number << " at " << depth;
      }
    }
}

TEST_F(FlipTest, TheBlurredPicturesShowWhatThePagesPaintedInTheFrameOfTheFlip) {
  // The new layer takes its colour in the same run of the script as the Flip, before it has
  // painted it: the blurred new picture is made after the paint.
  constexpr int32_t kGreen = 0x00FF00;
  files_.Add("start.osb", PageBuilder()
                              .SetProp("\"\x01\"", std::to_string(PR_COLOR), std::to_string(kGreen))
                              .Flip({.transition = std::to_string(WP_BLURWHITE), .duration = "1000"})
                              .Wait("100000"));
  man_->Start("start.osb");
  Frame();
  auto* blur = dynamic_cast<TWipeBlurWhite*>(Scene().GetTransition());
  ASSERT_TRUE(blur);
  ASSERT_TRUE(blur->Copies);
  EXPECT_EQ(blur->Copies->BlurB.GetPixel(40, 40), Pixel(kGreen));
  EXPECT_EQ(blur->Copies->BlurA.GetPixel(40, 40), Pixel(kOld));
}

TEST_F(FlipTest, TheTransitionIsConfiguredFromTheRecord) {
  Start({.transition = "2", .duration = "100", .reverse = "TRUE", .param0 = "7", .param1 = "3", .mask = "\"m.vsk\""});
  Frame();
  TCustomWipe* wipe = Scene().GetTransition();
  ASSERT_TRUE(wipe);
  EXPECT_EQ(wipe->Duration, 100);
  EXPECT_TRUE(wipe->Reverse);
  EXPECT_EQ(wipe->GetParam(0), 7);
  EXPECT_EQ(wipe->GetParam(1), 3);
  EXPECT_EQ(wipe->MaskName, "m.vsk");
  EXPECT_EQ(Scene().GetTransitionType(), 2);
  // Parameters that yield nothing keep the defaults; Prepare runs always.
  Close();
  Open(32);
  Start({.transition = "19", .duration = "100", .param0 = "missing"});
  Frame();
  auto* shadow = dynamic_cast<TWipeMask*>(Scene().GetTransition());
  ASSERT_TRUE(shadow);
  EXPECT_EQ(shadow->GetParam(0), 2);
  EXPECT_EQ(shadow->Mask.GetStorageBitCount(), 8) << "prepared";
  // The position follows the game clock from the second step.
  Frame();
  Frame();
  EXPECT_EQ(Scene().GetTransition()->Position, 16);
}

TEST_F(FlipTest, AMaskImageThatCannotBeReadLeavesAUniformTransition) {
  Start({.transition = "19", .duration = "100", .carry = "1", .mask = "\"broken.vsk\""});
  EXPECT_GT(FramesUntilDone(), 3);
  EXPECT_EQ(images_.Asked, std::vector<std::string>{"broken.vsk"}) << "prepared once";
  EXPECT_EQ(Scene().ActiveIndex(), 1);
  Frame();
  EXPECT_EQ(Snapshot(), nullptr);
  EXPECT_EQ(Scene().FirstNamed(std::string(TransitionSnapshotName) + "_1"), nullptr);
  EXPECT_EQ(BackBuffer().GetPixel(40, 40), Pixel(kNew));
}

TEST_F(FlipTest, ANumberWithoutAClassChangesTheLayersDirectly) {
  const TWipeConstructor saved = RegisterWipeClass(WP_TWISTH, {});
  EXPECT_EQ(Scene().SetActiveBase(1, WP_TWISTH, 100, 0, true, false), nullptr);
  EXPECT_EQ(Scene().GetTransitionType(), 0);
  EXPECT_EQ(Scene().GetLayer(1)->GetImage(), &BackBuffer()) << "the shown layer draws into the screen";
  RegisterWipeClass(WP_TWISTH, saved);
}

TEST_F(FlipTest, AResetFinishesAFlipUnderItsHandler) {
  // The handler interrupts the running Flip (an event point) and resets to another page: the
  // layers change, the snapshot and every old child, cabinets too, are freed.
  files_.Add("handler.osb", PageBuilder().PCReset("title.osb", 0, true));
  files_.Add("title.osb", PageBuilder().Calc("done = 2").Wait("100000"));
  Start({.transition = "1", .duration = "1000", .carry = "1", .nameLists = {"\"a\""}, .freeOld = "TRUE"});
  Frame();
  Frame();
  ASSERT_TRUE(Snapshot());
  static_cast<TOrvaObject*>(Scene().FirstNamed("a"))->QueueEvent(PR_ONLBTNDOWN, "handler.obs");
  Frame();
  Frame();
  EXPECT_EQ(vars_->Find("done")->GetAsInteger(), 2);
  EXPECT_EQ(Scene().ActiveIndex(), 1);
  EXPECT_EQ(Scene().GetTransition(), nullptr);
  EXPECT_EQ(Snapshot(), nullptr);
  EXPECT_EQ(LayerOf("a"), 1);
  for (const char* name : {"b", "c", "cab"}) EXPECT_EQ(LayerOf(name), -1) << name;
}

}  // namespace
}  // namespace orva
