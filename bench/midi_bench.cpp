// A Standard MIDI File of 100,000 events read into the model beside a plain read of its
// bytes and a stable sort of as many plain records, and a seek to its end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "core/stream.h"
#include "kit/midi_files.h"
#include "shell/midi_player.h"

namespace {

using namespace orva;

constexpr int kEvents = 100000;

// Four tracks of notes, controllers and program changes, 25,000 events each.
const std::string& File() {
  static const std::string bytes = [] {
    kit::SmfFile f(480);
    for (int t = 0; t < 4; ++t) {
      kit::SmfTrack& track = f.Track();
      for (int i = 0; i < kEvents / 4 - 1; ++i) {
        switch (i % 4) {
          case 0: track.NoteOn(static_cast<uint32_t>(10 + t), t, 40 + i % 40, 100); break;
          case 1: track.Event(20, {static_cast<uint8_t>(40 + (i - 1) % 40), 0}); break;  // running status
          case 2: track.Control(5, t, 7, i % 128); break;
          default: track.Program(5, t, i % 128); break;
        }
      }
      track.EndOfTrack();
    }
    return f.Bytes();
  }();
  return bytes;
}

void BM_LoadMidiFile(benchmark::State& state) {
  for (auto _ : state) {
    TMemoryStream stream(File());
    TMidiV midi;
    midi.LoadFromStream(stream);
    benchmark::DoNotOptimize(midi.Length);
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
}
BENCHMARK(BM_LoadMidiFile)->Unit(benchmark::kMillisecond);

void BM_Reference_ReadBytes(benchmark::State& state) {
  std::vector<uint8_t> buffer(File().size());
  for (auto _ : state) {
    TMemoryStream stream(File());
    stream.ReadBuffer(buffer.data(), static_cast<int64_t>(buffer.size()));
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
}
BENCHMARK(BM_Reference_ReadBytes)->Unit(benchmark::kMillisecond);

void BM_Reference_StableSortRecords(benchmark::State& state) {
  struct Record {
    int32_t tick, sequence;
  };
  std::vector<Record> records(kEvents);
  // Four runs of rising ticks, as four tracks read one after the other.
  for (int i = 0; i < kEvents; ++i) records[static_cast<size_t>(i)] = {(i % (kEvents / 4)) * 9, i};
  for (auto _ : state) {
    std::vector<Record> copy = records;
    std::stable_sort(copy.begin(), copy.end(), [](const Record& a, const Record& b) { return a.tick < b.tick; });
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
}
BENCHMARK(BM_Reference_StableSortRecords)->Unit(benchmark::kMillisecond);

// Counts what it is sent.
class CountingMidi : public TMidiOutSystem {
 public:
  int64_t messages = 0;
  std::vector<std::string> DeviceNames() override { return {"count"}; }
  std::unique_ptr<TMidiOut> Open(int, std::function<void(uint64_t)> done) override { return std::make_unique<Out>(*this, std::move(done)); }

 private:
  class Out : public TMidiOut {
   public:
    Out(CountingMidi& owner, std::function<void(uint64_t)> done) : owner_(owner), done_(std::move(done)) {}
    void ShortMsg(uint32_t) override { ++owner_.messages; }
    void LongMsg(std::span<const uint8_t>, uint64_t tag) override {
      ++owner_.messages;
      done_(tag);
    }
    void Reset() override {}

   private:
    CountingMidi& owner_;
    std::function<void(uint64_t)> done_;
  };
};

void BM_SeekToTheEnd(benchmark::State& state) {
  CountingMidi device;
  TMidiPlayV player(device, false);
  TMemoryStream stream(File());
  player.Load(stream);
  player.Open(-1);
  for (auto _ : state) {
    state.PauseTiming();
    player.Seek(0);
    device.messages = 0;
    state.ResumeTiming();
    player.Seek(player.Length);
  }
  state.counters["messages"] = static_cast<double>(device.messages);
  state.SetItemsProcessed(state.iterations() * kEvents);
}
BENCHMARK(BM_SeekToTheEnd)->Unit(benchmark::kMillisecond);

}  // namespace
