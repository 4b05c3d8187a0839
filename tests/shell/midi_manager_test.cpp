// MIDI items over the one player, the output device choice, and the CD-audio and MIDI
// managers joined to the media system.
#include <gtest/gtest.h>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "kit/game_files.h"
#include "kit/midi_files.h"
#include "midi_test_kit.h"
#include "scene/scene_services.h"
#include "shell/cd_midi_managers.h"
#include "shell/media_system.h"
#include "shell/midi_manager.h"

namespace orva {
namespace {

using testing::ManualClock;
using testing::RecordingMidi;

constexpr uint32_t Cc(int channel, int controller, int value) {
  return 0xB0u + static_cast<uint32_t>(channel) + (static_cast<uint32_t>(controller) << 8) + (static_cast<uint32_t>(value) << 16);
}

// A program change every second for ten seconds on channel 0.
std::string Tune(int base) {
  kit::SmfFile f(1000);
  auto& t = f.Track();
  for (int i = 0; i < 10; ++i) t.Program(i == 0 ? 0 : 2000, 0, base + i);
  t.EndOfTrack(2000);
  return f.Bytes();
}

class MidiManagerTest : public ::testing::Test {
 protected:
  MidiManagerTest() { files.Add("a.mid", Tune(0)).Add("b.mid", Tune(20)).Add("empty.mid", ""); }
  void Advance(uint32_t ms) {
    for (; ms > 0; ms -= 10) {
      clock.ms += 10;
      manager.Player->Tick();
    }
  }
  ManualClock clock;
  kit::GameFiles files;
  RecordingMidi device;
  TMidiManager manager{device, false};
};

TEST_F(MidiManagerTest, PlayOpensSendsTheMasterVolumeSeeksAndSetsTheVolume) {
  TMidiItem* a = manager.Add("a.mid");
  EXPECT_EQ(a->GetLen(), 10000);  // read for its length only
  EXPECT_EQ(manager.Current, nullptr);
  a->SetVol(-5000);
  a->Play();
  EXPECT_EQ(device.opened, std::vector<int>{-1});
  ASSERT_EQ(device.sent.size(), 17u);
  EXPECT_EQ(device.sent[0].longMsg.size(), 8u);
  EXPECT_EQ(device.sent[1].shortMsg, Cc(0, 7, 63));  // 127 at 50 %
  EXPECT_TRUE(a->IsPlaying());
  EXPECT_EQ(manager.Current, a);
  // v / 100 + 100 percent, truncating.
  for (auto [v, sent] : {std::pair{-150, 125}, {-10000, 0}, {0, 127}, {-99, 127}}) {
    a->SetVol(v);
    EXPECT_EQ(device.sent.back().shortMsg, Cc(15, 7, sent)) << v;
  }
  Advance(3000);
  EXPECT_EQ(a->GetPosition(), 3000);
  a->SetAutoRepeat(true);
  EXPECT_TRUE(a->GetAutoRepeat());
  EXPECT_FALSE(a->IsEnd());
  a->SetAutoRepeat(false);
  Advance(9000);
  EXPECT_TRUE(a->IsEnd());
}

TEST_F(MidiManagerTest, PauseKeepsThePositionATakeoverKeepsNone) {
  for (bool pauseFirst : {false, true}) {
    SCOPED_TRACE(pauseFirst);
    manager.Clear();
    TMidiItem* a = manager.Add("a.mid");
    TMidiItem* b = manager.Add("b.mid");
    a->Play();
    Advance(4500);
    if (pauseFirst) {
      a->Pause();
      EXPECT_TRUE(a->IsPaused());
      EXPECT_EQ(a->ResumePos, 4500);
      EXPECT_FALSE(a->IsPlaying());
    }
    b->Play();
    EXPECT_EQ(manager.Current, b);
    EXPECT_FALSE(a->IsPlaying());
    EXPECT_EQ(a->GetPosition(), 0);
    EXPECT_FALSE(a->GetAutoRepeat());
    a->SetPosition(7000);  // not the player's: kept for its next play
    EXPECT_EQ(a->ResumePos, 7000);
    a->Play();
    EXPECT_EQ(manager.Player->Position(), 6000);
  }
}

TEST_F(MidiManagerTest, AnEmptyFileIsIgnoredAndAMissingOneRaises) {
  TMidiItem* a = manager.Add("a.mid");
  a->Play();
  Advance(2500);
  const size_t sent = device.sent.size();
  manager.Add("empty.mid")->Play();
  EXPECT_EQ(manager.Current, a);
  EXPECT_EQ(device.sent.size(), sent);
  EXPECT_EQ(a->GetPosition(), 2500);
  try {
    manager.Add("none.mid")->Play();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "none.mid" + Sjis(":ファイルがありません"));
  }
  EXPECT_EQ(manager.Current, a);
  // The current item's end closes the device.
  manager.Remove(a);
  EXPECT_EQ(manager.Current, nullptr);
  EXPECT_FALSE(manager.Player->IsOpen());
}

// A device that turns out unable to sound is as none: the tune's clock, stood while the
// device was being made ready, runs on to the tune's end, and the next play opens again.
TEST_F(MidiManagerTest, ADeviceThatFailsIsAsNoneAndTheNextPlayOpensAgain) {
  TMidiItem* a = manager.Add("a.mid");
  device.ready = false;
  a->Play();
  Advance(2000);
  EXPECT_EQ(a->GetPosition(), 0);
  device.ready = true;
  device.failed = true;
  Advance(9000);  // the last program change, at 9 s, is still ahead
  EXPECT_FALSE(a->IsEnd());
  Advance(10);
  EXPECT_TRUE(a->IsEnd());
  manager.Add("b.mid")->Play();
  EXPECT_EQ(device.opened, (std::vector<int>{-1, -1}));
  EXPECT_EQ(device.closes, 1);
}

TEST_F(MidiManagerTest, DevicesAndTheirChoice) {
  const std::string mapper = Sjis("MIDIマッパー");
  EXPECT_EQ(manager.DeviceNames, (std::vector<std::string>{mapper, "Synth A", "Synth B"}));
  EXPECT_EQ(manager.GetDeviceCount(), 3);
  EXPECT_EQ(manager.GetDeviceNameAt(-1), mapper);
  EXPECT_EQ(manager.GetDeviceNameAt(3), mapper);
  EXPECT_EQ(manager.GetDeviceNameAt(2), "Synth B");
  for (auto [index, chosen] : {std::pair{99, 2}, {-5, 0}, {1, 1}}) {
    manager.SelectDevice(index);
    EXPECT_EQ(manager.DeviceIndex, chosen);
  }
  EXPECT_EQ(manager.GetDeviceName(), "Synth A");
  for (auto [name, chosen] : {std::pair{"synth b", 2}, {"Other", 0}, {"Synth A", 1}}) {
    manager.SelectDeviceName(name);
    EXPECT_EQ(manager.DeviceIndex, chosen) << name;
  }
  // While a tune plays it goes on at the same time on the new device.
  TMidiItem* a = manager.Add("a.mid");
  a->Play();
  EXPECT_EQ(device.opened, std::vector<int>{0});
  Advance(5500);
  device.sent.clear();
  device.state = {};
  manager.SelectDevice(2);
  EXPECT_EQ(device.opened, (std::vector<int>{0, 1}));
  EXPECT_EQ(device.closes, 1);
  EXPECT_TRUE(a->IsPlaying());
  // From the event before the one at 5000, so that the new device has the program again.
  EXPECT_EQ(a->GetPosition(), 4000);
  ASSERT_FALSE(device.sent.empty());
  EXPECT_EQ(device.sent.back().device, 1);
  EXPECT_EQ(device.state[0].program, 4);
  // Not playing: taken up at the next open.
  a->Pause();
  manager.SelectDevice(0);
  EXPECT_EQ(device.opened.size(), 2u);
}

TEST_F(MidiManagerTest, PausingResumingAndTheSoundSwitch) {
  TMidiItem* a = manager.Add("a.mid");
  a->Play();
  Advance(1500);
  manager.PauseAll();
  EXPECT_FALSE(a->IsPlaying());
  EXPECT_EQ(a->ResumePos, 1500);
  manager.ResumeAll();
  EXPECT_TRUE(a->IsPlaying());
  manager.SetEnabled(false);
  EXPECT_FALSE(a->IsPlaying());
  a->Play();
  EXPECT_FALSE(a->IsPlaying());
  manager.SetEnabled(true);
  EXPECT_TRUE(a->IsPlaying());
  // Without the main window there is no player to play on.
  TMidiManager::MainWindowAlive = [] { return false; };
  EXPECT_EQ(manager.GetPlayer(), nullptr);
  TMidiManager::MainWindowAlive = nullptr;
}

TEST(CdAndMidiHooks, TheMediaSystemMakesSwitchesAndFreesBothManagers) {
  RecordingMidi device;
  SetMidiOutSystem(&device);
  TMediaSystemHooks saved = MediaSystemHooks;
  InstallCdAndMidiHooks([] { return std::string("Maker\\Demo"); });
  MediaSystemHooks.CreateCddaManager();
  MediaSystemHooks.CreateMidiManager();
  ASSERT_TRUE(CddaManager && MidiManager);
  EXPECT_EQ(MidiManager->GetDeviceCount(), 3);
  MediaSceneService().SetAudioEnabled(false);
  EXPECT_FALSE(CddaManager->Enabled);
  EXPECT_FALSE(MidiManager->Enabled);
  MediaSceneService().SetAudioEnabled(true);
  EXPECT_TRUE(CddaManager->Enabled && MidiManager->Enabled);
  MediaSystemHooks.FreeCddaManager();
  MediaSystemHooks.FreeMidiManager();
  EXPECT_FALSE(CddaManager || MidiManager);
  MediaSystemHooks = saved;
  SetMidiOutSystem(nullptr);
}

}  // namespace
}  // namespace orva
