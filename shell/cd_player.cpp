#include "shell/cd_player.h"

#include <algorithm>

namespace orva {

namespace {
constexpr int kFramesPerSecond = 75;
constexpr uint32_t kTimerMs = 200;
}  // namespace

TCDP::TCDP(TCdAudioSystem& system) : Drives(system.Drives()), system_(system) {}

TCDP::~TCDP() { Close(); }

void TCDP::Open(int driveIndex) {
  if (driveIndex < 0 || driveIndex >= static_cast<int>(Drives.size())) return;
  std::unique_ptr<TCdAudioDevice> device = system_.Open(Drives[static_cast<size_t>(driveIndex)]);
  if (!device) return;
  device_ = std::move(device);
  timerStarted_ = false;
}

void TCDP::Close() {
  if (!device_) return;
  device_->Stop();
  device_.reset();
}

int TCDP::GetMode() {
  if (!device_) return mdNotReady;
  if (device_->Playing()) return mdPlaying;
  return device_->MediaPresent() ? mdStopped : mdNotReady;
}

int TCDP::GetTrackCount() { return device_ ? device_->TrackCount() : 0; }

int TCDP::GetTrackLength(int track) { return device_ ? device_->TrackLength(track) / kFramesPerSecond : 0; }

int TCDP::GetPosition() {
  if (!device_) return 0;
  int track = 0;
  int32_t frame = 0;
  device_->Position(track, frame);
  return frame / kFramesPerSecond;
}

void TCDP::PlayTrack(int index) {
  if (index < 0 || index >= static_cast<int>(PlayList.size())) return;
  PlayIndex = index;
  PlayFrom(PlayList[static_cast<size_t>(index)], 0, 0);
}

void TCDP::SeekPlay(int track, int seconds) {
  if (device_) PlayFrom(track, seconds, 0);
}

void TCDP::PlayFrom(int track, int seconds, int frame) {
  if (!device_) return;
  Track = track;
  // A second short of the reported end, as the length is in whole seconds.
  const int length = GetTrackLength(Track);
  LastError = !device_->Play(Track, seconds * kFramesPerSecond + frame, Track, (length - 1) * kFramesPerSecond);
}

void TCDP::Stop() {
  if (device_) device_->Stop();
}

bool TCDP::MediaPresent() { return device_ && device_->MediaPresent(); }

void TCDP::Rewind() {
  PlayIndex = 0;
  Track = PlayList.front();
  if (device_) device_->Seek(Track, 0);
}

void TCDP::Completion() {
  // The disc was taken out: nothing to go on to.
  if (PlayList.empty()) return;
  if (PlayIndex + 1 < static_cast<int>(PlayList.size())) {
    PlayTrack(PlayIndex + 1);
  } else if (Repeat) {
    Rewind();
    PlayFrom(Track, 0, 0);
  } else {
    Rewind();
  }
}

void TCDP::Timer() {
  if (busy_ || !device_) return;
  busy_ = true;
  if (!discPresent_) {
    Track = 1;
    if (++checkCounter_ > 5) {
      checkCounter_ = 0;
      if (device_->MediaPresent()) {
        discPresent_ = true;
        PlayIndex = 0;
        PlayList.clear();
        for (int t = 1; t <= device_->TrackCount(); ++t) PlayList.push_back(t);
        if (OnDiscIn) OnDiscIn();
      }
    }
  } else if (!device_->MediaPresent()) {
    discPresent_ = false;
    PlayList.clear();
  }
  busy_ = false;
}

void TCDP::Idle(uint32_t nowMs) {
  if (!device_) return;
  if (device_->TakeCompleted()) Completion();
  if (!timerStarted_) {
    timerStarted_ = true;
    lastTimer_ = nowMs;
  }
  while (device_ && nowMs - lastTimer_ >= kTimerMs) {
    lastTimer_ += kTimerMs;
    Timer();
  }
}

}  // namespace orva
