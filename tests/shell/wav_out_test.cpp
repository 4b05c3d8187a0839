#include "shell/wav_out.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "graphics/custom_dibx.h"
#include "kit/interpreter_doubles.h"
#include "media_test_kit.h"
#include "platform/audio_output.h"
#include "shell/sound_settings.h"

namespace orva {
namespace {

using testing::FakeWaveOutDevice;
using testing::Pcm16;
using testing::Pcm8;
using testing::PcmFormat;

// A mixer on the fake device, opened, fed by hand.
struct Mixer {
  explicit Mixer(int delay = 100, bool open = true) {
    const int saved = SoundDelayTime;
    SoundDelayTime = delay;
    state = std::make_shared<FakeWaveOutDevice::State>();
    out = std::make_unique<TWavOut>(std::make_unique<FakeWaveOutDevice>(state));
    SoundDelayTime = saved;
    if (open) {
      EXPECT_TRUE(out->Open());
    }
  }
  TWavBuffer* Source(const TWaveFormatEx& format, const std::string& bytes) {
    streams.push_back(std::make_unique<TMemoryStream>(bytes));
    return out->AddSource(format, streams.back().get());
  }
  TWavBuffer* Source(const TWaveFormatEx& format, std::unique_ptr<TStream> stream) {
    streams.push_back(std::move(stream));
    return out->AddSource(format, streams.back().get());
  }
  // The values of the n-th block written.
  std::vector<int16_t> Block(size_t n) const {
    const TWaveHeader& h = *state->written.at(n);
    std::vector<int16_t> values(h.BufferLength / 2);
    std::memcpy(values.data(), h.Data, h.BufferLength);
    return values;
  }
  size_t Values() const { return static_cast<size_t>(out->BlockSize()) / 2; }
  void DoneAll() {
    for (TWaveHeader* h : state->written) h->Flags |= WHDR_DONE;
  }

