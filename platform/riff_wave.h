#pragma once
// The RIFF WAVE reader: the "fmt " record and where the "data" chunk lies, every size
// checked against the file.

#include <cstdint>
#include <optional>

#include "platform/pcm_decoder.h"
#include "platform/wave_format.h"

namespace orva {

constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

struct TRiffWave {
  TWaveFormatEx Format;     // an extensible record's PCM subformat reads as PCM
  int64_t DataOffset = 0;
  int64_t DataSize = 0;     // within the file
};

// None for anything but a RIFF WAVE file with a format record and a data chunk.
std::optional<TRiffWave> ReadRiffWave(TByteSource& source);

// True for the PCM the module reads itself: 8 or 16 bits, 1 or 2 channels, a consistent
// block alignment and a rate of 1 .. 384000 Hz.
bool IsPlainPcm(const TWaveFormatEx& format);

// A decoder over plain PCM data; none when the format is not plain PCM.
std::unique_ptr<TPcmDecoder> OpenRiffPcmDecoder(TByteSource& source, const TRiffWave& wave);

}  // namespace orva
