// The breaking transitions: the mosaic's stretched draws and the colours of its reduced
// picture, the ripple and the chip fall against frames computed pixel by pixel from their
// formulas, at every depth and path; and the numbers of their formulas.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "core/random.h"
#include "film/wipe_crack.h"
#include "film/wipe_mosaic.h"
#include "film/wipe_ripple.h"
#include "wipe_test_kit.h"

namespace orva {
namespace {

using namespace wipe_test;

constexpr int32_t D = 90;
int64_t Rnd(double v) { return std::llrint(v); }

class BreakingWipes : public WipeClassesTest {};

// ---- Mosaic ----

TEST_F(BreakingWipes, MosaicGolden) {
  constexpr int W = 37, H = 23;
  // v = position × 1023 div 90: 0, 11 (the old picture), 341, 511 (the new one at 21 and 63),
  // 568, 682 (at 156 and 213), 1011 (the new picture).
  ForEachStep(WP_MOSAIC, W, H, D, {{}, {INT32_MAX, INT32_MIN}}, {0, 1, 30, 45, 50, 60, D - 1, D}, [&](StepCase& s) {
    if (s.Done) {
      EXPECT_TRUE(s.F.Dest.Calls.empty());
      return;
    }
    TDIBX& work = *static_cast<TWipeMosaic&>(s.Wipe).Work;
    const int64_t v = int64_t(s.Position) * 1023 / D;
    const int64_t f = v < 512 ? 263 - (v / 2) * 15 / 16 : ((v - 512) / 2) * 15 / 16 + 24;
    const int32_t bw = int32_t(std::max<int64_t>(1, (W / 4 * f) >> 8)), bh = int32_t(std::max<int64_t>(1, (H / 4 * f) >> 8));
    EXPECT_EQ(s.F.Dest.Calls, std::vector<Call>{Call("Stretch", {0, 0, W, H}, &work, {0, 0, bw, bh}, 255)}) << s.Where;
    // The reduced picture's first pixel: the old one's, blended with the new one's, or the new one's.
    const uint32_t a = s.F.A.GetPixel(0, 0), b = s.F.B.GetPixel(0, 0);
    const int64_t alpha = v < 256 ? 0 : v < 512 ? (v - 256) / 4 : v < 768 ? (v - 256) / 2 : 255;
    const uint32_t expected = alpha == 0 ? a : alpha == 255 ? b : AlphaRule(s.Path.Depth, a, b, uint32_t(alpha));
    const uint32_t colours = FieldMasks(s.Path.Depth)[0] | FieldMasks(s.Path.Depth)[1] | FieldMasks(s.Path.Depth)[2];
    EXPECT_EQ(work.GetPixel(0, 0) & colours, expected & colours) << s.Where;
    EXPECT_EQ(s.F.Dest.GetPixel(0, 0), work.GetPixel(0, 0)) << s.Where;
  });
}

TEST_F(BreakingWipes, MosaicBlocks) {
  // 640 × 480 at 0: f 263, 164 × 123 blocks; at v = 511: f 24, 15 × 11.
  Frames big(640, 480, 16);
  for (auto [position, bw, bh] : {std::tuple{0, 164, 123}, std::tuple{511, 15, 11}}) {
    auto wipe = Make(WP_MOSAIC, big, 1023);
    wipe->Position = position;
    big.ResetDest();
    wipe->Step();
    ASSERT_EQ(big.Dest.Calls.size(), 1u);
    EXPECT_EQ(big.Dest.Calls[0].SourceRect, (TRect{0, 0, bw, bh})) << position;
  }
  // 40 × 40 at 0: 10 × 10 blocks of 4 pixels, each one of the old picture's pixels under it.
  for (bool packed : {true, false}) {
    PackedScope scope(packed);
    Frames f(40, 40, 32);
    auto wipe = Make(WP_MOSAIC, f, D);
    wipe->Position = 0;
    wipe->Step();
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) {
        const uint32_t pixel = f.Dest.GetPixel(x, y);
        ASSERT_EQ(pixel, f.Dest.GetPixel(x - x % 4, y - y % 4)) << x << "," << y;
        if (x % 4 || y % 4) continue;
        bool under = false;
        for (int v = 0; v < 4; ++v)
          for (int u = 0; u < 4; ++u) under = under || pixel == f.A.GetPixel(x + u, y + v);
        EXPECT_TRUE(under) << x << "," << y;
      }
  }
}

// ---- Ripple ----

// The ripple's frame from its formulas over a w × h picture (nothing for the middle column or
// row of an odd size).
std::optional<uint32_t> RipplePixel(StepCase& s, int w, int h, int x, int y) {
  const int hw = w / 2, hh = h / 2;
  if ((x >= hw && x < w - hw) || (y >= hh && y < h - hh)) return s.F.Sentinel.GetPixel(x, y);
  const bool mx = x >= hw, my = y >= hh;
  const int qx = mx ? w - 1 - x : x, qy = my ? h - 1 - y : y;
  const int64_t n = std::min(hw, hh) * 2 / 3, q = n / 4;
  const double dx = qx - hw, dy = qy - hh, angle = std::atan2(dy, dx);
  const int64_t d = Rnd(std::sqrt(dx * dx + dy * dy));
  const int64_t front = int64_t(s.Position) * (Rnd(std::sqrt(double(hw * hw + hh * hh))) + n) / D;
  const int64_t k = (n - 1) + d - front;
  if (k > n - 1) return s.F.A.GetPixel(x, y);
  if (k < 0) return s.F.B.GetPixel(x, y);
  const int64_t r = d + (q == 0 ? 0 : (k % q) * int64_t(s.P0) / q);
  const int64_t sx = hw + Rnd(std::cos(angle) * 65536) * r / 65536, sy = hh + Rnd(std::sin(angle) * 65536) * r / 65536;
  if (sx < 0 || sy < 0 || sx >= w || sy >= h) return s.F.B.GetPixel(x, y);
  return s.F.B.GetPixel(int(mx ? w - 1 - sx : sx), int(my ? h - 1 - sy : sy));
}

TEST_F(BreakingWipes, RippleGolden) {
  const std::vector<ParamCase> amplitudes = {{}, {0, 0}, {-20, 0}, {1000, 0}, {INT32_MAX, 0}, {INT32_MIN, 0}};
  // 40 × 30: n 10, q 2; 37 × 25: n 8, q 2, the middle column and row undrawn.
  for (auto [w, h] : {std::pair{40, 30}, std::pair{37, 25}})
    ForEachStep(WP_RIPPLE, w, h, D, amplitudes, {0, 1, 10, D / 3, D / 2, 60, D - 1, D}, [&](StepCase& s) {
      if (s.Done) {
        EXPECT_EQ(DifferenceFrom(s.F.Dest, s.F.Sentinel), "") << s.Where;
        return;
      }
      EXPECT_EQ(FirstDifference(s.F.Dest, [&](int x, int y) { return RipplePixel(s, w, h, x, y); }), "") << s.Where;
    });
}

TEST_F(BreakingWipes, RippleNumbers) {
  Frames f(640, 480, 32);
  auto wipe = Make(WP_RIPPLE, f, 560);
  auto& ripple = static_cast<TWipeRipple&>(*wipe);
  ASSERT_EQ(ripple.Wave.size(), 160u);
  for (int i = 0; i < 160; ++i) EXPECT_EQ(ripple.Wave[size_t(i)], i % 40 * 5 / 40) << i;
  EXPECT_EQ(ripple.Tables->Distances[0], 400);
  // L = 400 + 160 = 560: over 560 units the front is the position; the corner at 400 joins the
  // band at 400, its displaced source outside the picture: the new pixel in place.
  wipe->Position = 399;
  wipe->Step();
  EXPECT_EQ(f.Dest.GetPixel(0, 0), f.A.GetPixel(0, 0));
  wipe->Position = 400;
  wipe->Step();
  EXPECT_EQ(ripple.Tables->Cos[0], Rnd(-0.8 * 65536));
  EXPECT_EQ(f.Dest.GetPixel(0, 0), f.B.GetPixel(0, 0));
  EXPECT_EQ(f.Dest.GetPixel(639, 479), f.B.GetPixel(639, 479));
  // SetParam (0) rebuilds the wave; the default 5 gives the first one back.
  wipe->SetParam(0, 80);
  EXPECT_EQ(ripple.Wave[39], 39 * 80 / 40);
  wipe->SetParam(0, 5);
  EXPECT_EQ(ripple.Wave[39], 4);
  // Under 12 pixels the wave has fewer than four entries and is flat.
  Frames small(10, 10, 16);
  auto flat = Make(WP_RIPPLE, small, 100, false, 50);
  EXPECT_EQ(static_cast<TWipeRipple&>(*flat).Wave, (std::vector<int32_t>{0, 0, 0}));
  for (int32_t position : {0, 30, 60, 99}) {
    flat->Position = position;
    flat->Step();
  }
}

// The directions are worked out as the front reaches their pixels, and the tables are kept for
// the next ripple of the same size: a ripple stepped back and forth, and one made after it,
// draw what the formulas give.
TEST_F(BreakingWipes, RippleTablesGrowWithTheFrontAndAreKeptForTheSameSize) {
  constexpr int w = 40, h = 30;
  Frames f(w, h, 32), other(w + 2, h, 32);
  auto first = Make(WP_RIPPLE, f, D);
  auto& ripple = static_cast<TWipeRipple&>(*first);
  first->Position = 1;
  first->Step();
  EXPECT_EQ(ripple.Tables->ReadyFrom[0], w / 2) << "the outer pixels are left for later steps";
  for (int32_t position : {45, 10, D - 1, 30, 60, 2}) {
    first->Position = position;
    f.ResetDest();
    first->Step();
    StepCase s{kDepthPaths[4], f, *first, 5, 0, false, position, false, "position " + std::to_string(position)};
    EXPECT_EQ(FirstDifference(f.Dest, [&](int x, int y) { return RipplePixel(s, w, h, x, y); }), "") << s.Where;
  }
  EXPECT_EQ(ripple.Tables->ReadyFrom, std::vector<int>(h / 2, 0));
  auto again = Make(WP_RIPPLE, f, D), wider = Make(WP_RIPPLE, other, D);
  EXPECT_EQ(static_cast<TWipeRipple&>(*again).Tables, ripple.Tables);
  EXPECT_NE(static_cast<TWipeRipple&>(*wider).Tables, ripple.Tables);
  EXPECT_EQ(static_cast<TWipeRipple&>(*wider).Tables->HalfWidth, (w + 2) / 2);
}

// ---- Chip fall ----

// The frame of one chip fall step: the new picture, the chips at rest in order, the moving ones
// from the last to the first, each the old picture's cell at its place at fall-clock t.
std::function<uint32_t(int, int)> CrackFrame(StepCase& s, int w, int h, int64_t t) {
  auto& crack = static_cast<TWipeCrack&>(s.Wipe);
  auto frame = std::make_shared<std::vector<uint32_t>>();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) frame->push_back(s.F.B.GetPixel(x, y));
  const int64_t size = crack.GetParam(0);
  auto draw = [&](const TWipeCrackDraw& chip) {
    const int64_t left = size * chip.CellX, top = size * chip.CellY;
    int64_t dx = left, dy = top;
    if (t >= chip.Delay) {
      const int64_t e = t - chip.Delay;
      dx += e * chip.Drift / 100;
      dy += e * (5 * e - 1500) / 1000;
    }
    for (int64_t v = 0; v < size && top + v < h; ++v)
      for (int64_t u = 0; u < size && left + u < w; ++u)
        if (dx + u >= 0 && dx + u < w && dy + v >= 0 && dy + v < h)
          (*frame)[size_t((dy + v) * w + dx + u)] = s.F.A.GetPixel(int(left + u), int(top + v));
  };
  for (const auto& chip : crack.Chips)
    if (chip && t < chip->Delay) draw(*chip);
  for (size_t k = crack.Chips.size(); k-- > 0;)
    if (crack.Chips[k] && t >= crack.Chips[k]->Delay) draw(*crack.Chips[k]);
  return [frame, w](int x, int y) { return (*frame)[size_t(y * w + x)]; };
}

