// The fire: its power and cooling table, the picture's build and step against a reference that
// works on a copy, the 40-ms step clock, pictures too small or too large, the paint by the
// target's stored depth (zoomed only on the packed path), and the stored form with the one
// zoom of older saves.
#include "scene/fire.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "core/frame_clock.h"
#include "core/random.h"
#include "graphics/custom_dibx.h"
#include "kit/interpreter_doubles.h"
#include "kit/packed_scope.h"
#include "kit/scene_builder.h"
#include "scene/color_tables.h"
#include "image_test_kit.h"

namespace orva {
namespace {

using scene_test::ImageFixture;
using scene_test::TargetHost;

class Fire : public ImageFixture {
 protected:
  TOrvaFire* Make(int32_t w, int32_t h, int32_t zoom = 256, TOrvaControl* parent = nullptr) {
    auto* fire = CreateSceneObject<TOrvaFire>(Scene());
    fire->SetParent(parent ? parent : Scene().ActiveLayer());
    fire->SetOrigWidth(w);
    fire->SetOrigHeight(h);
    fire->SetZoomX(zoom);
    fire->SetZoomY(zoom);
    return fire;
  }
  // One update of the fire alone after `ms` of frame time.
  static void Update(TOrvaFire& fire, int32_t ms) {
    FrameDelta = ms;
    fire.Idle();
  }
  static std::vector<std::vector<int>> Cells(TOrvaFire& fire) {
    TDIBX& heat = fire.Heat();
    std::vector<std::vector<int>> cells(size_t(heat.GetHeight()), std::vector<int>(size_t(heat.GetWidth())));
    for (int y = 0; y < heat.GetHeight(); ++y)
      for (int x = 0; x < heat.GetWidth(); ++x) cells[size_t(y)][size_t(x)] = int(heat.GetPixel(x, y));
    return cells;
  }

