// The motion player: the clock and its ticks, the end of a film with and without REPEAT,
// ANIPAUSED, re-anchoring a film of relative positions, and what a freed motion gives back.
#include <gtest/gtest.h>

#include <vector>

#include "core/exceptions.h"
#include "core/frame_clock.h"
#include "kit/film_doubles.h"
#include "scene/base_list.h"
#include "scene/motion.h"
#include "scene_test_kit.h"

namespace orva {
namespace {

using scene_test::SceneFixture;
using scene_test::TTestBox;

// A box with REPEAT.
class TRepeatBox : public TTestBox {
 public:
  using TTestBox::TTestBox;
  bool GetRepeat() override { return Repeat; }
  bool Repeat = false;
};

class MotionTest : public SceneFixture {
 protected:
  void TearDown() override {
    FrameDelta = 0;
    SceneFixture::TearDown();
  }
  TRepeatBox* Control(int32_t left = 100, int32_t top = 50) {
    TRepeatBox* box = CreateSceneObject<TRepeatBox>(Scene());
    box->SetParent(Scene().ActiveLayer());
    box->SetBounds(left, top, 10, 10);
    box->LoadMotion("move.omt");
    return box;
  }
  // Steps the motion `n` times at the delta; the steps that reported the end.
  std::vector<int> Steps(TOrvaControl& control, int n, int32_t delta) {
    FrameDelta = delta;
    std::vector<int> ends;
    for (int i = 0; i < n; ++i)
      if (control.GetMotion()->Step()) ends.push_back(i);
    return ends;
  }

