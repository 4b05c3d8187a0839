// A 640 × 480 movie drawn frame by frame into a picture at 16 and 32 bits: the player's path
// (the media module's decoder, which gives 32-bit frames, and the copy into the frame surface
// at the screen's depth) beside FFmpeg decoding the same bytes and scaling each frame straight
// into that depth with sws_scale.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <deque>
#include <string>
#include <vector>

#include "graphics/dibx.h"
#include "graphics/picture_to_surface.h"
#include "kit/media_files.h"
#include "platform/ffmpeg_input.h"
#include "platform/movie_decoder.h"

namespace {

using namespace orva;

constexpr int kWidth = 640, kHeight = 480, kFrames = 30;

const std::vector<uint8_t>& Movie() {
  static const std::vector<uint8_t> bytes = [] {
    const std::string movie = kit::EncodeMovie(kWidth, kHeight, 15, kFrames, [](int frame, int x, int y) {
      const uint32_t bar = static_cast<uint32_t>(((x + frame * 8) / 80) % 7);
      return (bar * 0x253A11u + static_cast<uint32_t>(y) * 0x010101u / 4) & 0xFFFFFF;
    }, {});
    return std::vector<uint8_t>(movie.begin(), movie.end());
  }();
  return bytes;
}

void PlayerPath(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  TDIBX surface;
  surface.SetSize(kWidth, kHeight, bits);
  int64_t frames = 0;
  for (auto _ : state) {
    TMemorySource source(Movie());
    std::unique_ptr<TMovieDecoder> decoder = TMovieDecoder::Open(source);
    std::vector<int16_t> audio;
    std::deque<TMoviePicture> pictures;
    for (bool more = true; more;) {
      more = decoder->Step(audio, pictures);
      for (const TMoviePicture& p : pictures) {
        CopyXRGBToSurface(p.Pixels.data(), kWidth, kHeight, kWidth * 4, surface);
        ++frames;
      }
      pictures.clear();
    }
    benchmark::DoNotOptimize(surface.Lock(0, 0));
  }
  state.counters["frames"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

void FfmpegDecodeAndScale(benchmark::State& state) {
  const int bits = static_cast<int>(state.range(0));
  const AVPixelFormat target = bits == 16 ? AV_PIX_FMT_RGB565 : AV_PIX_FMT_BGR0;
  std::vector<uint8_t> out(static_cast<size_t>(kWidth) * kHeight * (bits / 8));
  int64_t frames = 0;
  for (auto _ : state) {
    TMemorySource source(Movie());
    TFfmpegInput input(source);
    AVFormatContext* format = input.Context();
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodec* codec = avcodec_find_decoder(format->streams[stream]->codecpar->codec_id);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(context, format->streams[stream]->codecpar);
    avcodec_open2(context, codec, nullptr);
    SwsContext* sws = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto take = [&] {
      while (avcodec_receive_frame(context, frame) == 0) {
        sws = sws_getCachedContext(sws, kWidth, kHeight, static_cast<AVPixelFormat>(frame->format), kWidth, kHeight,
                                   target, SWS_POINT, nullptr, nullptr, nullptr);
        uint8_t* planes[1] = {out.data()};
        const int strides[1] = {kWidth * (bits / 8)};
        sws_scale(sws, frame->data, frame->linesize, 0, kHeight, planes, strides);
        ++frames;
      }
    };
    while (av_read_frame(format, packet) >= 0) {
      if (packet->stream_index == stream) {
        avcodec_send_packet(context, packet);
        take();
      }
      av_packet_unref(packet);
    }
    avcodec_send_packet(context, nullptr);
    take();
    benchmark::DoNotOptimize(out.data());
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
  }
  state.counters["frames"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

BENCHMARK(PlayerPath)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(FfmpegDecodeAndScale)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace
