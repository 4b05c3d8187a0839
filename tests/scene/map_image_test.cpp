// Selection images: the areas of region files (point tests, masks and bounds from one
// routine; files cut or corrupted anywhere), the events and keys frame by frame, closing,
// two images on one picture, the masks composed per selection and the stored form.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/frame_clock.h"
#include "core/stream.h"
#include "graphics/dibx.h"
#include "image_test_kit.h"
#include "kit/interpreter_doubles.h"
#include "kit/map_files.h"
#include "kit/scene_builder.h"
#include "scene/image_cache.h"
#include "scene/map_image.h"
#include "script/param_collection.h"
#include "script/save_file.h"

namespace orva {
namespace {

using kit::RegionArea;
using scene_test::ImageFixture;
using scene_test::InputFrame;

// The pixels a region covers inside w × h, painted into a mask.
int Painted(const TMapRegion& region, int w, int h, TDIBX* out = nullptr) {
  TDIBX mask;
  mask.SetSize(w, h, 8);
  mask.Fill(0);
  region.Paint(mask, 255);
  int count = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) count += mask.GetPixel(x, y) != 0;
  if (out) {
    out->SetSize(w, h, 8);
    out->Assign(mask);
  }
  return count;
}

// A five-pointed star drawn in one stroke: its middle is wound twice.
std::vector<TPoint> Star(int cx, int cy, int r) {
  std::vector<TPoint> points;
  for (int i = 0; i < 5; ++i) {
    const double a = -std::numbers::pi / 2 + i * 4 * std::numbers::pi / 5;
    points.push_back({cx + int(std::lround(r * std::cos(a))), cy + int(std::lround(r * std::sin(a)))});
  }
  return points;
}

TEST(MapRegion, ShapesCoverThePixelsWhoseCentresTheyHold) {
  const TMapRegion rect = TMapRegion::MakeRectangle(10, 10, 19, 19);
  EXPECT_EQ(Painted(rect, 40, 40), 100);
  EXPECT_EQ(rect.BoundsWithin({0, 0, 40, 40}), (TRect{10, 10, 20, 20}));
  EXPECT_TRUE(rect.Contains(19, 19));
  EXPECT_FALSE(rect.Contains(20, 19));
  EXPECT_EQ(Painted(TMapRegion::MakeRectangle(19, 10, 10, 19), 40, 40), 0) << "right before left: nothing";

  // An ellipse 100 × 50: symmetric both ways, about π·a·b pixels.
  TDIBX mask;
  const int area = Painted(TMapRegion::MakeEllipse(0, 0, 99, 49), 100, 50, &mask);
  EXPECT_NEAR(area, std::numbers::pi * 50 * 25, 0.01 * std::numbers::pi * 50 * 25);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 100; ++x) {
      ASSERT_EQ(mask.GetPixel(x, y), mask.GetPixel(99 - x, y)) << x << "," << y;
      ASSERT_EQ(mask.GetPixel(x, y), mask.GetPixel(x, 49 - y)) << x << "," << y;
    }
  EXPECT_EQ(Painted(TMapRegion::MakeEllipse(5, 5, 5, 5), 10, 10), 1) << "one pixel";

  // A self-crossing star is filled at its centre (non-zero winding).
  const TMapRegion star = TMapRegion::MakePolygon(Star(50, 50, 40));
  EXPECT_TRUE(star.Contains(50, 50));
  EXPECT_FALSE(star.Contains(50, 95));
  EXPECT_EQ(Painted(TMapRegion::MakePolygon({{0, 0}, {30, 30}}), 40, 40), 0) << "fewer than three points";
  EXPECT_EQ(Painted(TMapRegion::MakePolygon({{0, 0}, {10, 10}, {20, 20}}), 40, 40), 0) << "no area";
  // A square polygon covers exactly the pixels of the same rectangle.
  EXPECT_EQ(Painted(TMapRegion::MakePolygon({{10, 10}, {20, 10}, {20, 20}, {10, 20}}), 40, 40), 100);
}

