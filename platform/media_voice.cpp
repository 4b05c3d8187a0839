#include "platform/media_voice.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace orva {

namespace {
// Frames queued ahead of what plays.
constexpr int64_t kAhead = 22050;

int32_t GainQ16(double hundredthsOfDb) { return static_cast<int32_t>(std::lround(65536.0 * std::pow(10.0, hundredthsOfDb / 2000.0))); }
}  // namespace

std::vector<int16_t> ToOutputFrames(const uint8_t* pcm, size_t bytes, const TPcmInfo& info) {
  const size_t align = static_cast<size_t>(info.BlockAlign());
  const size_t frames = align ? bytes / align : 0;
  const size_t repeat = info.Rate == 22050 ? 2 : 1;
  std::vector<int16_t> out(frames * repeat * 2);
  for (size_t f = 0; f < frames; ++f) {
    int16_t values[2];
    for (int c = 0; c < info.Channels; ++c) {
      const uint8_t* at = pcm + f * align + static_cast<size_t>(c) * static_cast<size_t>(info.Bits / 8);
      if (info.Bits == 8) {
        values[c] = static_cast<int16_t>((at[0] - 128) * 256);
      } else {
        std::memcpy(&values[c], at, 2);
      }
    }
    if (info.Channels == 1) values[1] = values[0];
    for (size_t r = 0; r < repeat; ++r) {
      out[(f * repeat + r) * 2] = values[0];
      out[(f * repeat + r) * 2 + 1] = values[1];
    }
  }
  return out;
}

TVoice::TVoice(std::function<void()> wakeProducer) : wakeProducer_(std::move(wakeProducer)) {}

void TVoice::Play() {
  {
    std::lock_guard lock(mutex_);
    if (failed_) {
      ended_ = true;
      return;
    }
    if (ended_) {
      ClearQueue();
      seekTo_ = 0;
      position_ = 0;
      lapStart_ = 0;
      ended_ = false;
    }
    playing_ = true;
    paused_ = false;
  }
  wakeProducer_();
}

void TVoice::Pause() {
  std::lock_guard lock(mutex_);
  if (playing_) paused_ = true;
}

void TVoice::SetLoop(bool loop) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    if (loop == loop_) return;
    loop_ = loop;
    if (loop && sourceEnded_ && !failed_ && !ended_) {
      // The worker may have reached the end before the loop was asked for: it goes on.
      sourceEnded_ = false;
      wake = true;
    } else if (!loop) {
      // The lap heard now is the last: the laps queued after it go, the front one included
      // when the lap heard has just been used up.
      const auto ahead = std::find_if(chunks_.begin(), chunks_.end(), [&](const TChunk& c) { return c.LapStart > lapStart_; });
      if (ahead != chunks_.end()) {
        for (auto it = ahead; it != chunks_.end(); ++it) buffered_ -= static_cast<int64_t>(it->Samples.size() / 2 - it->Used);
        chunks_.erase(ahead, chunks_.end());
        sourceEnded_ = true;
        changed_.notify_all();
      }
    }
  }
  if (wake) wakeProducer_();
}

void TVoice::SetVolume(int32_t volume) {
  std::lock_guard lock(mutex_);
  volume_ = std::clamp(volume, -10000, 0);
  ApplyGain();
}

void TVoice::SetPan(int32_t pan) {
  std::lock_guard lock(mutex_);
  pan_ = std::clamp(pan, -10000, 10000);
  ApplyGain();
}

void TVoice::ApplyGain() {
  const double left = volume_ - std::max(pan_, 0);
  const double right = volume_ + std::min(pan_, 0);
  gainLeft_ = volume_ <= -10000 ? 0 : GainQ16(left);
  gainRight_ = volume_ <= -10000 ? 0 : GainQ16(right);
}

void TVoice::SetPositionMs(int32_t ms) {
  {
    std::lock_guard lock(mutex_);
    const int64_t frame = std::clamp<int64_t>(int64_t{std::max(ms, 0)} * 44100 / 1000, 0, length_);
    ClearQueue();
    seekTo_ = frame;
    position_ = frame;
    lapStart_ = 0;
    ended_ = false;
  }
  wakeProducer_();
}

void TVoice::SetFailed() {
  std::lock_guard lock(mutex_);
  failed_ = true;
  sourceEnded_ = true;
  changed_.notify_all();
}

bool TVoice::IsPlaying() {
  std::lock_guard lock(mutex_);
  return playing_ && !paused_ && !ended_;
}

bool TVoice::IsPaused() {
  std::lock_guard lock(mutex_);
  return paused_;
}

