// The wave: the phase that falls with the game time (255 phases), the row offsets, the
// invalidation only on a change, children's rectangles widened by |AMP|, children drawn with
// their rows shifted, origins that follow a moved parent, the row table's bound, pictures
// drawn whole through it, and the stored form with its lengths kept at 1 or more.
#include "scene/wave.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/frame_clock.h"
#include "kit/interpreter_doubles.h"
#include "kit/scene_builder.h"
#include "image_test_kit.h"

namespace orva {
namespace {

using scene_test::ImageFixture;
using scene_test::PictureFrame;

class Wave : public ImageFixture {
 protected:
  TOrvaWave* Make(Place p, int32_t amp = 10, int32_t waveLength = 40, int32_t period = 2000,
                  TOrvaControl* parent = nullptr) {
    auto* wave = CreateSceneObject<TOrvaWave>(Scene());
    wave->SetParent(parent ? parent : Scene().ActiveLayer());
    wave->SetBounds(p.Left, p.Top, p.Width, p.Height);
    wave->SetAmp(amp);
    wave->SetWaveLen(waveLength);
    wave->SetDelay(period);
    return wave;
  }
  static void Update(TOrvaWave& wave, int32_t ms, int frames = 1) {
    FrameDelta = ms;
    for (int i = 0; i < frames; ++i) wave.Idle();
  }
  // Row i's offset at a phase: AMP × the sine of the phase and the row, rounded half to even.
  static int32_t Expected(int32_t amp, int32_t waveLength, int32_t phase, int row) {
    const long double turn = phase / 256.0L + static_cast<long double>(row) / waveLength;
    return static_cast<int32_t>(std::nearbyint(amp * std::sin(2 * std::numbers::pi_v<long double> * turn)));
  }

  kit::FrameScope frameScope;
};

TEST_F(Wave, ThePhaseFallsByTheStepsOfTheGameTimeOver255Phases) {
  struct Case {
    int32_t period, ms;
    int frames;
    int32_t phase;
  } cases[] = {
      // 16 × 256 = 4096 per frame: 2 steps and 96 carried, so 3 on the 21st frame.
      {2000, 16, 1, 253}, {2000, 16, 2, 251}, {2000, 16, 20, 215}, {2000, 16, 21, 212},
      // 4096 steps in one frame wrap the phase 16 times (4096 = 16 × 255 + 16).
      {1, 16, 1, 239},
      // Below one step nothing moves.
      {100000, 16, 10, 0},
  };
  for (const Case& c : cases) {
    TOrvaWave* wave = Make({0, 0, 10, 10}, 10, 40, c.period);
    Update(*wave, c.ms, c.frames);
    EXPECT_EQ(wave->Phase(), c.phase) << c.period << " " << c.frames;
    wave->FreeNow();
  }
  // DELAY and WAVELEN stay at 1 or more.
  TOrvaWave* wave = Make({0, 0, 10, 10}, 10, 0, 0);
  EXPECT_EQ(wave->GetWaveLen(), 1);
  EXPECT_EQ(wave->GetDelay(), 1);
}

TEST_F(Wave, EveryRowTakesTheSineOfThePhaseAndItsRow) {
  struct Case {
    int32_t amp, waveLength;
  } cases[] = {{10, 40}, {-10, 40}, {37, 7}, {1000000, 300}, {10, 1}};
  for (const Case& c : cases) {
    TOrvaWave* wave = Make({5, 5, 30, 64}, c.amp, c.waveLength);
    for (int frame = 1; frame <= 30; ++frame) {
      Update(*wave, 16);
      const std::vector<int32_t>& offsets = wave->Surface().RowOffsets;
      ASSERT_EQ(offsets.size(), 64u);
      for (int row = 0; row < 64; ++row)
        ASSERT_EQ(offsets[size_t(row)], Expected(c.amp, c.waveLength, wave->Phase(), row))
            << c.amp << " " << c.waveLength << " frame " << frame << " row " << row;
    }
    if (c.waveLength == 1)
      EXPECT_EQ(std::count(wave->Surface().RowOffsets.begin(), wave->Surface().RowOffsets.end(),
                           wave->Surface().RowOffsets[0]),
                64)
          << "every row a full cycle";
    wave->FreeNow();
  }
}

TEST_F(Wave, ItInvalidatesOnlyWhenAnOffsetChanged) {
  TOrvaWave* wave = Make({100, 100, 60, 40});
  ClearDirty();
  Update(*wave, 16);
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{100, 100, 160, 140}})) << "the wave's own rectangle, not widened";
  ClearDirty();
  Update(*wave, 0);
  EXPECT_TRUE(Dirty(0).empty()) << "no step";
  // Offsets that stay the same: AMP 0 keeps every row at 0.
  wave->SetAmp(0);
  Update(*wave, 16);
  ClearDirty();
  Update(*wave, 16);
  EXPECT_TRUE(Dirty(0).empty());
}

