// The cross-fade against frames computed from its formulas: the old picture, and the new one
// blended over it at alpha Position × 256 div Duration from an offset that shrinks to (0, 0).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "film/wipe_step.h"
#include "wipe_test_kit.h"

namespace orva {
namespace {

using namespace wipe_test;

int32_t Saturated(double v) {
  const double r = std::nearbyint(v);
  return r >= INT32_MAX ? INT32_MAX : r <= INT32_MIN ? INT32_MIN : int32_t(r);
}

class Fade : public WipeClassesTest {};

TEST_F(Fade, Golden) {
  constexpr int W = 37, H = 23;
  struct Case {
    int32_t p0, p1, duration;
  } cases[] = {{0, 0, 90}, {100, 0, 10}, {-7, 5, 90}, {12, -40, 7}, {INT32_MAX, INT32_MIN, 90}, {3, 3, 1}};
  for (const DepthPath& dp : kDepthPaths) {
    PackedScope packed(dp.Packed);
    Frames f(W, H, dp.Depth);
    for (const Case& c : cases)
      for (int32_t position : {0, 1, c.duration / 3, c.duration / 2, c.duration - 1, c.duration, c.duration + 5}) {
        auto wipe = Make(WP_FADE, f, c.duration, true, c.p0, c.p1);
        wipe->Position = position;
        f.ResetDest();
        const bool done = wipe->Step();
        const std::string where = Describe(dp) + " " + std::to_string(c.p0) + "/" + std::to_string(c.p1) + " at " +
                                  std::to_string(position) + " of " + std::to_string(c.duration);
        EXPECT_EQ(wipe->ChangedRect, (TRect{0, 0, W, H}));
        EXPECT_EQ(done, position >= c.duration) << where;
        if (done) {
          EXPECT_EQ(DifferenceFrom(f.Dest, f.Sentinel), "") << where;
          continue;
        }
        const double factor = double(c.duration - 1 - position) / c.duration;
        const int64_t x0 = Saturated(c.p0 * factor), y0 = Saturated(c.p1 * factor);
        const uint32_t alpha = uint32_t(position * 256 / c.duration);
        EXPECT_LT(alpha, 256u);
        EXPECT_EQ(FirstDifference(f.Dest,
                                  [&](int x, int y) -> std::optional<uint32_t> {
                                    const uint32_t old = f.A.GetPixel(x, y);
                                    const int64_t sx = x - x0, sy = y - y0;
                                    if (alpha == 0 || sx < 0 || sy < 0 || sx >= W || sy >= H) return old;
                                    return AlphaRule(dp.Depth, old, f.B.GetPixel(int(sx), int(sy)), alpha);
                                  }),
                  "")
            << where;
      }
  }
}

TEST_F(Fade, TheNumbersOfItsFormulas) {
  Frames f(120, 2, 32);
  // Duration 100: position 0 the old picture, 50 alpha 128.
  auto wipe = Make(WP_FADE, f, 100);
  wipe->Position = 0;
  wipe->Step();
  EXPECT_EQ(DifferenceFrom(f.Dest, f.A), "");
  f.A.Fill(0);
  f.B.Fill(0x00FF00FF);
  wipe->Position = 50;
  wipe->Step();
  EXPECT_EQ(f.Dest.GetPixel(3, 1), 0x007F007Fu);  // (255 × 128) shr 8
  // Param0 100 over 10: the new picture starts 90 pixels to the right and ends in place.
  auto slide = Make(WP_FADE, f, 10, false, 100, 0);
  slide->Position = 0;
  slide->Step();  // alpha 0: nothing blended yet
  EXPECT_EQ(f.Dest.GetPixel(95, 0), 0u);
  slide->Position = 1;  // X = rnd(100 × 0.8) = 80, alpha 25
  slide->Step();
  EXPECT_EQ(f.Dest.GetPixel(79, 0), 0u);
  EXPECT_NE(f.Dest.GetPixel(80, 0), 0u);
  slide->Position = 9;  // X = 0
  slide->Step();
  EXPECT_NE(f.Dest.GetPixel(0, 0), 0u);
}

TEST_F(Fade, ALongTransitionDoesNotJump) {
  // Position × 256 passes 32 bits after 8.4 million units; the alpha keeps rising.
  Frames f(4, 2, 32);
  f.A.Fill(0);
  f.B.Fill(0x00FF00FF);
  auto wipe = Make(WP_FADE, f, 20000000);
  uint32_t last = 0;
  for (int32_t position : {8000000, 9000000, 19999999}) {
    wipe->Position = position;
    wipe->Step();
    const uint32_t now = f.Dest.GetPixel(0, 0) & 0xFF;
    EXPECT_GE(now, last) << position;
    last = now;
  }
  EXPECT_EQ(last, 0xFEu);
  EXPECT_EQ(ScaledProgress(INT32_MAX, 256, 1), int64_t{INT32_MAX} * 256);
}

}  // namespace
}  // namespace orva
