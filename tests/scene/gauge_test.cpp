// Gauges: rises and falls on a fake clock, the bar drawn from the two cells in both
// orientations and directions with the tiles aligned to the bar's end, values outside the
// range kept inside the bar, the size rule and the stored form by version.
#include <gtest/gtest.h>

#include "core/frame_clock.h"
#include "core/stream.h"
#include "image_test_kit.h"
#include "kit/interpreter_doubles.h"
#include "kit/scene_builder.h"
#include "scene/gauge.h"
#include "script/save_file.h"

namespace orva {
namespace {

using scene_test::ImageFixture;

constexpr uint32_t Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF, White = 0xFFFFFF;

class Gauge : public ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    FrameDelta = 20;
    // Cell 0: four rows red, green, blue, white; cell 1 all green. 4 × 4 cells.
    std::vector<std::vector<uint32_t>> rows;
    for (uint32_t c : {Red, Green, Blue, White}) rows.push_back({c, c, c, c, Green, Green, Green, Green});
    AddPicture("bar.vsk", {{.Width = 8, .Height = 4, .Rows = rows}});
  }
  TOrvaGauge* MakeGauge(int32_t min, int32_t max, int32_t value) {
    auto* gauge = CreateSceneObject<TOrvaGauge>(Scene());
    gauge->SetParent(Scene().ActiveLayer());
    gauge->SetMin(min);
    gauge->SetMax(max);
    gauge->SetValue(value);
    gauge->SetDelay(1000);
    gauge->SetAlpha(255);
    gauge->SetSource("bar.vsk");
    // Settle the first value.
    for (int i = 0; i < 200 && gauge->GetPlaying(); ++i) Scene().Idle();
    return gauge;
  }
  uint32_t Px(uint32_t rgb) {
    return BackBuffer().ColorToPixel(int32_t((rgb & 0xFF) << 16 | (rgb & 0xFF00) | rgb >> 16));
  }
  // The colours along one line of the screen, as letters (R G B W, . for anything else).
  std::string Line(int x0, int y0, int dx, int dy, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
      const uint32_t p = Pixel(x0 + i * dx, y0 + i * dy);
      s += p == Px(Red) ? 'R' : p == Px(Green) ? 'G' : p == Px(Blue) ? 'B' : p == Px(White) ? 'W' : '.';
    }
    return s;
  }

  kit::FrameScope frameScope;
};

TEST_F(Gauge, ARiseGrowsOneRangePerDelayAndAFallHoldsThenShrinks) {
  TOrvaGauge* gauge = MakeGauge(0, 100, 10);
  gauge->SetValue(50);
  EXPECT_TRUE(gauge->GetPlaying());
  std::vector<int32_t> shown;
  for (int i = 0; i < 20; ++i) {
    Scene().Idle();
    shown.push_back(gauge->ShownValue());
  }
  EXPECT_EQ(std::vector<int32_t>(shown.begin(), shown.begin() + 3), (std::vector<int32_t>{12, 14, 16}));
  EXPECT_EQ(shown.back(), 50);
  EXPECT_FALSE(gauge->GetPlaying());

  gauge->SetValue(80);
  for (int i = 0; i < 15; ++i) Scene().Idle();
  ASSERT_FALSE(gauge->GetPlaying());
  gauge->SetDuration(500);
  gauge->SetValue(30);
  EXPECT_EQ(gauge->ShownValue(), 30) << "a fall shows the new value at once";
  EXPECT_EQ(gauge->LostAmount(), 50);
  for (int i = 0; i < 25; ++i) Scene().Idle();
  EXPECT_EQ(gauge->LostAmount(), 50) << "held for 500 ms";
  Scene().Idle();
  EXPECT_EQ(gauge->LostAmount(), 48);
  for (int i = 0; i < 24; ++i) Scene().Idle();
  EXPECT_EQ(gauge->LostAmount(), 0);
  EXPECT_FALSE(gauge->GetPlaying());
  EXPECT_EQ(gauge->ShownValue(), 30);
}

