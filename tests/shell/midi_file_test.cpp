// Standard MIDI Files: reading, order and times, damaged files, and outside files compared
// with an independent reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "core/exceptions.h"
#include "core/stream.h"
#include "kit/midi_files.h"
#include "shell/midi_file.h"

namespace orva {
namespace {

using kit::SmfFile;

// "track tick time: bytes" per event in list order.
std::vector<std::string> Describe(const TMidiV& midi) {
  std::vector<std::string> out;
  for (int i = 0; i < midi.Events.Count(); ++i) {
    const TMidiMsgEvent& e = midi.Events.Items(i);
    std::string line = std::to_string(e.Track) + " " + std::to_string(e.Tick) + " " + std::to_string(e.Time) + ":";
    char hex[4];
    for (uint8_t b : e.Data()) {
      std::snprintf(hex, sizeof hex, " %02X", b);
      line += hex;
    }
    out.push_back(line);
  }
  return out;
}

std::vector<std::string> Load(TMidiV& midi, const std::string& bytes) {
  TMemoryStream stream(bytes);
  midi.LoadFromStream(stream);
  return Describe(midi);
}

TEST(MidiFile, ReadsOrdersAndTimesEvents) {
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<std::string> events;
  };
  std::vector<Case> cases;
  {
    SmfFile f(480);
    f.Track().NoteOn(960, 0, 60, 100).EndOfTrack();
    cases.push_back({"500000 µs per quarter without a tempo", f.Bytes(), {"0 960 1000: 90 3C 64", "0 960 1000: FF 2F"}});
  }
  {
    SmfFile f(480);
    f.Track().Tempo(480, 1000000).NoteOn(480, 0, 60, 100).EndOfTrack();
    cases.push_back({"a tempo changes only the gaps after it", f.Bytes(),
                     {"0 480 500: FF 51 0F 42 40", "0 960 1500: 90 3C 64", "0 960 1500: FF 2F"}});
  }
  {
    SmfFile f(1000);
    f.Track().NoteOn(1, 0, 60, 1).NoteOn(1, 0, 61, 1).NoteOn(1, 0, 62, 1).NoteOn(3, 0, 63, 1).NoteOn(5, 0, 64, 1).EndOfTrack();
    cases.push_back({"each gap rounds by itself, halves to even", f.Bytes(),
                     {"0 1 0: 90 3C 01", "0 2 0: 90 3D 01", "0 3 0: 90 3E 01", "0 6 2: 90 3F 01", "0 11 4: 90 40 01",
                      "0 11 4: FF 2F"}});
  }
  {
    SmfFile f(480);
    f.Track().Event(0, {0x90, 0x3C, 0x40}).Event(10, {0x3E, 0x40}).EndOfTrack();
    cases.push_back({"running status", f.Bytes(), {"0 0 0: 90 3C 40", "0 10 10: 90 3E 40", "0 10 10: FF 2F"}});
  }
  {
    SmfFile f(480);
    f.Track().Meta(0, 0x03, "x").Event(0, {0x03, 0x01, 0x79}).EndOfTrack();
    cases.push_back({"a meta event's status serves as running status too", f.Bytes(),
                     {"0 0 0: FF 03 78", "0 0 0: FF 03 79", "0 0 0: FF 2F"}});
  }
  {
    SmfFile f(480);
    f.Track().NoteOn(5, 0, 60, 1).EndOfTrack();
    f.Track().NoteOn(5, 1, 61, 1).NoteOn(0, 1, 62, 1).EndOfTrack();
    f.Track().NoteOn(0, 2, 63, 1).EndOfTrack(5);
    cases.push_back({"equal ticks: track 0 first", f.Bytes(),
                     {"2 0 0: 92 3F 01", "0 5 5: 90 3C 01", "0 5 5: FF 2F", "1 5 5: 91 3D 01", "1 5 5: 91 3E 01",
                      "1 5 5: FF 2F", "2 5 5: FF 2F"}});
  }
  {
    SmfFile f(480);
    f.Track().SysEx(0, 0xF0, "\x2F\x01").Raw(std::string("\x00\x80\x3C\x00", 4)).EndOfTrack();
    cases.push_back({"a system exclusive message beginning 2F does not end the track", f.Bytes(),
                     {"0 0 0: F0 2F 01", "0 0 0: 80 3C 00", "0 0 0: FF 2F"}});
  }
  // Lengths and counts that do not fit.
  {
    SmfFile f(480);
    // What lies after the stated end is read as the next chunk.
    f.Track().NoteOn(0, 0, 60, 1).Raw(kit::SmfTrack().NoteOn(0, 1, 62, 1).Chunk()).StatedLength(4);
    f.TrackCount(2);
    cases.push_back({"a track ends at its stated length", f.Bytes(), {"0 0 0: 90 3C 01", "1 0 0: 91 3E 01"}});
  }
  {
    SmfFile f(480);
    f.Track().NoteOn(0, 0, 60, 1).StatedLength(4000);
    cases.push_back({"a length beyond the data ends with the data", f.Bytes(), {"0 0 0: 90 3C 01"}});
  }
  {
    SmfFile f(480);
    f.OtherChunk("XFIH", std::string("MTrk\0\0\0\0", 8));
    f.Track().NoteOn(0, 0, 60, 1);
    cases.push_back({"another kind of chunk is skipped by its length", f.Bytes(), {"0 0 0: 90 3C 01"}});
  }
  {
    SmfFile f(480);
    f.HeaderExtra("\x01\x02\x03");
    f.Track().NoteOn(0, 0, 60, 1);
    cases.push_back({"a longer header is skipped by its length", f.Bytes(), {"0 0 0: 90 3C 01"}});
  }
  {
    SmfFile f(480);
    f.Track().NoteOn(0, 0, 60, 1).Raw("\x81\x81\x81\x81\x01\x90\x3D\x01");
    f.Track().NoteOn(0, 1, 61, 1);
    cases.push_back({"a delta of five bytes ends the track", f.Bytes(), {"0 0 0: 90 3C 01", "1 0 0: 91 3D 01"}});
  }
  {
    SmfFile f(480);
    f.Track().NoteOn(0, 0, 60, 1).Raw(std::string("\x00\xF0\x85\x00\x01\x02", 6));
    cases.push_back({"an event running past the end ends the track", f.Bytes(), {"0 0 0: 90 3C 01"}});
  }
  {
    SmfFile f(480);
    f.Track().Raw(std::string("\x00\x3C\x40", 3)).NoteOn(0, 0, 60, 1);
    f.Track().NoteOn(0, 1, 61, 1);
    cases.push_back({"a data byte without a status ends the track", f.Bytes(), {"1 0 0: 91 3D 01"}});
  }
  {
    SmfFile f(480);
    f.Track().Meta(0, 0x51, "\x01\x02").NoteOn(480, 0, 60, 1);
    cases.push_back({"a short tempo event leaves the tempo", f.Bytes(), {"0 0 0: FF 51 01 02", "0 480 500: 90 3C 01"}});
  }
  {
    SmfFile f(480);
    f.Track().NoteOn(0, 0, 60, 1);
    f.TrackCount(3);
    cases.push_back({"fewer tracks than counted", f.Bytes(), {"0 0 0: 90 3C 01"}});
  }
  cases.push_back({"no MThd", "MThx" + SmfFile().Bytes().substr(4), {}});
  cases.push_back({"a header cut short", SmfFile().Bytes().substr(0, 11), {}});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TMidiV midi;
    EXPECT_EQ(Load(midi, c.bytes), c.events);
    EXPECT_EQ(midi.Length, c.events.empty() ? 0 : midi.Events.Items(midi.Events.Count() - 1).Time);
  }
}

