// Box, particle and fire tracks: the rectangle and its clip, the box's colours byte by byte,
// the emitter's appear area and interval, the fire's picture size and zoom, the order of
// their writes on their object and on a driven control, and the one effect object of a
// chain of tracks.
#include "film/rect_tracks.h"

#include <gtest/gtest.h>

#include "film/effect_tracks.h"
#include "film_test_kit.h"

namespace orva {
namespace {

using namespace film_test;
using kit::FilmBuilder;

class RectTracksTest : public FilmFixture {
 protected:
  TOrvaBaseList pages;
};

std::vector<std::string> Lines(std::initializer_list<const char*> lines) { return {lines.begin(), lines.end()}; }

TEST_F(RectTracksTest, ABoxSizesItsRectangleAndWritesItsValuesInOrder) {
  // From (0, 0) 100 x 100 to (100, 0) 200 x 100 over 11 ticks.
  const kit::BoxTrack box{.Common = {.Length = 11, .Priority = 4},
                          .StartPos = {0, 0},
                          .EndPos = {100, 0},
                          .EndAlpha = 100,
                          .StartWidth = 100,
                          .StartHeight = 100,
                          .EndWidth = 200,
                          .EndHeight = 100,
                          .StartColor = 0x0000FF,
                          .EndColor = 0xFF0000,
                          .StartBorderWidth = 2,
                          .EndBorderWidth = 2,
                          .StartBorderColor = -1,
                          .EndBorderColor = -1,
                          .Clip = {.StartSize = {0, 0}, .EndPos = {4, 4}, .EndSize = {0, 0}}};
  const auto film = InPages(FilmBuilder().Size(64, 48).Add(box), pages);
  EXPECT_EQ(CallsAt(*film, 0, "box"), Lines({"SetName #0", "SetParent #BASE0", "SetBounds 0,0,100,100", "SetPriority 4",
                                             "SetAlpha 255", "SetColor 255", "SetBorderWidth 2", "SetBorderColor -1",
                                             "SetClipLeft 0", "SetClipTop 0", "SetClipWidth 0", "SetClipHeight 0"}));
  // Position 5: left 50, right 99 + 200 × 5 div 10 = 199; the colour's low byte
  // 255 - 255 × 5 div 10, its high byte 255 × 5 div 10.
  EXPECT_EQ(CallsAt(*film, 5, "box"),
            Lines({"SetParent #BASE0", "SetBounds 50,0,150,100", "SetPriority 4", "SetAlpha 178", "SetColor 8323200",
                   "SetBorderWidth 2", "SetBorderColor -1", "SetClipLeft 0", "SetClipTop 0", "SetClipWidth 0",
                   "SetClipHeight 0"}));
  TOrvaObject* object = film->GetTrack(0)->GetObject();
  EXPECT_EQ(CallsAt(*film, 11, "box"), Lines({}));
  EXPECT_TRUE(object->IsQueuedForFree());

  // On a control: the motion place, then the size and the priority on the film's base.
  kit::ProbeControl* target = Probe();
  const auto motion = OnControl(FilmBuilder().Add(box), *target, {}, 10);
  EXPECT_EQ(CallsAt(*motion, 5, "target"),
            Lines({"SetMotionX 50", "SetMotionY 0", "SetWidth 150", "SetHeight 100", "SetPriority 14", "SetAlpha 178",
                   "SetColor 8323200", "SetBorderWidth 2", "SetBorderColor -1", "SetClipLeft 0", "SetClipTop 0",
                   "SetClipWidth 0", "SetClipHeight 0"}));
}

TEST_F(RectTracksTest, BoxColoursRunByteByByteAndAChainStartsWhereItsParentEnds) {
  struct Case {
    int32_t start, end;
    int32_t middle;  // at position 1 of 3
  };
  // Divisions truncate toward zero; equal ends pass unchanged, -1 included.
  const Case cases[] = {{0x0000FF, 0xFF0000, 0x7F0080},
                        {-1, -1, -1},
                        {0x123456, 0x123456, 0x123456},
                        {0x000000, 0x030303, 0x010101},
                        {0x7F000000, 0x00000000, 0}};
  for (const Case& c : cases) {
    kit::ProbeControl* target = Probe();
    const auto film = OnControl(
        FilmBuilder().Add(kit::BoxTrack{.Common = {.Length = 3}, .StartBorderColor = c.start, .EndBorderColor = c.end}),
        *target);
    const std::vector<std::string> calls = CallsAt(*film, 1, "target");
    EXPECT_NE(std::find(calls.begin(), calls.end(), "SetBorderColor " + std::to_string(c.middle)), calls.end())
        << std::hex << c.start << " " << c.end;
  }
  kit::ProbeControl* target = Probe();
  const auto film = OnControl(FilmBuilder()
                                  .Add(kit::BoxTrack{.EndColor = 0x00FF00, .EndBorderWidth = 7, .EndBorderColor = 5})
                                  .Add(kit::BoxTrack{.Common = {.Parent = 0, .Length = 2},
                                                     .StartColor = 1,
                                                     .EndColor = 1,
                                                     .StartBorderWidth = 9,
                                                     .EndBorderWidth = 9,
                                                     .StartBorderColor = 3,
                                                     .EndBorderColor = 3}),
                              *target);
  const std::vector<std::string> calls = CallsAt(*film, 1, "target");
  for (const char* call : {"SetColor 65280", "SetBorderWidth 7", "SetBorderColor 5"})
    EXPECT_NE(std::find(calls.begin(), calls.end(), call), calls.end()) << call;
}

TEST_F(RectTracksTest, AParticleTrackHandsTheEmitterItsAreaAndInterval) {
  const auto film = InPages(FilmBuilder().Size(64, 48).Add(kit::ParticleTrack{.Common = {.Length = 3, .Priority = 2},
                                                                              .FileName = "spark.vsk",
                                                                              .PartMotion = PM_SNOW,
                                                                              .ParticleIndex = 3,
                                                                              .EndInterval = 100,
                                                                              .EndIntervalRange = 31,
                                                                              .StartAppearPos = {0, 0},
                                                                              .EndAppearPos = {10, 20},
                                                                              .EndAppearSize = {21, 41},
                                                                              .StartParam = {1.0, 2.0, 3.0},
                                                                              .EndParam = {4.0, 2.0, 0.0},
                                                                              .StartPos = {5, 6},
                                                                              .EndPos = {5, 6},
                                                                              .StartWidth = 50,
                                                                              .StartHeight = 40,
                                                                              .EndWidth = 50,
                                                                              .EndHeight = 40,
                                                                              .StartAlpha = 128,
                                                                              .EndAlpha = 128}),
                            pages);
  EXPECT_EQ(
      CallsAt(*film, 0, "particle"),
      Lines({"SetName #0", "SetParent #BASE0", "SetBounds 5,6,50,40", "SetPriority 2", "SetAlpha 128",
             "SetSource films\\spark.vsk", "SetPartMotion 1", "SetIndex 3", "SetParam1 1", "SetParam2 2", "SetParam3 3",
             "SetParticleParam 0,0,1,1 100+1", "SetClipLeft 0", "SetClipTop 0", "SetClipWidth 0", "SetClipHeight 0"}));
  // The end: interval 100 with range 31 starts at 85; parameters run by position / n.
  const std::vector<std::string> end = CallsAt(*film, 2, "particle");
  for (const char* call : {"SetParticleParam 10,20,21,41 85+31", "SetParam1 4", "SetParam3 0"})
    EXPECT_NE(std::find(end.begin(), end.end(), call), end.end()) << call;
  const std::vector<std::string> middle = CallsAt(*film, 1, "particle");
  EXPECT_NE(std::find(middle.begin(), middle.end(), "SetParam1 2"), middle.end());
}

TEST_F(RectTracksTest, AChainOfEffectTracksDrivesOneObject) {
  // Particles A over ticks 10..59 and B over 60..109; a fire chained to a box is its own root.
  const auto film = InPages(FilmBuilder()
                                .Size(64, 48)
                                .Add(kit::ParticleTrack{.Common = {.Length = 50, .Start = 10}})
                                .Add(kit::ParticleTrack{.Common = {.Parent = 0, .Length = 50}})
                                .Add(kit::BoxTrack{.Common = {.Length = 5}})
                                .Add(kit::FireTrack{.Common = {.Parent = 2, .Length = 5}}),
                            pages);
  auto& a = dynamic_cast<TParticleFrameList&>(*film->GetTrack(0));
  auto& b = dynamic_cast<TParticleFrameList&>(*film->GetTrack(1));
  film->SetTime(5);
  EXPECT_EQ(a.GetObject(), nullptr);
  film->SetTime(10);
  TOrvaObject* effect = a.GetObject();
  ASSERT_NE(effect, nullptr);
  for (int32_t tick : {59, 60, 100, 109}) {
    film->SetTime(tick);
    EXPECT_EQ(a.GetObject(), effect) << tick;
    EXPECT_EQ(b.GetObject(), nullptr) << tick;
  }
  EXPECT_EQ(b.EnsureEffect(), effect);
  film->SetTime(110);
  EXPECT_EQ(a.GetObject(), nullptr);
  EXPECT_TRUE(effect->IsQueuedForFree());
  // Back before the chain: the last track frees nothing more, the first makes nothing.
  film->SetTime(0);
  EXPECT_EQ(a.GetObject(), nullptr);
  // The fire whose parent is a box holds its own object.
  film->SetTime(7);
  EXPECT_NE(film->GetTrack(3)->GetObject(), nullptr);
}

TEST_F(RectTracksTest, AFireSizesItsPictureAndZoomsIt) {
  const kit::FireTrack fire{.Common = {.Length = 11, .Priority = 3},
                            .StartPos = {10, 20},
                            .EndPos = {10, 20},
                            .StartWidth = 100,
                            .StartHeight = 30,
                            .EndWidth = 200,
                            .EndHeight = 30,
                            .StartZoomX = 4.0,
                            .StartZoomY = 2.5,
                            .EndZoomX = 4.0,
                            .EndZoomY = 2.5,
                            .Power = 80};
  const auto film = InPages(FilmBuilder().Size(64, 48).Add(fire), pages);
  EXPECT_EQ(CallsAt(*film, 5, "fire"),
            Lines({"SetName #0", "SetParent #BASE0", "SetPriority 3", "SetLeft 10", "SetTop 20", "SetOrigWidth 150",
                   "SetOrigHeight 30", "SetZoomX 1024", "SetZoomY 640", "SetPower 80", "SetClipLeft 0", "SetClipTop 0",
                   "SetClipWidth 0", "SetClipHeight 0"}));
  kit::ProbeControl* target = Probe();
  const auto motion = OnControl(FilmBuilder().Add(fire), *target, {}, 20);
  EXPECT_EQ(CallsAt(*motion, 5, "target"),
            Lines({"SetPriority 23", "SetMotionX 10", "SetMotionY 20", "SetOrigWidth 150", "SetOrigHeight 30",
                   "SetZoomX 1024", "SetZoomY 640", "SetPower 80", "SetClipLeft 0", "SetClipTop 0", "SetClipWidth 0",
                   "SetClipHeight 0"}));
  // A new fire track pictures a quarter of the film's width, 30 high.
  TFilm empty;
  empty.Width = 640;
  const std::unique_ptr<TCustomFrameList> track = empty.CreateTrack(ttFire);
  EXPECT_EQ(dynamic_cast<TFireFrameList&>(*track).EndWidth, 160);
  EXPECT_EQ(dynamic_cast<TFireFrameList&>(*track).StartHeight, 30);
}

TEST_F(RectTracksTest, AParticleTrackOnAControlDrivesOnlyItsRectangle) {
  kit::ProbeControl* target = Probe();
  const auto motion = OnControl(FilmBuilder().Add(kit::ParticleTrack{.Common = {.Length = 2, .Priority = 1},
                                                                     .FileName = "spark.vsk",
                                                                     .StartPos = {3, 4},
                                                                     .EndPos = {3, 4},
                                                                     .StartWidth = 10,
                                                                     .StartHeight = 20,
                                                                     .EndWidth = 10,
                                                                     .EndHeight = 20}),
                                *target, {}, 5);
  EXPECT_EQ(CallsAt(*motion, 0, "target"),
            Lines({"SetMotionX 3", "SetMotionY 4", "SetWidth 10", "SetHeight 20", "SetPriority 6", "SetAlpha 255",
                   "SetClipLeft 0", "SetClipTop 0", "SetClipWidth 0", "SetClipHeight 0"}));
}

}  // namespace
}  // namespace orva
