// Particle and fire tracks driving the real emitter and fire: the emitter keeps the appear area
// and interval the track hands it and emits by them, a chain of tracks drives one emitter until
// the tick leaves the chain, and the fire's picture size and zooms come from the track. And an
// emitter whose sprites each play a motion file.
#include <gtest/gtest.h>

#include "core/frame_clock.h"
#include "film/effect_tracks.h"
#include "film_test_kit.h"
#include "scene/fire.h"
#include "scene/particle.h"

namespace orva {
namespace {

using namespace film_test;
using kit::FilmBuilder;

class EffectTracks : public FilmFixture {
 protected:
  void SetUp() override {
    FilmFixture::SetUp();
    // The real classes instead of the probes.
    probes.reset();
    AddPicture("films\\spark.vsk", {{.Width = 4, .Height = 4, .Colour = 0xFFFFFF}});
  }
  // The emitters of the pages give their pictures back while the picture cache is there.
  void TearDown() override {
    pages.Clear();
    FilmFixture::TearDown();
  }
  template <class T>
  static T* Effect(TFilm& film, int track) {
    return dynamic_cast<T*>(film.GetTrack(track)->GetObject());
  }

  TOrvaBaseList pages;
};

TEST_F(EffectTracks, TheEmitterKeepsTheAreaAndIntervalOfItsTrackAndEmitsByThem) {
  auto film = InPages(FilmBuilder().Size(64, 48).Add(kit::ParticleTrack{.Common = {.Length = 3},
                                                                             .FileName = "spark.vsk",
                                                                             .PartMotion = PM_FLUFF,
                                                                             .ParticleIndex = 0,
                                                                             .EndInterval = 100,
                                                                             .EndIntervalRange = 31,
                                                                             .StartAppearPos = {10, 20},
                                                                             .EndAppearPos = {10, 20},
                                                                             .StartAppearSize = {5, 1},
                                                                             .EndAppearSize = {5, 1},
                                                                             .StartWidth = 64,
                                                                             .StartHeight = 48,
                                                                             .EndWidth = 64,
                                                                             .EndHeight = 48}),
                      pages);
  film->SetTime(0);
  auto* emitter = Effect<TOrvaParticle>(*film, 0);
  ASSERT_NE(emitter, nullptr);
  // The defaults: interval 100 with range 1 starts at 100.
  ASSERT_TRUE(emitter->Area());
  EXPECT_EQ(*emitter->Area(), (TOrvaParticleParam{10, 20, 5, 1, 100, 1}));
  EXPECT_EQ(emitter->GetSource(), "films\\spark.vsk");
  EXPECT_EQ(emitter->GetPartMotion(), PM_FLUFF);
  FrameDelta = 16;
  pages.Idle();
  ASSERT_EQ(emitter->Sprites().size(), 1u);
  TOrvaParticleImages* sprite = emitter->Sprites()[0];
  EXPECT_GE(sprite->GetLeft(), 10);
  EXPECT_LT(sprite->GetLeft(), 15);
  EXPECT_EQ(sprite->GetTop(), 20);
  // At the end interval 100 with range 31 starts at 85; the record is the emitter's own copy.
  film->SetTime(2);
  EXPECT_EQ(emitter->Area()->IntervalLow, 85);
  EXPECT_EQ(emitter->Area()->IntervalRange, 31);
  film.reset();
  ASSERT_TRUE(emitter->Area());
  EXPECT_EQ(emitter->Area()->IntervalLow, 85);
}

TEST_F(EffectTracks, AChainOfParticleTracksDrivesOneEmitterUntilTheTickLeavesIt) {
  const auto film = InPages(FilmBuilder()
                                .Size(64, 48)
                                .Add(kit::ParticleTrack{.Common = {.Length = 50}, .FileName = "spark.vsk",
                                                        .PartMotion = PM_SNOW})
                                .Add(kit::ParticleTrack{.Common = {.Parent = 0, .Length = 50},
                                                        .FileName = "spark.vsk", .PartMotion = PM_SNOW}),
                            pages);
  film->SetTime(0);
  auto* emitter = Effect<TOrvaParticle>(*film, 0);
  ASSERT_NE(emitter, nullptr);
  for (int32_t tick : {1, 49, 50, 99}) {
    film->SetTime(tick);
    EXPECT_EQ(Effect<TOrvaParticle>(*film, 0), emitter) << tick;
    EXPECT_FALSE(emitter->IsQueuedForFree()) << tick;
  }
  film->SetTime(100);
  EXPECT_TRUE(emitter->IsQueuedForFree());
  EXPECT_EQ(film->GetTrack(0)->GetObject(), nullptr);
}

TEST_F(EffectTracks, TheFireTakesItsPictureSizeAndZoomsFromTheTrack) {
  const auto film = InPages(FilmBuilder()
                                .Size(64, 48)
                                // A particle track without a file name is read whole: the fire
                                // after it gets its own fields.
                                .Add(kit::ParticleTrack{.Common = {.Length = 11}})
                                .Add(kit::FireTrack{.Common = {.Length = 11},
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
                                                    .Power = 80}),
                            pages);
  film->SetTime(5);
  auto* fire = Effect<TOrvaFire>(*film, 1);
  ASSERT_NE(fire, nullptr);
  EXPECT_EQ(fire->GetOrigWidth(), 150);
  EXPECT_EQ(fire->GetOrigHeight(), 30);
  EXPECT_EQ(fire->GetZoomX(), 1024);
  EXPECT_EQ(fire->GetZoomY(), 640);
  EXPECT_EQ(fire->GetWidth(), 600);
  EXPECT_EQ(fire->GetHeight(), 75);
  EXPECT_EQ(fire->GetPower(), 80);
  EXPECT_EQ(fire->GetLeft(), 10);
  EXPECT_NE(Effect<TOrvaParticle>(*film, 0), nullptr);
  // It burns: the next update builds its picture.
  FrameDelta = 40;
  fire->Idle();
  EXPECT_TRUE(fire->Running());
  EXPECT_EQ(fire->Heat().GetWidth(), 150);
}

TEST_F(EffectTracks, AMotionFileSourcePlaysOnEverySpriteUntilItsEnd) {
  // 10 ticks from motion place (0, 0) to (90, 0).
  files.Add("m.omt", FilmBuilder()
                         .Add(kit::BoxTrack{.Common = {.Length = 10}, .StartPos = {0, 0}, .EndPos = {90, 0}})
                         .Bytes());
  auto* emitter = CreateSceneObject<TOrvaParticle>(Scene());
  emitter->SetParent(Scene().ActiveLayer());
  emitter->SetBounds(0, 0, 640, 480);
  emitter->SetPartMotion(PM_FLUFF);
  emitter->SetParticleParam({.AppearX = 100, .AppearY = 50, .IntervalLow = 1000000});
  emitter->SetSource("m.omt");
  ASSERT_NE(emitter->MotionPlayer(), nullptr);
  FrameDelta = 0;
  Scene().Idle();
  ASSERT_EQ(emitter->Sprites().size(), 1u);
  TOrvaParticleImages* sprite = emitter->Sprites()[0];
  EXPECT_EQ(sprite->GetMotionX(), 0);
  // Each step moves the sprite's clock on by 16 ms, the film by one tick (16.7 ms) or none.
  FrameDelta = 16;
  int32_t last = 0;
  int frames = 0;
  while (!emitter->Sprites().empty() && frames < 20) {
    Scene().Idle();
    ++frames;
    if (emitter->Sprites().empty()) break;
    EXPECT_GE(sprite->GetMotionX(), last);
    last = sprite->GetMotionX();
  }
  EXPECT_EQ(last, 90);
  EXPECT_EQ(frames, 10) << "the film ends at tick 10, after 160 ms";
  EXPECT_EQ(emitter->MotionPlayer()->GetOwner(), nullptr) << "the freed sprite is not played on";
}

}  // namespace
}  // namespace orva
