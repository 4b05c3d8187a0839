// Our media module through its entry points, its worker and the headless output.
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <tuple>

#include "core/stream.h"
#include "kit/media_files.h"
#include "platform/audio_output.h"
#include "platform/media_voice.h"
#include "platform/movie_decoder.h"
#include "platform/riff_wave.h"
#include "platform/sound_device.h"
#include "shell/media_library.h"

namespace orva {
namespace {

const TOrvaEntryPoints& Lib() { return OrvaLib(); }

class MediaModuleTest : public ::testing::Test {
 protected:
  MediaModuleTest() {
    SetAudioBackend(TAudioBackend::Headless);
    SetHeadlessAudioCapture(true);
    device = TSoundDevice::Open();
    DirectSoundObject = device.get();
    InitOrvaLibrary();
  }
  ~MediaModuleTest() override {
    Lib().orvaFinal();
    DirectSoundObject = nullptr;
    device.reset();
    SetHeadlessAudioCapture(false);
  }

  TStream* Stream(const std::string& bytes) {
    streams.push_back(std::make_unique<TMemoryStream>(bytes));
    return streams.back().get();
  }
  // Milliseconds of output, pulled as frames would.
  std::vector<int16_t> Pull(uint32_t ms) {
    TakeHeadlessAudio();
    for (uint32_t done = 0; done < ms; done += 10) HeadlessAudioPull(std::min<uint32_t>(10, ms - done));
    return TakeHeadlessAudio();
  }

