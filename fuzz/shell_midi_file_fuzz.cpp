// The Standard MIDI File reader: events, order and times of any bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "core/stream.h"
#include "shell/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orva::TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
  orva::TMidiV midi;
  try {
    midi.LoadFromStream(stream);
  } catch (const orva::Exception&) {
    return 0;
  }
  int64_t sum = 0;
  for (int i = 0; i < midi.Events.Count(); ++i) sum += midi.Events.Items(i).ShortMessage() + midi.Events.Items(i).TempoValue();
  return sum == 1 ? 0 : 0;
}