TEST_F(Wave, AChildsRectangleIsWidenedByTheAmplitudeEitherWay) {
  for (int32_t amp : {10, -10, 0}) {
    TOrvaWave* wave = Make({0, 0, 400, 100}, amp);
    TOrvaControl* child = Box("child", {100, 10, 100, 20}, wave);
    ClearDirty();
    child->Invalidate();
    const int32_t a = std::abs(amp);
    EXPECT_EQ(Dirty(0), (std::vector<TRect>{{100 - a, 10, 200 + a, 30}})) << amp;
    wave->FreeNow();
  }
  // Near the ends of the range the rectangle saturates.
  TOrvaWave* wave = Make({0, 0, 400, 100}, INT32_MIN);
  TRect r{-5, 0, 5, 1};
  wave->NotifyInvalidate(r);
  EXPECT_EQ(r, (TRect{INT32_MIN, 0, INT32_MAX, 1}));
}

TEST_F(Wave, ChildrenDrawWithTheirRowsShiftedInsideTheWave) {
  TOrvaWave* wave = Make({100, 100, 60, 40}, 10, 40);
  Box("red", {0, 0, 60, 40}, wave, 0x0000FF);
  EXPECT_EQ(wave->GetTargetSurface(), &wave->Surface());
  Update(*wave, 16, 3);
  Repaint();
  const uint32_t red = BackBuffer().ColorToPixel(0x0000FF);
  // The child is cut to the wave before its rows move: each row stands offset pixels aside.
  const std::vector<int32_t>& offsets = wave->Surface().RowOffsets;
  for (int row = 0; row < 40; ++row) {
    const int32_t o = offsets[size_t(row)];
    for (int x = 85; x < 175; ++x) {
      const bool inside = x >= 100 + o && x < 160 + o;
      ASSERT_EQ(Pixel(x, 100 + row), inside ? red : 0u) << "row " << row << " offset " << o << " x " << x;
    }
  }
  // AMP 0: the children draw straight into the layer.
  wave->SetAmp(0);
  EXPECT_EQ(wave->GetTargetSurface(), Layer(0).GetTargetSurface());
  Repaint();
  for (int row = 0; row < 40; row += 7) {
    EXPECT_EQ(Pixel(100, 100 + row), red);
    EXPECT_EQ(Pixel(159, 100 + row), red);
    EXPECT_EQ(Pixel(160, 100 + row), 0u);
  }
}

