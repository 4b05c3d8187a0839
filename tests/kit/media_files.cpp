#include "kit/media_files.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}
#include <unistd.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace orva::kit {

namespace {
void Put16(std::string& s, uint16_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, static_cast<uint16_t>(v & 0xFFFF));
  Put16(s, static_cast<uint16_t>(v >> 16));
}
}  // namespace

RiffWave& RiffWave::Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
  const auto align = static_cast<uint16_t>(channels * bits / 8);
  return Format(1, channels, rate, rate * align, align, bits);
}

RiffWave& RiffWave::Format(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t byteRate, uint16_t align,
                           uint16_t bits, const std::string& extra) {
  std::string body;
  Put16(body, tag);
  Put16(body, channels);
  Put32(body, rate);
  Put32(body, byteRate);
  Put16(body, align);
  Put16(body, bits);
  if (!extra.empty()) {
    Put16(body, static_cast<uint16_t>(extra.size()));
    body += extra;
  }
  return Chunk("fmt ", body);
}

RiffWave& RiffWave::Data(const std::string& bytes) { return Chunk("data", bytes); }

RiffWave& RiffWave::Chunk(const std::string& id, const std::string& bytes) {
  chunks_ += id.substr(0, 4);
  Put32(chunks_, static_cast<uint32_t>(bytes.size()));
  chunks_ += bytes;
  if (bytes.size() % 2) chunks_ += '\0';
  return *this;
}

RiffWave& RiffWave::RiffSize(uint32_t size) {
  riffSizeSet_ = true;
  riffSize_ = size;
  return *this;
}

std::string RiffWave::Bytes() const {
  std::string out = "RIFF";
  Put32(out, riffSizeSet_ ? riffSize_ : static_cast<uint32_t>(4 + chunks_.size()));
  out += "WAVE";
  return out + chunks_;
}

std::string Samples16(const std::vector<int16_t>& samples) {
  std::string bytes(samples.size() * 2, '\0');
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}

std::vector<int16_t> Tone(int channels, int rate, int frames, double frequency, int amplitude) {
  std::vector<int16_t> out;
  out.reserve(static_cast<size_t>(channels) * static_cast<size_t>(frames));
  for (int f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c)
      out.push_back(static_cast<int16_t>(amplitude * std::sin(2 * M_PI * frequency * f / rate + c)));
  return out;
}

std::string EncodeOggVorbis(const std::vector<int16_t>& samples, int channels, int rate) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, channels, rate, 0.3f) != 0) throw std::runtime_error("vorbis encoder");
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 1234);
  std::string out;
  ogg_page page;
  auto flushPages = [&](bool force) {
    while (force ? ogg_stream_flush(&os, &page) : ogg_stream_pageout(&os, &page)) {
      out.append(reinterpret_cast<char*>(page.header), static_cast<size_t>(page.header_len));
      out.append(reinterpret_cast<char*>(page.body), static_cast<size_t>(page.body_len));
    }
  };
  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comments);
  ogg_stream_packetin(&os, &codebooks);
  flushPages(true);
  const size_t frames = samples.size() / static_cast<size_t>(channels);
  ogg_packet packet;
  auto drain = [&] {
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      while (vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        flushPages(false);
      }
    }
  };
  for (size_t start = 0; start < frames; start += 1024) {
    const size_t n = std::min<size_t>(1024, frames - start);
    float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
    for (size_t f = 0; f < n; ++f)
      for (int c = 0; c < channels; ++c) buffer[c][f] = samples[(start + f) * static_cast<size_t>(channels) + static_cast<size_t>(c)] / 32768.0f;
    vorbis_analysis_wrote(&vd, static_cast<int>(n));
    drain();
  }
  vorbis_analysis_wrote(&vd, 0);
  drain();
  flushPages(true);
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

namespace {

// Writes a movie or sound file through FFmpeg's muxer into a temporary file and gives its
// bytes; one thread and bit-exact, so that the same input always gives the same bytes.
class MovieWriter {
 public:
  MovieWriter(const char* format, const char* extension, AVCodecID video, AVCodecID audio)
      : videoCodec_(video), audioCodec_(audio) {
    std::string pattern = std::string("/tmp/orva-kit-XXXXXX") + extension;
    const int fd = mkstemps(pattern.data(), static_cast<int>(std::strlen(extension)));
    if (fd < 0) throw std::runtime_error("temporary file");
    close(fd);
    path_ = pattern;
    if (avformat_alloc_output_context2(&oc_, nullptr, format, path_.c_str()) < 0)
      throw std::runtime_error(std::string(format) + " muxer");
    oc_->flags |= AVFMT_FLAG_BITEXACT;
  }
  ~MovieWriter() {
    avcodec_free_context(&video_);
    avcodec_free_context(&audio_);
    if (oc_) {
      if (oc_->pb) avio_closep(&oc_->pb);
      avformat_free_context(oc_);
    }
    unlink(path_.c_str());
  }

