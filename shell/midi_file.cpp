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

void TMidiMsgEvent::SetData(std::span<const uint8_t> data) {
  size_ = data.size();
  heap_.reset();
  uint8_t* to = inline_.data();
  if (size_ > kInline) {
    heap_ = std::make_unique_for_overwrite<uint8_t[]>(size_);
    to = heap_.get();
  }
  std::copy(data.begin(), data.end(), to);
  MsgClass = MidiMessageClass(data);
}

uint32_t TMidiMsgEvent::ShortMessage() const {
  const std::span<const uint8_t> data = Data();
  uint32_t packed = 0;
  if (!data.empty()) packed = data[0];
  if (data.size() >= 2) packed += uint32_t{data[1]} << 8;
  if (data.size() >= 3) packed += uint32_t{data[2]} << 16;
  return packed;
}

int32_t TMidiMsgEvent::TempoValue() const {
  // A shorter tempo event has no value: it leaves the tempo as it was.
  const std::span<const uint8_t> data = Data();
  if (data.size() < 5 || data[0] != 0xFF || data[1] != 0x51) return -1;
  return (int32_t{data[2]} << 16) | (int32_t{data[3]} << 8) | data[4];
}

// ---- TMidiMsgEvents ----

TMidiMsgEvent& TMidiMsgEvents::Add() { return items_.emplace_back(); }

void TMidiMsgEvents::Reserve(int count) { items_.reserve(static_cast<size_t>(std::max(count, 0))); }

void TMidiMsgEvents::Sort() {
  // Small keys are sorted, then the events moved once into their order. Reading order
  // numbers are unique, so the order is total.
  struct TKey {
    uint64_t order;  // tick (biased to sort as signed), then reading order
    uint32_t index;
  };
  std::vector<TKey> keys(items_.size());
  for (size_t i = 0; i < items_.size(); ++i) {
    const auto tick = static_cast<uint32_t>(items_[i].Tick) ^ 0x80000000u;
    const auto sequence = static_cast<uint32_t>(items_[i].Sequence) ^ 0x80000000u;
    keys[i] = {uint64_t{tick} << 32 | sequence, static_cast<uint32_t>(i)};
  }
  // Each track's events come in order: the runs are merged, pairwise until one is left.
  const auto before = [](const TKey& a, const TKey& b) { return a.order < b.order; };
  std::vector<size_t> runs{0};
  for (size_t i = 1; i < keys.size(); ++i)
    if (before(keys[i], keys[i - 1])) runs.push_back(i);
  runs.push_back(keys.size());
  while (runs.size() > 2) {
    std::vector<size_t> merged{0};
    for (size_t r = 0; r + 2 < runs.size(); r += 2) {
      std::inplace_merge(keys.begin() + static_cast<ptrdiff_t>(runs[r]), keys.begin() + static_cast<ptrdiff_t>(runs[r + 1]),
                         keys.begin() + static_cast<ptrdiff_t>(runs[r + 2]), before);
      merged.push_back(runs[r + 2]);
    }
    if (runs.size() % 2 == 0) merged.push_back(runs.back());
    runs = std::move(merged);
  }
  // The events move into place along the cycles of the order.
  std::vector<bool> placed(items_.size());
  for (size_t start = 0; start < keys.size(); ++start) {
    if (placed[start]) continue;
    TMidiMsgEvent held = std::move(items_[start]);
    size_t at = start;
    while (keys[at].index != start) {
      items_[at] = std::move(items_[keys[at].index]);
      placed[at] = true;
      at = keys[at].index;
    }
    items_[at] = std::move(held);
    placed[at] = true;
  }
}

// ---- TMidiStream ----

// The data is read once; positions count from where the reader began.
TMidiStream::TMidiStream(TStream& stream) {
  const int64_t size = std::max<int64_t>(stream.GetSize() - stream.GetPosition(), 0);
  data_.resize(static_cast<size_t>(size));
  data_.resize(static_cast<size_t>(std::max<int64_t>(stream.Read(data_.data(), size), 0)));
  limit_ = static_cast<int64_t>(data_.size());
}

