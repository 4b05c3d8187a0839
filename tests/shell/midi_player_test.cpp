// The MIDI player driven tick by tick on a recording device, its timer thread, and the
// synthesizer heard through the headless sound output.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "../core/temp_dir.h"
#include "core/exceptions.h"
#include "core/stream.h"
#include "kit/midi_files.h"
#include "midi_test_kit.h"
#include "platform/audio_output.h"
#include "shell/midi_player.h"
#include "shell/mm_timer.h"

namespace orva {
namespace {

using testing::ManualClock;
using testing::RecordingMidi;
using testing::TempDir;

constexpr uint32_t Cc(int channel, int controller, int value) {
  return 0xB0u + static_cast<uint32_t>(channel) + (static_cast<uint32_t>(controller) << 8) + (static_cast<uint32_t>(value) << 16);
}
std::vector<uint32_t> AllNotesOff() {
  std::vector<uint32_t> out;
  for (int c = 0; c < 16; ++c) out.push_back(Cc(c, 123, 0));
  return out;
}
std::vector<uint32_t> Join(std::initializer_list<std::vector<uint32_t>> parts) {
  std::vector<uint32_t> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

class MidiPlayerTest : public ::testing::Test {
 protected:
  void Load(const std::string& bytes) {
    TMemoryStream stream(bytes);
    player.Load(stream);
  }
  // Moves the clock and ticks, at most a second at a time as the timer would see it.
  void Advance(uint32_t ms) {
    while (ms > 0) {
      const uint32_t step = std::min<uint32_t>(ms, 10);
      clock.ms += step;
      ms -= step;
      player.Tick();
    }
  }
  ManualClock clock;
  RecordingMidi device;
  TMidiPlayV player{device, false};
};

TEST_F(MidiPlayerTest, AFileAllAtTimeZeroGoesOutInTheFirstTickButItsLastEvent) {
  kit::SmfFile f(480);
  f.Track().Program(0, 0, 5).Control(0, 0, 10, 64).NoteOn(0, 0, 60, 100).Event(0, {0xC1, 7});
  Load(f.Bytes());
  ASSERT_TRUE(player.Open(-1));
  player.Seek(0);
  EXPECT_TRUE(player.IsPlaying());
  EXPECT_TRUE(device.sent.empty());
  clock.ms += 10;
  player.Tick();
  EXPECT_EQ(device.Shorts(), (std::vector<uint32_t>{0x05C0, Cc(0, 10, 64), 0x643C90}));
  EXPECT_TRUE(player.IsEnd());
  EXPECT_TRUE(player.IsPlaying());
  Advance(100);
  EXPECT_EQ(device.Shorts().size(), 3u);
}

// Division 1000 at 500000 µs: two ticks a millisecond; one event every 1000 ms.
std::string Timeline() {
  kit::SmfFile f(1000);
  auto& t = f.Track();
  t.Program(0, 0, 1).NoteOn(0, 0, 60, 100);                 // 0 ms
  t.Control(2000, 0, 7, 90).NoteOff(0, 0, 60);               // 1000
  t.PitchBend(2000, 0, 5000).NoteOn(0, 0, 62, 100);          // 2000
  t.GsReset(2000);                                           // 3000
  t.Program(2000, 0, 2);                                     // 4000
  t.Control(2000, 0, 7, 80);                                 // 5000
  t.NoteOn(2000, 0, 64, 100);                                // 6000
  t.Program(2000, 0, 3);                                     // 7000
  t.EndOfTrack(2000);                                        // 8000
  return f.Bytes();
}

TEST_F(MidiPlayerTest, SeeksReplayAllButTheNotes) {
  Load(Timeline());
  ASSERT_TRUE(player.Open(-1));
  player.Seek(6500);  // after the event at 6000, before the next
  EXPECT_EQ(player.Current(), 9);
  EXPECT_EQ(player.Position(), 5000);
  const std::vector<uint32_t> replay = {0x01C0, Cc(0, 7, 90), 0x2708E0};
  EXPECT_EQ(device.Shorts(), Join({AllNotesOff(), replay, {0x02C0, Cc(0, 7, 80)}}));
  ASSERT_EQ(device.sent.size(), 22u);  // the GS reset went out as a long message
  EXPECT_EQ(device.sent[19].longMsg.size(), 11u);

  // Backwards: from the start again, up to the event before the one at or before 5000.
  device.sent.clear();
  player.Seek(5000);
  EXPECT_EQ(player.Current(), 8);
  EXPECT_EQ(player.Position(), 4000);
  EXPECT_EQ(device.Shorts(), Join({AllNotesOff(), replay, {0x02C0}}));

  // Forwards: only what lies between.
  device.sent.clear();
  player.Seek(7000);
  EXPECT_EQ(player.Current(), 10);
  EXPECT_EQ(device.Shorts(), Join({AllNotesOff(), {Cc(0, 7, 80)}}));

  // The same target replays nothing and keeps the position.
  device.sent.clear();
  player.Seek(7000);
  EXPECT_TRUE(device.sent.empty());
  EXPECT_EQ(player.Position(), 6000);

  // Past the end: from the first event again.
  player.Seek(9000);
  EXPECT_EQ(player.Current(), 0);
  EXPECT_EQ(player.Position(), 0);
}

TEST_F(MidiPlayerTest, PlaysInTimeAndRepeats) {
  Load(Timeline());
  ASSERT_TRUE(player.Open(-1));
  player.Seek(0);
  Advance(1000);  // the event at 1000 ms is due only after it
  EXPECT_EQ(device.Shorts(), (std::vector<uint32_t>{0x01C0, 0x643C90}));
  Advance(10);
  EXPECT_EQ(player.Current(), 4);
  // A clock jump counts a second at most.
  clock.ms += 60000;
  player.Tick();
  EXPECT_EQ(player.Position(), 2010);
  Advance(8000);
  EXPECT_TRUE(player.IsEnd());
  EXPECT_EQ(player.Current(), 11);

  // With Repeat the end is never reached: notes off, and on from the first event.
  player.Repeat = true;
  EXPECT_FALSE(player.IsEnd());
  player.Seek(0);
  device.sent.clear();
  Advance(8000 + 20);
  EXPECT_EQ(player.Current(), 2);
  const std::vector<uint32_t> shorts = device.Shorts();
  ASSERT_GE(shorts.size(), 16u);
  EXPECT_EQ(std::vector<uint32_t>(shorts.end() - 18, shorts.end() - 2), AllNotesOff());
  EXPECT_FALSE(player.IsEnd());
}

TEST_F(MidiPlayerTest, ARepeatedTuneWhoseLastEventComesLaterDoesNotStall) {
  kit::SmfFile f(1000);
  f.Track().NoteOn(0, 0, 60, 100).NoteOff(200, 0, 60).EndOfTrack(2000);  // 0, 100, 1100 ms
  Load(f.Bytes());
  ASSERT_TRUE(player.Open(-1));
  player.Repeat = true;
  player.Seek(0);
  Advance(500);
  EXPECT_EQ(player.Current(), 2);  // all but the last sent, the last not yet due
  Advance(700);
  EXPECT_EQ(player.Current(), 1);  // wrapped, the first event sent again
  EXPECT_EQ(device.Shorts().back(), 0x643C90u);
}

TEST_F(MidiPlayerTest, ControllerPercentsScaleAndClamp) {
  kit::SmfFile f(1000);
  f.Track().Control(0, 3, 7, 100).Control(0, 3, 10, 127).NoteOn(0, 3, 60, 1).EndOfTrack(2000);
  Load(f.Bytes());
  ASSERT_TRUE(player.Open(-1));
  struct Case {
    int percent;
    int sent;
  };
  // An item volume of -5000 is 50 %; -10000 is 0; volumes above full clamp at 127.
  for (const Case& c : {Case{50, 50}, {0, 0}, {100, 100}, {200, 127}, {-20, 0}}) {
    player.SetControllerPercentAll(7, c.percent);
    player.Seek(0);
    device.sent.clear();
    Advance(10);
    EXPECT_EQ(device.Shorts().front(), Cc(3, 7, c.sent)) << c.percent;
    EXPECT_EQ(device.Shorts()[1], Cc(3, 10, 127));
    // While playing a change goes out at once, on every channel.
    device.sent.clear();
    player.SetControllerPercentAll(7, 100);
    ASSERT_EQ(device.Shorts().size(), 16u);
    EXPECT_EQ(device.Shorts()[3], Cc(3, 7, 100));
    EXPECT_EQ(device.Shorts()[0], Cc(0, 7, 127));  // loading makes every channel's volume 127
    player.Stop();
  }
}

TEST_F(MidiPlayerTest, LongMessagesLiveUntilTheDeviceIsDoneOrClosed) {
  kit::SmfFile f(1000);
  f.Track().SysEx(0, 0xF0, "\x7E\x7F\x09\x01\xF7").GsReset(0).NoteOn(10, 0, 60, 1).EndOfTrack(10);
  Load(f.Bytes());
  ASSERT_TRUE(player.Open(-1));
  player.SendMasterVolume();
  EXPECT_EQ(device.sent.back().longMsg, (std::vector<uint8_t>{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x7F, 0xF7}));
  player.Seek(0);
  Advance(10);
  EXPECT_EQ(player.PendingLongCount(), 3);
  device.CompleteAll();
  EXPECT_EQ(player.PendingLongCount(), 0);
  player.Seek(0);
  Advance(10);
  EXPECT_EQ(player.PendingLongCount(), 2);
  player.Close();
  EXPECT_EQ(player.PendingLongCount(), 0);
  EXPECT_EQ(device.resets, 1);
  EXPECT_FALSE(player.IsPlaying());
  device.held.clear();
}

TEST_F(MidiPlayerTest, WithoutADeviceTheClockRunsOn) {
  device.openFails = true;
  Load(Timeline());
  EXPECT_FALSE(player.Open(-1));
  player.Seek(4500);
  EXPECT_EQ(player.Current(), 7);
  EXPECT_EQ(player.Position(), 3000);
  Advance(1010);
  EXPECT_EQ(player.Current(), 8);
  EXPECT_EQ(player.Position(), 4010);
  EXPECT_TRUE(device.sent.empty());
}

// A device still being made ready holds the tune's clock: once it is ready the tune plays
// from its start as it does on a device ready at once.
TEST_F(MidiPlayerTest, TheClockStartsOnceTheDeviceIsReady) {
  RecordingMidi atOnce;
  TMidiPlayV reference(atOnce, false);
  TMemoryStream bytes(Timeline());
  reference.Load(bytes);
  ASSERT_TRUE(reference.Open(-1));
  reference.Seek(0);
  for (int i = 0; i < 150; ++i) {
    clock.ms += 10;
    reference.Tick();
  }

  Load(Timeline());
  device.ready = false;
  ASSERT_TRUE(player.Open(-1));
  player.Seek(0);
  Advance(3000);
  EXPECT_EQ(player.Position(), 0);
  EXPECT_EQ(player.Current(), 0);
  EXPECT_TRUE(device.sent.empty());
  EXPECT_TRUE(player.IsPlaying());
  EXPECT_FALSE(player.IsEnd());
  device.ready = true;
  Advance(1500);
  EXPECT_EQ(player.Position(), reference.Position());
  EXPECT_EQ(player.Current(), reference.Current());
  EXPECT_EQ(device.Shorts(), atOnce.Shorts());
}

TEST_F(MidiPlayerTest, DataWithoutEventsIsRefused) {
  for (const std::string& bytes : {std::string("not midi"), kit::SmfFile(480).Bytes()}) {
    TMemoryStream stream(bytes);
    EXPECT_THROW(player.Load(stream), Exception);
  }
}

TEST(MidiPlayerTimer, TheTimerThreadPlaysAndStops) {
  RecordingMidi device;
  kit::SmfFile f(1000);
  auto& t = f.Track();
  for (int i = 0; i < 40; ++i) t.Program(20, 0, i);  // every 10 ms
  t.EndOfTrack(20);
  TMidiPlayV player(device);
  TMemoryStream stream(f.Bytes());
  player.Load(stream);
  ASSERT_TRUE(player.Open(-1));
  player.Seek(0);
  for (int waited = 0; waited < 2000 && !player.IsEnd(); waited += 5) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(player.IsEnd());
  player.Stop();
  EXPECT_FALSE(player.IsPlaying());
  const size_t count = device.sent.size();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(device.sent.size(), count);
  EXPECT_EQ(device.Shorts().size(), 40u + 16u);
}

// ---- outside files ----

TEST(MidiPlayerOutsideFiles, PlayToTheirEndAndSeekAsAStraightPlayWould) {
  const std::filesystem::path dir = "/usr/share/planetblupi/music";
  ASSERT_TRUE(std::filesystem::is_directory(dir));
  ManualClock clock;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    SCOPED_TRACE(entry.path().string());
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    auto play = [&](RecordingMidi& device, TMidiPlayV& player) {
      TMemoryStream stream(bytes);
      player.Load(stream);
      ASSERT_TRUE(player.Open(-1));
    };
    // To the end: everything sent but meta events and the last event.
    {
      RecordingMidi device;
      TMidiPlayV player(device, false);
      play(device, player);
      player.Seek(0);
      while (!player.IsEnd()) {
        clock.ms += 1000;
        player.Tick();
      }
      size_t channel = 0;
      for (int i = 0; i + 1 < player.Events.Count(); ++i) channel += player.Events.Items(i).Kind == mkChannel;
      EXPECT_EQ(device.sent.size(), channel);
    }
    // A seek to the middle against a straight play up to the same event.
    RecordingMidi seeked, straight;
    TMidiPlayV a(seeked, false), b(straight, false);
    play(seeked, a);
    play(straight, b);
    int middle = a.Events.Count() / 2;
    while (middle > 0 && a.Events.Items(middle - 1).Time == a.Events.Items(middle).Time) --middle;
    const int32_t target = a.Events.Items(middle).Time;
    a.Seek(target);
    EXPECT_EQ(a.Current(), middle);
    b.Seek(0);
    while (b.Position() < target) {
      clock.ms += std::min<int32_t>(1000, target - b.Position());
      b.Tick();
    }
    EXPECT_EQ(b.Current(), middle);
    for (int c = 0; c < 16; ++c) EXPECT_EQ(seeked.state[static_cast<size_t>(c)], straight.state[static_cast<size_t>(c)]) << c;
  }
}

// Under the headless backend the timer has no thread: its calls come as the headless clock
// passes their times, none while it is disabled or locked.
TEST(MMTimer, UnderTheHeadlessBackendCallsFollowTheHeadlessClock) {
  SetAudioBackend(TAudioBackend::Headless);
  ASSERT_TRUE(AcquireAudioOutput());
  int calls = 0;
  {
    TMMTimer timer;
    timer.Interval = 10;
    timer.OnTimer = [&] { ++calls; };
    HeadlessAudioPull(50);
    EXPECT_EQ(calls, 0);
    timer.SetEnabled(true);  // first call at 60
    HeadlessAudioPull(35);
    EXPECT_EQ(calls, 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EXPECT_EQ(calls, 3) << "no thread calls it";
    timer.Lock();
    HeadlessAudioPull(20);  // 90 and 100 pass while locked
    timer.Unlock();
    EXPECT_EQ(calls, 3);
    HeadlessAudioPull(10);
    EXPECT_EQ(calls, 4);
    timer.SetEnabled(false);
    HeadlessAudioPull(50);
    EXPECT_EQ(calls, 4);
  }
  HeadlessAudioPull(50);  // the timer is gone from the headless clock
  ReleaseAudioOutput();
}

// ---- the synthesizer ----

class MidiSynthTest : public ::testing::Test {
 protected:
  MidiSynthTest() {
    SetAudioBackend(TAudioBackend::Headless);
    SetHeadlessAudioCapture(true);
    SetMidiSoundFont("/usr/share/sounds/sf2/TimGM6mb.sf2");
  }
  ~MidiSynthTest() override {
    SetHeadlessAudioCapture(false);
    SetMidiSoundFont("");
  }
  static int Peak(uint32_t ms) {
    TakeHeadlessAudio();
    for (uint32_t done = 0; done < ms; done += 10) HeadlessAudioPull(10);
    int peak = 0;
    for (int16_t v : TakeHeadlessAudio()) peak = std::max(peak, std::abs(static_cast<int>(v)));
    return peak;
  }
};

TEST_F(MidiSynthTest, ANoteSoundsAndAllNotesOffSilencesIt) {
  ASSERT_FALSE(MidiSoundFontPath().empty()) << "tools/install-deps installs a General MIDI SoundFont";
  EXPECT_EQ(MidiOutSystem().DeviceNames().size(), 1u);
  auto out = MidiOutSystem().Open(-1, nullptr);
  ASSERT_TRUE(out);
  EXPECT_LT(Peak(100), 8);
  out->ShortMsg(0x00C0);    // piano
  out->ShortMsg(0x7F3C90);  // middle C
  EXPECT_GT(Peak(200), 1000);
  out->ShortMsg(Cc(0, 123, 0));
  Peak(1500);
  EXPECT_LT(Peak(100), 8);
  out.reset();
}

// What a tune sounds like through the synthesizer does not depend on when its SoundFont was
// loaded: ahead of the open, while it is made, or only once it asks for it. What the player
// sends before the first sound (the master volume, its controllers) is heard all the same.
TEST_F(MidiSynthTest, ATuneSoundsTheSameHoweverEarlyItsSoundFontLoaded) {
  kit::SmfFile f(480);
  f.Track().Program(0, 0, 0).NoteOn(0, 0, 60, 100).NoteOn(240, 0, 64, 90).NoteOff(480, 0, 60).NoteOff(0, 0, 64).EndOfTrack(480);
  enum class When { Ahead, Meanwhile, OnOpen };
  // Each under a name of its own, so that each is loaded anew.
  const auto heard = [&](const std::string& font, When when) {
    SetMidiSoundFont(font);
    if (when != When::OnOpen) MidiOutSystem().Prepare();
    if (when == When::Ahead) {
      // Waited for without a sound made: the synthesizer's dither runs on with what it plays.
      auto loading = MidiOutSystem().Open(-1, nullptr);
      while (!loading->Ready()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ManualClock clock;  // the tune's clock, moved with the headless sound as a headless run moves it
    TMidiPlayV player;
    TMemoryStream bytes(f.Bytes());
    player.Load(bytes);
    EXPECT_TRUE(player.Open(-1));
    player.SendMasterVolume();
    player.Seek(0);
    player.SetControllerPercentAll(7, 70);
    TakeHeadlessAudio();
    for (int ms = 0; ms < 1500; ms += 16) {
      clock.ms += 16;
      HeadlessAudioPull(16);
    }
    return TakeHeadlessAudio();
  };
  const std::vector<int16_t> onOpen = heard("/usr/share/sounds/sf2/./TimGM6mb.sf2", When::OnOpen);
  ASSERT_GT(*std::max_element(onOpen.begin(), onOpen.end()), 300) << "the tune is heard";
  EXPECT_EQ(heard("/usr/share/sounds/sf2/../sf2/TimGM6mb.sf2", When::Meanwhile), onOpen);
  EXPECT_EQ(heard("/usr/share/sounds//sf2/TimGM6mb.sf2", When::Ahead), onOpen);
}

TEST_F(MidiSynthTest, WithoutASoundFontNothingOpens) {
  SetMidiSoundFont("/nonexistent/none.sf2");
  EXPECT_TRUE(MidiOutSystem().DeviceNames().empty());
  EXPECT_FALSE(MidiOutSystem().Open(-1, nullptr));
  TMidiPlayV player;
  EXPECT_FALSE(player.Open(-1));
}

// A SoundFont that cannot be loaded gives no device and leaves the sound output closed, be it
// no SoundFont at all or one that fails only as it is read; once the failure is known, nothing
// of it is kept: with a good SoundFont in its place, the next open sounds.
TEST_F(MidiSynthTest, ADamagedSoundFontGivesNoDeviceAndIsTriedAgainOnceMended) {
  const std::string good = TempDir::ReadOs("/usr/share/sounds/sf2/TimGM6mb.sf2");
  ASSERT_FALSE(good.empty());
  // Past its header, the good file's first chunk is cut short.
  const std::string cut = good.substr(0, 12) + "LIST" + std::string("\x40\0\0\0INFO", 8);
  kit::SmfFile f(480);
  f.Track().Program(0, 0, 0).NoteOn(0, 0, 60, 100).NoteOff(960, 0, 60).EndOfTrack(0);
  for (const std::string& damaged : {std::string("\x13\x37\0garbage", 10), cut}) {
    SCOPED_TRACE(damaged.size());
    TempDir dir;
    dir.Write("gm.sf2", damaged);
    SetMidiSoundFont(dir.Os("gm.sf2"));
    ManualClock clock;
    TMidiPlayV player;
    TMemoryStream bytes(f.Bytes());
    player.Load(bytes);
    // Headless, the first sound waits for the load: by then the failure is known.
    const bool opened = player.Open(-1);
    if (damaged.size() < 12) {
      EXPECT_FALSE(opened) << "known at once";
    }
    player.Seek(0);
    HeadlessAudioPull(16);
    EXPECT_FALSE(player.IsOpen());
    EXPECT_FALSE(AudioOutputOpen());

    dir.Write("gm.sf2", good);
    ASSERT_TRUE(player.Open(-1));
    player.Seek(0);
    TakeHeadlessAudio();
    for (int ms = 0; ms < 300; ms += 16) {
      clock.ms += 16;
      HeadlessAudioPull(16);
    }
    const std::vector<int16_t> heard = TakeHeadlessAudio();
    ASSERT_FALSE(heard.empty());
    EXPECT_GT(*std::max_element(heard.begin(), heard.end()), 300) << "the mended SoundFont sounds";
    player.Close();
    EXPECT_FALSE(AudioOutputOpen());
  }
}

}  // namespace
}  // namespace orva