  std::unique_ptr<TSoundDevice> device;
  std::vector<std::unique_ptr<TStream>> streams;
};

// What the output hears of mixable PCM: every sample in both channels at 44100 Hz.
std::vector<int16_t> Heard(const std::vector<int16_t>& values, int channels, int repeat) {
  std::vector<int16_t> out;
  for (size_t f = 0; f + static_cast<size_t>(channels) <= values.size(); f += static_cast<size_t>(channels))
    for (int r = 0; r < repeat; ++r) {
      out.push_back(values[f]);
      out.push_back(values[f + static_cast<size_t>(channels) - 1]);
    }
  return out;
}

std::vector<int16_t> Prefix(const std::vector<int16_t>& v, size_t n) { return {v.begin(), v.begin() + static_cast<ptrdiff_t>(std::min(n, v.size()))}; }

TEST_F(MediaModuleTest, AnswersItsVersion) {
  EXPECT_EQ(Lib().orvaVersion(), 108);
  EXPECT_TRUE(BindOrvaLibrary());
}

TEST_F(MediaModuleTest, WaveFilesPlayEveryPcmFormat) {
  struct Case {
    uint16_t channels;
    uint32_t rate;
    uint16_t bits;
  };
  for (const Case& c : {Case{2, 44100, 16}, {1, 44100, 16}, {2, 22050, 16}, {1, 22050, 8}, {2, 44100, 8}}) {
    SCOPED_TRACE(::testing::PrintToString(std::tuple{c.channels, c.rate, c.bits}));
    const int frames = static_cast<int>(c.rate / 10);  // 100 ms
    std::vector<int16_t> values;
    std::string data;
    if (c.bits == 16) {
      values = kit::Tone(c.channels, static_cast<int>(c.rate), frames, 300);
      data = kit::Samples16(values);
    } else {
      for (int i = 0; i < frames * c.channels; ++i) {
        const auto b = static_cast<uint8_t>(i * 7);
        data += static_cast<char>(b);
        values.push_back(static_cast<int16_t>((b - 128) * 256));
      }
    }
    // Unknown chunks, an odd-sized one with its pad byte, before and after the data.
    const std::string wav = kit::RiffWave()
                                .Chunk("LIST", "abc")
                                .Pcm(c.channels, c.rate, c.bits)
                                .Chunk("fact", "12345")
                                .Data(data)
                                .Chunk("junk", "x")
                                .Bytes();
    const TOrvaHandle h = Lib().orvaOggmanAdd(Stream(wav), OrvaBool(false));
    ASSERT_NE(h, 0);
    EXPECT_EQ(Lib().orvaOggGetLen(h), 100);
    Lib().orvaOggPlay(h);
    EXPECT_TRUE(FromOrvaBool(Lib().orvaOggIsPlaying(h)));
    const std::vector<int16_t> heard = Pull(120);
    const std::vector<int16_t> want = Heard(values, c.channels, c.rate == 22050 ? 2 : 1);
    EXPECT_EQ(Prefix(heard, want.size()), want);
    EXPECT_TRUE(FromOrvaBool(Lib().orvaOggIsEnd(h)));
    EXPECT_FALSE(FromOrvaBool(Lib().orvaOggIsPlaying(h)));
    Lib().orvaOggmanDel(h);
  }
}

TEST_F(MediaModuleTest, VolumeAndPan) {
  const std::vector<int16_t> values(2 * 4410, 10000);
  const std::string wav = kit::RiffWave().Pcm(2, 44100, 16).Data(kit::Samples16(values)).Bytes();
  struct Case {
    int32_t volume, pan;
    int16_t left, right;
  };
  // -2000 is a tenth; a pan to the right attenuates the left channel.
  for (const Case& c : {Case{0, 0, 10000, 10000}, {-2000, 0, 1000, 1000}, {0, 2000, 1000, 10000},
                        {0, -2000, 10000, 1000}, {-10000, 0, 0, 0}, {-600, 600, 2511, 5011}}) {
    const TOrvaHandle h = Lib().orvaOggmanAdd(Stream(wav), OrvaBool(false));
    Lib().orvaOggSetVol(h, c.volume);
    Lib().orvaOggSetPan(h, c.pan);
    EXPECT_EQ(Lib().orvaOggGetVol(h), c.volume);
    EXPECT_EQ(Lib().orvaOggGetPan(h), c.pan);
    Lib().orvaOggPlay(h);
    const auto heard = Pull(20);
    EXPECT_NEAR(heard[100], c.left, 1) << c.volume << " " << c.pan;
    EXPECT_NEAR(heard[101], c.right, 1) << c.volume << " " << c.pan;
    Lib().orvaOggmanDel(h);
  }
}

TEST_F(MediaModuleTest, LoopingAndPositions) {
  const std::vector<int16_t> values = kit::Tone(2, 44100, 4410, 500);
  const std::string wav = kit::RiffWave().Pcm(2, 44100, 16).Data(kit::Samples16(values)).Bytes();
  const TOrvaHandle h = Lib().orvaOggmanAdd(Stream(wav), OrvaBool(false));
  Lib().orvaOggSetAutoRepeat(h, OrvaBool(true));
  EXPECT_EQ(Lib().orvaOggGetAutoRepeat(h), -1);
  Lib().orvaOggPlay(h);
  const auto heard = Pull(250);
  for (size_t i = 0; i < heard.size(); ++i) ASSERT_EQ(heard[i], values[i % values.size()]) << i;
  EXPECT_FALSE(FromOrvaBool(Lib().orvaOggIsEnd(h)));
  EXPECT_EQ(Lib().orvaOggGetPosition(h), 50);
  // Paused, nothing advances; a new position plays from there.
  Lib().orvaOggPause(h);
  EXPECT_TRUE(FromOrvaBool(Lib().orvaOggIsPaused(h)));
  EXPECT_EQ(Pull(30), std::vector<int16_t>(30 * 441 / 10 * 2, 0));
  Lib().orvaOggSetPosition(h, 20);
  Lib().orvaOggPlay(h);
  const auto after = Pull(10);
  EXPECT_EQ(after[0], values[882 * 2]);
}

TEST_F(MediaModuleTest, ALoopTurnedOffEndsWithTheLapHeard) {
  // A lap of 10 ms: the worker queues many laps ahead, each a chunk of its own.
  const std::vector<int16_t> values = kit::Tone(2, 44100, 441, 700);
  const std::string wav = kit::RiffWave().Pcm(2, 44100, 16).Data(kit::Samples16(values)).Bytes();
  // Within the second lap, and where the first lap is just used up with the next queued.
  for (uint32_t before : {15u, 10u}) {
    SCOPED_TRACE(before);
    const TOrvaHandle h = Lib().orvaOggmanAdd(Stream(wav), OrvaBool(false));
    Lib().orvaOggSetAutoRepeat(h, OrvaBool(true));
    Lib().orvaOggPlay(h);
    Pull(before);
    Lib().orvaOggSetAutoRepeat(h, OrvaBool(false));
    const std::vector<int16_t> heard = Pull(30);
    const size_t rest = (441 - before * 441 / 10 % 441) % 441;
    std::vector<int16_t> want(values.end() - static_cast<ptrdiff_t>(rest * 2), values.end());
    want.resize(heard.size(), 0);
    EXPECT_EQ(heard, want);
    EXPECT_TRUE(FromOrvaBool(Lib().orvaOggIsEnd(h)));
    Lib().orvaOggmanDel(h);
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Seekable bytes in memory for libvorbisfile.
struct MemoryFile {
  const std::string& bytes;
  size_t position = 0;
  static size_t Read(void* out, size_t size, size_t count, void* self) {
    auto& m = *static_cast<MemoryFile*>(self);
    const size_t n = std::min(size * count, m.bytes.size() - m.position);
    std::memcpy(out, m.bytes.data() + m.position, n);
    m.position += n;
    return n / size;
  }
  static int Seek(void* self, ogg_int64_t offset, int whence) {
    auto& m = *static_cast<MemoryFile*>(self);
    const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<int64_t>(m.position) : static_cast<int64_t>(m.bytes.size());
    if (base + offset < 0 || base + offset > static_cast<int64_t>(m.bytes.size())) return -1;
    m.position = static_cast<size_t>(base + offset);
    return 0;
  }
  static long Tell(void* self) { return static_cast<long>(static_cast<MemoryFile*>(self)->position); }
};

// libvorbisfile's own decoding of the same bytes, from a frame on.
std::vector<int16_t> Reference(const std::string& ogg, int64_t fromFrame, int& channels, int& rate) {
  OggVorbis_File file;
  MemoryFile memory{ogg};
  EXPECT_EQ(ov_open_callbacks(&memory, &file, nullptr, 0, {MemoryFile::Read, MemoryFile::Seek, nullptr, MemoryFile::Tell}), 0);
  EXPECT_EQ(ov_pcm_seek(&file, fromFrame), 0);
  channels = ov_info(&file, -1)->channels;
  rate = static_cast<int>(ov_info(&file, -1)->rate);
  std::vector<int16_t> out;
  char buffer[8192];
  int section;
  for (long n; (n = ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &section)) > 0;) {
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(n) / 2);
    std::memcpy(out.data() + at, buffer, static_cast<size_t>(n));
  }
  ov_clear(&file);
  return out;
}

TEST_F(MediaModuleTest, OggSamplesEqualTheReferenceDecoder) {
  // Seekable Ogg needs the whole file in memory: the reference reads from memory too.
  std::vector<std::string> files = {kit::EncodeOggVorbis(kit::Tone(2, 44100, 30000, 440), 2, 44100),
                                    kit::EncodeOggVorbis(kit::Tone(1, 22050, 9000, 700), 1, 22050)};
  for (const char* name : {"phone-incoming-call.oga", "complete.oga", "message.oga"})
    files.push_back(ReadFile(std::string("/usr/share/sounds/freedesktop/stereo/") + name));
  for (size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_GT(files[i].size(), 1000u);
    int channels = 0, rate = 0;
    const std::vector<int16_t> whole = Reference(files[i], 0, channels, rate);
    ASSERT_TRUE(rate == 44100 || rate == 22050) << rate;
    const int repeat = rate == 22050 ? 2 : 1;
    const TOrvaHandle h = Lib().orvaOggmanAdd(Stream(files[i]), OrvaBool(true));
    EXPECT_NEAR(Lib().orvaOggGetLen(h), static_cast<double>(whole.size() / static_cast<size_t>(channels)) * 1000 / rate, 1);
    Lib().orvaOggPlay(h);
    const auto want = Heard(whole, channels, repeat);
    ASSERT_GT(want.size(), 300u * 441 / 10 * 2);
    EXPECT_EQ(Pull(300), Prefix(want, 300 * 441 / 10 * 2));
    // After a seek the samples go on from exactly that frame.
    Lib().orvaOggSetPosition(h, 100);
    const std::vector<int16_t> sought = Reference(files[i], 100 * rate / 1000, channels, rate);
    EXPECT_EQ(Prefix(Pull(100), 100 * 441 / 10 * 2), Prefix(Heard(sought, channels, repeat), 100 * 441 / 10 * 2));
    Lib().orvaOggmanDel(h);
  }
}

TEST_F(MediaModuleTest, DecoderGivesMixablePcm) {
  struct Case {
    std::string bytes;
    bool ogg;
    TWaveFormatEx format;
  };
  const std::vector<int16_t> tone48 = kit::Tone(2, 48000, 4800, 440);
  const Case cases[] = {
      {kit::RiffWave().Pcm(1, 22050, 8).Data(std::string(2205, '\x90')).Bytes(), false, {1, 1, 22050, 22050, 1, 8, 0}},
      {kit::RiffWave().Pcm(2, 8000, 16).Data(std::string(3200, '\x01')).Bytes(), false, {1, 2, 44100, 176400, 4, 16, 0}},
      {kit::EncodeOggVorbis(tone48, 2, 48000), true, {1, 2, 44100, 176400, 4, 16, 0}},
  };
  for (const Case& c : cases) {
    const TOrvaHandle h = Lib().orvaOggStrmanAdd(Stream(c.bytes), OrvaBool(c.ogg));
    TWaveFormatEx format;
    ASSERT_TRUE(FromOrvaBool(Lib().orvaOggStrGetFormat(h, &format)));
    EXPECT_EQ(format, c.format);
    EXPECT_EQ(Lib().orvaOggStrGetLen(h), 100);
    const int32_t size = Lib().orvaOggStrGetSize(h);
    EXPECT_NEAR(size, static_cast<int32_t>(c.format.nAvgBytesPerSec / 10), 8);
    std::vector<uint8_t> all(static_cast<size_t>(size) + 100);
    int32_t got = 0;
    for (int32_t n; (n = Lib().orvaOggStrRead(h, all.data() + got, 1000)) > 0;) got += n;
    EXPECT_NEAR(got, size, 64);
    EXPECT_EQ(Lib().orvaOggStrGetPos(h), got);
    // Back to a position: the same bytes again.
    Lib().orvaOggStrSetPos(h, 400);
    std::vector<uint8_t> again(200);
    EXPECT_EQ(Lib().orvaOggStrRead(h, again.data(), 200), 200);
    if (!c.ogg) {
      EXPECT_EQ(std::memcmp(again.data(), all.data() + 400, 200), 0);
    }
    Lib().orvaOggStrmanDel(h);
  }
}

TEST_F(MediaModuleTest, WindowsMediaAudioPlaysFromMemory) {
  const std::string wma = kit::EncodeWma(kit::Tone(2, 44100, 44100 / 2, 440, 16000), 2, 44100);
  const TOrvaHandle h = Lib().orvaWmpmanAdd(wma.data(), static_cast<int32_t>(wma.size()));
  ASSERT_NE(h, 0);
  EXPECT_NEAR(Lib().orvaWmpGetLen(h), 500, 100);
  Lib().orvaWmpPlay(h);
  const auto heard = Pull(700);
  int64_t energy = 0;
  for (size_t i = 4410; i < 4410 * 8; ++i) energy += std::abs(heard[i]);
  EXPECT_GT(energy / (4410 * 7), 5000);
  EXPECT_TRUE(FromOrvaBool(Lib().orvaWmpIsEnd(h)));
  Lib().orvaWmpmanDel(h);
}

TEST_F(MediaModuleTest, MoviesGiveTheirPicturesOnTheSoundsClock) {
  const std::vector<uint32_t> colors = {0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00, 0x0000FF, 0x0000FF, 0xFFFFFF, 0x000000};
  for (bool withSound : {true, false}) {
    SCOPED_TRACE(withSound);
    const std::string movie = kit::EncodeMovie(64, 48, 10, colors, withSound);
    const TOrvaHandle h = Lib().orvaVidmanAdd("movie.wmv", Stream(movie), OrvaBool(true));
    ASSERT_NE(h, 0);
    EXPECT_EQ(Lib().orvaVideoGetSourceWidth(h), 64);
    EXPECT_EQ(Lib().orvaVideoGetSourceHeight(h), 48);
    EXPECT_NEAR(Lib().orvaVideoGetLen(h), 800, 120);
    Lib().orvaVideoPlay(h);
    for (int step = 0; step < 8; ++step) {
      Pull(step == 0 ? 50 : 100);  // the middle of each picture's time
      ASSERT_TRUE(FromOrvaBool(Lib().orvaVideoNeedPaint(h))) << step;
      EXPECT_FALSE(FromOrvaBool(Lib().orvaVideoNeedPaint(h)));
      const TVideoFrame* frame = Lib().orvaVideoGetDC(h);
      ASSERT_NE(frame->Pixels, nullptr);
      const uint32_t pixel = frame->Pixels[24 * 64 + 32];
      for (int shift : {16, 8, 0})
        EXPECT_NEAR(static_cast<int>((pixel >> shift) & 0xFF), static_cast<int>((colors[step] >> shift) & 0xFF), 24)
            << step << " " << shift;
    }
    Pull(300);
    EXPECT_TRUE(FromOrvaBool(Lib().orvaVideoIsEnd(h)));
    Lib().orvaVidmanDel(h);
  }
}

TEST_F(MediaModuleTest, LoopingMoviesStartAgainWithoutAGap) {
  const std::vector<uint32_t> colors = {0xFF0000, 0x808000, 0x00FF00, 0x008080, 0x0000FF, 0x800080, 0xFFFFFF, 0x000000};
  const auto index = [&](uint32_t pixel) {
    for (size_t i = 0; i < colors.size(); ++i) {
      bool near = true;
      for (int shift : {16, 8, 0})
        near = near && std::abs(static_cast<int>((pixel >> shift) & 0xFF) - static_cast<int>((colors[i] >> shift) & 0xFF)) <= 24;
      if (near) return static_cast<int>(i);
    }
    return -1;
  };
  for (bool withSound : {true, false}) {
    SCOPED_TRACE(withSound);
    const TOrvaHandle h = Lib().orvaVidmanAdd("movie.wmv", Stream(kit::EncodeMovie(64, 48, 10, colors, withSound)), OrvaBool(true));
    ASSERT_NE(h, 0);
    Lib().orvaVideoSetAutoRepeat(h, OrvaBool(true));
    Lib().orvaVideoPlay(h);
    // Three laps, 10 ms at a time: the pictures come in their order lap after lap, the
    // position starts again with each lap and stays within the length, and no end shows.
    std::vector<int> seen;
    std::vector<int16_t> heard;
    int32_t last = 0;
    std::vector<int32_t> lapEnds;
    for (int step = 0; step < 300 && seen.size() < 24; ++step) {
      const std::vector<int16_t> part = Pull(10);
      heard.insert(heard.end(), part.begin(), part.end());
      if (FromOrvaBool(Lib().orvaVideoNeedPaint(h))) seen.push_back(index(Lib().orvaVideoGetDC(h)->Pixels[24 * 64 + 32]));
      const int32_t position = Lib().orvaVideoGetPosition(h);
      if (position < last) lapEnds.push_back(last);
      last = position;
      ASSERT_FALSE(FromOrvaBool(Lib().orvaVideoIsEnd(h))) << step;
      ASSERT_TRUE(FromOrvaBool(Lib().orvaVideoIsPlaying(h))) << step;
    }
    std::vector<int> want;
    for (int lap = 0; lap < 3; ++lap)
      for (int i = 0; i < 8; ++i) want.push_back(i);
    EXPECT_EQ(seen, want);
    ASSERT_EQ(lapEnds.size(), 2u);
    const int32_t length = Lib().orvaVideoGetLen(h);
    EXPECT_GE(length, 800);
    for (int32_t end : lapEnds) {
      EXPECT_LE(end, length);
      EXPECT_GT(end, length - 10);
    }
    if (withSound) {
      // The second lap sounds as the first did, sample for sample, wherever the seam fell.
      const size_t lapFrames = static_cast<size_t>(length) * 441 / 10;
      const size_t span = 44100 / 2;
      bool same = false;
      for (size_t shift = lapFrames; shift <= lapFrames + 45 && !same; ++shift)
        same = std::equal(heard.begin() + 2205 * 2, heard.begin() + (2205 + span) * 2, heard.begin() + (2205 + shift) * 2);
      EXPECT_TRUE(same);
    }
    // Without the loop the lap under way is the last, and its last picture stays.
    Lib().orvaVideoSetAutoRepeat(h, OrvaBool(false));
    Pull(static_cast<uint32_t>(length));
    EXPECT_TRUE(FromOrvaBool(Lib().orvaVideoIsEnd(h)));
    Lib().orvaVideoNeedPaint(h);
    EXPECT_EQ(index(Lib().orvaVideoGetDC(h)->Pixels[24 * 64 + 32]), 7);
    Lib().orvaVidmanDel(h);
  }
}

TEST_F(MediaModuleTest, DamagedDataIsSilentAndEnded) {
  const std::string wav = kit::RiffWave().Pcm(2, 44100, 16).Data(kit::Samples16(kit::Tone(2, 44100, 4410, 440))).Bytes();
  std::string ogg = kit::EncodeOggVorbis(kit::Tone(2, 44100, 8000, 440), 2, 44100);
  const std::string wma = kit::EncodeWma(kit::Tone(2, 44100, 8000, 440), 2, 44100);
  std::string scrambledOgg = ogg;
  for (size_t i = 200; i < scrambledOgg.size(); i += 7) scrambledOgg[i] = static_cast<char>(scrambledOgg[i] ^ 0x5A);
  std::string scrambledWma = wma;
  for (size_t i = 100; i < scrambledWma.size(); i += 5) scrambledWma[i] = static_cast<char>(scrambledWma[i] ^ 0x33);
  const std::string badFormat = kit::RiffWave().Format(1, 0, 44100, 0, 0, 16).Data("abcd").Bytes();
  struct Case {
    std::string bytes;
    bool ogg;
  };
  for (const Case& c : {Case{wav.substr(0, 30), false}, {badFormat, false}, {"RIFF", false}, {"", false},
                        {ogg.substr(0, 100), true}, {scrambledOgg, true}, {std::string(5000, 'O'), true}}) {
    const TOrvaHandle decoder = Lib().orvaOggStrmanAdd(Stream(c.bytes), OrvaBool(c.ogg));
    TWaveFormatEx format;
    const bool valid = FromOrvaBool(Lib().orvaOggStrGetFormat(decoder, &format));
    std::vector<uint8_t> buffer(4096);
    while (valid && Lib().orvaOggStrRead(decoder, buffer.data(), 4096) > 0) {
    }
    Lib().orvaOggStrmanDel(decoder);
    const TOrvaHandle h = Lib().orvaOggmanAdd(Stream(c.bytes), OrvaBool(c.ogg));
    Lib().orvaOggPlay(h);
    Pull(200);
    EXPECT_TRUE(FromOrvaBool(Lib().orvaOggIsEnd(h))) << c.bytes.size();
    Lib().orvaOggmanDel(h);
  }
  for (const std::string& bytes : {scrambledWma, wma.substr(0, wma.size() / 3), std::string("0&\xb2u", 4)}) {
    const TOrvaHandle h = Lib().orvaWmpmanAdd(bytes.data(), static_cast<int32_t>(bytes.size()));
    Lib().orvaWmpPlay(h);
    Pull(300);
    EXPECT_TRUE(FromOrvaBool(Lib().orvaWmpIsEnd(h)));
    Lib().orvaWmpmanDel(h);
  }
}

}  // namespace
}  // namespace orva

