#pragma once
// Standard MIDI Files read into one flat list of timed events: every track's events merged,
// ordered by tick and, within a tick, by reading order, each timed in milliseconds from the
// tempo map. The MIDI player (shell/midi_player.h) walks the list against its clock.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "core/stream.h"

namespace orva {

// The timing fields every event has.
struct TMidiStdData {
  int32_t Tick = 0;   // from the start of its track
  int32_t Time = 0;   // ms, computed once the file is read
  int32_t Delta = 0;  // as read before the event
};

enum TMidiMsgKind : uint8_t { mkChannel = 0, mkSysEx = 1, mkMeta = 2 };

enum TMidiMsgClass : uint8_t {
  mcOther = 0,
  mcNoteOn = 1,
  mcNoteOff = 2,
  mcKeyPressure = 3,
  mcControlChange = 4,
  mcProgramChange = 5,
  mcChannelPressure = 6,
  mcPitchBend = 7,
  mcGsReset = 8,
  mcTempo = 9,
  mcSequenceNumber = 10,  // meta types 0 .. 7 are 10 .. 17
  mcCuePoint = 17,
  mcEndOfTrack = 18,
  mcMeta52 = 19,
  mcTimeSignature = 20,
  mcKeySignature = 21,
};

// The class of a stored message: its status byte, for a meta event its type, for a system
// exclusive one whether it is exactly the GS reset.
uint8_t MidiMessageClass(std::span<const uint8_t> data);

class TMidiMsgEvent : public TMidiStdData {
 public:
  int32_t Sequence = 0;  // reading order over the whole file
  uint8_t Kind = mkChannel;
  uint8_t MsgClass = mcOther;
  int32_t Track = 0;

  // The status byte and data bytes; for system exclusive and meta events without the length.
  std::span<const uint8_t> Data() const { return {size_ <= kInline ? inline_.data() : heap_.get(), size_}; }
  int32_t Size() const { return static_cast<int32_t>(size_); }
  // Copies the bytes and classifies them.
  void SetData(std::span<const uint8_t> data);

  // The packed form of a channel message: status, first data byte << 8, second << 16.
  uint32_t ShortMessage() const;
  // Microseconds per quarter note of a tempo event with its three bytes; -1 otherwise.
  int32_t TempoValue() const;

 private:
  // Channel messages are kept in the event itself.
  static constexpr size_t kInline = 8;
  std::array<uint8_t, kInline> inline_{};
  std::unique_ptr<uint8_t[]> heap_;
  size_t size_ = 0;
};

class TMidiMsgEvents {
 public:
  TMidiMsgEvent& Add();
  void Reserve(int count);
  TMidiMsgEvent& Items(int index) { return items_[static_cast<size_t>(index)]; }
  const TMidiMsgEvent& Items(int index) const { return items_[static_cast<size_t>(index)]; }
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }
  // By tick, and by reading order within a tick.
  void Sort();

 private:
  std::vector<TMidiMsgEvent> items_;
};

// The reader's primitives over the source stream's data (read once from its position to its
// end), big-endian, bounded by the end of the chunk being read.
class TMidiStream {
 public:
  explicit TMidiStream(TStream& stream);

  // Reading stops here (clamped to the data); the whole data at the start. A new limit
  // clears a failure.
  void SetLimit(int64_t position);
  int64_t Limit() const { return limit_; }
  int64_t Position() const { return position_; }
  int64_t Remaining() const { return limit_ - position_; }
  // Set once a read ran past the limit; what it gave is not to be used.
  bool Failed() const { return failed_; }

  uint8_t ReadByte();
  // n = 1, 2 or 4 bytes.
  uint32_t ReadNumber(int n);
  // At most four bytes of seven bits each, most significant first.
  uint32_t ReadVarLen();
  // Valid while the reader lives.
  std::span<const uint8_t> ReadBytes(int64_t count);
  // A variable-length count and that many bytes.
  std::span<const uint8_t> ReadVarLenData();
  // Moves by `offset` within the data.
  void SeekRelative(int64_t offset);

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
  int64_t limit_ = 0;
  bool failed_ = false;
};

// The file model.
class TMidiV {
 public:
  TMidiV() = default;
  virtual ~TMidiV() = default;
  TMidiV(const TMidiV&) = delete;
  TMidiV& operator=(const TMidiV&) = delete;

  // Reads the stream from its position, sorts the events and times them. Data not beginning
  // "MThd" gives no events; a division of 0 cannot be timed and raises an exception.
  void LoadFromStream(TStream& stream);
  void Clear();

  TMidiMsgEvents Events;
  uint16_t Format = 0;
  uint16_t TrackCount = 0;
  uint16_t Division = 0;
  int32_t Tempo = 500000;  // µs per quarter note while the times are computed
  int32_t Length = 0;      // ms of the last event

 private:
  void ReadTrack(TMidiStream& in, int track, int32_t& sequence);
  void ComputeTimes();
};

}  // namespace orva
