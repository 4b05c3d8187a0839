#pragma once
// The stream primitives as bytes, for the kit's writers: a 4-byte little-endian integer and
// a string as its 4-byte byte count followed by the bytes.

#include <cstdint>
#include <string>
#include <string_view>

namespace orva::kit {

inline std::string Int(int32_t value) {
  std::string s;
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(static_cast<uint32_t>(value) >> (8 * i)));
  return s;
}

inline std::string Str(std::string_view text) { return Int(static_cast<int32_t>(text.size())) + std::string(text); }

}  // namespace orva::kit