TEST_F(Wave, BothOriginsFollowTheWavesPlaceOnTheLayer) {
  TOrvaControl* parent = Box("parent", {50, 60, 300, 300});
  TOrvaWave* wave = Make({10, 20, 100, 50}, 10, 40, 2000, parent);
  EXPECT_EQ(wave->Surface().OriginX, 60);
  EXPECT_EQ(wave->Surface().OriginY, 80);
  parent->SetLeft(70);
  parent->SetTop(90);
  Update(*wave, 16);
  EXPECT_EQ(wave->Surface().OriginX, 80) << "a moved parent takes the wave along";
  EXPECT_EQ(wave->Surface().OriginY, 110);
  EXPECT_EQ(wave->Surface().Target, Layer(0).GetImage());

  // A loaded wave, WAVELEN and DELAY 0 in its save: both origins set, both lengths 1.
  kit::ControlRecord outer{.Type = LT_BOX, .Name = "outer", .Left = 30, .Top = 40, .Width = 200, .Height = 200};
  kit::ControlRecord record{.Type = LT_WAVE, .Name = "w", .Left = 5, .Top = 6, .Width = 50, .Height = 70};
  TMemoryStream fields;
  for (int32_t v : {-10, 0, 0}) WriteStreamInt(fields, v);
  WriteStreamString(fields, "idle.osb");
  WriteStreamBool(fields, true);
  record.Extra = std::string(fields.View());
  outer.Children.push_back(record);
  kit::SceneRecord scene;
  scene.Layers[0].Children.push_back(outer);
  kit::SceneBuilder builder(GameSaveVersion);
  builder.Scene(scene);
  Scene().LoadFromStream(builder.Done(), GameSaveVersion);
  auto* loaded = dynamic_cast<TOrvaWave*>(Scene().FindObject("w"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetAmp(), -10);
  EXPECT_EQ(loaded->GetWaveLen(), 1);
  EXPECT_EQ(loaded->GetDelay(), 1);
  EXPECT_TRUE(loaded->GetPaused());
  EXPECT_EQ(loaded->Surface().OriginX, 35);
  EXPECT_EQ(loaded->Surface().OriginY, 46);
  EXPECT_EQ(loaded->Surface().RowOffsets.size(), 70u);
  Update(*loaded, 16);
  EXPECT_EQ(loaded->Surface().RowOffsets[0], loaded->Surface().RowOffsets[1]);

  // What it saves loads back the same.
  TMemoryStream first, second;
  Scene().SaveToStream(first);
  first.SetPosition(0);
  Scene().LoadFromStream(first, GameSaveVersion);
  Scene().SaveToStream(second);
  EXPECT_EQ(first.View(), second.View());
}

TEST_F(Wave, TheRowTableStaysBoundedWhateverTheHeight) {
  TOrvaWave* wave = Make({0, 0, 10, 10});
  wave->SetHeight(INT32_MAX);
  EXPECT_EQ(wave->Surface().RowOffsets.size(), size_t(MaxWaveRows));
  Update(*wave, 16);
  wave->SetHeight(-5);
  EXPECT_TRUE(wave->Surface().RowOffsets.empty());
  Update(*wave, 16);
}

TEST_F(Wave, APictureWithDrawingRectanglesIsDrawnWholeThroughAWave) {
  AddPicture("r.vsk", {{.Width = 10, .Height = 6, .Colour = 0x00FF00, .Rects = {{0, 0, 3, 6}, {5, 0, 10, 2}}}});
  scene_test::RecordingSurface recorder;
  recorder.SetSize(64, 64, 32);
  TDIBXWave wave;
  wave.Target = &recorder;
  wave.SetSize(64, 64, 0);
  auto* host = CreateSceneObject<scene_test::TargetHost>(Scene());
  host->SetParent(Scene().ActiveLayer());
  TOrvaImages* image = Image("img", "r.vsk", host);
  image->SetLeft(8);
  image->SetTop(17);
  for (TCustomDIBX* target : {static_cast<TCustomDIBX*>(&recorder), static_cast<TCustomDIBX*>(&wave)}) {
    host->Target = target;
    recorder.Calls.clear();
    image->DrawPicture();
    // Straight onto a surface once per drawing rectangle; through the wave, whose rows shift,
    // once whole.
    EXPECT_EQ(recorder.Calls.size(), target == &wave ? 1u : 2u);
  }
}

}  // namespace
}  // namespace orva
