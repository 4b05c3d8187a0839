#pragma once
// Recording stand-ins for the message history, the screen manager with the main window and
// the MIDI manager, as the system variables reach them: answers set by the test, every
// write recorded as "Operation(value)".

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scene/engine_links.h"
#include "script/screen_link.h"

namespace orva::kit {

class RecordingHistory : public THistoryLink {
 public:
  int32_t GetTotal() override { return Total; }
  int32_t GetMaxCount() override { return MaxCount; }
  void SetMaxCount(int32_t count) override {
    Calls.push_back("SetMaxCount(" + std::to_string(count) + ")");
    MaxCount = count;
  }
  int32_t Total = 0, MaxCount = 0;
  std::vector<std::string> Calls;
};

class RecordingDisplay : public TScreenLink {
 public:
  bool GetFullScreen() override { return FullScreen; }
  void SetFullScreen(bool flag) override {
    Calls.push_back(flag ? "SetFullScreen(TRUE)" : "SetFullScreen(FALSE)");
    FullScreen = flag;
  }
  int32_t GetModeCount() override { return ModeCount; }
  TDisplayModeRecord GetMode(int32_t) override { return {}; }
  int32_t GetBestMode() override { return ModeIndex; }
  void SetBestMode(int32_t index) override {
    Calls.push_back("SetBestMode(" + std::to_string(index) + ")");
    ModeIndex = index;
  }
  void SetMouseX(int32_t x) override { Calls.push_back("SetMouseX(" + std::to_string(x) + ")"); }
  void SetMouseY(int32_t y) override { Calls.push_back("SetMouseY(" + std::to_string(y) + ")"); }
  bool FullScreen = false;
  int32_t ModeCount = 0, ModeIndex = -1;
  std::vector<std::string> Calls;
};

class RecordingMidi : public TMidiLink {
 public:
  int32_t GetDeviceCount() override { return static_cast<int32_t>(Devices.size()); }
  std::string GetDeviceNameAt(int32_t index) override {
    return index >= 0 && index < GetDeviceCount() ? Devices[static_cast<size_t>(index)] : OutsideName;
  }
  std::string GetDeviceName() override { return Selected; }
  void SelectDeviceName(std::string_view name) override {
    Calls.push_back("SelectDeviceName(" + std::string(name) + ")");
    Selected = name;
  }
  std::vector<std::string> Devices;
  std::string Selected, OutsideName = "mapper";
  std::vector<std::string> Calls;
};

}  // namespace orva::kit
