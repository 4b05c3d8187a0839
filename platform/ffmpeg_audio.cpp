// Sound decoded by FFmpeg (Windows Media audio, WAV encodings other than plain PCM) and the
// conversion of what the program's own mixer cannot take.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>

#include "platform/ffmpeg_input.h"
#include "platform/pcm_decoder.h"

namespace orva {

// ---- TMemorySource ----

int64_t TMemorySource::Read(void* buffer, int64_t count) {
  const int64_t n = std::clamp<int64_t>(Size() - position_, 0, std::max<int64_t>(count, 0));
  if (n > 0) std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemorySource::Seek(int64_t position) {
  position_ = std::clamp<int64_t>(position, 0, Size());
  return position_;
}

namespace {

// Interleaved 16-bit output of a converter, taken from the front.
class TSampleQueue {
 public:
  void Append(const uint8_t* bytes, size_t count) { data_.insert(data_.end(), bytes, bytes + count); }
  size_t Size() const { return data_.size() - start_; }
  size_t Take(uint8_t* out, size_t count) {
    const size_t n = std::min(count, Size());
    if (n == 0) return 0;
    std::memcpy(out, data_.data() + start_, n);
    start_ += n;
    if (start_ == data_.size()) Clear();
    return n;
  }
  void Drop(size_t count) { start_ += std::min(count, Size()); }
  void Clear() {
    data_.clear();
    start_ = 0;
  }

 private:
  std::vector<uint8_t> data_;
  size_t start_ = 0;
};

SwrContext* MakeConverter(const AVChannelLayout& inLayout, AVSampleFormat inFormat, int inRate, int outChannels,
                          int outRate) {
  AVChannelLayout outLayout{}, in{};  // a copy first frees what its destination holds
  av_channel_layout_default(&outLayout, outChannels);
  if (av_channel_layout_copy(&in, &inLayout) < 0) return nullptr;
  SwrContext* swr = nullptr;
  const int made = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, outRate, &in, inFormat, inRate, 0, nullptr);
  av_channel_layout_uninit(&in);
  if (made < 0 ||
      swr_init(swr) < 0) {
    swr_free(&swr);
    return nullptr;
  }
  return swr;
}

// Converts `count` input samples per channel into the queue.
bool Convert(SwrContext* swr, const uint8_t* const* input, int count, int outChannels, TSampleQueue& queue) {
  const int room = swr_get_out_samples(swr, count);
  if (room < 0) return false;
  std::vector<uint8_t> out(static_cast<size_t>(room + 16) * static_cast<size_t>(outChannels) * 2);
  uint8_t* planes[1] = {out.data()};
  const int made = swr_convert(swr, planes, room + 16, const_cast<const uint8_t**>(input), count);
  if (made < 0) return false;
  queue.Append(out.data(), static_cast<size_t>(made) * static_cast<size_t>(outChannels) * 2);
  return true;
}

class TFfmpegAudioDecoder final : public TPcmDecoder {
 public:
  explicit TFfmpegAudioDecoder(TByteSource& source) : input_(source) {}
  ~TFfmpegAudioDecoder() override {
    swr_free(&swr_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
  }

  bool Open() {
    AVFormatContext* format = input_.Context();
    if (!format) return false;
    const AVCodec* decoder = nullptr;
    stream_ = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream_ < 0 || !decoder) return false;
    const AVStream* stream = format->streams[stream_];
    codec_ = avcodec_alloc_context3(decoder);
    if (!codec_ || avcodec_parameters_to_context(codec_, stream->codecpar) < 0 || avcodec_open2(codec_, decoder, nullptr) < 0)
      return false;
    const int channels = codec_->ch_layout.nb_channels;
    if (channels < 1 || channels > 64 || codec_->sample_rate < 1 || codec_->sample_rate > 384000) return false;
    AVChannelLayout inLayout{};
    if (codec_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) av_channel_layout_default(&inLayout, channels);
    else av_channel_layout_copy(&inLayout, &codec_->ch_layout);
    info_.Channels = std::min(channels, 2);
    info_.Rate = codec_->sample_rate;
    info_.Bits = 16;
    swr_ = MakeConverter(inLayout, codec_->sample_fmt, info_.Rate, info_.Channels, info_.Rate);
    av_channel_layout_uninit(&inLayout);
    if (!swr_) return false;
    if (stream->duration > 0) info_.Frames = av_rescale_q(stream->duration, stream->time_base, {1, info_.Rate});
    else if (format->duration > 0) info_.Frames = av_rescale(format->duration, info_.Rate, AV_TIME_BASE);
    info_.Frames = std::clamp<int64_t>(info_.Frames, 0, kMaxPcmFrames);
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    return packet_ && frame_;
  }

  int64_t Read(uint8_t* out, int64_t bytes) override {
    const auto align = static_cast<size_t>(info_.BlockAlign());
    const size_t want = static_cast<size_t>(std::max<int64_t>(bytes, 0)) / align * align;
    while (queue_.Size() < want && DecodeMore()) {
    }
    return static_cast<int64_t>(queue_.Take(out, std::min(want, queue_.Size() / align * align)));
  }

  bool SeekFrame(int64_t frame) override {
    const AVStream* stream = input_.Context()->streams[stream_];
    const int64_t ts = av_rescale_q(std::max<int64_t>(frame, 0), {1, info_.Rate}, stream->time_base);
    if (av_seek_frame(input_.Context(), stream_, ts, AVSEEK_FLAG_BACKWARD) < 0 &&
        av_seek_frame(input_.Context(), stream_, 0, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_BYTE) < 0)
      return false;
    avcodec_flush_buffers(codec_);
    swr_init(swr_);
    queue_.Clear();
    ended_ = flushed_ = false;
    target_ = std::max<int64_t>(frame, 0);
    return true;
  }

 private:
  // Decodes one more frame into the queue; false at the end.
  bool DecodeMore() {
    while (!ended_) {
      const int received = avcodec_receive_frame(codec_, frame_);
      if (received == 0) {
        Take(*frame_);
        av_frame_unref(frame_);
        return true;
      }
      if (received == AVERROR_EOF) {
        ended_ = true;
        break;
      }
      if (received != AVERROR(EAGAIN)) {
        ended_ = true;
        break;
      }
      if (flushed_) {
        ended_ = true;
        break;
      }
      if (av_read_frame(input_.Context(), packet_) < 0) {
        avcodec_send_packet(codec_, nullptr);
        flushed_ = true;
        continue;
      }
      if (packet_->stream_index == stream_) avcodec_send_packet(codec_, packet_);
      av_packet_unref(packet_);
    }
    return false;
  }

  void Take(const AVFrame& frame) {
    const size_t before = queue_.Size();
    if (!Convert(swr_, frame.extended_data, frame.nb_samples, info_.Channels, queue_)) return;
    if (target_ < 0) return;
    // After a seek: drop what lies before the wanted frame.
    const AVStream* stream = input_.Context()->streams[stream_];
    const int64_t start = frame.best_effort_timestamp == AV_NOPTS_VALUE
                              ? target_
                              : av_rescale_q(frame.best_effort_timestamp, stream->time_base, {1, info_.Rate});
    const int64_t made = static_cast<int64_t>((queue_.Size() - before) / static_cast<size_t>(info_.BlockAlign()));
    if (start + made <= target_) {
      queue_.Drop(queue_.Size());  // the whole frame lies before the target
      return;
    }
    if (start < target_) queue_.Drop(static_cast<size_t>((target_ - start) * info_.BlockAlign()));
    target_ = -1;
  }

  TFfmpegInput input_;
  AVCodecContext* codec_ = nullptr;
  SwrContext* swr_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  int stream_ = -1;
  TSampleQueue queue_;
  bool ended_ = false;
  bool flushed_ = false;
  int64_t target_ = -1;
};

// Any rate, any channel count, to 44100 Hz 16-bit, stereo above two channels.
class TResampler final : public TPcmDecoder {
 public:
  explicit TResampler(std::unique_ptr<TPcmDecoder> inner) : inner_(std::move(inner)) {}
  ~TResampler() override { swr_free(&swr_); }

  bool Open() {
    const TPcmInfo& in = inner_->Info();
    info_.Channels = std::min(in.Channels, 2);
    info_.Rate = 44100;
    info_.Bits = 16;
    info_.Frames = (in.Frames * 44100 + in.Rate - 1) / in.Rate;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, in.Channels);
    swr_ = MakeConverter(layout, in.Bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16, in.Rate, info_.Channels, 44100);
    return swr_ != nullptr;
  }

  int64_t Read(uint8_t* out, int64_t bytes) override {
    const auto align = static_cast<size_t>(info_.BlockAlign());
    const size_t want = static_cast<size_t>(std::max<int64_t>(bytes, 0)) / align * align;
    const size_t inAlign = static_cast<size_t>(inner_->Info().BlockAlign());
    // Input in proportion to the output wanted: a low rate multiplies every frame by up to
    // 44100, and a whole block of it would convert to hundreds of megabytes at once.
    const int64_t inRate = std::max(inner_->Info().Rate, 1);
    const int64_t inFrames = std::clamp<int64_t>(static_cast<int64_t>(want / align) * inRate / 44100 + 1, 1, 4096);
    std::vector<uint8_t> chunk(static_cast<size_t>(inFrames) * inAlign);
    while (queue_.Size() < want && !drained_) {
      const int64_t got = inner_->Read(chunk.data(), static_cast<int64_t>(chunk.size()));
      const uint8_t* planes[1] = {chunk.data()};
      if (got <= 0) {
        Convert(swr_, nullptr, 0, info_.Channels, queue_);
        drained_ = true;
      } else if (!Convert(swr_, planes, static_cast<int>(static_cast<size_t>(got) / inAlign), info_.Channels, queue_)) {
        drained_ = true;
      }
    }
    return static_cast<int64_t>(queue_.Take(out, std::min(want, queue_.Size() / align * align)));
  }

  bool SeekFrame(int64_t frame) override {
    queue_.Clear();
    drained_ = false;
    swr_init(swr_);
    return inner_->SeekFrame(frame * inner_->Info().Rate / 44100);
  }

 private:
  std::unique_ptr<TPcmDecoder> inner_;
  SwrContext* swr_ = nullptr;
  TSampleQueue queue_;
  bool drained_ = false;
};

}  // namespace

std::unique_ptr<TPcmDecoder> OpenMediaAudioDecoder(TByteSource& source) {
  auto decoder = std::make_unique<TFfmpegAudioDecoder>(source);
  if (!decoder->Open()) return nullptr;
  return decoder;
}

bool IsMixable(const TPcmInfo& info) {
  return (info.Rate == 44100 || info.Rate == 22050) && (info.Channels == 1 || info.Channels == 2) &&
         (info.Bits == 8 || info.Bits == 16);
}

std::unique_ptr<TPcmDecoder> MakeMixable(std::unique_ptr<TPcmDecoder> decoder) {
  if (!decoder || IsMixable(decoder->Info())) return decoder;
  auto resampler = std::make_unique<TResampler>(std::move(decoder));
  if (!resampler->Open()) return nullptr;
  return resampler;
}

}  // namespace orva
