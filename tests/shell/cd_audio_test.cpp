// CD audio: the player on a fake drive, the libcdio device on a kit-made image, the system
// mixer's tree, and the CD items and their manager.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cd_test_kit.h"
#include "kit/cd_image.h"
#include "kit/media_files.h"
#include "platform/audio_output.h"
#include "platform/temp_dir.h"
#include "shell/audio_mixer.h"
#include "shell/cd_player.h"
#include "shell/cdda_manager.h"

namespace orva {
namespace {

using testing::FakeCdSystem;

constexpr int32_t Sec(int minutes, int seconds) { return (minutes * 60 + seconds) * 75; }

TEST(CdPlayer, PlaysATrackUpToASecondBeforeItsEnd) {
  FakeCdSystem cd;
  cd.discs["/dev/sr0"] = {{Sec(1, 0), Sec(0, 30), Sec(4, 5)}};
  TCDP player(cd);
  EXPECT_EQ(player.Drives, cd.drives);
  EXPECT_EQ(player.GetMode(), TCDP::mdNotReady);
  EXPECT_EQ(player.GetTrackCount(), 0);
  player.Open(0);
  EXPECT_EQ(player.GetTrackCount(), 3);
  EXPECT_EQ(player.GetTrackLength(3), 245);
  EXPECT_EQ(player.GetMode(), TCDP::mdStopped);
  player.PlayList = {3};
  player.PlayTrack(0);
  // 03:00:00:00 to 03:04:04:00.
  EXPECT_EQ(cd.plays.back(), (FakeCdSystem::Play{"/dev/sr0", 3, 0, 3, Sec(4, 4)}));
  EXPECT_EQ(player.GetMode(), TCDP::mdPlaying);
  player.SeekPlay(3, 125);
  EXPECT_EQ(cd.plays.back(), (FakeCdSystem::Play{"/dev/sr0", 3, Sec(2, 5), 3, Sec(4, 4)}));
  cd.frame = Sec(2, 10) + 74;
  EXPECT_EQ(player.GetPosition(), 130);
  // Past the length nothing plays.
  player.SeekPlay(3, 300);
  EXPECT_TRUE(player.LastError);
  EXPECT_EQ(player.GetMode(), TCDP::mdStopped);
  player.PlayTrack(1);  // no such entry
  EXPECT_EQ(cd.plays.size(), 3u);
}

TEST(CdPlayer, AnEndGoesOnRepeatsOrRewinds) {
  struct Case {
    const char* what;
    std::vector<int> list;
    int index;
    bool repeat;
    std::vector<FakeCdSystem::Play> plays;  // after the end
    std::vector<std::pair<int, int32_t>> seeks;
    int mode;
  };
  const Case cases[] = {
      {"the next entry", {1, 2}, 0, false, {{"/dev/sr0", 2, 0, 2, Sec(0, 29)}}, {}, TCDP::mdPlaying},
      {"the first again", {2}, 0, true, {{"/dev/sr0", 2, 0, 2, Sec(0, 29)}}, {{2, 0}}, TCDP::mdPlaying},
      {"rewound", {2, 1}, 1, false, {}, {{2, 0}}, TCDP::mdStopped},
      {"nothing left to play", {}, 0, true, {}, {}, TCDP::mdStopped},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeCdSystem cd;
    cd.discs["/dev/sr0"] = {{Sec(1, 0), Sec(0, 30)}};
    TCDP player(cd);
    player.Open(0);
    player.Idle(0);
    player.PlayList = c.list;
    player.Repeat = c.repeat;
    if (!c.list.empty()) player.PlayTrack(c.index);
    cd.plays.clear();
    cd.Complete();
    player.Idle(10);
    EXPECT_EQ(cd.plays, c.plays);
    EXPECT_EQ(cd.seeks, c.seeks);
    EXPECT_EQ(player.GetMode(), c.mode);
    EXPECT_EQ(player.PlayIndex, c.list.empty() ? 0 : c.plays.empty() ? 0 : c.list.size() > 1 ? 1 : 0);
  }
}

TEST(CdPlayer, NoticesADiscWithinSixTicksAndItsRemoval) {
  FakeCdSystem cd;
  cd.discs["/dev/sr0"] = {{Sec(1, 0), Sec(2, 0), Sec(3, 0)}, false};
  TCDP player(cd);
  int discIns = 0;
  player.OnDiscIn = [&] { ++discIns; };
  player.Open(0);
  player.PlayList = {2};
  player.Idle(1000);
  cd.discs["/dev/sr0"].present = true;
  player.Idle(1000 + 5 * 200);
  EXPECT_EQ(discIns, 0);
  EXPECT_EQ(player.PlayList, std::vector<int>{2});
  player.Idle(1000 + 6 * 200);
  EXPECT_EQ(discIns, 1);
  EXPECT_EQ(player.PlayList, (std::vector<int>{1, 2, 3}));
  cd.discs["/dev/sr0"].present = false;
  player.Idle(1000 + 7 * 200);
  EXPECT_TRUE(player.PlayList.empty());
  EXPECT_EQ(player.GetMode(), TCDP::mdNotReady);
}

TEST(CdPlayer, WithoutDrivesNothingOpens) {
  FakeCdSystem cd;
  cd.drives.clear();
  TCDP player(cd);
  EXPECT_TRUE(player.Drives.empty());
  player.Open(0);
  EXPECT_FALSE(player.IsOpen());
  EXPECT_TRUE(cd.openedDrives.empty());
}

// ---- the libcdio device on an image ----

class CdImageTest : public ::testing::Test {
 protected:
  CdImageTest() {
    SetAudioBackend(TAudioBackend::Headless);
    SetHeadlessAudioCapture(true);
  }
  ~CdImageTest() override {
    SetHeadlessAudioCapture(false);
    SetCdLineLevels(65535, 65535, false);
    RemoveDirectoryWithFiles(dir);
  }
  std::vector<int16_t> Pull(uint32_t ms) {
    TakeHeadlessAudio();
    for (uint32_t done = 0; done < ms; done += 10) HeadlessAudioPull(10);
    return TakeHeadlessAudio();
  }
  std::string dir = MakePrivateTempDirectory("orva-cd-");
};

TEST_F(CdImageTest, TracksLengthsAndTheSamplesPlayed) {
  const std::vector<int16_t> first = kit::Tone(2, 44100, 44100 * 3 / 2, 440);
  const std::vector<int16_t> second = kit::Tone(2, 44100, 44100 * 11 / 5, 660, 9000);
  const std::string cue = kit::WriteCdImage(dir, "disc", {first, second});
  auto system = MakeLibcdioSystem({cue});
  EXPECT_EQ(system->Drives(), std::vector<std::string>{cue});
  auto device = system->Open(cue);
  ASSERT_TRUE(device);
  EXPECT_TRUE(device->MediaPresent());
  EXPECT_EQ(device->TrackCount(), 2);
  EXPECT_EQ(device->TrackLength(1), 113);  // 1.5 s in whole sectors
  EXPECT_EQ(device->TrackLength(2), 165);
  EXPECT_EQ(device->TrackLength(3), 0);
  EXPECT_FALSE(device->Play(2, 165, 2, 165));

  ASSERT_TRUE(device->Play(2, 0, 2, 165));
  EXPECT_TRUE(device->Playing());
  const std::vector<int16_t> heard = Pull(2300);
  const std::vector<int16_t> want = kit::SectorFilled(second);
  ASSERT_GE(heard.size(), want.size());
  EXPECT_TRUE(std::equal(want.begin(), want.end(), heard.begin()));
  EXPECT_FALSE(device->Playing());
  EXPECT_TRUE(device->TakeCompleted());
  EXPECT_FALSE(device->TakeCompleted());

  // The CD line's levels scale it; its mute silences it.
  SetCdLineLevels(32768, 0, false);
  ASSERT_TRUE(device->Play(1, 75, 1, 113));
  int track = 0;
  int32_t frame = 0;
  device->Position(track, frame);
  EXPECT_EQ(track, 1);
  EXPECT_EQ(frame, 75);
  const std::vector<int16_t> scaled = Pull(100);
  for (size_t i = 0; i < 4410; ++i) {
    ASSERT_NEAR(scaled[i * 2], first[(44100 + i) * 2] / 2, 1) << i;
    ASSERT_EQ(scaled[i * 2 + 1], 0);
  }
  SetCdLineLevels(65535, 65535, true);
  for (int16_t v : Pull(50)) ASSERT_EQ(v, 0);
  device->Stop();
  EXPECT_FALSE(device->TakeCompleted());
}

TEST_F(CdImageTest, AMissingImageDoesNotOpen) {
  auto system = MakeLibcdioSystem({dir + "/none.cue"});
  EXPECT_FALSE(system->Open(dir + "/none.cue"));
}

// ---- the system mixer ----

struct MixerTree {
  std::shared_ptr<TMemoryMixer> mixer = std::make_shared<TMemoryMixer>();
  uint32_t dest, cd, mic, volume, mute, mux;
};

// A destination with a multiplexer selecting among its sources; the CD line has a mono
// volume and no mute of its own.
MixerTree RecordingTree(uint32_t listType) {
  MixerTree t;
  t.dest = t.mixer->AddDestination(0x2003, 2, "Recording");
  t.mic = t.mixer->AddSource(0, 0x1003, 1, "Mic");
  t.cd = t.mixer->AddSource(0, kMixerComponentCompactDisc, 1, "CD");
  t.volume = t.mixer->AddControl(t.cd, kMixerControlVolume, 0, {30000});
  t.mixer->AddControl(t.mic, kMixerControlVolume, 0, {1000});
  t.mux = t.mixer->AddControl(t.dest, listType, kMixerControlFlagUniform | kMixerControlFlagMultiple, {1, 0},
                              {{t.mic, "Mic"}, {t.cd, "CD"}});
  return t;
}

TEST(AudioMixer, ReadsAndWritesLines) {
  TMemoryMixerSystem system;
  MixerTree playback;
  playback.dest = playback.mixer->AddDestination(kMixerComponentSpeakers, 2, "Out");
  playback.cd = playback.mixer->AddSource(0, kMixerComponentCompactDisc, 2, "CD");
  playback.volume = playback.mixer->AddControl(playback.cd, kMixerControlVolume, 0, {40000, 20000});
  playback.mute = playback.mixer->AddControl(playback.cd, kMixerControlMute, kMixerControlFlagUniform | kMixerControlFlagDisabled, {1});
  MixerTree recording = RecordingTree(kMixerControlMultiplexer);
  system.Mixers = {playback.mixer, recording.mixer};

  TAudioMixer mixer(system);
  EXPECT_EQ(mixer.MixerCount(), 2);
  EXPECT_EQ(mixer.MixerId(), 0);
  ASSERT_EQ(mixer.Destinations().size(), 1u);
  EXPECT_EQ(mixer.Destination(1), nullptr);
  EXPECT_EQ(mixer.Destinations()[0].Connection(1), nullptr);
  TMixerVolume v;
  ASSERT_TRUE(mixer.GetVolume(0, 0, v));
  EXPECT_EQ(std::tuple(v.Left, v.Right, v.Mute, v.Stereo, v.VolumeDisabled, v.MuteDisabled, v.Selected),
            std::tuple(40000, 20000, 1, true, false, true, false));
  EXPECT_FALSE(mixer.GetVolume(0, -1, v));  // the destination line has no controls
  EXPECT_FALSE(mixer.GetVolume(0, 3, v));
  // Right -1 is the left.
  ASSERT_TRUE(mixer.SetVolume(0, 0, 0, -1, 5000));
  EXPECT_EQ(playback.mixer->Values(playback.volume), (std::vector<uint32_t>{5000, 5000}));
  EXPECT_EQ(playback.mixer->Values(playback.mute), std::vector<uint32_t>{0});
  mixer.SetVolume(0, 0, -1, 7, -1);  // neither
  EXPECT_EQ(playback.mixer->Values(playback.volume), (std::vector<uint32_t>{5000, 5000}));

  // A mono volume; the mute is the destination's selection.
  mixer.SetMixerId(1);
  ASSERT_TRUE(mixer.GetVolume(0, 1, v));
  EXPECT_EQ(std::tuple(v.Left, v.Right, v.Mute, v.Stereo, v.Selected), std::tuple(30000, 30000, 0, false, true));
  ASSERT_TRUE(mixer.SetVolume(0, 1, 1, -1, 100));
  EXPECT_EQ(recording.mixer->Values(recording.volume), std::vector<uint32_t>{100});
  EXPECT_EQ(recording.mixer->Values(recording.mux), (std::vector<uint32_t>{0, 1}));  // a multiplexer selects one

  MixerTree mixing = RecordingTree(kMixerControlMixer);
  system.Mixers = {mixing.mixer};
  TAudioMixer second(system);
  second.SetVolume(0, 1, 1, -1, -1);
  EXPECT_EQ(mixing.mixer->Values(mixing.mux), (std::vector<uint32_t>{1, 1}));  // a mixer takes several

  // Opens are tried three times; lines whose query fails are left out.
  system.FailedOpens = 2;
  mixing.mixer->FailingLine = mixing.mic;
  second.SetMixerId(0);
  EXPECT_EQ(second.MixerId(), 0);
  EXPECT_EQ(second.Destinations()[0].Connections.size(), 1u);
  system.FailedOpens = 3;
  second.SetMixerId(0);
  EXPECT_EQ(second.MixerId(), -1);
  EXPECT_FALSE(second.GetVolume(0, 0, v));
  EXPECT_FALSE(second.SetVolume(0, 0, 0, 0, 0));

  TMemoryMixerSystem none;
  TAudioMixer without(none);
  EXPECT_EQ(without.MixerId(), -1);
  EXPECT_FALSE(without.GetVolume(0, 0, v));
}

// ---- CD items and their manager ----

class CddaManagerTest : public ::testing::Test {
 protected:
  CddaManagerTest() {
    cd.discs["/dev/sr1"] = {{Sec(3, 0), Sec(4, 0), Sec(5, 0), Sec(1, 0), Sec(2, 30)}};
    cd.discs["/dev/sr0"] = {{}};  // a data disc: no tracks
    // The first mixer has no CD line; the second has one in its second destination.
    auto plain = std::make_shared<TMemoryMixer>();
    plain->AddDestination(kMixerComponentSpeakers, 2, "Out");
    plain->AddSource(0, 0x1003, 2, "Line");
    cdMixer = std::make_shared<TMemoryMixer>();
    cdMixer->AddDestination(kMixerComponentSpeakers, 2, "Out");
    cdMixer->AddDestination(kMixerComponentSpeakers, 2, "Out 2");
    cdMixer->AddSource(1, 0x1003, 2, "Line");
    const uint32_t line = cdMixer->AddSource(1, kMixerComponentCompactDisc, 2, "CD");
    const uint32_t later = cdMixer->AddSource(1, kMixerComponentCompactDisc, 2, "CD 2");
    volume = cdMixer->AddControl(line, kMixerControlVolume, 0, {40000, 20000});
    mute = cdMixer->AddControl(line, kMixerControlMute, kMixerControlFlagUniform, {0});
    cdMixer->AddControl(later, kMixerControlVolume, 0, {1, 1});
    mixers.Mixers = {plain, cdMixer};
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  }
  ~CddaManagerTest() override {
    manager.reset();
    RemoveDirectoryWithFiles(config + "/orva-player");
    RemoveDirectoryWithFiles(config);
  }
  TCddaManager& Make(std::string key = {}) {
    manager = std::make_unique<TCddaManager>(std::move(key), cd, mixers);
    return *manager;
  }
  FakeCdSystem cd;
  TMemoryMixerSystem mixers;
  std::shared_ptr<TMemoryMixer> cdMixer;
  uint32_t volume = 0, mute = 0;
  std::string config = MakePrivateTempDirectory("orva-config-");
  std::unique_ptr<TCddaManager> manager;
};

TEST_F(CddaManagerTest, ChoosesTheFirstDriveWithTracksOnceAndTheFirstCdLine) {
  TCddaManager& m = Make();
  EXPECT_EQ(m.DriveState, TCddaManager::dsNotChosen);
  TCddaItem* item = m.Add("CD_2");
  EXPECT_EQ(item->GetLen(), 240000);
  EXPECT_EQ(m.DriveState, 1);
  EXPECT_EQ(cd.openedDrives, (std::vector<std::string>{"/dev/sr0", "/dev/sr1"}));
  EXPECT_EQ(std::tuple(m.CdLineDest, m.CdLineIndex, m.SavedLeft, m.SavedRight, m.SavedMute), std::tuple(1, 1, 40000, 20000, 0));
  EXPECT_EQ(m.Mixer->MixerId(), 1);
  item->Play();
  EXPECT_TRUE(item->IsPlaying());
  EXPECT_EQ(cd.plays.back().fromTrack, 2);

  struct Case {
    const char* name;
    int track;
  };
  for (const Case& c : {Case{"CD_7", 7}, {"CD_12", 12}, {"CD_x", -1}, {"CD_", -1}, {"CD", -1}, {"CD_-3", -3}})
    EXPECT_EQ(m.Add(c.name)->TrackNumber(), c.track) << c.name;
  // A track past the disc's does not take the player; a negative one never plays.
  TCddaItem* past = m.Add("CD_9");
  past->Play();
  EXPECT_EQ(m.Current, nullptr);
  EXPECT_FALSE(past->IsPlaying());
}

TEST_F(CddaManagerTest, TheUsersDriveSettingIsTriedAlone) {
  std::filesystem::create_directories(config + "/orva-player");
  struct Case {
    std::string value;
    std::vector<std::string> opened;
    int state;
  };
  for (const Case& c : {Case{"/dev/sr1", {"/dev/sr1"}, 1}, {"/dev/sr0", {"/dev/sr0"}, -2}, {"E", {"/dev/sr0", "/dev/sr1"}, 1}}) {
    SCOPED_TRACE(c.value);
    std::ofstream(config + "/orva-player/registry.ini") << "[Software\\Maker\\Demo]\r\nCDDrive=" << c.value << "\r\n";
    cd.openedDrives.clear();
    TCddaManager& m = Make("Maker\\Demo");
    EXPECT_EQ(m.ReadDriveSetting(), c.value.size() == 1 ? c.value + ":" : c.value);
    TCddaItem* item = m.Add("CD_1");
    item->Play();
    EXPECT_EQ(cd.openedDrives, c.opened);
    EXPECT_EQ(m.DriveState, c.state);
    // Chosen once: once the current item is gone, the next play opens that drive again, or
    // nothing.
    m.Remove(item);
    EXPECT_FALSE(m.Player->IsOpen());
    cd.openedDrives.clear();
    m.Add("CD_2")->Play();
    EXPECT_EQ(cd.openedDrives, c.state >= 0 ? std::vector<std::string>{"/dev/sr1"} : std::vector<std::string>{});
  }
}

TEST_F(CddaManagerTest, WithoutTracksOrDrivesItemsStaySilent) {
  cd.discs["/dev/sr1"].tracks.clear();
  TCddaManager& m = Make();
  TCddaItem* item = m.Add("CD_1");
  item->Play();
  EXPECT_EQ(m.DriveState, TCddaManager::dsNone);
  EXPECT_EQ(item->GetLen(), 0);
  EXPECT_EQ(item->GetPosition(), 0);
  EXPECT_FALSE(item->IsPlaying());
  cd.openedDrives.clear();
  item->Play();
  EXPECT_TRUE(cd.openedDrives.empty());
  EXPECT_EQ(m.CdLineIndex, -1);
}

TEST_F(CddaManagerTest, TakingThePlayerOverKeepsNoPositionUnlessPausedFirst) {
  TCddaManager& m = Make();
  for (bool pauseFirst : {false, true}) {
    SCOPED_TRACE(pauseFirst);
    m.Clear();
    TCddaItem* two = m.Add("CD_2");
    TCddaItem* five = m.Add("CD_5");
    two->Play();
    cd.frame = Sec(1, 10) + 30;
    if (pauseFirst) {
      two->Pause();
      EXPECT_EQ(two->ResumePos, 69);
      EXPECT_TRUE(two->IsPaused());
    }
    five->Play();
    EXPECT_EQ(m.Current, five);
    EXPECT_EQ(cd.plays.back().fromTrack, 5);
    EXPECT_FALSE(two->IsPlaying());
    cd.plays.clear();
    two->Play();
    if (pauseFirst) {
      ASSERT_EQ(cd.plays.size(), 2u);
      EXPECT_EQ(cd.plays[1], (FakeCdSystem::Play{"/dev/sr1", 2, Sec(1, 9), 2, Sec(3, 59)}));
    } else {
      ASSERT_EQ(cd.plays.size(), 1u);
      EXPECT_EQ(cd.plays[0].fromFrame, 0);
    }
  }
}

TEST_F(CddaManagerTest, VolumeScalesTheLinesLevelsAndTheLevelsComeBack) {
  TCddaManager& m = Make();
  TCddaItem* item = m.Add("CD_1");
  item->SetVol(-2500);  // not the player's yet: kept only
  EXPECT_EQ(cdMixer->Values(volume), (std::vector<uint32_t>{40000, 20000}));
  item->Play();
  EXPECT_EQ(cdMixer->Values(volume), (std::vector<uint32_t>{20000, 10000}));
  for (auto [v, left, right] : {std::tuple{-5000, 0u, 0u}, {-9000, 0u, 0u}, {0, 40000u, 20000u}, {-1, 39992u, 19996u}}) {
    item->SetVol(v);
    EXPECT_EQ(cdMixer->Values(volume), (std::vector<uint32_t>{left, right})) << v;
  }
  // Left: the levels found are written back. Entered again: the user's levels now are kept.
  item->SetVol(-5000);
  m.RestoreMixerLevels();
  EXPECT_EQ(cdMixer->Values(volume), (std::vector<uint32_t>{40000, 20000}));
  cdMixer->Values(volume) = {10000, 10000};
  cdMixer->Values(mute) = {1};
  m.ReadMixerLevels();
  EXPECT_EQ(std::tuple(m.SavedLeft, m.SavedRight, m.SavedMute), std::tuple(10000, 10000, 1));
  item->SetVol(-2500);
  EXPECT_EQ(cdMixer->Values(volume), (std::vector<uint32_t>{5000, 5000}));
  manager.reset();
  EXPECT_EQ(cdMixer->Values(volume), (std::vector<uint32_t>{10000, 10000}));
}

TEST_F(CddaManagerTest, PauseResumeAndTheSoundSwitch) {
  TCddaManager& m = Make();
  TCddaItem* item = m.Add("CD_3");
  item->SetAutoRepeat(true);
  item->Play();
  EXPECT_TRUE(m.Player->Repeat);
  EXPECT_EQ(m.Player->PlayList, std::vector<int>{3});
  cd.frame = Sec(0, 20);
  m.PauseAll();
  EXPECT_FALSE(item->IsPlaying());
  EXPECT_EQ(item->ResumePos, 19);
  m.ResumeAll();
  EXPECT_TRUE(item->IsPlaying());
  EXPECT_EQ(cd.plays.back().fromFrame, Sec(0, 19));
  m.SetEnabled(false);
  EXPECT_FALSE(item->IsPlaying());
  item->Play();  // marked only
  EXPECT_FALSE(item->IsPlaying());
  m.SetEnabled(true);
  EXPECT_TRUE(item->IsPlaying());
  // A disc noticed puts the current track back as the only entry; its removal empties
  // the list.
  m.Idle(0);
  m.Idle(200 * 6);
  EXPECT_EQ(m.Player->PlayList, std::vector<int>{3});
  cd.discs["/dev/sr1"].present = false;
  m.Idle(200 * 7);
  EXPECT_TRUE(m.Player->PlayList.empty());
  cd.discs["/dev/sr1"].present = true;
  m.Idle(200 * 13);
  EXPECT_EQ(m.Player->PlayList, std::vector<int>{3});
  // The end is reported while stopped, and a position while not owned is kept.
  cd.Complete();
  m.Player->Repeat = false;
  m.Idle(200 * 13 + 10);
  EXPECT_TRUE(item->IsEnd());
  item->Pause();
  item->SetPosition(42500);
  EXPECT_EQ(item->ResumePos, 42);
}

}  // namespace
}  // namespace orva
