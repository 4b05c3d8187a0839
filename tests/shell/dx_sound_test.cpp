#include "shell/dx_sound.h"

#include <gtest/gtest.h>

#include "core/encoding.h"
#include "platform/audio_output.h"

namespace orva {
namespace {

class DXSoundTest : public ::testing::Test {
 protected:
  DXSoundTest() { SetAudioBackend(TAudioBackend::Headless); }
  ~DXSoundTest() override { SetHeadlessAudioOpenFails(false); }
  int window = 0;
};

TEST_F(DXSoundTest, PcmFormatRecord) {
  TWaveFormatEx f;
  MakePCMWaveFormat(f, 44100, 16, 2);
  EXPECT_EQ(f, (TWaveFormatEx{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0}));
  MakePCMWaveFormat(f, 22050, 8, 1);
  EXPECT_EQ(f, (TWaveFormatEx{WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8, 0}));
}

TEST_F(DXSoundTest, InitializeMakesTheDeviceInThePlayersFormat) {
  TDXSound sound(&window);
  sound.Options.Exclusive = true;
  std::vector<std::string> calls;
  sound.OnInitialize = [&](TDXSound& s) {
    calls.push_back("initialize");
    TWaveFormatEx f;
    MakePCMWaveFormat(f, 44100, 16, 2);
    EXPECT_TRUE(s.Primary()->SetFormat(f));
  };
  sound.OnRestore = [&](TDXSound&) { calls.push_back("restore"); };
  sound.Initialize();
  EXPECT_EQ(calls, (std::vector<std::string>{"initialize", "restore"}));
  ASSERT_TRUE(sound.Initialized());
  TSoundDevice* first = sound.DSound()->IDirectSound();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->PrimaryFormat().nSamplesPerSec, 44100u);
  EXPECT_EQ(sound.Primary()->Format().nAvgBytesPerSec, 176400u);
  EXPECT_EQ(first->CooperativeLevel(), TDXSound::DSSCL_EXCLUSIVE);
  EXPECT_EQ(first->CooperativeWindow(), &window);
  TWaveFormatEx bad;
  MakePCMWaveFormat(bad, 44100, 12, 2);
  EXPECT_FALSE(sound.Primary()->SetFormat(bad));
  EXPECT_EQ(sound.Primary()->Format().wBitsPerSample, 16);

  // A second initialisation replaces the device; the output stays open for it.
  sound.Initialize();
  EXPECT_EQ(calls.size(), 4u);
  EXPECT_TRUE(AudioOutputOpen());
  sound.Finalize();
  EXPECT_FALSE(sound.Initialized());
  EXPECT_EQ(sound.DSound(), nullptr);
  EXPECT_FALSE(AudioOutputOpen());
}

TEST_F(DXSoundTest, FailuresRaiseTheirMessages) {
  TDXSound orphan(nullptr);
  try {
    orphan.Initialize();
    ADD_FAILURE();
  } catch (const EDXSoundError& e) {
    EXPECT_EQ(e.Message(), Sjis("フォームが見つかりません"));
  }
  SetHeadlessAudioOpenFails(true);
  TDXSound sound(&window);
  try {
    sound.Initialize();
    ADD_FAILURE();
  } catch (const EDirectSoundError& e) {
    EXPECT_EQ(e.Message(), Sjis("DirectSound を初期化できません"));
  }
  EXPECT_FALSE(sound.Initialized());
  EXPECT_EQ(sound.DSound(), nullptr);
}

TEST_F(DXSoundTest, LostDeviceRestoresOnceWithoutReentry) {
  TDXSound sound(&window);
  int restores = 0;
  sound.Initialize();
  sound.OnRestore = [&](TDXSound&) {
    ++restores;
    // Losing the device again while restoring does not restore again.
    HandleAudioDeviceRemoved(AudioDeviceId());
  };
  HandleAudioDeviceRemoved(AudioDeviceId());
  EXPECT_EQ(restores, 1);
  HandleAudioDeviceRemoved(AudioDeviceId() + 7);  // not ours
  EXPECT_EQ(restores, 1);
  HandleAudioDeviceRemoved(AudioDeviceId());
  EXPECT_EQ(restores, 2);
}

}  // namespace
}  // namespace orva
