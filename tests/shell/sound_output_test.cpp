// Sound objects heard through the real managers on the headless output, on both mixer paths
// (the library's mix and the program's own): the loudness of a 1 kHz tone at each VOLUME,
// BALANCE, fades, the script's sound switch and a loop without a gap.
#include <gtest/gtest.h>

#include <cmath>

#include "core/frame_clock.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/media_files.h"
#include "platform/audio_output.h"
#include "scene/base_list.h"
#include "scene/scene_services.h"
#include "scene/sound.h"
#include "shell/media_library.h"
#include "shell/media_system.h"
#include "shell/sound_settings.h"

namespace orva {
namespace {

constexpr int kAmplitude = 12000;
// The RMS of the full tone in one channel.
const double kFull = kAmplitude / std::sqrt(2.0);

struct Path {
  const char* name;
  bool library;
};

class SoundOutput : public ::testing::TestWithParam<Path> {
 protected:
  void SetUp() override {
    SetAudioBackend(TAudioBackend::Headless);
    SetHeadlessAudioCapture(true);
    UseDirectSound = GetParam().library;
    SoundDelayTime = 100;
    DirectSoundRequested = false;
    // One second of 1 kHz: a whole number of periods, so that a loop joins without a step.
    const std::vector<int16_t> tone = kit::Tone(2, 44100, 44100, 1000, kAmplitude);
    files.Add("tone.wav", kit::RiffWave().Pcm(2, 44100, 16).Data(kit::Samples16(tone)).Bytes());
    files.Add("tone.ogg", kit::EncodeOggVorbis(tone, 2, 44100));
    StartMediaSystem(nullptr, nullptr, 0, 0, 0, 0);
    MediaSystemHooks.SetWaveListEnabled = [](bool flag) { TOrvaSound::SetWaveListEnabled(flag); };
    saved_ = GetSceneServices();
    TSceneServices services = saved_;
    services.Media = &MediaSceneService();
    SetSceneServices(services);
    CreateSceneGlobals();
    TakeHeadlessAudio();
  }
  void TearDown() override {
    FreeSceneGlobals();
    SetSceneServices(saved_);
    MediaSystemHooks.SetWaveListEnabled = nullptr;
    StopMediaSystem();
    SetHeadlessAudioCapture(false);
    UseDirectSound = true;
    SoundDelayTime = 500;
    DirectSoundRequested = false;
  }

  TOrvaSound* Sound(const std::string& source, int32_t volume, int32_t delay = 0, const std::string& name = "s") {
    auto* sound = static_cast<TOrvaSound*>(GetMainScene()->CreateObject(LT_SOUND));
    sound->SetName(name);
    sound->SetSource(source);
    sound->SetVolume(volume);
    sound->SetDelay(delay);
    return sound;
  }
  // Frames of 10 ms: the clocks, the scene's update, the output's pull.
  void Run(uint32_t ms) {
    for (uint32_t done = 0; done < ms; done += 10) {
      GameClock += 10;
      clock.milliseconds += 10;
      GetMainScene()->Idle();
      HeadlessAudioPull(10);
    }
  }
  // The RMS of one channel over each 50 ms window of what was heard since the last call.
  std::vector<double> Windows(int channel) {
    const std::vector<int16_t> heard = TakeHeadlessAudio();
    std::vector<double> rms;
    const size_t window = 2205;
    for (size_t start = 0; (start + window) * 2 <= heard.size(); start += window) {
      double sum = 0;
      for (size_t f = start; f < start + window; ++f) {
        const double v = heard[f * 2 + static_cast<size_t>(channel)];
        sum += v * v;
      }
      rms.push_back(std::sqrt(sum / window));
    }
    return rms;
  }
  // The loudness of the second half of what was heard, once the output has caught up.
  double Settled(int channel = 0) {
    const std::vector<double> w = Windows(channel);
    double sum = 0;
    for (size_t i = w.size() / 2; i < w.size(); ++i) sum += w[i];
    return w.empty() ? 0 : sum / static_cast<double>(w.size() - w.size() / 2);
  }
  // The gain of an item volume on this path: the library's 10^(v/2000), the own mixer's
  // linear map of -5000..0 onto 0..256/256.
  double Gain(int32_t itemVolume) const {
    if (GetParam().library) return itemVolume <= -10000 ? 0 : std::pow(10.0, itemVolume / 2000.0);
    return ((std::max(itemVolume, -5000) + 5000) * 256 / 5000) / 256.0;
  }

