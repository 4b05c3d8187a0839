// Our media module in place of the companion library: handles over sounds, PCM decoders and
// movies, a worker thread that opens, decodes and reads the program's streams, and the
// entry-point table.
#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/media_voice.h"
#include "platform/movie_decoder.h"
#include "platform/orva_media.h"
#include "platform/pcm_decoder.h"
#include "platform/sound_device.h"

namespace orva {

namespace {

constexpr TOrvaBool kTrue = -1;
constexpr TOrvaBool kFalse = 0;
TOrvaBool Bool(bool value) { return value ? kTrue : kFalse; }

// Source frames decoded per round of the worker.
constexpr int64_t kChunkFrames = 4096;

struct TCallbacks {
  TOrvaStreamGetSize getSize = nullptr;
  TOrvaStreamRead read = nullptr;
  TOrvaStreamGetPosition getPosition = nullptr;
  TOrvaStreamSeek seek = nullptr;
};

// A program stream, read through its callbacks (on the worker only).
class TCallbackSource final : public TByteSource {
 public:
  TCallbackSource(const TCallbacks& callbacks, void* stream) : c_(callbacks), stream_(stream) {}
  int64_t Size() override { return c_.getSize ? c_.getSize(stream_) : 0; }
  int64_t Read(void* buffer, int64_t count) override { return c_.read && count > 0 ? c_.read(stream_, buffer, count) : 0; }
  int64_t Position() override { return c_.getPosition ? c_.getPosition(stream_) : 0; }
  int64_t Seek(int64_t position) override { return c_.seek ? c_.seek(stream_, position) : 0; }

 private:
  TCallbacks c_;
  void* stream_;
};

// Something the worker decodes ahead for.
class TFillable {
 public:
  virtual ~TFillable() = default;
  // One round of decoding; false when nothing was wanted.
  virtual bool Fill() = 0;
};

class TSound final : public TFillable {
 public:
  explicit TSound(std::function<void()> wake) : Voice(std::move(wake)) {}

  // On the worker.
  void Open(std::unique_ptr<TByteSource> source, bool isOgg, bool media) {
    source_ = std::move(source);
    std::unique_ptr<TPcmDecoder> decoder =
        media ? OpenMediaAudioDecoder(*source_) : isOgg ? OpenOggDecoder(*source_) : OpenWaveDecoder(*source_);
    decoder_ = MakeMixable(std::move(decoder));
    if (!decoder_) {
      Voice.SetFailed();
      return;
    }
    const TPcmInfo& info = decoder_->Info();
    Voice.SetLength(info.Frames * 44100 / info.Rate);
  }

  bool Fill() override {
    int64_t seekTo = -1;
    uint64_t generation = 0;
    if (!decoder_ || !Voice.Wants(seekTo, generation)) return false;
    const TPcmInfo& info = decoder_->Info();
    if (seekTo >= 0) {
      const int64_t frame = seekTo * info.Rate / 44100;
      decoder_->SeekFrame(frame);
      next_ = frame * 44100 / info.Rate;
      lapStart_ = 0;
    }
    buffer_.resize(static_cast<size_t>(kChunkFrames * info.BlockAlign()));
    const int64_t got = decoder_->Read(buffer_.data(), static_cast<int64_t>(buffer_.size()));
    if (got > 0) {
      std::vector<int16_t> frames = ToOutputFrames(buffer_.data(), static_cast<size_t>(got), info);
      const auto count = static_cast<int64_t>(frames.size() / 2);
      Voice.Push(generation, next_, std::move(frames), lapStart_);
      next_ += count;
      emptyWraps_ = 0;
    } else if (Voice.Loop() && emptyWraps_ == 0) {
      decoder_->SeekFrame(0);
      lapStart_ += next_;
      next_ = 0;
      ++emptyWraps_;
    } else {
      Voice.SourceEnded(generation);
    }
    return true;
  }

  TVoice Voice;
  TSoundDevice* Device = nullptr;

 private:
  std::unique_ptr<TByteSource> source_;
  std::unique_ptr<TPcmDecoder> decoder_;
  std::vector<uint8_t> buffer_;
  int64_t next_ = 0;
  int64_t lapStart_ = 0;  // timeline frame at which the decoder's lap began
  int emptyWraps_ = 0;
};

// A decoder the program reads PCM from.
struct TStrDecoder {
  std::unique_ptr<TByteSource> Source;
  std::unique_ptr<TPcmDecoder> Decoder;
  int64_t Position = 0;  // bytes
};

class TMovie final : public TFillable {
 public:
  TMovie(std::function<void()> wake) : Voice(std::move(wake)) {}

  void Open(std::unique_ptr<TByteSource> source) {
    source_ = std::move(source);
    decoder_ = TMovieDecoder::Open(*source_);
    if (!decoder_) {
      Voice.SetFailed();
      return;
    }
    width_ = decoder_->Width();
    height_ = decoder_->Height();
    Voice.SetLength(decoder_->Duration());
  }

