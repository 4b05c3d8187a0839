// The RIFF WAVE reader and the PCM it gives, read whole and after a seek.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/pcm_decoder.h"
#include "platform/riff_wave.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orva::TMemorySource source(std::vector<uint8_t>(data, data + size));
  const std::optional<orva::TRiffWave> wave = orva::ReadRiffWave(source);
  if (!wave) return 0;
  auto decoder = orva::MakeMixable(orva::OpenRiffPcmDecoder(source, *wave));
  if (!decoder) return 0;
  std::vector<uint8_t> buffer(4096);
  for (int rounds = 0; rounds < 64 && decoder->Read(buffer.data(), 4093) > 0; ++rounds) {
  }
  decoder->SeekFrame(decoder->Info().Frames / 2);
  decoder->Read(buffer.data(), static_cast<int64_t>(buffer.size()));
  decoder->SeekFrame(-5);
  decoder->Read(buffer.data(), 3);
  return 0;
}
