#include "shell/audio_mixer.h"

#include <algorithm>

namespace orva {

namespace {
bool IsList(const TMixerControlInfo& c) { return (c.ControlType >> 28) == 7; }
uint32_t ChannelsOf(const TMixerControlInfo& c, const TMixerLineInfo& line) {
  return (c.Flags & kMixerControlFlagUniform) ? 1 : std::max<uint32_t>(line.Channels, 1);
}
}  // namespace

const TMixerConnection* TMixerDestination::Connection(int index) const {
  return index >= 0 && index < static_cast<int>(Connections.size()) ? &Connections[static_cast<size_t>(index)] : nullptr;
}

TAudioMixer::TAudioMixer(TMixerSystem& system) : system_(system), count_(system.DeviceCount()) {
  if (count_ > 0) SetMixerId(0);
}

const TMixerDestination* TAudioMixer::Destination(int index) const {
  return index >= 0 && index < static_cast<int>(destinations_.size()) ? &destinations_[static_cast<size_t>(index)] : nullptr;
}

void TAudioMixer::SetMixerId(int id) {
  device_.reset();
  id_ = -1;
  destinations_.clear();
  if (id < 0 || id >= count_) return;
  // With change reports twice, then without.
  for (int attempt = 0; attempt < 3 && !device_; ++attempt) device_ = system_.Open(id, attempt < 2);
  if (!device_) return;
  id_ = id;
  const uint32_t count = device_->DestinationCount();
  for (uint32_t d = 0; d < count; ++d) {
    TMixerDestination dest;
    if (!device_->LineByDestination(d, dest.Line)) continue;
    device_->LineControls(dest.Line.LineId, dest.Controls);
    for (uint32_t s = 0; s < dest.Line.Connections; ++s) {
      TMixerConnection connection;
      if (!device_->LineBySource(d, s, connection.Line)) continue;
      device_->LineControls(connection.Line.LineId, connection.Controls);
      dest.Connections.push_back(std::move(connection));
    }
    destinations_.push_back(std::move(dest));
  }
}

bool TAudioMixer::FindLine(int destination, int connection, const TMixerDestination*& dest, const TMixerLineInfo*& line,
                           const std::vector<TMixerControlInfo>*& controls) const {
  dest = Destination(destination);
  if (!device_ || !dest) return false;
  if (connection == -1) {
    line = &dest->Line;
    controls = &dest->Controls;
  } else {
    const TMixerConnection* c = dest->Connection(connection);
    if (!c) return false;
    line = &c->Line;
    controls = &c->Controls;
  }
  return !controls->empty();
}

bool TAudioMixer::GetVolume(int destination, int connection, TMixerVolume& v) {
  v = {};
  const TMixerDestination* dest;
  const TMixerLineInfo* line;
  const std::vector<TMixerControlInfo>* controls;
  if (!FindLine(destination, connection, dest, line, controls)) return false;
  bool volumeFound = false, muteFound = false;
  std::vector<uint32_t> values;
  for (const TMixerControlInfo& c : *controls) {
    if (volumeFound && muteFound) break;
    if (c.Flags & kMixerControlFlagMultiple) continue;
    if (c.ControlType == kMixerControlVolume && !volumeFound) {
      if (!device_->GetValues(c.ControlId, ChannelsOf(c, *line), 0, values)) continue;
      volumeFound = true;
      v.VolumeDisabled = (c.Flags & kMixerControlFlagDisabled) != 0;
      v.Left = static_cast<int32_t>(values[0]);
      v.Stereo = values.size() >= 2;
      v.Right = v.Stereo ? static_cast<int32_t>(values[1]) : v.Left;
    } else if (c.ControlType == kMixerControlMute && !muteFound) {
      if (!device_->GetValues(c.ControlId, ChannelsOf(c, *line), 0, values)) continue;
      muteFound = true;
      v.MuteDisabled = (c.Flags & kMixerControlFlagDisabled) != 0;
      v.Mute = values[0] != 0 ? 1 : 0;
    }
  }
  if (!muteFound && connection != -1) {
    // The destination's selection stands for the source line's mute.
    std::vector<TMixerListText> texts;
    for (const TMixerControlInfo& c : dest->Controls) {
      if (!IsList(c) || !device_->ListTexts(c.ControlId, texts)) continue;
      for (size_t i = 0; i < texts.size(); ++i) {
        if (texts[i].Param1 != line->LineId) continue;
        if (!device_->GetValues(c.ControlId, 1, c.Items, values) || i >= values.size()) continue;
        v.Mute = static_cast<int32_t>(values[i]);
        v.Selected = true;
        return true;
      }
    }
  }
  return true;
}

bool TAudioMixer::SetVolume(int destination, int connection, int32_t mute, int32_t right, int32_t left) {
  const TMixerDestination* dest;
  const TMixerLineInfo* line;
  const std::vector<TMixerControlInfo>* controls;
  if (!FindLine(destination, connection, dest, line, controls)) return false;
  bool volumeDone = left == -1, muteDone = mute == -1;
  for (const TMixerControlInfo& c : *controls) {
    if (volumeDone && muteDone) break;
    if (c.Flags & kMixerControlFlagMultiple) continue;
    const uint32_t channels = ChannelsOf(c, *line);
    if (c.ControlType == kMixerControlVolume && !volumeDone) {
      std::vector<uint32_t> values(channels, static_cast<uint32_t>(left));
      if (channels >= 2) values[1] = static_cast<uint32_t>(right == -1 ? left : right);
      device_->SetValues(c.ControlId, channels, 0, values);
      volumeDone = true;
    } else if (c.ControlType == kMixerControlMute && !muteDone) {
      device_->SetValues(c.ControlId, channels, 0, std::vector<uint32_t>(channels, static_cast<uint32_t>(mute)));
      muteDone = true;
    }
  }
  if (!muteDone && connection != -1) {
    std::vector<TMixerListText> texts;
    std::vector<uint32_t> values;
    for (const TMixerControlInfo& c : dest->Controls) {
      if (c.ControlType != kMixerControlMultiplexer && c.ControlType != kMixerControlMixer) continue;
      if (!device_->ListTexts(c.ControlId, texts) || !device_->GetValues(c.ControlId, 1, c.Items, values)) continue;
      // A multiplexer selects one line only.
      if (c.ControlType == kMixerControlMultiplexer) std::fill(values.begin(), values.end(), 0);
      for (size_t i = 0; i < texts.size() && i < values.size(); ++i)
        if (texts[i].Param1 == line->LineId) values[i] = static_cast<uint32_t>(mute);
      device_->SetValues(c.ControlId, 1, c.Items, values);
      break;
    }
  }
  return true;
}

}  // namespace orva
