// The system's MIDI device: a FluidSynth synthesizer with a General MIDI SoundFont, one input
// of the sound output.
#include <fluidsynth.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "platform/audio_output.h"
#include "platform/midi_out.h"

namespace orva {

namespace {

constexpr const char* kDeviceName = "FluidSynth GM";
const char* const kSoundFonts[] = {"/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                                   "/usr/share/sounds/sf2/default-GM.sf2"};

std::mutex soundFontMutex;
std::string soundFont;

// One loaded synthesizer, kept while the program runs so that a new open does not load the
// SoundFont again.
class TSynth final : public TAudioInput {
 public:
  static TSynth* Get(const std::string& path) {
    static std::unique_ptr<TSynth> synth;
    if (synth && synth->path_ == path) return synth.get();
    synth.reset();
    auto made = std::unique_ptr<TSynth>(new TSynth(path));
    if (!made->synth_) return nullptr;
    synth = std::move(made);
    return synth.get();
  }
  ~TSynth() override {
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
  }

  void MixInto(int32_t* mix, int frames, bool) override {
    buffer_.resize(static_cast<size_t>(frames) * 2);
    fluid_synth_write_s16(synth_, frames, buffer_.data(), 0, 2, buffer_.data(), 1, 2);
    for (size_t i = 0; i < buffer_.size(); ++i) mix[i] += buffer_[i];
  }

  void Short(uint32_t packed) {
    const int status = static_cast<int>(packed & 0xFF);
    const int channel = status & 15;
    const int d1 = static_cast<int>((packed >> 8) & 0x7F);
    const int d2 = static_cast<int>((packed >> 16) & 0x7F);
    switch (status & 0xF0) {
      case 0x80: fluid_synth_noteoff(synth_, channel, d1); break;
      case 0x90: fluid_synth_noteon(synth_, channel, d1, d2); break;
      case 0xA0: fluid_synth_key_pressure(synth_, channel, d1, d2); break;
      case 0xB0: fluid_synth_cc(synth_, channel, d1, d2); break;
      case 0xC0: fluid_synth_program_change(synth_, channel, d1); break;
      case 0xD0: fluid_synth_channel_pressure(synth_, channel, d1); break;
      case 0xE0: fluid_synth_pitch_bend(synth_, channel, d1 | (d2 << 7)); break;
      default: break;
    }
  }

  void Long(std::span<const uint8_t> data) {
    // The synthesizer takes what lies between F0 and F7.
    if (data.size() < 2 || data[0] != 0xF0) return;
    const size_t end = data.back() == 0xF7 ? data.size() - 1 : data.size();
    fluid_synth_sysex(synth_, reinterpret_cast<const char*>(data.data() + 1), static_cast<int>(end - 1), nullptr, nullptr,
                      nullptr, 0);
  }

  void Reset() { fluid_synth_system_reset(synth_); }

 private:
  explicit TSynth(std::string path) : path_(std::move(path)) {
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    settings_ = new_fluid_settings();
    if (!settings_) return;
    fluid_settings_setnum(settings_, "synth.sample-rate", kAudioRate);
    fluid_settings_setint(settings_, "synth.threadsafe-api", 1);
    synth_ = new_fluid_synth(settings_);
    if (synth_ && fluid_synth_sfload(synth_, path_.c_str(), 1) == FLUID_FAILED) {
      delete_fluid_synth(synth_);
      synth_ = nullptr;
    }
  }

  std::string path_;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  std::vector<int16_t> buffer_;
};

class TSynthOut final : public TMidiOut {
 public:
  TSynthOut(TSynth& synth, std::function<void(uint64_t)> longDone) : synth_(synth), longDone_(std::move(longDone)) {
    synth_.Reset();
    AttachAudioInput(&synth_);
  }
  ~TSynthOut() override {
    DetachAudioInput(&synth_);
    synth_.Reset();
    ReleaseAudioOutput();
  }
  void ShortMsg(uint32_t packed) override { synth_.Short(packed); }
  void LongMsg(std::span<const uint8_t> data, uint64_t tag) override {
    synth_.Long(data);
    if (longDone_) longDone_(tag);
  }
  void Reset() override { synth_.Reset(); }

 private:
  TSynth& synth_;
  std::function<void(uint64_t)> longDone_;
};

class TSynthSystem final : public TMidiOutSystem {
 public:
  std::vector<std::string> DeviceNames() override {
    if (MidiSoundFontPath().empty()) return {};
    return {kDeviceName};
  }
  std::unique_ptr<TMidiOut> Open(int id, std::function<void(uint64_t)> longDone) override {
    // The mapper and the one device are the same synthesizer.
    if (id < -1 || id > 0) return nullptr;
    const std::string path = MidiSoundFontPath();
    if (path.empty()) return nullptr;
    TSynth* synth = TSynth::Get(path);
    if (!synth || !AcquireAudioOutput()) return nullptr;
    return std::make_unique<TSynthOut>(*synth, std::move(longDone));
  }
};

TMidiOutSystem* installed = nullptr;

}  // namespace

TMidiOutSystem& MidiOutSystem() {
  static TSynthSystem synth;
  return installed ? *installed : synth;
}

void SetMidiOutSystem(TMidiOutSystem* system) { installed = system; }

void SetMidiSoundFont(std::string path) {
  std::lock_guard lock(soundFontMutex);
  soundFont = std::move(path);
}

std::string MidiSoundFontPath() {
  std::lock_guard lock(soundFontMutex);
  if (!soundFont.empty()) return std::filesystem::is_regular_file(soundFont) ? soundFont : std::string();
  for (const char* path : kSoundFonts)
    if (std::filesystem::is_regular_file(path)) return path;
  return {};
}

}  // namespace orva