  bool Fill() override {
    int64_t seekTo = -1;
    uint64_t generation = 0;
    const bool soundWanted = decoder_ && Voice.Wants(seekTo, generation);
    if (!decoder_) return false;
    // The first fill starts where the decoder already is.
    if (seekTo >= 0 && (started_ || seekTo != 0)) {
      decoder_->Seek(seekTo);
      next_ = seekTo;
      lapStart_ = 0;
      lastPicture_ = -1;
      std::lock_guard lock(mutex_);
      pictures_.clear();
      ended_ = false;
    }
    started_ = true;
    bool picturesWanted;
    {
      std::lock_guard lock(mutex_);
      picturesWanted = decoder_->HasVideo() && !ended_ && (pictures_.size() < 8 || waiting_);
    }
    if (!soundWanted && !picturesWanted) return false;
    std::vector<int16_t> audio;
    std::deque<TMoviePicture> pictures;
    const bool more = decoder_->Step(audio, pictures);
    if (!pictures.empty()) lastPicture_ = pictures.back().Time;
    {
      std::lock_guard lock(mutex_);
      // Decided under the lock SetLoop prunes under, so no picture of an unwanted lap stays.
      if (!Voice.LapWanted(generation, lapStart_)) {
        ended_ = true;
        changed_.notify_all();
        Voice.SourceEnded(generation);
        return true;
      }
      for (TMoviePicture& p : pictures) {
        // Pictures wait on the timeline, where the laps of a loop follow each other.
        p.Time += lapStart_;
        if (pictureStep_ == 0 && !pictures_.empty()) pictureStep_ = std::max<int64_t>(p.Time - pictures_.back().Picture.Time, 0);
        pictures_.push_back({lapStart_, std::move(p)});
      }
      changed_.notify_all();
    }
    if (decoder_->HasAudio()) {
      const auto count = static_cast<int64_t>(audio.size() / 2);
      Voice.Push(generation, next_, std::move(audio), lapStart_);
      next_ += count;
    } else {
      // Without sound the clock runs on silence as far as the pictures go.
      PadTo(generation, lastPicture_);
    }
    if (!more) {
      const int64_t step = pictureStep_ > 0 ? pictureStep_ : 44100 / 25;
      PadTo(generation, std::max(decoder_->Duration(), lastPicture_ >= 0 ? lastPicture_ + step : 0));
      // The container may not count the last picture's time: the length is what played.
      if (next_ > decoder_->Duration()) Voice.SetLength(next_);
      // A lap that gave nothing would wrap forever.
      if (Voice.Loop() && next_ > 0 && decoder_->Seek(0)) {
        lapStart_ += next_;
        next_ = 0;
        lastPicture_ = -1;
        std::lock_guard lock(mutex_);
        ended_ = false;  // a loop asked for after the end goes on
      } else {
        std::lock_guard lock(mutex_);
        ended_ = true;
        changed_.notify_all();
        Voice.SourceEnded(generation);
      }
    }
    return true;
  }

  // The newest picture due at the movie's clock; true when it is new. Headless runs first
  // let the worker decode up to the clock.
  bool NeedPaint(bool headless, const std::function<void()>& wake) {
    if (!decoder_ || !decoder_->HasVideo()) return false;
    const int64_t clock = Voice.TimelineFrames();
    std::unique_lock lock(mutex_);
    if (headless) {
      waiting_ = true;
      while (!ended_ && (pictures_.empty() || pictures_.back().Picture.Time <= clock)) {
        lock.unlock();
        wake();
        lock.lock();
        changed_.wait(lock, [&] { return ended_ || (!pictures_.empty() && pictures_.back().Picture.Time > clock); });
      }
      waiting_ = false;
    }
    bool fresh = false;
    while (!pictures_.empty() && pictures_.front().Picture.Time <= clock) {
      current_ = std::move(pictures_.front().Picture.Pixels);
      pictures_.pop_front();
      fresh = true;
    }
    if (fresh) {
      frame_.Width = width_;
      frame_.Height = height_;
      frame_.Pitch = width_ * 4;
      frame_.Pixels = current_.data();
    }
    return fresh;
  }

  // Turning the loop off ends the movie after the lap heard now: the pictures decoded for the
  // laps after it go with their sound.
  void SetLoop(bool loop) {
    std::lock_guard lock(mutex_);
    Voice.SetLoop(loop);
    if (!loop) {
      const int64_t heard = Voice.LapStart();
      std::erase_if(pictures_, [&](const TQueuedPicture& p) { return p.LapStart > heard; });
    }
  }

