// Sliders and scroll bars from strip pictures: their size, thumb and value geometry, the
// mouse (thumb drags, button repeats, bar jumps and track paging) and keys played through the
// input step on a virtual clock, the 64-bit range, the parts drawn at 16 and 32 bits, and the
// stored forms of this version and of 118 and 127.
#include <gtest/gtest.h>

#include <climits>

#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "kit/scene_builder.h"
#include "kit/scene_input.h"
#include "image_test_kit.h"
#include "scene/slider.h"

namespace orva {
namespace {

using scene_test::ImageFixture;
using scene_test::PictureFrame;

constexpr int VkLeft = 37, VkUp = 38, VkRight = 39, VkDown = 40;

// Cell colours (0x00RRGGBB): the bar's plain cell in columns of G0..G3 and rows of H0..H3 (the
// vertical bars'), its lit cell in R0..R3; thumb T0..T2; buttons B0..B5.
constexpr uint32_t G[4] = {0x404040, 0x484848, 0x505050, 0x585858};
constexpr uint32_t R[4] = {0xA00000, 0xA80000, 0xB00000, 0xB80000};
constexpr uint32_t T[3] = {0x00A000, 0x00B000, 0x00C000};
constexpr uint32_t B[6] = {0x0000A0, 0x0000B0, 0x0000C0, 0x0000D0, 0x0000E0, 0x0000F0};

// A strip of `cells` cells of w × h, each pixel from f(cell, x, y).
template <class F>
PictureFrame Strip(int cells, int w, int h, F f) {
  PictureFrame frame{.Width = cells * w, .Height = h};
  frame.Rows.assign(size_t(h), std::vector<uint32_t>(size_t(cells * w)));
  for (int c = 0; c < cells; ++c)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) frame.Rows[size_t(y)][size_t(c * w + x)] = f(c, x, y);
  return frame;
}

class SliderTest : public ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    FrameDelta = 16;
    // Bar cells 4 × 8 (columns cycle), thumb cells 10 × 12, button cells 8 × 8; a vertical
    // bar of cells 4 × 4 whose rows cycle.
    AddPicture("bar.vsk", {Strip(2, 4, 8, [](int c, int x, int) { return c ? R[x] : G[x]; })});
    AddPicture("vbar.vsk", {Strip(2, 4, 4, [](int c, int, int y) { return c ? R[y] : G[y]; })});
    AddPicture("thumb.vsk", {Strip(3, 10, 12, [](int c, int, int) { return T[c]; })});
    AddPicture("thumb20.vsk", {Strip(3, 20, 12, [](int c, int, int) { return T[c]; })});
    AddPicture("wide.vsk", {Strip(3, 100, 12, [](int c, int, int) { return T[c]; })});
    AddPicture("buttons.vsk", {Strip(6, 8, 8, [](int c, int, int) { return B[c]; })});
  }
  template <class S = TOrvaSlider>
  S* Make(bool vertical = false, int32_t value = 50) {
    S* s = CreateSceneObject<S>(Scene());
    s->SetName("s");
    s->SetParent(Scene().ActiveLayer());
    s->SetLeft(100);
    s->SetTop(200);
    s->SetOrientation(vertical ? OT_VERTICAL : OT_HORIZONTAL);
    s->SetSource(vertical ? "vbar.vsk" : "bar.vsk");
    s->SetThumbSource("thumb.vsk");
    s->SetButtonSource("buttons.vsk");
    s->SetBarSize(100);
    s->SetMax(100);
    s->SetValue(value);
    s->SetSmallChange(1);
    s->SetAlpha(255);
    s->SetOnNotify("n.osb");
    return s;
  }
  // Mouse frames: "move x y" before each press, as a hand moves before it clicks.
  std::vector<std::string> Press(int x, int y) {
    input.Frame("move " + std::to_string(x) + " " + std::to_string(y));
    return input.Frame("press L");
  }
  // The frames, of the next n, in which an event of the kind was queued.
  std::vector<int> FramesWith(int n, const std::string& prefix) {
    std::vector<int> frames;
    for (int i = 0; i < n; ++i)
      for (const std::string& e : input.Frame(""))
        if (e.starts_with(prefix)) {
          frames.push_back(i);
          break;
        }
    return frames;
  }

  kit::FrameScope frames;
  kit::SceneInput input;
};

