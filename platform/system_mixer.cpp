#include "platform/system_mixer.h"

#include <algorithm>

#include "platform/cd_audio.h"

namespace orva {

uint32_t TMemoryMixer::AddDestination(uint32_t componentType, uint32_t channels, std::string name) {
  TDestination& d = Destinations.emplace_back();
  d.Line.Info = {static_cast<uint32_t>(Destinations.size() - 1), 0, nextId_++, 1, componentType, channels, 0, 0, std::move(name)};
  return d.Line.Info.LineId;
}

uint32_t TMemoryMixer::AddSource(uint32_t destination, uint32_t componentType, uint32_t channels, std::string name) {
  TDestination& d = Destinations.at(destination);
  TLine& line = d.Sources.emplace_back();
  line.Info = {destination, static_cast<uint32_t>(d.Sources.size() - 1), nextId_++, 1, componentType, channels, 0, 0, std::move(name)};
  d.Line.Info.Connections = static_cast<uint32_t>(d.Sources.size());
  return line.Info.LineId;
}

uint32_t TMemoryMixer::AddControl(uint32_t lineId, uint32_t controlType, uint32_t flags, std::vector<uint32_t> values,
                                  std::vector<TMixerListText> texts) {
  TLine* line = Line(lineId);
  TControl& c = line->Controls.emplace_back();
  c.Info = {nextId_++, controlType, flags, static_cast<uint32_t>(texts.size()), {}};
  c.Values = std::move(values);
  c.Texts = std::move(texts);
  line->Info.Controls = static_cast<uint32_t>(line->Controls.size());
  return c.Info.ControlId;
}

std::vector<uint32_t>& TMemoryMixer::Values(uint32_t controlId) { return Control(controlId)->Values; }

TMemoryMixer::TLine* TMemoryMixer::Line(uint32_t lineId) {
  for (TDestination& d : Destinations) {
    if (d.Line.Info.LineId == lineId) return &d.Line;
    for (TLine& s : d.Sources)
      if (s.Info.LineId == lineId) return &s;
  }
  return nullptr;
}

TMemoryMixer::TControl* TMemoryMixer::Control(uint32_t controlId) {
  for (TDestination& d : Destinations) {
    for (TControl& c : d.Line.Controls)
      if (c.Info.ControlId == controlId) return &c;
    for (TLine& s : d.Sources)
      for (TControl& c : s.Controls)
        if (c.Info.ControlId == controlId) return &c;
  }
  return nullptr;
}

class TMemoryMixerDevice final : public TMixerDevice {
 public:
  explicit TMemoryMixerDevice(TMemoryMixer& mixer) : m_(mixer) {}
  uint32_t DestinationCount() override { return static_cast<uint32_t>(m_.Destinations.size()); }
  bool LineByDestination(uint32_t destination, TMixerLineInfo& info) override {
    if (destination >= m_.Destinations.size()) return false;
    info = m_.Destinations[destination].Line.Info;
    return info.LineId != m_.FailingLine;
  }
  bool LineBySource(uint32_t destination, uint32_t source, TMixerLineInfo& info) override {
    if (destination >= m_.Destinations.size() || source >= m_.Destinations[destination].Sources.size()) return false;
    info = m_.Destinations[destination].Sources[source].Info;
    return info.LineId != m_.FailingLine;
  }
  bool LineControls(uint32_t lineId, std::vector<TMixerControlInfo>& controls) override {
    const TMemoryMixer::TLine* line = m_.Line(lineId);
    if (!line) return false;
    controls.clear();
    for (const auto& c : line->Controls) controls.push_back(c.Info);
    return true;
  }
  bool GetValues(uint32_t controlId, uint32_t channels, uint32_t items, std::vector<uint32_t>& values) override {
    const TMemoryMixer::TControl* c = m_.Control(controlId);
    const size_t count = static_cast<size_t>(channels) * std::max<uint32_t>(items, 1);
    if (!c || c->Values.size() < count) return false;
    values.assign(c->Values.begin(), c->Values.begin() + static_cast<ptrdiff_t>(count));
    return true;
  }
  bool SetValues(uint32_t controlId, uint32_t channels, uint32_t items, const std::vector<uint32_t>& values) override {
    TMemoryMixer::TControl* c = m_.Control(controlId);
    const size_t count = static_cast<size_t>(channels) * std::max<uint32_t>(items, 1);
    if (!c || values.size() < count || c->Values.size() < count) return false;
    std::copy(values.begin(), values.begin() + static_cast<ptrdiff_t>(count), c->Values.begin());
    if (m_.OnChange) m_.OnChange();
    return true;
  }
  bool ListTexts(uint32_t controlId, std::vector<TMixerListText>& texts) override {
    const TMemoryMixer::TControl* c = m_.Control(controlId);
    if (!c) return false;
    texts = c->Texts;
    return true;
  }

 private:
  TMemoryMixer& m_;
};

std::unique_ptr<TMixerDevice> TMemoryMixer::Device() { return std::make_unique<TMemoryMixerDevice>(*this); }

std::unique_ptr<TMixerDevice> TMemoryMixerSystem::Open(int id, bool) {
  if (id < 0 || id >= DeviceCount()) return nullptr;
  if (FailedOpens > 0) {
    --FailedOpens;
    return nullptr;
  }
  return Mixers[static_cast<size_t>(id)]->Device();
}

namespace {

// Ours: the program's own output with its CD input line.
class TOwnMixerSystem final : public TMixerSystem {
 public:
  TOwnMixerSystem() {
    mixer_.AddDestination(kMixerComponentSpeakers, 2, "Output");
    const uint32_t cd = mixer_.AddSource(0, kMixerComponentCompactDisc, 2, "CD Audio");
    volume_ = mixer_.AddControl(cd, kMixerControlVolume, 0, {65535, 65535});
    mute_ = mixer_.AddControl(cd, kMixerControlMute, kMixerControlFlagUniform, {0});
    mixer_.OnChange = [this] {
      const std::vector<uint32_t>& v = mixer_.Values(volume_);
      SetCdLineLevels(v[0], v[1], mixer_.Values(mute_)[0] != 0);
    };
  }
  int DeviceCount() override { return 1; }
  std::unique_ptr<TMixerDevice> Open(int id, bool) override { return id == 0 ? mixer_.Device() : nullptr; }

 private:
  TMemoryMixer mixer_;
  uint32_t volume_ = 0;
  uint32_t mute_ = 0;
};

TMixerSystem* installed = nullptr;

}  // namespace

TMixerSystem& MixerSystem() {
  static TOwnMixerSystem own;
  return installed ? *installed : own;
}

void SetMixerSystem(TMixerSystem* system) { installed = system; }

}  // namespace orva
