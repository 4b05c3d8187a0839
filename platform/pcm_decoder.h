#pragma once
// The media module's decoders: each reads its data from a byte source and gives PCM
// (16-bit signed or 8-bit unsigned, interleaved, little-endian) in whole frames.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace orva {

// Where a decoder reads its bytes: a program stream through the module's callbacks, or memory.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  virtual int64_t Size() = 0;
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Position() = 0;
  // From the start; gives the new position.
  virtual int64_t Seek(int64_t position) = 0;
};

class TMemorySource final : public TByteSource {
 public:
  explicit TMemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Position() override { return position_; }
  int64_t Seek(int64_t position) override;

 private:
  std::vector<uint8_t> bytes_;
  int64_t position_ = 0;
};

// No decoder reports more frames than this (about 290 days at 44100 Hz), whatever hostile
// data claims, so that every length computed from it stays in range.
constexpr int64_t kMaxPcmFrames = int64_t{1} << 40;

struct TPcmInfo {
  int Channels = 0;
  int Rate = 0;
  int Bits = 0;         // 8 (unsigned) or 16 (signed)
  int64_t Frames = 0;   // total length
  int BlockAlign() const { return Channels * Bits / 8; }
};

class TPcmDecoder {
 public:
  virtual ~TPcmDecoder() = default;
  const TPcmInfo& Info() const { return info_; }
  // Up to `bytes` bytes (whole frames) from the current frame on; 0 at the end or where the
  // data is damaged.
  virtual int64_t Read(uint8_t* out, int64_t bytes) = 0;
  // False when the frame cannot be reached; the next read then gives nothing.
  virtual bool SeekFrame(int64_t frame) = 0;

 protected:
  TPcmInfo info_;
};

// None when the data is not of the kind or is damaged beyond use.
std::unique_ptr<TPcmDecoder> OpenOggDecoder(TByteSource& source);
// A RIFF WAVE file: PCM of 8 or 16 bits read directly, other encodings through FFmpeg.
std::unique_ptr<TPcmDecoder> OpenWaveDecoder(TByteSource& source);
// Any sound FFmpeg reads (Windows Media audio among them).
std::unique_ptr<TPcmDecoder> OpenMediaAudioDecoder(TByteSource& source);

// True for the formats the program's own mixer takes as they are: 44100 or 22050 Hz, 1 or 2
// channels, 8 or 16 bits.
bool IsMixable(const TPcmInfo& info);
// The decoder itself when mixable, else one converting it to 44100 Hz 16-bit (stereo when
// it has more than two channels).
std::unique_ptr<TPcmDecoder> MakeMixable(std::unique_ptr<TPcmDecoder> decoder);

}  // namespace orva
