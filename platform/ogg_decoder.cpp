// Ogg Vorbis through libvorbisfile, reading through the byte source.
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>

#include "platform/pcm_decoder.h"

namespace orva {

namespace {

size_t ReadCallback(void* buffer, size_t size, size_t count, void* data) {
  if (size == 0) return 0;
  const int64_t got = static_cast<TByteSource*>(data)->Read(buffer, static_cast<int64_t>(size * count));
  return got > 0 ? static_cast<size_t>(got) / size : 0;
}

int SeekCallback(void* data, ogg_int64_t offset, int whence) {
  auto* source = static_cast<TByteSource*>(data);
  int64_t target = offset;
  if (whence == SEEK_CUR) target += source->Position();
  else if (whence == SEEK_END) target += source->Size();
  if (target < 0 || target > source->Size()) return -1;
  return source->Seek(target) == target ? 0 : -1;
}

long TellCallback(void* data) { return static_cast<long>(static_cast<TByteSource*>(data)->Position()); }

class TOggDecoder final : public TPcmDecoder {
 public:
  ~TOggDecoder() override { ov_clear(&file_); }

  bool Open(TByteSource& source) {
    const ov_callbacks callbacks{ReadCallback, SeekCallback, nullptr, TellCallback};
    source.Seek(0);
    if (ov_open_callbacks(&source, &file_, nullptr, 0, callbacks) != 0) {
      // ov_open_callbacks clears the file itself on failure.
      file_ = OggVorbis_File{};
      return false;
    }
    const vorbis_info* info = ov_info(&file_, -1);
    if (!info || info->channels < 1 || info->channels > 255 || info->rate < 1 || info->rate > 384000) return false;
    info_.Channels = info->channels;
    info_.Rate = static_cast<int>(info->rate);
    info_.Bits = 16;
    const ogg_int64_t total = ov_pcm_total(&file_, -1);
    info_.Frames = std::clamp<int64_t>(total, 0, kMaxPcmFrames);
    return true;
  }

  int64_t Read(uint8_t* out, int64_t bytes) override {
    const int64_t align = info_.BlockAlign();
    int64_t done = 0;
    const int64_t want = bytes / align * align;
    while (done < want) {
      int section = 0;
      const long got = ov_read(&file_, reinterpret_cast<char*>(out + done), static_cast<int>(std::min<int64_t>(want - done, 1 << 16)),
                               0, 2, 1, &section);
      if (got == OV_HOLE) continue;
      if (got <= 0) break;
      // A chained stream whose later link changes the format is not followed.
      const vorbis_info* info = ov_info(&file_, section);
      if (!info || info->channels != info_.Channels || info->rate != info_.Rate) break;
      done += got;
    }
    return done / align * align;
  }

  bool SeekFrame(int64_t frame) override { return ov_pcm_seek(&file_, std::clamp<int64_t>(frame, 0, info_.Frames)) == 0; }

 private:
  OggVorbis_File file_{};
};

}  // namespace

std::unique_ptr<TPcmDecoder> OpenOggDecoder(TByteSource& source) {
  auto decoder = std::make_unique<TOggDecoder>();
  if (!decoder->Open(source)) return nullptr;
  return decoder;
}

}  // namespace orva