TEST(MidiFile, ClassifiesMessages) {
  const std::vector<uint8_t> gs = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
  std::vector<uint8_t> gsLonger = gs;
  gsLonger.push_back(0xF7);
  std::vector<uint8_t> gsOther = gs;
  gsOther[9] = 0x42;
  struct Case {
    std::vector<uint8_t> data;
    uint8_t msgClass;
  };
  const Case cases[] = {
      {{0x93, 60, 1}, mcNoteOn},          {{0x93, 60, 0}, mcNoteOff},        {{0x83, 60, 5}, mcNoteOff},
      {{0xA0, 60, 5}, mcKeyPressure},     {{0xBF, 7, 100}, mcControlChange}, {{0xC1, 5}, mcProgramChange},
      {{0xD1, 5}, mcChannelPressure},     {{0xE1, 0, 64}, mcPitchBend},      {gs, mcGsReset},
      {gsLonger, mcOther},                {gsOther, mcOther},                {{0xF7, 0x2F}, mcOther},
      {{0xFF, 0x51, 7, 0xA1, 0x20}, mcTempo}, {{0xFF, 0x00, 0, 1}, mcSequenceNumber}, {{0xFF, 0x07}, mcCuePoint},
      {{0xFF, 0x2F}, mcEndOfTrack},       {{0xFF, 0x52}, mcMeta52},          {{0xFF, 0x58, 4, 2, 24, 8}, mcTimeSignature},
      {{0xFF, 0x59, 0, 0}, mcKeySignature}, {{0xFF, 0x21, 0}, mcOther},      {{0xFF}, mcOther},
  };
  for (const Case& c : cases) {
    TMidiMsgEvent event;
    event.SetData(c.data);
    EXPECT_EQ(event.MsgClass, c.msgClass) << ::testing::PrintToString(c.data);
  }
  // Packed forms.
  TMidiMsgEvent note;
  note.SetData(std::vector<uint8_t>{0x92, 0x3C, 0x7F});
  EXPECT_EQ(note.ShortMessage(), 0x7F3C92u);
  note.SetData(std::vector<uint8_t>{0xC2, 0x05});
  EXPECT_EQ(note.ShortMessage(), 0x05C2u);
  EXPECT_EQ(note.TempoValue(), -1);
  note.SetData(std::vector<uint8_t>{0xFF, 0x51, 0x07, 0xA1, 0x20});
  EXPECT_EQ(note.TempoValue(), 500000);
}

