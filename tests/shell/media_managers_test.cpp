#include "shell/media_managers.h"

#include <gtest/gtest.h>

#include "../core/temp_dir.h"
#include "core/encoding.h"
#include "core/exceptions.h"
#include "fake_orva_library.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/media_files.h"
#include "platform/audio_output.h"
#include "platform/message_box.h"
#include "scene/scene_services.h"
#include "shell/dx_sound.h"
#include "shell/media_library.h"
#include "shell/media_system.h"
#include "shell/sound_settings.h"
#include "shell/wav_out.h"

namespace orva {
namespace {

using testing::FakeOrvaLibrary;

class MediaManagersTest : public ::testing::Test {
 protected:
  MediaManagersTest() {
    UseDirectSound = true;
    DirectSoundRequested = false;
    files.Add("bgm.ogg", "ogg bytes").Add("se.wav", "wav bytes").Add("voice.wma", "wma bytes");
  }
  ~MediaManagersTest() override {
    UseDirectSound = true;
    DirectSoundRequested = false;
    MainDXSound = nullptr;
    DirectSoundObject = nullptr;
  }
  FakeOrvaLibrary library;
  kit::GameFiles files;
};

// Algorithms of pausing, over the item's state and the manager's.
TEST_F(MediaManagersTest, PauseAllAndResumeAllActOnPlayingItemsOnly) {
  struct Case {
    bool playing, paused, ended;
    bool pausedAfter, playingAfterResume;
  };
  const Case cases[] = {
      {true, false, false, true, true},     // playing: paused, then played again
      {true, true, false, true, false},     // already paused: stays paused
      {false, false, true, false, false},   // ended: left alone
      {false, false, false, false, false},  // never played
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::tuple{c.playing, c.paused, c.ended}));
    TWmpManager manager;
    TWmpItem* item = manager.Add("voice.wma");
    FakeOrvaLibrary::Sound& s = library.Last();
    s.playing = c.playing || c.paused;
    s.paused = c.paused;
    s.ended = c.ended;
    manager.PauseAll();
    EXPECT_TRUE(manager.Paused);
    EXPECT_EQ(s.paused, c.pausedAfter);
    manager.PauseAll();  // already paused: nothing
    manager.ResumeAll();
    EXPECT_FALSE(manager.Paused);
    EXPECT_EQ(item->IsPlaying() && !item->IsPaused(), c.playingAfterResume);
  }
}

TEST_F(MediaManagersTest, SoundSwitchAndForegroundOverlap) {
  TOggManager manager;
  TCustomOggItem* item = manager.Add("bgm.ogg");
  item->Play();
  // Off: paused; foreground changes do nothing while off; on: plays again.
  manager.SetEnabled(false);
  EXPECT_TRUE(item->IsPaused());
  manager.PauseAll();
  manager.ResumeAll();
  EXPECT_TRUE(item->IsPaused());
  // Played while off, a second item waits for the switch.
  TCustomOggItem* second = manager.Add("se.wav");
  library.calls.clear();
  second->Play();
  EXPECT_EQ(library.calls, std::vector<std::string>{});
  EXPECT_FALSE(second->IsPlaying());
  manager.SetEnabled(true);
  EXPECT_TRUE(item->IsPlaying());
  EXPECT_TRUE(second->IsPlaying());
  manager.SetEnabled(true);  // unchanged: nothing
}

TEST_F(MediaManagersTest, EndIsReportedOnceAndPausingKeepsTheReport) {
  TWmpManager wmp;
  TOggManager ogg;
  TDMediaItem* items[] = {wmp.Add("voice.wma"), ogg.Add("bgm.ogg")};
  for (TDMediaItem* item : items) item->Play();
  library.Advance(1000);
  // The pause of an application switch must not take the report away from the scene.
  wmp.PauseAll();
  ogg.PauseAll();
  for (TDMediaItem* item : items) {
    EXPECT_TRUE(item->IsEnd());
    EXPECT_FALSE(item->IsEnd());
  }
  // A Windows Media sound can report again after a new position; an Ogg sound cannot.
  for (TDMediaItem* item : items) {
    item->SetPosition(-50);
    item->Play();
  }
  EXPECT_EQ(library.sounds.begin()->second.position, 0);
  library.Advance(2000);
  EXPECT_TRUE(items[0]->IsEnd());
  EXPECT_FALSE(items[1]->IsEnd());
}