  std::shared_ptr<FakeWaveOutDevice::State> state;
  std::vector<std::unique_ptr<TStream>> streams;
  std::unique_ptr<TWavOut> out;  // last: freed before the streams
};

std::vector<int16_t> Ramp(size_t count, int start, int step) {
  std::vector<int16_t> v;
  for (size_t i = 0; i < count; ++i) v.push_back(static_cast<int16_t>(start + static_cast<int>(i) * step));
  return v;
}

class WavOutTest : public ::testing::Test {
 protected:
  kit::VirtualClock clock;
};

TEST_F(WavOutTest, BlockAndWakePeriodFollowTheDelay) {
  for (auto [delay, block, period] : {std::tuple{500, 88200, 125u}, {100, 17640, 25u}, {250, 44100, 62u}}) {
    Mixer m(delay);
    EXPECT_EQ(m.out->BlockSize(), block);
    EXPECT_EQ(m.out->WakePeriod(), period);
    EXPECT_EQ(m.state->period, period);
    EXPECT_EQ(m.out->PoolCount(), 4u);
  }
}

TEST_F(WavOutTest, EveryFormatBecomesStereo16At44100) {
  // Each source holds distinct values; the whole block shows each converted value repeated
  // as its rate and channels ask.
  struct Case {
    uint16_t channels;
    uint32_t rate;
    uint16_t bits;
    size_t repeat;  // output frames per source frame
  };
  const Case cases[] = {{2, 44100, 16, 1}, {1, 44100, 16, 1}, {2, 22050, 16, 2}, {2, 44100, 8, 1},
                        {1, 44100, 8, 1},  {2, 22050, 8, 2},  {1, 22050, 16, 2}, {1, 22050, 8, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::tuple{c.channels, c.rate, c.bits}));
    Mixer m;
    const size_t sourceValues = 3 * m.Values();
    std::vector<int16_t> expected;
    std::string bytes;
    if (c.bits == 16) {
      expected = Ramp(sourceValues, -20000, 7);
      bytes = Pcm16(expected);
    } else {
      std::vector<uint8_t> raw;
      for (size_t i = 0; i < sourceValues; ++i) raw.push_back(static_cast<uint8_t>(i * 3));
      for (uint8_t b : raw) expected.push_back(static_cast<int16_t>((b - 128) * 256));
      bytes = Pcm8(raw);
    }
    TWavBuffer* source = m.Source(PcmFormat(c.channels, c.rate, c.bits), bytes);
    source->Play();
    m.out->Feed();
    ASSERT_GE(m.state->written.size(), 1u);
    const std::vector<int16_t> block = m.Block(0);
    for (size_t v = 0; v < block.size(); ++v) {
      const size_t frame = v / 2 / c.repeat;
      const size_t index = c.channels == 2 ? frame * 2 + v % 2 : frame;
      ASSERT_EQ(block[v], expected[index]) << "value " << v;
    }
    // One feed queues two blocks; the source advanced by exactly the bytes they ask for.
    const size_t bytesPerFrame = c.channels * c.bits / 8u;
    EXPECT_EQ(static_cast<size_t>(m.streams[0]->GetPosition()), 2 * (m.Values() / 2 / c.repeat * bytesPerFrame));
  }
}

TEST_F(WavOutTest, FullScaleSourcesClipInsteadOfWrapping) {
  Mixer m;
  const size_t n = m.Values();
  std::vector<int16_t> high(n), low(n);
  for (size_t i = 0; i < n; ++i) {
    high[i] = i % 2 ? 32767 : -32768;
    low[i] = i % 2 ? 30000 : -30000;
  }
  m.Source(PcmFormat(2, 44100, 16), Pcm16(high))->Play();
  m.Source(PcmFormat(2, 44100, 16), Pcm16(low))->Play();
  m.out->Feed();
  const auto block = m.Block(0);
  EXPECT_EQ(block[0], -32768);
  EXPECT_EQ(block[1], 32767);
  EXPECT_EQ(block[n - 1], 32767);
}

TEST(WavOutAdd, PackedSaturationEqualsThePlainOne) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> any(-32768, 32767);
  for (size_t count : {0u, 1u, 7u, 8u, 9u, 1000u}) {
    std::vector<int16_t> a(count), b(count);
    for (size_t i = 0; i < count; ++i) {
      a[i] = static_cast<int16_t>(any(random));
      b[i] = static_cast<int16_t>(i % 3 == 0 ? (a[i] < 0 ? -32768 : 32767) : any(random));
    }
    std::vector<int16_t> plain = a, packed = a;
    AddSaturated(plain.data(), b.data(), count);
    AddSaturatedPacked(packed.data(), b.data(), count);
    EXPECT_EQ(plain, packed) << count;
  }
}

TEST_F(WavOutTest, VolumeScalesBelow255) {
  for (auto [volume, in, want] : {std::tuple{128, 1000, 500}, {128, -3, -2}, {255, -12345, -12345},
                                  {256, 32767, 32767}, {0, 32767, 0}, {64, -32768, -8192}}) {
    Mixer m;
    TWavBuffer* source = m.Source(PcmFormat(2, 44100, 16), Pcm16(std::vector<int16_t>(m.Values(), static_cast<int16_t>(in))));
    source->SetVolume(volume);
    source->Play();
    m.out->Feed();
    EXPECT_EQ(m.Block(0)[0], want) << volume << " " << in;
  }
}

TEST_F(WavOutTest, LoopingSourceWrapsInsideABlock) {
  Mixer m;
  const auto samples = Ramp(1000, -500, 1);  // 500 stereo frames
  TWavBuffer* source = m.Source(PcmFormat(2, 44100, 16), Pcm16(samples));
  source->SetLoop(true);
  source->Play();
  m.out->Feed();
  const auto block = m.Block(0);
  for (size_t v = 0; v < block.size(); ++v) ASSERT_EQ(block[v], samples[v % samples.size()]) << v;
  EXPECT_FALSE(source->IsEnd());
  EXPECT_EQ(m.streams[0]->GetPosition(), static_cast<int64_t>((2 * block.size() % samples.size()) * 2));
}

