#include "shell/midi_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/exceptions.h"

namespace orva {

namespace {
constexpr uint8_t kGsReset[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};

uint8_t MetaClass(uint8_t type) {
  if (type <= 7) return static_cast<uint8_t>(mcSequenceNumber + type);
  switch (type) {
    case 0x2F: return mcEndOfTrack;
    case 0x51: return mcTempo;
    case 0x52: return mcMeta52;
    case 0x58: return mcTimeSignature;
    case 0x59: return mcKeySignature;
    default: return mcOther;
  }
}
}  // namespace

uint8_t MidiMessageClass(std::span<const uint8_t> data) {
  if (data.empty()) return mcOther;
  const uint8_t status = data[0];
  if (status == 0xFF) return data.size() >= 2 ? MetaClass(data[1]) : static_cast<uint8_t>(mcOther);
  if (status >= 0xF0)
    return data.size() == sizeof kGsReset && std::equal(data.begin(), data.end(), kGsReset) ? mcGsReset : mcOther;
  switch (status >> 4) {
    case 0x8: return mcNoteOff;
    case 0x9: return data.size() >= 3 && data[2] != 0 ? mcNoteOn : mcNoteOff;
    case 0xA: return mcKeyPressure;
    case 0xB: return mcControlChange;
    case 0xC: return mcProgramChange;
    case 0xD: return mcChannelPressure;
    case 0xE: return mcPitchBend;
    default: return mcOther;
  }
}

// ---- TMidiMsgEvent ----

void TMidiMsgEvent::SetData(std::vector<uint8_t> data) {
  data_ = std::move(data);
  MsgClass = MidiMessageClass(data_);
}

uint32_t TMidiMsgEvent::ShortMessage() const {
  uint32_t packed = 0;
  if (!data_.empty()) packed = data_[0];
  if (data_.size() >= 2) packed += uint32_t{data_[1]} << 8;
  if (data_.size() >= 3) packed += uint32_t{data_[2]} << 16;
  return packed;
}

int32_t TMidiMsgEvent::TempoValue() const {
  // A shorter tempo event has no value: it leaves the tempo as it was.
  if (data_.size() < 5 || data_[0] != 0xFF || data_[1] != 0x51) return -1;
  return (int32_t{data_[2]} << 16) | (int32_t{data_[3]} << 8) | data_[4];
}

// ---- TMidiMsgEvents ----

TMidiMsgEvent& TMidiMsgEvents::Add() { return items_.emplace_back(); }

void TMidiMsgEvents::Sort() {
  // Reading order numbers are unique, so the order is total and the same on every run.
  std::sort(items_.begin(), items_.end(), [](const TMidiMsgEvent& a, const TMidiMsgEvent& b) {
    return a.Tick != b.Tick ? a.Tick < b.Tick : a.Sequence < b.Sequence;
  });
}

// ---- TMidiStream ----

// Positions count from where the reader began.
TMidiStream::TMidiStream(TStream& stream)
    : stream_(stream), base_(stream.GetPosition()), size_(std::max<int64_t>(stream.GetSize() - base_, 0)), limit_(size_) {}

void TMidiStream::SetLimit(int64_t position) {
  limit_ = std::clamp<int64_t>(position, position_, size_);
  failed_ = false;
}

uint8_t TMidiStream::ReadByte() {
  uint8_t value = 0;
  if (position_ >= limit_ || stream_.Read(&value, 1) != 1) {
    failed_ = true;
    return 0;
  }
  ++position_;
  return value;
}

uint32_t TMidiStream::ReadNumber(int n) {
  uint32_t value = 0;
  for (int i = 0; i < n; ++i) value = (value << 8) | ReadByte();
  return value;
}

uint32_t TMidiStream::ReadVarLen() {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    const uint8_t byte = ReadByte();
    value = (value << 7) | (byte & 0x7F);
    if (!(byte & 0x80)) return value;
  }
  // A fifth byte would overflow the 28 bits a quantity holds.
  failed_ = true;
  return value;
}

std::vector<uint8_t> TMidiStream::ReadBytes(int64_t count) {
  if (count < 0 || count > Remaining()) {
    failed_ = true;
    return {};
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(count));
  if (count > 0 && stream_.Read(bytes.data(), count) != count) {
    failed_ = true;
    return {};
  }
  position_ += count;
  return bytes;
}

std::vector<uint8_t> TMidiStream::ReadVarLenData() {
  const uint32_t count = ReadVarLen();
  if (failed_) return {};
  return ReadBytes(count);
}

void TMidiStream::SeekRelative(int64_t offset) {
  position_ = std::clamp<int64_t>(position_ + offset, 0, size_);
  stream_.SetPosition(base_ + position_);
}

