// Transitions over surfaces that do not match: pictures of different sizes are walked over
// their common extent, different depths and an empty Dest draw nothing and build no mask; and
// a randomised sweep of every class over odd sizes, extreme parameters and positions that go
// back, for the sanitizers.
#include <gtest/gtest.h>

#include <random>

#include "core/random.h"
#include "film/wipe_blind.h"
#include "film/wipe_mask.h"
#include "film/wipe_shadow.h"
#include "wipe_test_kit.h"

namespace orva {
namespace {

using namespace wipe_test;

class Surfaces : public WipeClassesTest {
 protected:
  void SetUp() override {
    WipeClassesTest::SetUp();
    Images.AddGrey("m.vsk", {{0, 255}, {128, 60}});
  }
};

std::vector<int> BuiltNumbers() {
  std::vector<int> numbers;
  TDIBX probe;
  for (int n = 1; n < WipeTypeCount; ++n)
    if (CreateWipe(n, &probe, &probe, &probe)) numbers.push_back(n);
  return numbers;
}

TEST_F(Surfaces, EveryNumberHasAClassThatStartsOnTheOldPicture) {
  EXPECT_EQ(BuiltNumbers().size(), size_t(WipeTypeCount - 1));
  // The screen shows the old picture when the transition starts. Only the flash (in white), the
  // small (its old picture at 255/256), the mosaic (in blocks) and the block transitions (their
  // first block) change it at position 0.
  for (bool packed : {true, false}) {
    PackedScope scope(packed);
    for (int depth : {15, 16, 32}) {
      SetupColorTables(depth);
      for (int number = 1; number < WipeTypeCount; ++number) {
        if (number == WP_FLASH || number == WP_SMALL || number == WP_MOSAIC || number == WP_BLOCKCOIL ||
            number == WP_BLOCKRANDOM)
          continue;
        Frames f(40, 30, depth);
        for (TDIBX* picture : {&f.A, &f.B})  // as on a screen, the fourth byte unused
          for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) picture->SetPixel(x, y, picture->GetPixel(x, y) & 0xFFFFFF);
        f.Sentinel.Assign(f.A);
        for (bool reverse : {false, true}) {
          auto wipe = Make(number, f, 100, reverse, {}, {}, "m.vsk");
          wipe->Position = 0;
          f.ResetDest();
          EXPECT_FALSE(wipe->Step());
          EXPECT_EQ(DifferenceFrom(f.Dest, f.A), "") << number << (reverse ? " reversed" : "") << " at " << depth;
        }
      }
    }
  }
  SetupColorTables(15);
}

TEST_F(Surfaces, DifferentSizesAreWalkedOverTheirCommonExtent) {
  for (bool packed : {true, false}) {
    PackedScope scope(packed);
    for (int number : BuiltNumbers()) {
      if (number == WP_FADE) continue;  // its blits cut every picture to its own size
      Frames f(37, 23, 32, 30, 41);
      f.B.SetSize(41, 20, 32);
      auto wipe = Make(number, f, 100, false, {}, {}, "m.vsk");
      wipe->Position = 70;
      f.ResetDest();
      wipe->Step();
      for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x) {
          if (x >= 30 || y >= 20) {
            ASSERT_EQ(f.Dest.GetPixel(x, y), f.Sentinel.GetPixel(x, y)) << number << " at " << x << "," << y;
          }
        }
      }
      EXPECT_NE(DifferenceFrom(f.Dest, f.Sentinel), "") << number << " drew inside the common extent";
    }
  }
}

