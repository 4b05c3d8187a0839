// A Standard MIDI File of 100,000 events read into the model beside a plain read of its
// bytes and a stable sort of as many plain records, and a seek to its end; the start of a tune
// before its SoundFont is loaded beside the load itself.
#include <benchmark/benchmark.h>
#include <fluidsynth.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "core/stream.h"
#include "kit/midi_files.h"
#include "platform/audio_output.h"
#include "platform/midi_out.h"
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

// The start of a tune on the synthesizer as the frame that plays it makes it (open, master
// volume, seek to its start), its SoundFont not loaded yet, under the headless sound output;
// beside it the SoundFont's load alone, which that frame used to wait for.
// The installed SoundFont under one of two names, as the same file under another name loads anew.
std::string SoundFontNamed(int64_t i) {
  static const std::string font = [] {
    SetMidiSoundFont("");
    return MidiSoundFontPath();
  }();
  return i % 2 ? font.substr(0, font.rfind('/')) + "/." + font.substr(font.rfind('/')) : font;
}

void BM_StartTuneUnloaded(benchmark::State& state) {
  SetAudioBackend(TAudioBackend::Headless);
  if (SoundFontNamed(0).empty()) {
    state.SkipWithError("no SoundFont installed");
    return;
  }
  int64_t i = 0;
  for (auto _ : state) {
    state.PauseTiming();
    SetMidiSoundFont(SoundFontNamed(i++));
    auto player = std::make_unique<TMidiPlayV>();
    TMemoryStream stream(File());
    player->Load(stream);
    state.ResumeTiming();
    player->Open(-1);
    player->SendMasterVolume();
    player->Seek(0);
    state.PauseTiming();
    HeadlessAudioPull(1);  // the first sound waits for the load, if it is still on
    player.reset();
    state.ResumeTiming();
  }
  SetMidiSoundFont("");
}
BENCHMARK(BM_StartTuneUnloaded)->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_Reference_LoadSoundFont(benchmark::State& state) {
  const std::string font = MidiSoundFontPath();
  fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
  for (auto _ : state) {
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", kAudioRate);
    fluid_synth_t* synth = new_fluid_synth(settings);
    benchmark::DoNotOptimize(fluid_synth_sfload(synth, font.c_str(), 1));
    state.PauseTiming();
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Reference_LoadSoundFont)->Unit(benchmark::kMillisecond);

}  // namespace
