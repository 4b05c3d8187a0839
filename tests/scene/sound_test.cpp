// Sound objects and volume fades over stand-in media items on the game clock: the volume
// maps, the manager chosen by name, the play modes, pauses, ends, lengths and saves.
#include <gtest/gtest.h>

#include <limits>

#include "core/frame_clock.h"
#include "core/stream.h"
#include "kit/interpreter_doubles.h"
#include "kit/media_doubles.h"
#include "kit/page_builder.h"
#include "scene/base_list.h"
#include "scene/sound.h"
#include "scene/volume_fade.h"
#include "scene_test_kit.h"

namespace orva {
namespace {

using kit::FakeMediaItem;
using TEndReport = FakeMediaItem::TEndReport;

TEST(VolumeMap, ScriptVolumeToItemVolume) {
  struct Case {
    int32_t volume;
    int32_t plain, midi;
  };
  const Case cases[] = {
      {1000, 0, 0},           {0, -10000, -10000},     {1200, 0, 2000},  {1, -4995, -9990},
      {500, -2500, -5000},    {-7, -10000, -10070},    {999, -5, -10},
      // Far outside the scale the MIDI volume stays at the ends of 32 bits.
      {std::numeric_limits<int32_t>::max(), 0, std::numeric_limits<int32_t>::max()},
      {std::numeric_limits<int32_t>::min(), -10000, std::numeric_limits<int32_t>::min()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ItemVolume(c.volume, false), c.plain) << c.volume;
    EXPECT_EQ(ItemVolume(c.volume, true), c.midi) << c.volume;
  }
}

TEST(VolumeMap, RampValues) {
  struct Case {
    bool midi;
    int32_t from, target;
    int64_t elapsed;
    int32_t duration, want;
  };
  const Case cases[] = {
      // A fade-out other than MIDI falls to the midpoint, then to silence at its end.
      {false, 0, -10000, 0, 1000, 0},
      {false, 0, -10000, 500, 1000, -2500},
      {false, 0, -10000, 999, 1000, -4995},
      {false, 0, -10000, 1000, 1000, -10000},
      // A fade-in other than MIDI starts at the midpoint.
      {false, -10000, 0, 0, 1000, -5000},
      {false, -10000, 0, 500, 1000, -2500},
      // Halves are truncated toward zero.
      {false, -10000, -3001, 0, 3, -6501},
      // MIDI covers the whole range.
      {true, -10000, -3000, 500, 1000, -6500},
      {true, 0, -10000, 250, 1000, -2500},
      // Long fades do not overflow: 300 s of MIDI, 500 s of the rest.
      {true, -10000, 0, 299000, 300000, -34},
      {false, 0, -10000, 499000, 500000, -4990},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TOrvaMixer::RampValue(c.midi, c.from, c.target, c.elapsed, c.duration), c.want)
        << c.midi << " " << c.from << " " << c.target << " " << c.elapsed;
}

class FadeTest : public ::testing::Test {
 protected:
  kit::FrameScope frames;
  FakeMediaItem plain{"plain.ogg", TMediaKind::Ogg, nullptr};
  FakeMediaItem midi{"tune.mid", TMediaKind::Midi, nullptr};
};

TEST_F(FadeTest, AFadeInSilencesAndStartsTheItemAtItsFirstStep) {
  GameClock = 1000;
  TOrvaMixerFadein fade(&plain, 0, 1000);
  EXPECT_FALSE(fade.Step());
  EXPECT_TRUE(plain.IsPlaying());
  EXPECT_EQ(plain.Volume, -10000);
  GameClock += 500;
  EXPECT_FALSE(fade.Step());
  EXPECT_EQ(plain.Volume, -2500);
  GameClock += 500;
  EXPECT_TRUE(fade.Step());
  EXPECT_EQ(plain.Volume, 0);

  GameClock = 0xFFFFFF00u;  // the clock wraps during the fade
  TOrvaMixerFadein midiFade(&midi, -3000, 1000);
  midiFade.Step();
  GameClock += 500;
  midiFade.Step();
  EXPECT_EQ(midi.Volume, -6500);
}

TEST_F(FadeTest, AFadeOutStartsFromTheItemsVolumeAndLeavesTheLastStepToItsOwner) {
  plain.Volume = 0;
  TOrvaMixerFadeout fade(&plain, 1000);
  EXPECT_FALSE(fade.Step());
  GameClock += 999;
  EXPECT_FALSE(fade.Step());
  EXPECT_EQ(plain.Volume, -4995);
  GameClock += 1;
  EXPECT_TRUE(fade.Step());
  EXPECT_EQ(plain.Volume, -4995) << "the owner silences the item";
}

TEST_F(FadeTest, AFadeWithoutDurationStartsAtItsFirstStepAndEndsAtTheNext) {
  for (int32_t duration : {0, -5}) {
    plain.Volume = 0;
    TOrvaMixerFadein in(&plain, -200, duration);
    EXPECT_FALSE(in.Step()) << duration;
    EXPECT_TRUE(plain.IsPlaying());
    EXPECT_EQ(plain.Volume, -10000);
    EXPECT_TRUE(in.Step());
    EXPECT_EQ(plain.Volume, -200);

    TOrvaMixerFadeout out(&plain, duration);
    EXPECT_FALSE(out.Step()) << duration;
    EXPECT_EQ(plain.Volume, -200) << "a fade-out leaves the volume to its owner";
    EXPECT_TRUE(out.Step());
  }
}

TEST_F(FadeTest, AFadeOfAnItemFreedMeanwhileIsDone) {
  auto item = std::make_unique<FakeMediaItem>("gone.ogg", TMediaKind::Ogg, nullptr);
  TOrvaMixerFadein fade(item.get(), 0, 1000);
  EXPECT_FALSE(fade.Step());
  item.reset();
  EXPECT_TRUE(fade.Step());
}

TEST(MediaKind, ChosenByExtensionThenByTheCdPrefix) {
  struct Case {
    const char* name;
    bool known;
    TMediaKind kind;
  };
  const Case cases[] = {
      {"bgm\\Title.MID", true, TMediaKind::Midi},  {"a.sgt", true, TMediaKind::Midi},
      {"voice.WMA", true, TMediaKind::WindowsMedia}, {"a.asf", true, TMediaKind::WindowsMedia},
      {"m.wmv", true, TMediaKind::WindowsMedia},   {"se.Ogg", true, TMediaKind::Ogg},
      {"se.wav", true, TMediaKind::Ogg},           {"CD_3", true, TMediaKind::CdAudio},
      {"CD_3.ogg", true, TMediaKind::Ogg},          {"cd_3", false, TMediaKind::Ogg},
      {"a.mp3", false, TMediaKind::Ogg},            {"dir.ogg\\file", false, TMediaKind::Ogg},
      {"", false, TMediaKind::Ogg},
  };
  for (const Case& c : cases) {
    TMediaKind kind = TMediaKind::Ogg;
    EXPECT_EQ(MediaKindOf(c.name, kind), c.known) << c.name;
    if (c.known) EXPECT_EQ(kind, c.kind) << c.name;
  }
}

class SoundTest : public scene_test::SceneFixture {
 protected:
  TOrvaSound* Sound(std::string_view name, std::string_view source, int32_t volume = 1000, int32_t delay = 0) {
    auto* sound = static_cast<TOrvaSound*>(Scene().CreateObject(LT_SOUND));
    sound->SetName(name);
    sound->SetSource(source);
    sound->SetVolume(volume);
    sound->SetDelay(delay);
    return sound;
  }
  FakeMediaItem* Item(TOrvaSound* sound) { return static_cast<FakeMediaItem*>(sound->Item()); }
  // One frame of the scene's update, `ms` later.
  void Frame(uint32_t ms = 16) {
    GameClock += ms;
    Scene().Idle();
  }
  std::vector<std::string> Events() {
    std::vector<std::string> events;
    TTimerList& queue = Scene().Events();
    for (int i = 0; i < queue.Count(); ++i) events.push_back(queue.GetEvent(i)->Handler);
    return events;
  }

