// The mask-image transitions against frames computed from their formulas over a tiled grey
// mask image, at every depth and path; the numbers of their ramps; mask files that are missing
// or unreadable; and where the game's mask images come from.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/stream.h"
#include "film/wipe_shadow.h"
#include "kit/game_files.h"
#include "kit/vask_file.h"
#include "kit/interpreter_doubles.h"
#include "wipe_test_kit.h"

namespace orva {
namespace {

using namespace wipe_test;

constexpr int W = 37, H = 23;
constexpr int32_t D = 90;

const std::vector<std::vector<int>> kTile = {{0, 64, 128, 192, 255}, {255, 200, 100, 50, 10}, {30, 90, 150, 210, 240}};

class Shadow : public WipeClassesTest {
 protected:
  void SetUp() override {
    WipeClassesTest::SetUp();
    Images.AddGrey("tile.vsk", kTile);
  }
  void TearDown() override {
    SetupColorTables(15);
    WipeClassesTest::TearDown();
  }
};

TEST_F(Shadow, Golden) {
  for (const DepthPath& dp : kDepthPaths) {
    PackedScope packed(dp.Packed);
    SetupColorTables(dp.Depth == 24 ? 32 : dp.Depth);
    Frames f(W, H, dp.Depth);
    for (int number : {WP_MASKFADE, WP_MASKWHITE, WP_MASKBLACK})
      for (const char* mask : {"tile.vsk", "absent.vsk"})
        for (bool reverse : {false, true})
          for (int32_t position : {0, 1, D / 4, D / 3, D / 2, 2 * D / 3, D - 1, D}) {
            auto wipe = Make(number, f, D, reverse, {}, {}, mask);
            wipe->Position = position;
            f.ResetDest();
            const bool done = wipe->Step();
            const std::string where = "WP " + std::to_string(number) + " " + Describe(dp) + " " + mask +
                                      (reverse ? " reversed" : "") + " at " + std::to_string(position);
            EXPECT_EQ(done, position >= D) << where;
            if (done || (number != WP_MASKFADE && dp.Depth == 24)) {
              EXPECT_EQ(DifferenceFrom(f.Dest, f.Sentinel), "") << where;
              continue;
            }
            auto level = [&](int x, int y) {
              if (std::string(mask) != "tile.vsk") return 0;
              const int grey = kTile[size_t(y % 3)][size_t(x % 5)];
              return (reverse ? 255 - grey : grey) - 255;
            };
            EXPECT_EQ(FirstDifference(f.Dest,
                                      [&](int x, int y) -> std::optional<uint32_t> {
                                        const uint32_t a = f.A.GetPixel(x, y), b = f.B.GetPixel(x, y);
                                        if (number == WP_MASKFADE) {
                                          const int64_t t = int64_t(position) * 512 / D + 255;
                                          const int64_t m = std::clamp<int64_t>(t + level(x, y) - 256, 0, 255);
                                          return MaskRule(dp.Depth, a, b, uint32_t(m));
                                        }
                                        const int64_t t = int64_t(position) * 768 / D + 255;
                                        const int64_t k = std::clamp<int64_t>(t + level(x, y) - 256, 0, 511);
                                        const bool fromNew = k >= 256;
                                        return LightRule(dp.Depth, fromNew ? b : a,
                                                         Grey(dp.Depth, uint32_t(fromNew ? 511 - k : k)),
                                                         number == WP_MASKBLACK);
                                      }),
                      "")
                << where;
          }
  }
}

TEST_F(Shadow, TheNumbersOfTheRamps) {
  SetupColorTables(32);
  Frames f(7, 5, 32);
  // No mask file, a quarter through: u = 128, every mask value 127.
  auto fade = Make(WP_MASKFADE, f, 100, false, {}, {}, "absent.vsk");
  fade->Position = 25;
  fade->Step();
  auto& shadow = static_cast<TWipeShadow&>(*fade);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(shadow.Mask.GetPixel(x, y), 127u);

  // A black-and-white mask at half time: white is new, black only starts; Reverse swaps them.
  Images.AddGrey("bw.vsk", {{255, 0}});
  for (bool reverse : {false, true}) {
    auto bw = Make(WP_MASKFADE, f, 100, reverse, {}, {}, "bw.vsk");
    bw->Position = 50;
    bw->Step();
    TDIBX& mask = static_cast<TWipeShadow&>(*bw).Mask;
    EXPECT_EQ(mask.GetPixel(0, 0), reverse ? 0u : 255u);
    EXPECT_EQ(mask.GetPixel(1, 0), reverse ? 255u : 0u);
  }

  // A 3 × 2 mask over 7 × 5: repeated from the top-left corner, cut at the edges.
  Images.AddGrey("small.vsk", {{10, 20, 30}, {40, 50, 60}});
  auto tiled = Make(WP_MASKWHITE, f, 100, false, {}, {}, "small.vsk");
  const std::vector<int32_t>& levels = static_cast<TWipeShadowWhite&>(*tiled).Levels;
  ASSERT_EQ(levels.size(), 35u);
  const int row0[] = {10, 20, 30, 10, 20, 30, 10}, row1[] = {40, 50, 60, 40, 50, 60, 40};
  for (int x = 0; x < 7; ++x) {
    EXPECT_EQ(levels[size_t(x)], row0[x] - 255);
    EXPECT_EQ(levels[size_t(7 + x)], row1[x] - 255);
    EXPECT_EQ(levels[size_t(28 + x)], row0[x] - 255) << "row 4 repeats row 0";
  }

  // Through white a third in without a mask file: u = 256, k = 255: the old picture at full light.
  f.A.Fill(0x00102030);
  auto white = Make(WP_MASKWHITE, f, 99, false, {}, {}, "absent.vsk");
  white->Position = 33;
  white->Step();
  EXPECT_EQ(f.Dest.GetPixel(3, 3), 0x00FFFFFFu);
  auto black = Make(WP_MASKBLACK, f, 99, false, {}, {}, "absent.vsk");
  black->Position = 33;
  black->Step();
  EXPECT_EQ(f.Dest.GetPixel(3, 3), 0u);
}

TEST_F(Shadow, MissingAndUnreadableMaskFiles) {
  SetupColorTables(32);
  Frames f(8, 4, 32);
  // Not available: no error, every level 0.
  auto missing = Make(WP_MASKFADE, f, 10, false, {}, {}, "absent.vsk");
  EXPECT_EQ(static_cast<TWipeShadow&>(*missing).Levels, std::vector<int32_t>(32, 0));
  // Unreadable: Prepare raises, and the levels are 0 so the transition runs uniform.
  for (int number : {WP_MASKFADE, WP_MASKBLACK}) {
    std::unique_ptr<TCustomWipe> wipe = CreateWipe(number, &f.Dest, &f.A, &f.B);
    wipe->Duration = 10;
    wipe->SetMaskName(Images.Broken);
    EXPECT_THROW(wipe->Prepare(), std::runtime_error);
    wipe->Position = 5;
    EXPECT_FALSE(wipe->Step());
  }
  // A picture without pixels gives levels 0.
  std::vector<int32_t> levels = {7, 7};
  TDIB empty;
  TileMaskLevels(levels, 3, 2, &empty, true);
  EXPECT_EQ(levels, std::vector<int32_t>(6, 0));
}

TEST(GameMaskImages, ReadOnlyWhatTheProjectCanReadNow) {
  kit::GameFiles files;
  files.Add("mask.vsk", "MASK-BYTES");
  files.Add("locked.vsk", "LOCKED");
  kit::TestProject project;
  project.unavailable.insert("locked.vsk");
  std::vector<std::string> read;
  TGameMaskImages images([&](TStream& stream) {
    std::string bytes(size_t(stream.GetSize()), '\0');
    stream.ReadBuffer(bytes.data(), stream.GetSize());
    read.push_back(bytes);
    auto picture = std::make_unique<TDIB>();
    picture->SetSize(2, 2, 8);
    return picture;
  });
  EXPECT_FALSE(images.FirstFrame("mask.vsk")) << "no project yet";
  images.SetProject(&project);
  EXPECT_TRUE(images.FirstFrame("mask.vsk"));
  EXPECT_FALSE(images.FirstFrame("locked.vsk"));
  EXPECT_FALSE(images.FirstFrame("absent.vsk"));
  EXPECT_FALSE(images.FirstFrame(""));
  EXPECT_EQ(read, std::vector<std::string>{"MASK-BYTES"});
}

// The mask is the first frame of a layered image; its grey levels tile the picture.
TEST(GameMaskImages, TheFirstFrameOfALayeredImageGivesTheLevels) {
  kit::VaskFile file;
  file.Frames = {kit::VaskFrame::Of(2, 1, 24, {{0xFFFFFF, 0x000000}}), kit::VaskFrame::Of(2, 1, 24, {{0x808080, 0x808080}})};
  kit::GameFiles files;
  files.Add("mask.vsk", kit::MakeVask(file));
  files.Add("empty.vsk", "Vask106");
  kit::TestProject project;
  TGameMaskImages images(ReadMaskImageFrame);
  images.SetProject(&project);
  std::unique_ptr<TDIB> first = images.FirstFrame("mask.vsk");
  ASSERT_TRUE(first);
  std::vector<int32_t> levels;
  TileMaskLevels(levels, 3, 2, first.get(), false);
  EXPECT_EQ(levels, (std::vector<int32_t>{0, -255, 0, 0, -255, 0}));
  EXPECT_THROW(images.FirstFrame("empty.vsk"), std::exception) << "a damaged file reaches the caller";
}

}  // namespace
}  // namespace orva
