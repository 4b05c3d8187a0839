#pragma once
// Standard MIDI Files written byte by byte for the tests: a header and track chunks whose
// events are given as delta times and message bytes, lengths true unless set otherwise.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace orva::kit {

// A variable-length quantity (at most 28 bits).
std::string VarLen(uint32_t value);

class SmfTrack {
 public:
  // One event: the delta time and the message bytes as they stand in the file (a running
  // status event gives only its data bytes).
  SmfTrack& Event(uint32_t delta, const std::vector<uint8_t>& bytes);
  SmfTrack& NoteOn(uint32_t delta, int channel, int key, int velocity);
  SmfTrack& NoteOff(uint32_t delta, int channel, int key);
  SmfTrack& Control(uint32_t delta, int channel, int controller, int value);
  SmfTrack& Program(uint32_t delta, int channel, int program);
  SmfTrack& PitchBend(uint32_t delta, int channel, int value);
  // FF, the type, the length and the bytes.
  SmfTrack& Meta(uint32_t delta, uint8_t type, const std::string& bytes);
  SmfTrack& Tempo(uint32_t delta, uint32_t microsecondsPerQuarter);
  // The status (F0 or F7), the length and the bytes.
  SmfTrack& SysEx(uint32_t delta, uint8_t status, const std::string& bytes);
  SmfTrack& GsReset(uint32_t delta);
  SmfTrack& EndOfTrack(uint32_t delta = 0);
  // Bytes added as they are.
  SmfTrack& Raw(const std::string& bytes);
  // The chunk's length field as given instead of the true one.
  SmfTrack& StatedLength(uint32_t length);

  std::string Chunk() const;

 private:
  std::string bytes_;
  bool lengthSet_ = false;
  uint32_t length_ = 0;
};

class SmfFile {
 public:
  // The track count is that of the tracks added unless set.
  explicit SmfFile(uint16_t division = 480, uint16_t format = 1) : division_(division), format_(format) {}
  SmfTrack& Track();
  SmfFile& TrackCount(uint16_t count);
  // Bytes after the six of the header, with the header's length counting them.
  SmfFile& HeaderExtra(const std::string& bytes);
  // A chunk of another kind before the next track.
  SmfFile& OtherChunk(const std::string& type, const std::string& bytes);
  std::string Bytes() const;

 private:
  uint16_t division_;
  uint16_t format_;
  bool countSet_ = false;
  uint16_t count_ = 0;
  std::string headerExtra_;
  std::vector<std::string> chunks_;  // other chunks are kept in place; tracks are indexes
  std::deque<SmfTrack> tracks_;  // references to tracks stay valid
  std::vector<int> order_;  // -1 - i: other chunk i; i: track i
};

}  // namespace orva::kit