TEST(MidiFile, LongMessagesHaveVariableLengths) {
  SmfFile f(96);
  f.Track().Meta(0, 0x01, std::string(200, 'a')).SysEx(0, 0xF0, std::string(300, '\x01') + "\xF7").GsReset(0).EndOfTrack();
  TMidiV midi;
  Load(midi, f.Bytes());
  ASSERT_EQ(midi.Events.Count(), 4);
  EXPECT_EQ(midi.Events.Items(0).Size(), 202);
  EXPECT_EQ(midi.Events.Items(0).Kind, mkMeta);
  EXPECT_EQ(midi.Events.Items(1).Size(), 302);
  EXPECT_EQ(midi.Events.Items(1).Kind, mkSysEx);
  EXPECT_EQ(midi.Events.Items(2).MsgClass, mcGsReset);
  EXPECT_EQ(midi.Events.Items(3).MsgClass, mcEndOfTrack);
}

TEST(MidiFile, DivisionZeroCannotBeTimed) {
  SmfFile f(0);
  f.Track().NoteOn(0, 0, 60, 1);
  TMidiV midi;
  TMemoryStream stream(f.Bytes());
  EXPECT_THROW(midi.LoadFromStream(stream), Exception);
}

TEST(MidiFile, TruncatedAndScrambledFilesLoadWhatTheyHold) {
  SmfFile f(480);
  f.Track().Tempo(0, 400000).Program(0, 0, 5).Control(0, 0, 7, 100).SysEx(0, 0xF0, "\x7E\x7F\x09\x01\xF7").EndOfTrack();
  auto& t = f.Track();
  for (int i = 0; i < 50; ++i) t.NoteOn(10, i % 16, 40 + i, 90).NoteOff(5, i % 16, 40 + i);
  t.EndOfTrack();
  const std::string bytes = f.Bytes();
  for (size_t cut = 0; cut < bytes.size(); cut += 3) {
    TMidiV midi;
    Load(midi, bytes.substr(0, cut));
  }
  for (uint8_t mask : {0x01, 0x40, 0x80, 0xFF}) {
    std::string scrambled = bytes;
    for (size_t i = 14; i < scrambled.size(); i += 5) scrambled[i] = static_cast<char>(scrambled[i] ^ mask);
    TMidiV midi;
    try {
      Load(midi, scrambled);
    } catch (const Exception&) {
    }
  }
}

// ---- outside files against midicsv's reading ----

