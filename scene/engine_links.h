#pragma once
// What the system variables read of the subsystems above the scene: the message history and
// the MIDI manager (the screen is script/screen_link.h). Each is a small interface the
// subsystem installs once it exists; until then the variables give the answers of an absent
// part and ignore writes.

#include <cstdint>
#include <string>
#include <string_view>

namespace orva {

// The message history (backlog). Absent: @HistoryCount 0, @HistoryMaxCount 0.
class THistoryLink {
 public:
  virtual ~THistoryLink() = default;
  // The history's size: the total height of its records (or their count in the old format).
  virtual int32_t GetTotal() = 0;
  // The most records kept (below 1: no limit).
  virtual int32_t GetMaxCount() = 0;
  virtual void SetMaxCount(int32_t count) = 0;
};

// The MIDI output devices. Absent: @MidiPort "", @MidiPorts no elements; writes ignored.
class TMidiLink {
 public:
  virtual ~TMidiLink() = default;
  virtual int32_t GetDeviceCount() = 0;
  // The name of device i (the manager answers names outside the list itself).
  virtual std::string GetDeviceNameAt(int32_t index) = 0;
  // The selected device's name.
  virtual std::string GetDeviceName() = 0;
  // Selects the device of that name (a name not in the list selects the first).
  virtual void SelectDeviceName(std::string_view name) = 0;
};

}  // namespace orva