  const TVideoFrame* Frame() const { return &frame_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  TVoice Voice;
  TSoundDevice* Device = nullptr;
  bool Visible = true;
  bool Surface = true;
  TOrvaRect Source{}, Destination{};

 private:
  void PadTo(uint64_t generation, int64_t frame) {
    while (next_ < frame) {
      const int64_t count = std::min(frame - next_, kChunkFrames);
      Voice.Push(generation, next_, std::vector<int16_t>(static_cast<size_t>(count) * 2, 0), lapStart_);
      next_ += count;
    }
  }

  std::unique_ptr<TByteSource> source_;
  std::unique_ptr<TMovieDecoder> decoder_;
  int width_ = 0;
  int height_ = 0;
  int64_t next_ = 0;         // source frame of the next sound
  int64_t lapStart_ = 0;     // timeline frame at which the decoder's lap began
  int64_t lastPicture_ = -1;  // source time
  int64_t pictureStep_ = 0;  // between the first two pictures
  bool started_ = false;

  std::mutex mutex_;
  std::condition_variable changed_;
  struct TQueuedPicture {
    int64_t LapStart;  // of the lap the picture belongs to
    TMoviePicture Picture;
  };
  std::deque<TQueuedPicture> pictures_;
  bool ended_ = false;
  bool waiting_ = false;
  std::vector<uint32_t> current_;
  TVideoFrame frame_;
};

class TModule {
 public:
  ~TModule() { Final(); }

  bool Init(void* const* soundDevice, const TCallbacks& callbacks) {
    Final();
    soundDevice_ = soundDevice;
    callbacks_ = callbacks;
    stop_ = false;
    // FFmpeg's own first-open work is done first, meanwhile, so that the frame that opens the
    // first movie or Windows Media sound does not wait for it; on the worker, whose heap the
    // opens then reuse.
    jobs_.push_back(PrepareMovieDecoding);
    worker_ = std::thread([this] { Loop(); });
    TSoundDevice::SetClosingHook([this](TSoundDevice* device) { Rehome(device); });
    return true;
  }

  void Final() {
    if (!worker_.joinable()) return;
    TSoundDevice::SetClosingHook(nullptr);
    std::map<TOrvaHandle, std::shared_ptr<TSound>> sounds;
    std::map<TOrvaHandle, std::shared_ptr<TMovie>> movies;
    std::map<TOrvaHandle, std::shared_ptr<TStrDecoder>> decoders;
    {
      std::lock_guard lock(handlesMutex_);
      sounds.swap(sounds_);
      movies.swap(movies_);
      decoders.swap(decoders_);
    }
    for (auto& [h, sound] : sounds)
      if (sound->Device) sound->Device->RemoveVoice(&sound->Voice);
    for (auto& [h, movie] : movies)
      if (movie->Device) movie->Device->RemoveVoice(&movie->Voice);
    // Everything that read the program's streams goes on the worker.
    RunOnWorker([&] {
      fillables_.clear();
      sounds.clear();
      movies.clear();
      decoders.clear();
    });
    {
      std::lock_guard lock(workerMutex_);
      stop_ = true;
      workerChanged_.notify_all();
    }
    worker_.join();
    ownDevice_.reset();
  }

  // Runs `job` on the worker and waits for it.
  void RunOnWorker(const std::function<void()>& job) {
    if (std::this_thread::get_id() == worker_.get_id() || !worker_.joinable()) {
      job();
      return;
    }
    bool done = false;
    std::unique_lock lock(workerMutex_);
    jobs_.push_back([&] {
      job();
      std::lock_guard doneLock(workerMutex_);
      done = true;
      workerChanged_.notify_all();
    });
    workerChanged_.notify_all();
    workerChanged_.wait(lock, [&] { return done; });
  }

  void Wake() {
    std::lock_guard lock(workerMutex_);
    wake_ = true;
    workerChanged_.notify_all();
  }

  // ---- sounds ----

  TOrvaHandle AddSound(std::unique_ptr<TByteSource> source, bool isOgg, bool media) {
    if (!worker_.joinable()) return 0;
    auto sound = std::make_shared<TSound>([this] { Wake(); });
    RunOnWorker([&] {
      sound->Open(std::move(source), isOgg, media);
      fillables_.push_back(sound);
    });
    sound->Device = CurrentDevice();
    if (sound->Device) sound->Device->AddVoice(&sound->Voice);
    else sound->Voice.SetFailed();
    std::lock_guard lock(handlesMutex_);
    sounds_[++lastHandle_] = sound;
    return lastHandle_;
  }

  std::shared_ptr<TSound> Sound(TOrvaHandle h) {
    std::lock_guard lock(handlesMutex_);
    auto it = sounds_.find(h);
    return it == sounds_.end() ? nullptr : it->second;
  }

