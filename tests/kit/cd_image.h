#pragma once
// Audio CD images for the tests: a BIN file of raw 2352-byte sectors (16-bit stereo samples,
// little-endian, each track filled up to whole sectors) and the CUE sheet that lists its
// tracks.

#include <cstdint>
#include <string>
#include <vector>

namespace orva::kit {

// Writes `<directory>/<name>.bin` and `.cue`; returns the CUE sheet's path. Each track is
// interleaved stereo samples.
std::string WriteCdImage(const std::string& directory, const std::string& name, const std::vector<std::vector<int16_t>>& tracks);

// Samples of a track as the image holds them: filled with silence to a whole sector.
std::vector<int16_t> SectorFilled(std::vector<int16_t> samples);

}  // namespace orva::kit