namespace orva {
namespace {

// A movie opened and decoded on one thread while FFmpeg is prepared on another gives what one
// opened after does: its size, length, sound and pictures.
TEST(MovieDecoder, PreparingBesideAnOpenChangesNothing) {
  const std::string movie = kit::EncodeMovie(64, 48, 10, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, true);
  const auto decode = [&] {
    TMemorySource source(std::vector<uint8_t>(movie.begin(), movie.end()));
    std::unique_ptr<TMovieDecoder> decoder = TMovieDecoder::Open(source);
    std::vector<int64_t> facts;
    std::vector<int16_t> audio;
    std::deque<TMoviePicture> pictures;
    if (!decoder) return std::make_tuple(facts, audio, std::vector<uint32_t>());
    facts = {decoder->Width(), decoder->Height(), decoder->Duration()};
    while (decoder->Step(audio, pictures)) {
    }
    std::vector<uint32_t> pixels;
    for (const TMoviePicture& p : pictures) {
      facts.push_back(p.Time);
      pixels.insert(pixels.end(), p.Pixels.begin(), p.Pixels.end());
    }
    return std::make_tuple(facts, audio, pixels);
  };
  std::thread prepare(PrepareMovieDecoding);
  const auto beside = decode();
  prepare.join();
  const auto after = decode();
  ASSERT_EQ(std::get<0>(beside).size(), 3u + 4u);
  EXPECT_EQ(std::get<0>(beside), std::get<0>(after));
  EXPECT_EQ(std::get<1>(beside), std::get<1>(after));
  EXPECT_EQ(std::get<2>(beside), std::get<2>(after));
}

// Laps of 100 frames, each sample telling its lap and frame, queued and heard in the orders the
// worker and the output may take.
TEST(MediaVoice, ALoopTurnedOffDropsTheLapsAfterTheOneHeard) {
  const auto lap = [](int n) {
    std::vector<int16_t> frames;
    for (int f = 0; f < 100; ++f) frames.insert(frames.end(), 2, static_cast<int16_t>(n * 1000 + f));
    return frames;
  };
  struct Case {
    const char* name;
    int queuedBefore;  // laps pushed before the loop is turned off
    int heardBefore;   // frames heard before
    int pushedAfter;   // laps pushed after, following the queued ones
    int first;         // the first sample heard after
  };
  const Case cases[] = {
      {"inside the first lap", 2, 40, 0, 40},
      {"the next lap queued at the front", 2, 100, 0, 0},
      {"the next lap pushed after, on an empty queue", 1, 100, 1, 0},
      {"the next lap pushed after, behind the lap heard", 1, 40, 1, 40},
      {"inside the second lap", 3, 150, 0, 1050},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TVoice voice([] {});
    voice.SetLoop(true);
    voice.Play();
    for (int n = 0; n < c.queuedBefore; ++n) voice.Push(0, 0, lap(n), n * 100);
    std::vector<int32_t> mix(static_cast<size_t>(c.heardBefore) * 2);
    voice.MixInto(mix.data(), c.heardBefore, false);
    voice.SetLoop(false);
    for (int n = c.queuedBefore; n < c.queuedBefore + c.pushedAfter; ++n) voice.Push(0, 0, lap(n), n * 100);
    mix.assign(400, 0);
    voice.MixInto(mix.data(), 200, false);
    const int left = (100 - c.heardBefore % 100) % 100;
    for (int f = 0; f < 200; ++f) {
      const int32_t want = f < left ? c.first + f : 0;
      ASSERT_EQ(mix[static_cast<size_t>(f) * 2], want) << f;
    }
    EXPECT_TRUE(voice.IsEnd());
  }
}

TEST(RiffWaveReader, FindsTheFormatAndTheDataWithinTheFile) {
  std::string extensible(22, '\0');  // valid bits, channel mask, the PCM subformat
  const uint8_t subformat[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
  std::memcpy(extensible.data() + 6, subformat, 16);
  struct Case {
    std::string bytes;
    bool found;
    uint16_t tag;
    int64_t offset, size;
  };
  const Case cases[] = {
      {kit::RiffWave().Pcm(2, 44100, 16).Data("abcd").Bytes(), true, 1, 44, 4},
      // An odd chunk before the data keeps its pad byte.
      {kit::RiffWave().Chunk("LIST", "abc").Pcm(1, 8000, 8).Data("xyz").Bytes(), true, 1, 56, 3},
      {kit::RiffWave().Format(0xFFFE, 2, 44100, 176400, 4, 16, extensible).Data("abcd").Bytes(), true, 1, 68, 4},
      // A data size beyond the file is cut to the file; the RIFF size is not trusted.
      {kit::RiffWave().Pcm(2, 44100, 16).RiffSize(3).Bytes() + std::string("data\xff\xff\0\0" "12", 10), true, 1, 44, 2},
      {kit::RiffWave().Pcm(2, 44100, 16).Bytes(), false, 0, 0, 0},
      {kit::RiffWave().Data("abcd").Bytes(), false, 0, 0, 0},
      {kit::RiffWave().Chunk("fmt ", "short").Data("abcd").Bytes(), false, 0, 0, 0},
      {"RIFX\0\0\0\0WAVE", false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    TMemorySource source(std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()));
    const std::optional<TRiffWave> wave = ReadRiffWave(source);
    ASSERT_EQ(wave.has_value(), c.found) << c.bytes.size();
    if (!wave) continue;
    EXPECT_EQ(wave->Format.wFormatTag, c.tag);
    EXPECT_EQ(wave->DataOffset, c.offset);
    EXPECT_EQ(wave->DataSize, c.size);
  }
}

}  // namespace
}  // namespace orva