TEST_F(SliderTest, SizesFromThePictures) {
  struct Case {
    bool scrollbar, vertical;
    int32_t barSize, width, height;
  };
  const Case cases[] = {
      {false, false, 100, 100 + 10 + 16, 12},
      {false, true, 100, 10, 100 + 12 + 16},
      {true, false, 100, 100 + 16, 12},
      {true, true, 100, 10, 100 + 16},
      // Without BARSIZE the bar is one cell long.
      {false, false, 0, 4 + 10 + 16, 12},
  };
  for (const Case& c : cases) {
    TOrvaSlider* s = c.scrollbar ? Make<TOrvaScrollbar>(c.vertical) : Make(c.vertical);
    s->SetBarSize(c.barSize);
    EXPECT_EQ(s->GetWidth(), c.width) << c.scrollbar << c.vertical;
    EXPECT_EQ(s->GetHeight(), c.height) << c.scrollbar << c.vertical;
    // No bar picture: no size.
    s->SetSource("");
    EXPECT_EQ(s->GetWidth(), 0);
    EXPECT_EQ(s->GetHeight(), 0);
    s->FreeNow();
  }
}

TEST_F(SliderTest, TheThumbSitsAtTheValueRoundedHalfToEven) {
  TOrvaSlider* slider = Make(false, 5);
  slider->SetMax(10);
  EXPECT_EQ(slider->GetThumbPosition(), 50);
  // A 20-pixel thumb on a scroll bar travels 100 − 20.
  TOrvaScrollbar* bar = Make<TOrvaScrollbar>(false, 5);
  bar->SetThumbSource("thumb20.vsk");
  bar->SetMax(10);
  EXPECT_EQ(bar->GetThumbPosition(), 40);
  bar->SetThumbSource("wide.vsk");
  EXPECT_EQ(bar->GetThumbPosition(), 0) << "100 − 100: no travel";
  struct Case {
    int32_t value, position;
  };
  slider->SetMax(8);
  for (const Case c : {Case{1, 12}, Case{3, 38}, Case{5, 62}, Case{7, 88}}) {
    slider->SetValue(c.value);
    EXPECT_EQ(slider->GetThumbPosition(), c.position) << c.value;
  }
  // VALUE reads clamped, MIN winning over a smaller MAX.
  slider->SetValue(50);
  EXPECT_EQ(slider->GetValue(), 8);
  slider->SetMin(20);
  EXPECT_EQ(slider->GetValue(), 20);
}

TEST_F(SliderTest, ABarPressJumpsAndDragsFromHoldToRelease) {
  TOrvaSlider* s = Make();
  s->SetOnHold("hold.osb");
  s->SetOnRelease("release.osb");
  // The bar lies at x 113..212; the press at 143 is 30 into it.
  EXPECT_EQ(Press(143, 205), (std::vector<std::string>{"135()", "33(30)"}));
  EXPECT_EQ(s->GetThumbState(), 2);
  EXPECT_EQ(s->GetPressedMode(), TOrvaSlider::Dragging);
  EXPECT_EQ(input.Frame("move 183 250"), std::vector<std::string>{"33(70)"});
  EXPECT_EQ(input.Frame("move 400 250"), std::vector<std::string>{"33(100)"});
  EXPECT_TRUE(input.Frame("move 401 250").empty()) << "no change, no event";
  EXPECT_EQ(input.Frame("release"), std::vector<std::string>{"136()"});
  EXPECT_EQ(s->GetPressedMode(), TOrvaSlider::NotPressed);

  // The thumb taken away from its middle keeps the grab point.
  s->SetValue(50);
  input.Frame("move 165 201");
  EXPECT_EQ(s->GetThumbState(), 1);
  EXPECT_EQ(input.Frame("press L"), std::vector<std::string>{"135()"});
  EXPECT_EQ(input.Frame("move 175 201"), std::vector<std::string>{"33(60)"});
  input.Frame("release");
}

TEST_F(SliderTest, AVerticalSliderGrowsUpwards) {
  TOrvaSlider* s = Make(true, 100);
  // The bar: x 103..106, y 214..313; its bottom row is MIN, the row above it 1 (pressed with
  // the thumb away at the top).
  EXPECT_EQ(Press(104, 313), std::vector<std::string>{"33(0)"});
  input.Frame("release");
  s->SetValue(100);
  EXPECT_EQ(Press(104, 312), std::vector<std::string>{"33(1)"});
  input.Frame("release");
  s->SetValue(100);
  EXPECT_EQ(s->ThumbRect().Top, 200 + 8);
  // Button 0 is the top one and steps up; Up increases the value, Down decreases it.
  s->SetValue(50);
  Press(104, 203);
  EXPECT_EQ(s->GetValue(), 51);
  input.Frame("release");
  s->SetHandleKey(true);
  input.Frame("");
  EXPECT_EQ(input.Frame("keydown " + std::to_string(VkUp)), std::vector<std::string>{"33(52)"});
  input.Frame("keyup " + std::to_string(VkUp));
  EXPECT_EQ(input.Frame("keydown " + std::to_string(VkDown)), std::vector<std::string>{"33(51)"});
  input.Frame("keyup " + std::to_string(VkDown));
}