TEST_F(MediaManagersTest, NamesChooseTheDecoderAndTheFile) {
  testing::TempDir dir;
  dir.Write("real.ogg", "OggS");
  files.Add("bgm.OGG", "x").Add("bgm.ogx", "x").Add("movie.WMV", "wmv bytes").Add("clip.mpg", "mpg bytes");
  TOggManager ogg;
  for (auto [name, isOgg] : {std::pair{"bgm.OGG", true}, {"se.wav", false}, {"bgm.ogx", false}}) {
    ogg.Add(name);
    EXPECT_EQ(library.Last().isOgg, isOgg) << name;
  }
  ogg.Add(dir.Game("real.ogg"));
  EXPECT_EQ(static_cast<TStream*>(library.Last().stream)->GetSize(), 4);
  try {
    ogg.Add("none.ogg");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "none.ogg" + Sjis(":ファイルがありません"));
  }
  EXPECT_THROW(ogg.Add(dir.Game("none.ogg")), Exception);

  TVideoManager video;
  video.Add("movie.WMV", false);
  // Windows Media video is played from a real file with the same bytes.
  EXPECT_EQ(testing::TempDir::ReadOs(OsPath(library.Last().fileName)), "wmv bytes");
  EXPECT_FALSE(library.Last().surface);
  video.Add("clip.mpg", true);
  EXPECT_EQ(library.Last().fileName, files.Manager().Directory() + "clip.mpg");
  EXPECT_EQ(static_cast<TStream*>(library.Last().stream)->GetSize(), 9);
  EXPECT_TRUE(library.Last().surface);
}

TEST_F(MediaManagersTest, RemoveAndClearFreeTheirItems) {
  TWmpManager manager;
  TWmpItem* a = manager.Add("voice.wma");
  manager.Add("voice.wma");
  EXPECT_EQ(library.Last().data, "wma bytes");
  TWmpManager other;
  other.Remove(a);  // not its item
  EXPECT_EQ(manager.Count(), 2);
  manager.Remove(a);
  EXPECT_EQ(manager.Count(), 1);
  manager.Clear();
  EXPECT_EQ(manager.Count(), 0);
  EXPECT_TRUE(library.sounds.empty());
}

TEST_F(MediaManagersTest, DirectSoundIsRequestedOnceAndItsFailureSwallowed) {
  SetAudioBackend(TAudioBackend::Headless);
  int window = 0;
  TDXSound sound(&window);
  int initializations = 0;
  sound.OnInitialize = [&](TDXSound&) { ++initializations; };
  MainDXSound = &sound;
  TWmpManager wmp;
  TOggManager ogg;
  wmp.Add("voice.wma");
  ogg.Add("bgm.ogg");
  EXPECT_EQ(initializations, 1);
  EXPECT_EQ(DirectSoundObject, sound.DSound()->IDirectSound());
  sound.Finalize();
  EXPECT_EQ(DirectSoundObject, nullptr);

  DirectSoundRequested = false;
  TDXSound orphan(nullptr);  // its initialisation raises
  MainDXSound = &orphan;
  EXPECT_NO_THROW(wmp.Add("voice.wma"));
  EXPECT_EQ(DirectSoundObject, nullptr);
}

TEST_F(MediaManagersTest, RejectedPcmRaisesItsMessage) {
  UseDirectSound = false;
  library.rejectPcm = true;
  TOggManager manager;
  try {
    manager.Add("bgm.ogg");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), Sjis("サウンドデータが不正です"));
  }
  EXPECT_EQ(manager.Count(), 0);
  EXPECT_EQ(library.calls.back(), "orvaOggStrmanDel");
}

TEST_F(MediaManagersTest, StartAndStopInOrder) {
  std::vector<std::string> order;
  MediaSystemHooks.CreateScreenManager = [&](int w, int h, int fw, int fh) {
    order.push_back("screen " + std::to_string(w) + "x" + std::to_string(h) + " " + std::to_string(fw) + "x" + std::to_string(fh));
  };
  MediaSystemHooks.FreeScreenManager = [&] {
    order.push_back("free screen");
    EXPECT_TRUE(VideoManager && WmpManager && OggManager);
  };
  MediaSystemHooks.CreateCddaManager = [&] {
    order.push_back("cdda");
    EXPECT_TRUE(VideoManager && WmpManager && OggManager);
  };
  MediaSystemHooks.CreateMidiManager = [&] { order.push_back("midi"); };
  MediaSystemHooks.FreeCddaManager = [&] {
    order.push_back("free cdda");
    EXPECT_FALSE(VideoManager || WmpManager || OggManager);
  };
  MediaSystemHooks.FreeMidiManager = [&] {
    order.push_back("free midi");
    EXPECT_EQ(library.calls.back(), "orvaOggmanDel");
  };
  int window = 0, panel = 0;
  StartMediaSystem(&window, &panel, 640, 480, 800, 600);
  EXPECT_EQ(library.calls, (std::vector<std::string>{"orvaInit 0", "orvaOggmanSetUseThread -1"}));
  EXPECT_EQ(*library.formHandle, &window);
  EXPECT_EQ(*library.panelHandle, &panel);
  EXPECT_EQ(library.soundDevice, &DirectSoundObject);
  EXPECT_EQ(library.read, &OrvaStreamRead);
  OggManager->Add("bgm.ogg");
  StopMediaSystem();
  EXPECT_EQ(order, (std::vector<std::string>{"screen 640x480 800x600", "cdda", "midi", "free screen", "free cdda", "free midi"}));
  EXPECT_EQ(library.calls.back(), "orvaFinal");
  MediaSystemHooks = {};
  // Without a screen size no screen manager is made.
  order.clear();
  MediaSystemHooks.CreateScreenManager = [&](int, int, int, int) { order.push_back("screen"); };
  StartMediaSystem(&window, &panel, 0, 480, 0, 0);
  StopMediaSystem();
  EXPECT_TRUE(order.empty());
  MediaSystemHooks = {};
}