TEST_F(Surfaces, MixedDepthsAndAnEmptyDestDrawNothing) {
  for (int number : BuiltNumbers()) {
    Frames mixed(20, 10, 32);
    mixed.A.SetSize(20, 10, 16);
    Frames empty(20, 10, 32);
    empty.Dest.Clear();
    for (Frames* f : {&mixed, &empty}) {
      auto wipe = Make(number, *f, 100, true, 1000, 3, "m.vsk");
      if (auto* mask = dynamic_cast<TWipeMask*>(wipe.get())) {
        EXPECT_NE(mask->Mask.GetStorageBitCount(), 8) << number;
      }
      if (auto* white = dynamic_cast<TWipeShadowWhite*>(wipe.get())) {
        EXPECT_TRUE(white->Levels.empty()) << number;
      }
      for (int32_t position : {0, 50, 99}) {
        wipe->Position = position;
        if (f == &mixed) f->ResetDest();
        EXPECT_FALSE(wipe->Step()) << number;
        if (f == &mixed) {
          EXPECT_EQ(DifferenceFrom(f->Dest, f->Sentinel), "") << number;
        }
        EXPECT_EQ(wipe->ChangedRect, f->Dest.GetBoundsRect());
      }
    }
  }
}

TEST_F(Surfaces, AHorizontalBlindsMaskIsNoTallerThanThePicture) {
  Frames f(9, 23, 16);
  auto wipe = Make(WP_BLINDV, f, 100, true, 1000000);
  EXPECT_EQ(static_cast<TWipeBlindV&>(*wipe).Mask.GetHeight(), 23);
  wipe->Position = 50;
  wipe->Step();
  // Row r waits 2 × (999999 − r) units of the 2 × 999999 + 1 the transition spans.
  EXPECT_EQ(DifferenceFrom(f.Dest, f.A), "");
}

// Every class over random pictures (sizes 0 .. 70, now and then mismatched in size or depth),
// extreme parameters, durations and positions going back and forth.
TEST_F(Surfaces, RandomisedSweep) {
  std::mt19937 random(20240607);
  auto pick = [&](std::initializer_list<int32_t> values) {
    return *(values.begin() + std::uniform_int_distribution<size_t>(0, values.size() - 1)(random));
  };
  auto size = [&] { return std::uniform_int_distribution<int>(0, 70)(random); };
  auto picture = [&](TDIBX& p, int w, int h, int depth) {
    if (w == 0 || h == 0) {
      p.Clear();
      return;
    }
    Paint(p, w, h, depth, random());
  };
  const std::vector<int> numbers = BuiltNumbers();
  SeedRuntimeRandom(5);
  for (int round = 0; round < 1000; ++round) {
    const int number = numbers[size_t(round) % numbers.size()];
    const int depth = pick({15, 16, 24, 32});
    PackedScope packed(round % 3 != 0);
    SetupColorTables(depth == 24 ? 32 : depth);
    const int w = size(), h = size();
    TDIBX dest, a, b;
    picture(dest, w, h, depth);
    const bool mismatched = round % 5 == 0;
    picture(a, mismatched ? size() : w, mismatched ? size() : h, round % 7 == 0 ? pick({15, 16, 32}) : depth);
    picture(b, mismatched ? size() : w, h, depth);
    std::unique_ptr<TCustomWipe> wipe = CreateWipe(number, &dest, &a, &b);
    wipe->Duration = pick({1, 2, 7, 1000, INT32_MAX});
    wipe->SetReverse(round % 2 == 1);
    const std::initializer_list<int32_t> extremes = {INT32_MIN, -1, 0, 1, 2, 3, 64, 1000, INT32_MAX};
    wipe->SetParam(0, pick(extremes));
    wipe->SetParam(1, pick(extremes));
    wipe->SetMaskName(pick({0, 1}) ? "m.vsk" : "none.vsk");
    wipe->Prepare();
    for (int step = 0; step < 6; ++step) {
      wipe->Position = pick({INT32_MIN, -5, 0, 1, wipe->Duration / 3, wipe->Duration / 2, wipe->Duration - 1,
                             wipe->Duration, INT32_MAX});
      wipe->Step();
    }
  }
  SetupColorTables(15);
}

}  // namespace
}  // namespace orva