TEST_F(SliderTest, AHeldButtonStepsAtThePressAfter300MsThenEvery50WhileOverIt) {
  TOrvaSlider* s = Make(false, 0);
  input.Frame("move 220 205");
  EXPECT_EQ(s->GetButtonState(1), 1);
  EXPECT_EQ(input.Frame("press L"), std::vector<std::string>{"33(1)"});
  EXPECT_EQ(s->GetButtonState(1), 2);
  EXPECT_EQ(FramesWith(29, "33("), (std::vector<int>{18, 21, 24, 28}));
  EXPECT_EQ(s->GetValue(), 5);
  // Off the button the steps pause and it is drawn normal; back on they go on.
  input.Frame("move 300 300");
  EXPECT_TRUE(FramesWith(8, "33(").empty());
  EXPECT_EQ(s->GetButtonState(1), 0);
  input.Frame("move 220 205");
  EXPECT_FALSE(FramesWith(4, "33(").empty());
  EXPECT_EQ(s->GetButtonState(1), 2);
  input.Frame("release");
  EXPECT_EQ(s->GetButtonState(1), 1);
}

TEST_F(SliderTest, ScrollBarPagingStopsWhenTheThumbReachesTheMouse) {
  TOrvaScrollbar* s = Make<TOrvaScrollbar>(false, 0);
  s->SetLargeChange(10);
  // The bar: x 108..207; the thumb starts at 108..117 and travels 90 for 100.
  EXPECT_EQ(Press(180, 205), std::vector<std::string>{"33(10)"});
  EXPECT_EQ(s->GetPressedMode(), TOrvaSlider::PagingUp);
  EXPECT_TRUE(s->GetTrackHighlight());
  EXPECT_EQ(FramesWith(45, "33("), (std::vector<int>{18, 21, 24, 28, 31, 34}));
  EXPECT_EQ(s->GetValue(), 70);
  EXPECT_GT(s->ThumbRect().Right, 180);
  EXPECT_FALSE(s->GetTrackHighlight()) << "the lit side goes dark";
  input.Frame("release");

  // Its keys follow ORIENTATION: a vertical scroll bar grows downwards.
  TOrvaScrollbar* v = Make<TOrvaScrollbar>(true, 50);
  v->SetName("v");
  v->SetHandleKey(true);
  s->SetHandleKey(false);
  input.Frame("");
  ASSERT_EQ(Scene().GetFocus(), v);
  EXPECT_EQ(input.Frame("keydown " + std::to_string(VkDown)), std::vector<std::string>{"33(51)"});
}

TEST_F(SliderTest, AnEmptyRangeOrAPauseTakesNoHoverAndAnEmptyRangeNoClick) {
  TOrvaSlider* s = Make();
  s->SetPaused(true);
  input.Frame("move 165 201");
  EXPECT_EQ(s->GetThumbState(), 0);
  input.Frame("move 104 205");
  EXPECT_EQ(s->GetButtonState(0), 0);
  // A bar press still jumps.
  EXPECT_EQ(Press(123, 205), std::vector<std::string>{"33(10)"});
  input.Frame("release");
  s->SetPaused(false);
  s->SetMax(0);
  input.Frame("move 165 201");
  EXPECT_EQ(s->GetThumbState(), 0);
  EXPECT_TRUE(Press(123, 205).empty());
  input.Frame("release");
}

TEST_F(SliderTest, TheFullInt32RangeAndAThumbAsLongAsTheBar) {
  TOrvaSlider* s = Make(false, 0);
  s->SetMin(INT32_MIN);
  s->SetMax(INT32_MAX);
  s->SetValue(0);
  EXPECT_EQ(s->GetThumbPosition(), 50);
  s->SetHandleKey(true);
  input.Frame("");
  s->SetSmallChange(INT32_MAX);
  s->SetValue(INT32_MAX - 5);
  // A button step past MAX stops at it instead of wrapping to MIN.
  EXPECT_EQ(Press(220, 205), std::vector<std::string>{"33(2147483647)"});
  input.Frame("release");
  EXPECT_EQ(Press(104, 205), std::vector<std::string>{"33(0)"});
  input.Frame("release");
  Press(113, 205);
  EXPECT_EQ(s->GetValue(), INT32_MIN);
  input.Frame("release");

  // A scroll bar whose thumb fills its bar has no room to drag in: the value stays.
  TOrvaScrollbar* bar = Make<TOrvaScrollbar>(false, 30);
  bar->SetLeft(100);
  bar->SetTop(300);
  bar->SetThumbSource("wide.vsk");
  s->FreeNow();
  input.Frame("move 150 305");
  ASSERT_EQ(bar->GetThumbState(), 1);
  input.Frame("press L");
  EXPECT_TRUE(input.Frame("move 190 305").empty());
  EXPECT_EQ(bar->GetValue(), 30);
  input.Frame("release");
}