TEST(MapRegion, PointTestsMasksAndBoundsAgree) {
  const TMapRegion shapes[] = {TMapRegion::MakePolygon(Star(30, 30, 28)), TMapRegion::MakeEllipse(3, 7, 52, 40),
                               TMapRegion::MakePolygon({{0, 0}, {59, 13}, {7, 59}, {40, 40}, {-5, 30}})};
  for (const TMapRegion& region : shapes) {
    TDIBX mask;
    Painted(region, 60, 60, &mask);
    TRect box{60, 60, 0, 0};
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 60; ++x) {
        const bool in = mask.GetPixel(x, y) != 0;
        ASSERT_EQ(region.Contains(x, y), in) << x << "," << y;
        if (in) box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1)};
      }
    EXPECT_EQ(region.BoundsWithin({0, 0, 60, 60}), box);
  }
}

TEST(MapRegion, ExtremeCoordinatesStayExactAndQuick) {
  const TMapRegion huge = TMapRegion::MakeRectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  EXPECT_TRUE(huge.Contains(0, 0));
  EXPECT_EQ(huge.BoundsWithin({0, 0, 10, 10}), (TRect{0, 0, 10, 10}));
  const TMapRegion ellipse = TMapRegion::MakeEllipse(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  EXPECT_TRUE(ellipse.Contains(0, 0));
  EXPECT_EQ(Painted(ellipse, 8, 8), 64);
  const TMapRegion wedge = TMapRegion::MakePolygon({{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MIN}, {0, INT32_MAX}});
  EXPECT_TRUE(wedge.Contains(0, 0));
  EXPECT_FALSE(wedge.Contains(INT32_MAX - 2, INT32_MAX - 2));
}

TEST(MapRegion, AFileCutOrCorruptedAnywhereKeepsItsCompleteAreas) {
  const kit::RegionFile file{{RegionArea::Rect("gate", 1, 2, 3, 4), RegionArea::Ellipse("\x8A\x58", 0, 0, 9, 9),
                              RegionArea::Polygon("well", {{0, 0}, {5, 0}, {0, 5}}), RegionArea::Rect("", 7, 7, 8, 8)}};
  const std::string bytes = kit::MakeRegionFile(file);
  const std::vector<TMapArea> whole = ReadMapAreas(bytes);
  ASSERT_EQ(whole.size(), 4u);
  EXPECT_EQ(whole[1].Name, "\x8A\x58");
  EXPECT_EQ(whole[2].Region.Shape(), TMapRegion::Polygon);
  size_t last = 0;
  for (size_t n = 0; n <= bytes.size(); ++n) {
    const std::vector<TMapArea> cut = ReadMapAreas(std::string_view(bytes).substr(0, n));
    ASSERT_GE(cut.size(), last) << n;
    last = cut.size();
    for (size_t i = 0; i < cut.size(); ++i) EXPECT_EQ(cut[i].Name, whole[i].Name);
  }
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::string bad = bytes;
    bad[i] = '\xFF';
    for (const TMapArea& area : ReadMapAreas(bad)) area.Region.Contains(1, 1);
  }
  // Counts far beyond the data.
  kit::RegionFile lying{{RegionArea::Polygon("p", {{0, 0}, {1, 0}, {0, 1}})}, 0x7FFFFFFF};
  lying.Areas[0].PointCount = 0x7FFFFFFF;
  EXPECT_TRUE(ReadMapAreas(kit::MakeRegionFile(lying)).empty());
  lying.Areas[0].PointCount = 3;
  EXPECT_EQ(ReadMapAreas(kit::MakeRegionFile(lying)).size(), 1u);
}

// ---- The image on a scene ----

constexpr uint32_t Red = 0xFF0000, Green = 0x00FF00;