TEST_F(MediaManagersTest, SceneSwitchReachesEveryManager) {
  std::vector<std::string> order;
  MediaSystemHooks.SetWaveListEnabled = [&](bool on) { order.push_back(on ? "wave on" : "wave off"); };
  MediaSystemHooks.SetCddaEnabled = [&](bool on) { order.push_back(on ? "cdda on" : "cdda off"); };
  StartMediaSystem(nullptr, nullptr, 0, 0, 0, 0);
  MediaSceneService().SetAudioEnabled(false);
  EXPECT_FALSE(WmpManager->Enabled);
  EXPECT_FALSE(OggManager->Enabled);
  MediaSceneService().SetAudioEnabled(true);
  EXPECT_TRUE(OggManager->Enabled);
  StopMediaSystem();
  EXPECT_EQ(order, (std::vector<std::string>{"wave off", "cdda off", "wave on", "cdda on"}));
  MediaSystemHooks = {};
}

TEST_F(MediaManagersTest, VersionOtherThan108EndsTheProgram) {
  TScriptedMessageBox boxes;
  TMessageBoxScope scope(boxes);
  EXPECT_TRUE(BindOrvaLibrary());
  library.version = 107;
  EXPECT_FALSE(BindOrvaLibrary());
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "orva.dllのバージョンがあいません");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
}

TEST(MediaLibraryCallbacks, StreamsThroughTheirCallbacks) {
  TMemoryStream stream(std::string("0123456789"));
  EXPECT_EQ(OrvaStreamGetSize(&stream), 10);
  EXPECT_EQ(OrvaStreamSeek(&stream, 4), 4);
  char buffer[4];
  EXPECT_EQ(OrvaStreamRead(&stream, buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), "4567");
  EXPECT_EQ(OrvaStreamGetPosition(&stream), 8);
  for (int64_t value : {OrvaStreamGetSize(nullptr), OrvaStreamRead(nullptr, buffer, 4), OrvaStreamGetPosition(nullptr),
                        OrvaStreamSeek(nullptr, 3)})
    EXPECT_EQ(value, 0);
}

// The wave-output kind through our module and the headless output.
class WaveItemTest : public ::testing::Test {
 protected:
  WaveItemTest() {
    SetAudioBackend(TAudioBackend::Headless);
    UseDirectSound = false;
    SoundDelayTime = 100;
    InitOrvaLibrary();
    const std::vector<int16_t> tone = kit::Tone(2, 44100, 4410, 440);
    files.Add("se.wav", kit::RiffWave().Pcm(2, 44100, 16).Data(kit::Samples16(tone)).Bytes());
  }
  ~WaveItemTest() override {
    OrvaLib().orvaFinal();
    UseDirectSound = true;
    SoundDelayTime = 500;
  }
  void Run(uint32_t ms) {
    for (uint32_t done = 0; done < ms; done += 10) {
      clock.milliseconds += 10;
      HeadlessAudioPull(10);
    }
  }
  kit::VirtualClock clock;
  kit::GameFiles files;
};

TEST_F(WaveItemTest, VolumePositionAndLooping) {
  TOggManager manager;
  auto* item = dynamic_cast<TOggWaveItem*>(manager.Add("se.wav"));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->GetLen(), 100);
  for (auto [volume, scaled] : {std::pair{-6000, 0}, {-5000, 0}, {-2500, 128}, {0, 256}}) {
    item->SetVol(volume);
    EXPECT_EQ(item->GetVol(), volume);
    EXPECT_EQ(item->Source()->Volume(), scaled) << volume;
  }
  // 33 ms of 176400 bytes/s is 5821.2 bytes: the start of frame 1455. (Long after any
  // mix the position is the source's own.)
  clock.milliseconds = 100000;
  item->SetPosition(33);
  EXPECT_EQ(item->Source()->GetPosition(), 5820);
  item->SetPosition(100000);
  EXPECT_EQ(item->Source()->GetPosition(), 17640);
  item->SetPosition(0);
  item->SetAutoRepeat(true);
  item->Play();
  EXPECT_TRUE(item->IsPlaying());
  // Past its end the looping sound goes on (its reads end right at its end: it is one block
  // long); one that was ended before it was set to loop starts again once polled.
  Run(500);
  EXPECT_FALSE(item->Source()->Stopped());
  EXPECT_FALSE(item->Source()->IsEnd());
  EXPECT_FALSE(item->IsEnd());
  item->SetAutoRepeat(false);
  Run(500);
  EXPECT_TRUE(item->Source()->IsEnd());
  item->SetAutoRepeat(true);
  EXPECT_FALSE(item->IsEnd());
  EXPECT_FALSE(item->Source()->IsEnd());
  item->Pause();
  EXPECT_TRUE(item->IsPaused());
  EXPECT_FALSE(item->IsPlaying());
}

}  // namespace
}  // namespace orva
