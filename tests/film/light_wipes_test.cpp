// The light transitions against frames computed pixel by pixel from their formulas at every
// depth and path; the numbers of their formulas; the blurred pictures made from what the pages
// show at the first step; the spot's distances.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "film/wipe_blur.h"
#include "film/wipe_spot.h"
#include "wipe_test_kit.h"

namespace orva {
namespace {

using namespace wipe_test;

constexpr int W = 37, H = 23;
constexpr int32_t D = 90;
const std::vector<int32_t> kPositions = {0, 1, D / 3, D / 2, D - 1, D};
const std::vector<ParamCase> kUnused = {{}, {INT32_MIN, INT32_MAX}};

// The picture of a step computed per pixel (a picture that draws nothing: none).
using Expected = std::function<std::optional<std::function<uint32_t(int x, int y)>>(StepCase& s)>;

void CheckFrames(int number, const std::vector<int32_t>& positions, const Expected& expected) {
  ForEachStep(number, W, H, D, kUnused, positions, [&](StepCase& s) {
    const auto pixel = s.Done ? std::nullopt : expected(s);
    if (!pixel) {
      EXPECT_EQ(DifferenceFrom(s.F.Dest, s.F.Sentinel), "") << s.Where << ": draws nothing";
      return;
    }
    EXPECT_EQ(FirstDifference(s.F.Dest, [&](int x, int y) { return std::optional<uint32_t>((*pixel)(x, y)); }), "")
        << s.Where;
  });
}

// The saturating fills with grey v (nothing for 0).
uint32_t Lit(int depth, uint32_t base, int64_t v, bool darkens) {
  return v == 0 ? base : LightRule(depth, base, Grey(depth, uint32_t(v)), darkens);
}

// The spot's light: added to every colour field, saturating, the other bits kept.
uint32_t SpotLit(int depth, uint32_t base, uint32_t k) {
  const uint32_t grey = Grey(depth, k);
  uint32_t out = base;
  for (uint32_t mk : FieldMasks(depth)) out = (out & ~mk) | std::min(uint64_t(base & mk) + (grey & mk), uint64_t(mk));
  return out;
}

// The blurred copy the transitions make of a picture: the box blur of radius r in the
// picture's own layout.
void Blurred(TDIBX& out, TDIBX& picture, int radius) {
  out.SetSize(picture.GetWidth(), picture.GetHeight(), picture.GetBitCount());
  out.Assign(picture);
  out.Surface().Blur(out.GetBitCount(), radius);
}

class LightWipes : public WipeClassesTest {
 protected:
  void TearDown() override {
    SetupColorTables(15);
    WipeClassesTest::TearDown();
  }
};

TEST_F(LightWipes, WhiteBlackAndFlashGolden) {
  for (int number : {WP_WHITE, WP_BLACK})
    CheckFrames(number, kPositions, [number](StepCase& s) {
      const int64_t v = int64_t(s.Position) * 511 / D;
      return std::optional(std::function([&s, v, number](int x, int y) {
        const bool fresh = v >= 256;
        return Lit(s.Path.Depth, (fresh ? s.F.B : s.F.A).GetPixel(x, y), fresh ? 511 - v : v, number == WP_BLACK);
      }));
    });
  CheckFrames(WP_FLASH, kPositions, [](StepCase& s) {
    const int64_t v = 255 - int64_t(s.Position) * 255 / D;
    return std::optional(std::function([&s, v](int x, int y) { return Lit(s.Path.Depth, s.F.B.GetPixel(x, y), v, false); }));
  });
}

TEST_F(LightWipes, BlurGolden) {
  // v = position × 639 div 90: 0, 7, 213 blur the old picture; 284 and 319 light its blurred
  // copy; 355 the new blurred copy; 631 sharpens the new picture.
  const std::vector<int32_t> positions = {0, 1, 30, 40, 45, 50, D - 1, D};
  for (int number : {WP_BLURWHITE, WP_BLURBLACK})
    CheckFrames(number, positions, [number](StepCase& s) {
      auto blurs = std::make_shared<std::pair<TDIBX, TDIBX>>();
      Blurred(blurs->first, s.F.A, 1);  // min(37, 23) div 20
      Blurred(blurs->second, s.F.B, 1);
      const int64_t v = int64_t(s.Position) * 639 / D;
      const int depth = s.Path.Depth;
      return std::optional(std::function([&s, v, blurs, depth, number](int x, int y) -> uint32_t {
        const bool darkens = number == WP_BLURBLACK;
        if (v == 0) return s.F.A.GetPixel(x, y);
        if (v < 256) return AlphaRule(depth, s.F.A.GetPixel(x, y), blurs->first.GetPixel(x, y), uint32_t(v));
        if (v < 320) return Lit(depth, blurs->first.GetPixel(x, y), (v - 256) * 4, darkens);
        if (v < 384) return Lit(depth, blurs->second.GetPixel(x, y), (383 - v) * 4, darkens);
        return AlphaRule(depth, s.F.B.GetPixel(x, y), blurs->second.GetPixel(x, y), uint32_t(639 - v));
      }));
    });
}

TEST_F(LightWipes, SpotGolden) {
  // cx 18, cy 11, SpotLength rnd(√445) + 512 = 533; p = position × 533 div 90.
  CheckFrames(WP_SPOT, kPositions, [](StepCase& s) {
    const int64_t p = int64_t(s.Position) * 533 / D;
    return std::optional(std::function([&s, p](int x, int y) {
      const int64_t dist = std::llrint(std::sqrt(double((x - 18) * (x - 18) + (y - 11) * (y - 11))));
      const int64_t d = s.Reverse ? 21 - dist : dist, q = p - d;
      const uint32_t base = (q >= 256 ? s.F.B : s.F.A).GetPixel(x, y);
      if (q < 0 || q >= 512) return base;
      return SpotLit(s.Path.Depth, base, uint32_t(q < 256 ? q : 511 - q));
    }));
  });
}

// ---- The numbers of the formulas ----

TEST_F(LightWipes, WhiteOverDuration511) {
  SetupColorTables(32);
  Frames f(5, 3, 32);
  f.A.Fill(0x102030);
  f.B.Fill(0x405060);
  struct Case {
    int32_t position;
    uint32_t pixel;
  } cases[] = {{255, 0xFFFFFF}, {256, 0xFFFFFF}, {510, 0x415161}};
  for (const Case& c : cases) {
    auto wipe = Make(WP_WHITE, f, 511);
    wipe->Position = c.position;
    EXPECT_FALSE(wipe->Step());
    EXPECT_EQ(f.Dest.GetPixel(2, 1), c.pixel) << c.position;
  }
  auto wipe = Make(WP_WHITE, f, 511);
  wipe->Position = 511;
  EXPECT_TRUE(wipe->Step());
  // Position × 511 passes 32 bits after 4.2 million units: v = 459, grey 52.
  auto slow = Make(WP_WHITE, f, 10000000);
  slow->Position = 9000000;
  slow->Step();
  EXPECT_EQ(f.Dest.GetPixel(0, 0), 0x748494u);
}

TEST_F(LightWipes, AFlashStartsWhiteAtEveryDepth) {
  for (int depth : {15, 16, 24, 32})
    for (bool packed : {true, false}) {
      PackedScope scope(packed);
      SetupColorTables(depth == 24 ? 32 : depth);
      Frames f(6, 4, depth);
      auto wipe = Make(WP_FLASH, f, 40);
      wipe->Position = 0;
      wipe->Step();
      const uint32_t white = FieldMasks(depth)[0] | FieldMasks(depth)[1] | FieldMasks(depth)[2];
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(f.Dest.GetPixel(x, y) & white, white) << depth << " " << x << "," << y;
      // The last step adds 255 − 255 × 39 div 40 = 7.
      f.B.Fill(0);
      wipe->Position = 39;
      wipe->Step();
      EXPECT_EQ(f.Dest.GetPixel(0, 0), Grey(depth, 7)) << depth;
    }
}

TEST_F(LightWipes, ThePicturesAreCopiedAtTheFirstStepAndBlurredOneAStep) {
  SetupColorTables(32);
  Frames f(40, 20, 32);  // radius 1
  auto wipe = Make(WP_BLURWHITE, f, 639);
  auto& blur = static_cast<TWipeBlurWhite&>(*wipe);
  EXPECT_FALSE(blur.Copies);
  // The pages are painted after the transition was made.
  f.A.Fill(0x00010203);
  Paint(f.B, 40, 20, 32, 9);
  TDIBX expected;
  Blurred(expected, f.B, 1);
  wipe->Position = 256;  // v = 256: the blurred old picture, unlit
  wipe->Step();
  ASSERT_TRUE(blur.Copies);
  EXPECT_EQ(blur.Blurred, (std::array{true, false})) << "only the picture this step shows";
  EXPECT_EQ(f.Dest.GetPixel(7, 7), 0x00010203u);
  // What the new page paints later is not in its blurred copy, made at the next step.
  f.B.Fill(0);
  wipe->Position = 300;
  wipe->Step();
  EXPECT_EQ(blur.Blurred, (std::array{true, true}));
  EXPECT_EQ(DifferenceFrom(blur.Copies->BlurB, expected), "");
  wipe->Position = 319;  // lit by 252
  wipe->Step();
  EXPECT_EQ(f.Dest.GetPixel(7, 7), 0x00FDFEFFu);
}

TEST_F(LightWipes, BlurRadiusAndLayout) {
  // 640 × 480: radius 24, so the edge of a white part spreads 24 columns either way.
  SetupColorTables(32);
  Frames big(640, 480, 32);
  big.A.Fill(0);
  big.A.FillRect({0, 0, 300, 480}, 0xFFFFFF);
  auto wipe = Make(WP_BLURWHITE, big, 639);
  wipe->Position = 256;
  wipe->Step();
  EXPECT_EQ(big.Dest.GetPixel(275, 240), 0xFFFFFFu);
  EXPECT_EQ(big.Dest.GetPixel(276, 240), 0xF9F9F9u);  // 255 × 48 div 49
  EXPECT_EQ(big.Dest.GetPixel(323, 240), 0x050505u);  // 255 × 1 div 49
  EXPECT_EQ(big.Dest.GetPixel(324, 240), 0u);
  // A picture of one colour stays that colour in its own layout at every depth.
  for (int depth : {15, 16, 24, 32}) {
    Frames f(45, 30, depth);
    const uint32_t red = FieldMasks(depth)[0];
    f.A.Fill(red);
    auto blur = Make(WP_BLURBLACK, f, 639);
    blur->Position = 256;
    blur->Step();
    EXPECT_EQ(DifferenceFrom(f.Dest, f.A), "") << depth;
  }
}

TEST_F(LightWipes, SpotNumbers) {
  SetupColorTables(16);
  Frames f(640, 480, 16);
  auto wipe = Make(WP_SPOT, f, 1000);
  auto& spot = static_cast<TWipeSpot&>(*wipe);
  EXPECT_EQ(spot.Table->SpotLength, 912);
  EXPECT_EQ(spot.Table->At(0, 0), 400);
  EXPECT_EQ(spot.Table->At(320, 240), 0);
  wipe->SetReverse(true);
  EXPECT_EQ(spot.Table->At(0, 0), 0) << "rebuilt: the corners first";
  EXPECT_EQ(spot.Table->At(320, 240), 400);
  // At 0 the picture is the old one, the centre's light 0; the corners finish last.
  wipe->SetReverse(false);
  wipe->Position = 0;
  wipe->Step();
  EXPECT_EQ(DifferenceFrom(f.Dest, f.A), "");
  wipe->Position = 999;  // p = 911: the corners at 400 have light 511 − 511 = 0 on the new picture
  wipe->Step();
  EXPECT_EQ(f.Dest.GetPixel(0, 0), f.B.GetPixel(0, 0));
  EXPECT_EQ(f.Dest.GetPixel(320, 240), f.B.GetPixel(320, 240));
}

// Every pixel's distance against the formula, over sizes odd and even, flat and tall, in both
// directions; a table is kept for the next spot of the same size and direction only.
TEST_F(LightWipes, SpotDistancesAreKeptForTheSameSizeAndDirection) {
  SetupColorTables(32);
  for (auto [w, h] : {std::pair{1, 1}, std::pair{2, 1}, std::pair{1, 6}, std::pair{37, 23}, std::pair{64, 48}, std::pair{5, 40}})
    for (bool reverse : {false, true}) {
      Frames f(w, h, 32);
      auto wipe = Make(WP_SPOT, f, 100, reverse);
      const TSpotDistances& table = *static_cast<TWipeSpot&>(*wipe).Table;
      const int cx = w / 2, cy = h / 2;
      const int64_t corner = std::llrint(std::sqrt(double(cx * cx + cy * cy)));
      EXPECT_EQ(table.SpotLength, corner + 512);
      std::vector<int32_t> row(static_cast<size_t>(w));
      for (int y = 0; y < h; ++y) {
        table.Row(y, row.data());
        for (int x = 0; x < w; ++x) {
          const int64_t d = std::llrint(std::sqrt(double((x - cx) * (x - cx) + (y - cy) * (y - cy))));
          ASSERT_EQ(row[size_t(x)], reverse ? corner - d : d) << w << "x" << h << " " << x << "," << y;
          ASSERT_EQ(table.At(x, y), row[size_t(x)]);
        }
      }
    }
  Frames f(64, 48, 32), g(64, 48, 32), other(48, 64, 32);
  auto first = Make(WP_SPOT, f, 100), again = Make(WP_SPOT, g, 100);
  EXPECT_EQ(static_cast<TWipeSpot&>(*first).Table, static_cast<TWipeSpot&>(*again).Table);
  auto reversed = Make(WP_SPOT, g, 100, true), turned = Make(WP_SPOT, other, 100);
  EXPECT_TRUE(static_cast<TWipeSpot&>(*reversed).Table->Reverse);
  EXPECT_EQ(static_cast<TWipeSpot&>(*turned).Table->Width, 48);
  // Back to the first: made again, the same.
  auto back = Make(WP_SPOT, f, 100);
  EXPECT_EQ(static_cast<TWipeSpot&>(*back).Table->Quarter, static_cast<TWipeSpot&>(*first).Table->Quarter);
}

}  // namespace
}  // namespace orva
