#include "platform/movie_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <mutex>

#include "platform/ffmpeg_input.h"

namespace orva {

namespace {
// Pictures larger than this are not decoded (hostile sizes).
constexpr int kMaxSide = 4096;
constexpr AVRational kOutputRate{1, 44100};
}  // namespace

void PrepareMovieDecoding() {
  static std::once_flag once;
  std::call_once(once, [] {
    av_log_set_level(AV_LOG_QUIET);
    {
      // Every demuxer probes these and none takes them.
      TMemorySource blank(std::vector<uint8_t>(4096, 0));
      TFfmpegInput input(blank);
    }
    for (const AVCodecID id : {AV_CODEC_ID_WMV1, AV_CODEC_ID_WMV2, AV_CODEC_ID_WMAV1, AV_CODEC_ID_WMAV2}) {
      const AVCodec* codec = avcodec_find_decoder(id);
      AVCodecContext* context = codec ? avcodec_alloc_context3(codec) : nullptr;
      if (!context) continue;
      if (codec->type == AVMEDIA_TYPE_VIDEO) {
        context->width = context->height = 16;
      } else {
        context->sample_rate = 44100;
        av_channel_layout_default(&context->ch_layout, 2);
        context->bit_rate = 128000;
        context->block_align = 4096;
      }
      avcodec_open2(context, codec, nullptr);
      avcodec_free_context(&context);
    }
    sws_freeContext(sws_getContext(16, 16, AV_PIX_FMT_YUV420P, 16, 16, AV_PIX_FMT_BGR0, SWS_POINT, nullptr, nullptr, nullptr));
  });
}

struct TMovieDecoder::TState {
  explicit TState(TByteSource& source) : input(source) {}
  ~TState() {
    sws_freeContext(sws);
    swr_free(&swr);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&audio);
    avcodec_free_context(&video);
  }
  TFfmpegInput input;
  AVCodecContext* audio = nullptr;
  AVCodecContext* video = nullptr;
  SwrContext* swr = nullptr;
  SwsContext* sws = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  int64_t audioNext = 0;  // output frame of the next sound when its frames carry no time
};

TMovieDecoder::TMovieDecoder(TByteSource& source) : state_(std::make_unique<TState>(source)) {}
TMovieDecoder::~TMovieDecoder() = default;

std::unique_ptr<TMovieDecoder> TMovieDecoder::Open(TByteSource& source) {
  std::unique_ptr<TMovieDecoder> movie(new TMovieDecoder(source));
  if (!movie->Init()) return nullptr;
  return movie;
}

namespace {
AVCodecContext* OpenCodec(AVFormatContext* format, int stream) {
  const AVCodecParameters* parameters = format->streams[stream]->codecpar;
  const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
  if (!codec) return nullptr;
  AVCodecContext* context = avcodec_alloc_context3(codec);
  if (!context || avcodec_parameters_to_context(context, parameters) < 0 || avcodec_open2(context, codec, nullptr) < 0) {
    avcodec_free_context(&context);
    return nullptr;
  }
  return context;
}
}  // namespace

bool TMovieDecoder::Init() {
  TState& s = *state_;
  AVFormatContext* format = s.input.Context();
  if (!format) return false;
  videoStream_ = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (videoStream_ >= 0) {
    s.video = OpenCodec(format, videoStream_);
    if (!s.video || s.video->width < 1 || s.video->height < 1 || s.video->width > kMaxSide || s.video->height > kMaxSide) {
      avcodec_free_context(&s.video);
      videoStream_ = -1;
    } else {
      width_ = s.video->width;
      height_ = s.video->height;
    }
  }
  audioStream_ = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (audioStream_ >= 0) {
    s.audio = OpenCodec(format, audioStream_);
    const int channels = s.audio ? s.audio->ch_layout.nb_channels : 0;
    AVChannelLayout in{}, out{};  // a copy first frees what its destination holds
    av_channel_layout_default(&out, 2);
    if (channels >= 1 && channels <= 64 && s.audio->sample_rate >= 1 && s.audio->sample_rate <= 384000) {
      if (s.audio->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) av_channel_layout_default(&in, channels);
      else av_channel_layout_copy(&in, &s.audio->ch_layout);
      if (swr_alloc_set_opts2(&s.swr, &out, AV_SAMPLE_FMT_S16, 44100, &in, s.audio->sample_fmt, s.audio->sample_rate, 0,
                              nullptr) < 0 ||
          swr_init(s.swr) < 0)
        swr_free(&s.swr);
      av_channel_layout_uninit(&in);
    }
    if (!s.swr) {
      avcodec_free_context(&s.audio);
      audioStream_ = -1;
    }
  }
  if (videoStream_ < 0 && audioStream_ < 0) return false;
  if (format->duration > 0) duration_ = std::clamp<int64_t>(av_rescale(format->duration, 44100, AV_TIME_BASE), 0, kMaxPcmFrames);
  // Program streams start their clock late (half a second, say): times count from the start.
  if (format->start_time != AV_NOPTS_VALUE && format->start_time > 0)
    start_ = std::clamp<int64_t>(av_rescale(format->start_time, 44100, AV_TIME_BASE), 0, kMaxPcmFrames);
  s.packet = av_packet_alloc();
  s.frame = av_frame_alloc();
  return s.packet && s.frame;
}