  kit::FrameScope frameScope;
};

TEST_F(Fire, PowerSetsTheRateAndTheCoolingTable) {
  struct Case {
    int32_t power, stored;
    double rate;
    std::array<int, 5> at;  // entries 0, 64, 500, 1020, 1023
  } cases[] = {
      {0, 0, 5.5, {0, 12, 91, 185, 186}},
      {100, 100, 4.498046875, {0, 14, 111, 227, 227}},
      {255, 255, 2.94501953125, {0, 22, 170, 254, 254}},
      // Stored and used as 255; below 0 as 0.
      {300, 255, 2.94501953125, {0, 22, 170, 254, 254}},
      {-7, 0, 5.5, {0, 12, 91, 185, 186}},
  };
  for (const Case& c : cases) {
    TOrvaFire* fire = Make(8, 8);
    fire->SetPower(c.power);
    EXPECT_EQ(fire->GetPower(), c.stored) << c.power;
    EXPECT_NEAR(fire->Rate(), c.rate, 1e-12) << c.power;
    const std::array<int, 5> at = {fire->Cooling()[0], fire->Cooling()[64], fire->Cooling()[500],
                                   fire->Cooling()[1020], fire->Cooling()[1023]};
    EXPECT_EQ(at, c.at) << c.power;
    fire->FreeNow();
  }
  // A new fire cools at rate 4.5: 1023 / 4.5 = 227.3.
  TOrvaFire* fresh = Make(8, 8);
  EXPECT_EQ(fresh->GetPower(), 1);
  EXPECT_EQ(fresh->Cooling()[1023], 227);
}

// The rule worked out on a copy of the picture: every new cell from the old ones.
struct Reference {
  int w, h;
  std::vector<std::vector<int>> cells;
  int row = 0, column = 0;
  void Step(const std::vector<uint8_t>& noise, const std::array<uint8_t, 1024>& cooling) {
    row = (row + 1) % h;
    if (row % 8 == 0) column = (column + 1) % w;
    std::vector<std::vector<int>> old = cells;
    for (int y = std::max(h - 4, 0); y < h; ++y) old[size_t(y)].assign(size_t(w), 254);
    std::vector<std::vector<int>> next = old;
    for (int y = 1; y < h - 1; ++y)
      for (int x = 1; x < w - 1; ++x) {
        const int s = old[size_t(y)][size_t(x - 1)] + old[size_t(y)][size_t(x + 1)] + old[size_t(y - 1)][size_t(x)] +
                      old[size_t(y + 1)][size_t(x)];
        const int n = noise[size_t((column + x) % w + ((row + y) % h) * w)];
        next[size_t(y - 1)][size_t(x)] = std::max(int(cooling[size_t(s)]) - n, 16);
      }
    cells = next;
  }
};

TEST_F(Fire, AStepMatchesTheRuleWorkedOutOnACopy) {
  for (const auto [w, h] : {std::pair{8, 8}, std::pair{9, 12}}) {
    TOrvaFire* fire = Make(w, h);
    fire->SetPower(200);
    Update(*fire, 0);
    ASSERT_TRUE(fire->Running());
    // The picture starts cold; the noise is fixed here.
    EXPECT_EQ(Cells(*fire), std::vector<std::vector<int>>(size_t(h), std::vector<int>(size_t(w), 16)));
    std::vector<uint8_t>& noise = fire->Noise();
    ASSERT_EQ(noise.size(), size_t(w * h));
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t((i * 7 + i / 5) % 9);
    Reference reference{w, h, Cells(*fire)};
    // Enough steps for the noise to scroll sideways twice.
    for (int step = 1; step <= 20; ++step) {
      fire->Step();
      reference.Step(noise, fire->Cooling());
      ASSERT_EQ(Cells(*fire), reference.cells) << w << "x" << h << " step " << step;
    }
    fire->FreeNow();
  }
}

TEST_F(Fire, TheNoiseIsDrawnFromTheRuntimeGeneratorWhenThePictureIsBuilt) {
  SeedRuntimeRandom(11);
  TOrvaFire* fire = Make(5, 3);
  Update(*fire, 0);
  SeedRuntimeRandom(11);
  std::vector<uint8_t> expected;
  for (int i = 0; i < 15; ++i) expected.push_back(uint8_t(RuntimeRandom(9)));
  EXPECT_EQ(fire->Noise(), expected);
  // A new picture size builds everything again at the next update; POWER does not.
  fire->SetPower(50);
  EXPECT_TRUE(fire->Running());
  fire->SetOrigHeight(4);
  EXPECT_FALSE(fire->Running());
  Update(*fire, 0);
  EXPECT_TRUE(fire->Running());
  EXPECT_EQ(fire->Noise().size(), 20u);
}

TEST_F(Fire, AnUpdateStepsAtMostOnceAndKeepsTheRestOfFortyMilliseconds) {
  TOrvaFire* fire = Make(6, 6);
  Update(*fire, 0);
  for (uint8_t& n : fire->Noise()) n = 0;
  Reference reference{6, 6, Cells(*fire)};
  // 100 ms: one step, 20 ms kept; 19 more: none; 1 more: the second.
  const struct {
    int32_t ms;
    int steps;
  } updates[] = {{100, 1}, {19, 0}, {1, 1}, {39, 0}, {41, 1}};
  for (const auto& u : updates) {
    for (int i = 0; i < u.steps; ++i) reference.Step(fire->Noise(), fire->Cooling());
    Update(*fire, u.ms);
    ASSERT_EQ(Cells(*fire), reference.cells) << u.ms;
  }
  // ANIPAUSED holds the clock.
  fire->SetAniPaused(true);
  Update(*fire, 400);
  EXPECT_EQ(Cells(*fire), reference.cells);
}

TEST_F(Fire, PicturesWithoutInnerCellsKeepOnlyTheBottomBand) {
  for (const auto [w, h] : {std::pair{2, 8}, std::pair{8, 2}, std::pair{1, 1}, std::pair{2, 2}}) {
    TOrvaFire* fire = Make(w, h);
    Update(*fire, 0);
    for (int i = 0; i < 5; ++i) fire->Step();
    const std::vector<std::vector<int>> cells = Cells(*fire);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        EXPECT_EQ(cells[size_t(y)][size_t(x)], y >= h - 4 ? 254 : 16) << w << "x" << h << " " << x << "," << y;
    fire->FreeNow();
  }
}

TEST_F(Fire, PicturesBelowOnePixelOrBeyondTheLargestDrawNothing) {
  TOrvaFire* empty = Make(0, 30);
  TOrvaFire* huge = Make(65536, 65536);
  TOrvaFire* negative = Make(-4, 8);
  // Beyond 4096 × 4096 cells a step every 40 ms could not keep up.
  TOrvaFire* tall = Make(40, 15925278);
  for (TOrvaFire* fire : {empty, huge, negative, tall}) {
    Update(*fire, 100);
    EXPECT_FALSE(fire->Running()) << fire->GetOrigWidth();
  }
  TOrvaFire* largest = Make(8192, 2048);
  Update(*largest, 0);
  EXPECT_TRUE(largest->Running());
  largest->FreeNow();
  Repaint();
  EXPECT_EQ(Pixel(0, 0), 0u);
  // Width and height follow the picture and the zoom in wrapping 32-bit arithmetic.
  EXPECT_EQ(huge->GetWidth(), 65536);
  TOrvaFire* zoomed = Make(200, 150, 1024);
  EXPECT_EQ(zoomed->GetWidth(), 800);
  EXPECT_EQ(zoomed->GetHeight(), 600);
  zoomed->SetWidth(5);
  EXPECT_EQ(zoomed->GetWidth(), 800) << "the size follows picture and zoom only";
  zoomed->SetZoomX(0);
  EXPECT_EQ(zoomed->GetZoomX(), 1);
}

TEST_F(Fire, ThePaintAddsTheRampByTheTargetsStoredDepth) {
  struct Case {
    int bits;
    bool packed;
    int32_t zoom;
    bool draws;
  } cases[] = {
      {15, true, 256, true},  {16, true, 256, true},  {32, true, 256, true},  {24, true, 256, false},
      {16, false, 256, true}, {32, false, 256, true}, {16, true, 512, true},  {32, true, 512, true},
      // The stretched draw has only the packed path.
      {16, false, 512, false}, {32, false, 512, false},
  };
  for (const Case& c : cases) {
    kit::PackedScope packed(c.packed);
    SetupColorTables(c.bits == 32 ? 16 : c.bits);
    TDIBX target;
    target.SetSize(32, 32, c.bits);
    target.Fill(0);
    auto* host = CreateSceneObject<TargetHost>(Scene());
    host->SetParent(Scene().ActiveLayer());
    host->Target = &target;
    TOrvaFire* fire = Make(8, 8, c.zoom, host);
    fire->SetLeft(2);
    fire->SetTop(3);
    Update(*fire, 40);
    fire->Paint();
    // The bottom band is 254, added through the ramp of the depth; the cold rows above it
    // are never drawn.
    const int scale = c.zoom / 256;
    TDIBX hot, reference;
    hot.SetSize(1, 1, 8);
    hot.SetPixel(0, 0, 254);
    reference.SetSize(1, 1, c.bits);
    reference.Fill(0);
    if (c.bits == 32)
      reference.DrawIndexedAdd(0, 0, hot, {0, 0, 1, 1}, 17, false, false, 255, FireColorTable32);
    else
      reference.DrawIndexedAdd(0, 0, hot, {0, 0, 1, 1}, 17, false, false, 255, FireColorTable);
    const uint32_t expected = reference.GetPixel(0, 0);
    ASSERT_NE(expected, 0u);
    EXPECT_EQ(target.GetPixel(2, 3 + 8 * scale - 1), c.draws ? expected : 0u) << c.bits << " " << c.packed;
    EXPECT_EQ(target.GetPixel(2, 3), 0u) << c.bits;
    EXPECT_EQ(target.GetPixel(2 + 8 * scale, 3 + 8 * scale - 1), 0u) << "beyond the control";
    host->FreeNow();
  }
  SetupColorTables(32);
}

TEST_F(Fire, TheRampsPassTheirTellingRows) {
  const struct {
    int index;
    uint32_t rgb;
  } rows[] = {{0, 0x000000},   {16, 0x331301},  {32, 0x662703},  {64, 0x923E04},  {96, 0xBE5506},
              {128, 0xDF7509}, {160, 0xF39D0D}, {192, 0xFFC037}, {224, 0xFFD373}, {255, 0xFFE6AF}};
  for (const auto& row : rows) EXPECT_EQ(FireColorTable32[size_t(row.index)], row.rgb) << row.index;
  for (size_t i = 1; i < 256; ++i)
    for (int shift : {0, 8, 16})
      ASSERT_GE(FireColorTable32[i] >> shift & 0xFF, FireColorTable32[i - 1] >> shift & 0xFF) << i;
  // The 16-bit ramp is the 32-bit one cut to 5-6-5 at its telling rows.
  for (int index : {0, 64, 128, 192, 255}) {
    const uint32_t c = FireColorTable32[size_t(index)];
    EXPECT_EQ(ToneTable565[size_t(index)], (c >> 19 & 31) << 11 | (c >> 10 & 63) << 5 | (c >> 3 & 31)) << index;
  }
}

TEST_F(Fire, TheStoredFormKeepsBothZoomsAndOlderSavesUseOneForBoth) {
  TOrvaFire* fire = Make(40, 30);
  fire->SetName("flame");
  fire->SetPower(77);
  fire->SetZoomX(512);
  fire->SetZoomY(768);
  fire->SetOnIdle("idle.osb");
  TMemoryStream saved;
  Scene().SaveToStream(saved);
  saved.SetPosition(0);
  Scene().LoadFromStream(saved, GameSaveVersion);
  auto* loaded = dynamic_cast<TOrvaFire*>(Scene().FindObject("flame"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetPower(), 77);
  EXPECT_EQ(loaded->GetOrigWidth(), 40);
  EXPECT_EQ(loaded->GetZoomY(), 768);
  EXPECT_EQ(loaded->GetWidth(), 80);
  EXPECT_EQ(loaded->GetHeight(), 90);
  EXPECT_EQ(loaded->GetOnIdle(), "idle.osb");
  EXPECT_FALSE(loaded->Running()) << "the flames grow again from the bottom";

  // Version 103 stores one zoom: the power, the picture size and ZOOMX.
  kit::ControlRecord record{.Type = LT_FIRE, .Name = "old", .Width = 80, .Height = 60};
  kit::SceneBuilder builder(103);
  TMemoryStream fields;
  for (int32_t v : {50, 40, 30, 512}) WriteStreamInt(fields, v);
  record.Extra = std::string(fields.View());
  kit::SceneRecord scene;
  scene.Layers[0].Width = 640;
  scene.Layers[0].Height = 480;
  scene.Layers[0].Children.push_back(record);
  builder.Scene(scene);
  Scene().LoadFromStream(builder.Done(), 103);
  auto* old = dynamic_cast<TOrvaFire*>(Scene().FindObject("old"));
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->GetZoomX(), 512);
  EXPECT_EQ(old->GetZoomY(), 512) << "without it the old fire stayed 0 high";
  EXPECT_EQ(old->GetHeight(), 60);
  FrameDelta = 40;
  Scene().Idle();
  EXPECT_TRUE(old->Running());
  Repaint();
  EXPECT_NE(Pixel(1, 59), 0u) << "its bottom band shows";
}

}  // namespace
}  // namespace orva