  kit::FrameScope frames;
  kit::VirtualClock clock;
  kit::GameFiles files;
  TSceneServices saved_;
};

TEST_P(SoundOutput, VolumeScalesTheToneByThePathsMap) {
  for (const char* source : {"tone.wav", "tone.ogg"}) {
    for (int32_t volume : {1000, 500, 0}) {
      SCOPED_TRACE(std::string(source) + " " + std::to_string(volume));
      TOrvaSound* sound = Sound(source, volume);
      sound->SetRepeat(true);
      sound->Play(LP_PLAY);
      ASSERT_NE(sound->Item(), nullptr);
      Run(600);
      const double want = kFull * Gain(ItemVolume(volume, false));
      EXPECT_NEAR(Settled(), want, kFull * 0.05 + 1);
      sound->FreeNow();
      Run(300);
      TakeHeadlessAudio();
    }
  }
}

TEST_P(SoundOutput, BalanceSilencesAChannelOnTheLibraryPathOnly) {
  for (int32_t balance : {10000, -10000}) {
    TOrvaSound* sound = Sound("tone.wav", 1000);
    sound->SetRepeat(true);
    sound->SetBalance(balance);
    sound->Play(LP_PLAY);
    Run(600);
    const std::vector<int16_t> heard = TakeHeadlessAudio();
    double sum[2] = {0, 0};
    for (size_t i = heard.size() / 2; i + 1 < heard.size(); i += 2) {
      sum[0] += double(heard[i]) * heard[i];
      sum[1] += double(heard[i + 1]) * heard[i + 1];
    }
    const int quiet = balance > 0 ? 0 : 1;
    if (GetParam().library) {
      EXPECT_LT(sum[quiet], sum[1 - quiet] * 1e-6) << balance;
    } else {
      EXPECT_NEAR(sum[quiet] / sum[1 - quiet], 1.0, 0.05) << "the own mixer has no pan";
    }
    sound->FreeNow();
    Run(300);
  }
}

TEST_P(SoundOutput, AFadeInRisesAndAFadeOutFallsToSilence) {
  TOrvaSound* sound = Sound("tone.wav", 1000, 1000);
  sound->SetRepeat(true);
  sound->Play(LP_PLAYFADE);
  Run(1400);
  std::vector<double> w = Windows(0);
  ASSERT_GE(w.size(), 26u);
  // Half-way the ramp stands at -2500 (a quarter of the range past its midpoint).
  EXPECT_LT(w[2], w[12]);
  EXPECT_LT(w[12], w[24]);
  EXPECT_NEAR(w[12] / kFull, Gain(-2500), 0.2);
  EXPECT_NEAR(w[26] / kFull, 1.0, 0.05);
  sound->Play(LP_STOPFADE);
  Run(1300);
  w = Windows(0);
  ASSERT_GE(w.size(), 26u);
  EXPECT_GT(w[4], w[16]);
  EXPECT_LT(w.back(), 1.0) << "silent once freed";
  EXPECT_EQ(GetMainScene()->GetItemCount(), 0);
}

TEST_P(SoundOutput, TheSoundSwitchSilencesAndResumes) {
  TOrvaSound* sound = Sound("tone.ogg", 1000);
  sound->SetRepeat(true);
  sound->Play(LP_PLAY);
  Run(400);
  EXPECT_GT(Settled(), kFull * 0.9);
  GetMainScene()->SetAudioEnabled(false);
  Run(600);
  EXPECT_LT(Settled(), 1.0);
  // A sound started while the switch is off waits for it.
  TOrvaSound* second = Sound("tone.wav", 1000, 0, "second");
  second->Play(LP_PLAY);
  Run(400);
  EXPECT_LT(Settled(), 1.0);
  GetMainScene()->SetAudioEnabled(true);
  Run(600);
  EXPECT_GT(Settled(), kFull * 0.5);
  EXPECT_TRUE(sound->GetPlaying());
  EXPECT_TRUE(second->GetPlaying());
}

TEST_P(SoundOutput, ALoopJoinsWithoutAGap) {
  // A tenth of a second of tone, looped: each lap's end runs into the next lap's start. (It
  // is also exactly one block of the own mixer, whose reads end right at the sound's end.)
  files.Add("short.wav", kit::RiffWave()
                             .Pcm(2, 44100, 16)
                             .Data(kit::Samples16(kit::Tone(2, 44100, 4410, 1000, kAmplitude)))
                             .Bytes());
  TOrvaSound* sound = Sound("short.wav", 1000);
  sound->SetRepeat(true);
  sound->Play(LP_PLAY);
  Run(1000);
  const std::vector<int16_t> heard = TakeHeadlessAudio();
  // From the first sound on, no three samples in a row are near silence (a sample near a
  // zero crossing stands alone: the tone moves by about 1700 from one sample to the next).
  size_t first = 0;
  while (first < heard.size() / 2 && heard[first * 2] == 0) ++first;
  ASSERT_LT(first, heard.size() / 4);
  size_t run = 0, longest = 0;
  for (size_t f = first; f < heard.size() / 2; ++f) {
    run = std::abs(heard[f * 2]) < 100 ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  EXPECT_LT(longest, 3u);
  EXPECT_FALSE(sound->Ended());
}

INSTANTIATE_TEST_SUITE_P(Paths, SoundOutput, ::testing::Values(Path{"library", true}, Path{"own", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orva