class MapImage : public ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    FrameDelta = 16;
    SetSceneVariables(&vars);
    AddPicture("map.vsk", {{.Width = 100, .Height = 60, .Colour = Red}});
    AddPicture("lit.vsk", {{.Width = 100, .Height = 60, .Colour = Green, .Delay = 20},
                           {.Width = 100, .Height = 60, .Colour = Green, .Delay = 20}});
    files.Add("map.rgn", kit::MakeRegionFile({{RegionArea::Rect("a0", 0, 0, 9, 9), RegionArea::Rect("a1", 5, 5, 14, 14),
                                               RegionArea::Rect("two", 20, 0, 29, 9),
                                               RegionArea::Ellipse("e", 40, 0, 59, 19),
                                               RegionArea::Polygon("star", Star(80, 30, 20)),
                                               RegionArea::Rect("five", 60, 40, 69, 49)}}));
  }
  void TearDown() override {
    SetSceneVariables(nullptr);
    ImageFixture::TearDown();
  }
  TOrvaMapImage* Map(const std::string& name, int32_t left = 100, int32_t top = 100) {
    auto* map = CreateSceneObject<TOrvaMapImage>(Scene());
    map->SetName(name);
    map->SetParent(Scene().ActiveLayer());
    map->SetSource("map.vsk");
    map->SetHoverSource("lit.vsk");
    map->SetMapSource("map.rgn");
    map->SetLeft(left);
    map->SetTop(top);
    map->SetOnMapIn("in.osb");
    map->SetOnMapOut("out.osb");
    map->SetOnSelect("select.osb");
    return map;
  }
  std::vector<std::string> Frame(const std::string& input) { return InputFrame(Scene(), input); }
  uint32_t Px(uint32_t rgb) {
    return BackBuffer().ColorToPixel(int32_t((rgb & 0xFF) << 16 | (rgb & 0xFF00) | rgb >> 16));
  }

  kit::FrameScope frameScope;
  TParamCollection vars;
};

TEST_F(MapImage, TheMouseLightsTheFirstAreaUnderItAndClicksSelect) {
  TOrvaMapImage* map = Map("m");
  EXPECT_EQ(map->Areas().size(), 6u);
  EXPECT_EQ(map->GetWidth(), 100);
  struct Step {
    std::string input;
    std::vector<std::string> events;
  } steps[] = {
      {"move 125 105", {"m:104(two,2)"}},
      {"move 165 145", {"m:105(two,2)", "m:104(five,5)"}},
      // Where a0 and a1 overlap, a0 (earlier in the file) wins.
      {"move 107 107", {"m:105(five,5)", "m:104(a0,0)"}},
      {"press L", {"m:72(a0,0)"}},
      {"release", {}},
      // A second click while the first ONSELECT waits queues none, but selects again.
      {"scribble", {}},
      {"press L", {}},
      {"release", {}},
      // Outside every area: no area, no selection, only the button event.
      {"clear", {}},
      {"move 195 155", {"m:105(a0,0)"}},
      {"press L", {"m:36(95,55)"}},
      {"release", {}},
      // The star's middle is inside; leaving the image leaves the area.
      {"move 180 130", {"m:104(star,4)"}},
      {"move 300 300", {"m:105(star,4)"}},
  };
  for (const Step& step : steps) {
    if (step.input == "scribble") {
      EXPECT_EQ(vars.SelStr, "a0");
      vars.SelStr = "x";
      vars.SelIndex = 9;
      continue;
    }
    if (step.input == "clear") {
      EXPECT_EQ(vars.SelStr, "a0");
      EXPECT_EQ(vars.SelIndex, 0);
      Scene().Events().Clear();
      map->SetOnLBtnDown("down.osb");
      continue;
    }
    EXPECT_EQ(Frame(step.input), step.events) << step.input;
  }
}