TEST_F(WavOutTest, EndIsReportedOnlyAfterTwoBlocksAndTenMilliseconds) {
  Mixer m;  // delay 100 ms
  // Exactly one block of sound: the last read ends at the stream's end.
  TWavBuffer* source = m.Source(PcmFormat(2, 44100, 16), Pcm16(Ramp(m.Values(), 0, 1)));
  source->Play();
  clock.milliseconds = 1000;
  m.out->Feed();
  EXPECT_EQ(m.state->written.size(), 1u);
  for (auto [now, ended] : {std::pair{1000u, false}, {1210u, false}, {1211u, true}}) {
    clock.milliseconds = now;
    EXPECT_EQ(source->IsEnd(), ended) << now;
  }
  // An ended source takes no part: no new block.
  m.DoneAll();
  m.out->Feed();
  EXPECT_EQ(m.state->written.size(), 1u);
  EXPECT_EQ(m.out->BlockCount(), 0u);
}

TEST_F(WavOutTest, PositionIsWhatIsAudibleNow) {
  Mixer m;  // 100 ms: 17640 bytes of latency at the output format
  TWavBuffer* source = m.Source(PcmFormat(2, 44100, 16), Pcm16(Ramp(3 * m.Values(), 0, 1)));
  source->Play();
  clock.milliseconds = 5000;
  EXPECT_EQ(source->GetPosition(), 0);  // never mixed: the position itself
  m.out->Feed();                        // two blocks: 35280 bytes read
  struct Case {
    uint32_t after;
    int32_t position;
  };
  for (const Case& c : {Case{0, 35280 - 17640}, {50, 35280 - 17640 + 8820}, {200, 35280 + 17640}, {201, 35280}}) {
    clock.milliseconds = 5000 + c.after;
    EXPECT_EQ(source->GetPosition(), c.position) << c.after;
  }
  // Not below 0 right after the first block of a sound.
  Mixer first;
  TWavBuffer* early = first.Source(PcmFormat(1, 22050, 8), Pcm8(std::vector<uint8_t>(100, 1)));
  early->Play();
  first.out->Feed();
  EXPECT_EQ(early->GetPosition(), 0);
  clock.milliseconds += 150;  // 150 ms of 22050 bytes/s = 3307.5: halves go to even
  EXPECT_EQ(early->GetPosition(), 100);
}

TEST_F(WavOutTest, PositionRoundsHalvesToEven) {
  Mixer m(100);
  TWavBuffer* source = m.Source(PcmFormat(1, 22050, 8), Pcm8(std::vector<uint8_t>(100000, 1)));
  source->Play();
  clock.milliseconds = 0;
  m.out->Feed();  // two blocks of 17640 / 8 bytes each: 4410
  // 22.05 bytes per ms: latency 2205; 10 ms played is 220.5 -> 220, 30 ms is 661.5 -> 662.
  clock.milliseconds = 10;
  EXPECT_EQ(source->GetPosition(), 4410 - 2205 + 220);
  clock.milliseconds = 30;
  EXPECT_EQ(source->GetPosition(), 4410 - 2205 + 662);
}

TEST_F(WavOutTest, OnlyPlayedSourcesAreMixed) {
  Mixer m;
  TWavBuffer* idle = m.Source(PcmFormat(2, 44100, 16), Pcm16(std::vector<int16_t>(m.Values(), 1000)));
  m.out->Feed();
  EXPECT_EQ(m.state->written.size(), 0u);  // no active source: no block
  TWavBuffer* playing = m.Source(PcmFormat(2, 44100, 16), Pcm16(std::vector<int16_t>(m.Values(), 7)));
  playing->Play();
  m.out->Feed();
  ASSERT_EQ(m.state->written.size(), 1u);
  // Added but never played, the first source stays silent and keeps its place.
  EXPECT_EQ(m.Block(0)[0], 7);
  EXPECT_EQ(m.streams[0]->GetPosition(), 0);
  EXPECT_FALSE(idle->Playing());
  playing->Stop();
  m.DoneAll();
  m.out->Feed();
  EXPECT_EQ(m.state->written.size(), 1u);
}

