#include "core/frame_clock.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/app_control.h"
#include "temp_dir.h"

using namespace orva;

namespace {

class StoppedClock : public TPlatformClock {
 public:
  StoppedClock() { SetPlatformClock(this); }
  ~StoppedClock() override { SetPlatformClock(nullptr); }
  uint32_t Milliseconds() override { return milliseconds; }
  double LocalNow() override { return now; }
  uint32_t milliseconds = 0;
  double now = 0;
};

}  // namespace

TEST(FrameClock, DayCounts) {
  EXPECT_EQ(EncodeDayCount(1899, 12, 30, 0, 0, 0, 0), 0.0);
  EXPECT_EQ(EncodeDayCount(1970, 1, 1, 0, 0, 0, 0), 25569.0);
  EXPECT_EQ(EncodeDayCount(2000, 1, 1, 12, 0, 0, 0), 36526.5);
  EXPECT_EQ(EncodeDayCount(2024, 2, 29, 6, 0, 0, 0), 45351.25);
  EXPECT_EQ(EncodeDayCount(1899, 12, 29, 6, 0, 0, 0), -1.25);
}

TEST(FrameClock, TheFrameDateChangesOnlyWithTheGameClock) {
  StoppedClock clock;
  const uint32_t saved = GameClock;
  clock.now = 100.25;
  EXPECT_EQ(GetFrameNow(), 100.25);
  clock.now = 200.5;
  EXPECT_EQ(GetFrameNow(), 100.25);  // the same frame sees the same time
  GameClock += 16;
  EXPECT_EQ(GetFrameNow(), 200.5);
  clock.milliseconds = 0xFFFFFFF0u;
  EXPECT_EQ(timeGetTime(), 0xFFFFFFF0u);
  GameClock = saved;
}

TEST(FrameClock, TheSystemClockRuns) {
  SetPlatformClock(nullptr);
  const uint32_t before = timeGetTime();
  EXPECT_LT(timeGetTime() - before, 1000u);
  EXPECT_GT(EncodeDayCount(2020, 1, 1, 0, 0, 0, 0), 0.0);
}

TEST(DebugLog, PresentOnlyWhenAskedFor) {
  orva::testing::TempDir dir;
  ::unsetenv("ORVA_DBGLOG");
  OrvaLogInit(dir.Os(""));
  EXPECT_FALSE(OrvaLogWrite);
  EXPECT_FALSE(dir.Exists("dbglog.txt"));

  ::setenv("ORVA_DBGLOG", "1", 1);
  OrvaLogInit(dir.Os(""));
  ASSERT_TRUE(OrvaLogWrite);
  OrvaLogWrite("00000010 : start.osb(1)");
  EXPECT_EQ(dir.Read("dbglog.txt"), "00000010 : start.osb(1)\n");  // on the disk at once
  OrvaLogWrite("\x82\xa0");
  OrvaLogFinal();
  ::unsetenv("ORVA_DBGLOG");
  EXPECT_FALSE(OrvaLogWrite);
  EXPECT_EQ(dir.Read("dbglog.txt"), "00000010 : start.osb(1)\n\x82\xa0\n");
}
