// The system's MIDI device: a FluidSynth synthesizer with a General MIDI SoundFont, one input
// of the sound output, loaded on a thread of its own.
#include <fluidsynth.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <limits>
#include <memory>
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

// A synthesizer with its SoundFont loaded.
class TSynth final : public TAudioInput {
 public:
  // None when the SoundFont cannot be loaded.
  static std::shared_ptr<TSynth> Load(const std::string& path) {
    auto made = std::shared_ptr<TSynth>(new TSynth(path));
    return made->synth_ ? made : nullptr;
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
  explicit TSynth(const std::string& path) {
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    settings_ = new_fluid_settings();
    if (!settings_) return;
    fluid_settings_setnum(settings_, "synth.sample-rate", kAudioRate);
    fluid_settings_setint(settings_, "synth.threadsafe-api", 1);
    synth_ = new_fluid_synth(settings_);
    if (synth_ && fluid_synth_sfload(synth_, path.c_str(), 1) == FLUID_FAILED) {
      delete_fluid_synth(synth_);
      synth_ = nullptr;
    }
  }

  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  std::vector<int16_t> buffer_;
};

using TSynthLoad = std::shared_future<std::shared_ptr<TSynth>>;

// The synthesizer of the SoundFont last asked for, loaded on a thread of its own and kept
// while the program runs so that a new open does not load it again. A load that failed is
// not kept: the file may have been mended or put in place since.
TSynthLoad LoadSynth(const std::string& path) {
  static std::mutex mutex;
  static std::string loadedPath;
  static TSynthLoad load;
  std::lock_guard lock(mutex);
  const bool failed = load.valid() && load.wait_for(std::chrono::seconds(0)) == std::future_status::ready && !load.get();
  if (!load.valid() || loadedPath != path || failed) {
    loadedPath = path;
    // The synthesizer of another SoundFont is freed there too.
    load = std::async(std::launch::async, [path, previous = std::move(load)]() mutable {
             // Background work: it yields to the frames (the nice value is the thread's own).
             ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
             previous = {};
             return TSynth::Load(path);
           }).share();
  }
  return load;
}

// Until the synthesizer is loaded, what is sent is kept, to be played the moment it is. The
// headless backend waits for the load before the first sound it mixes after the open, so that
// every run hears the same. Holds the sound output (taken by the opener) until it is closed
// or its load turns out to have failed.
class TSynthOut final : public TMidiOut, private THeadlessPaced {
 public:
  TSynthOut(TSynthLoad load, std::function<void(uint64_t)> longDone) : load_(std::move(load)), longDone_(std::move(longDone)) {
    std::lock_guard lock(mutex_);
    if (!Settle(false) && AudioBackend() == TAudioBackend::Headless) {
      paced_ = true;
      AddHeadlessPaced(this);
    }
  }
  ~TSynthOut() override {
    if (paced_) RemoveHeadlessPaced(this);
    bool holdsOutput;
    {
      std::lock_guard lock(mutex_);
      if (synth_) {
        DetachAudioInput(synth_.get());
        synth_->Reset();
      }
      holdsOutput = holdsOutput_;
    }
    if (holdsOutput) ReleaseAudioOutput();
  }
  void ShortMsg(uint32_t packed) override {
    std::lock_guard lock(mutex_);
    if (!Settle(false)) kept_.push_back({packed, {}});
    else if (synth_) synth_->Short(packed);
  }
  void LongMsg(std::span<const uint8_t> data, uint64_t tag) override {
    {
      std::lock_guard lock(mutex_);
      if (!Settle(false)) kept_.push_back({0, std::vector<uint8_t>(data.begin(), data.end())});
      else if (synth_) synth_->Long(data);
    }
    // Played or copied: the bytes are no longer needed.
    if (longDone_) longDone_(tag);
  }
  void Reset() override {
    std::lock_guard lock(mutex_);
    if (!Settle(false)) kept_.clear();
    else if (synth_) synth_->Reset();
  }
  bool Ready() override {
    std::lock_guard lock(mutex_);
    return Settle(false);
  }
  bool Failed() override {
    std::lock_guard lock(mutex_);
    return Settle(false) && !synth_;
  }

 private:
  struct TKept {
    uint32_t Short;
    std::vector<uint8_t> Long;  // a long message when not empty
  };

  // True once the load has ended (`wait`: waits for it); the first time, the synthesizer is
  // reset, given what was kept and heard from then on, or, when the load failed, the sound
  // output is given back, as nothing will ever sound through it.
  bool Settle(bool wait) {
    if (settled_) return true;
    if (!wait && load_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return false;
    settled_ = true;
    synth_ = load_.get();
    if (synth_) {
      synth_->Reset();
      for (const TKept& k : kept_) {
        if (k.Long.empty()) synth_->Short(k.Short);
        else synth_->Long(k.Long);
      }
      AttachAudioInput(synth_.get());
    } else {
      holdsOutput_ = false;
      ReleaseAudioOutput();
    }
    kept_.clear();
    return true;
  }

  uint64_t DueAt() override { return paced_ ? 0 : std::numeric_limits<uint64_t>::max(); }
  void RunRound() override {
    {
      std::lock_guard lock(mutex_);
      Settle(true);
    }
    RemoveHeadlessPaced(this);
    paced_ = false;
  }

  std::mutex mutex_;
  TSynthLoad load_;
  std::shared_ptr<TSynth> synth_;
  bool settled_ = false;
  bool paced_ = false;
  bool holdsOutput_ = true;
  std::vector<TKept> kept_;
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
    // A file that is no SoundFont at all is known not to load before any load is tried.
    if (path.empty() || !fluid_is_soundfont(path.c_str()) || !AcquireAudioOutput()) return nullptr;
    auto out = std::make_unique<TSynthOut>(LoadSynth(path), std::move(longDone));
    // Its load may already have failed: no device then, as for a missing SoundFont.
    if (out->Failed()) return nullptr;
    return out;
  }
  void Prepare() override {
    const std::string path = MidiSoundFontPath();
    if (!path.empty()) LoadSynth(path);
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