  kit::FrameScope frames;
  kit::AvailableFiles files;
};

TEST_F(SoundTest, PlayMakesTheItemThroughTheManagerOfItsName) {
  struct Case {
    const char* source;
    bool made;
    TMediaKind kind;
  };
  files.Unavailable = {"missing.ogg", "CD_9"};
  media_.MissingFiles = {"gone.ogg"};
  media_.BadFiles = {"bad.wav"};
  media_.Missing = {TMediaKind::CdAudio};
  const Case cases[] = {
      {"bgm.ogg", true, TMediaKind::Ogg},        {"tune.mid", true, TMediaKind::Midi},
      {"voice.wma", true, TMediaKind::WindowsMedia}, {"missing.ogg", false, TMediaKind::Ogg},
      {"gone.ogg", false, TMediaKind::Ogg},      {"bad.wav", false, TMediaKind::Ogg},
      {"noise.mp3", false, TMediaKind::Ogg},     {"CD_2", false, TMediaKind::CdAudio},
  };
  for (const Case& c : cases) {
    TOrvaSound* sound = Sound(c.source, c.source);
    sound->Play(LP_PLAY);
    ASSERT_EQ(sound->Item() != nullptr, c.made) << c.source;
    EXPECT_EQ(sound->GetPlayState(), LP_PLAY);
    if (c.made) EXPECT_EQ(Item(sound)->Kind, c.kind) << c.source;
    if (!c.made) {
      EXPECT_EQ(sound->GetCount(), 0);
      EXPECT_EQ(sound->GetIndex(), 0);
      EXPECT_FALSE(sound->GetPlaying());
    }
  }
  // "CD_" tracks need no file, only their manager.
  media_.Missing.clear();
  TOrvaSound* cd = Sound("cd", "CD_9");
  cd->Play(LP_PLAY);
  ASSERT_NE(cd->Item(), nullptr);
  EXPECT_EQ(Item(cd)->Kind, TMediaKind::CdAudio);
}

TEST_F(SoundTest, PlayModes) {
  struct Case {
    const char* what;
    uint8_t mode;
    int32_t delay;
    bool itemBefore, paused;
    uint8_t state;
    bool playing, fader, scheduled;
  };
  const Case cases[] = {
      {"play", LP_PLAY, 0, false, false, LP_PLAY, true, false, false},
      {"play paused", LP_PLAY, 0, false, true, LP_PLAY, false, false, false},
      {"fade in", LP_PLAYFADE, 500, false, false, LP_PLAYFADE, false, true, false},
      {"fade in paused", LP_PLAYFADE, 500, false, true, LP_PLAYFADE, false, false, false},
      {"fade of 0 plays", LP_PLAYFADE, 0, false, false, LP_PLAY, true, false, false},
      {"negative fade plays", LP_PLAYFADE, -3, false, false, LP_PLAY, true, false, false},
      {"stop without item", LP_STOP, 0, false, false, LP_STOP, false, false, false},
      {"stop", LP_STOP, 0, true, false, LP_STOP, false, false, true},
      {"fade out without item", LP_STOPFADE, 500, false, false, LP_STOPFADE, false, false, true},
      {"fade out", LP_STOPFADE, 500, true, false, LP_STOPFADE, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TOrvaSound* sound = Sound("s", "bgm.ogg", 500, c.delay);
    if (c.itemBefore) sound->Play(LP_PLAY);
    sound->SetPaused(c.paused);
    sound->Play(c.mode);
    EXPECT_EQ(sound->GetPlayState(), c.state);
    EXPECT_EQ(sound->GetPlaying(), c.playing);
    EXPECT_EQ(sound->Fader() != nullptr, c.fader);
    EXPECT_EQ(sound->IsQueuedForFree(), c.scheduled);
    if (c.state == LP_PLAY && sound->Item()) EXPECT_EQ(Item(sound)->Volume, -2500);
    Frame();
  }
}

TEST_F(SoundTest, AFadeInRisesOnTheClockAndPlayDropsItWhereItStands) {
  TOrvaSound* sound = Sound("bgm", "bgm.ogg", 1000, 1000);
  sound->Play(LP_PLAYFADE);
  FakeMediaItem* item = Item(sound);
  EXPECT_FALSE(item->IsPlaying()) << "the fade starts it";
  Frame();
  EXPECT_TRUE(item->IsPlaying());
  EXPECT_EQ(item->Volume, -10000);
  Frame(500);
  EXPECT_EQ(item->Volume, -2500);
  // Play on an object with an item only drops the fade and keeps what was reached.
  sound->Play(LP_PLAY);
  EXPECT_EQ(sound->Fader(), nullptr);
  Frame(500);
  EXPECT_EQ(item->Volume, -2500);
  EXPECT_EQ(sound->Item(), item);
}

TEST_F(SoundTest, AFadeOutRenamesTheSoundAndFreesItWhenDone) {
  TOrvaSound* old = Sound("bgm", "a.ogg");
  const TWeakRef<TOrvaObject> oldRef(old);
  old->Play(LP_PLAY);
  FakeMediaItem* item = Item(old);
  old->SetDelay(1000);
  old->Play(LP_STOPFADE);
  EXPECT_EQ(old->GetName(), "\x01SCRAP_bgm");
  // A new sound takes the name while the old one fades.
  TOrvaSound* next = Sound("bgm", "b.ogg");
  EXPECT_FALSE(old->IsQueuedForFree());
  EXPECT_EQ(Scene().FindObject("bgm"), next);
  Frame();
  Frame(500);
  EXPECT_EQ(item->Volume, -2500);
  Frame(500);
  EXPECT_EQ(oldRef.Get(), nullptr);
  // Silenced, then given back to its manager.
  ASSERT_GE(media_.Log.size(), 2u);
  EXPECT_EQ(media_.Log[media_.Log.size() - 2], "a.ogg: volume -10000");
  EXPECT_EQ(media_.Log.back(), "a.ogg: removed");
  EXPECT_EQ(media_.Find("a.ogg"), nullptr);
}

TEST_F(SoundTest, AnItemFreedByItsManagerLeavesTheSoundWithout) {
  TOrvaSound* sound = Sound("s", "a.ogg");
  sound->Play(LP_PLAYFADE);
  media_.Items.clear();
  EXPECT_EQ(sound->Item(), nullptr);
  EXPECT_EQ(sound->GetIndex(), 0);
  EXPECT_FALSE(sound->GetPlaying());
  sound->SetVolume(3);
  sound->SetPaused(true);
  Frame();
}

TEST_F(SoundTest, TheEndCountsOncePerStartWhateverTheItemReports) {
  for (TEndReport report : {TEndReport::Latched, TEndReport::Rearmed, TEndReport::Every}) {
    SCOPED_TRACE(static_cast<int>(report));
    Scene().Events().Clear();
    TOrvaSound* sound = Sound("s", "se.ogg");
    sound->SetOnPlayEnd("end.osb");
    sound->Play(LP_PLAY);
    FakeMediaItem* item = Item(sound);
    item->EndReport = report;
    item->Finish();
    Frame();
    Frame();
    Frame();
    EXPECT_EQ(Events(), std::vector<std::string>{"end.osb"});
    EXPECT_TRUE(sound->Ended());
    // Each way of starting again makes the next end count.
    sound->SetIndex(0);
    item->Finish();
    Frame();
    sound->MediaPlay();
    item->Finish();
    Frame();
    Frame();
    sound->SetRepeat(true);  // at the end: rewound
    EXPECT_EQ(item->Position, 0);
    sound->SetRepeat(false);
    item->Finish();
    Frame();
    EXPECT_EQ(Events().size(), 4u);
    sound->FreeNow();
  }
}

TEST_F(SoundTest, AnEndWithoutHandlerStaysAndRepeatRewindsAtTheEnd) {
  TOrvaSound* sound = Sound("s", "se.ogg");
  sound->Play(LP_PLAY);
  FakeMediaItem* item = Item(sound);
  item->Finish();
  Frame();
  EXPECT_TRUE(sound->Ended());
  EXPECT_EQ(Scene().IndexOfObject(sound), 0);
  EXPECT_TRUE(Events().empty());
  sound->SetRepeat(true);
  EXPECT_EQ(item->Position, 0);
  EXPECT_FALSE(sound->Ended());
  // A repeating sound whose item ends anyway goes back to the start without an event.
  sound->SetOnPlayEnd("end.osb");
  item->Finish();
  Frame();
  EXPECT_EQ(item->Position, 0);
  EXPECT_TRUE(Events().empty());
}

TEST_F(SoundTest, AutoScrapFreesTheSoundAtItsEnd) {
  TOrvaSound* sound = Sound("s", "se.ogg");
  const TWeakRef<TOrvaObject> ref(sound);
  sound->SetAutoScrap(true);
  sound->SetOnPlayEnd("end.osb");
  sound->Play(LP_PLAY);
  Item(sound)->Finish();
  Frame();
  EXPECT_EQ(ref.Get(), nullptr);
  EXPECT_TRUE(Events().empty());
}

TEST_F(SoundTest, PausesSilenceAndResume) {
  TOrvaSound* sound = Sound("s", "bgm.ogg", 500);
  sound->Play(LP_PLAY);
  FakeMediaItem* item = Item(sound);
  sound->SetPaused(true);
  EXPECT_TRUE(item->Paused);
  EXPECT_EQ(item->Volume, -10000);
  sound->SetAniPaused(true);
  sound->SetPaused(false);
  EXPECT_TRUE(item->Paused) << "still held by ANIPAUSED";
  EXPECT_TRUE(sound->GetAniPaused());
  sound->SetAniPaused(false);
  EXPECT_TRUE(item->IsPlaying());
  EXPECT_EQ(item->Volume, -2500);
  // In a fade-in, resuming fades in again.
  sound->SetDelay(400);
  sound->Play(LP_PLAYFADE);
  EXPECT_EQ(sound->GetPlayState(), LP_PLAYFADE);
  sound->SetPaused(true);
  sound->SetPaused(false);
  ASSERT_NE(sound->Fader(), nullptr);
  EXPECT_FALSE(sound->Fader()->IsFadeOut());
}

TEST_F(SoundTest, IndexStartsTheItemUnlessPaused) {
  TOrvaSound* sound = Sound("s", "bgm.ogg");
  sound->SetIndex(1200);  // before the item: where it will start
  sound->Play(LP_PLAY);
  FakeMediaItem* item = Item(sound);
  EXPECT_EQ(item->Position, 1200);
  EXPECT_EQ(sound->GetIndex(), 1200);
  item->Pause();
  sound->SetIndex(300);
  EXPECT_TRUE(item->IsPlaying());
  sound->SetPaused(true);
  sound->SetIndex(100);
  EXPECT_FALSE(item->IsPlaying());
  EXPECT_EQ(item->Position, 100);
}

TEST_F(SoundTest, MediaPlayStartsAgainFromTheBeginning) {
  TOrvaSound* sound = Sound("s", "bgm.ogg", 1000, 0);
  sound->MediaPlay();
  FakeMediaItem* item = Item(sound);
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->IsPlaying());
  EXPECT_EQ(item->Volume, 0);
  item->Position = 5000;
  sound->SetDelay(800);
  sound->SetPaused(true);
  sound->MediaPlay();
  EXPECT_FALSE(sound->GetPaused());
  EXPECT_EQ(item->Position, 0);
  EXPECT_EQ(item->Volume, -10000);
  EXPECT_TRUE(item->Paused) << "the fade starts it";
  Frame();
  EXPECT_TRUE(item->IsPlaying());
}

TEST_F(SoundTest, PropertiesWithAndWithoutItem) {
  TOrvaSound* sound = Sound("s", "bgm.ogg", 1000);
  sound->SetBalance(20000);
  EXPECT_EQ(sound->GetBalance(), 10000);
  sound->SetBalance(-20000);
  EXPECT_EQ(sound->GetBalance(), -10000);
  EXPECT_EQ(sound->GetCompoType(), LT_SOUND);
  EXPECT_EQ(sound->GetPlayState(), LP_STOP);
  // The length without an item comes from a temporary one.
  const int made = media_.Made();
  EXPECT_EQ(sound->GetCount(), 10000);
  EXPECT_EQ(media_.Made(), made + 1);
  EXPECT_TRUE(media_.Items.empty());
  sound->Play(LP_PLAY);
  FakeMediaItem* item = Item(sound);
  EXPECT_EQ(item->Pan, -10000);
  sound->SetVolume(500);
  EXPECT_EQ(item->Volume, -2500);
  item->Length = 4321;
  EXPECT_EQ(sound->GetCount(), 4321);
  // A new source drops the item and starts nothing.
  sound->SetPaused(true);
  sound->SetSource("other.ogg");
  EXPECT_EQ(sound->Item(), nullptr);
  EXPECT_EQ(sound->GetPlayState(), LP_STOP);
  EXPECT_FALSE(sound->GetPaused());
  files.Unavailable = {"other.ogg"};
  EXPECT_EQ(sound->GetCount(), 0);
}

TEST_F(SoundTest, TheWaveListPausesWhatPlaysAndResumesWhatItPaused) {
  TOrvaSound* music = Sound("music", "bgm.ogg");
  TOrvaSound* held = Sound("held", "voice.ogg");
  music->Play(LP_PLAY);
  held->Play(LP_PLAY);
  held->SetPaused(true);
  TOrvaSound::SetWaveListEnabled(false);
  EXPECT_FALSE(Item(music)->IsPlaying());
  EXPECT_FALSE(Item(held)->IsPlaying());
  TOrvaSound::SetWaveListEnabled(true);
  EXPECT_TRUE(Item(music)->IsPlaying());
  EXPECT_FALSE(Item(held)->IsPlaying());
  // A sound paused by the script while the sound is off stays paused.
  TOrvaSound::SetWaveListEnabled(false);
  music->SetPaused(true);
  TOrvaSound::SetWaveListEnabled(true);
  EXPECT_FALSE(Item(music)->IsPlaying());
}

// ---- Saves ----

class SoundSaveTest : public SoundTest {
 protected:
  // The sound's stored form, read back into a new object.
  TOrvaSound* RoundTrip(TOrvaSound* sound, int version = 133) {
    TMemoryStream stream;
    sound->SaveToStream(stream);
    sound->FreeNow();
    stream.SetPosition(0);
    auto* loaded = static_cast<TOrvaSound*>(Scene().CreateObject(LT_SOUND));
    loaded->LoadFromStream(stream, version);
    EXPECT_EQ(stream.Remaining(), 0);
    return loaded;
  }
};

TEST_F(SoundSaveTest, ALoopingSoundResumesWhereItWas) {
  for (bool rewind : {false, true}) {
    TOrvaSound* sound = Sound("bgm", "bgm.ogg", 800, 300);
    sound->SetRepeat(true);
    sound->SetRewindOnLoad(rewind);
    sound->SetBalance(-300);
    sound->Play(LP_PLAY);
    Item(sound)->Position = 4200;
    TOrvaSound* loaded = RoundTrip(sound);
    FakeMediaItem* item = Item(loaded);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(loaded->GetName(), "bgm");
    EXPECT_EQ(item->Position, rewind ? 0 : 4200);
    EXPECT_TRUE(item->IsPlaying());
    EXPECT_TRUE(item->Loop);
    EXPECT_EQ(item->Pan, -300);
    EXPECT_EQ(item->Volume, -1000);
    EXPECT_EQ(loaded->GetDelay(), 300);
    loaded->FreeNow();
  }
}

TEST_F(SoundSaveTest, WhatIsSavedStoppedAndWhatIsNotSavedAtAll) {
  // A short effect that plays once is saved as stopped.
  TOrvaSound* effect = Sound("se", "click.wav");
  effect->Play(LP_PLAY);
  Item(effect)->Length = 2999;
  TOrvaSound* loaded = RoundTrip(effect);
  EXPECT_EQ(loaded->GetPlayState(), LP_STOP);
  EXPECT_EQ(loaded->Item(), nullptr);
  loaded->FreeNow();
  // From 3 s on it plays again.
  TOrvaSound* voice = Sound("voice", "voice.ogg");
  voice->Play(LP_PLAY);
  Item(voice)->Length = 3000;
  loaded = RoundTrip(voice);
  EXPECT_EQ(loaded->GetPlayState(), LP_PLAY);
  EXPECT_NE(loaded->Item(), nullptr);
  loaded->FreeNow();
  // A sound that fades out is not part of the scene's save.
  TOrvaSound* fading = Sound("bgm", "bgm.ogg", 1000, 500);
  fading->SetRepeat(true);
  fading->Play(LP_PLAY);
  fading->Play(LP_STOPFADE);
  TMemoryStream scene;
  Scene().SaveToStream(scene);
  scene.SetPosition(0);
  Scene().LoadFromStream(scene, 133);
  EXPECT_EQ(Scene().GetItemCount(), 0);
}

TEST_F(SoundSaveTest, MuteOnLoadAndAnEndedOrPausedSound) {
  TOrvaSound* sound = Sound("s", "bgm.ogg", 1000);
  sound->SetRepeat(true);
  sound->SetMuteOnLoad(true);
  sound->Play(LP_PLAY);
  sound->SetAniPaused(true);
  TOrvaSound* loaded = RoundTrip(sound);
  EXPECT_EQ(loaded->GetVolume(), 0);
  EXPECT_TRUE(loaded->GetAniPaused());
  EXPECT_TRUE(Item(loaded)->Paused);
  EXPECT_EQ(Item(loaded)->Volume, -10000);
  loaded->FreeNow();

  TOrvaSound* ended = Sound("e", "long.ogg");
  ended->SetOnPlayEnd("end.osb");
  ended->Play(LP_PLAY);
  Item(ended)->Finish();
  Frame();
  loaded = RoundTrip(ended);
  EXPECT_TRUE(loaded->Ended());
  EXPECT_EQ(loaded->GetPlayState(), LP_PLAY);
  EXPECT_EQ(loaded->Item(), nullptr) << "an ended sound is not started again";
}

TEST_F(SoundSaveTest, OlderSavesLackTheirLaterFields) {
  struct Case {
    int version;
    bool rewindByte, muteByte;
  };
  for (const Case& c : {Case{107, false, false}, Case{111, true, false}, Case{128, true, false}, Case{129, true, true}}) {
    SCOPED_TRACE(c.version);
    kit::Fields bytes;
    bytes.Str("bgm").Int(0).Int(0);           // name, priority, priority offset
    if (c.version >= 120) bytes.Str("tag");
    bytes.Str("bgm.ogg").Byte(1).Byte(0).Byte(0).Byte(0).Byte(0);  // source, repeat, scrap, paused x2, ended
    bytes.Int(600).Int(0).Int(0).Int(700).Byte(LP_PLAY).Str("end.osb");
    if (c.rewindByte) bytes.Byte(1);
    if (c.muteByte) bytes.Byte(1);
    TMemoryStream stream(bytes.Bytes());
    auto* sound = static_cast<TOrvaSound*>(Scene().CreateObject(LT_SOUND));
    sound->LoadFromStream(stream, c.version);
    EXPECT_EQ(stream.Remaining(), 0);
    EXPECT_EQ(sound->GetRewindOnLoad(), c.rewindByte);
    EXPECT_EQ(sound->GetMuteOnLoad(), c.muteByte);
    EXPECT_EQ(sound->GetVolume(), c.muteByte ? 0 : 600);
    EXPECT_EQ(Item(sound)->Position, c.rewindByte ? 0 : 700);
    EXPECT_EQ(sound->GetOnPlayEnd(), "end.osb");
    sound->FreeNow();
  }
}

}  // namespace
}  // namespace orva
