// The program's own mixer beside SDL's mixing of the same data, and Vorbis decoded through
// the media module's stream callbacks beside libvorbisfile reading the same bytes in memory.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <vorbis/vorbisfile.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <memory>
#include <vector>

#include "core/stream.h"
#include "kit/media_files.h"
#include "platform/audio_output.h"
#include "shell/media_items.h"
#include "shell/media_library.h"
#include "shell/sound_settings.h"
#include "shell/wav_out.h"

namespace {

using namespace orva;

// Takes every block and marks it done at once.
class SinkDevice : public TWaveOutDevice {
 public:
  bool Open(uint32_t) override { return true; }
  bool PrepareHeader(TWaveHeader& h) override {
    h.Flags |= WHDR_PREPARED;
    return true;
  }
  void UnprepareHeader(TWaveHeader& h) override { h.Flags &= ~WHDR_PREPARED; }
  bool Write(TWaveHeader& h) override {
    h.Flags |= WHDR_DONE;
    return true;
  }
  void Reset() override {}
  void Close() override {}
  bool WaitFeed() override {
    std::unique_lock lock(mutex_);
    woken_.wait(lock, [&] { return stop_; });
    return false;
  }
  void Wake() override {
    std::lock_guard lock(mutex_);
    stop_ = true;
    woken_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable woken_;
  bool stop_ = false;
};

struct Format {
  uint16_t channels;
  uint32_t rate;
  uint16_t bits;
};
constexpr Format kFormats[] = {{2, 44100, 16}, {1, 44100, 16}, {2, 22050, 16}, {2, 44100, 8},
                               {1, 44100, 8},  {2, 22050, 8},  {1, 22050, 16}, {1, 22050, 8}};
constexpr int kDivisors[] = {1, 2, 2, 2, 4, 4, 4, 8};

std::string SourceBytes(size_t count) {
  std::string bytes(count, '\0');
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((i * 37) ^ (i >> 3));
  return bytes;
}

// One block of 88200 bytes from every source, per iteration.
void BM_WavOutMix(benchmark::State& state) {
  const Format f = kFormats[state.range(0)];
  const int sources = static_cast<int>(state.range(1));
  SoundDelayTime = 500;
  TWavOut out(std::make_unique<SinkDevice>());
  out.Open();
  const size_t perBlock = 88200 / static_cast<size_t>(kDivisors[state.range(0)]);
  std::vector<std::unique_ptr<TMemoryStream>> streams;
  const auto align = static_cast<uint16_t>(f.channels * f.bits / 8);
  for (int i = 0; i < sources; ++i) {
    // Not a whole number of blocks: the loop wraps inside a block and never ends.
    streams.push_back(std::make_unique<TMemoryStream>(SourceBytes(perBlock * 3 + align * 7u)));
    TWavBuffer* source = out.AddSource({WAVE_FORMAT_PCM, f.channels, f.rate, f.rate * align, align, f.bits, 0}, streams.back().get());
    source->SetLoop(true);
    source->SetVolume(200);
    source->Play();
  }
  for (auto _ : state) out.Feed();  // two blocks
  state.SetBytesProcessed(state.iterations() * 2 * 88200);
}

// SDL mixing the same source bytes, in their own sample format, at a volume below full.
void BM_SdlMixAudioFormat(benchmark::State& state) {
  const Format f = kFormats[state.range(0)];
  const int sources = static_cast<int>(state.range(1));
  const size_t perBlock = 88200 / static_cast<size_t>(kDivisors[state.range(0)]);
  const std::string bytes = SourceBytes(perBlock);
  std::vector<uint8_t> block(perBlock);
  for (auto _ : state) {
    for (int round = 0; round < 2; ++round) {
      std::memset(block.data(), 0, block.size());
      for (int i = 0; i < sources; ++i)
        SDL_MixAudioFormat(block.data(), reinterpret_cast<const uint8_t*>(bytes.data()), f.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB,
                           static_cast<uint32_t>(perBlock), 100);
      benchmark::DoNotOptimize(block.data());
    }
  }
  state.SetBytesProcessed(state.iterations() * 2 * 88200);
}

void MixArguments(benchmark::internal::Benchmark* b) {
  for (int format = 0; format < 8; ++format)
    for (int sources : {1, 4, 16}) b->Args({format, sources});
}
BENCHMARK(BM_WavOutMix)->Apply(MixArguments);
BENCHMARK(BM_SdlMixAudioFormat)->Apply(MixArguments);

const std::string& Vorbis() {
  static const std::string bytes = kit::EncodeOggVorbis(kit::Tone(2, 44100, 44100, 440), 2, 44100);
  return bytes;
}

// 500 ms of PCM through the module's decoder, its worker and the stream callbacks.
void BM_VorbisThroughCallbacks(benchmark::State& state) {
  SetAudioBackend(TAudioBackend::Headless);
  InitOrvaLibrary();
  {
    TMemoryStream source(Vorbis());
    TOggStream pcm(&source, true);
    std::vector<uint8_t> buffer(88200);
    for (auto _ : state) {
      pcm.SetPosition(0);
      int64_t got = 0;
      while (got < 88200) {
        const int64_t n = pcm.Read(buffer.data() + got, 88200 - got);
        if (n <= 0) break;
        got += n;
      }
      benchmark::DoNotOptimize(buffer.data());
    }
  }
  OrvaLib().orvaFinal();
  state.SetBytesProcessed(state.iterations() * 88200);
}
BENCHMARK(BM_VorbisThroughCallbacks);

struct Memory {
  const std::string* bytes;
  size_t position = 0;
};

void BM_VorbisOvReadInMemory(benchmark::State& state) {
  Memory memory{&Vorbis()};
  const ov_callbacks callbacks{
      [](void* out, size_t size, size_t count, void* self) -> size_t {
        auto& m = *static_cast<Memory*>(self);
        const size_t n = std::min(size * count, m.bytes->size() - m.position);
        std::memcpy(out, m.bytes->data() + m.position, n);
        m.position += n;
        return n / size;
      },
      [](void* self, ogg_int64_t offset, int whence) -> int {
        auto& m = *static_cast<Memory*>(self);
        const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<int64_t>(m.position) : static_cast<int64_t>(m.bytes->size());
        m.position = static_cast<size_t>(base + offset);
        return 0;
      },
      nullptr, [](void* self) -> long { return static_cast<long>(static_cast<Memory*>(self)->position); }};
  OggVorbis_File file;
  ov_open_callbacks(&memory, &file, nullptr, 0, callbacks);
  std::vector<char> buffer(88200);
  for (auto _ : state) {
    ov_pcm_seek(&file, 0);
    long got = 0;
    int section;
    while (got < 88200) {
      const long n = ov_read(&file, buffer.data() + got, static_cast<int>(88200 - got), 0, 2, 1, &section);
      if (n <= 0) break;
      got += n;
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  ov_clear(&file);
  state.SetBytesProcessed(state.iterations() * 88200);
}
BENCHMARK(BM_VorbisOvReadInMemory);

}  // namespace