TEST_F(MapImage, ArrowKeysWrapEnterSelectsAndEscapeCancels) {
  TOrvaMapImage* map = Map("m");
  map->SetHandleKey(true);
  map->SetRClickScrap(true);
  Scene().SetFocus(map);
  struct Step {
    std::string input;
    std::vector<std::string> events;
  } steps[] = {
      {"key 38", {"m:104(five,5)"}},  // Up with none selected: the last
      {"key 40", {"m:105(five,5)", "m:104(a0,0)"}},  // Down on the last: the first
      {"key 37", {"m:105(a0,0)", "m:104(five,5)"}},  // Left on the first: the last
      {"key 39", {"m:105(five,5)", "m:104(a0,0)"}},
      {"key 39", {"m:105(a0,0)", "m:104(a1,1)"}},
      {"key 13", {"m:72(a1,1)"}},
      {"key 32", {}},  // its ONSELECT still waits
      {"key 27", {}},
  };
  for (const Step& step : steps) EXPECT_EQ(Frame(step.input), step.events) << step.input;
  EXPECT_EQ(vars.SelStr, "");
  EXPECT_EQ(vars.SelIndex, -1);
  EXPECT_EQ(map->GetClosing(), 100);
  Scene().Idle();
  EXPECT_TRUE(map->IsInputLocked());
  EXPECT_EQ(Frame("key 40"), std::vector<std::string>{}) << "locked: no more keys";
  Scene().Idle();
  EXPECT_EQ(Scene().FindObject("m"), nullptr);
}

TEST_F(MapImage, AutoScrapLocksAtTheClickAndFreesAtTheSecondUpdate) {
  TOrvaMapImage* map = Map("m");
  map->SetAutoScrap(true);
  EXPECT_EQ(Frame("move 105 105"), std::vector<std::string>{"m:104(a0,0)"});
  EXPECT_EQ(Frame("press L"), std::vector<std::string>{"m:72(a0,0)"});
  EXPECT_TRUE(map->IsInputLocked());
  EXPECT_EQ(Frame("release move 125 105"), std::vector<std::string>{}) << "no more areas";
  Scene().Idle();
  ASSERT_NE(Scene().FindObject("m"), nullptr);
  Scene().Idle();
  EXPECT_EQ(Scene().FindObject("m"), nullptr);
}

TEST_F(MapImage, ARightClickIsTakenBeforeAnythingElseAndCancels) {
  TOrvaMapImage* map = Map("m");
  map->SetOnRBtnDown("right.osb");
  EXPECT_EQ(Frame("move 105 105 press R"), (std::vector<std::string>{"m:38(5,5)", "m:104(a0,0)"}))
      << "without RCLICKSCRAP the click is the image's";
  Frame("release");
  map->SetRClickScrap(true);
  vars.SelStr = "old";
  EXPECT_EQ(Frame("press R"), std::vector<std::string>{});
  EXPECT_EQ(vars.SelStr, "");
  EXPECT_EQ(vars.SelIndex, -1);
  EXPECT_TRUE(map->IsInputLocked());
  EXPECT_FALSE(map->RClickScrap()) << "once locked it takes no more";
  auto* other = Map("n", 300, 300);
  other->SetRClickScrap(true);
  other->SetIgnoreMouse(IM_RCLICK);
  EXPECT_FALSE(other->RClickScrap());
}

TEST_F(MapImage, TwoImagesOnOnePictureKeepTheirOwnMasks) {
  TOrvaMapImage* a = Map("a", 0, 0);
  TOrvaMapImage* b = Map("b", 200, 0);
  a->SetSelectedArea(0);
  Repaint();
  EXPECT_EQ(Pixel(5, 5), Px(Green)) << "the hover picture inside the area";
  EXPECT_EQ(Pixel(15, 5), Px(Red));
  EXPECT_EQ(Pixel(205, 5), Px(Red)) << "the other image shows no area";
  b->SetSelectedArea(2);
  a->SetSelectedArea(3);
  Repaint();
  EXPECT_EQ(Pixel(5, 5), Px(Red));
  EXPECT_EQ(Pixel(50, 10), Px(Green));
  EXPECT_EQ(Pixel(40, 0), Px(Red)) << "the ellipse's corner is not in it";
  EXPECT_EQ(Pixel(225, 5), Px(Green));
  EXPECT_EQ(Pixel(250, 10), Px(Red));
  // The cache's own masks stay whole.
  TVaskItem* item = GetImageCache()->Collection().Find("map.vsk?m");
  ASSERT_NE(item, nullptr);
  TDIBX& loaded = *item->GetFrame(0).Mask;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 100; ++x) ASSERT_EQ(loaded.GetPixel(x, y), 255u) << x << "," << y;
  EXPECT_EQ(a->FrameMask(false, 0)->GetPixel(50, 10), 0u);
  EXPECT_EQ(a->FrameMask(true, 0)->GetPixel(50, 10), 255u);
  EXPECT_EQ(a->FrameMask(true, 0)->GetPixel(5, 5), 0u);
}