class SliderPixels : public SliderTest, public testing::WithParamInterface<int> {};

TEST_P(SliderPixels, PartsAnchoredAtTheMinimumEnd) {
  const int bits = GetParam();
  // The screen's depth before any picture is decoded.
  UseDepth(bits);
  Scene().ActiveLayer()->SetColor(0);
  const auto px = [&](uint32_t rgb) {
    return BackBuffer().ColorToPixel(int32_t((rgb & 0xFF) << 16 | (rgb & 0xFF00) | rgb >> 16));
  };
  Make(false, 50);
  TOrvaSlider* v = Make(true, 25);
  v->SetLeft(400);
  input.Frame("move 221 205");
  Repaint();
  // The lit cell runs from the minimum end to the thumb; the plain cell continues its
  // pattern after it.
  EXPECT_EQ(Pixel(113, 205), px(R[0])) << bits;
  EXPECT_EQ(Pixel(113 + 41, 203), px(R[1])) << bits;
  EXPECT_EQ(Pixel(113 + 50 + 10, 203), px(G[0])) << bits;  // beyond the thumb
  EXPECT_EQ(Pixel(113 + 99, 203), px(G[3])) << bits;
  EXPECT_EQ(Pixel(160, 200), px(T[0])) << bits;
  EXPECT_EQ(Pixel(101, 203), px(B[0])) << bits;
  EXPECT_EQ(Pixel(221, 203), px(B[4])) << bits << " button 1 hovered";
  // The vertical bar (x 403..406, y 214..313) is anchored at its bottom row: the lit cell's
  // last row there, the plain cell above the thumb continuing the rows upwards.
  EXPECT_EQ(Pixel(404, 313), px(R[3])) << bits;
  EXPECT_EQ(Pixel(404, 313 - 12), px(R[3])) << bits;
  EXPECT_EQ(Pixel(404, 214), px(G[(3 - 99 % 4 + 4) % 4])) << bits;
}

INSTANTIATE_TEST_SUITE_P(Depths, SliderPixels, testing::Values(16, 32));

TEST_F(SliderTest, StoredFormsOfThisVersionAnd118And127) {
  TOrvaScrollbar* s = Make<TOrvaScrollbar>(true, 42);
  s->SetCaptureMask(true);
  s->SetLargeChange(7);
  s->SetOnHold("h.osb");
  TMemoryStream saved;
  s->SaveToStream(saved);
  saved.SetPosition(0);
  auto* copy = CreateSceneObject<TOrvaScrollbar>(Scene());
  copy->LoadFromStream(saved, 133);
  EXPECT_EQ(saved.GetPosition(), saved.GetSize());
  EXPECT_EQ(copy->GetValue(), 42);
  EXPECT_EQ(copy->GetLargeChange(), 7);
  EXPECT_EQ(copy->GetBarSize(), 100);
  EXPECT_TRUE(copy->GetCaptureMask());
  EXPECT_EQ(copy->GetHeight(), s->GetHeight());
  EXPECT_EQ(copy->GetThumbPosition(), s->GetThumbPosition());

  for (int version : {118, 127}) {
    kit::ControlRecord record;
    record.Name = "old";
    kit::Fields fields;
    fields.Str("bar.vsk").Str("thumb.vsk").Str("buttons.vsk");
    fields.Int(0).Int(10).Int(5).Int(1).Int(255).Byte(0).Byte(OT_HORIZONTAL);
    fields.Str("n.osb").Str("").Str("").Str("");
    if (version >= 119) fields.Byte(1);
    record.Extra = fields.Bytes();
    kit::SceneBuilder builder(version);
    builder.Control(record);
    TMemoryStream& old = builder.Done();
    auto* loaded = CreateSceneObject<TOrvaSlider>(Scene());
    loaded->LoadFromStream(old, version);
    EXPECT_EQ(old.GetPosition(), old.GetSize()) << version;
    EXPECT_EQ(loaded->GetCaptureMask(), version >= 119);
    EXPECT_EQ(loaded->GetBarSize(), 0);
    EXPECT_EQ(loaded->GetWidth(), 4 + 10 + 16) << version;
    EXPECT_EQ(loaded->GetOnNotify(), "n.osb");
  }
}

}  // namespace
}  // namespace orva
