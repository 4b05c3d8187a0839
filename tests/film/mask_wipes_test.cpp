// The mask transitions against frames computed pixel by pixel from their formulas, at every
// screen depth with and without the packed arithmetic; the factory's defaults and clamps; the
// builders' own numbers; and what a step at an unchanged progress or a position going back
// draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/random.h"
#include "film/wipe_block.h"
#include "film/wipe_blind.h"
#include "film/wipe_dither.h"
#include "film/wipe_mask.h"
#include "film/wipe_sector.h"
#include "wipe_test_kit.h"

namespace orva {
namespace {

using namespace wipe_test;
constexpr double kPi = std::numbers::pi;

constexpr int W = 37, H = 23;
constexpr int32_t D = 90;
constexpr int32_t kPositions[] = {0, 1, D / 3, D / 2, D - 1, D};

int64_t Scale(int64_t v, int64_t span, int64_t d) { return static_cast<int64_t>(static_cast<__int128>(v) * span / d); }
int Ramp(int64_t p, int64_t d, int64_t s) { return d > p ? 0 : static_cast<int>(std::min<int64_t>(255, (p - d) * 255 / s)); }
int64_t Rnd(double v) { return static_cast<int64_t>(std::nearbyint(v)); }

// What a step at one position draws: nothing, or the picture of a mask (-1: a pixel on an
// outline, not checked).
struct Plan {
  bool Nothing = false;
  std::function<int(int x, int y)> Mask;
};
Plan Nothing() { return {true, {}}; }

struct Params {
  int32_t P0, P1;
  bool Reverse;
};
using Formula = std::function<Plan(const Params&, int32_t position)>;

// Compares the frame of every step with the formula's.
void CheckGolden(int number, const std::vector<ParamCase>& cases, const Formula& formula,
                 const std::function<void()>& beforeCreate = {}) {
  const std::vector<int32_t> positions(std::begin(kPositions), std::end(kPositions));
  ForEachStep(
      number, W, H, D, cases, positions,
      [&](StepCase& s) {
        const Plan plan = s.Done ? Nothing() : formula({s.P0, s.P1, s.Reverse}, s.Position);
        Frames& f = s.F;
        if (plan.Nothing) {
          EXPECT_EQ(DifferenceFrom(f.Dest, f.Sentinel), "") << s.Where << ": draws nothing";
          return;
        }
        EXPECT_EQ(FirstDifference(f.Dest,
                                  [&](int x, int y) -> std::optional<uint32_t> {
                                    const int m = plan.Mask(x, y);
                                    if (m < 0) return std::nullopt;
                                    return MaskRule(s.Path.Depth, f.A.GetPixel(x, y), f.B.GetPixel(x, y), uint32_t(m));
                                  }),
                  "")
            << s.Where;
      },
      beforeCreate);
}

const std::vector<ParamCase> kDefaultAndExtreme = {
    {}, {0, 0}, {7, 3}, {1000, 1}, {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN}};

// ---- Geometry of the round masks, as the formulas state it ----

struct Centre {
  double X = W / 2, Y = H / 2, R = std::hypot(double(W / 2), double(H / 2));
};

// 255 inside the sectors (start, span) of the disc of radius r, 0 outside, -1 within 1.5 of an
// outline (the rim and the radials).
int SectorValue(int x, int y, double r, std::initializer_list<std::pair<double, double>> sectors) {
  const Centre c;
  const double qx = x + 0.5 - c.X, qy = y + 0.5 - c.Y, dist = std::hypot(qx, qy);
  if (std::abs(dist - r) < 1.5 || dist < 1.5) return -1;
  if (dist > r) return 0;
  bool inside = false;
  for (auto [start, span] : sectors) {
    for (double edge : {start, start + span}) {
      const double ux = std::cos(edge), uy = std::sin(edge);
      if (qx * ux + qy * uy > 0 && std::abs(ux * qy - uy * qx) < 1.5) return -1;
    }
    double rel = std::fmod(std::atan2(qy, qx) - start, 2 * kPi);
    if (rel < 0) rel += 2 * kPi;
    inside = inside || rel <= span;
  }
  return inside ? 255 : 0;
}

double Direction(int32_t degrees) { return double(degrees) * 2 * kPi / 360 - kPi / 2; }

// ---- The block orders ----

std::vector<TRect> CoilOrder(int w, int h, int s) {
  std::vector<TRect> blocks;
  int left = 0, top = 0, right = w, bottom = h, bx = 0, by = 0, dir = 0;
  while (left < right && top < bottom) {
    blocks.push_back(Bounds(bx, by, s, s));
    if (dir == 0) {
      if (bx + s >= right) top = by + s, dir = 1, by += s;
      else bx += s;
    } else if (dir == 1) {
      if (by + s >= bottom) right = bx, dir = 2, bx -= s;
      else by += s;
    } else if (dir == 2) {
      if (bx <= left) bottom = by, dir = 3, by -= s;
      else bx -= s;
    } else {
      if (by <= top) left = bx + s, dir = 0, bx += s;
      else by -= s;
    }
  }
  return blocks;
}

int BlockValue(const std::vector<TRect>& blocks, int64_t from, int64_t to, int x, int y) {
  for (int64_t i = std::min(from, to); i <= std::max(from, to); ++i)
    if (i >= 0 && i < int64_t(blocks.size()) && PointInRect({x, y}, blocks[size_t(i)])) return 255;
  return 0;
}

class MaskWipes : public WipeClassesTest {};

// ---- The factory ----

TEST_F(MaskWipes, FactoryRowsAndClamps) {
  Frames f(4, 3, 32);
  struct Row {
    int number;
    int32_t param0, param1;  // after CreateWipe; -1: no class
  } rows[] = {{0, -1, -1},   {1, 0, 0},    {2, 20, 1},   {3, 20, 1},   {4, 30, 1},   {5, 30, 1},  {8, 80, 30},
              {9, 80, 30},   {10, 80, 30}, {11, 2, 1},   {19, 2, 1},   {20, 0, 0},   {21, 0, 0},  {31, 0, 0},
              {34, 0, 0},    {35, 0, 0},   {36, 2, 1},   {37, 60, 0},  {38, 60, 0},  {39, -1, -1}, {255, -1, -1},
              {257, 0, 0},   {258, 20, 1}, {256 + 38, 60, 0}};
  for (const Row& r : rows) {
    std::unique_ptr<TCustomWipe> wipe = CreateWipe(r.number, &f.Dest, &f.A, &f.B);
    if (r.param0 < 0) {
      EXPECT_FALSE(wipe) << r.number;
      continue;
    }
    ASSERT_TRUE(wipe) << r.number;
    EXPECT_EQ(wipe->GetParam(0), r.param0) << r.number;
    EXPECT_EQ(wipe->GetParam(1), r.param1) << r.number;
    EXPECT_FALSE(wipe->Reverse);
    EXPECT_EQ(wipe->Position, 0);
  }
  // SetParam clamps per class: (number, value of both) -> (Param0, Param1).
  struct Clamp {
    int number;
    int32_t value, param0, param1;
  } clamps[] = {{2, 1, 2, 1},       {2, 0, 2, 1},      {3, -5, 2, 1},     {4, 0, 1, 1},    {5, -9, 1, 1},
                {8, 1, 2, 1},       {11, 0, 2, 1},     {19, 0, 2, 1},     {36, 1, 2, 1},   {1, -7, -7, -7},
                {20, -7, -7, -7},   {31, -7, -7, -7},  {34, 1000, 1000, 1000}, {37, 5, 5, 5}, {38, -3, -3, -3}};
  for (const Clamp& c : clamps) {
    std::unique_ptr<TCustomWipe> wipe = CreateWipe(c.number, &f.Dest, &f.A, &f.B);
    wipe->SetParam(0, c.value);
    wipe->SetParam(1, c.value);
    EXPECT_EQ(wipe->GetParam(0), c.param0) << c.number << " " << c.value;
    EXPECT_EQ(wipe->GetParam(1), c.param1) << c.number << " " << c.value;
  }
}

TEST_F(MaskWipes, MaskHeights) {
  Frames f(50, 23, 16);
  struct Case {
    int number;
    int32_t param0, height;
  } cases[] = {{WP_BLINDH, 20, 1},  {WP_BLINDV, 7, 7},   {WP_BLINDV, 300, 23}, {WP_CURTAINH, 30, 1},
               {WP_CURTAINV, 30, 23}, {WP_GRID, 80, 23},  {WP_GRIDH, 5, 5},     {WP_GRIDH, 80, 23},
               {WP_GRIDV, 5, 23},   {WP_DITHER, 0, 64},  {WP_MASKFADE, 0, 23}, {WP_CLOCKHAND, 0, 23},
               {WP_FAN, 0, 23},     {WP_WFAN, 0, 23},    {WP_CIRCLE, 0, 23},   {WP_BLOCKCOIL, 60, 23}};
  for (const Case& c : cases) {
    auto wipe = Make(c.number, f, 100, false, c.param0);
    TDIBX& mask = static_cast<TWipeMask&>(*wipe).Mask;
    EXPECT_EQ(mask.GetWidth(), 50) << c.number;
    EXPECT_EQ(mask.GetHeight(), c.height) << c.number << " " << c.param0;
  }
}

// ---- Golden frames by family ----

TEST_F(MaskWipes, BlindsGolden) {
  CheckGolden(WP_BLINDH, kDefaultAndExtreme, [](const Params& p, int32_t pos) {
    const int64_t progress = Scale(pos, (int64_t(p.P0) - 1) * 2 + p.P1, D);
    return Plan{false, [=](int x, int) {
                  const int64_t i = x % p.P0;
                  return Ramp(progress, 2 * (p.Reverse ? p.P0 - 1 - i : i), p.P1);
                }};
  });
  CheckGolden(WP_BLINDV, kDefaultAndExtreme, [](const Params& p, int32_t pos) {
    const int64_t progress = Scale(pos, (int64_t(p.P0) - 1) * 2 + p.P1, D);
    return Plan{false, [=](int, int y) {
                  const int64_t r = y % p.P0;
                  return Ramp(progress, 2 * (p.Reverse ? p.P0 - 1 - r : r), p.P1);
                }};
  });
}

TEST_F(MaskWipes, CurtainsGolden) {
  auto curtain = [](bool vertical) {
    return [vertical](const Params& p, int32_t pos) {
      const int64_t length = vertical ? H : W, strip = p.P0;
      const int64_t n = (length + strip - 1) / strip;
      const int64_t progress = Scale(pos, ((n - 1) + (strip - 1)) * 16 + p.P1, D);
      return Plan{false, [=](int x, int y) {
                    const int64_t i = vertical ? y : x, j = p.Reverse ? length - 1 - i : i;
                    return Ramp(progress, (j / strip + j % strip) * 16, p.P1);
                  }};
    };
  };
  CheckGolden(WP_CURTAINH, kDefaultAndExtreme, curtain(false));
  CheckGolden(WP_CURTAINV, kDefaultAndExtreme, curtain(true));
}

TEST_F(MaskWipes, GridsGolden) {
  enum Kind { Distance, Column, Row };
  auto grid = [](Kind kind) {
    return [kind](const Params& p, int32_t pos) {
      const int64_t c = p.P0, s = p.P1;
      const int64_t rows = kind == Column ? std::min<int64_t>(c, H) : H;
      const int64_t nx = (W + c - 1) / c, ny = (rows + c - 1) / c;
      auto dist = [](int64_t a, int64_t b) { return Rnd(std::sqrt(double(a * a + b * b))); };
      const int64_t k = kind == Column ? nx : kind == Row ? ny : dist(nx - 1, ny - 1);
      const int64_t progress = Scale(pos, (k - 1) * 4 + s, D);
      // One cell with a short span runs backwards; -1 is the progress of no build yet.
      if (progress == -1) return Nothing();
      return Plan{false, [=](int x, int y) {
                    y = static_cast<int>(y % rows);
                    const int64_t cx = x / c, cy = y / c;
                    const int64_t e = kind == Column ? (p.Reverse ? nx - 1 - cx : cx)
                                      : kind == Row  ? (p.Reverse ? ny - 1 - cy : cy)
                                      : p.Reverse    ? dist(nx - 1 - cx, ny - 1 - cy)
                                                     : dist(cx, cy);
                    const int v = Ramp(progress, e * 4, s);
                    if (v == 0) return 0;
                    const int64_t size = std::min(c, Scale(progress - e * 4, c, s)), o = (c - size) / 2;
                    const int64_t dx = x - cx * c - o, dy = y - cy * c - o;
                    return dx >= 0 && dx < size && dy >= 0 && dy < size ? v : 0;
                  }};
    };
  };
  const std::vector<ParamCase> cases = {{}, {0, 0}, {5, 3}, {6, 40}, {1000, 1}, {INT32_MAX, INT32_MAX}};
  CheckGolden(WP_GRID, cases, grid(Distance));
  CheckGolden(WP_GRIDH, cases, grid(Column));
  CheckGolden(WP_GRIDV, cases, grid(Row));
}

TEST_F(MaskWipes, DitherGolden) {
  std::vector<int> rank(4096);
  TWzRandom random(12341);
  random.SetCount(4096);
  for (int i = 0; i < 4096; ++i) rank[size_t(random.NextIndex())] = i;
  CheckGolden(WP_DITHER, {{}, {INT32_MAX, INT32_MAX}}, [&](const Params&, int32_t pos) {
    const int64_t progress = Scale(pos, 4096, D);
    return Plan{false, [&rank, progress](int x, int y) { return rank[size_t(y % 64 * 64 + x % 64)] < progress ? 255 : 0; }};
  });
}

TEST_F(MaskWipes, ClockHandAndFansGolden) {
  const std::vector<ParamCase> cases = {{}, {90, 0}, {-45, 0}, {400, 7}, {INT32_MAX, 0}};
  CheckGolden(WP_CLOCKHAND, cases, [](const Params& p, int32_t pos) {
    if (pos == 0) return Nothing();
    const double start = Direction(p.P0), sweep = 2 * kPi * pos / D;
    return Plan{false, [=](int x, int y) {
                  return SectorValue(x, y, Centre().R, {{p.Reverse ? start - sweep : start, sweep}});
                }};
  });
  CheckGolden(WP_FAN, cases, [](const Params& p, int32_t pos) {
    if (pos == 0) return Nothing();
    const double axis = Direction(p.P0), theta = kPi * pos / D;
    return Plan{false, [=](int x, int y) { return SectorValue(x, y, Centre().R, {{axis - theta, 2 * theta}}); }};
  });
  CheckGolden(WP_WFAN, cases, [](const Params& p, int32_t pos) {
    if (pos == 0) return Nothing();
    const double axis = Direction(p.P0), theta = kPi / 2 * pos / D;
    return Plan{false, [=](int x, int y) {
                  return SectorValue(x, y, Centre().R, {{axis - theta, 2 * theta}, {axis + kPi - theta, 2 * theta}});
                }};
  });
}

TEST_F(MaskWipes, CircleGolden) {
  CheckGolden(WP_CIRCLE, {{}, {INT32_MAX, INT32_MAX}}, [](const Params& p, int32_t pos) {
    const double big = Centre().R;
    const int64_t r = Rnd(p.Reverse ? big * (D - pos) / D : big * pos / D);
    if (r == 0) return Nothing();
    return Plan{false, [=](int x, int y) {
                  const int v = SectorValue(x, y, double(r), {{0, 2 * kPi}});
                  return v < 0 || !p.Reverse ? v : 255 - v;
                }};
  });
}

TEST_F(MaskWipes, BlocksGolden) {
  const std::vector<ParamCase> cases = {{}, {5, 0}, {13, 0}, {1000, 0}, {INT32_MIN, 0}};
  CheckGolden(WP_BLOCKCOIL, cases, [](const Params& p, int32_t pos) {
    const int s = std::min(H, std::min(W, std::max(10, p.P0)));
    const std::vector<TRect> blocks = CoilOrder(W, H, s);
    const int64_t n = int64_t(blocks.size()) - 1;
    if (p.Reverse) {
      const int64_t k = Scale(n, D - pos, D);
      return Plan{false, [=](int x, int y) { return BlockValue(blocks, n, k, x, y); }};
    }
    const int64_t k = Scale(n, pos, D);
    return Plan{false, [=](int x, int y) { return BlockValue(blocks, 0, k, x, y); }};
  });
  // The random order: all blocks row by row, each next one drawn uniformly from those left.
  constexpr uint32_t kSeed = 77;
  CheckGolden(
      WP_BLOCKRANDOM, cases,
      [&](const Params& p, int32_t pos) {
    const int s = std::min(H, std::min(W, std::max(10, p.P0)));
    std::vector<TRect> left, blocks;
    for (int y = 0; y < H; y += s)
      for (int x = 0; x < W; x += s) left.push_back(Bounds(x, y, s, s));
    SeedRuntimeRandom(kSeed);
    while (!left.empty()) {
      const auto at = left.begin() + RuntimeRandom(int32_t(left.size()));
      blocks.push_back(*at);
      left.erase(at);
    }
    const int64_t k = Scale(int64_t(blocks.size()) - 1, pos, D);
    return Plan{false, [=](int x, int y) { return BlockValue(blocks, 0, k, x, y); }};
      },
      [&] { SeedRuntimeRandom(kSeed); });
}

// ---- The builders' own numbers ----

std::vector<int> MaskRow(TWipeMask& wipe, int y) {
  std::vector<int> row;
  for (int x = 0; x < wipe.Mask.GetWidth(); ++x) row.push_back(int(wipe.Mask.GetPixel(x, y)));
  return row;
}

TEST_F(MaskWipes, BlindNumbers) {
  Frames f(40, 4, 32);
  // 20 wide with a hard edge: p = 39 × 50 div 100 = 19; columns with 2 × (i mod 20) < 19 are new.
  for (bool reverse : {false, true}) {
    auto wipe = Make(WP_BLINDH, f, 100, reverse);
    wipe->Position = 50;
    wipe->Step();
    auto& mask = static_cast<TWipeMask&>(*wipe);
    EXPECT_TRUE(mask.HardEdge);
    EXPECT_EQ(mask.LastProgress, 19);
    const std::vector<int> row = MaskRow(mask, 0);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(row[size_t(i)], (reverse ? i % 20 >= 10 : i % 20 <= 9) ? 255 : 0) << i;
  }
  // A softness of 3: the column one unit behind the progress is a third new.
  auto soft = Make(WP_BLINDH, f, 100, false, 20, 3);
  soft->Position = 50;  // p = 41 × 50 div 100 = 20
  soft->Step();
  auto& mask = static_cast<TWipeMask&>(*soft);
  EXPECT_FALSE(mask.HardEdge);
  EXPECT_EQ(MaskRow(mask, 0)[9], 85 * 2);  // d = 18: 2 units
  EXPECT_EQ(MaskRow(mask, 0)[10], 0);      // d = 20
}

TEST_F(MaskWipes, DitherTilesOneHalfAtHalfTime) {
  Frames f(150, 70, 16);
  auto wipe = Make(WP_DITHER, f, 1000);
  wipe->Position = 500;
  wipe->Step();
  auto& mask = static_cast<TWipeMask&>(*wipe);
  ASSERT_EQ(mask.Mask.GetHeight(), 64);
  int set = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 150; ++x) {
      const uint32_t v = mask.Mask.GetPixel(x, y);
      ASSERT_TRUE(v == 0 || v == 255);
      EXPECT_EQ(v, mask.Mask.GetPixel(x % 64, y)) << x << "," << y;
      if (x < 64 && v == 255) ++set;
    }
  EXPECT_EQ(set, 2048);
  // Rows beyond the tile read its rows again.
  EXPECT_EQ(f.Dest.GetPixel(5, 66), f.Dest.GetPixel(5, 2) == f.A.GetPixel(5, 2) ? f.A.GetPixel(5, 66) : f.B.GetPixel(5, 66));
}

TEST_F(MaskWipes, BlockSizesAndTheCoilOrder) {
  Frames f(640, 480, 15);
  struct Case {
    int number;
    int32_t param, size;
  } cases[] = {{WP_BLOCKCOIL, 5, 10}, {WP_BLOCKRANDOM, 5, 10}, {WP_BLOCKCOIL, 1000, 480}, {WP_BLOCKRANDOM, 60, 60}};
  for (const Case& c : cases) EXPECT_EQ(Make(c.number, f, 100, false, c.param)->GetParam(0), c.size) << c.param;

  Frames small(30, 20, 15);
  auto coil = Make(WP_BLOCKCOIL, small, 100, false, 10);
  const std::vector<TRect> expected = {Bounds(0, 0, 10, 10),   Bounds(10, 0, 10, 10), Bounds(20, 0, 10, 10),
                                       Bounds(20, 10, 10, 10), Bounds(10, 10, 10, 10), Bounds(0, 10, 10, 10)};
  EXPECT_EQ(static_cast<TWipeBlock&>(*coil).Blocks, expected);
  EXPECT_EQ(static_cast<TWipeBlock&>(*Make(WP_BLOCKCOIL, small, 100, true, 10)).LastBlock, 6);
}

// A step at the progress of the last one draws nothing and answers false; clock hand and fans
// back at 0 show the new picture whole; blocks keep what they filled; every other class draws
// the state of the position it is given.
TEST_F(MaskWipes, PositionsRepeatedAndGoingBack) {
  for (int number : {2, 3, 4, 5, 8, 9, 10, 11, 31, 34, 35, 36, 37, 38}) {
    Frames f(W, H, 32);
    auto wipe = Make(number, f, D);
    wipe->Position = 60;
    EXPECT_FALSE(wipe->Step());
    f.ResetDest();
    EXPECT_FALSE(wipe->Step()) << number;
    EXPECT_EQ(DifferenceFrom(f.Dest, f.Sentinel), "") << number << ": unchanged progress draws nothing";

    wipe->Position = 20;
    wipe->Step();
    Frames fresh(W, H, 32);
    auto other = Make(number, fresh, D);
    other->Position = 20;
    other->Step();
    if (number == WP_BLOCKCOIL || number == WP_BLOCKRANDOM) {
      // The blocks up to position 60 stay.
      wipe->Position = 60;
      f.ResetDest();
      EXPECT_FALSE(wipe->Step()) << number;
      continue;
    }
    EXPECT_EQ(DifferenceFrom(f.Dest, fresh.Dest), "") << number;
    wipe->Position = 0;
    f.ResetDest();
    wipe->Step();
    if (number == WP_CLOCKHAND || number == WP_FAN || number == WP_WFAN) {
      EXPECT_EQ(DifferenceFrom(f.Dest, f.B), "") << number << ": back at 0 the mask is full";
    } else if (number != WP_CIRCLE) {
      EXPECT_EQ(DifferenceFrom(f.Dest, f.A), "") << number << ": back at 0 the old picture";
    }
  }
}

TEST_F(MaskWipes, BlocksFilledStayWhenThePositionGoesBack) {
  Frames f(40, 20, 16);
  auto wipe = Make(WP_BLOCKCOIL, f, 100, false, 10);  // 8 blocks, n = 7
  auto& blocks = static_cast<TWipeBlock&>(*wipe);
  wipe->Position = 60;  // k = 4
  wipe->Step();
  wipe->Position = 20;  // k = 1: nothing filled, the mark goes back
  wipe->Step();
  EXPECT_EQ(blocks.LastBlock, 1);
  // The spiral: (0, 0), (10, 0), (20, 0), (30, 0), (30, 10), (20, 10), (10, 10), (0, 10).
  EXPECT_EQ(blocks.Mask.GetPixel(35, 15), 255u) << "block 4 stays";
  EXPECT_EQ(blocks.Mask.GetPixel(25, 15), 0u);
  wipe->Position = 99;  // k = 6
  wipe->Step();
  EXPECT_EQ(blocks.Mask.GetPixel(15, 15), 255u);
  EXPECT_EQ(blocks.Mask.GetPixel(5, 15), 0u) << "the last block is never filled before the end";
}

// The plain path is Assign (SrcA) and DrawMask (SrcB) through the mask repeated downwards.
TEST_F(MaskWipes, ThePlainPathIsAssignAndDrawMask) {
  PackedScope plain(false);
  for (int depth : {15, 16, 24, 32})
    for (int number : {WP_GRID, WP_BLINDV, WP_CURTAINH}) {
      Frames f(W, H, depth);
      auto wipe = Make(number, f, D, false, 7, 5);
      wipe->Position = D / 2;
      wipe->Step();
      TDIBX& mask = static_cast<TWipeMask&>(*wipe).Mask;
      TDIBX tall, expected;
      tall.SetSize(W, H, 8);
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) tall.SetPixel(x, y, mask.GetPixel(x, y % mask.GetHeight()));
      expected.SetSize(W, H, depth);
      expected.Assign(f.A);
      expected.DrawMask(0, 0, f.B, f.B.GetBoundsRect(), false, false, tall);
      EXPECT_EQ(DifferenceFrom(f.Dest, expected), "") << number << " at " << depth;
    }
}

}  // namespace
}  // namespace orva
