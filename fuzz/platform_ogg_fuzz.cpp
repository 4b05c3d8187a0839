// The Ogg Vorbis path: the decoder over the bytes, its conversion for the mixer, reads
// and seeks.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/pcm_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orva::TMemorySource source(std::vector<uint8_t>(data, data + size));
  auto decoder = orva::MakeMixable(orva::OpenOggDecoder(source));
  if (!decoder) return 0;
  std::vector<uint8_t> buffer(8192);
  for (int rounds = 0; rounds < 32 && decoder->Read(buffer.data(), static_cast<int64_t>(buffer.size())) > 0; ++rounds) {
  }
  decoder->SeekFrame(decoder->Info().Frames / 3);
  decoder->Read(buffer.data(), static_cast<int64_t>(buffer.size()));
  decoder->SeekFrame(0);
  decoder->Read(buffer.data(), 100);
  return 0;
}