  void AddVideo(int width, int height, int fps) {
    const AVCodec* codec = avcodec_find_encoder(videoCodec_);
    if (!codec) throw std::runtime_error("video encoder");
    video_ = avcodec_alloc_context3(codec);
    video_->width = width;
    video_->height = height;
    video_->pix_fmt = AV_PIX_FMT_YUV420P;
    video_->time_base = {1, fps};
    video_->framerate = {fps, 1};
    video_->bit_rate = 2000000;
    video_->gop_size = 5;
    video_->thread_count = 1;
    video_->flags |= AV_CODEC_FLAG_BITEXACT;
    if (oc_->oformat->flags & AVFMT_GLOBALHEADER) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(video_, codec, nullptr) < 0) throw std::runtime_error("video encoder open");
    videoStream_ = avformat_new_stream(oc_, nullptr);
    avcodec_parameters_from_context(videoStream_->codecpar, video_);
    videoStream_->time_base = video_->time_base;
  }

  void AddAudio(int channels, int rate) {
    const AVCodec* codec = avcodec_find_encoder(audioCodec_);
    if (!codec) throw std::runtime_error("audio encoder");
    audio_ = avcodec_alloc_context3(codec);
    audio_->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    audio_->sample_rate = rate;
    av_channel_layout_default(&audio_->ch_layout, channels);
    audio_->bit_rate = 128000;
    audio_->time_base = {1, rate};
    audio_->thread_count = 1;
    audio_->flags |= AV_CODEC_FLAG_BITEXACT;
    if (oc_->oformat->flags & AVFMT_GLOBALHEADER) audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(audio_, codec, nullptr) < 0) throw std::runtime_error("audio encoder open");
    audioStream_ = avformat_new_stream(oc_, nullptr);
    avcodec_parameters_from_context(audioStream_->codecpar, audio_);
    audioStream_->time_base = audio_->time_base;
  }

  void Begin() {
    if (avio_open(&oc_->pb, path_.c_str(), AVIO_FLAG_WRITE) < 0 || avformat_write_header(oc_, nullptr) < 0)
      throw std::runtime_error("movie header");
  }

  // One picture: the colour of every pixel from the function, converted to YUV 4:2:0.
  template <class Pixel>
  void Picture(int index, Pixel pixel) {
    AVFrame* frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = video_->width;
    frame->height = video_->height;
    av_frame_get_buffer(frame, 0);
    const auto clampByte = [](double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0))); };
    for (int y = 0; y < frame->height; ++y) {
      for (int x = 0; x < frame->width; ++x) {
        const uint32_t rgb = pixel(x, y);
        const double r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
        frame->data[0][y * frame->linesize[0] + x] = clampByte(16 + 0.257 * r + 0.504 * g + 0.098 * b);
        if (x % 2 == 0 && y % 2 == 0) {
          frame->data[1][(y / 2) * frame->linesize[1] + x / 2] = clampByte(128 - 0.148 * r - 0.291 * g + 0.439 * b);
          frame->data[2][(y / 2) * frame->linesize[2] + x / 2] = clampByte(128 + 0.439 * r - 0.368 * g - 0.071 * b);
        }
      }
    }
    frame->pts = index;
    Send(video_, videoStream_, frame);
    av_frame_free(&frame);
  }

  void Sound(const std::vector<int16_t>& samples) {
    const int channels = audio_->ch_layout.nb_channels;
    const size_t frames = samples.size() / static_cast<size_t>(channels);
    const auto step = static_cast<size_t>(audio_->frame_size > 0 ? audio_->frame_size : 1024);
    const bool planarFloat = audio_->sample_fmt == AV_SAMPLE_FMT_FLTP;
    for (size_t start = 0; start < frames; start += step) {
      AVFrame* frame = av_frame_alloc();
      frame->format = audio_->sample_fmt;
      frame->nb_samples = static_cast<int>(step);
      av_channel_layout_copy(&frame->ch_layout, &audio_->ch_layout);
      frame->sample_rate = audio_->sample_rate;
      av_frame_get_buffer(frame, 0);
      for (int c = 0; c < channels; ++c) {
        for (size_t f = 0; f < step; ++f) {
          const size_t at = start + f;
          const int16_t v = at < frames ? samples[at * static_cast<size_t>(channels) + static_cast<size_t>(c)] : 0;
          if (planarFloat)
            reinterpret_cast<float*>(frame->data[c])[f] = v / 32768.0f;
          else
            reinterpret_cast<int16_t*>(frame->data[0])[f * static_cast<size_t>(channels) + static_cast<size_t>(c)] = v;
        }
      }
      frame->pts = static_cast<int64_t>(start);
      Send(audio_, audioStream_, frame);
      av_frame_free(&frame);
    }
  }

  std::string Finish() {
    if (video_) Send(video_, videoStream_, nullptr);
    if (audio_) Send(audio_, audioStream_, nullptr);
    av_write_trailer(oc_);
    avio_closep(&oc_->pb);
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  void Send(AVCodecContext* codec, AVStream* stream, AVFrame* frame) {
    avcodec_send_frame(codec, frame);
    AVPacket* packet = av_packet_alloc();
    while (avcodec_receive_packet(codec, packet) == 0) {
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      av_interleaved_write_frame(oc_, packet);
    }
    av_packet_free(&packet);
  }

  AVCodecID videoCodec_, audioCodec_;
  std::string path_;
  AVFormatContext* oc_ = nullptr;
  AVCodecContext* video_ = nullptr;
  AVCodecContext* audio_ = nullptr;
  AVStream* videoStream_ = nullptr;
  AVStream* audioStream_ = nullptr;
};

