// The idle pass on a virtual clock: which gaps become game time, and how long the loop
// sleeps after a step.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "core/frame_clock.h"
#include "kit/interpreter_doubles.h"
#include "shell/frame_loop.h"

namespace orva {
namespace {

// A step takes stepTime on the clock; a sleep moves the clock on.
class TTimedHost : public TFrameLoop::THost {
 public:
  explicit TTimedHost(kit::VirtualClock& clock) : clock_(clock) {}
  bool CanStep() override { return canStep; }
  void StepFrame() override {
    deltas.push_back(FrameDelta);
    clock_.milliseconds += stepTime;
    if (raises) throw std::runtime_error("step");
  }
  bool Paced() override { return paced; }
  void Sleep(uint32_t ms) override {
    sleeps.push_back(ms);
    clock_.milliseconds += ms;
  }
  bool canStep = true, paced = true, raises = false;
  uint32_t stepTime = 1;
  std::vector<int32_t> deltas;
  std::vector<uint32_t> sleeps;

 private:
  kit::VirtualClock& clock_;
};

class FrameLoopTest : public ::testing::Test {
 protected:
  kit::FrameScope frames;
  kit::VirtualClock clock;
  TTimedHost host{clock};
  TFrameLoop loop{host};
};

TEST_F(FrameLoopTest, GapsUpToThreeSecondsAreGameTime) {
  struct Case {
    uint32_t gap;
    bool stepped;
  };
  for (const Case c : {Case{3000, true}, Case{3001, false}, Case{0, true}, Case{16, true}}) {
    host.deltas.clear();
    host.sleeps.clear();
    GameClock = 100;
    clock.milliseconds = 50000;
    loop.Restart();
    clock.milliseconds += c.gap;
    EXPECT_FALSE(loop.Idle()) << c.gap;
    EXPECT_EQ(loop.LastTick, 50000 + c.gap) << c.gap;
    if (c.stepped) {
      EXPECT_EQ(host.deltas, std::vector<int32_t>{static_cast<int32_t>(c.gap)});
      EXPECT_EQ(GameClock, 100 + c.gap);
      EXPECT_EQ(host.sleeps.size(), 1u);
    } else {
      // Dropped: no step, no sleep, and the next pass measures from here.
      EXPECT_TRUE(host.deltas.empty());
      EXPECT_TRUE(host.sleeps.empty());
      EXPECT_EQ(GameClock, 100u);
      clock.milliseconds += 16;
      loop.Idle();
      EXPECT_EQ(host.deltas, std::vector<int32_t>{16});
    }
  }
}

TEST_F(FrameLoopTest, APacedLoopSleepsTheRestOfTheFrameAndAtLeastTwo) {
  struct Case {
    uint32_t stepTime;
    bool paced;
    std::vector<uint32_t> sleeps;
  };
  const Case cases[] = {{5, true, {11}}, {20, true, {2}}, {15, true, {2}}, {1, true, {15}}, {5, false, {}}};
  for (const Case& c : cases) {
    host.sleeps.clear();
    host.stepTime = c.stepTime;
    host.paced = c.paced;
    loop.Idle();
    EXPECT_EQ(host.sleeps, c.sleeps) << c.stepTime;
  }
}

// A step that raises passes the error on after the sleep of a paced frame, also in a project
// that is not paced, so a fault of every frame never makes the loop spin.
TEST_F(FrameLoopTest, AFrameThatRaisesIsPacedAsWell) {
  struct Case {
    uint32_t stepTime;
    bool paced;
    std::vector<uint32_t> sleeps;
  };
  const Case cases[] = {{5, true, {11}}, {20, true, {2}}, {5, false, {11}}};
  host.raises = true;
  for (const Case& c : cases) {
    host.sleeps.clear();
    host.stepTime = c.stepTime;
    host.paced = c.paced;
    EXPECT_THROW(loop.Idle(), std::runtime_error);
    EXPECT_EQ(host.sleeps, c.sleeps) << c.stepTime;
  }
  host.stepTime = 1;
  host.paced = true;
  loop.Restart();
  host.deltas.clear();
  for (int i = 0; i < 3; ++i) EXPECT_THROW(loop.Idle(), std::runtime_error);
  EXPECT_EQ(host.deltas, (std::vector<int32_t>{0, 16, 16}));
}

TEST_F(FrameLoopTest, FramesOfAPacedLoopAreSixteenMilliseconds) {
  loop.Restart();
  for (int i = 0; i < 4; ++i) loop.Idle();
  EXPECT_EQ(host.deltas, (std::vector<int32_t>{0, 16, 16, 16}));
  EXPECT_EQ(GameClock, 48u);
}

TEST_F(FrameLoopTest, NothingRunsWhileTheHostSaysNo) {
  host.canStep = false;
  clock.milliseconds = 5000;
  EXPECT_TRUE(loop.Idle());
  EXPECT_TRUE(host.deltas.empty());
  EXPECT_EQ(loop.LastTick, 0u);
}

TEST_F(FrameLoopTest, TheClockWrapsWithoutAGap) {
  clock.milliseconds = 0xFFFFFFF8u;
  loop.Restart();
  clock.milliseconds += 16;  // wraps to 8
  loop.Idle();
  EXPECT_EQ(host.deltas, std::vector<int32_t>{16});
}

}  // namespace
}  // namespace orva