void TMovieDecoder::TakeAudio(std::vector<int16_t>& audio) {
  TState& s = *state_;
  while (avcodec_receive_frame(s.audio, s.frame) == 0) {
    const AVStream* stream = s.input.Context()->streams[audioStream_];
    int64_t start = s.frame->best_effort_timestamp == AV_NOPTS_VALUE
                        ? s.audioNext
                        : av_rescale_q(s.frame->best_effort_timestamp, stream->time_base, kOutputRate) - start_;
    const int room = swr_get_out_samples(s.swr, s.frame->nb_samples) + 16;
    std::vector<int16_t> out(static_cast<size_t>(std::max(room, 0)) * 2);
    uint8_t* planes[1] = {reinterpret_cast<uint8_t*>(out.data())};
    const int made = room > 0 ? swr_convert(s.swr, planes, room, const_cast<const uint8_t**>(s.frame->extended_data),
                                            s.frame->nb_samples)
                              : -1;
    av_frame_unref(s.frame);
    if (made <= 0) continue;
    s.audioNext = start + made;
    int64_t skip = 0;
    if (audioTarget_ >= 0 && start < audioTarget_) skip = std::min<int64_t>(audioTarget_ - start, made);
    if (skip < made) {
      audio.insert(audio.end(), out.begin() + skip * 2, out.begin() + made * 2);
      audioTarget_ = -1;
    }
  }
}

void TMovieDecoder::TakePictures(std::deque<TMoviePicture>& pictures) {
  TState& s = *state_;
  while (avcodec_receive_frame(s.video, s.frame) == 0) {
    const AVStream* stream = s.input.Context()->streams[videoStream_];
    const int64_t time = s.frame->best_effort_timestamp == AV_NOPTS_VALUE
                             ? (pictures.empty() ? 0 : pictures.back().Time)
                             : av_rescale_q(s.frame->best_effort_timestamp, stream->time_base, kOutputRate) - start_;
    if (s.frame->width != width_ || s.frame->height != height_) {
      av_frame_unref(s.frame);
      continue;
    }
    s.sws = sws_getCachedContext(s.sws, width_, height_, static_cast<AVPixelFormat>(s.frame->format), width_, height_,
                                 AV_PIX_FMT_BGR0, SWS_POINT, nullptr, nullptr, nullptr);
    TMoviePicture picture;
    picture.Time = std::max<int64_t>(time, 0);
    picture.Pixels.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
    uint8_t* planes[1] = {reinterpret_cast<uint8_t*>(picture.Pixels.data())};
    const int strides[1] = {width_ * 4};
    const bool made = s.sws && sws_scale(s.sws, s.frame->data, s.frame->linesize, 0, height_, planes, strides) == height_;
    av_frame_unref(s.frame);
    if (!made) continue;
    // Before a seek's target only the last picture counts.
    if (videoTarget_ >= 0 && picture.Time < videoTarget_ && !pictures.empty() && pictures.back().Time < videoTarget_) pictures.pop_back();
    if (videoTarget_ >= 0 && picture.Time >= videoTarget_) videoTarget_ = -1;
    pictures.push_back(std::move(picture));
  }
}

void TMovieDecoder::Drain(std::vector<int16_t>& audio, std::deque<TMoviePicture>& pictures) {
  TState& s = *state_;
  if (s.audio) {
    avcodec_send_packet(s.audio, nullptr);
    TakeAudio(audio);
  }
  if (s.video) {
    avcodec_send_packet(s.video, nullptr);
    TakePictures(pictures);
  }
}

bool TMovieDecoder::Step(std::vector<int16_t>& audio, std::deque<TMoviePicture>& pictures) {
  if (finished_) return false;
  TState& s = *state_;
  if (av_read_frame(s.input.Context(), s.packet) < 0) {
    Drain(audio, pictures);
    finished_ = true;
    return false;
  }
  if (s.packet->stream_index == audioStream_) {
    avcodec_send_packet(s.audio, s.packet);
    TakeAudio(audio);
  } else if (s.packet->stream_index == videoStream_) {
    avcodec_send_packet(s.video, s.packet);
    TakePictures(pictures);
  }
  av_packet_unref(s.packet);
  return true;
}

bool TMovieDecoder::Seek(int64_t frame) {
  TState& s = *state_;
  frame = std::max<int64_t>(frame, 0);
  const int64_t ts = av_rescale(frame + start_, AV_TIME_BASE, 44100);
  if (avformat_seek_file(s.input.Context(), -1, INT64_MIN, ts, ts, 0) < 0 &&
      avformat_seek_file(s.input.Context(), -1, INT64_MIN, 0, 0, 0) < 0)
    return false;
  if (s.audio) avcodec_flush_buffers(s.audio);
  if (s.video) avcodec_flush_buffers(s.video);
  if (s.swr) swr_init(s.swr);
  s.audioNext = frame;
  audioTarget_ = videoTarget_ = frame;
  finished_ = false;
  return true;
}

}  // namespace orva
