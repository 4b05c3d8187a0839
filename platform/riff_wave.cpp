#include "platform/riff_wave.h"

#include <algorithm>
#include <cstring>

namespace orva {

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | static_cast<uint32_t>(p[3]) << 24; }

bool ReadAt(TByteSource& source, int64_t offset, void* buffer, int64_t count) {
  return source.Seek(offset) == offset && source.Read(buffer, count) == count;
}

// The GUID tail every extensible subformat of the classic tags shares.
constexpr uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

class TRiffPcmDecoder final : public TPcmDecoder {
 public:
  TRiffPcmDecoder(TByteSource& source, const TRiffWave& wave) : source_(source), wave_(wave) {
    info_.Channels = wave.Format.nChannels;
    info_.Rate = static_cast<int>(wave.Format.nSamplesPerSec);
    info_.Bits = wave.Format.wBitsPerSample;
    info_.Frames = wave.DataSize / info_.BlockAlign();
  }

  int64_t Read(uint8_t* out, int64_t bytes) override {
    const int64_t align = info_.BlockAlign();
    const int64_t left = (info_.Frames - frame_) * align;
    const int64_t want = std::min(bytes / align * align, left);
    if (want <= 0) return 0;
    if (source_.Seek(wave_.DataOffset + frame_ * align) != wave_.DataOffset + frame_ * align) return 0;
    const int64_t got = std::max<int64_t>(0, source_.Read(out, want)) / align * align;
    frame_ += got / align;
    return got;
  }

  bool SeekFrame(int64_t frame) override {
    frame_ = std::clamp<int64_t>(frame, 0, info_.Frames);
    return frame == frame_;
  }

 private:
  TByteSource& source_;
  TRiffWave wave_;
  int64_t frame_ = 0;
};

}  // namespace

std::optional<TRiffWave> ReadRiffWave(TByteSource& source) {
  const int64_t size = source.Size();
  uint8_t head[12];
  if (size < 12 || !ReadAt(source, 0, head, 12)) return std::nullopt;
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return std::nullopt;
  TRiffWave wave;
  bool haveFormat = false, haveData = false;
  // The RIFF size is often wrong in the wild; the chunks are walked to the file's end.
  for (int64_t offset = 12; offset + 8 <= size && !(haveFormat && haveData);) {
    uint8_t chunk[8];
    if (!ReadAt(source, offset, chunk, 8)) break;
    const int64_t length = U32(chunk + 4);
    const int64_t body = offset + 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0 && !haveFormat) {
      uint8_t f[40] = {};
      const int64_t take = std::min<int64_t>({length, 40, size - body});
      if (take < 16 || !ReadAt(source, body, f, take)) return std::nullopt;
      TWaveFormatEx& format = wave.Format;
      format.wFormatTag = U16(f);
      format.nChannels = U16(f + 2);
      format.nSamplesPerSec = U32(f + 4);
      format.nAvgBytesPerSec = U32(f + 8);
      format.nBlockAlign = U16(f + 12);
      format.wBitsPerSample = U16(f + 14);
      format.cbSize = take >= 18 ? U16(f + 16) : 0;
      if (format.wFormatTag == WAVE_FORMAT_EXTENSIBLE && take >= 40 && std::memcmp(f + 26, kGuidTail, 14) == 0)
        format.wFormatTag = U16(f + 24);
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0 && !haveData) {
      wave.DataOffset = body;
      wave.DataSize = std::clamp<int64_t>(size - body, 0, length);
      haveData = true;
    }
    offset = body + length + (length & 1);
  }
  if (!haveFormat || !haveData) return std::nullopt;
  return wave;
}

bool IsPlainPcm(const TWaveFormatEx& f) {
  return f.wFormatTag == WAVE_FORMAT_PCM && (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
         (f.nChannels == 1 || f.nChannels == 2) && f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 &&
         f.nSamplesPerSec >= 1 && f.nSamplesPerSec <= 384000;
}

std::unique_ptr<TPcmDecoder> OpenRiffPcmDecoder(TByteSource& source, const TRiffWave& wave) {
  if (!IsPlainPcm(wave.Format)) return nullptr;
  return std::make_unique<TRiffPcmDecoder>(source, wave);
}

std::unique_ptr<TPcmDecoder> OpenWaveDecoder(TByteSource& source) {
  const std::optional<TRiffWave> wave = ReadRiffWave(source);
  if (!wave) return nullptr;
  if (IsPlainPcm(wave->Format)) return OpenRiffPcmDecoder(source, *wave);
  source.Seek(0);
  return OpenMediaAudioDecoder(source);
}

}  // namespace orva