TEST_F(WavOutTest, AtMostTwoBlocksQueuedAndMemoryReused) {
  Mixer m;
  TWavBuffer* source = m.Source(PcmFormat(2, 44100, 16), Pcm16(std::vector<int16_t>(20 * m.Values(), 3)));
  source->Play();
  m.out->Feed();
  m.out->Feed();
  EXPECT_EQ(m.state->written.size(), 2u);
  m.state->written[0]->Flags |= WHDR_DONE;
  m.out->Feed();
  EXPECT_EQ(m.state->written.size(), 3u);
  EXPECT_EQ(m.out->BlockCount(), 2u);
  for (int i = 0; i < 10; ++i) {
    m.DoneAll();
    m.out->Feed();
  }
  EXPECT_EQ(m.out->PoolCount(), 4u);
}

TEST_F(WavOutTest, SourcesThatCannotAdvanceEndSilently) {
  // A rate the mixer does not convert, and a stream that stops giving bytes before its size.
  Mixer m;
  TWavBuffer* odd = m.Source(PcmFormat(2, 11025, 16), Pcm16(std::vector<int16_t>(1000, 5)));
  TWavBuffer* stalled =
      m.Source(PcmFormat(2, 44100, 16), std::make_unique<testing::ShortStream>(Pcm16(std::vector<int16_t>(10, 9)), 1 << 20));
  odd->Play();
  stalled->Play();
  clock.milliseconds = 100;
  m.out->Feed();
  ASSERT_EQ(m.state->written.size(), 1u);
  EXPECT_EQ(m.Block(0)[0], 9);
  EXPECT_EQ(m.Block(0)[10], 0);
  clock.milliseconds = 311;
  EXPECT_TRUE(odd->IsEnd());
  EXPECT_TRUE(stalled->IsEnd());
}

TEST_F(WavOutTest, UnpreparableBlocksAreFreedAtOnce) {
  Mixer m;
  m.state->prepareFails = true;
  m.Source(PcmFormat(2, 44100, 16), Pcm16(std::vector<int16_t>(m.Values(), 3)))->Play();
  m.out->Feed();
  EXPECT_EQ(m.out->BlockCount(), 0u);
  EXPECT_TRUE(m.state->written.empty());
}

TEST_F(WavOutTest, ClosedDeviceEndsEverySource) {
  Mixer m(100, false);
  m.state->openFails = true;
  EXPECT_FALSE(m.out->Open());
  TWavBuffer* source = m.Source(PcmFormat(2, 44100, 16), Pcm16(std::vector<int16_t>(100, 3)));
  source->Play();
  EXPECT_FALSE(source->Playing());
  EXPECT_TRUE(source->IsEnd());
  m.out->Feed();
  EXPECT_TRUE(m.state->written.empty());
}

// The real device on the headless output: the feeder runs at its due times on the pulled
// clock and the output hears the source one block later.
TEST_F(WavOutTest, FeederRunsOnTheHeadlessClock) {
  SetAudioBackend(TAudioBackend::Headless);
  SetHeadlessAudioCapture(true);
  SoundDelayTime = 100;
  std::vector<int16_t> samples = Ramp(2 * 44100, -30000, 1);  // one second, stereo
  TMemoryStream stream(Pcm16(samples));
  {
    TWavOut out;
    SoundDelayTime = 500;
    ASSERT_TRUE(out.Open());
    TWavBuffer* source = out.AddSource(PcmFormat(2, 44100, 16), &stream);
    source->Play();
    for (int frame = 0; frame < 80; ++frame) {
      clock.milliseconds += 16;
      HeadlessAudioPull(16);
    }
    out.RemoveSource(source);
  }
  const std::vector<int16_t> heard = TakeHeadlessAudio();
  SetHeadlessAudioCapture(false);
  ASSERT_EQ(heard.size(), 80u * 16 * 441 / 10 * 2);
  // The first feed is due one wake period (25 ms) after the open.
  const size_t start = 25 * 441 / 10 * 2;
  for (size_t i = 0; i < start; ++i) ASSERT_EQ(heard[i], 0) << i;
  for (size_t i = start; i < heard.size(); ++i) ASSERT_EQ(heard[i], samples[i - start]) << i;
}

}  // namespace
}  // namespace orva
