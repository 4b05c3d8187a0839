#include "kit/midi_files.h"

namespace orva::kit {

namespace {
std::string Be32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}
std::string Be16(uint16_t v) { return {static_cast<char>(v >> 8), static_cast<char>(v)}; }
}  // namespace

std::string VarLen(uint32_t value) {
  std::string out(1, static_cast<char>(value & 0x7F));
  while (value >>= 7) out.insert(out.begin(), static_cast<char>(0x80 | (value & 0x7F)));
  return out;
}

SmfTrack& SmfTrack::Event(uint32_t delta, const std::vector<uint8_t>& bytes) {
  bytes_ += VarLen(delta);
  bytes_.append(bytes.begin(), bytes.end());
  return *this;
}

SmfTrack& SmfTrack::NoteOn(uint32_t delta, int channel, int key, int velocity) {
  return Event(delta, {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(key), static_cast<uint8_t>(velocity)});
}
SmfTrack& SmfTrack::NoteOff(uint32_t delta, int channel, int key) {
  return Event(delta, {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(key), 0x40});
}
SmfTrack& SmfTrack::Control(uint32_t delta, int channel, int controller, int value) {
  return Event(delta, {static_cast<uint8_t>(0xB0 | channel), static_cast<uint8_t>(controller), static_cast<uint8_t>(value)});
}
SmfTrack& SmfTrack::Program(uint32_t delta, int channel, int program) {
  return Event(delta, {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(program)});
}
SmfTrack& SmfTrack::PitchBend(uint32_t delta, int channel, int value) {
  return Event(delta, {static_cast<uint8_t>(0xE0 | channel), static_cast<uint8_t>(value & 0x7F), static_cast<uint8_t>(value >> 7)});
}

SmfTrack& SmfTrack::Meta(uint32_t delta, uint8_t type, const std::string& bytes) {
  bytes_ += VarLen(delta) + "\xFF" + std::string(1, static_cast<char>(type)) + VarLen(static_cast<uint32_t>(bytes.size())) + bytes;
  return *this;
}

SmfTrack& SmfTrack::Tempo(uint32_t delta, uint32_t us) {
  return Meta(delta, 0x51, {static_cast<char>(us >> 16), static_cast<char>(us >> 8), static_cast<char>(us)});
}

SmfTrack& SmfTrack::SysEx(uint32_t delta, uint8_t status, const std::string& bytes) {
  bytes_ += VarLen(delta) + std::string(1, static_cast<char>(status)) + VarLen(static_cast<uint32_t>(bytes.size())) + bytes;
  return *this;
}

SmfTrack& SmfTrack::GsReset(uint32_t delta) { return SysEx(delta, 0xF0, std::string("\x41\x10\x42\x12\x40\x00\x7F\x00\x41\xF7", 10)); }

SmfTrack& SmfTrack::EndOfTrack(uint32_t delta) { return Meta(delta, 0x2F, ""); }

SmfTrack& SmfTrack::Raw(const std::string& bytes) {
  bytes_ += bytes;
  return *this;
}

SmfTrack& SmfTrack::StatedLength(uint32_t length) {
  lengthSet_ = true;
  length_ = length;
  return *this;
}

std::string SmfTrack::Chunk() const {
  return "MTrk" + Be32(lengthSet_ ? length_ : static_cast<uint32_t>(bytes_.size())) + bytes_;
}

SmfTrack& SmfFile::Track() {
  order_.push_back(static_cast<int>(tracks_.size()));
  return tracks_.emplace_back();
}

SmfFile& SmfFile::TrackCount(uint16_t count) {
  countSet_ = true;
  count_ = count;
  return *this;
}

SmfFile& SmfFile::HeaderExtra(const std::string& bytes) {
  headerExtra_ = bytes;
  return *this;
}

SmfFile& SmfFile::OtherChunk(const std::string& type, const std::string& bytes) {
  order_.push_back(-1 - static_cast<int>(chunks_.size()));
  chunks_.push_back(type + Be32(static_cast<uint32_t>(bytes.size())) + bytes);
  return *this;
}

std::string SmfFile::Bytes() const {
  const uint16_t count = countSet_ ? count_ : static_cast<uint16_t>(tracks_.size());
  std::string out = "MThd" + Be32(static_cast<uint32_t>(6 + headerExtra_.size())) + Be16(format_) + Be16(count) + Be16(division_) + headerExtra_;
  for (int i : order_) out += i >= 0 ? tracks_[static_cast<size_t>(i)].Chunk() : chunks_[static_cast<size_t>(-1 - i)];
  return out;
}

}  // namespace orva::kit