void TMidiStream::SetLimit(int64_t position) {
  limit_ = std::clamp<int64_t>(position, position_, static_cast<int64_t>(data_.size()));
  failed_ = false;
}

uint8_t TMidiStream::ReadByte() {
  if (position_ >= limit_) {
    failed_ = true;
    return 0;
  }
  return data_[static_cast<size_t>(position_++)];
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

std::span<const uint8_t> TMidiStream::ReadBytes(int64_t count) {
  if (count < 0 || count > Remaining()) {
    failed_ = true;
    return {};
  }
  const std::span<const uint8_t> bytes(data_.data() + position_, static_cast<size_t>(count));
  position_ += count;
  return bytes;
}

std::span<const uint8_t> TMidiStream::ReadVarLenData() {
  const uint32_t count = ReadVarLen();
  if (failed_) return {};
  return ReadBytes(count);
}

void TMidiStream::SeekRelative(int64_t offset) {
  position_ = std::clamp<int64_t>(position_ + offset, 0, static_cast<int64_t>(data_.size()));
}

// ---- TMidiV ----

void TMidiV::Clear() {
  Events.Clear();
  Length = 0;
}

void TMidiV::LoadFromStream(TStream& stream) {
  Clear();
  TMidiStream in(stream);
  const std::span<const uint8_t> tag = in.ReadBytes(4);
  if (in.Failed() || std::memcmp(tag.data(), "MThd", 4) != 0) return;
  const uint32_t headerLength = in.ReadNumber(4);
  const int64_t headerEnd = in.Position() + headerLength;
  Format = static_cast<uint16_t>(in.ReadNumber(2));
  TrackCount = static_cast<uint16_t>(in.ReadNumber(2));
  Division = static_cast<uint16_t>(in.ReadNumber(2));
  if (in.Failed()) return;
  // A longer header carries fields of later versions.
  if (headerEnd > in.Position()) in.SeekRelative(headerEnd - in.Position());
  // An event takes two bytes at the least.
  Events.Reserve(static_cast<int>(std::min<int64_t>(in.Remaining() / 2 + 1, 1 << 20)));
  int32_t sequence = 0;
  for (int track = 0; track < TrackCount; ++track) {
    // Chunks of other kinds are stepped over; they use up no track.
    bool found = false;
    while (!found) {
      in.SetLimit(INT64_MAX);
      const std::span<const uint8_t> type = in.ReadBytes(4);
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
  std::vector<uint8_t> data;
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
    data.assign(1, byte);
    uint8_t kind = mkChannel;
    if (byte == 0xFF) {
      kind = mkMeta;
      data.push_back(in.ReadByte());
      const std::span<const uint8_t> bytes = in.ReadVarLenData();
      data.insert(data.end(), bytes.begin(), bytes.end());
    } else if (byte >= 0xF0) {
      kind = mkSysEx;
      const std::span<const uint8_t> bytes = in.ReadVarLenData();
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
    event.SetData(data);
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
  float msPerTick = 0;
  int32_t tempoOfRate = -1;
  for (int i = 0; i < Events.Count(); ++i) {
    TMidiMsgEvent& event = Events.Items(i);
    if (Tempo != tempoOfRate) {
      tempoOfRate = Tempo;
      msPerTick = static_cast<float>(static_cast<long double>(Tempo) / Division / 1000);
    }
    // Each gap is rounded by itself (halves to even, the default rounding), so the errors
    // add up over the file; times wrap.
    const int64_t ticks = static_cast<int64_t>(event.Tick) - previousTick;
    const int64_t rounded = ticks == 0 ? 0 : static_cast<int64_t>(std::rintl(static_cast<long double>(ticks) * msPerTick));
    event.Time = static_cast<int32_t>(static_cast<uint32_t>(previousTime) + static_cast<uint32_t>(rounded));
    if (const int32_t tempo = event.TempoValue(); tempo >= 0) Tempo = tempo;
    previousTick = event.Tick;
    previousTime = event.Time;
  }
  Length = Events.Count() > 0 ? Events.Items(Events.Count() - 1).Time : 0;
}

}  // namespace orva