  kit::TestFilms films;
};

TEST_F(MotionTest, TwoStartStepsAtTickZeroThenTheClockRoundsHalvesToEven) {
  TRepeatBox* box = Control();
  ASSERT_NE(box->GetMotion(), nullptr);
  EXPECT_EQ(films.Last->Loaded, "move.omt");
  EXPECT_TRUE(films.Last->ObjectMotion);
  Steps(*box, 9, 25);
  // Clocks 0, 0, 25, 50, ... 175 ms: 1.5 ticks is 2, 4.5 is 4 and 10.5 is 10; 7.4999... is 7.
  EXPECT_EQ(films.Last->Ticks, (std::vector<int32_t>{0, 2, 3, 4, 6, 7, 9, 10}));
  EXPECT_EQ(box->GetMotion()->Clock(), 175);
}

TEST_F(MotionTest, AFilmWithoutRepeatEndsOnceAndStaysAtItsLastTick) {
  TRepeatBox* box = Control();
  // 60 ticks at 16 ms a frame: two start steps, then 992 ms (59.52 ticks) in the 64th step.
  EXPECT_EQ(Steps(*box, 80, 16), std::vector<int>{63});
  EXPECT_EQ(films.Last->Ticks.back(), 59);
  EXPECT_TRUE(box->GetMotion()->IsFinished());
  EXPECT_FALSE(box->GetPlaying());
  box->StartMotion();  // a rewind plays it again from the start
  EXPECT_TRUE(box->GetPlaying());
  Steps(*box, 1, 16);
  EXPECT_EQ(films.Last->Ticks.back(), 0);
}

TEST_F(MotionTest, ARepeatingFilmGoesOnAtItsLoopStart) {
  struct Case {
    int32_t length, loopStart, delta;
    std::vector<int32_t> ticks;  // after the two start steps
  };
  const Case cases[] = {
      // 200 ms is tick 12 of 12: back to the loop start 2, the clock re-based to 33 ms.
      {12, 2, 50, {0, 3, 6, 9, 2}},
      // 1000 ms is tick 60 of 60: 10, the clock re-based to 167 ms; 1167 ms is tick 70.
      {60, 10, 1000, {0, 10, 20, 30, 40}},
      // A loop start beyond the end holds the last tick.
      {12, 40, 250, {0, 11}},
      // A film of no ticks stays at 0.
      {0, 0, 16, {0}},
  };
  for (const Case& c : cases) {
    films.Length = c.length;
    films.LoopStart = c.loopStart;
    TRepeatBox* box = Control();
    box->Repeat = true;
    EXPECT_EQ(Steps(*box, 6, c.delta), std::vector<int>{}) << c.length << " " << c.loopStart;
    EXPECT_EQ(films.Last->Ticks, c.ticks) << c.length << " " << c.loopStart;
    EXPECT_LT(box->GetMotion()->Clock(), c.length * 17 + 1);
  }
}

TEST_F(MotionTest, AniPausedFreezesTheClockAndTheFilm) {
  TRepeatBox* box = Control();
  Steps(*box, 4, 50);
  box->SetAniPaused(true);
  Steps(*box, 5, 50);
  EXPECT_EQ(films.Last->Ticks, (std::vector<int32_t>{0, 3, 6}));
  EXPECT_FALSE(box->GetPlaying());
  // An internal part follows its parent.
  TRepeatBox* part = CreateSceneObject<TRepeatBox>(Scene());
  part->AssignName("\x01part");
  part->SetParent(box);
  part->LoadMotion("part.omt");
  Steps(*part, 5, 50);
  EXPECT_EQ(films.Last->Ticks, std::vector<int32_t>{0});
}

TEST_F(MotionTest, AMovedControlTakesAFilmOfRelativePositionsAlong) {
  films.Relative = true;
  films.Length = 3;
  TRepeatBox* box = Control(100, 50);
  EXPECT_EQ(Steps(*box, 6, 17), std::vector<int>{4});
  EXPECT_EQ(films.Last->MotionOrigin, (TPoint{100, 50}));
  EXPECT_EQ(box->GetMotionX(), 102);
  EXPECT_EQ(box->GetScreenLeft(), 102);  // placed by the motion
  // Moving the finished motion's control: the film is applied again at the new place and
  // its end reported again.
  box->SetLeft(300);
  EXPECT_EQ(box->GetMotionX(), 0);
  EXPECT_EQ(Steps(*box, 2, 17), std::vector<int>{0});
  EXPECT_EQ(films.Last->MotionOrigin, (TPoint{300, 50}));
  EXPECT_EQ(box->GetMotionX(), 302);

  // Absolute positions stay where the film puts them.
  films.Relative = false;
  TRepeatBox* fixed = Control(100, 50);
  Steps(*fixed, 3, 17);
  fixed->SetLeft(7);
  Steps(*fixed, 1, 17);
  EXPECT_EQ(films.Last->MotionOrigin, (TPoint{0, 0}));
  EXPECT_EQ(films.Last->Ticks, (std::vector<int32_t>{0, 1, 2}));
}

TEST_F(MotionTest, AFreedMotionGivesTheControlItsPositionAndPriorityBack) {
  TRepeatBox* box = Control(100, 50);
  box->SetPriority(10);
  box->LoadMotion("move.omt");
  films.Last->PriorityOffset = 5;
  Steps(*box, 3, 17);
  EXPECT_EQ(films.Last->PriorityBase, 10);
  EXPECT_EQ(box->GetPriorityOffset(), 5);
  EXPECT_EQ(box->GetMotionX(), 1);
  ClearDirty();
  box->FreeMotion();
  EXPECT_EQ(box->GetMotion(), nullptr);
  EXPECT_EQ(box->GetMotionX(), 0);
  EXPECT_EQ(box->GetPriorityOffset(), 0);
  EXPECT_EQ(box->GetScreenLeft(), 100);
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{1, 0, 11, 10}, {100, 50, 110, 60}}));
}

TEST_F(MotionTest, ReapplyAndLoadFailures) {
  TRepeatBox* box = Control();
  Steps(*box, 4, 17);
  box->RecreateSurfaces();
  EXPECT_EQ(films.Last->Ticks, (std::vector<int32_t>{0, 1, 2, 2}));
  // A film that cannot be read leaves no motion; without films nothing is loaded.
  EXPECT_THROW(box->LoadMotion("missing.omt"), EFOpenError);
  EXPECT_EQ(box->GetMotion(), nullptr);
  const TFilmFactory factory = SetFilmFactory({});
  box->LoadMotion("move.omt");
  EXPECT_EQ(box->GetMotion(), nullptr);
  SetFilmFactory(factory);
}

}  // namespace
}  // namespace orva