  void DeleteSound(TOrvaHandle h) {
    std::shared_ptr<TSound> sound;
    {
      std::lock_guard lock(handlesMutex_);
      auto it = sounds_.find(h);
      if (it == sounds_.end()) return;
      sound = std::move(it->second);
      sounds_.erase(it);
    }
    if (sound->Device) sound->Device->RemoveVoice(&sound->Voice);
    Retire(std::move(sound));
  }

  // ---- PCM decoders ----

  TOrvaHandle AddDecoder(void* stream, bool isOgg) {
    if (!worker_.joinable()) return 0;
    auto decoder = std::make_shared<TStrDecoder>();
    RunOnWorker([&] {
      decoder->Source = std::make_unique<TCallbackSource>(callbacks_, stream);
      decoder->Decoder = MakeMixable(isOgg ? OpenOggDecoder(*decoder->Source) : OpenWaveDecoder(*decoder->Source));
      if (decoder->Decoder) decoder->Decoder->SeekFrame(0);
    });
    std::lock_guard lock(handlesMutex_);
    decoders_[++lastHandle_] = decoder;
    return lastHandle_;
  }

  std::shared_ptr<TStrDecoder> Decoder(TOrvaHandle h) {
    std::lock_guard lock(handlesMutex_);
    auto it = decoders_.find(h);
    return it == decoders_.end() ? nullptr : it->second;
  }

  void DeleteDecoder(TOrvaHandle h) {
    std::shared_ptr<TStrDecoder> decoder;
    {
      std::lock_guard lock(handlesMutex_);
      auto it = decoders_.find(h);
      if (it == decoders_.end()) return;
      decoder = std::move(it->second);
      decoders_.erase(it);
    }
    RunOnWorker([&] { decoder.reset(); });
  }

  // ---- movies ----

  TOrvaHandle AddMovie(void* stream, bool surface) {
    if (!worker_.joinable()) return 0;
    auto movie = std::make_shared<TMovie>([this] { Wake(); });
    movie->Surface = surface;
    RunOnWorker([&] {
      movie->Open(std::make_unique<TCallbackSource>(callbacks_, stream));
      fillables_.push_back(movie);
    });
    movie->Device = CurrentDevice();
    if (movie->Device) movie->Device->AddVoice(&movie->Voice);
    else movie->Voice.SetFailed();
    std::lock_guard lock(handlesMutex_);
    movies_[++lastHandle_] = movie;
    return lastHandle_;
  }

  std::shared_ptr<TMovie> Movie(TOrvaHandle h) {
    std::lock_guard lock(handlesMutex_);
    auto it = movies_.find(h);
    return it == movies_.end() ? nullptr : it->second;
  }

  void DeleteMovie(TOrvaHandle h) {
    std::shared_ptr<TMovie> movie;
    {
      std::lock_guard lock(handlesMutex_);
      auto it = movies_.find(h);
      if (it == movies_.end()) return;
      movie = std::move(it->second);
      movies_.erase(it);
    }
    if (movie->Device) movie->Device->RemoveVoice(&movie->Voice);
    Retire(std::move(movie));
  }

  std::unique_ptr<TByteSource> StreamSource(void* stream) { return std::make_unique<TCallbackSource>(callbacks_, stream); }

  bool VideoSuspended = false;
  bool UseThread = true;

 private:
  // Frees what the worker fills, on the worker, between two rounds.
  void Retire(std::shared_ptr<TFillable> item) {
    RunOnWorker([&] {
      std::erase(fillables_, item);
      item.reset();
    });
  }

  TSoundDevice* CurrentDevice() {
    if (soundDevice_ && *soundDevice_) return static_cast<TSoundDevice*>(*soundDevice_);
    if (!ownDevice_) ownDevice_ = TSoundDevice::Open();
    return ownDevice_.get();
  }

  // A device is going away: its voices move to ours.
  void Rehome(TSoundDevice* closing) {
    if (closing == ownDevice_.get()) return;
    std::lock_guard lock(handlesMutex_);
    auto move = [&](TVoice& voice, TSoundDevice*& device) {
      if (device != closing) return;
      closing->RemoveVoice(&voice);
      if (!ownDevice_) ownDevice_ = TSoundDevice::Open();
      device = ownDevice_.get();
      if (device) device->AddVoice(&voice);
    };
    for (auto& [h, sound] : sounds_) move(sound->Voice, sound->Device);
    for (auto& [h, movie] : movies_) move(movie->Voice, movie->Device);
  }

  void Loop() {
    for (;;) {
      std::vector<std::function<void()>> jobs;
      {
        std::unique_lock lock(workerMutex_);
        workerChanged_.wait(lock, [&] { return stop_ || wake_ || !jobs_.empty(); });
        if (stop_ && jobs_.empty()) return;
        wake_ = false;
        jobs.assign(jobs_.begin(), jobs_.end());
        jobs_.clear();
      }
      for (auto& job : jobs) job();
      // Decode round by round while anything wants more; jobs come first each time.
      for (bool busy = true; busy;) {
        busy = false;
        for (size_t i = 0; i < fillables_.size(); ++i) busy = fillables_[i]->Fill() || busy;
        std::lock_guard lock(workerMutex_);
        if (!jobs_.empty()) {
          wake_ = true;
          break;
        }
      }
    }
  }

