#pragma once
// The system's audio mixer as the program sees it: devices holding destination lines, each
// with its source lines, and the controls of every line (volume, mute, multiplexer, ...)
// with their values. Ours has one device, one destination and one compact-disc source line
// whose stereo volume and mute scale what the CD plays (platform/cd_audio.h); the user's own
// mixer is never touched. Tests install trees of their own.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orva {

constexpr uint32_t kMixerComponentCompactDisc = 0x1005;
constexpr uint32_t kMixerComponentSpeakers = 0x0004;
constexpr uint32_t kMixerControlVolume = 0x50030001;
constexpr uint32_t kMixerControlMute = 0x20010002;
constexpr uint32_t kMixerControlMultiplexer = 0x70010001;
constexpr uint32_t kMixerControlMixer = 0x71010001;
constexpr uint32_t kMixerControlFlagUniform = 1;
constexpr uint32_t kMixerControlFlagMultiple = 2;
constexpr uint32_t kMixerControlFlagDisabled = 0x80000000u;

struct TMixerLineInfo {
  uint32_t Destination = 0;
  uint32_t Source = 0;
  uint32_t LineId = 0;
  uint32_t Flags = 0;
  uint32_t ComponentType = 0;
  uint32_t Channels = 0;
  uint32_t Connections = 0;  // source lines of a destination
  uint32_t Controls = 0;
  std::string Name;
};

struct TMixerControlInfo {
  uint32_t ControlId = 0;
  uint32_t ControlType = 0;
  uint32_t Flags = 0;
  uint32_t Items = 0;  // of a list control
  std::string Name;
};

struct TMixerListText {
  uint32_t Param1 = 0;  // the line id of the item
  std::string Name;
};

class TMixerDevice {
 public:
  virtual ~TMixerDevice() = default;
  virtual uint32_t DestinationCount() = 0;
  virtual bool LineByDestination(uint32_t destination, TMixerLineInfo& info) = 0;
  virtual bool LineBySource(uint32_t destination, uint32_t source, TMixerLineInfo& info) = 0;
  virtual bool LineControls(uint32_t lineId, std::vector<TMixerControlInfo>& controls) = 0;
  // Unsigned values: one per channel (one for all when `channels` is 1), per item for a list.
  virtual bool GetValues(uint32_t controlId, uint32_t channels, uint32_t items, std::vector<uint32_t>& values) = 0;
  virtual bool SetValues(uint32_t controlId, uint32_t channels, uint32_t items, const std::vector<uint32_t>& values) = 0;
  virtual bool ListTexts(uint32_t controlId, std::vector<TMixerListText>& texts) = 0;
};

class TMixerSystem {
 public:
  virtual ~TMixerSystem() = default;
  virtual int DeviceCount() = 0;
  // `notify`: the caller wants change reports (ours have none to give). None on failure.
  virtual std::unique_ptr<TMixerDevice> Open(int id, bool notify) = 0;
};

// A mixer held in memory: lines and controls as added, values kept per control.
class TMemoryMixer {
 public:
  struct TControl {
    TMixerControlInfo Info;
    std::vector<uint32_t> Values;  // channels × items
    std::vector<TMixerListText> Texts;
  };
  struct TLine {
    TMixerLineInfo Info;
    std::vector<TControl> Controls;
  };
  struct TDestination {
    TLine Line;
    std::vector<TLine> Sources;
  };

  // Returns the new line id.
  uint32_t AddDestination(uint32_t componentType, uint32_t channels, std::string name);
  uint32_t AddSource(uint32_t destination, uint32_t componentType, uint32_t channels, std::string name);
  // Returns the new control id.
  uint32_t AddControl(uint32_t lineId, uint32_t controlType, uint32_t flags, std::vector<uint32_t> values,
                      std::vector<TMixerListText> texts = {});
  std::vector<uint32_t>& Values(uint32_t controlId);
  // Runs after every write.
  std::function<void()> OnChange;
  // The device's calls fail for this line (as a broken driver would).
  uint32_t FailingLine = 0;

  std::unique_ptr<TMixerDevice> Device();
  std::vector<TDestination> Destinations;

 private:
  TLine* Line(uint32_t lineId);
  TControl* Control(uint32_t controlId);
  uint32_t nextId_ = 1;
  friend class TMemoryMixerDevice;
};

// The installed mixers: ours unless a test installed others.
TMixerSystem& MixerSystem();
// Not owned; nullptr restores ours.
void SetMixerSystem(TMixerSystem* system);

// A system of mixers held in memory (tests); `failOpen` makes every open fail.
class TMemoryMixerSystem final : public TMixerSystem {
 public:
  std::vector<std::shared_ptr<TMemoryMixer>> Mixers;
  int FailedOpens = 0;  // opens to refuse before one succeeds
  int DeviceCount() override { return static_cast<int>(Mixers.size()); }
  std::unique_ptr<TMixerDevice> Open(int id, bool notify) override;
};

}  // namespace orva
