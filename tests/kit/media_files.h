#pragma once
// Media files made for the tests: RIFF WAVE files written byte by byte, Ogg Vorbis encoded
// with libvorbisenc, Windows Media audio and small movies encoded with FFmpeg's own encoders.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orva::kit {

// A RIFF WAVE file: a format record, a data chunk and any other chunks, in the order added.
class RiffWave {
 public:
  // A PCM format record with block alignment and byte rate derived.
  RiffWave& Pcm(uint16_t channels, uint32_t rate, uint16_t bits);
  // A format record as given (16 bytes; `extra` follows after a cbSize).
  RiffWave& Format(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t byteRate, uint16_t align, uint16_t bits,
                   const std::string& extra = {});
  RiffWave& Data(const std::string& bytes);
  // A chunk of any id; odd sizes get their pad byte.
  RiffWave& Chunk(const std::string& id, const std::string& bytes);
  // The RIFF size field as given instead of the true one.
  RiffWave& RiffSize(uint32_t size);
  std::string Bytes() const;

 private:
  std::string chunks_;
  bool riffSizeSet_ = false;
  uint32_t riffSize_ = 0;
};

// Interleaved 16-bit samples as bytes.
std::string Samples16(const std::vector<int16_t>& samples);
// A sine tone, interleaved, the same in every channel but the phase.
std::vector<int16_t> Tone(int channels, int rate, int frames, double frequency, int amplitude = 12000);

// Ogg Vorbis of the interleaved samples.
std::string EncodeOggVorbis(const std::vector<int16_t>& samples, int channels, int rate);
// Windows Media audio (wmav2 in ASF).
std::string EncodeWma(const std::vector<int16_t>& samples, int channels, int rate);
// Movies: Windows Media video with Windows Media audio in ASF (".wmv"), or MPEG-1 video with
// MPEG audio in a program stream (".mpg"; its frame rate one of MPEG-1's, 25 or 30 say).
enum class MovieFormat { WindowsMedia, Mpeg1 };
// `colors` holds one 0x00RRGGBB per frame, each frame a plain field of it; with `withSound`,
// a 440 Hz tone of the same length.
std::string EncodeMovie(int width, int height, int fps, const std::vector<uint32_t>& colors, bool withSound,
                        MovieFormat format = MovieFormat::WindowsMedia);
// Frame i's pixel (x, y) is pixel(i, x, y); the sound (stereo, 44100 Hz) when not empty.
std::string EncodeMovie(int width, int height, int fps, int frames, const std::function<uint32_t(int, int, int)>& pixel,
                        const std::vector<int16_t>& sound, MovieFormat format = MovieFormat::WindowsMedia);

// Stereo 44100 Hz sounds: a sweep from one frequency to another, and one note after the
// other, each swelling and fading within its time.
std::vector<int16_t> Chirp(int frames, double from, double to, int amplitude = 12000);
std::vector<int16_t> Melody(const std::vector<double>& notes, int noteFrames, int amplitude = 8000);

}  // namespace orva::kit