TEST_F(BreakingWipes, ChipFallGolden) {
  constexpr int W = 37, H = 23;  // FallSpan 315
  const std::vector<ParamCase> cases = {{}, {16, 3}, {20, 0}, {16, 40}, {1000, -5}, {INT32_MIN, INT32_MAX}};
  ForEachStep(
      WP_CRACK, W, H, D, cases, {0, 1, D / 3, D / 2, D - 1, D},
      [&](StepCase& s) {
        auto& crack = static_cast<TWipeCrack&>(s.Wipe);
        EXPECT_EQ(crack.FallSpan, 315);
        if (s.Done) {
          EXPECT_EQ(DifferenceFrom(s.F.Dest, s.F.Sentinel), "") << s.Where;
          return;
        }
        const int64_t t = (315 + crack.TotalDelay) * s.Position / D;
        const auto expected = CrackFrame(s, W, H, t);
        EXPECT_EQ(FirstDifference(s.F.Dest, [&](int x, int y) { return std::optional(expected(x, y)); }), "") << s.Where;
        for (const auto& chip : crack.Chips)
          if (chip && t >= chip->Delay) {
            const int64_t e = t - chip->Delay;
            EXPECT_LT(crack.GetParam(0) * chip->CellY + e * (5 * e - 1500) / 1000, H) << s.Where << ": a fallen chip stays";
          }
      },
      [] { SeedRuntimeRandom(31); });
}

