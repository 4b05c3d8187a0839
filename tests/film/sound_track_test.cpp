// Sound tracks with a fake sound: the one sound of a chain, made paused in the main scene when
// the film starts, its repeat rule, its volume and balance over the span, the film's last tick
// never heard, seeks only from 3 seconds of drift, a film going back or disabled pausing it.
#include "film/sound_track.h"

#include <gtest/gtest.h>

#include "film_test_kit.h"

namespace orva {
namespace {

using namespace film_test;
using kit::FilmBuilder;

class SoundTrackTest : public FilmFixture {
 protected:
  TOrvaBaseList pages;
  kit::FakeSound* SoundOf(TFilm& film, int track = 0) {
    return dynamic_cast<kit::FakeSound*>(film.GetTrack(track)->GetObject());
  }
};

std::vector<std::string> Lines(std::initializer_list<const char*> lines) { return {lines.begin(), lines.end()}; }

TEST_F(SoundTrackTest, TheSoundIsMadePausedInTheMainSceneWhenTheFilmStarts) {
  auto film = std::make_unique<TFilm>();
  film->Owner = &pages;
  film->VolumeScale = 500;
  TMemoryStream stream(
      FilmBuilder(107)
          .Size(64, 48)
          .Add(kit::SoundTrack{
              .Common = {.Length = 30}, .FileName = "voice.ogg", .StartVolume = -2500, .StartBalance = -5})
          .Bytes());
  film->LoadFromStream(stream, "films\\f.omt");
  EXPECT_EQ(Scene().GetItemCount(), 0) << "nothing is made before the film starts";
  kit::ProbeLog().clear();
  film->Start();
  // -2500 hundredths of a decibel is 750, at half the volume 375.
  EXPECT_EQ(kit::ProbeCalls("sound"), Lines({"SetSource films\\voice.ogg", "SetVolume 375", "SetRepeat 0",
                                             "SetBalance -5", "SetPaused 1", "Play 0"}));
  kit::FakeSound* sound = SoundOf(*film);
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(sound->GetOwner(), &Scene());
  EXPECT_EQ(sound->GetName(),
            "\x01"
            "0");
  EXPECT_EQ(pages.GetItemCount(), 0);
  film.reset();
  EXPECT_TRUE(sound->IsQueuedForFree());

  // Under a host the name carries the host's.
  kit::ProbeControl* host = Probe("cine");
  const auto hosted = Hosted(FilmBuilder().Add(kit::SoundTrack{.FileName = "a.ogg"}), *host);
  EXPECT_EQ(SoundOf(*hosted)->GetName(),
            "\x01"
            "cine\x01"
            "0");
}

TEST_F(SoundTrackTest, ASoundRepeatsWhenItsSpanOutlastsItOrHoldsTheLoopPoint) {
  struct Case {
    int32_t count, loopStart, filmLength;
    bool repeat;
  };
  // A 60-tick track lasts trunc(60 × 16.666666666666668) = 1000 ms.
  const Case cases[] = {{2000, 0, 60, false}, {500, 0, 60, true},    {1000, 0, 60, false},
                        {2000, 10, 60, true}, {2000, 59, 60, false}, {2000, 10, 80, false}};
  for (const Case& c : cases) {
    kit::FilmProbes::SoundCount() = c.count;
    kit::ProbeLog().clear();
    const auto film = InPages(FilmBuilder()
                                  .Size(64, 48)
                                  .LoopStart(c.loopStart)
                                  .Add(kit::SoundTrack{.Common = {.Length = 60}})
                                  .Add(kit::BoxTrack{.Common = {.Length = c.filmLength}}),
                              pages);
    EXPECT_EQ(SoundOf(*film)->GetRepeat(), c.repeat) << c.count << " " << c.loopStart << " " << c.filmLength;
  }
}

TEST_F(SoundTrackTest, TheFilmsLastTickIsNeverHeard) {
  const auto film = InPages(
      FilmBuilder().Size(64, 48).Add(kit::SoundTrack{.Common = {.Length = 100}, .StartBalance = 3, .EndBalance = 3}),
      pages);
  EXPECT_EQ(CallsAt(*film, 0, "sound"), Lines({"SetVolume 1000", "SetBalance 3", "MediaPlay"}));
  for (int32_t tick = 1; tick <= 98; ++tick)
    ASSERT_EQ(CallsAt(*film, tick, "sound"), Lines({"SetVolume 1000", "SetBalance 3"})) << tick;
  EXPECT_EQ(CallsAt(*film, 99, "sound"), Lines({"SetPaused 1"}));
}

TEST_F(SoundTrackTest, AFilmGoingBackPausesAndRestartsTheSound) {
  const auto film = InPages(FilmBuilder().Size(64, 48).Add(kit::SoundTrack{.Common = {.Length = 200}}), pages);
  for (int32_t tick = 0; tick <= 120; ++tick) film->SetTime(tick);
  kit::FakeSound& sound = *SoundOf(*film);
  EXPECT_EQ(CallsAt(*film, 10, "sound"), Lines({"SetPaused 1", "SetVolume 1000", "SetBalance 0", "MediaPlay"}));
  // From the next tick the sound's place is compared with the film's: 11 ticks are 183 ms.
  sound.Position = 183 + 2999;
  EXPECT_EQ(CallsAt(*film, 11, "sound"), Lines({"SetVolume 1000", "SetBalance 0"}));
  sound.Position = 200 + 3000;
  EXPECT_EQ(CallsAt(*film, 12, "sound"), Lines({"SetVolume 1000", "SetBalance 0", "SetIndex 200"}));
  // A sound that stopped by itself is started again.
  sound.Stop();
  EXPECT_EQ(CallsAt(*film, 13, "sound"), Lines({"SetVolume 1000", "SetBalance 0", "MediaPlay"}));
}

TEST_F(SoundTrackTest, AChainPlaysOneSoundAndOnlyItsLastTrackPausesIt) {
  // A over ticks 0..59, B over 60..119, in a film of 200 ticks.
  const auto film = InPages(FilmBuilder()
                                .Size(64, 48)
                                .Add(kit::SoundTrack{.Common = {.Length = 60}, .FileName = "bgm.ogg", .EndVolume = 500})
                                .Add(kit::SoundTrack{.Common = {.Parent = 0, .Length = 60}, .EndVolume = 0})
                                .Add(kit::BoxTrack{.Common = {.Length = 200}}),
                            pages);
  EXPECT_EQ(Scene().GetItemCount(), 1) << "one sound for the chain";
  EXPECT_EQ(film->GetTrack(1)->GetFileName(), "films\\bgm.ogg") << "the chain's name";
  EXPECT_EQ(SoundOf(*film, 1), nullptr);
  kit::FakeSound& sound = *SoundOf(*film);
  EXPECT_EQ(sound.GetSource(), "films\\bgm.ogg");
  for (int32_t tick = 0; tick < 90; ++tick) film->SetTime(tick);
  // B runs from A's end volume, 500 + (0 - 500) × 30 div 59 on its 30th tick; on tick 90 the
  // chain has played 1500 ms.
  sound.Position = 1500 + 2999;
  EXPECT_EQ(CallsAt(*film, 90, "sound"), Lines({"SetVolume 246", "SetBalance 0"}));
  sound.Position = 1500 - 3000;
  EXPECT_EQ(CallsAt(*film, 91, "sound"), Lines({"SetVolume 238", "SetBalance 0", "SetIndex 1516"}));
  EXPECT_EQ(CallsAt(*film, 120, "sound"), Lines({"SetPaused 1"}));
  EXPECT_EQ(CallsAt(*film, 121, "sound"), Lines({"SetPaused 1"}));
}

TEST_F(SoundTrackTest, OldFilmsStoreDecibelsAndPausedOrDisabledFilmsPauseTheSound) {
  // Version 107: -10000 is silent, 0 full.
  const auto film = InPages(FilmBuilder(107)
                                .Size(64, 48)
                                .Add(kit::SoundTrack{.Common = {.Length = 11}, .StartVolume = -10000, .EndVolume = 0})
                                .Add(kit::BoxTrack{.Common = {.Length = 20}}),
                            pages);
  EXPECT_EQ(CallsAt(*film, 0, "sound").front(), "SetVolume 0");
  EXPECT_EQ(CallsAt(*film, 5, "sound").front(), "SetVolume 500");
  EXPECT_EQ(CallsAt(*film, 10, "sound").front(), "SetVolume 1000");

  kit::ProbeLog().clear();
  film->SetPaused(true);
  film->SetPaused(true);
  film->SetPaused(false);
  EXPECT_EQ(kit::ProbeCalls("sound"), Lines({"SetPaused 1", "SetPaused 0"}));
  kit::ProbeLog().clear();
  film->SetEnabled(false);
  EXPECT_EQ(kit::ProbeCalls("sound"), Lines({"SetPaused 1"}));
  EXPECT_EQ(CallsAt(*film, 6, "sound"), Lines({"SetVolume 600", "SetBalance 0", "SetPaused 1"}));
  kit::ProbeLog().clear();
  film->SetEnabled(true);
  EXPECT_EQ(kit::ProbeCalls("sound"), Lines({})) << "enabling resumes nothing by itself";
}

TEST_F(SoundTrackTest, WithoutASoundClassSoundTracksDoNothing) {
  probes->Unregister(LT_SOUND);
  const auto film = InPages(FilmBuilder().Size(64, 48).Add(kit::SoundTrack{.Common = {.Length = 10}}), pages);
  for (int32_t tick : {0, 5, 10}) EXPECT_NO_THROW(film->SetTime(tick));
  EXPECT_EQ(Scene().GetItemCount(), 0);
}

}  // namespace
}  // namespace orva