MovieWriter MakeWriter(MovieFormat format) {
  if (format == MovieFormat::Mpeg1) return MovieWriter("mpeg", ".mpg", AV_CODEC_ID_MPEG1VIDEO, AV_CODEC_ID_MP2);
  return MovieWriter("asf", ".asf", AV_CODEC_ID_WMV2, AV_CODEC_ID_WMAV2);
}

}  // namespace

std::string EncodeWma(const std::vector<int16_t>& samples, int channels, int rate) {
  MovieWriter writer("asf", ".asf", AV_CODEC_ID_WMV2, AV_CODEC_ID_WMAV2);
  writer.AddAudio(channels, rate);
  writer.Begin();
  writer.Sound(samples);
  return writer.Finish();
}

std::string EncodeMovie(int width, int height, int fps, const std::vector<uint32_t>& colors, bool withSound,
                        MovieFormat format) {
  std::vector<int16_t> sound;
  if (withSound) sound = Tone(2, 44100, static_cast<int>(colors.size() * 44100 / static_cast<size_t>(fps)), 440);
  return EncodeMovie(width, height, fps, static_cast<int>(colors.size()),
                     [&](int frame, int, int) { return colors[static_cast<size_t>(frame)]; }, sound, format);
}

std::string EncodeMovie(int width, int height, int fps, int frames, const std::function<uint32_t(int, int, int)>& pixel,
                        const std::vector<int16_t>& sound, MovieFormat format) {
  MovieWriter writer = MakeWriter(format);
  writer.AddVideo(width, height, fps);
  if (!sound.empty()) writer.AddAudio(2, 44100);
  writer.Begin();
  for (int i = 0; i < frames; ++i) writer.Picture(i, [&](int x, int y) { return pixel(i, x, y); });
  if (!sound.empty()) writer.Sound(sound);
  return writer.Finish();
}

std::vector<int16_t> Chirp(int frames, double from, double to, int amplitude) {
  std::vector<int16_t> out;
  out.reserve(static_cast<size_t>(frames) * 2);
  double phase = 0;
  for (int f = 0; f < frames; ++f) {
    const double t = frames > 1 ? static_cast<double>(f) / (frames - 1) : 0;
    // A short fade at both ends keeps the effect from clicking.
    const double edge = std::min({1.0, f / 441.0, (frames - 1 - f) / 441.0});
    const auto v = static_cast<int16_t>(std::lround(amplitude * edge * std::sin(phase)));
    out.push_back(v);
    out.push_back(v);
    phase += 2 * M_PI * (from + (to - from) * t) / 44100;
  }
  return out;
}

std::vector<int16_t> Melody(const std::vector<double>& notes, int noteFrames, int amplitude) {
  std::vector<int16_t> out;
  out.reserve(notes.size() * static_cast<size_t>(noteFrames) * 2);
  for (double frequency : notes) {
    for (int f = 0; f < noteFrames; ++f) {
      // Each note swells and fades within its time, so that the loop joins without a step.
      const double envelope = std::sin(M_PI * f / noteFrames);
      const auto v = static_cast<int16_t>(std::lround(amplitude * envelope * std::sin(2 * M_PI * frequency * f / 44100)));
      out.push_back(v);
      out.push_back(v);
    }
  }
  return out;
}

}  // namespace orva::kit