TEST_F(MapImage, TheHoverAnimationInvalidatesOnlyItsArea) {
  TOrvaMapImage* map = Map("m");
  ClearDirty();
  map->SetSelectedArea(2);
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{120, 100, 130, 110}}));
  ClearDirty();
  Scene().Idle();
  Scene().Idle();
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{120, 100, 130, 110}}));
  map->SetSelectedArea(-1);
  ClearDirty();
  Scene().Idle();
  Scene().Idle();
  EXPECT_TRUE(Dirty(0).empty()) << "no area, no hover frames";
}

TEST_F(MapImage, AMissingRegionFileLeavesNoAreas) {
  TOrvaMapImage* map = Map("m");
  map->SetSelectedArea(1);
  map->SetMapSource("none.rgn");
  EXPECT_TRUE(map->Areas().empty());
  EXPECT_EQ(map->GetSelectedArea(), -1);
  map->SetHandleKey(true);
  Scene().SetFocus(map);
  EXPECT_EQ(Frame("key 40"), std::vector<std::string>{});
}

TEST_F(MapImage, TheStoredFormByVersion) {
  for (int version : {103, 114, GameSaveVersion}) {
    SCOPED_TRACE(version);
    TMemoryStream fields;
    for (const char* s : {"map.vsk", "lit.vsk", "map.rgn"}) WriteStreamString(fields, s);
    WriteStreamInt(fields, 200);
    WriteStreamInt(fields, -30);
    WriteStreamString(fields, "in.osb");
    WriteStreamString(fields, "out.osb");
    WriteStreamBool(fields, true);
    WriteStreamBool(fields, true);
    if (version >= 104) {
      WriteStreamString(fields, "idle.osb");
      WriteStreamBool(fields, true);
      WriteStreamString(fields, "select.osb");
    }
    if (version >= 115) WriteStreamInt(fields, 100);
    kit::ControlRecord record;
    record.Type = LT_MAPIMG;
    record.Extra = std::string(fields.View());
    kit::SceneBuilder builder(version);
    builder.Control(record);
    auto* loaded = CreateSceneObject<TOrvaMapImage>(Scene());
    TMemoryStream& stream = builder.Done();
    loaded->LoadFromStream(stream, version);
    EXPECT_EQ(stream.GetPosition(), stream.GetSize());
    EXPECT_EQ(loaded->Areas().size(), 6u);
    EXPECT_EQ(loaded->GetWidth(), 100);
    EXPECT_EQ(loaded->GetAlpha(), 200);
    EXPECT_EQ(loaded->GetBrightness(), -30);
    EXPECT_TRUE(loaded->GetAutoScrap());
    EXPECT_TRUE(loaded->GetRClickScrap());
    EXPECT_EQ(loaded->GetOnIdle(), version >= 104 ? "idle.osb" : "");
    EXPECT_EQ(loaded->GetPaused(), version >= 104);
    EXPECT_EQ(loaded->GetOnSelect(), version >= 104 ? "select.osb" : "");
    EXPECT_EQ(loaded->GetClosing(), version >= 115 ? 100 : 0);
    EXPECT_EQ(loaded->GetSelectedArea(), -1);
    EXPECT_FALSE(loaded->IsInputLocked());
    loaded->FreeNow();
  }
}

}  // namespace
}  // namespace orva
