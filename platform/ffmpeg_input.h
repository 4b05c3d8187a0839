#pragma once
// FFmpeg's demuxer over a byte source: the module's custom I/O context, opened and probed.

#include <memory>

#include "platform/pcm_decoder.h"

struct AVFormatContext;
struct AVIOContext;

namespace orva {

class TFfmpegInput {
 public:
  // Opens and probes; Context() is none when FFmpeg does not read the data.
  explicit TFfmpegInput(TByteSource& source);
  ~TFfmpegInput();
  TFfmpegInput(const TFfmpegInput&) = delete;
  TFfmpegInput& operator=(const TFfmpegInput&) = delete;

  AVFormatContext* Context() const { return format_; }

 private:
  TByteSource& source_;
  AVFormatContext* format_ = nullptr;
  AVIOContext* io_ = nullptr;
};

}  // namespace orva
