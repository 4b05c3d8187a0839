// Timers on the game clock: the rhythm kept at late updates, ticks dropped while the last
// event waits or runs, off and every-update intervals, restarts, the one-shot timer, and the
// stored form with the interval counted from the load.
#include <gtest/gtest.h>

#include "core/frame_clock.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "scene/orva_timer.h"
#include "scene_test_kit.h"

namespace orva {
namespace {

using scene_test::SceneFixture;

class TimerTest : public SceneFixture {
 protected:
  TOrvaTimer* MakeTimer(int32_t delay, std::string_view handler = "tick.osb") {
    auto* timer = CreateSceneObject<TOrvaTimer>(Scene());
    timer->SetName("t");
    timer->SetOnNotify(handler);
    timer->SetDelay(delay);
    return timer;
  }
  // Frames of `step` ms up to `until`: the clocks at which an event was queued. With
  // `handled`, each event is taken off the queue as a finished handler would be.
  std::vector<uint32_t> Run(uint32_t step, uint32_t until, bool handled = true) {
    std::vector<uint32_t> fired;
    while (GameClock + step <= until) {
      GameClock += step;
      const int before = Scene().Events().Count();
      Scene().Idle();
      if (Scene().Events().Count() > before) fired.push_back(GameClock);
      if (handled) Scene().Events().Clear();
    }
    return fired;
  }

  kit::FrameScope frames;
};

TEST_F(TimerTest, TheRhythmIsKeptAtLateUpdatesAndTicksAreDroppedWhileOneWaits) {
  MakeTimer(1000);
  // Updates every 300 ms: the first at or after each second; the next second still counts
  // from the last one, not from the late update.
  EXPECT_EQ(Run(300, 3000), (std::vector<uint32_t>{1200, 2100, 3000}));

  // An event still waiting: ticks are dropped, not saved up.
  EXPECT_EQ(Run(500, 6000, false), (std::vector<uint32_t>{4000}));
  EXPECT_EQ(Scene().Events().Count(), 1);
  Scene().Events().Clear();
  EXPECT_EQ(Run(500, 7000), (std::vector<uint32_t>{7000}));
}

TEST_F(TimerTest, OffEveryUpdateAndRestarts) {
  TOrvaTimer* timer = MakeTimer(-1);
  EXPECT_TRUE(Run(100, 2000).empty());
  // A new interval counts from the moment it is set.
  timer->SetDelay(500);
  EXPECT_EQ(Run(100, 3000), (std::vector<uint32_t>{2500, 3000}));
  timer->SetDelay(0);
  EXPECT_EQ(Run(16, 3048), (std::vector<uint32_t>{3016, 3032, 3048}));

  // Pausing drops a queued event that has not started, and the count begins again.
  timer->SetDelay(200);
  EXPECT_EQ(Run(100, 3248, false).size(), 1u);
  timer->SetPaused(true);
  EXPECT_EQ(Scene().Events().Count(), 0);
  EXPECT_TRUE(Run(100, 4000).empty());
  timer->SetPaused(false);
  EXPECT_EQ(Run(100, 4200), (std::vector<uint32_t>{4148}));
  // A running event stays: only waiting ones are dropped.
  Run(100, 4400, false);
  Scene().Events().GetEvent(0)->Level = 1;
  timer->SetOnNotify("other.osb");
  EXPECT_EQ(Scene().Events().Count(), 1);
}

TEST_F(TimerTest, AOneShotTimerFiresOnceAndGoesWhenItsHandlerIsDone) {
  TOrvaTimer* timer = MakeTimer(300);
  timer->SetAutoScrap(true);
  EXPECT_EQ(Run(100, 500, false), (std::vector<uint32_t>{300}));
  EXPECT_EQ(Scene().IndexOfName("t"), 0) << "kept while its event waits";
  Scene().Events().GetEvent(0)->Level = 1;
  Scene().Idle();
  EXPECT_EQ(Scene().IndexOfName("t"), 0) << "kept while its handler runs";
  Scene().Events().RemoveLevel(1);
  Scene().Idle();
  EXPECT_EQ(Scene().IndexOfName("t"), -1);

  // Without a handler there is nothing to wait for: nothing is queued, which would hold
  // back every later event, and the one-shot timer still goes.
  MakeTimer(100, "")->SetAutoScrap(true);
  EXPECT_TRUE(Run(100, 700).empty());
  EXPECT_EQ(Scene().IndexOfName("t"), -1);
}

TEST_F(TimerTest, TheStoredFormCountsTheIntervalFromTheLoad) {
  TOrvaTimer* timer = MakeTimer(1000);
  timer->SetAutoScrap(true);
  GameClock = 5000;
  TMemoryStream saved;
  timer->SaveToStream(saved);
  timer->FreeNow();
  struct Case {
    int version;
    std::string bytes;
  };
  // Version 103: the object part, the handler, the interval and PAUSED only.
  kit::Fields old;
  old.Str("t").Int(0).Str("old.osb").Int(250).Byte(0);
  for (const Case& c : {Case{133, std::string(saved.View())}, Case{103, old.Bytes()}}) {
    GameClock = 8000;
    auto* loaded = CreateSceneObject<TOrvaTimer>(Scene());
    TMemoryStream in(c.bytes);
    loaded->LoadFromStream(in, c.version);
    EXPECT_EQ(in.GetPosition(), in.GetSize()) << c.version;
    EXPECT_EQ(loaded->GetAutoScrap(), c.version >= 104);
    const int32_t delay = loaded->GetDelay();
    EXPECT_EQ(delay, c.version >= 104 ? 1000 : 250);
    GameClock = 8000 + uint32_t(delay) - 1;
    Scene().Idle();
    EXPECT_EQ(Scene().Events().Count(), 0) << c.version;
    GameClock += 1;
    Scene().Idle();
    EXPECT_EQ(Scene().Events().Count(), 1) << c.version;
    Scene().Events().Clear();
    loaded->FreeNow();
  }
}

}  // namespace
}  // namespace orva