// The events of one midicsv line as message bytes; empty for the lines that are no event.
std::vector<uint8_t> CsvMessage(const std::vector<std::string>& f) {
  const std::string& type = f[2];
  auto n = [&](size_t i) { return static_cast<uint8_t>(std::stoi(f[i])); };
  auto text = [&](uint8_t metaType) {
    std::vector<uint8_t> out{0xFF, metaType};
    const std::string& quoted = f[3];
    for (size_t i = 1; i + 1 < quoted.size(); ++i) {
      if (quoted[i] == '\\' && quoted[i + 1] == '\\') {
        out.push_back('\\');
        ++i;
      } else if (quoted[i] == '\\') {
        out.push_back(static_cast<uint8_t>(std::stoi(quoted.substr(i + 1, 3), nullptr, 8)));
        i += 3;
      } else if (quoted[i] == '"' && quoted[i + 1] == '"') {
        out.push_back('"');
        ++i;
      } else {
        out.push_back(static_cast<uint8_t>(quoted[i]));
      }
    }
    return out;
  };
  auto channel = [&](uint8_t status, int count) {
    std::vector<uint8_t> out{static_cast<uint8_t>(status | n(3))};
    for (int i = 0; i < count; ++i) out.push_back(n(4 + static_cast<size_t>(i)));
    return out;
  };
  auto counted = [&](std::vector<uint8_t> out, size_t lengthField) {
    for (size_t i = lengthField + 1; i < f.size(); ++i) out.push_back(n(i));
    return out;
  };
  static const std::map<std::string, uint8_t> texts = {{"Text_t", 1},       {"Copyright_t", 2}, {"Title_t", 3},
                                                       {"Instrument_name_t", 4}, {"Lyric_t", 5}, {"Marker_t", 6},
                                                       {"Cue_point_t", 7}};
  if (auto it = texts.find(type); it != texts.end()) return text(it->second);
  if (type == "Note_on_c") return channel(0x90, 2);
  if (type == "Note_off_c") return channel(0x80, 2);
  if (type == "Poly_aftertouch_c") return channel(0xA0, 2);
  if (type == "Control_c") return channel(0xB0, 2);
  if (type == "Program_c") return channel(0xC0, 1);
  if (type == "Channel_aftertouch_c") return channel(0xD0, 1);
  if (type == "Pitch_bend_c") {
    const int value = std::stoi(f[4]);
    return {static_cast<uint8_t>(0xE0 | n(3)), static_cast<uint8_t>(value & 0x7F), static_cast<uint8_t>(value >> 7)};
  }
  if (type == "End_track") return {0xFF, 0x2F};
  if (type == "Tempo") {
    const int value = std::stoi(f[3]);
    return {0xFF, 0x51, static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  }
  if (type == "Time_signature") return {0xFF, 0x58, n(3), n(4), n(5), n(6)};
  if (type == "Key_signature") return {0xFF, 0x59, static_cast<uint8_t>(std::stoi(f[3])), static_cast<uint8_t>(f[4] == "\"minor\"")};
  if (type == "MIDI_port") return {0xFF, 0x21, n(3)};
  if (type == "Sequencer_specific") return counted({0xFF, 0x7F}, 3);
  if (type == "System_exclusive") return counted({0xF0}, 3);
  if (type == "System_exclusive_packet") return counted({0xF7}, 3);
  if (type == "Unknown_meta_event") return counted({0xFF, n(3)}, 4);
  return {};
}

TEST(MidiFile, OutsideFilesReadAsAnIndependentReaderReadsThem) {
  const std::filesystem::path dir = "/usr/share/planetblupi/music";
  ASSERT_TRUE(std::filesystem::is_directory(dir)) << "tools/install-deps installs the outside MIDI files";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".mid") continue;
    ++files;
    SCOPED_TRACE(entry.path().string());
    // midicsv's lines, per track: the tick and the message bytes.
    std::map<int, std::vector<std::pair<int32_t, std::vector<uint8_t>>>> want;
    const std::string command = "midicsv '" + entry.path().string() + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    char line[4096];
    while (std::fgets(line, sizeof line, pipe.get())) {
      std::vector<std::string> fields;
      std::string text = line;
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
      for (size_t at = 0;;) {
        // A quoted text may hold commas.
        size_t next = text[at] == '"' ? text.find("\", ", at + 1) : text.find(", ", at);
        if (next != std::string::npos && text[at] == '"') ++next;
        fields.push_back(text.substr(at, next == std::string::npos ? std::string::npos : next - at));
        if (next == std::string::npos) break;
        at = next + 2;
      }
      if (fields.size() < 3) continue;
      std::vector<uint8_t> message = CsvMessage(fields);
      if (!message.empty()) want[std::stoi(fields[0]) - 1].push_back({std::stoi(fields[1]), std::move(message)});
    }
    std::ifstream file(entry.path(), std::ios::binary);
    TMemoryStream stream(std::string(std::istreambuf_iterator<char>(file), {}));
    TMidiV midi;
    midi.LoadFromStream(stream);
    std::map<int, std::vector<std::pair<int32_t, std::vector<uint8_t>>>> got;
    std::vector<const TMidiMsgEvent*> inOrder;
    for (int i = 0; i < midi.Events.Count(); ++i) inOrder.push_back(&midi.Events.Items(i));
    std::sort(inOrder.begin(), inOrder.end(), [](auto* a, auto* b) { return a->Sequence < b->Sequence; });
    for (const TMidiMsgEvent* e : inOrder) got[e->Track].push_back({e->Tick, {e->Data().begin(), e->Data().end()}});
    ASSERT_EQ(got.size(), want.size());
    for (auto& [track, events] : want) {
      SCOPED_TRACE(track);
      ASSERT_EQ(got[track].size(), events.size());
      for (size_t i = 0; i < events.size(); ++i) ASSERT_EQ(got[track][i], events[i]) << i;
    }
    // The merged list is in time order and its times never go back.
    for (int i = 1; i < midi.Events.Count(); ++i) ASSERT_LE(midi.Events.Items(i - 1).Time, midi.Events.Items(i).Time);
  }
  EXPECT_EQ(files, 10);
}

}  // namespace
}  // namespace orva
