#pragma once
// One sound of the media module as the output hears it: decoded 44100 Hz stereo frames
// queued by the module's worker, played with gain, pan, pause and loop. The worker fills it;
// the output (or a headless pull) consumes it.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/audio_output.h"
#include "platform/pcm_decoder.h"

namespace orva {

class TVoice final : public TAudioInput {
 public:
  // `wakeProducer` asks the worker for more data.
  explicit TVoice(std::function<void()> wakeProducer);

  // ---- the module's calls ----
  // Starts or resumes; a sound that ended starts again from the beginning.
  void Play();
  void Pause();
  void SetLoop(bool loop);
  // Hundredths of a decibel.
  void SetVolume(int32_t volume);
  void SetPan(int32_t pan);
  void SetPositionMs(int32_t ms);
  // A sound that cannot play: playing it ends it at once.
  void SetFailed();

  bool IsPlaying();
  bool IsPaused();
  bool IsEnd();
  bool Loop();
  int32_t Volume();
  int32_t Pan();
  int32_t PositionMs();
  int32_t LengthMs();
  // Within the source: wraps when a loop starts again.
  int64_t PositionFrames();
  // Frames heard since the start or the last seek, laps of a loop added up.
  int64_t TimelineFrames();
  // Where on the timeline the lap heard now began.
  int64_t LapStart();

  // ---- the worker's calls ----
  void SetLength(int64_t frames);
  // Whether more data is wanted, and the seek to make first (-1 none) with its generation.
  bool Wants(int64_t& seekTo, uint64_t& generation);
  // Whether the lap of a loop that begins at `lapStart` on the timeline is still to be heard:
  // once the loop is off, laps after the one heard now are not. A generation that a seek
  // superseded is left to the next round.
  bool LapWanted(uint64_t generation, int64_t lapStart);
  // Appends stereo frames that start at `sourceFrame` of the lap that began at `lapStart`;
  // dropped when a seek came in between. Frames of a lap no longer wanted end the source.
  void Push(uint64_t generation, int64_t sourceFrame, std::vector<int16_t> frames, int64_t lapStart);
  // The source gave its last frame.
  void SourceEnded(uint64_t generation);

  void MixInto(int32_t* mix, int frames, bool pulled) override;

 private:
  struct TChunk {
    int64_t SourceStart;
    int64_t LapStart;
    std::vector<int16_t> Samples;
    size_t Used = 0;  // frames
  };
  void ClearQueue();
  void ApplyGain();
  bool LapWantedLocked(uint64_t generation, int64_t lapStart) const;

  std::function<void()> wakeProducer_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<TChunk> chunks_;
  int64_t buffered_ = 0;
  uint64_t generation_ = 0;
  int64_t seekTo_ = 0;  // the first fill starts from the beginning
  bool sourceEnded_ = false;
  bool failed_ = false;
  bool playing_ = false;
  bool paused_ = false;
  bool ended_ = false;
  bool loop_ = false;
  int32_t volume_ = 0;
  int32_t pan_ = 0;
  int32_t gainLeft_ = 65536;  // 16.16
  int32_t gainRight_ = 65536;
  int64_t position_ = 0;  // frames of the source, at 44100 Hz
  int64_t lapStart_ = 0;  // timeline frame at which the lap playing began
  int64_t length_ = 0;
};

// Stereo 44100 Hz frames from mixable PCM (platform/pcm_decoder.h): samples repeat to fill
// both channels and the rate.
std::vector<int16_t> ToOutputFrames(const uint8_t* pcm, size_t bytes, const TPcmInfo& info);

}  // namespace orva