  void* const* soundDevice_ = nullptr;
  TCallbacks callbacks_;
  std::unique_ptr<TSoundDevice> ownDevice_;

  std::mutex workerMutex_;
  std::condition_variable workerChanged_;
  std::deque<std::function<void()>> jobs_;
  bool wake_ = false;
  bool stop_ = false;
  std::thread worker_;
  std::vector<std::shared_ptr<TFillable>> fillables_;  // worker only

  std::mutex handlesMutex_;
  TOrvaHandle lastHandle_ = 0;
  std::map<TOrvaHandle, std::shared_ptr<TSound>> sounds_;
  std::map<TOrvaHandle, std::shared_ptr<TStrDecoder>> decoders_;
  std::map<TOrvaHandle, std::shared_ptr<TMovie>> movies_;
};

TModule& Module() {
  static TModule module;
  return module;
}

TOrvaFpuCallback saveFpu = nullptr;
TOrvaFpuCallback restoreFpu = nullptr;

// The program's floating-point state is saved around the calls that do work on its thread.
struct TFpuGuard {
  TFpuGuard() {
    if (saveFpu) saveFpu();
  }
  ~TFpuGuard() {
    if (restoreFpu) restoreFpu();
  }
};

// ---- entry points ----

int32_t orvaVersion() { return kOrvaModuleVersion; }

TOrvaBool orvaInit(void* const*, void* const*, void*, void* const* soundDevice, TOrvaStreamGetSize getSize,
                   TOrvaStreamRead read, TOrvaStreamGetPosition getPosition, TOrvaStreamSeek seek, TOrvaFpuCallback save,
                   TOrvaFpuCallback restore, int32_t) {
  saveFpu = save;
  restoreFpu = restore;
  TFpuGuard guard;
  return Bool(Module().Init(soundDevice, {getSize, read, getPosition, seek}));
}

void orvaFinal() {
  Module().Final();
  saveFpu = restoreFpu = nullptr;
}

TOrvaHandle orvaWmpmanAdd(const void* data, int32_t size) {
  TFpuGuard guard;
  std::vector<uint8_t> copy;
  if (data && size > 0) copy.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
  return Module().AddSound(std::make_unique<TMemorySource>(std::move(copy)), false, true);
}
void orvaWmpmanDel(TOrvaHandle h) { Module().DeleteSound(h); }
// The window messages of the original library need no counterpart here, and our sounds
// survive a lost device by themselves.
void orvaProcessEventIgnored(const TOrvaMessage*) {}
void orvaRestoreNothing() {}

TOrvaHandle orvaOggmanAdd(void* stream, TOrvaBool isOgg) {
  TFpuGuard guard;
  if (!stream) return 0;
  return Module().AddSound(Module().StreamSource(stream), isOgg != 0, false);
}

// Sound calls shared by the Windows Media and Ogg families.
template <typename Result, typename Action>
Result WithSound(TOrvaHandle h, Result none, Action action) {
  std::shared_ptr<TSound> sound = Module().Sound(h);
  return sound ? action(sound->Voice) : none;
}

void SoundPlay(TOrvaHandle h) { WithSound(h, 0, [](TVoice& v) { return v.Play(), 0; }); }
void SoundPause(TOrvaHandle h) { WithSound(h, 0, [](TVoice& v) { return v.Pause(), 0; }); }
TOrvaBool SoundIsPlaying(TOrvaHandle h) { return WithSound(h, kFalse, [](TVoice& v) { return Bool(v.IsPlaying()); }); }
TOrvaBool SoundIsPaused(TOrvaHandle h) { return WithSound(h, kFalse, [](TVoice& v) { return Bool(v.IsPaused()); }); }
TOrvaBool SoundIsEnd(TOrvaHandle h) { return WithSound(h, kFalse, [](TVoice& v) { return Bool(v.IsEnd()); }); }
int32_t SoundGetLen(TOrvaHandle h) { return WithSound(h, 0, [](TVoice& v) { return v.LengthMs(); }); }
int32_t SoundGetPosition(TOrvaHandle h) { return WithSound(h, 0, [](TVoice& v) { return v.PositionMs(); }); }
int32_t SoundGetVol(TOrvaHandle h) { return WithSound(h, 0, [](TVoice& v) { return v.Volume(); }); }
int32_t SoundGetPan(TOrvaHandle h) { return WithSound(h, 0, [](TVoice& v) { return v.Pan(); }); }
TOrvaBool SoundGetAutoRepeat(TOrvaHandle h) { return WithSound(h, kFalse, [](TVoice& v) { return Bool(v.Loop()); }); }
void SoundSetPosition(TOrvaHandle h, int32_t ms) { WithSound(h, 0, [&](TVoice& v) { return v.SetPositionMs(ms), 0; }); }
void SoundSetVol(TOrvaHandle h, int32_t volume) { WithSound(h, 0, [&](TVoice& v) { return v.SetVolume(volume), 0; }); }
void SoundSetPan(TOrvaHandle h, int32_t pan) { WithSound(h, 0, [&](TVoice& v) { return v.SetPan(pan), 0; }); }
void SoundSetAutoRepeat(TOrvaHandle h, TOrvaBool on) { WithSound(h, 0, [&](TVoice& v) { return v.SetLoop(on != 0), 0; }); }

void orvaOggmanSetUseThread(TOrvaBool on) { Module().UseThread = on != 0; }

TOrvaHandle orvaOggStrmanAdd(void* stream, TOrvaBool isOgg) {
  TFpuGuard guard;
  return stream ? Module().AddDecoder(stream, isOgg != 0) : 0;
}
void orvaOggStrmanDel(TOrvaHandle h) { Module().DeleteDecoder(h); }

TOrvaBool orvaOggStrGetFormat(TOrvaHandle h, TWaveFormatEx* format) {
  std::shared_ptr<TStrDecoder> d = Module().Decoder(h);
  if (!d || !d->Decoder || !format) return kFalse;
  const TPcmInfo& info = d->Decoder->Info();
  format->wFormatTag = WAVE_FORMAT_PCM;
  format->nChannels = static_cast<uint16_t>(info.Channels);
  format->nSamplesPerSec = static_cast<uint32_t>(info.Rate);
  format->nBlockAlign = static_cast<uint16_t>(info.BlockAlign());
  format->nAvgBytesPerSec = format->nSamplesPerSec * format->nBlockAlign;
  format->wBitsPerSample = static_cast<uint16_t>(info.Bits);
  format->cbSize = 0;
  return kTrue;
}

int32_t orvaOggStrGetSize(TOrvaHandle h) {
  std::shared_ptr<TStrDecoder> d = Module().Decoder(h);
  if (!d || !d->Decoder) return 0;
  const TPcmInfo& info = d->Decoder->Info();
  return static_cast<int32_t>(std::min<int64_t>(info.Frames * info.BlockAlign(), INT32_MAX / 8 * 8));
}

int32_t orvaOggStrRead(TOrvaHandle h, void* buffer, int32_t count) {
  std::shared_ptr<TStrDecoder> d = Module().Decoder(h);
  if (!d || !d->Decoder || !buffer || count < 1) return 0;
  int64_t got = 0;
  Module().RunOnWorker([&] {
    auto* out = static_cast<uint8_t*>(buffer);
    const int64_t align = d->Decoder->Info().BlockAlign();
    // A position inside a frame reads that frame's remaining bytes first.
    const int64_t inside = d->Position % align;
    if (inside != 0) {
      std::vector<uint8_t> frame(static_cast<size_t>(align));
      if (d->Decoder->Read(frame.data(), align) == align) {
        got = std::min<int64_t>(align - inside, count);
        std::memcpy(out, frame.data() + inside, static_cast<size_t>(got));
      }
    }
    if (inside == 0 || got == align - inside) {
      while (got < count) {
        const int64_t wholeFrames = (count - got) / align * align;
        if (wholeFrames == 0) {
          std::vector<uint8_t> frame(static_cast<size_t>(align));
          const int64_t n = d->Decoder->Read(frame.data(), align);
          if (n <= 0) break;
          std::memcpy(out + got, frame.data(), static_cast<size_t>(count - got));
          got = count;
          break;
        }
        const int64_t n = d->Decoder->Read(out + got, wholeFrames);
        if (n <= 0) break;
        got += n;
      }
    }
    d->Position += got;
    // Whatever is left of a partly read frame is read again from its start next time.
    if (d->Position % align != 0) d->Decoder->SeekFrame(d->Position / align);
  });
  return static_cast<int32_t>(got);
}

int32_t orvaOggStrGetPos(TOrvaHandle h) {
  std::shared_ptr<TStrDecoder> d = Module().Decoder(h);
  return d ? static_cast<int32_t>(d->Position) : 0;
}

void orvaOggStrSetPos(TOrvaHandle h, int32_t position) {
  std::shared_ptr<TStrDecoder> d = Module().Decoder(h);
  if (!d || !d->Decoder) return;
  Module().RunOnWorker([&] {
    const int64_t align = d->Decoder->Info().BlockAlign();
    d->Position = std::clamp<int64_t>(position, 0, d->Decoder->Info().Frames * align);
    d->Decoder->SeekFrame(d->Position / align);
  });
}

int32_t orvaOggStrGetLen(TOrvaHandle h) {
  std::shared_ptr<TStrDecoder> d = Module().Decoder(h);
  if (!d || !d->Decoder) return 0;
  const TPcmInfo& info = d->Decoder->Info();
  return static_cast<int32_t>(std::min<int64_t>(info.Frames * 1000 / info.Rate, INT32_MAX));
}

TOrvaHandle orvaVidmanAdd(const char*, void* stream, TOrvaBool notOverlay) {
  TFpuGuard guard;
  return stream ? Module().AddMovie(stream, notOverlay != 0) : 0;
}
void orvaVidmanDel(TOrvaHandle h) { Module().DeleteMovie(h); }
void orvaVidmanSuspend() { Module().VideoSuspended = true; }
void orvaVidmanResume() { Module().VideoSuspended = false; }

template <typename Result, typename Action>
Result WithMovie(TOrvaHandle h, Result none, Action action) {
  std::shared_ptr<TMovie> movie = Module().Movie(h);
  return movie ? action(*movie) : none;
}

void VideoPlay(TOrvaHandle h) { WithMovie(h, 0, [](TMovie& m) { return m.Voice.Play(), 0; }); }
void VideoPause(TOrvaHandle h) { WithMovie(h, 0, [](TMovie& m) { return m.Voice.Pause(), 0; }); }
TOrvaBool VideoIsPlaying(TOrvaHandle h) { return WithMovie(h, kFalse, [](TMovie& m) { return Bool(m.Voice.IsPlaying()); }); }
TOrvaBool VideoIsPaused(TOrvaHandle h) { return WithMovie(h, kFalse, [](TMovie& m) { return Bool(m.Voice.IsPaused()); }); }
TOrvaBool VideoIsEnd(TOrvaHandle h) { return WithMovie(h, kFalse, [](TMovie& m) { return Bool(m.Voice.IsEnd()); }); }
int32_t VideoGetLen(TOrvaHandle h) { return WithMovie(h, 0, [](TMovie& m) { return m.Voice.LengthMs(); }); }
int32_t VideoGetPosition(TOrvaHandle h) { return WithMovie(h, 0, [](TMovie& m) { return m.Voice.PositionMs(); }); }
int32_t VideoGetVol(TOrvaHandle h) { return WithMovie(h, 0, [](TMovie& m) { return m.Voice.Volume(); }); }
int32_t VideoGetPan(TOrvaHandle h) { return WithMovie(h, 0, [](TMovie& m) { return m.Voice.Pan(); }); }
TOrvaBool VideoGetAutoRepeat(TOrvaHandle h) { return WithMovie(h, kFalse, [](TMovie& m) { return Bool(m.Voice.Loop()); }); }
TOrvaBool VideoGetVisible(TOrvaHandle h) { return WithMovie(h, kFalse, [](TMovie& m) { return Bool(m.Visible); }); }
int32_t VideoGetSourceWidth(TOrvaHandle h) { return WithMovie(h, 0, [](TMovie& m) { return m.Width(); }); }
int32_t VideoGetSourceHeight(TOrvaHandle h) { return WithMovie(h, 0, [](TMovie& m) { return m.Height(); }); }
TOrvaBool VideoNeedPaint(TOrvaHandle h) {
  if (Module().VideoSuspended) return kFalse;
  const bool headless = AudioBackend() == TAudioBackend::Headless;
  return WithMovie(h, kFalse, [&](TMovie& m) { return Bool(m.NeedPaint(headless, [] { Module().Wake(); })); });
}
const TVideoFrame* VideoGetDC(TOrvaHandle h) {
  return WithMovie(h, static_cast<const TVideoFrame*>(nullptr), [](TMovie& m) { return m.Frame(); });
}
void VideoSetPosition(TOrvaHandle h, int32_t ms) { WithMovie(h, 0, [&](TMovie& m) { return m.Voice.SetPositionMs(ms), 0; }); }
void VideoSetVol(TOrvaHandle h, int32_t volume) { WithMovie(h, 0, [&](TMovie& m) { return m.Voice.SetVolume(volume), 0; }); }
void VideoSetPan(TOrvaHandle h, int32_t pan) { WithMovie(h, 0, [&](TMovie& m) { return m.Voice.SetPan(pan), 0; }); }
void VideoSetAutoRepeat(TOrvaHandle h, TOrvaBool on) { WithMovie(h, 0, [&](TMovie& m) { return m.SetLoop(on != 0), 0; }); }
void VideoSetVisible(TOrvaHandle h, TOrvaBool on) { WithMovie(h, 0, [&](TMovie& m) { return m.Visible = on != 0, 0; }); }
void VideoSetRect(TOrvaHandle h, const TOrvaRect* first, const TOrvaRect* second) {
  WithMovie(h, 0, [&](TMovie& m) {
    if (first) m.Destination = *first;
    if (second) m.Source = *second;
    return 0;
  });
}

}  // namespace

const TOrvaEntryPoints& OrvaModuleEntryPoints() {
  static const TOrvaEntryPoints table = {
      .orvaVersion = orvaVersion,
      .orvaInit = orvaInit,
      .orvaFinal = orvaFinal,
      .orvaWmpmanAdd = orvaWmpmanAdd,
      .orvaWmpmanDel = orvaWmpmanDel,
      .orvaWmpmanProcessEvent = orvaProcessEventIgnored,
      .orvaWmpmanRestore = orvaRestoreNothing,
      .orvaWmpPlay = SoundPlay,
      .orvaWmpPause = SoundPause,
      .orvaWmpIsPlaying = SoundIsPlaying,
      .orvaWmpIsPaused = SoundIsPaused,
      .orvaWmpIsEnd = SoundIsEnd,
      .orvaWmpGetLen = SoundGetLen,
      .orvaWmpGetPosition = SoundGetPosition,
      .orvaWmpGetVol = SoundGetVol,
      .orvaWmpGetPan = SoundGetPan,
      .orvaWmpGetAutoRepeat = SoundGetAutoRepeat,
      .orvaWmpSetPosition = SoundSetPosition,
      .orvaWmpSetVol = SoundSetVol,
      .orvaWmpSetPan = SoundSetPan,
      .orvaWmpSetAutoRepeat = SoundSetAutoRepeat,
      .orvaOggmanAdd = orvaOggmanAdd,
      .orvaOggmanDel = orvaWmpmanDel,
      .orvaOggmanRestore = orvaRestoreNothing,
      .orvaOggmanSetUseThread = orvaOggmanSetUseThread,
      .orvaOggPlay = SoundPlay,
      .orvaOggPause = SoundPause,
      .orvaOggIsPlaying = SoundIsPlaying,
      .orvaOggIsPaused = SoundIsPaused,
      .orvaOggIsEnd = SoundIsEnd,
      .orvaOggGetLen = SoundGetLen,
      .orvaOggGetPosition = SoundGetPosition,
      .orvaOggGetVol = SoundGetVol,
      .orvaOggGetPan = SoundGetPan,
      .orvaOggGetAutoRepeat = SoundGetAutoRepeat,
      .orvaOggSetPosition = SoundSetPosition,
      .orvaOggSetVol = SoundSetVol,
      .orvaOggSetPan = SoundSetPan,
      .orvaOggSetAutoRepeat = SoundSetAutoRepeat,
      .orvaOggStrmanAdd = orvaOggStrmanAdd,
      .orvaOggStrmanDel = orvaOggStrmanDel,
      .orvaOggStrGetFormat = orvaOggStrGetFormat,
      .orvaOggStrGetSize = orvaOggStrGetSize,
      .orvaOggStrRead = orvaOggStrRead,
      .orvaOggStrGetPos = orvaOggStrGetPos,
      .orvaOggStrSetPos = orvaOggStrSetPos,
      .orvaOggStrGetLen = orvaOggStrGetLen,
      .orvaVidmanAdd = orvaVidmanAdd,
      .orvaVidmanDel = orvaVidmanDel,
      .orvaVidmanProcessEvent = orvaProcessEventIgnored,
      .orvaVidmanSuspend = orvaVidmanSuspend,
      .orvaVidmanResume = orvaVidmanResume,
      .orvaVideoPlay = VideoPlay,
      .orvaVideoPause = VideoPause,
      .orvaVideoIsPlaying = VideoIsPlaying,
      .orvaVideoIsPaused = VideoIsPaused,
      .orvaVideoIsEnd = VideoIsEnd,
      .orvaVideoGetLen = VideoGetLen,
      .orvaVideoGetPosition = VideoGetPosition,
      .orvaVideoGetVol = VideoGetVol,
      .orvaVideoGetPan = VideoGetPan,
      .orvaVideoGetAutoRepeat = VideoGetAutoRepeat,
      .orvaVideoGetVisible = VideoGetVisible,
      .orvaVideoGetSourceWidth = VideoGetSourceWidth,
      .orvaVideoGetSourceHeight = VideoGetSourceHeight,
      .orvaVideoNeedPaint = VideoNeedPaint,
      .orvaVideoGetDC = VideoGetDC,
      .orvaVideoSetPosition = VideoSetPosition,
      .orvaVideoSetVol = VideoSetVol,
      .orvaVideoSetPan = VideoSetPan,
      .orvaVideoSetAutoRepeat = VideoSetAutoRepeat,
      .orvaVideoSetVisible = VideoSetVisible,
      .orvaVideoSetRect = VideoSetRect,
  };
  return table;
}

}  // namespace orva