// ---- TMidiV ----

void TMidiV::Clear() {
  Events.Clear();
  Length = 0;
}

void TMidiV::LoadFromStream(TStream& stream) {
  Clear();
  TMidiStream in(stream);
  const std::vector<uint8_t> tag = in.ReadBytes(4);
  if (in.Failed() || std::memcmp(tag.data(), "MThd", 4) != 0) return;
  const uint32_t headerLength = in.ReadNumber(4);
  const int64_t headerEnd = in.Position() + headerLength;
  Format = static_cast<uint16_t>(in.ReadNumber(2));
  TrackCount = static_cast<uint16_t>(in.ReadNumber(2));
  Division = static_cast<uint16_t>(in.ReadNumber(2));
  if (in.Failed()) return;
  // A longer header carries fields of later versions.
  if (headerEnd > in.Position()) in.SeekRelative(headerEnd - in.Position());
  int32_t sequence = 0;
  for (int track = 0; track < TrackCount; ++track) {
    // Chunks of other kinds are stepped over; they use up no track.
    bool found = false;
    while (!found) {
      in.SetLimit(INT64_MAX);
      const std::vector<uint8_t> type = in.ReadBytes(4);
      const uint32_t length = in.ReadNumber(4);
      if (in.Failed()) break;
      found = std::memcmp(type.data(), "MTrk", 4) == 0;
      if (!found) in.SeekRelative(length);
      else in.SetLimit(in.Position() + length);
    }
    if (!found) break;
    const int64_t end = in.Limit();
    ReadTrack(in, track, sequence);
    // The next chunk starts where this one's length says.
    in.SetLimit(INT64_MAX);
    in.SeekRelative(end - in.Position());
  }
  Events.Sort();
  ComputeTimes();
}

void TMidiV::ReadTrack(TMidiStream& in, int track, int32_t& sequence) {
  uint32_t tick = 0;
  int status = -1;
  while (in.Remaining() > 0) {
    const uint32_t delta = in.ReadVarLen();
    uint8_t byte = in.ReadByte();
    if (in.Failed()) return;
    if (byte < 0x80) {
      // Running status: the last status byte of any kind serves.
      if (status < 0) return;
      in.SeekRelative(-1);
      byte = static_cast<uint8_t>(status);
    }
    status = byte;
    std::vector<uint8_t> data{byte};
    uint8_t kind = mkChannel;
    if (byte == 0xFF) {
      kind = mkMeta;
      data.push_back(in.ReadByte());
      std::vector<uint8_t> bytes = in.ReadVarLenData();
      data.insert(data.end(), bytes.begin(), bytes.end());
    } else if (byte >= 0xF0) {
      kind = mkSysEx;
      std::vector<uint8_t> bytes = in.ReadVarLenData();
      data.insert(data.end(), bytes.begin(), bytes.end());
    } else {
      const int count = (byte >> 4) == 0xC || (byte >> 4) == 0xD ? 1 : 2;
      for (int i = 0; i < count; ++i) data.push_back(in.ReadByte());
    }
    // An event that runs past the track's end ends the track.
    if (in.Failed()) return;
    tick += delta;
    TMidiMsgEvent& event = Events.Add();
    event.Track = track;
    event.Kind = kind;
    event.SetData(std::move(data));
    event.Tick = static_cast<int32_t>(tick);
    event.Delta = static_cast<int32_t>(delta);
    event.Sequence = sequence++;
    if (event.MsgClass == mcEndOfTrack) return;
  }
}

void TMidiV::ComputeTimes() {
  Tempo = 500000;
  if (Events.Count() > 0 && Division == 0) throw Exception("Floating point division by zero");
  int32_t previousTick = 0;
  int32_t previousTime = 0;
  for (int i = 0; i < Events.Count(); ++i) {
    TMidiMsgEvent& event = Events.Items(i);
    const auto msPerTick = static_cast<float>(static_cast<long double>(Tempo) / Division / 1000);
    const long double gap = static_cast<long double>(static_cast<int64_t>(event.Tick) - previousTick) * msPerTick;
    // Each gap is rounded by itself, so the errors add up over the file; times wrap.
    const auto rounded = static_cast<int64_t>(std::nearbyintl(gap));
    event.Time = static_cast<int32_t>(static_cast<uint32_t>(previousTime) + static_cast<uint32_t>(rounded));
    if (const int32_t tempo = event.TempoValue(); tempo >= 0) Tempo = tempo;
    previousTick = event.Tick;
    previousTime = event.Time;
  }
  Length = Events.Count() > 0 ? Events.Items(Events.Count() - 1).Time : 0;
}

}  // namespace orva