bool TVoice::IsEnd() {
  std::lock_guard lock(mutex_);
  return ended_;
}

bool TVoice::Loop() {
  std::lock_guard lock(mutex_);
  return loop_;
}

int32_t TVoice::Volume() {
  std::lock_guard lock(mutex_);
  return volume_;
}

int32_t TVoice::Pan() {
  std::lock_guard lock(mutex_);
  return pan_;
}

int64_t TVoice::PositionFrames() {
  std::lock_guard lock(mutex_);
  return position_;
}

int64_t TVoice::TimelineFrames() {
  std::lock_guard lock(mutex_);
  return lapStart_ + position_;
}

int64_t TVoice::LapStart() {
  std::lock_guard lock(mutex_);
  return lapStart_;
}

int32_t TVoice::PositionMs() { return static_cast<int32_t>(PositionFrames() * 1000 / 44100); }

int32_t TVoice::LengthMs() {
  std::lock_guard lock(mutex_);
  return static_cast<int32_t>(std::min<int64_t>(length_ * 1000 / 44100, INT32_MAX));
}

void TVoice::SetLength(int64_t frames) {
  std::lock_guard lock(mutex_);
  length_ = std::max<int64_t>(frames, 0);
}

void TVoice::ClearQueue() {
  chunks_.clear();
  buffered_ = 0;
  ++generation_;
  sourceEnded_ = failed_;
  changed_.notify_all();
}

bool TVoice::Wants(int64_t& seekTo, uint64_t& generation) {
  std::lock_guard lock(mutex_);
  seekTo = std::exchange(seekTo_, -1);
  generation = generation_;
  return !failed_ && !sourceEnded_ && (seekTo >= 0 || buffered_ < kAhead);
}

bool TVoice::LapWantedLocked(uint64_t generation, int64_t lapStart) const {
  return generation != generation_ || loop_ || lapStart <= lapStart_;
}

bool TVoice::LapWanted(uint64_t generation, int64_t lapStart) {
  std::lock_guard lock(mutex_);
  return LapWantedLocked(generation, lapStart);
}

void TVoice::Push(uint64_t generation, int64_t sourceFrame, std::vector<int16_t> frames, int64_t lapStart) {
  std::lock_guard lock(mutex_);
  if (generation != generation_ || frames.empty()) return;
  if (!LapWantedLocked(generation, lapStart)) {
    // A wrap decided while the sound still looped.
    sourceEnded_ = true;
    changed_.notify_all();
    return;
  }
  buffered_ += static_cast<int64_t>(frames.size() / 2);
  chunks_.push_back({sourceFrame, lapStart, std::move(frames)});
  changed_.notify_all();
}

void TVoice::SourceEnded(uint64_t generation) {
  std::lock_guard lock(mutex_);
  if (generation != generation_) return;
  sourceEnded_ = true;
  changed_.notify_all();
}

void TVoice::MixInto(int32_t* mix, int frames, bool pulled) {
  bool wake = false;
  {
    std::unique_lock lock(mutex_);
    if (!playing_ || paused_ || ended_) return;
    int need = frames;
    while (need > 0) {
      if (chunks_.empty()) {
        if (sourceEnded_) {
          ended_ = true;
          break;
        }
        if (!pulled) {
          wake = true;
          break;
        }
        // Headless: wait for the worker instead of hearing a gap.
        lock.unlock();
        wakeProducer_();
        lock.lock();
        changed_.wait(lock, [&] { return !chunks_.empty() || sourceEnded_ || !playing_ || paused_; });
        if (!playing_ || paused_) break;
        continue;
      }
      TChunk& chunk = chunks_.front();
      const size_t available = chunk.Samples.size() / 2 - chunk.Used;
      const size_t take = std::min(available, static_cast<size_t>(need));
      const int16_t* in = chunk.Samples.data() + chunk.Used * 2;
      for (size_t i = 0; i < take; ++i) {
        mix[i * 2] += (in[i * 2] * gainLeft_) >> 16;
        mix[i * 2 + 1] += (in[i * 2 + 1] * gainRight_) >> 16;
      }
      mix += take * 2;
      need -= static_cast<int>(take);
      chunk.Used += take;
      buffered_ -= static_cast<int64_t>(take);
      position_ = chunk.SourceStart + static_cast<int64_t>(chunk.Used);
      lapStart_ = chunk.LapStart;
      if (chunk.Used * 2 == chunk.Samples.size()) chunks_.pop_front();
    }
    wake = wake || (!sourceEnded_ && buffered_ < kAhead / 2);
  }
  if (wake) wakeProducer_();
}

}  // namespace orva