TEST_F(BreakingWipes, ChipFallNumbers) {
  Frames f(640, 480, 16);
  SeedRuntimeRandom(7);
  auto wipe = Make(WP_CRACK, f, 1000);
  auto& crack = static_cast<TWipeCrack&>(*wipe);
  EXPECT_EQ(crack.GetParam(0), 64);
  EXPECT_EQ(crack.GetParam(1), 3);
  ASSERT_EQ(crack.Chips.size(), 80u);
  EXPECT_EQ(crack.TotalDelay, 237);
  EXPECT_EQ(crack.FallSpan, 495);
  auto everyCellOnce = [&](int nx, int ny) {
    std::set<std::pair<int, int>> cells;
    for (size_t k = 0; k < crack.Chips.size(); ++k) {
      const TWipeCrackDraw& chip = *crack.Chips[k];
      EXPECT_EQ(&chip.Owner, &crack);
      EXPECT_GE(chip.Drift, -100);
      EXPECT_LE(chip.Drift, 99);
      EXPECT_EQ(chip.Delay, int64_t(crack.GetParam(1)) * int64_t(k));
      EXPECT_TRUE(chip.CellX >= 0 && chip.CellX < nx && chip.CellY >= 0 && chip.CellY < ny);
      cells.insert({chip.CellX, chip.CellY});
    }
    EXPECT_EQ(cells.size(), size_t(nx * ny));
  };
  everyCellOnce(10, 8);
  // Chips of 16 (10 is too small), then all starting together.
  wipe->SetParam(0, 10);
  EXPECT_EQ(crack.GetParam(0), 16);
  ASSERT_EQ(crack.Chips.size(), 1200u);
  EXPECT_EQ(crack.TotalDelay, 1199 * 3);
  everyCellOnce(40, 30);
  wipe->SetParam(1, -5);
  EXPECT_EQ(crack.GetParam(1), 0);
  EXPECT_EQ(crack.TotalDelay, 0);
  everyCellOnce(40, 30);
  // Near the end every chip but the last few has fallen; going back brings none back.
  f.A.Fill(0xFFFF);
  f.B.Fill(0);
  wipe->SetParam(1, 3);
  wipe->Position = 990;
  wipe->Step();
  size_t gone = 0;
  for (const auto& chip : crack.Chips) gone += chip ? 0 : 1;
  EXPECT_GT(gone, 0u);
  wipe->Position = 0;
  f.ResetDest();
  wipe->Step();
  size_t goneAfter = 0, showingOld = 0;
  for (const auto& chip : crack.Chips) goneAfter += chip ? 0 : 1;
  EXPECT_EQ(goneAfter, gone);
  for (int y = 0; y < 480; y += 16)
    for (int x = 0; x < 640; x += 16) showingOld += f.Dest.GetPixel(x, y) == 0xFFFF ? 1 : 0;
  EXPECT_EQ(showingOld, crack.Chips.size() - gone) << "the cells of fallen chips show the new picture";
}

}  // namespace
}  // namespace orva