TEST_F(Gauge, WithoutDelayARiseEndsAtTheNextUpdateAndAFallAfterItsHold) {
  TOrvaGauge* gauge = MakeGauge(0, 100, 10);
  gauge->SetDelay(0);
  gauge->SetDuration(40);
  gauge->SetValue(60);
  Scene().Idle();
  EXPECT_EQ(gauge->ShownValue(), 60);
  EXPECT_FALSE(gauge->GetPlaying());
  gauge->SetValue(20);
  Scene().Idle();
  Scene().Idle();
  EXPECT_EQ(gauge->LostAmount(), 40) << "40 ms held";
  Scene().Idle();
  EXPECT_EQ(gauge->LostAmount(), 0);
  EXPECT_FALSE(gauge->GetPlaying());
}

TEST_F(Gauge, ValueReadsClampedAndRangeChangesShowTheValueAtOnce) {
  TOrvaGauge* gauge = MakeGauge(0, 100, 150);
  EXPECT_EQ(gauge->GetValue(), 100);
  gauge->SetMin(200);
  EXPECT_EQ(gauge->GetValue(), 200) << "MIN wins over a smaller MAX";
  EXPECT_EQ(gauge->ShownValue(), 200);
  gauge->SetMin(0);
  gauge->SetMax(300);
  EXPECT_EQ(gauge->GetValue(), 150);
  EXPECT_EQ(gauge->ShownValue(), 150);
  EXPECT_EQ(gauge->LostAmount(), 0);
}

TEST_F(Gauge, SizeFollowsTheStripOrientationAndBarSize) {
  TOrvaGauge* gauge = MakeGauge(0, 100, 0);
  EXPECT_EQ(gauge->GetWidth(), 4) << "half the strip";
  EXPECT_EQ(gauge->GetHeight(), 4);
  gauge->SetBarSize(50);
  EXPECT_EQ(gauge->GetWidth(), 50);
  gauge->SetOrientation(OT_VERTICAL);
  EXPECT_EQ(gauge->GetWidth(), 4);
  EXPECT_EQ(gauge->GetHeight(), 50);
  gauge->SetSource("");
  EXPECT_EQ(gauge->GetWidth(), 0);
  EXPECT_EQ(gauge->GetHeight(), 50) << "BARSIZE still gives the length";
}

