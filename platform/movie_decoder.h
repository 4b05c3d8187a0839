#pragma once
// A movie decoded by FFmpeg: its pictures as 32-bit frames (0x00RRGGBB) with their times,
// its sound as 44100 Hz 16-bit stereo frames. Used on the media module's worker only.

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/pcm_decoder.h"

namespace orva {

struct TMoviePicture {
  int64_t Time = 0;  // in output frames (1/44100 s) from the movie's start
  std::vector<uint32_t> Pixels;
};

// Builds what FFmpeg builds at the first open of a Windows Media movie or sound (the
// demuxers' probes, the decoders' shared tables, the picture converter), so that the first
// open of the program's own does not. Any number of calls, on any thread, beside opens on
// others; only the first does the work.
void PrepareMovieDecoding();

class TMovieDecoder {
 public:
  static std::unique_ptr<TMovieDecoder> Open(TByteSource& source);
  ~TMovieDecoder();
  TMovieDecoder(const TMovieDecoder&) = delete;
  TMovieDecoder& operator=(const TMovieDecoder&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool HasAudio() const { return audioStream_ >= 0; }
  bool HasVideo() const { return videoStream_ >= 0; }
  // In output frames; 0 when unknown.
  int64_t Duration() const { return duration_; }

  // Reads one packet and appends what it decodes; false once everything has been given.
  bool Step(std::vector<int16_t>& audio, std::deque<TMoviePicture>& pictures);
  // Output from then on starts at `frame`: sound before it is dropped and of the pictures
  // before it only the last is kept.
  bool Seek(int64_t frame);

 private:
  explicit TMovieDecoder(TByteSource& source);
  bool Init();
  void TakeAudio(std::vector<int16_t>& audio);
  void TakePictures(std::deque<TMoviePicture>& pictures);
  void Drain(std::vector<int16_t>& audio, std::deque<TMoviePicture>& pictures);

  struct TState;
  std::unique_ptr<TState> state_;
  int width_ = 0;
  int height_ = 0;
  int audioStream_ = -1;
  int videoStream_ = -1;
  int64_t duration_ = 0;
  int64_t start_ = 0;  // the container's first time, in output frames
  int64_t audioTarget_ = -1;
  int64_t videoTarget_ = -1;
  bool finished_ = false;
};

}  // namespace orva
