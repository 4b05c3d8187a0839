#include "kit/cd_image.h"

#include <cstdio>
#include <fstream>

namespace orva::kit {

namespace {
constexpr size_t kSectorSamples = 2352 / 2;
}

std::vector<int16_t> SectorFilled(std::vector<int16_t> samples) {
  samples.resize((samples.size() + kSectorSamples - 1) / kSectorSamples * kSectorSamples, 0);
  return samples;
}

std::string WriteCdImage(const std::string& directory, const std::string& name, const std::vector<std::vector<int16_t>>& tracks) {
  std::ofstream bin(directory + "/" + name + ".bin", std::ios::binary);
  std::string cue = "FILE \"" + name + ".bin\" BINARY\n";
  size_t sector = 0;
  for (size_t t = 0; t < tracks.size(); ++t) {
    char line[96];
    std::snprintf(line, sizeof line, "  TRACK %02zu AUDIO\n    INDEX 01 %02zu:%02zu:%02zu\n", t + 1, sector / 75 / 60,
                  sector / 75 % 60, sector % 75);
    cue += line;
    const std::vector<int16_t> filled = SectorFilled(tracks[t]);
    for (int16_t v : filled) {
      const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
      bin.write(bytes, 2);
    }
    sector += filled.size() / kSectorSamples;
  }
  std::ofstream(directory + "/" + name + ".cue") << cue;
  return directory + "/" + name + ".cue";
}

}  // namespace orva::kit
