// The moving-picture transitions: the drawing calls of every step against those their
// formulas give, at every depth and path, with the clip widened to the picture; the frames of
// the simple cases by pixel; and the numbers of their formulas.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/wipe_defaults.h"
#include "wipe_test_kit.h"

namespace orva {
namespace {

using namespace wipe_test;
constexpr double kPi = std::numbers::pi;

constexpr int W = 37, H = 23;
constexpr int32_t D = 90;
constexpr int32_t kPositions[] = {0, 1, D / 3, D / 2, D - 1, D};

int64_t Scale(int64_t v, int64_t span, int64_t d) { return v * span / d; }
int64_t Rnd(double v) { return static_cast<int64_t>(std::nearbyint(v)); }

struct Params {
  int32_t P0, P1;
  bool Reverse;
};
// The calls a step at a position makes on Dest.
using Formula = std::function<std::vector<Call>(const Params&, int32_t position, Frames& f)>;

// Compares the calls of every step, and their clip, with the formula's.
void CheckCalls(int number, const std::vector<ParamCase>& cases, const Formula& formula) {
  ForEachStep(number, W, H, D, cases, {std::begin(kPositions), std::end(kPositions)}, [&](StepCase& s) {
    const std::vector<Call> expected = s.Done ? std::vector<Call>{} : formula({s.P0, s.P1, s.Reverse}, s.Position, s.F);
    EXPECT_EQ(s.F.Dest.Calls, expected) << s.Where;
    for (const Call& call : s.F.Dest.Calls) EXPECT_EQ(call.Clip, (TRect{0, 0, W, H})) << s.Where << ": " << call;
  });
}

Call Draw(int64_t x, int64_t y, const TDIBX& source, TRect sr) {
  return {"Draw", {int32_t(x), int32_t(y), 0, 0}, &source, sr};
}
Call Stretch(TRect dr, const TDIBX& source, TRect sr) { return {"Stretch", dr, &source, sr, 255}; }
Call Fill(TRect r) { return {"FillRect", r}; }
Call Assign(const TDIBX& source) { return {"Assign", {}, &source, {0, 0, W, H}}; }
// (along, across) on the horizontal axis, transposed on the vertical one.
TRect Axis(bool vertical, int64_t along, int64_t across, int64_t alongSize, int64_t acrossSize) {
  return vertical ? Bounds(int32_t(across), int32_t(along), int32_t(acrossSize), int32_t(alongSize))
                  : Bounds(int32_t(along), int32_t(across), int32_t(alongSize), int32_t(acrossSize));
}

const std::vector<ParamCase> kUnused = {{}, {INT32_MIN, INT32_MAX}};

class MovingWipes : public WipeClassesTest {};

TEST_F(MovingWipes, ScrollCalls) {
  for (bool vertical : {false, true})
    CheckCalls(vertical ? WP_SCROLLV : WP_SCROLLH, kUnused, [vertical](const Params& p, int32_t pos, Frames& f) {
      const int64_t length = vertical ? H : W, s = Scale(pos, length, D);
      const int64_t old = p.Reverse ? s : -s, fresh = p.Reverse ? s - length : length - s;
      auto at = [&](int64_t along, const TDIBX& source) {
        const TRect r = Axis(vertical, along, 0, 0, 0);
        return Draw(r.Left, r.Top, source, {0, 0, W, H});
      };
      return std::vector<Call>{at(old, f.A), at(fresh, f.B)};
    });
}

// The bamboo blinds and the rubber pulls: the strip at the moving edge stretched over the
// swept part, the rest of the picture in place.
std::vector<Call> SweepCalls(bool vertical, bool rubber, const Params& p, int32_t pos, Frames& f) {
  const int64_t length = vertical ? H : W, breadth = vertical ? W : H;
  int64_t t = Scale(pos, 2 * length - 1, D);
  const TDIBX* s = &f.A;
  if (t >= length) t = 2 * length - 1 - t, s = &f.B;
  int64_t first = p.Reverse ? length - 1 - t : t, count = 1;
  if (rubber) {
    const double k = std::abs(pos - D / 2.0) / (D / 2.0);
    count = p.Reverse ? std::max<int64_t>(1, Rnd(k * (t + 1) / 2)) : std::max<int64_t>(1, Rnd(k * t / 2));
    if (!p.Reverse) first = std::max<int64_t>(0, t - count);
  }
  std::vector<Call> calls = {Stretch(Axis(vertical, p.Reverse ? length - t - 1 : 0, 0, t + 1, breadth), *s,
                                     Axis(vertical, first, 0, count, breadth))};
  if (t + 1 < length) {
    const TRect rest = Axis(vertical, p.Reverse ? 0 : t + 1, 0, length - t - 1, breadth);
    calls.push_back(Draw(rest.Left, rest.Top, *s, rest));
  }
  return calls;
}

TEST_F(MovingWipes, BambooBlindAndRubberCalls) {
  for (bool vertical : {false, true})
    for (bool rubber : {false, true})
      CheckCalls(rubber ? (vertical ? WP_RUBBERV : WP_RUBBERH) : (vertical ? WP_SUDAREV : WP_SUDAREH), kUnused,
                 [=](const Params& p, int32_t pos, Frames& f) { return SweepCalls(vertical, rubber, p, pos, f); });
}

double TwistAngle(int32_t pos, int i, int n) { return 3 * kPi / 2 * pos / D - kPi / 2 * i / n; }

TEST_F(MovingWipes, TwistCalls) {
  CheckCalls(WP_TWISTH, kUnused, [](const Params& p, int32_t pos, Frames& f) {
    std::vector<Call> calls;
    int last = -1;
    for (int i = 0; i < H; ++i) {
      const int row = p.Reverse ? H - 1 - i : i;
      const double a = TwistAngle(pos, i, H);
      if (a < 0) continue;
      if (a >= kPi) {
        last = row;
        continue;
      }
      calls.push_back(Fill(Bounds(0, row, W, 1)));
      const int w = int(Rnd(std::cos(a) * W));
      if (w > 0) calls.push_back(Stretch(Bounds((W - w) / 2, row, w, 1), f.A, Bounds(0, row, W, 1)));
      if (w < 0) calls.push_back(Stretch(Bounds((W + w) / 2, row, -w, 1), f.B, Bounds(0, row, W, 1)));
    }
    if (last >= 0)
      calls.push_back(p.Reverse ? Draw(0, last, f.B, Bounds(0, last, W, H - last)) : Draw(0, 0, f.B, Bounds(0, 0, W, last + 1)));
    return calls;
  });
  CheckCalls(WP_TWISTV, kUnused, [](const Params& p, int32_t pos, Frames& f) {
    // The squeezed height of every column still turning, then the runs of equal heights in
    // loop order.
    struct Run {
      int first, count, h;
    };
    std::vector<Run> runs;
    int last = -1;
    for (int i = 0; i < W; ++i) {
      const int column = p.Reverse ? W - 1 - i : i;
      const double a = TwistAngle(pos, i, W);
      if (a >= kPi) last = column;
      if (a < 0 || a >= kPi) continue;
      const int h = int(Rnd(std::cos(a) * H));
      if (!runs.empty() && runs.back().h == h) {
        runs.back().first = std::min(runs.back().first, column);
        ++runs.back().count;
      } else {
        runs.push_back({column, 1, h});
      }
    }
    std::vector<Call> calls;
    for (const Run& r : runs) {
      const int g = (H - std::abs(r.h)) / 2;
      if (g > 0) {
        calls.push_back(Fill(Bounds(r.first, 0, r.count, g)));
        calls.push_back(Fill(Bounds(r.first, g + std::abs(r.h), r.count, g)));
      }
      if (r.h != 0) calls.push_back(Stretch(Bounds(r.first, g, r.count, std::abs(r.h)), r.h > 0 ? f.A : f.B, Bounds(r.first, 0, r.count, H)));
    }
    if (last >= 0)
      calls.push_back(p.Reverse ? Draw(last, 0, f.B, Bounds(last, 0, W - last, H)) : Draw(0, 0, f.B, Bounds(0, 0, last + 1, H)));
    return calls;
  });
}

TEST_F(MovingWipes, SmallAndBigCalls) {
  const std::vector<ParamCase> cases = {{}, {256, 0}, {-300, 0}, {INT32_MAX, 0}, {INT32_MIN, 0}};
  auto turned = [](const TDIBX& over, int64_t z, double angle, bool reverse) {
    const int64_t a = std::clamp<int64_t>(reverse ? -Rnd(angle) : Rnd(angle), INT32_MIN, INT32_MAX);
    return Call{"Rotate", {W / 2, H / 2, 0, 0}, &over, {0, 0, W, H}, z, z, a, {W / 2, H / 2}};
  };
  CheckCalls(WP_SMALL, cases, [&](const Params& p, int32_t pos, Frames& f) {
    const double shrink = double(D - 1 - pos) / D;
    return std::vector<Call>{Assign(f.B), turned(f.A, Rnd(255 * shrink), double(p.P0) * pos / D, p.Reverse)};
  });
  CheckCalls(WP_BIG, cases, [&](const Params& p, int32_t pos, Frames& f) {
    const double rest = double(D - 1 - pos) / D;
    return std::vector<Call>{Assign(f.A), turned(f.B, Rnd(255 * (double(pos) / D)), p.P0 * rest, p.Reverse)};
  });
}

TEST_F(MovingWipes, ZoomInCalls) {
  const std::vector<ParamCase> cases = {{0, 0}, {W / 2, H / 2}, {30, 3}, {-100, 1000}, {INT32_MAX, INT32_MIN}};
  CheckCalls(WP_ZOOMIN, cases, [](const Params& p, int32_t pos, Frames& f) {
    const double g = 2.0 * pos / D;
    const double u = g <= 1 ? 1 - g : g - 1, v = g <= 1 ? g : 2 - g;
    auto view = [&](int32_t point, int size) {
      const int64_t span = std::max<int64_t>(1, Rnd(size * u));
      const int64_t shift = std::clamp<int64_t>(Rnd((point - size / 2.0) * v), INT32_MIN, INT32_MAX);
      return std::pair{std::clamp<int64_t>(shift + size / 2 - span / 2, 0, size - span), span};
    };
    const auto [sx, sw] = view(p.P0, W);
    const auto [sy, sh] = view(p.P1, H);
    return std::vector<Call>{Stretch({0, 0, W, H}, g <= 1 ? f.A : f.B, Bounds(int32_t(sx), int32_t(sy), int32_t(sw), int32_t(sh)))};
  });
}

// ---- Frames by pixel ----

// Every depth and path: the old picture at position 0 (the small: its picture at 255/256, so
// not checked), the picture each formula gives in its simple cases.
TEST_F(MovingWipes, SimpleFramesByPixel) {
  for (const DepthPath& dp : kDepthPaths) {
    PackedScope packed(dp.Packed);
    Frames f(W, H, dp.Depth);
    auto step = [&](int number, int32_t position, bool reverse = false, std::optional<int32_t> p0 = {},
                    std::optional<int32_t> p1 = {}) {
      auto wipe = Make(number, f, D, reverse, p0, p1);
      wipe->Position = position;
      f.ResetDest();
      wipe->Step();
    };
    const std::string at = Describe(dp);
    for (int number : {WP_SCROLLH, WP_SCROLLV, WP_SUDAREH, WP_SUDAREV, WP_RUBBERH, WP_RUBBERV, WP_BIG, WP_ZOOMIN})
      for (bool reverse : {false, true}) {
        step(number, 0, reverse);
        EXPECT_EQ(DifferenceFrom(f.Dest, f.A), "") << number << " at " << at;
      }
    // Twist at 0: only row 0 (column 0) is drawn, the old one in place.
    step(WP_TWISTH, 0);
    EXPECT_EQ(FirstDifference(f.Dest, [&](int x, int y) { return y == 0 ? f.A.GetPixel(x, y) : f.Sentinel.GetPixel(x, y); }), "") << at;
    step(WP_TWISTV, 0, true);
    EXPECT_EQ(FirstDifference(f.Dest, [&](int x, int y) { return x == W - 1 ? f.A.GetPixel(x, y) : f.Sentinel.GetPixel(x, y); }), "") << at;

    // Scroll at half-time: the old picture's right part on the left, the new one's left part
    // on the right (s = 18).
    step(WP_SCROLLH, D / 2);
    EXPECT_EQ(FirstDifference(f.Dest, [&](int x, int y) { return x < W - 18 ? f.A.GetPixel(x + 18, y) : f.B.GetPixel(x - (W - 18), y); }), "") << at;
    step(WP_SCROLLV, D / 2, true);  // s = 11: both move down
    EXPECT_EQ(FirstDifference(f.Dest, [&](int x, int y) { return y >= 11 ? f.A.GetPixel(x, y - 11) : f.B.GetPixel(x, y + H - 11); }), "") << at;

    // The bamboo blind's column t stretched over columns 0 .. t: t = 73 × 30 div 90 = 24 of
    // the old picture; at 60, t = 48 → 25 of the new one.
    for (auto [position, t, source] : {std::tuple{30, 24, &f.A}, std::tuple{60, 25, &f.B}}) {
      step(WP_SUDAREH, position);
      EXPECT_EQ(FirstDifference(f.Dest, [&](int x, int y) { return source->GetPixel(std::max(x, t), y); }), "") << at << " " << position;
      step(WP_SUDAREH, position, true);
      EXPECT_EQ(FirstDifference(f.Dest, [&](int x, int y) { return source->GetPixel(std::min(x, W - 1 - t), y); }), "") << at;
    }
    step(WP_SUDAREV, 30);  // t = 45 × 30 div 90 = 15
    EXPECT_EQ(FirstDifference(f.Dest, [&](int x, int y) { return f.A.GetPixel(x, std::max(y, 15)); }), "") << at;

    // The small at its last step draws the old picture at zoom 0: only the new one is seen.
    step(WP_SMALL, D - 1, false, 64);
    EXPECT_EQ(DifferenceFrom(f.Dest, f.B), "") << at;

    // Zoom-in to (0, 0): at half-time one pixel of the old picture fills the screen, from the
    // next position on the new picture is used; the point's own pixel likewise.
    step(WP_ZOOMIN, D / 2, false, 0, 0);
    EXPECT_EQ(FirstDifference(f.Dest, [&](int, int) { return f.A.GetPixel(0, 0); }), "") << at;
    step(WP_ZOOMIN, D / 2 + 1, false, 0, 0);
    EXPECT_EQ(f.Dest.GetPixel(0, 0), f.B.GetPixel(0, 0)) << at;
    step(WP_ZOOMIN, D / 2, false, 20, 7);
    EXPECT_EQ(FirstDifference(f.Dest, [&](int, int) { return f.A.GetPixel(20, 7); }), "") << at;
    step(WP_ZOOMIN, D / 2, false, -50, 1000);  // a point outside the picture: its nearest corner
    EXPECT_EQ(FirstDifference(f.Dest, [&](int, int) { return f.A.GetPixel(0, H - 1); }), "") << at;
  }
}

// ---- The numbers of the formulas ----

TEST_F(MovingWipes, BambooBlindOfFourColumnsOverSeven) {
  Frames f(4, 3, 32);
  const int expected[] = {0, 1, 2, 3, 3, 2, 1};
  for (int32_t position = 0; position < 7; ++position) {
    auto wipe = Make(WP_SUDAREH, f, 7);
    wipe->Position = position;
    f.ResetDest();
    wipe->Step();
    ASSERT_FALSE(f.Dest.Calls.empty());
    const Call& stretch = f.Dest.Calls[0];
    EXPECT_EQ(stretch.Dest.Width(), expected[position] + 1) << position;
    EXPECT_EQ(stretch.Source, position < 4 ? &f.A : &f.B) << position;
  }
}

TEST_F(MovingWipes, TwistVBandsAroundANegativeHeight) {
  // One column of 20 rows at position 50 of 90: a = 5π/6, h = rnd(−17.32) = −17, g = 1:
  // black rows 0 and 18, the new column squeezed over rows 1 .. 17, row 19 untouched.
  for (bool packed : {true, false}) {
    PackedScope scope(packed);
    Frames f(1, 20, 16);
    auto wipe = Make(WP_TWISTV, f, 90);
    wipe->Position = 50;
    f.ResetDest();
    wipe->Step();
    EXPECT_EQ(f.Dest.GetPixel(0, 0), 0u);
    EXPECT_EQ(f.Dest.GetPixel(0, 18), 0u);
    EXPECT_EQ(f.Dest.GetPixel(0, 19), f.Sentinel.GetPixel(0, 19));
    EXPECT_EQ(f.Dest.GetPixel(0, 1), f.B.GetPixel(0, 0));
    for (int y = 2; y <= 17; ++y) {
      bool fromNew = false;
      for (int k = 0; k < 20; ++k) fromNew = fromNew || f.Dest.GetPixel(0, y) == f.B.GetPixel(0, k);
      EXPECT_TRUE(fromNew) << y;
    }
  }
}

TEST_F(MovingWipes, DefaultsAndParameters) {
  Frames f(4, 3, 32);
  for (int number : {WP_SCROLLH, WP_SCROLLV, WP_SUDAREH, WP_SUDAREV, WP_RUBBERH, WP_RUBBERV, WP_TWISTH, WP_TWISTV,
                     WP_SMALL, WP_BIG}) {
    auto wipe = CreateWipe(number, &f.Dest, &f.A, &f.B);
    ASSERT_TRUE(wipe) << number;
    EXPECT_EQ(wipe->GetParam(0), 0) << number;
    EXPECT_EQ(wipe->GetParam(1), 0) << number;
    wipe->SetParam(0, -7);
    wipe->SetParam(1, INT32_MIN);
    EXPECT_EQ(wipe->GetParam(0), -7) << number << ": no clamp";
    EXPECT_EQ(wipe->GetParam(1), INT32_MIN) << number;
  }
  // The zoom-in's point comes from the program's table, which the project points at the middle
  // of its screen.
  const TWipeParams saved = WipeDefaultParams()[WP_ZOOMIN];
  WipeDefaultParams()[WP_ZOOMIN] = {320, 240};
  auto zoom = CreateWipe(WP_ZOOMIN, &f.Dest, &f.A, &f.B);
  EXPECT_EQ(zoom->GetParam(0), 320);
  EXPECT_EQ(zoom->GetParam(1), 240);
  WipeDefaultParams()[WP_ZOOMIN] = saved;
}

}  // namespace
}  // namespace orva