TEST_F(Gauge, BarsTileFromTheirEndInBothOrientationsAndDirections) {
  struct Case {
    uint8_t orientation;
    bool reverse;
    int32_t value, lost;
    // Along the bar from its top-left corner: 10 pixels.
    const char* line;
  } cases[] = {
      {OT_HORIZONTAL, false, 50, 0, "RRRRR....."},
      {OT_HORIZONTAL, false, 30, 20, "RRRGG....."},
      {OT_HORIZONTAL, true, 30, 20, ".....GGRRR"},
      // Vertical cells end at the bar's bottom: rows R G B W from below, whatever the length.
      {OT_VERTICAL, false, 60, 0, "....BWRGBW"},
      {OT_VERTICAL, false, 30, 20, ".....GGGBW"},
      // Reversed, from the top down, each cell mirrored.
      {OT_VERTICAL, true, 60, 0, "WBGRWB...."},
      {OT_VERTICAL, true, 30, 20, "WBGGG....."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    TOrvaGauge* gauge = MakeGauge(0, 100, c.value + c.lost);
    gauge->SetOrientation(c.orientation);
    gauge->SetBarSize(10);
    gauge->SetReverse(c.reverse);
    gauge->SetLeft(100);
    gauge->SetTop(50);
    gauge->SetDuration(1000);
    gauge->SetValue(c.value);
    Repaint();
    const bool vertical = c.orientation == OT_VERTICAL;
    EXPECT_EQ(Line(100, 50, vertical ? 0 : 1, vertical ? 1 : 0, 10), c.line);
    gauge->FreeNow();
    Repaint();
  }
}

TEST_F(Gauge, AValueBeyondTheRangeStaysInsideTheBar) {
  // The shown value is not offset by MIN: 150 of a range of 100 would be one and a half bars.
  TOrvaGauge* gauge = MakeGauge(50, 150, 150);
  gauge->SetBarSize(10);
  gauge->SetLeft(100);
  gauge->SetTop(50);
  Repaint();
  EXPECT_EQ(Line(98, 50, 1, 0, 14), "..RRRRRRRRRR..");
  // A fall then holds a lost part that the bar has no room left for.
  gauge->SetDuration(1000);
  gauge->SetValue(100);
  Repaint();
  EXPECT_EQ(Line(98, 50, 1, 0, 14), "..RRRRRRRRRR..");
  // A strip too narrow for two cells draws nothing.
  AddPicture("thin.vsk", {{.Width = 1, .Height = 4, .Colour = Red}});
  gauge->SetSource("thin.vsk");
  Repaint();
  EXPECT_EQ(Line(98, 50, 1, 0, 14), "..............");
}

TEST_F(Gauge, ANewGaugeDrawsNothingUntilItsAlphaIsSet) {
  auto* gauge = CreateSceneObject<TOrvaGauge>(Scene());
  EXPECT_EQ(gauge->GetAlpha(), 0);
  gauge->SetParent(Scene().ActiveLayer());
  gauge->SetMax(100);
  gauge->SetValue(100);
  gauge->SetSource("bar.vsk");
  gauge->SetBarSize(10);
  gauge->SetLeft(100);
  gauge->SetTop(50);
  for (int i = 0; i < 200 && gauge->GetPlaying(); ++i) Scene().Idle();
  Repaint();
  EXPECT_EQ(Line(100, 50, 1, 0, 10), "..........");
  gauge->SetAlpha(255);
  Repaint();
  EXPECT_EQ(Line(100, 50, 1, 0, 10), "RRRRRRRRRR");
}

TEST_F(Gauge, TheStoredFormByVersion) {
  for (int version : {124, 127, GameSaveVersion}) {
    SCOPED_TRACE(version);
    // The gauge's fields as that version wrote them.
    TMemoryStream fields;
    WriteStreamString(fields, "bar.vsk");
    for (int32_t v : {5, 95, 10, 200}) WriteStreamInt(fields, v);  // MIN, MAX, VALUE, ALPHA
    WriteStreamBool(fields, false);
    WriteStreamByte(fields, OT_VERTICAL);
    WriteStreamInt(fields, 700);
    WriteStreamInt(fields, 300);
    WriteStreamBool(fields, true);
    if (version >= 125) WriteStreamString(fields, "idle.osb");
    if (version >= 128) WriteStreamInt(fields, 33);
    kit::ControlRecord record;
    record.Type = LT_GAUGE;
    record.Extra = std::string(fields.View());
    kit::SceneBuilder builder(version);
    builder.Control(record);
    auto* loaded = CreateSceneObject<TOrvaGauge>(Scene());
    TMemoryStream& stream = builder.Done();
    loaded->LoadFromStream(stream, version);
    EXPECT_EQ(stream.GetPosition(), stream.GetSize());
    EXPECT_EQ(loaded->GetSource(), "bar.vsk");
    EXPECT_EQ(loaded->GetMin(), 5);
    EXPECT_EQ(loaded->GetMax(), 95);
    EXPECT_EQ(loaded->GetValue(), 10);
    EXPECT_EQ(loaded->ShownValue(), 10);
    EXPECT_FALSE(loaded->GetPlaying()) << "no animation after a load";
    EXPECT_EQ(loaded->GetAlpha(), 200);
    EXPECT_EQ(loaded->GetOrientation(), OT_VERTICAL);
    EXPECT_EQ(loaded->GetDelay(), 700);
    EXPECT_EQ(loaded->GetDuration(), 300);
    EXPECT_TRUE(loaded->GetReverse());
    EXPECT_EQ(loaded->GetOnIdle(), version >= 125 ? "idle.osb" : "");
    EXPECT_EQ(loaded->GetBarSize(), version >= 128 ? 33 : 0);
    EXPECT_EQ(loaded->GetHeight(), version >= 128 ? 33 : 4);

    // What the player writes reads back whole.
    TMemoryStream again;
    loaded->SaveToStream(again);
    again.SetPosition(0);
    auto* copy = CreateSceneObject<TOrvaGauge>(Scene());
    copy->LoadFromStream(again, GameSaveVersion);
    EXPECT_EQ(again.GetPosition(), again.GetSize());
    EXPECT_EQ(copy->GetOnIdle(), loaded->GetOnIdle());
    EXPECT_EQ(copy->GetHeight(), loaded->GetHeight());
    loaded->FreeNow();
    copy->FreeNow();
  }
}

}  // namespace
}  // namespace orva
