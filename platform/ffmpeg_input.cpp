#include "platform/ffmpeg_input.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <algorithm>

namespace orva {

namespace {

constexpr int kIoBufferSize = 1 << 15;

int ReadPacket(void* opaque, uint8_t* buffer, int size) {
  const int64_t got = static_cast<TByteSource*>(opaque)->Read(buffer, size);
  return got > 0 ? static_cast<int>(got) : AVERROR_EOF;
}

int64_t SeekSource(void* opaque, int64_t offset, int whence) {
  auto* source = static_cast<TByteSource*>(opaque);
  if (whence & AVSEEK_SIZE) return source->Size();
  whence &= ~AVSEEK_FORCE;
  int64_t target = offset;
  if (whence == SEEK_CUR) target += source->Position();
  else if (whence == SEEK_END) target += source->Size();
  else if (whence != SEEK_SET) return -1;
  if (target < 0) return -1;
  return source->Seek(std::min(target, source->Size()));
}

}  // namespace

TFfmpegInput::TFfmpegInput(TByteSource& source) : source_(source) {
  av_log_set_level(AV_LOG_QUIET);
  source_.Seek(0);
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (!buffer) return;
  io_ = avio_alloc_context(buffer, kIoBufferSize, 0, &source_, ReadPacket, nullptr, SeekSource);
  if (!io_) {
    av_free(buffer);
    return;
  }
  format_ = avformat_alloc_context();
  if (!format_) return;
  format_->pb = io_;
  format_->flags |= AVFMT_FLAG_CUSTOM_IO;
  // Bounds on what probing may read and decode from hostile data.
  format_->probesize = 1 << 20;
  format_->max_analyze_duration = 5 * AV_TIME_BASE;
  if (avformat_open_input(&format_, nullptr, nullptr, nullptr) < 0) {
    format_ = nullptr;  // freed by the failed open
    return;
  }
  if (avformat_find_stream_info(format_, nullptr) < 0) {
    avformat_close_input(&format_);
    format_ = nullptr;
  }
}

TFfmpegInput::~TFfmpegInput() {
  if (format_) avformat_close_input(&format_);
  if (io_) {
    av_freep(&io_->buffer);
    avio_context_free(&io_);
  }
}

}  // namespace orva
